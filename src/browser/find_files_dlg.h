// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

class CGalerioView;
class QLabel;

// The modeless progress window of a run: a title and one line of text (the
// file last reported). Owned by the view, which creates and destroys it.
class CFindFilesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFindFilesDlg(CGalerioView* pView);
    ~CFindFilesDlg() override;

    // Shows the window, centred over the main window, with "starting...".
    void Create(QWidget* pOwner);

    void SetTitle(const QString& title);
    void SetText(const QString& text);
    QString Text() const { return m_strText; }

    void setVisible(bool bVisible) override;

    QString m_strText;

signals:
    // Let observers (tests, accessibility) follow the run without polling.
    void TitleChanged(const QString& title);
    void TextChanged(const QString& text);

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ShowText();

    CGalerioView* m_pView;
    QLabel* m_pLabel;
    // The label is repainted at most every kShowIntervalMs: a run reports
    // thousands of small files a second, far more than anyone can read,
    // and painting each would cost more than the work itself.
    QElapsedTimer m_timeShown;
    QTimer m_timerShow;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;

// "Warning!": a question in a "Question" box, a box to stop it being asked
// again, "Yes" (the default) and "No".
class WarningDialog : public QDialog {
    Q_OBJECT
public:
    explicit WarningDialog(QWidget* pParent = nullptr);

    QString m_strText;         // set before the dialog is shown
    bool m_bDontShow = false;  // read back from the box only on "Yes"

    int exec() override;
    void accept() override;

    QCheckBox* DontShowBox() const { return m_pDontShow; }

private:
    QLabel* m_pText;
    QCheckBox* m_pDontShow;
};

// Puts the real dialog behind AskWarning.
void InstallWarningDialog();

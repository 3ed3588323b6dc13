// SPDX-License-Identifier: MIT
#pragma once

#include <QBasicTimer>
#include <QFont>
#include <QLabel>

// Colours as 0x00BBGGRR values: red in the low byte.
inline constexpr int kLinkColorUnvisited = 0xFF0000;  // pure blue
inline constexpr int kLinkColorVisited = 0x800080;    // purple
inline constexpr int kTimerLinkClicked = 102;         // hover is ignored this long after a click
inline constexpr int kLinkClickedMs = 1000;

// A label that works as a link: underlined, blue until opened and purple
// afterwards, a hand cursor while the pointer is over it, and a click opens
// the target with the desktop's program for it.
class CStaticLink : public QLabel {
    Q_OBJECT
public:
    explicit CStaticLink(const QString& text, QWidget* parent = nullptr);

    // The visited flag lives with the owner so it outlives this label.
    void SetVisitedFlag(int* pVisited) { m_pVisited = pVisited; }
    // The target; while empty, the label's own text is used.
    void SetLink(const QString& link) { m_link = link; }
    const QString& Link() const { return m_link; }
    bool IsVisited() const { return m_pVisited && *m_pVisited == 1; }
    // The colour the text is drawn in now.
    QColor CurrentColor() const;
    bool IsHovering() const { return m_bCaptured; }
    bool IsJustClicked() const { return m_bClicked; }

    // What a click does; public so keyboard activation can share it.
    void OnClicked();

    int m_colorUnvisited = kLinkColorUnvisited;
    int m_colorVisited = kLinkColorVisited;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    bool IsTextLabel() const;
    void OnMouseMove(const QPoint& pt);

    int* m_pVisited = nullptr;
    bool m_bCaptured = false;
    bool m_bClicked = false;
    bool m_bPressed = false;
    QString m_link;
    QFont m_font;
    bool m_bFontMade = false;
    QBasicTimer m_timerClicked;  // timer 102
};

// The user name of the contact address: a link holding it followed by "@" is
// a mail address.
QString ContactUserName();

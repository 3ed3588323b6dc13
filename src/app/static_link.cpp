// SPDX-License-Identifier: MIT
#include "app/static_link.h"

#include <QMouseEvent>
#include <QTimerEvent>

#include "app/about_texts.h"
#include "app/frame_rules.h"
#include "platform/message_box.h"
#include "platform/shell_open.h"

namespace {

QColor FromColorRef(int cr) { return QColor(cr & 0xFF, (cr >> 8) & 0xFF, (cr >> 16) & 0xFF); }

}  // namespace

QString ContactUserName() {
    return QString::fromLatin1(kAboutEmail).section(QLatin1Char('@'), 0, 0);
}

CStaticLink::CStaticLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Movement is needed to notice the pointer entering without a button held.
    setMouseTracking(true);
}

bool CStaticLink::IsTextLabel() const {
    return pixmap().isNull() && picture().isNull() && movie() == nullptr;
}

QColor CStaticLink::CurrentColor() const {
    return FromColorRef(IsVisited() ? m_colorVisited : m_colorUnvisited);
}

void CStaticLink::paintEvent(QPaintEvent* e) {
    // An image label keeps the look its parent gave it.
    if (IsTextLabel()) {
        if (!m_bFontMade) {
            m_font = font();
            m_font.setUnderline(true);
            m_bFontMade = true;
            setFont(m_font);
        }
        // Only a real change, or the palette change would ask for another paint.
        if (palette().color(QPalette::WindowText) != CurrentColor()) {
            QPalette pal = palette();
            pal.setColor(QPalette::WindowText, CurrentColor());
            setPalette(pal);
        }
    }
    QLabel::paintEvent(e);
}

void CStaticLink::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_bPressed = true;
    QLabel::mousePressEvent(e);
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    // A click is a press and a release on the label, as with a button.
    const bool bClick =
        m_bPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton) m_bPressed = false;
    if (bClick) OnClicked();
}

void CStaticLink::OnClicked() {
    if (m_link.isEmpty()) m_link = text();
    m_link = ApplyMailtoRule(m_link, ContactUserName());

    m_bCaptured = false;
    m_bClicked = true;
    m_timerClicked.start(kLinkClickedMs, this);

    if (!OpenWithShell(m_link)) {
        // The link keeps its colour and can be tried again.
        Beep();
        return;
    }
    if (m_pVisited) *m_pVisited = 1;
    // The desktop takes a moment to bring up the program; the arrow says the
    // click has been taken.
    setCursor(Qt::ArrowCursor);
    update();
}

void CStaticLink::mouseMoveEvent(QMouseEvent* e) {
    QLabel::mouseMoveEvent(e);
    OnMouseMove(e->position().toPoint());
}

void CStaticLink::leaveEvent(QEvent* e) {
    QLabel::leaveEvent(e);
    OnMouseMove(QPoint(-1, -1));
}

void CStaticLink::OnMouseMove(const QPoint& pt) {
    if (m_bClicked) return;
    const bool bInside = rect().contains(pt);
    if (!m_bCaptured && bInside) {
        m_bCaptured = true;
        setCursor(Qt::PointingHandCursor);
    } else if (m_bCaptured && !bInside) {
        m_bCaptured = false;
        setCursor(Qt::ArrowCursor);
    }
}

void CStaticLink::timerEvent(QTimerEvent* e) {
    if (e->timerId() != m_timerClicked.timerId()) {
        QLabel::timerEvent(e);
        return;
    }
    m_timerClicked.stop();
    m_bClicked = false;
}

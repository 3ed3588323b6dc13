// SPDX-License-Identifier: MIT
#include "dialogs/swatch_popup.h"

#include <qdrawutil.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "platform/color_dialog.h"
#include "platform/color_ref.h"

namespace {

ScreenAreaSource g_screenArea;

QRect ScreenArea() {
    if (g_screenArea) return g_screenArea();
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    return pScreen ? pScreen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// The layout is given in dialog units of the popup's 8-point font: a
// quarter of the average character width across, an eighth of the line
// height down.
struct DialogUnits {
    int nBaseX;
    int nBaseY;
    int X(int n) const { return n * nBaseX / 4; }
    int Y(int n) const { return n * nBaseY / 8; }
    QRect Rect(int x, int y, int cx, int cy) const { return QRect(X(x), Y(y), X(cx), Y(cy)); }
};

DialogUnits UnitsOf(const QFont& font) {
    const QFontMetrics fm(font);
    const int nWidth = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {std::max(1, (nWidth / 26 + 1) / 2), std::max(1, fm.height())};
}

// The popup has no caption, only a raised frame this wide.
constexpr int kFrame = 3;

constexpr int kColumnX[4] = {1, 13, 25, 37};
constexpr int kRowY[5] = {1, 12, 24, 36, 48};

}  // namespace

QRect PlaceSwatchPopup(const QRect& rcButton, const QSize& size, const QRect& rcScreen) {
    // Right and bottom edges are exclusive here, as the sums below expect.
    const int nButtonBottom = rcButton.y() + rcButton.height();
    QRect rc(QPoint(rcButton.x(), nButtonBottom), size);
    const int nScreenBottom = rcScreen.y() + rcScreen.height();
    const int nScreenRight = rcScreen.x() + rcScreen.width();
    if (rc.y() + rc.height() > nScreenBottom) {
        rc.translate(0, -(rc.y() + rc.height() - rcButton.y()));
    }
    if (rc.x() + rc.width() > nScreenRight) rc.translate(-(rc.x() + rc.width() - nScreenRight), 0);
    return rc;
}

ScreenAreaSource SetSwatchScreenArea(ScreenAreaSource source) {
    std::swap(g_screenArea, source);
    return source;
}

CSwatch::CSwatch(int nSlot, QWidget* pParent) : QAbstractButton(pParent), m_nSlot(nSlot) {
    setObjectName(QString::number(IDC_SWATCH_FIRST + nSlot));
    // A click must not take the focus, so the frame below marks only a
    // swatch reached from the keyboard.
    setFocusPolicy(Qt::TabFocus);
}

void CSwatch::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    const QColor color = ColorFromRef(g_palette[m_nSlot]);
    dc.fillRect(rect(), color);
    if (hasFocus() && m_bKeyboardFocus) {
        QPen pen(color.lightness() < 128 ? Qt::white : Qt::black, 0, Qt::DotLine);
        dc.setPen(pen);
        dc.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void CSwatch::focusInEvent(QFocusEvent* pEvent) {
    const Qt::FocusReason reason = pEvent->reason();
    m_bKeyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                       reason == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(pEvent);
    update();
}

void CSwatch::focusOutEvent(QFocusEvent* pEvent) {
    m_bKeyboardFocus = false;
    QAbstractButton::focusOutEvent(pEvent);
    update();
}

CSwatchPopup::CSwatchPopup(QWidget* pButton)
    : QDialog(pButton, Qt::Dialog | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
      m_pButton(pButton) {
    setObjectName(QString::number(IDD_SWATCH_POPUP));
    QFont font = QApplication::font();
    font.setPointSize(8);
    setFont(font);
    const DialogUnits du = UnitsOf(font);
    const QPoint origin(kFrame, kFrame);
    for (int nRow = 0; nRow < 5; ++nRow) {
        for (int nColumn = 0; nColumn < 4; ++nColumn) {
            const int k = 4 * nRow + nColumn;
            auto* pSwatch = new CSwatch(k, this);
            pSwatch->setGeometry(
                du.Rect(kColumnX[nColumn], kRowY[nRow], 11, 10).translated(origin));
            connect(pSwatch, &QAbstractButton::clicked, this, [this, k] { OnSwatch(k); });
            m_apSwatches[k] = pSwatch;
        }
    }
    m_pOther = new QPushButton(QStringLiteral("Other..."), this);
    m_pOther->setObjectName(QString::number(IDC_SWATCH_OTHER));
    m_pOther->setGeometry(du.Rect(1, 60, 47, 11).translated(origin));
    // Enter presses only the control with the focus, never "Other..." unasked.
    m_pOther->setAutoDefault(false);
    connect(m_pOther, &QPushButton::clicked, this, &CSwatchPopup::OnOther);

    setFixedSize(du.X(49) + 2 * kFrame, du.Y(73) + 2 * kFrame);
    // When the colour dialog closes, the window manager focuses a window of
    // its choosing, which the popup blocks; keys would go nowhere, so the
    // popup takes the focus back while it holds the mouse.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* pWindow) {
        if (m_bCaptured && isVisible() && pWindow != windowHandle()) activateWindow();
    });
}

void CSwatchPopup::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    const QRect rcButton(m_pButton->mapToGlobal(QPoint(0, 0)), m_pButton->size());
    move(PlaceSwatchPopup(rcButton, size(), ScreenArea()).topLeft());
    // The desktop refuses a grab until the window is on the screen, so it is
    // taken once the window is exposed.
    if (QWindow* pWindow = windowHandle()) pWindow->installEventFilter(this);
    Capture();
    // The window manager does not hand the keyboard to a window it does not
    // manage.
    activateWindow();
}

void CSwatchPopup::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    dc.fillRect(rect(), palette().color(QPalette::Button));
    qDrawWinPanel(&dc, rect(), palette(), false);
}

// Holds the keyboard too, so that no other window takes the keys meant for
// the popup.
void CSwatchPopup::Capture() {
    m_bCaptured = true;
    grabMouse();
    grabKeyboard();
    m_bDesktopGrab = GrabDesktop();
}

void CSwatchPopup::ReleaseCapture() {
    if (!m_bCaptured) return;
    m_bCaptured = false;
    m_bDesktopGrab = false;
    releaseKeyboard();
    releaseMouse();
}

bool CSwatchPopup::GrabDesktop() {
    QWindow* pWindow = windowHandle();
    if (!pWindow || !pWindow->isExposed()) return false;
    const bool bMouse = pWindow->setMouseGrabEnabled(true);
    const bool bKeyboard = pWindow->setKeyboardGrabEnabled(true);
    return bMouse && bKeyboard;
}

bool CSwatchPopup::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::Expose && pWatched == windowHandle() && m_bCaptured &&
        !m_bDesktopGrab) {
        m_bDesktopGrab = GrabDesktop();
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

// Keys come to the popup, which holds the keyboard; all but Escape and Enter
// belong to the control with the focus. What that control leaves comes back
// here.
void CSwatchPopup::keyPressEvent(QKeyEvent* pEvent) {
    QWidget* pFocus = focusWidget();
    const bool bChild = pFocus && pFocus != this;
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        if (auto* pButton = qobject_cast<QAbstractButton*>(pFocus); pButton && bChild) {
            pButton->click();
        }
        return;
    }
    if (bChild && !m_bForwardingKey && pEvent->key() != Qt::Key_Escape) {
        m_bForwardingKey = true;
        QCoreApplication::sendEvent(pFocus, pEvent);
        m_bForwardingKey = false;
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

void CSwatchPopup::keyReleaseEvent(QKeyEvent* pEvent) {
    QWidget* pFocus = focusWidget();
    if (!m_bForwardingKey && pFocus && pFocus != this) {
        m_bForwardingKey = true;
        QCoreApplication::sendEvent(pFocus, pEvent);
        m_bForwardingKey = false;
        return;
    }
    QDialog::keyReleaseEvent(pEvent);
}

void CSwatchPopup::done(int nResult) {
    ReleaseCapture();
    m_pPressed = nullptr;
    QDialog::done(nResult);
}

QAbstractButton* CSwatchPopup::ButtonAt(const QPoint& pt) const {
    QWidget* pChild = childAt(pt);
    while (pChild && pChild->parentWidget() != this) pChild = pChild->parentWidget();
    return qobject_cast<QAbstractButton*>(pChild);
}

void CSwatchPopup::Forward(QAbstractButton* pButton, QEvent::Type type, const QMouseEvent* pEvent) {
    const QPointF local = pButton->mapFromGlobal(pEvent->globalPosition());
    QMouseEvent forwarded(type, local, pEvent->globalPosition(), pEvent->button(),
                          pEvent->buttons(), pEvent->modifiers());
    QCoreApplication::sendEvent(pButton, &forwarded);
}

void CSwatchPopup::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        if (frameGeometry().contains(pEvent->globalPosition().toPoint())) {
            QAbstractButton* pButton = ButtonAt(pEvent->position().toPoint());
            if (m_pPressed && m_pPressed != pButton) m_pPressed->setDown(false);
            m_pPressed = pButton;
            if (pButton && pButton->isEnabled()) Forward(pButton, QEvent::MouseButtonPress, pEvent);
        } else {
            ReleaseCapture();
            reject();
            return;
        }
    }
    QDialog::mousePressEvent(pEvent);
}

void CSwatchPopup::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        if (m_pPressed) {
            // The pressed control decides, as it would holding the mouse:
            // released over it, it is clicked.
            QAbstractButton* pButton = m_pPressed;
            m_pPressed = nullptr;
            Forward(pButton, QEvent::MouseButtonRelease, pEvent);
            return;
        }
        // A press that began on the frame and ends on a control presses it.
        QAbstractButton* pButton = ButtonAt(pEvent->position().toPoint());
        if (pButton && pButton->isEnabled()) {
            m_pPressed = pButton;
            Forward(pButton, QEvent::MouseButtonPress, pEvent);
        }
    }
    QDialog::mouseReleaseEvent(pEvent);
}

void CSwatchPopup::mouseMoveEvent(QMouseEvent* pEvent) {
    if (m_pPressed && (pEvent->buttons() & Qt::LeftButton)) {
        Forward(m_pPressed, QEvent::MouseMove, pEvent);
    }
    QDialog::mouseMoveEvent(pEvent);
}

void CSwatchPopup::OnSwatch(int k) {
    m_nSelected = k;
    UpdatePaletteRank(k);
    ReleaseCapture();
    accept();
}

void CSwatchPopup::OnOther() {
    ReleaseCapture();
    // The full dialog has no owner, so it is not placed over the small popup.
    const std::optional<int> color = ChooseColor(nullptr);
    if (color) {
        m_nSelected = TakeColorIntoPalette(*color);
        UpdatePaletteRank(m_nSelected);
        accept();
        return;
    }
    if (!isVisible()) return;
    activateWindow();
    Capture();
}

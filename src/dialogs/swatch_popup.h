// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QEvent>
#include <QRect>
#include <array>
#include <functional>

#include "dialogs/swatch_palette.h"

class QPushButton;

// Control ids, kept as object names so tests can find the controls.
inline constexpr int IDD_SWATCH_POPUP = 5100;
inline constexpr int IDC_SWATCH_FIRST = 5101;  // slot k is IDC_SWATCH_FIRST + k
inline constexpr int IDC_SWATCH_OTHER = 5121;

// Where a popup of the given size opens for a button (both in screen
// coordinates): under the button, or above it when it would reach below the
// screen area, and shifted left when it would reach beyond its right edge.
QRect PlaceSwatchPopup(const QRect& rcButton, const QSize& size, const QRect& rcScreen);

// The screen area the popup keeps to: the primary screen's work area unless
// a test supplies another. Returns the previous source; empty restores it.
using ScreenAreaSource = std::function<QRect()>;
ScreenAreaSource SetSwatchScreenArea(ScreenAreaSource source);

// One swatch of the popup: a flat fill in its slot's colour.
class CSwatch : public QAbstractButton {
    Q_OBJECT
public:
    CSwatch(int nSlot, QWidget* pParent);
    int Slot() const { return m_nSlot; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    int m_nSlot;
    bool m_bKeyboardFocus = false;
};

// The popup of a colour picker: the 20 swatches of the shared palette in four
// columns and five rows, and "Other..." for the full colour dialog. It holds
// the mouse and the keyboard while it is open, so that a press anywhere
// outside closes it and Escape always reaches it.
class CSwatchPopup : public QDialog {
    Q_OBJECT
public:
    // pButton is the picker the popup opens under.
    explicit CSwatchPopup(QWidget* pButton);

    // The slot chosen when the popup ended with OK.
    int m_nSelected = 0;

    CSwatch* Swatch(int k) const { return m_apSwatches[k]; }
    QPushButton* OtherButton() const { return m_pOther; }
    bool IsCaptured() const { return m_bCaptured; }

    void done(int nResult) override;

protected:
    void showEvent(QShowEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnSwatch(int k);
    void OnOther();
    void Capture();
    void ReleaseCapture();
    bool GrabDesktop();
    QAbstractButton* ButtonAt(const QPoint& pt) const;
    void Forward(QAbstractButton* pButton, QEvent::Type type, const QMouseEvent* pEvent);

    QWidget* m_pButton;
    std::array<CSwatch*, kPaletteSize> m_apSwatches{};
    QPushButton* m_pOther = nullptr;
    // The control a forwarded press went to; it gets the moves and the
    // release, as a pressed button would hold the mouse itself.
    QAbstractButton* m_pPressed = nullptr;
    bool m_bCaptured = false;
    bool m_bDesktopGrab = false;  // the window system's grab, not only Qt's
    bool m_bForwardingKey = false;
};

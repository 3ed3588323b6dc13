// SPDX-License-Identifier: MIT
#include "dialogs/swatch_button.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cstdlib>

#include "dialogs/swatch_palette.h"
#include "dialogs/swatch_popup.h"
#include "platform/color_ref.h"

namespace {

// Draws in whole device pixels. A line from p to q sets the pixels from p up
// to but not including q and leaves q as the start of the next line; only
// horizontal and vertical lines are needed.
class PixelPen {
public:
    explicit PixelPen(QPainter& dc) : m_dc(dc) {}

    void Select(const QColor& color) { m_color = color; }
    void MoveTo(int x, int y) { m_pt = QPoint(x, y); }
    void LineTo(int x, int y) {
        const int dx = x > m_pt.x() ? 1 : x < m_pt.x() ? -1 : 0;
        const int dy = y > m_pt.y() ? 1 : y < m_pt.y() ? -1 : 0;
        Q_ASSERT(dx == 0 || dy == 0);
        // The pixels from p to q, q excluded, as one rectangle.
        const QPoint last(x - dx, y - dy);
        if (dx != 0 || dy != 0) {
            const int nLeft = std::min(m_pt.x(), last.x());
            const int nTop = std::min(m_pt.y(), last.y());
            m_dc.fillRect(nLeft, nTop, std::abs(last.x() - m_pt.x()) + 1,
                          std::abs(last.y() - m_pt.y()) + 1, m_color);
        }
        m_pt = QPoint(x, y);
    }
    void Line(int x1, int y1, int x2, int y2) {
        MoveTo(x1, y1);
        LineTo(x2, y2);
    }
    void SetPixel(int x, int y, const QColor& color) { m_dc.fillRect(x, y, 1, 1, color); }

private:
    QPainter& m_dc;
    QColor m_color;
    QPoint m_pt;
};

}  // namespace

CSwatchButton::CSwatchButton(QWidget* pParent)
    : QPushButton(pParent),
      m_brFace(QApplication::palette().color(QPalette::Active, QPalette::Button)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QPushButton::clicked, this, &CSwatchButton::OnClicked);
}

void CSwatchButton::SetColor(int cr) {
    if (cr == m_crColor) return;
    m_crColor = cr;
    update();
    emit ColorChanged(cr);
}

QSize CSwatchButton::sizeHint() const { return QSize(60, 23); }

// Narrower than this leaves no room for the swatch beside the arrow.
QSize CSwatchButton::minimumSizeHint() const { return QSize(28, 16); }

void CSwatchButton::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::EnabledChange) update();
    QPushButton::changeEvent(pEvent);
}

void CSwatchButton::OnClicked() {
    // The popup belongs to the button, so it goes with it should the host
    // close while the popup runs.
    QPointer<CSwatchPopup> pPopup = new CSwatchPopup(this);
    const int nResult = pPopup->exec();
    if (!pPopup) return;
    const int nSelected = pPopup->m_nSelected;
    delete pPopup;
    if (nResult == QDialog::Accepted) SetColor(g_palette[nSelected]);
}

void CSwatchButton::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    // The drawing is laid out in device pixels.
    const qreal dpr = devicePixelRatioF();
    if (dpr != 1.0) dc.scale(1.0 / dpr, 1.0 / dpr);
    int L = 0;
    int T = 0;
    int R = qRound(width() * dpr);
    int B = qRound(height() * dpr);
    PixelPen pen(dc);

    dc.fillRect(QRect(L, T, R - L, B - T), m_brFace);

    if (!isDown()) {
        pen.Select(m_penBlack);
        pen.Line(L, B - 1, R - 1, B - 1);
        pen.LineTo(R - 1, T);
        pen.Select(m_penGrey);
        pen.Line(L + 1, B - 2, R - 2, B - 2);
        pen.LineTo(R - 2, T + 1);
        pen.Select(m_penWhite);
        pen.LineTo(L + 1, T + 1);
        pen.LineTo(L + 1, B - 2);
    } else {
        pen.Select(m_penGrey);
        pen.Line(L, B - 1, L, T);
        pen.LineTo(R - 1, T);
        pen.Select(m_penWhite);
        pen.Line(R - 1, T - 1, R - 1, B - 1);
        pen.LineTo(L + 1, B - 1);
        pen.Select(m_penBlack);
        pen.Line(L + 1, B - 2, L + 1, T + 1);
        pen.LineTo(R - 2, T + 1);
        // A pressed button's face moves one pixel right and down.
        ++L;
        ++T;
        ++R;
        ++B;
    }

    pen.Select(m_penWhite);
    pen.Line(R - 10, T + 4, R - 10, B - 4);
    pen.Select(m_penGrey);
    pen.Line(R - 11, T + 4, R - 11, B - 4);

    const bool bEnabled = isEnabled();
    const int m = B / 2;
    pen.Select(bEnabled ? m_penBlack : m_penGrey);
    pen.Line(R - 4, m - 1, R - 9, m - 1);
    pen.Line(R - 5, m, R - 8, m);
    if (bEnabled) {
        pen.SetPixel(R - 6, m + 1, m_penBlack);
    } else {
        pen.SetPixel(R - 4, m - 1, m_penWhite);
        pen.SetPixel(R - 5, m, m_penWhite);
        pen.SetPixel(R - 6, m + 1, m_penWhite);
    }

    if (bEnabled) {
        // A black outline around the colour; nothing where there is no room.
        const QRect rcSwatch(QPoint(L + 5, T + 4), QPoint(R - 16, B - 5));
        if (rcSwatch.isValid()) {
            dc.fillRect(rcSwatch, m_penBlack);
            const QRect rcInside = rcSwatch.adjusted(1, 1, -1, -1);
            if (rcInside.isValid()) dc.fillRect(rcInside, ColorFromRef(m_crColor));
        }
    }

    if (hasFocus()) {
        for (int x = L + 3; x < R - 4; x += 2) {
            pen.SetPixel(x, T + 3, m_penBlack);
            pen.SetPixel(x, B - 4, m_penBlack);
        }
        for (int y = T + 3; y < B - 4; y += 2) {
            pen.SetPixel(L + 3, y, m_penBlack);
            pen.SetPixel(R - 4, y, m_penBlack);
        }
    }
}

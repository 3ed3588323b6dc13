// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

// Where a zoomed photo lies on the image window's client area, and how zoom
// steps, anchors and a change of photo move it. Plain arithmetic: the view
// keeps the pan position in its scroll bars and asks this class the rest.
// Scales are screen pixels per photo pixel, counted in the photo's own
// pixels even when the window holds it reduced.
class ZoomState {
public:
    // Not zoomed: the window shows its usual mode (fit or full size, or the
    // full screen's fitted photo).
    bool IsZoomed() const { return m_dScale > 0; }
    double Scale() const { return m_dScale; }
    void Reset() { m_dScale = 0; }
    void SetScale(double dScale);

    // nSteps up (positive) or down the ladder of zoom levels from dCurrent,
    // stopping at either end.
    static double StepScale(double dCurrent, int nSteps);
    // The full screen's photo: as large as fits, never enlarged.
    static double FitScale(QSize photo, QSize viewport);
    // Smooth sampling below 100 %, sharp pixels from 200 % on; in between the
    // smooth look is kept, as the pixels are still small.
    static bool SmoothAt(double dScale) { return dScale < 2.0; }

    // The photo's extent on the screen at dScale.
    static QSize ContentSize(QSize photo, double dScale);
    // The furthest the content scrolls in each direction.
    static QSize ScrollRange(QSize photo, QSize viewport, double dScale);
    // The photo's rectangle in viewport coordinates: centred along a side
    // that fits, else moved by the scroll position.
    static QRect PhotoRect(QSize photo, QSize viewport, double dScale, QPoint scroll);
    // The scroll position at dNew that keeps the photo point under anchor
    // (viewport coordinates) where it is; rcOld is where the photo was drawn.
    static QPoint AnchoredScroll(QRect rcOld, QSize photo, QSize viewport, double dNew,
                                 QPoint anchor);
    // The part of the photo on the screen, in the photo's pixels.
    static QRect VisiblePhoto(QSize photo, QSize viewport, double dScale, QPoint scroll);

    // A new photo of the same size keeps the zoom and pan; any other brings
    // the usual mode back. True when the zoom is kept.
    bool OnImageChanged(QSize oldSize, QSize newSize);

private:
    double m_dScale = 0;
};

// When the full screen's cursor hides: after a still spell, counted from
// the last movement; times in milliseconds from any fixed start.
class IdleCursor {
public:
    static constexpr std::int64_t kHideAfterMs = 2000;
    void Moved(std::int64_t nNowMs) { m_nLastMoveMs = nNowMs; }
    bool Hidden(std::int64_t nNowMs) const { return nNowMs - m_nLastMoveMs >= kHideAfterMs; }
    // How long until the cursor hides, for the timer that hides it.
    std::int64_t MsUntilHidden(std::int64_t nNowMs) const;

private:
    std::int64_t m_nLastMoveMs = 0;
};

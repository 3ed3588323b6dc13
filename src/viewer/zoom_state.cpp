// SPDX-License-Identifier: MIT
#include "viewer/zoom_state.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// The levels + and - move between, from 1/16 to 16 times the photo's pixels.
constexpr double kLadder[] = {1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3,
                              1.0 / 2,  2.0 / 3,  1.0,     1.5,     2.0,     3.0,
                              4.0,      6.0,      8.0,     12.0,    16.0};
// A scale this close to a level counts as on it, so a step always moves.
constexpr double kSameLevel = 1e-6;

// One axis of PhotoRect: the photo's left (top) edge on the screen.
int Origin(int nContent, int nViewport, int nScroll) {
    if (nContent <= nViewport) return (nViewport - nContent) / 2;
    return -std::clamp(nScroll, 0, nContent - nViewport);
}

// One axis of AnchoredScroll: the photo was drawn from nOldStart over nOldExtent.
int AnchorAxis(int nOldStart, int nOldExtent, int nPhoto, int nViewport, double dNew, int nAnchor) {
    const int nNewContent = std::max(1, int(std::lround(nPhoto * dNew)));
    if (nNewContent <= nViewport || nOldExtent <= 0) return 0;
    // The photo point under the anchor; outside the photo, its nearest edge.
    const double dPoint =
        std::clamp(double(nAnchor - nOldStart) * nPhoto / nOldExtent, 0.0, double(nPhoto));
    const long nScroll = std::lround(dPoint * dNew - nAnchor);
    return int(std::clamp<long>(nScroll, 0, nNewContent - nViewport));
}

}  // namespace

void ZoomState::SetScale(double dScale) {
    m_dScale = std::clamp(dScale, kLadder[0], kLadder[std::size(kLadder) - 1]);
}

double ZoomState::StepScale(double dCurrent, int nSteps) {
    double d = dCurrent;
    for (; nSteps > 0; --nSteps) {
        const auto* p = std::find_if(std::begin(kLadder), std::end(kLadder),
                                     [d](double v) { return v > d * (1 + kSameLevel); });
        d = p == std::end(kLadder) ? kLadder[std::size(kLadder) - 1] : *p;
    }
    for (; nSteps < 0; ++nSteps) {
        const auto p = std::find_if(std::rbegin(kLadder), std::rend(kLadder),
                                    [d](double v) { return v < d * (1 - kSameLevel); });
        d = p == std::rend(kLadder) ? kLadder[0] : *p;
    }
    return d;
}

double ZoomState::FitScale(QSize photo, QSize viewport) {
    if (photo.isEmpty() || viewport.isEmpty()) return 1.0;
    return std::min({1.0, double(viewport.width()) / photo.width(),
                     double(viewport.height()) / photo.height()});
}

QSize ZoomState::ContentSize(QSize photo, double dScale) {
    // At least a pixel, so a tiny photo zoomed out still has a place.
    return {std::max(1, int(std::lround(photo.width() * dScale))),
            std::max(1, int(std::lround(photo.height() * dScale)))};
}

QSize ZoomState::ScrollRange(QSize photo, QSize viewport, double dScale) {
    const QSize content = ContentSize(photo, dScale);
    return {std::max(0, content.width() - viewport.width()),
            std::max(0, content.height() - viewport.height())};
}

QRect ZoomState::PhotoRect(QSize photo, QSize viewport, double dScale, QPoint scroll) {
    const QSize content = ContentSize(photo, dScale);
    return {Origin(content.width(), viewport.width(), scroll.x()),
            Origin(content.height(), viewport.height(), scroll.y()), content.width(),
            content.height()};
}

QPoint ZoomState::AnchoredScroll(QRect rcOld, QSize photo, QSize viewport, double dNew,
                                 QPoint anchor) {
    return {
        AnchorAxis(rcOld.x(), rcOld.width(), photo.width(), viewport.width(), dNew, anchor.x()),
        AnchorAxis(rcOld.y(), rcOld.height(), photo.height(), viewport.height(), dNew, anchor.y())};
}

QRect ZoomState::VisiblePhoto(QSize photo, QSize viewport, double dScale, QPoint scroll) {
    const QRect rcPhoto = PhotoRect(photo, viewport, dScale, scroll);
    const QRect rcShown = rcPhoto.intersected(QRect(QPoint(0, 0), viewport));
    if (rcShown.isEmpty()) return {};
    // Whole photo pixels that are at least partly on the screen.
    const int nLeft = int(std::floor((rcShown.left() - rcPhoto.left()) / dScale));
    const int nTop = int(std::floor((rcShown.top() - rcPhoto.top()) / dScale));
    const int nRight = int(std::ceil((rcShown.x() + rcShown.width() - rcPhoto.left()) / dScale));
    const int nBottom = int(std::ceil((rcShown.y() + rcShown.height() - rcPhoto.top()) / dScale));
    return QRect(QPoint(nLeft, nTop), QPoint(std::min(nRight, photo.width()) - 1,
                                             std::min(nBottom, photo.height()) - 1));
}

bool ZoomState::OnImageChanged(QSize oldSize, QSize newSize) {
    if (oldSize == newSize && !newSize.isEmpty()) return IsZoomed();
    Reset();
    return false;
}

std::int64_t IdleCursor::MsUntilHidden(std::int64_t nNowMs) const {
    return std::max<std::int64_t>(0, m_nLastMoveMs + kHideAfterMs - nNowMs);
}

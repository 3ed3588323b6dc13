// SPDX-License-Identifier: MIT
#include "viewer/place_window.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Sizes are worked out in 64 bits and only narrowed at the end, so a forged
// header claiming a huge image cannot wrap the arithmetic.
int Narrow(std::int64_t n) {
    return static_cast<int>(std::clamp<std::int64_t>(n, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

PlacedRect PlaceWindowRect(std::uint32_t w, std::uint32_t h, int fw, int fh, int nWorkWidth,
                           int nWorkHeight, bool bFit) {
    std::int64_t nRight = std::int64_t(w) + fw;
    std::int64_t nBottom = std::int64_t(h) + fh;
    std::int64_t dx = 0;
    std::int64_t dy = 0;
    if (bFit && (nRight > nWorkWidth || nBottom > nWorkHeight) && nWorkWidth > 0 &&
        nWorkHeight > 0) {
        const double rx = double(w) / nWorkWidth;
        const double ry = double(h) / nWorkHeight;
        const double r = rx > ry ? rx : ry;
        // A margin of 5 % keeps the fitted window clear of the work area's edges.
        const double m = (1.0 / r) * 0.95;
        nRight = static_cast<std::int64_t>(std::floor(w * m)) + fw;
        nBottom = static_cast<std::int64_t>(std::floor(h * m)) + fh;
        // Signed division truncates toward zero, as the centring expects.
        dx = (nWorkWidth - nRight) / 2;
        dy = (nWorkHeight - nBottom) / 2;
    } else {
        if (nRight > nWorkWidth)
            nRight = nWorkWidth;
        else
            dx = (nWorkWidth - nRight) / 2;
        if (nBottom > nWorkHeight)
            nBottom = nWorkHeight;
        else
            dy = (nWorkHeight - nBottom) / 2;
    }
    return {Narrow(dx), Narrow(dy), Narrow(nRight), Narrow(nBottom)};
}

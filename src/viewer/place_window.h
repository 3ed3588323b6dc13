// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// A window rectangle in screen coordinates: corner and outer size.
struct PlacedRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// Where an image window of a w × h image goes: fw and fh are what the frame
// adds to the client area across and down, nWorkWidth × nWorkHeight the
// desktop's work area. The client area is (cx − fw) × (cy − fh). With bFit a
// window too large for the work area is scaled to 95 % of it, keeping the
// image's proportions; otherwise an oversized direction takes the whole
// work-area extent from the screen's edge. Centring uses the work area's size
// but not its position.
PlacedRect PlaceWindowRect(std::uint32_t w, std::uint32_t h, int fw, int fh, int nWorkWidth,
                           int nWorkHeight, bool bFit);

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// How pixels are rendered beyond what the file says: whether an embedded
// colour profile is honoured, and what transparent pixels are put over.
// Thumbnails and the image window read it when they start a decode, so a
// change is seen by the next decode, never half-way through one.
struct PhotoLook {
    // A photo with an embedded profile other than sRGB is converted to sRGB.
    bool bColorManage = false;
    // Transparent pixels are put over this colour, 0xRRGGBB: the grid's
    // background for thumbnails, the window's for the image window.
    std::uint32_t rgbBackground = 0xFFFFFF;
    bool operator==(const PhotoLook&) const = default;
};

// The look every new decode starts from; any thread.
PhotoLook CurrentPhotoLook();
// Set by the window when the preferences change, or by the console run.
void SetPhotoLook(const PhotoLook& look);

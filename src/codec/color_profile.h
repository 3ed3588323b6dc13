// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// Colour profiles, through lcms2. Any thread.
namespace ColorProfile {

// True when the profile describes sRGB closely enough that converting would
// change nothing visible, or cannot be read: such pixels are left alone.
bool IsSrgbOrUnusable(const std::vector<std::uint8_t>& vIcc);

// Converts packed red-green-blue pixels, in place, from the profile to sRGB
// (perceptual intent). False, with the pixels untouched, when the profile is
// not an RGB profile lcms2 can use.
bool ConvertRgbToSrgb(std::uint8_t* pRgb, std::uint64_t nPixels,
                      const std::vector<std::uint8_t>& vIcc);

// Converts packed CMYK pixels (4 bytes, as a JPEG decoder gives them; with
// bInverted, 0 is full ink, as Adobe writes them) through the profile into
// packed sRGB pixels (3 bytes). False, writing nothing, when the profile is
// not a CMYK profile lcms2 can use.
bool ConvertCmykToSrgb(const std::uint8_t* pCmyk, bool bInverted, std::uint8_t* pRgb,
                       std::uint64_t nPixels, const std::vector<std::uint8_t>& vIcc);

}  // namespace ColorProfile

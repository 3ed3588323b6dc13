// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Colour profiles, through lcms2. Any thread.
namespace ColorProfile {

// How the pixels a converter is given are laid out: 8 bits a sample.
enum class Samples {
    Rgb,           // red, green, blue
    Rgba,          // red, green, blue, alpha (kept as it is)
    Cmyk,          // ink amounts, 0 no ink
    CmykInverted,  // as Adobe writes them: 0 full ink
};

// A conversion from one embedded profile to sRGB (perceptual intent), set
// up once and applied to as many pixels as come. One object per thread; the
// conversion itself is shared with other converters of the same profile.
class SrgbConverter {
public:
    SrgbConverter() = default;
    // Sets up the conversion. False, leaving the converter closed, when the
    // profile is not one lcms2 can use for samples of that colour space, or
    // when it is an RGB profile that describes sRGB closely enough that
    // converting would change nothing visible.
    bool Open(const std::vector<std::uint8_t>& vIcc, Samples samples);
    bool IsOpen() const { return m_pTransform != nullptr; }
    // nPixels from pIn to pOut: RGB and RGBA into the same layout (pIn may be
    // pOut), CMYK into packed RGB.
    void Convert(const std::uint8_t* pIn, std::uint8_t* pOut, std::uint64_t nPixels) const;

private:
    std::shared_ptr<void> m_pTransform;
    int m_nInBytes = 3, m_nOutBytes = 3;
};

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

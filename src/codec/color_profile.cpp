// SPDX-License-Identifier: MIT
#include "codec/color_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

namespace ColorProfile {

namespace {

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDeleter {
    void operator()(void* p) const { cmsDeleteTransform(p); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;

Profile OpenProfile(const std::vector<std::uint8_t>& vIcc) {
    if (vIcc.empty() || vIcc.size() > (std::size_t(64) << 20)) return Profile();
    return Profile(cmsOpenProfileFromMem(vIcc.data(), static_cast<cmsUInt32Number>(vIcc.size())));
}

// A transform from the profile, when it is of the colour space asked for,
// into sRGB.
Transform ToSrgb(const Profile& source, cmsColorSpaceSignature space, cmsUInt32Number nFormat) {
    if (!source || cmsGetColorSpace(source.get()) != space) return Transform();
    Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb) return Transform();
    return Transform(cmsCreateTransform(source.get(), nFormat, srgb.get(), TYPE_RGB_8,
                                        INTENT_PERCEPTUAL, 0));
}

}  // namespace

bool IsSrgbOrUnusable(const std::vector<std::uint8_t>& vIcc) {
    const Profile source = OpenProfile(vIcc);
    const Transform transform = ToSrgb(source, cmsSigRgbData, TYPE_RGB_8);
    if (!transform) return true;
    // Primaries, greys and a few mixtures: a profile that moves none of them
    // by more than a step is sRGB for every practical purpose.
    static const std::uint8_t kProbe[][3] = {
        {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {128, 128, 128},
        {32, 32, 32}, {200, 120, 40}, {40, 160, 220}, {0, 0, 0}, {255, 255, 0}};
    std::uint8_t aOut[std::size(kProbe)][3];
    cmsDoTransform(transform.get(), kProbe, aOut, static_cast<cmsUInt32Number>(std::size(kProbe)));
    for (std::size_t i = 0; i < std::size(kProbe); ++i)
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(aOut[i][c]) - int(kProbe[i][c])) > 1) return false;
    return true;
}

bool ConvertRgbToSrgb(std::uint8_t* pRgb, std::uint64_t nPixels,
                      const std::vector<std::uint8_t>& vIcc) {
    const Profile source = OpenProfile(vIcc);
    const Transform transform = ToSrgb(source, cmsSigRgbData, TYPE_RGB_8);
    if (!transform || !pRgb) return false;
    // In slices: lcms2 counts pixels in 32 bits.
    constexpr std::uint64_t kSlice = std::uint64_t(1) << 24;
    for (std::uint64_t i = 0; i < nPixels; i += kSlice) {
        const auto n = static_cast<cmsUInt32Number>(std::min(kSlice, nPixels - i));
        cmsDoTransform(transform.get(), pRgb + i * 3, pRgb + i * 3, n);
    }
    return true;
}

bool ConvertCmykToSrgb(const std::uint8_t* pCmyk, bool bInverted, std::uint8_t* pRgb,
                       std::uint64_t nPixels, const std::vector<std::uint8_t>& vIcc) {
    const Profile source = OpenProfile(vIcc);
    const Transform transform =
        ToSrgb(source, cmsSigCmykData, bInverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8);
    if (!transform || !pCmyk || !pRgb) return false;
    constexpr std::uint64_t kSlice = std::uint64_t(1) << 24;
    for (std::uint64_t i = 0; i < nPixels; i += kSlice) {
        const auto n = static_cast<cmsUInt32Number>(std::min(kSlice, nPixels - i));
        cmsDoTransform(transform.get(), pCmyk + i * 4, pRgb + i * 3, n);
    }
    return true;
}

}  // namespace ColorProfile

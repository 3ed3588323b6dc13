// SPDX-License-Identifier: MIT
#include "codec/color_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <mutex>

namespace ColorProfile {

namespace {

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDeleter {
    void operator()(void* p) const {
        if (p) cmsDeleteTransform(p);
    }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;

Profile OpenProfile(const std::vector<std::uint8_t>& vIcc) {
    if (vIcc.empty() || vIcc.size() > (std::size_t(64) << 20)) return Profile();
    return Profile(cmsOpenProfileFromMem(vIcc.data(), static_cast<cmsUInt32Number>(vIcc.size())));
}

bool IsRgb(Samples samples) { return samples == Samples::Rgb || samples == Samples::Rgba; }

// A transform from the profile, when it is of the samples' colour space,
// into sRGB of the same layout (RGB for CMYK).
Transform ToSrgb(const std::vector<std::uint8_t>& vIcc, Samples samples) {
    const Profile source = OpenProfile(vIcc);
    const cmsColorSpaceSignature space = IsRgb(samples) ? cmsSigRgbData : cmsSigCmykData;
    if (!source || cmsGetColorSpace(source.get()) != space) return Transform();
    Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb) return Transform();
    // Without lcms2's one-pixel cache a transform may serve several threads
    // at once, so converters of the same profile share one.
    cmsUInt32Number nIn = TYPE_RGB_8, nOut = TYPE_RGB_8, nFlags = cmsFLAGS_NOCACHE;
    switch (samples) {
        case Samples::Rgb:
            break;
        case Samples::Rgba:
            nIn = nOut = TYPE_RGBA_8;
            nFlags |= cmsFLAGS_COPY_ALPHA;
            break;
        case Samples::Cmyk:
            nIn = TYPE_CMYK_8;
            break;
        case Samples::CmykInverted:
            nIn = TYPE_CMYK_8_REV;
            break;
    }
    return Transform(
        cmsCreateTransform(source.get(), nIn, srgb.get(), nOut, INTENT_PERCEPTUAL, nFlags));
}

int BytesPerPixel(Samples samples) { return samples == Samples::Rgb ? 3 : 4; }

void Run(void* pTransform, const std::uint8_t* pIn, int nInBytes, std::uint8_t* pOut, int nOutBytes,
         std::uint64_t nPixels) {
    // In slices: lcms2 counts pixels in 32 bits.
    constexpr std::uint64_t kSlice = std::uint64_t(1) << 24;
    for (std::uint64_t i = 0; i < nPixels; i += kSlice) {
        const auto n = static_cast<cmsUInt32Number>(std::min(kSlice, nPixels - i));
        cmsDoTransform(pTransform, pIn + i * nInBytes, pOut + i * nOutBytes, n);
    }
}

// Primaries, greys and a few mixtures: a profile that moves none of them by
// more than a step is sRGB for every practical purpose.
bool LeavesProbesAlone(void* pTransform, int nBytes) {
    static const std::uint8_t kProbe[][3] = {
        {255, 0, 0},  {0, 255, 0},    {0, 0, 255},    {255, 255, 255}, {128, 128, 128},
        {32, 32, 32}, {200, 120, 40}, {40, 160, 220}, {0, 0, 0},       {255, 255, 0}};
    constexpr std::size_t kCount = std::size(kProbe);
    std::uint8_t aIn[kCount * 4] = {}, aOut[kCount * 4] = {};
    for (std::size_t i = 0; i < kCount; ++i)
        for (int c = 0; c < 3; ++c) aIn[i * nBytes + c] = kProbe[i][c];
    Run(pTransform, aIn, nBytes, aOut, nBytes, kCount);
    for (std::size_t i = 0; i < kCount; ++i)
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(aOut[i * nBytes + c]) - int(kProbe[i][c])) > 1) return false;
    return true;
}

// The conversions of the profiles met last. Setting one up costs more than
// converting a thumbnail's pixels, and a folder's photos share a few profiles.
struct SharedConversion {
    std::vector<std::uint8_t> vIcc;
    Samples samples;
    std::shared_ptr<void> pTransform;  // null: nothing to convert
};
constexpr std::size_t kSharedConversions = 8;
std::mutex g_sharedMutex;
std::vector<SharedConversion> g_vShared;  // the latest first

std::shared_ptr<void> SharedToSrgb(const std::vector<std::uint8_t>& vIcc, Samples samples) {
    {
        std::lock_guard<std::mutex> lock(g_sharedMutex);
        const auto it = std::find_if(g_vShared.begin(), g_vShared.end(), [&](const auto& s) {
            return s.samples == samples && s.vIcc == vIcc;
        });
        if (it != g_vShared.end()) {
            std::rotate(g_vShared.begin(), it, it + 1);
            return g_vShared.front().pTransform;
        }
    }
    Transform transform = ToSrgb(vIcc, samples);
    if (transform && IsRgb(samples) && LeavesProbesAlone(transform.get(), BytesPerPixel(samples)))
        transform.reset();
    std::shared_ptr<void> pShared(transform.release(), TransformDeleter());
    std::lock_guard<std::mutex> lock(g_sharedMutex);
    g_vShared.insert(g_vShared.begin(), {vIcc, samples, pShared});
    if (g_vShared.size() > kSharedConversions) g_vShared.pop_back();
    return pShared;
}

}  // namespace

bool SrgbConverter::Open(const std::vector<std::uint8_t>& vIcc, Samples samples) {
    m_nInBytes = BytesPerPixel(samples);
    m_nOutBytes = samples == Samples::Rgba ? 4 : 3;
    m_pTransform = SharedToSrgb(vIcc, samples);
    return m_pTransform != nullptr;
}

void SrgbConverter::Convert(const std::uint8_t* pIn, std::uint8_t* pOut,
                            std::uint64_t nPixels) const {
    if (m_pTransform && pIn && pOut)
        Run(m_pTransform.get(), pIn, m_nInBytes, pOut, m_nOutBytes, nPixels);
}

bool IsSrgbOrUnusable(const std::vector<std::uint8_t>& vIcc) {
    return !SrgbConverter().Open(vIcc, Samples::Rgb);
}

bool ConvertRgbToSrgb(std::uint8_t* pRgb, std::uint64_t nPixels,
                      const std::vector<std::uint8_t>& vIcc) {
    const Transform transform = ToSrgb(vIcc, Samples::Rgb);
    if (!transform || !pRgb) return false;
    Run(transform.get(), pRgb, 3, pRgb, 3, nPixels);
    return true;
}

bool ConvertCmykToSrgb(const std::uint8_t* pCmyk, bool bInverted, std::uint8_t* pRgb,
                       std::uint64_t nPixels, const std::vector<std::uint8_t>& vIcc) {
    const Transform transform = ToSrgb(vIcc, bInverted ? Samples::CmykInverted : Samples::Cmyk);
    if (!transform || !pCmyk || !pRgb) return false;
    Run(transform.get(), pCmyk, 4, pRgb, 3, nPixels);
    return true;
}

}  // namespace ColorProfile

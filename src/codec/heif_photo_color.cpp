// SPDX-License-Identifier: MIT
#include "codec/heif_photo_color.h"

#include <lcms2.h>
#include <libheif/heif.h>

#include <memory>

namespace {

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct CurveFree {
    void operator()(cmsToneCurve* p) const { cmsFreeToneCurve(p); }
};

// The tone curve of sRGB; nclx transfer functions other than linear light
// are close enough to it for pictures meant for a display.
std::unique_ptr<cmsToneCurve, CurveFree> CurveFor(heif_transfer_characteristics nTransfer) {
    if (nTransfer == heif_transfer_characteristic_linear)
        return std::unique_ptr<cmsToneCurve, CurveFree>(cmsBuildGamma(nullptr, 1.0));
    const cmsFloat64Number aSrgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return std::unique_ptr<cmsToneCurve, CurveFree>(cmsBuildParametricToneCurve(nullptr, 4, aSrgb));
}

}  // namespace

std::vector<std::uint8_t> HeifNclxProfile(const heif_color_profile_nclx& nclx) {
    if (nclx.color_primaries == heif_color_primaries_ITU_R_BT_709_5 ||
        nclx.color_primaries == heif_color_primaries_unspecified)
        return {};
    const cmsCIExyY white = {nclx.color_primary_white_x, nclx.color_primary_white_y, 1.0};
    const cmsCIExyYTRIPLE primaries = {
        {nclx.color_primary_red_x, nclx.color_primary_red_y, 1.0},
        {nclx.color_primary_green_x, nclx.color_primary_green_y, 1.0},
        {nclx.color_primary_blue_x, nclx.color_primary_blue_y, 1.0}};
    // A forged description may name points no profile can be built from.
    for (const cmsCIExyY* p : {&white, &primaries.Red, &primaries.Green, &primaries.Blue})
        if (!(p->x > 0 && p->x < 1 && p->y > 0 && p->y < 1)) return {};

    const auto curve = CurveFor(nclx.transfer_characteristics);
    if (!curve) return {};
    cmsToneCurve* aCurves[3] = {curve.get(), curve.get(), curve.get()};
    const std::unique_ptr<void, ProfileCloser> profile(
        cmsCreateRGBProfile(&white, &primaries, aCurves));
    cmsUInt32Number nBytes = 0;
    if (!profile || !cmsSaveProfileToMem(profile.get(), nullptr, &nBytes) || nBytes == 0) return {};
    std::vector<std::uint8_t> vIcc(nBytes);
    if (!cmsSaveProfileToMem(profile.get(), vIcc.data(), &nBytes)) return {};
    return vIcc;
}

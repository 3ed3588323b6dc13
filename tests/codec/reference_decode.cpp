// SPDX-License-Identifier: MIT
#include "codec/reference_decode.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

std::string ImageMagick() {
    // Debian's own binary: a wrapper of the same name may come first on PATH.
    for (const char* psz : {"/usr/bin/convert-im6.q16", "/usr/bin/convert"})
        if (::access(psz, X_OK) == 0) return psz;
    return "convert";
}

bool RunTool(const std::string& strCommand) {
    const std::string strQuiet = strCommand + " >/dev/null 2>&1";
    return std::system(strQuiet.c_str()) == 0;
}

ReferencePicture ReferenceDecode(const std::string& strPath, std::uint32_t rgbBackground,
                                 const std::string& strOptions) {
    char szColour[16];
    std::snprintf(szColour, sizeof szColour, "#%06X", rgbBackground & 0xFFFFFFu);
    const std::string strCommand = ImageMagick() + " '" + strPath + "[0]' -background '" +
                                   szColour + "' -flatten " + strOptions +
                                   " -depth 8 ppm:- 2>/dev/null";
    ReferencePicture picture;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(strCommand.c_str(), "r"), &::pclose);
    if (!pipe) return picture;
    int nMax = 0;
    if (std::fscanf(pipe.get(), "P6 %d %d %d", &picture.nWidth, &picture.nHeight, &nMax) != 3 ||
        nMax != 255 || std::fgetc(pipe.get()) == EOF)
        return {};
    picture.vRgb.resize(std::size_t(picture.nWidth) * picture.nHeight * 3);
    if (std::fread(picture.vRgb.data(), 1, picture.vRgb.size(), pipe.get()) != picture.vRgb.size())
        return {};
    return picture;
}

int MaxByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth, int nHeight) {
    if (!pA || nWidth != b.nWidth || nHeight != b.nHeight) return 255;
    int nMax = 0;
    for (std::size_t i = 0; i < b.vRgb.size(); ++i) nMax = std::max(nMax, std::abs(pA[i] - b.vRgb[i]));
    return nMax;
}

double MeanByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth,
                          int nHeight) {
    if (!pA || nWidth != b.nWidth || nHeight != b.nHeight || b.vRgb.empty()) return 255.0;
    double dSum = 0;
    for (std::size_t i = 0; i < b.vRgb.size(); ++i) dSum += std::abs(pA[i] - b.vRgb[i]);
    return dSum / double(b.vRgb.size());
}

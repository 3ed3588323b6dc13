// SPDX-License-Identifier: MIT
// The bytes as a PNG, GIF, TIFF and WebP file, read by ReadQtPhoto.
#include <string>

#include "codec/photo_reader.h"
#include "fuzz_support.h"
#include "fuzz_targets.h"

namespace {

// The image window's budget; the grid's thumbnails ask for their square.
constexpr std::uint64_t kViewBudget = std::uint64_t(64) << 20;
constexpr std::uint32_t kThumbSide = 97;

void CheckRead(const std::string& strPath, std::uint32_t nMinSide, bool bColorManage) {
    PhotoRequest request;
    request.strPath = strPath;
    request.nMinSide = nMinSide;
    request.nBudget = kViewBudget;
    request.bOrientation = true;
    CodecContext context;
    context.look.bColorManage = bColorManage;
    context.look.rgbBackground = 0x336699;
    PhotoPixels pixels;
    const bool bRead = ReadQtPhoto(request, pixels, context);
    FuzzRequire(pixels.nOrientation >= 1 && pixels.nOrientation <= 8,
                "an orientation is one of the eight");
    if (!bRead) {
        FuzzRequire(!pixels.pPixels, "a failed read hands back no pixels");
        FuzzRequire(pixels.bTooLarge || context.Stopped() || context.messages.size() == 1,
                    "a failed read says why once, unless too large");
        return;
    }
    FuzzRequire(pixels.pPixels && pixels.nWidth > 0 && pixels.nHeight > 0 && pixels.bHeader,
                "a read picture has pixels, a size and a header");
    const std::uint64_t nBytes = std::uint64_t(pixels.nWidth) * pixels.nHeight * 3;
    FuzzRequire(nBytes <= kViewBudget, "the pixels fit the budget");
    volatile std::uint8_t nLast = pixels.pPixels[nBytes - 1];
    (void)nLast;
}

}  // namespace

int FuzzQtPhoto(const std::uint8_t* pData, std::size_t nSize) {
    FuzzScratch scratch;
    // The name does not choose the reader, the content does; so each name
    // takes one of the four reads, keeping a large picture's cost within
    // the fuzzer's bounds.
    const struct {
        const char* pszName;
        std::uint32_t nMinSide;
        bool bColorManage;
    } reads[] = {{"input.png", kThumbSide, false},
                 {"input.gif", 0, true},
                 {"input.tif", kThumbSide, true},
                 {"input.webp", 0, false}};
    for (const auto& read : reads)
        CheckRead(scratch.WriteFile(read.pszName, pData, nSize), read.nMinSide, read.bColorManage);
    return 0;
}

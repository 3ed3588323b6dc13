// SPDX-License-Identifier: MIT
// Camera raw files: the embedded preview read for a thumbnail and for the
// image window. LibRaw tells formats apart by their bytes alone, so one
// name covers every raw extension.
#include <algorithm>
#include <cstdint>

#include "codec/photo_reader.h"
#include "fuzz_support.h"
#include "fuzz_targets.h"

namespace {

// The image window's budget here: a forged preview may claim 65500 × 65500
// pixels, and the fuzzer's bound is 1 GiB.
constexpr std::uint64_t kViewBudget = 64u << 20;

void CheckRead(const PhotoRequest& request) {
    CodecContext context;
    PhotoPixels pixels;
    const bool bRead = ReadRawPhoto(request, pixels, context);
    FuzzRequire(bRead == bool(pixels.pPixels), "a read succeeds exactly when it gives pixels");
    FuzzRequire(pixels.nOrientation >= 1 && pixels.nOrientation <= 8,
                "an orientation is one of the eight");
    FuzzRequire(bRead || pixels.bTooLarge || !context.messages.empty(),
                "a refused raw file says why");
    if (!bRead) return;
    FuzzRequire(pixels.bHeader && pixels.nWidth > 0 && pixels.nHeight > 0 &&
                    pixels.nWidth <= pixels.nFullWidth && pixels.nHeight <= pixels.nFullHeight,
                "a preview's pixels are at most its own size");
    const std::uint64_t nBytes = std::uint64_t(pixels.nWidth) * pixels.nHeight * 3;
    FuzzRequire(nBytes <= request.nBudget, "a preview keeps to its budget");
    volatile std::uint8_t nLast = pixels.pPixels[nBytes - 1];
    (void)nLast;
    if (request.nMinSide > 0 && !request.bView)
        FuzzRequire(std::max(pixels.nWidth, pixels.nHeight) >=
                        std::min(request.nMinSide, std::max(pixels.nFullWidth, pixels.nFullHeight)),
                    "a thumbnail's preview keeps its longer side at least the square's");
}

}  // namespace

int FuzzRawPhoto(const std::uint8_t* pData, std::size_t nSize) {
    FuzzScratch scratch;
    scratch.WriteFile("input.dng", pData, nSize);
    const std::string strPath = scratch.Folder() + "/input.dng";
    CheckRead(PhotoRequest{strPath, 97, kViewBudget, true, false});
    CheckRead(PhotoRequest{strPath, 0, kViewBudget, false, true});
    return 0;
}

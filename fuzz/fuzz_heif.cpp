// SPDX-License-Identifier: MIT
// HEIF and AVIF files: ReadHeifPhoto for a grid thumbnail and for the image window.
#include <cstdint>
#include <string>

#include "codec/photo_reader.h"
#include "fuzz_support.h"
#include "fuzz_targets.h"

namespace {

// What one read gave must keep the reader's promises, whether or not it read.
void CheckRead(bool bRead, const PhotoPixels& pixels, const CodecContext& context) {
    FuzzRequire(pixels.nOrientation == 1, "the container's transforms are applied, never a tag");
    if (!bRead) {
        FuzzRequire(!pixels.pPixels, "a failed read hands back no pixels");
        FuzzRequire(context.messages.size() == (pixels.bTooLarge ? 0u : 1u),
                    "a failed read says one box, unless it was too large");
        return;
    }
    FuzzRequire(context.messages.empty() && !pixels.bTooLarge && pixels.bHeader,
                "a read that succeeds says nothing");
    FuzzRequire(pixels.pPixels && pixels.nWidth > 0 && pixels.nHeight > 0,
                "read pixels have a size");
    // The last byte, so that a buffer shorter than its size shows up under AddressSanitizer.
    const std::uint64_t nBytes = std::uint64_t(pixels.nWidth) * pixels.nHeight * 3;
    volatile std::uint8_t nLast = pixels.pPixels[nBytes - 1];
    (void)nLast;
}

}  // namespace

int FuzzHeifPhoto(const std::uint8_t* pData, std::size_t nSize) {
    FuzzScratch scratch;
    // The reader goes by the content, not the name; each name is read once.
    for (const bool bView : {false, true}) {
        PhotoRequest request;
        request.strPath = scratch.WriteFile(bView ? "input.avif" : "input.heic", pData, nSize);
        request.bView = bView;
        request.nMinSide = bView ? 0 : 97;
        PhotoPixels pixels;
        CodecContext context;
        const bool bRead = ReadHeifPhoto(request, pixels, context);
        CheckRead(bRead, pixels, context);
        if (bRead && bView)
            FuzzRequire(std::uint64_t(pixels.nWidth) * pixels.nHeight <=
                            std::uint64_t(pixels.nFullWidth) * pixels.nFullHeight,
                        "the image window's pixels are no more than the picture's size");
    }
    return 0;
}

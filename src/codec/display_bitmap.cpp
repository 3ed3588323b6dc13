// SPDX-License-Identifier: MIT
// From an image file to the rows the grid draws: size, decoder reduction,
// loading, fitting into the thumbnail square and block averaging.
#include "codec/display_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

#include "codec/bmp_file.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "codec/photo_reader.h"

bool GetImageSize(const ImageItem& item, std::uint32_t& nWidth, std::uint32_t& nHeight) {
    CodecContext context;
    const bool bOk = GetImageSize(item, nWidth, nHeight, context);
    context.ShowAll();
    return bOk;
}

bool GetImageSize(const ImageItem& item, std::uint32_t& nWidth, std::uint32_t& nHeight,
                  CodecContext& context) {
    switch (item.m_nKind) {
        case IMAGE_JPEG:
            return JpegFile::ReadJpegSize(item.m_strPath, nWidth, nHeight, context);
        case IMAGE_BMP: {
            // Only the header: the pixels are read once, by LoadImagePixels,
            // which fails in turn (also without a message) if they are broken.
            return BmpFile::ReadBmpSize(item.m_strPath, nWidth, nHeight, &context);
        }
        default:
            return false;
    }
}

DecodeScale ChooseDecodeScale(const ImageItem& item, int nPitch, int nThumbSize) {
    const std::int64_t nW = item.m_nImageWidth;
    const std::int64_t nH = item.m_nImageHeight;
    if ((nW <= nPitch && nH <= nPitch) || (nW <= nThumbSize && nH <= nThumbSize)) return {1, 1};
    return {nThumbSize,
            static_cast<std::int32_t>(std::min<std::int64_t>(std::max(nW, nH), INT32_MAX))};
}

std::unique_ptr<std::uint8_t[]> LoadImagePixels(const ImageItem& item, std::uint32_t& nWidth,
                                                std::uint32_t& nHeight, std::int32_t nScaleNum,
                                                std::int32_t nScaleDenom) {
    CodecContext context;
    auto pPixels = LoadImagePixels(item, nWidth, nHeight, nScaleNum, nScaleDenom, context);
    context.ShowAll();
    return pPixels;
}

std::unique_ptr<std::uint8_t[]> LoadImagePixels(const ImageItem& item, std::uint32_t& nWidth,
                                                std::uint32_t& nHeight, std::int32_t nScaleNum,
                                                std::int32_t nScaleDenom, CodecContext& context) {
    switch (item.m_nKind) {
        case IMAGE_JPEG:
            return JpegFile::ReadJpegRgb(item.m_strPath, nWidth, nHeight, nScaleNum, nScaleDenom,
                                         context);
        case IMAGE_BMP:
            return BmpFile::ReadBmpBgr(item.m_strPath, nWidth, nHeight, &context);
        default:
            return nullptr;
    }
}

namespace {

// The shorter side scaled like the longer one to nN: in floating point and
// truncated, so it never rounds up past the square. A banner's side would
// truncate to 0, leaving nothing to draw or to write; a side that has pixels
// keeps at least one.
std::uint32_t ScaledShortSide(std::uint32_t nShort, std::uint32_t nLong, std::uint32_t nN) {
    const auto nScaled = static_cast<std::uint32_t>(double(nN) * nShort / nLong);
    return nScaled == 0 && nShort > 0 && nN > 0 ? 1 : nScaled;
}

}  // namespace

bool FitWithinSquare(std::uint32_t nWidth, std::uint32_t nHeight, int nSide,
                     std::uint32_t& nOutWidth, std::uint32_t& nOutHeight) {
    const std::uint32_t nN = static_cast<std::uint32_t>(std::max(nSide, 0));
    if (nWidth <= nN && nHeight <= nN) {
        nOutWidth = nWidth;
        nOutHeight = nHeight;
        return false;
    }
    if (nWidth >= nHeight) {
        nOutWidth = nN;
        nOutHeight = ScaledShortSide(nHeight, nWidth, nN);
    } else {
        nOutWidth = ScaledShortSide(nWidth, nHeight, nN);
        nOutHeight = nN;
    }
    return true;
}

namespace {

// BoxShrink over rows that lie nSrcStep and nDstStep bytes apart, negative
// for rows stored bottom-up; the sizes are checked by the caller.
void ShrinkRows(const std::uint8_t* pSrc, std::ptrdiff_t nSrcStep, std::uint32_t nSrcWidth,
                std::uint32_t nSrcHeight, std::uint8_t* pDst, std::ptrdiff_t nDstStep,
                std::uint32_t nDstWidth, std::uint32_t nDstHeight) {
    // The ratios are kept in single precision on purpose: which source block
    // feeds which pixel follows from that rounding.
    const float fXr = static_cast<float>(double(nSrcWidth) / nDstWidth);
    const float fYr = static_cast<float>(double(nSrcHeight) / nDstHeight);
    const std::uint32_t nB =
        std::min(static_cast<std::uint32_t>(fXr), static_cast<std::uint32_t>(fYr));
    const std::uint64_t nArea = std::uint64_t(nB) * nB;

    // Rounding of the ratio can put the last block one pixel past the edge;
    // such a block is moved back inside.
    std::vector<std::uint32_t> vX0(nDstWidth);
    for (std::uint32_t j = 0; j < nDstWidth; ++j)
        vX0[j] = std::min(static_cast<std::uint32_t>(double(j) * fXr), nSrcWidth - nB);

    for (std::uint32_t i = 0; i < nDstHeight; ++i) {
        const std::uint32_t nY0 =
            std::min(static_cast<std::uint32_t>(double(i) * fYr), nSrcHeight - nB);
        const std::uint8_t* pBlockRow = pSrc + std::ptrdiff_t(nY0) * nSrcStep;
        std::uint8_t* pOut = pDst + std::ptrdiff_t(i) * nDstStep;
        for (std::uint32_t j = 0; j < nDstWidth; ++j, pOut += 3) {
            const std::uint8_t* pBlock = pBlockRow + std::size_t(vX0[j]) * 3;
            if (nB == 1) {
                pOut[0] = pBlock[0];
                pOut[1] = pBlock[1];
                pOut[2] = pBlock[2];
                continue;
            }
            std::uint64_t anSum[3] = {0, 0, 0};
            for (std::uint32_t dy = 0; dy < nB; ++dy) {
                const std::uint8_t* p = pBlock + std::ptrdiff_t(dy) * nSrcStep;
                for (std::uint32_t dx = 0; dx < nB; ++dx, p += 3) {
                    anSum[0] += p[0];
                    anSum[1] += p[1];
                    anSum[2] += p[2];
                }
            }
            for (int c = 0; c < 3; ++c) pOut[c] = static_cast<std::uint8_t>(anSum[c] / nArea);
        }
    }
}

bool ShrinkSizesOk(std::uint32_t nSrcWidth, std::uint32_t nSrcHeight, std::uint32_t nDstWidth,
                   std::uint32_t nDstHeight) {
    return nDstWidth != 0 && nDstHeight != 0 && nDstWidth <= nSrcWidth && nDstHeight <= nSrcHeight;
}

}  // namespace

bool BoxShrink(const std::uint8_t* pSrc, std::uint8_t* pDst, std::uint32_t nSrcWidth,
               std::uint32_t nSrcHeight, std::uint32_t nDstWidth, std::uint32_t nDstHeight) {
    if (!pSrc || !pDst || !ShrinkSizesOk(nSrcWidth, nSrcHeight, nDstWidth, nDstHeight))
        return false;
    ShrinkRows(pSrc, std::ptrdiff_t(nSrcWidth) * 3, nSrcWidth, nSrcHeight, pDst,
               std::ptrdiff_t(nDstWidth) * 3, nDstWidth, nDstHeight);
    return true;
}

std::unique_ptr<std::uint8_t[]> ShrinkDisplayRows(const std::uint8_t* pBits,
                                                  std::uint32_t nSrcWidth, std::uint32_t nSrcHeight,
                                                  std::uint32_t nDstWidth,
                                                  std::uint32_t nDstHeight) {
    std::uint32_t nBytes = 0;
    const std::size_t nSrcStride = DisplayStride(nSrcWidth), nDstStride = DisplayStride(nDstWidth);
    if (!pBits || !ShrinkSizesOk(nSrcWidth, nSrcHeight, nDstWidth, nDstHeight) ||
        !JpegFile::CheckedBufferSize(nDstStride, nDstHeight, nBytes))
        return nullptr;
    // Zeroed, for the padding. Both sets of rows are walked from the top of
    // the picture, the end of the buffer, so the blocks are those BoxShrink
    // takes from the same picture in packed rows.
    std::unique_ptr<std::uint8_t[]> pDst(new (std::nothrow) std::uint8_t[nBytes]());
    if (!pDst) return nullptr;
    ShrinkRows(pBits + (nSrcHeight - 1) * nSrcStride, -std::ptrdiff_t(nSrcStride), nSrcWidth,
               nSrcHeight, pDst.get() + (nDstHeight - 1) * nDstStride, -std::ptrdiff_t(nDstStride),
               nDstWidth, nDstHeight);
    return pDst;
}

std::unique_ptr<std::uint8_t[]> ShrinkToNewBuffer(std::unique_ptr<std::uint8_t[]> pSrc,
                                                  std::uint32_t nSrcWidth, std::uint32_t nSrcHeight,
                                                  std::uint32_t nDstWidth,
                                                  std::uint32_t nDstHeight) {
    std::uint32_t nBytes = 0;
    const std::uint64_t nStride = (std::uint64_t(nDstWidth) * 3 + 3) / 4 * 4;
    if (!JpegFile::CheckedBufferSize(nStride, nDstHeight, nBytes)) return nullptr;
    // Zeroed: what the shrink does not write (nothing, for an empty size) is
    // never shown as stale memory.
    std::unique_ptr<std::uint8_t[]> pDst(new (std::nothrow) std::uint8_t[nBytes]());
    if (!pDst) return nullptr;
    BoxShrink(pSrc.get(), pDst.get(), nSrcWidth, nSrcHeight, nDstWidth, nDstHeight);
    return pDst;
}

int ChooseViewReduction(const ImageItem& item, std::uint64_t nBudget) {
    if (item.m_nKind == IMAGE_JPEG)
        return JpegFile::ChooseViewReduction(item.m_nImageWidth, item.m_nImageHeight, nBudget);
    // The other formats' readers reduce as a JPEG decoder would where they
    // can, within their own smaller budget.
    if (PhotoReaderFor(item.m_nKind))
        return JpegFile::ChooseViewReduction(item.m_nImageWidth, item.m_nImageHeight,
                                             std::min(nBudget, PhotoRequest{}.nBudget));
    // Reading a bitmap file holds Qt's image of it (up to 4 bytes a pixel)
    // and beside it a 32-bit copy or the packed rows: 8 bytes a pixel at most.
    const std::uint64_t nPixels = std::uint64_t(item.m_nImageWidth) * item.m_nImageHeight;
    return item.m_nKind == IMAGE_BMP && nPixels <= nBudget / 8 ? 1 : 0;
}

bool BuildThumbnailBitmap(ImageItem& item, int nPitch, int nThumbSize) {
    return BuildOrientedThumbnail(item, nPitch, nThumbSize, false);
}

bool BuildOrientedThumbnail(ImageItem& item, int nPitch, int nThumbSize, bool bRotateByTag) {
    CodecContext context;
    const bool bOk = BuildOrientedThumbnail(item, nPitch, nThumbSize, bRotateByTag, context);
    context.ShowAll();
    return bOk;
}

namespace {

// What the decode needs to pick its reduction once the header is read.
struct ScalePick {
    ImageItem* pItem;
    int nPitch;
    int nThumbSize;
};

// The full size (upright) and the decoding reduction, into the entry.
void TakeSourceSize(ImageItem& item, std::uint32_t nWidth, std::uint32_t nHeight,
                    int nOrientation, int nPitch, int nThumbSize) {
    item.m_nImageWidth = nWidth;
    item.m_nImageHeight = nHeight;
    if (OrientationSwapsSides(nOrientation)) std::swap(item.m_nImageWidth, item.m_nImageHeight);
    const DecodeScale scale = ChooseDecodeScale(item, nPitch, nThumbSize);
    item.m_nScaleNum = scale.nNum;
    item.m_nScaleDenom = scale.nDenom;
}

// The photo's size, orientation tag and pixels, from one open of its file.
std::unique_ptr<std::uint8_t[]> ReadThumbnailSource(ImageItem& item, int nPitch, int nThumbSize,
                                                    bool bRotateByTag, int& nOrientation,
                                                    std::uint32_t& nWidth, std::uint32_t& nHeight,
                                                    CodecContext& context, bool& bSized) {
    nOrientation = kOrientationAsStored;
    bSized = false;
    if (item.m_nKind == IMAGE_JPEG) {
        ScalePick pick{&item, nPitch, nThumbSize};
        JpegFile::JpegSource source;
        auto pPixels = JpegFile::ReadJpegForThumbnail(
            item.m_strPath, bRotateByTag,
            [](const JpegFile::JpegSource& src, void* pUser, std::int32_t& nNum,
               std::int32_t& nDenom) {
                const ScalePick& p = *static_cast<const ScalePick*>(pUser);
                TakeSourceSize(*p.pItem, src.nWidth, src.nHeight, src.nOrientation, p.nPitch,
                               p.nThumbSize);
                nNum = p.pItem->m_nScaleNum;
                nDenom = p.pItem->m_nScaleDenom;
            },
            &pick, source, nWidth, nHeight, context);
        bSized = source.bHeader;
        nOrientation = source.nOrientation;
        return pPixels;
    }
    if (const PhotoReadFn fnRead = PhotoReaderFor(item.m_nKind)) {
        PhotoRequest request;
        request.strPath = item.m_strPath;
        request.nMinSide = static_cast<std::uint32_t>(std::max(nThumbSize, 1));
        request.bOrientation = bRotateByTag;
        PhotoPixels photo;
        fnRead(request, photo, context);
        bSized = photo.bHeader;
        if (bSized)
            TakeSourceSize(item, photo.nFullWidth, photo.nFullHeight, photo.nOrientation, nPitch,
                           nThumbSize);
        if (photo.bTooLarge)
            SayPhotoTooLarge(context, item.m_strPath, photo.nFullWidth, photo.nFullHeight);
        nOrientation = photo.nOrientation;
        nWidth = photo.nWidth;
        nHeight = photo.nHeight;
        return std::move(photo.pPixels);
    }
    if (item.m_nKind != IMAGE_BMP) return nullptr;
    BmpFile::BmpHeader header;
    auto pPixels = BmpFile::ReadBmpBgr(item.m_strPath, nWidth, nHeight, &context, &header);
    bSized = header.bRead;
    if (bSized)
        TakeSourceSize(item, header.nWidth, header.nHeight, nOrientation, nPitch, nThumbSize);
    return pPixels;
}

}  // namespace

int DeviceSide(int nSide, double dPixelRatio) {
    if (!(dPixelRatio > 1.0)) return nSide;
    // A hair below the exact product, so 103 × 2 stays 206.
    return static_cast<int>(std::min(std::ceil(double(nSide) * dPixelRatio - 1e-9), 1e9));
}

namespace {

// The size a ratio-1 build decodes the upright photo to: the JPEG decoder
// reduces by 1, 2, 4 or 8 and rounds up, a bitmap file is read whole.
void RatioOneDecodeSize(const ImageItem& item, int nPitch, int nThumbSize, std::uint32_t& nWidth,
                        std::uint32_t& nHeight) {
    nWidth = item.m_nImageWidth;
    nHeight = item.m_nImageHeight;
    if (item.m_nKind != IMAGE_JPEG) return;
    const DecodeScale scale = ChooseDecodeScale(item, nPitch, nThumbSize);
    const std::uint64_t r = std::uint64_t(JpegFile::ChooseJpegReduction(scale.nNum, scale.nDenom));
    nWidth = static_cast<std::uint32_t>((nWidth + r - 1) / r);
    nHeight = static_cast<std::uint32_t>((nHeight + r - 1) / r);
}

}  // namespace

// Runs on a worker thread (also on the user-interface thread for the
// single-image window).
bool BuildOrientedThumbnail(ImageItem& item, int nPitch, int nThumbSize, bool bRotateByTag,
                            CodecContext& context, double dPixelRatio) {
    item.m_pBits.reset();
    item.m_nBitsWidth = 0;
    item.m_nBitsHeight = 0;
    const bool bDense = dPixelRatio > 1.0;
    int nOrientation = kOrientationAsStored;
    std::uint32_t nWidth = 0, nHeight = 0;
    bool bSized = false;
    std::unique_ptr<std::uint8_t[]> pPixels = ReadThumbnailSource(
        item, DeviceSide(nPitch, dPixelRatio), DeviceSide(nThumbSize, dPixelRatio), bRotateByTag,
        nOrientation, nWidth, nHeight, context, bSized);
    // A file of the other formats that cannot be read has said why and is
    // shown without a picture: one odd file among a camera's is no reason to
    // stop making the folder's thumbnails.
    if (!pPixels && PhotoReaderFor(item.m_nKind)) return !context.Stopped();
    if (!bSized || !pPixels) return false;
    // Turned after the reduced decode and before the shrink: the turn then
    // costs a pass over a few times the thumbnail's pixels, not the photo's.
    pPixels = OrientPixels(std::move(pPixels), nWidth, nHeight, nOrientation);
    if (!pPixels && OrientationSwapsSides(nOrientation)) std::swap(nWidth, nHeight);

    // The thumbnail's size (cell placement, captions) is the one a ratio-1
    // build gives, whatever the rows hold.
    std::uint32_t nFitWidth = nWidth, nFitHeight = nHeight;
    if (bDense) RatioOneDecodeSize(item, nPitch, nThumbSize, nFitWidth, nFitHeight);
    std::uint32_t nThumbWidth = 0, nThumbHeight = 0;
    bool bReduced = FitWithinSquare(nFitWidth, nFitHeight, nThumbSize, nThumbWidth, nThumbHeight);
    item.m_nThumbWidth = static_cast<std::int32_t>(nThumbWidth);
    item.m_nThumbHeight = static_cast<std::int32_t>(nThumbHeight);
    char szDim[32];
    std::snprintf(szDim, sizeof szDim, "%d x %d", item.m_nThumbWidth, item.m_nThumbHeight);
    item.m_strDim = szDim;
    if (bDense) {
        nThumbWidth = std::min<std::uint32_t>(DeviceSide(int(nThumbWidth), dPixelRatio), nWidth);
        nThumbHeight = std::min<std::uint32_t>(DeviceSide(int(nThumbHeight), dPixelRatio), nHeight);
        bReduced = nThumbWidth != nWidth || nThumbHeight != nHeight;
        item.m_nBitsWidth = static_cast<std::int32_t>(nThumbWidth);
        item.m_nBitsHeight = static_cast<std::int32_t>(nThumbHeight);
    }

    if (bReduced && pPixels)
        pPixels = ShrinkToNewBuffer(std::move(pPixels), nWidth, nHeight, nThumbWidth, nThumbHeight);
    // Without memory for the turn or the shrink the entry is shown without a picture,
    // which is no reason to stop processing the folder.
    if (!pPixels) return true;
    // Every reader but the bitmap file's gives red-green-blue.
    if (item.m_nKind != IMAGE_BMP) JpegFile::SwapRedBlue(pPixels.get(), nThumbWidth, nThumbHeight);
    JpegFile::FlipRowsVertically(pPixels.get(), nThumbWidth * 3, nThumbHeight);
    std::uint32_t nStride = 0;
    item.m_pBits = JpegFile::AlignRowsToDword(pPixels.get(), nThumbWidth, nThumbHeight, nStride);
    return true;
}

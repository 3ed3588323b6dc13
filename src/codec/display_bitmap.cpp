// SPDX-License-Identifier: MIT
// From an image file to the rows the grid draws: size, decoder reduction,
// loading, fitting into the thumbnail square and block averaging.
#include "codec/display_bitmap.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "codec/jpeg_file.h"

namespace {

// Bitmap files are read by Qt's BMP reader and by nothing else: a file named
// ".bmp" that holds another format fails like any unreadable bitmap, rather
// than being decoded by whichever reader happens to recognise its content.
// The file is opened by its byte path, so names that are not valid UTF-8 load
// too.
struct BmpReader {
    QFile file;
    QImageReader reader;

    explicit BmpReader(const std::string& strPath) {
        const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (fd >= 0) ::close(fd);
            return;
        }
        reader.setDevice(&file);
        reader.setFormat("bmp");
        reader.setAutoDetectImageFormat(false);
    }

    // The header's size, if it is a BMP and its pixels fit the 32-bit sizes
    // the codec's buffers use.
    bool HeaderSize(std::uint32_t& nWidth, std::uint32_t& nHeight) {
        if (!file.isOpen() || !reader.canRead()) return false;
        const QSize size = reader.size();
        // Qt passes on the negative height of a top-down file as it stands.
        const std::int64_t nW = size.width(), nH = std::abs(std::int64_t(size.height()));
        std::uint32_t nBytes = 0;
        if (nW <= 0 || nH <= 0 ||
            !JpegFile::CheckedBufferSize(std::uint64_t(nW) * 3, std::uint64_t(nH), nBytes))
            return false;
        nWidth = static_cast<std::uint32_t>(nW);
        nHeight = static_cast<std::uint32_t>(nH);
        return true;
    }
};

// Qt reads 1, 4, 8, 16, 24 and 32 bits, RLE and top-down files alike; every
// one ends up as 32-bit pixels of which blue, green and red are kept.
std::unique_ptr<std::uint8_t[]> LoadBmpPixels(const std::string& strPath, std::uint32_t& nWidth,
                                              std::uint32_t& nHeight) {
    BmpReader bmp(strPath);
    std::uint32_t nHeaderWidth = 0, nHeaderHeight = 0;
    if (!bmp.HeaderSize(nHeaderWidth, nHeaderHeight)) return nullptr;
    // The header passed the size check above, so Qt's own cap on image
    // memory (meant for untrusted sizes) need not refuse a large photo.
    bmp.reader.setAllocationLimit(0);
    QImage image = bmp.reader.read();
    if (image.isNull()) return nullptr;
    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return nullptr;

    const auto nW = static_cast<std::uint32_t>(image.width());
    const auto nH = static_cast<std::uint32_t>(image.height());
    std::uint32_t nBytes = 0;
    if (!JpegFile::CheckedBufferSize(std::uint64_t(nW) * 3, nH, nBytes)) return nullptr;
    std::unique_ptr<std::uint8_t[]> pPixels(new (std::nothrow) std::uint8_t[nBytes]);
    if (!pPixels) return nullptr;
    std::uint8_t* pOut = pPixels.get();
    for (std::uint32_t y = 0; y < nH; ++y) {
        const auto* pLine = reinterpret_cast<const QRgb*>(image.constScanLine(int(y)));
        for (std::uint32_t x = 0; x < nW; ++x, pOut += 3) {
            pOut[0] = static_cast<std::uint8_t>(qBlue(pLine[x]));
            pOut[1] = static_cast<std::uint8_t>(qGreen(pLine[x]));
            pOut[2] = static_cast<std::uint8_t>(qRed(pLine[x]));
        }
    }
    nWidth = nW;
    nHeight = nH;
    return pPixels;
}

}  // namespace

bool GetImageSize(const ImageItem& item, std::uint32_t& nWidth, std::uint32_t& nHeight) {
    switch (item.m_nKind) {
        case IMAGE_JPEG:
            return JpegFile::ReadJpegSize(item.m_strPath, nWidth, nHeight);
        case IMAGE_BMP: {
            // Only the header: the pixels are read once, by LoadImagePixels,
            // which fails in turn (also without a message) if they are broken.
            BmpReader bmp(item.m_strPath);
            return bmp.HeaderSize(nWidth, nHeight);
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
    switch (item.m_nKind) {
        case IMAGE_JPEG:
            return JpegFile::ReadJpegRgb(item.m_strPath, nWidth, nHeight, nScaleNum, nScaleDenom);
        case IMAGE_BMP:
            return LoadBmpPixels(item.m_strPath, nWidth, nHeight);
        default:
            return nullptr;
    }
}

bool FitWithinSquare(std::uint32_t nWidth, std::uint32_t nHeight, int nSide,
                     std::uint32_t& nOutWidth, std::uint32_t& nOutHeight) {
    const std::uint32_t nN = static_cast<std::uint32_t>(std::max(nSide, 0));
    if (nWidth <= nN && nHeight <= nN) {
        nOutWidth = nWidth;
        nOutHeight = nHeight;
        return false;
    }
    // Floating point, truncated: the shorter side never rounds up past the square.
    if (nWidth >= nHeight) {
        nOutWidth = nN;
        nOutHeight = static_cast<std::uint32_t>(double(nN) * nHeight / nWidth);
    } else {
        nOutWidth = static_cast<std::uint32_t>(double(nN) * nWidth / nHeight);
        nOutHeight = nN;
    }
    return true;
}

bool BoxShrink(const std::uint8_t* pSrc, std::uint8_t* pDst, std::uint32_t nSrcWidth,
               std::uint32_t nSrcHeight, std::uint32_t nDstWidth, std::uint32_t nDstHeight) {
    if (!pSrc || !pDst || nDstWidth == 0 || nDstHeight == 0 || nDstWidth > nSrcWidth ||
        nDstHeight > nSrcHeight)
        return false;
    // The ratios are kept in single precision on purpose: which source block
    // feeds which pixel follows from that rounding.
    const float fXr = static_cast<float>(double(nSrcWidth) / nDstWidth);
    const float fYr = static_cast<float>(double(nSrcHeight) / nDstHeight);
    const std::uint32_t nB =
        std::min(static_cast<std::uint32_t>(fXr), static_cast<std::uint32_t>(fYr));
    const std::uint64_t nArea = std::uint64_t(nB) * nB;
    const std::size_t nSrcRow = std::size_t(nSrcWidth) * 3;

    // Rounding of the ratio can put the last block one pixel past the edge;
    // such a block is moved back inside.
    std::vector<std::uint32_t> vX0(nDstWidth);
    for (std::uint32_t j = 0; j < nDstWidth; ++j)
        vX0[j] = std::min(static_cast<std::uint32_t>(double(j) * fXr), nSrcWidth - nB);

    std::uint8_t* pOut = pDst;
    for (std::uint32_t i = 0; i < nDstHeight; ++i) {
        const std::uint32_t nY0 =
            std::min(static_cast<std::uint32_t>(double(i) * fYr), nSrcHeight - nB);
        const std::uint8_t* pBlockRow = pSrc + std::size_t(nY0) * nSrcRow;
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
                const std::uint8_t* p = pBlock + std::size_t(dy) * nSrcRow;
                for (std::uint32_t dx = 0; dx < nB; ++dx, p += 3) {
                    anSum[0] += p[0];
                    anSum[1] += p[1];
                    anSum[2] += p[2];
                }
            }
            for (int c = 0; c < 3; ++c) pOut[c] = static_cast<std::uint8_t>(anSum[c] / nArea);
        }
    }
    return true;
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

// Runs on the processing thread (also on the user-interface thread for the
// single-image window).
bool BuildThumbnailBitmap(ImageItem& item, int nPitch, int nThumbSize) {
    item.m_pBits.reset();
    if (!GetImageSize(item, item.m_nImageWidth, item.m_nImageHeight)) return false;
    const DecodeScale scale = ChooseDecodeScale(item, nPitch, nThumbSize);
    item.m_nScaleNum = scale.nNum;
    item.m_nScaleDenom = scale.nDenom;

    std::uint32_t nWidth = 0, nHeight = 0;
    std::unique_ptr<std::uint8_t[]> pPixels =
        LoadImagePixels(item, nWidth, nHeight, scale.nNum, scale.nDenom);
    if (!pPixels) return false;

    std::uint32_t nThumbWidth = 0, nThumbHeight = 0;
    const bool bReduced = FitWithinSquare(nWidth, nHeight, nThumbSize, nThumbWidth, nThumbHeight);
    item.m_nThumbWidth = static_cast<std::int32_t>(nThumbWidth);
    item.m_nThumbHeight = static_cast<std::int32_t>(nThumbHeight);
    char szDim[32];
    std::snprintf(szDim, sizeof szDim, "%d x %d", item.m_nThumbWidth, item.m_nThumbHeight);
    item.m_strDim = szDim;

    if (bReduced)
        pPixels = ShrinkToNewBuffer(std::move(pPixels), nWidth, nHeight, nThumbWidth, nThumbHeight);
    // Without memory for the shrink the entry is shown without a picture,
    // which is no reason to stop processing the folder.
    if (!pPixels) return true;
    if (item.m_nKind == IMAGE_JPEG) JpegFile::SwapRedBlue(pPixels.get(), nThumbWidth, nThumbHeight);
    JpegFile::FlipRowsVertically(pPixels.get(), nThumbWidth * 3, nThumbHeight);
    std::uint32_t nStride = 0;
    item.m_pBits = JpegFile::AlignRowsToDword(pPixels.get(), nThumbWidth, nThumbHeight, nStride);
    return true;
}

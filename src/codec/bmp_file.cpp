// SPDX-License-Identifier: MIT
// Reading bitmap files through Qt's BMP reader.
#include "codec/bmp_file.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <new>

#include "codec/image_file.h"
#include "codec/jpeg_file.h"

namespace {

// The file is opened by its byte path, so names that are not valid UTF-8
// load too, and only when it is a regular file (see ImageFile).
struct BmpReader {
    QFile file;
    QImageReader reader;

    explicit BmpReader(const std::string& strPath) {
        ImageFile::Descriptor fd = ImageFile::OpenForReading(strPath);
        if (!fd.IsOpen() || !file.open(fd.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return;
        fd.Release();
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

}  // namespace

namespace BmpFile {

bool ReadBmpSize(const std::string& strPath, std::uint32_t& nWidth, std::uint32_t& nHeight) {
    BmpReader bmp(strPath);
    return bmp.HeaderSize(nWidth, nHeight);
}

// Qt reads 1, 4, 8, 16, 24 and 32 bits, RLE and top-down files alike; every
// one ends up as 32-bit pixels of which blue, green and red are kept.
std::unique_ptr<std::uint8_t[]> ReadBmpBgr(const std::string& strPath, std::uint32_t& nWidth,
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

}  // namespace BmpFile

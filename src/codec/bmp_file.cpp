// SPDX-License-Identifier: MIT
// Reading bitmap files through Qt's BMP reader.
#include "codec/bmp_file.h"

#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <mutex>
#include <new>

#include "codec/codec_context.h"
#include "codec/image_file.h"
#include "codec/jpeg_file.h"

namespace {

// The most memory Qt may give one image it reads. 1024 MB holds the largest
// bitmap Qt reads at all (16384 × 16384 at 32 bits a pixel), well beyond a
// camera's photo, while a forged header cannot make the reader take more.
// The limit is QImageReader's and holds for the whole process, so it is set
// once, before the first bitmap is read, and never switched off.
constexpr int kImageMemoryLimitMb = 1024;

void LimitImageMemory() {
    static std::once_flag s_once;
    std::call_once(s_once, [] { QImageReader::setAllocationLimit(kImageMemoryLimitMb); });
}

std::uint32_t LittleEndian(const std::uint8_t* p, int nBytes) {
    std::uint32_t n = 0;
    for (int i = nBytes - 1; i >= 0; --i) n = (n << 8) | p[i];
    return n;
}

// Run-length coded pixels have no fixed size and a real RLE file may be
// tiny (one code can blank the rest of the picture), so their count is
// bounded instead: Qt's image, its 32-bit copy and the packed rows take 8
// bytes a pixel together, and 60 bytes claiming 16384 × 16384 would take
// 2 GB. 32 megapixels is far beyond any real run-length coded bitmap.
constexpr std::uint64_t kMaxCodedPixels = 32u << 20;

// Uncompressed pixels take one padded row per line, so their size follows
// from the header. Qt allocates the whole claimed image before it reads a
// row, which lets a file of a few bytes that claims 16000 × 16000 take
// gigabytes; such a header (or a truncated file) is refused here, from its
// first bytes, as is a coded one claiming more than kMaxCodedPixels.
bool PixelDataFitsFile(int fd, std::uint64_t nFileSize) {
    // File header (14 bytes) and the info header up to its compression field.
    std::uint8_t ab[34] = {};
    const ssize_t nRead = ::pread(fd, ab, sizeof ab, 0);
    if (nRead < 26 || ab[0] != 'B' || ab[1] != 'M') return false;
    const std::uint32_t nDataOffset = LittleEndian(ab + 10, 4);
    const std::uint32_t nInfoSize = LittleEndian(ab + 14, 4);
    std::int64_t nWidth = 0, nHeight = 0;
    std::uint32_t nBits = 0, nCompression = 0;
    if (nInfoSize == 12) {  // the oldest header: 16-bit sizes, never compressed
        nWidth = LittleEndian(ab + 18, 2);
        nHeight = LittleEndian(ab + 20, 2);
        nBits = LittleEndian(ab + 24, 2);
    } else if (nInfoSize >= 16) {
        const std::uint32_t nNeeded = nInfoSize >= 20 ? 34 : 30;
        if (nRead < nNeeded) return false;
        nWidth = static_cast<std::int32_t>(LittleEndian(ab + 18, 4));
        nHeight = static_cast<std::int32_t>(LittleEndian(ab + 22, 4));
        nBits = LittleEndian(ab + 28, 2);
        if (nInfoSize >= 20) nCompression = LittleEndian(ab + 30, 4);
    } else {
        return false;
    }
    // Plain rows (BI_RGB) and rows with colour masks (BI_BITFIELDS,
    // BI_ALPHABITFIELDS) are uncompressed; every other method is not.
    // A top-down file gives its height as a negative number.
    if (nCompression != 0 && nCompression != 3 && nCompression != 6)
        return std::uint64_t(std::abs(nWidth)) * std::uint64_t(std::abs(nHeight)) <= kMaxCodedPixels;
    const std::uint64_t nStride = (std::uint64_t(std::abs(nWidth)) * nBits + 31) / 32 * 4;
    std::uint64_t nPixelBytes = 0, nEnd = 0;
    return !__builtin_mul_overflow(nStride, std::uint64_t(std::abs(nHeight)), &nPixelBytes) &&
           !__builtin_add_overflow(nPixelBytes, std::uint64_t(nDataOffset), &nEnd) &&
           nEnd <= nFileSize;
}

// The file is opened by its byte path, so names that are not valid UTF-8
// load too, and only when it is a regular file (see ImageFile).
struct BmpReader {
    QFile file;
    QImageReader reader;

    explicit BmpReader(const std::string& strPath) {
        LimitImageMemory();
        ImageFile::Descriptor fd = ImageFile::OpenForReading(strPath);
        if (!fd.IsOpen() || !PixelDataFitsFile(fd.Get(), fd.Size()) ||
            !file.open(fd.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
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

bool ReadBmpSize(const std::string& strPath, std::uint32_t& nWidth, std::uint32_t& nHeight,
                 const CodecContext* pContext) {
    if (pContext && pContext->Stopped()) return false;
    BmpReader bmp(strPath);
    return bmp.HeaderSize(nWidth, nHeight);
}

// Qt reads 1, 4, 8, 16, 24 and 32 bits, RLE and top-down files alike; every
// one ends up as 32-bit pixels of which blue, green and red are kept.
std::unique_ptr<std::uint8_t[]> ReadBmpBgr(const std::string& strPath, std::uint32_t& nWidth,
                                           std::uint32_t& nHeight, const CodecContext* pContext,
                                           BmpHeader* pHeader) {
    // Qt's read cannot be interrupted; a stop request is looked at on
    // either side of it.
    const auto stopped = [pContext] { return pContext && pContext->Stopped(); };
    if (stopped()) return nullptr;
    BmpReader bmp(strPath);
    std::uint32_t nHeaderWidth = 0, nHeaderHeight = 0;
    if (!bmp.HeaderSize(nHeaderWidth, nHeaderHeight)) return nullptr;
    if (pHeader) *pHeader = {true, nHeaderWidth, nHeaderHeight};
    QImage image = bmp.reader.read();
    if (image.isNull() || stopped()) return nullptr;
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

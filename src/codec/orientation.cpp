// SPDX-License-Identifier: MIT
// The orientation tag, read through libexif, and the turn it asks for.
#include "codec/orientation.h"

#include <libexif/exif-data.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

#include "codec/image_file.h"
#include "codec/jpeg_file.h"

namespace {

// EXIF lives in an APP1 segment of at most 64 KiB near the file's start,
// after SOI and perhaps a JFIF or another application segment; this much of
// the file always holds it when it is there at all.
constexpr std::size_t kExifSearchBytes = 256 * 1024;

struct ExifDataDeleter {
    void operator()(ExifData* p) const { exif_data_unref(p); }
};

bool IsValidOrientation(int n) { return n >= 1 && n <= 8; }

}  // namespace

int OrientationFromExif(const std::uint8_t* pData, std::size_t nLength) {
    if (!pData || nLength == 0) return kOrientationAsStored;
    std::unique_ptr<ExifData, ExifDataDeleter> pExif(exif_data_new());
    if (!pExif) return kOrientationAsStored;
    // Only read: libexif must not "repair" the block by adding the tags the
    // standard calls mandatory, which would invent an orientation.
    exif_data_unset_option(pExif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(pExif.get(), pData,
                        static_cast<unsigned int>(std::min<std::size_t>(nLength, UINT32_MAX)));
    ExifEntry* pEntry = exif_content_get_entry(pExif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!pEntry || pEntry->format != EXIF_FORMAT_SHORT || pEntry->components != 1 ||
        !pEntry->data || pEntry->size < 2)
        return kOrientationAsStored;
    const int n = exif_get_short(pEntry->data, exif_data_get_byte_order(pExif.get()));
    return IsValidOrientation(n) ? n : kOrientationAsStored;
}

int ReadJpegOrientation(const std::string& strPath) {
    const ImageFile::Descriptor file = ImageFile::OpenForReading(strPath);
    if (!file.IsOpen()) return kOrientationAsStored;
    return ReadOpenJpegOrientation(file.Get(), file.Size());
}

std::vector<std::uint8_t> ReadExifHead(int fd, std::uint64_t nSize) {
    const std::size_t nWant =
        static_cast<std::size_t>(std::min<std::uint64_t>(nSize, kExifSearchBytes));
    std::vector<std::uint8_t> vBytes(nWant);
    std::size_t nHave = 0;
    while (nHave < nWant) {
        const ssize_t n = ::pread(fd, vBytes.data() + nHave, nWant - nHave, off_t(nHave));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        nHave += std::size_t(n);
    }
    vBytes.resize(nHave);
    return vBytes;
}

int ReadOpenJpegOrientation(int fd, std::uint64_t nSize) {
    const std::vector<std::uint8_t> vBytes = ReadExifHead(fd, nSize);
    return OrientationFromExif(vBytes.data(), vBytes.size());
}

int ReadOrientation(const ImageItem& item) {
    // Bitmap files carry no such tag.
    return item.m_nKind == IMAGE_JPEG ? ReadJpegOrientation(item.m_strPath) : kOrientationAsStored;
}

std::unique_ptr<std::uint8_t[]> OrientPixels(std::unique_ptr<std::uint8_t[]> pSrc,
                                             std::uint32_t& nWidth, std::uint32_t& nHeight,
                                             int nOrientation) {
    if (!pSrc || nOrientation == kOrientationAsStored || !IsValidOrientation(nOrientation))
        return pSrc;
    const std::uint32_t nW = nWidth, nH = nHeight;
    const bool bSwap = OrientationSwapsSides(nOrientation);
    const std::uint32_t nOutW = bSwap ? nH : nW;
    const std::uint32_t nOutH = bSwap ? nW : nH;
    std::uint32_t nBytes = 0;
    if (!JpegFile::CheckedBufferSize(std::uint64_t(nW) * 3, nH, nBytes)) return nullptr;
    std::unique_ptr<std::uint8_t[]> pDst(new (std::nothrow) std::uint8_t[nBytes]);
    if (!pDst) return nullptr;

    // Where the upright pixel (x, y) comes from in the stored image. Along an
    // upright row the source moves by a fixed step, so a row needs its start
    // and that step only.
    const auto source = [&](std::int64_t x, std::int64_t y) -> std::int64_t {
        std::int64_t sx = x, sy = y;
        switch (nOrientation) {
            case 2:  // mirrored left to right
                sx = nW - 1 - x;
                break;
            case 3:  // upside down
                sx = nW - 1 - x;
                sy = nH - 1 - y;
                break;
            case 4:  // mirrored top to bottom
                sy = nH - 1 - y;
                break;
            case 5:  // mirrored along the diagonal from the top left
                sx = y;
                sy = x;
                break;
            case 6:  // stored a quarter turn left: turned right
                sx = y;
                sy = nH - 1 - x;
                break;
            case 7:  // mirrored along the other diagonal
                sx = nW - 1 - y;
                sy = nH - 1 - x;
                break;
            case 8:  // stored a quarter turn right: turned left
                sx = nW - 1 - y;
                sy = x;
                break;
        }
        return (sy * std::int64_t(nW) + sx) * 3;
    };
    // In square tiles: a quarter turn reads the source down its columns, and
    // a tile's columns stay in the cache while the tile is written.
    constexpr std::uint32_t kTile = 64;
    const std::uint8_t* pIn = pSrc.get();
    for (std::uint32_t y0 = 0; y0 < nOutH; y0 += kTile) {
        const std::uint32_t yEnd = std::min(y0 + kTile, nOutH);
        for (std::uint32_t x0 = 0; x0 < nOutW; x0 += kTile) {
            const std::uint32_t xEnd = std::min(x0 + kTile, nOutW);
            for (std::uint32_t y = y0; y < yEnd; ++y) {
                const std::int64_t nStep = nOutW > 1 ? source(1, y) - source(0, y) : 0;
                std::int64_t nAt = source(x0, y);
                std::uint8_t* pOut = pDst.get() + (std::size_t(y) * nOutW + x0) * 3;
                for (std::uint32_t x = x0; x < xEnd; ++x, nAt += nStep, pOut += 3) {
                    const std::uint8_t* p = pIn + nAt;
                    pOut[0] = p[0];
                    pOut[1] = p[1];
                    pOut[2] = p[2];
                }
            }
        }
    }
    nWidth = nOutW;
    nHeight = nOutH;
    return pDst;
}

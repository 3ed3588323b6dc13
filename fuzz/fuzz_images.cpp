// SPDX-License-Identifier: MIT
// Image files: the JPEG and bitmap readers and the thumbnail-file writer.
#include <algorithm>
#include <cstdint>
#include <string>

#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "fuzz_support.h"
#include "fuzz_targets.h"
#include "publish/thumb_writer.h"

namespace {

// The grid's default cell and the thumbnail drawn in it.
constexpr int kGridPitch = 100;
constexpr int kGridThumbSize = 97;

// A decode at a given reduction fills a buffer of the size the header
// claims, however little data follows it: truncated files still show what
// they hold, so a picture claiming 65000 × 65000 pixels gets its full-size
// buffer by design. Reductions whose buffer would pass this budget are left
// out, as is any that would redo the thumbnail's work on such a picture;
// the grid's own road (the thumbnail) is always taken.
constexpr std::uint64_t kDecodeBudget = 64u << 20;

ImageItem MakeItem(const std::string& strFolder, const std::string& strName,
                   const std::string& strExt, ImageKind nKind) {
    ImageItem item;
    item.m_nKind = nKind;
    item.m_strFolder = strFolder;
    item.m_strName = strName;
    item.m_strExt = strExt;
    item.m_strPath = strFolder + "/" + strName + strExt;
    return item;
}

// Reads the last byte of a buffer the reader says it made, so that a buffer
// shorter than its stated size shows up under AddressSanitizer.
std::uint8_t LastByte(const std::uint8_t* pBuffer, std::uint64_t nBytes) {
    FuzzRequire(nBytes > 0, "a buffer has pixels");
    return pBuffer[nBytes - 1];
}

// The grid thumbnail of an entry: when made, it fits the square and holds
// display rows of its size. A side may be 0: the rule truncates the shorter
// side, so a picture thinner than one pixel in a hundred has an empty
// thumbnail, drawn as nothing.
void CheckThumbnail(ImageItem& item, int nPitch, int nThumbSize, bool bRotateByTag = false) {
    if (!BuildOrientedThumbnail(item, nPitch, nThumbSize, bRotateByTag)) return;
    FuzzRequire(item.m_nImageWidth > 0 && item.m_nImageHeight > 0, "a thumbnail's image has a size");
    FuzzRequire(item.m_nThumbWidth >= 0 && item.m_nThumbHeight >= 0 &&
                    item.m_nThumbWidth <= std::max(nThumbSize, 1) &&
                    item.m_nThumbHeight <= std::max(nThumbSize, 1),
                "a thumbnail fits its square");
    if (item.m_nThumbWidth == 0 || item.m_nThumbHeight == 0 || !item.m_pBits) return;
    volatile std::uint8_t nLast =
        LastByte(item.m_pBits.get(), std::uint64_t(DisplayStride(item.m_nThumbWidth)) *
                                         std::uint64_t(item.m_nThumbHeight));
    (void)nLast;
}

// Pixels a reader handed back: a size, and as many bytes as it says.
void CheckPixels(const std::uint8_t* pPixels, std::uint32_t nWidth, std::uint32_t nHeight) {
    FuzzRequire(nWidth > 0 && nHeight > 0, "decoded pixels have a size");
    volatile std::uint8_t nLast = LastByte(pPixels, std::uint64_t(nWidth) * nHeight * 3);
    (void)nLast;
}

}  // namespace

int FuzzJpegFile(const std::uint8_t* pData, std::size_t nSize) {
    FuzzScratch scratch;
    scratch.WriteFile("input.jpg", pData, nSize);
    const std::string strPath = scratch.Folder() + "/input.jpg";

    std::uint32_t nWidth = 0, nHeight = 0;
    const bool bSize = ReadJpegSize(strPath, nWidth, nHeight);
    for (const int nDenom : {1, 2, 4, 8}) {
        if (bSize && std::uint64_t((nWidth + nDenom - 1) / nDenom) * ((nHeight + nDenom - 1) / nDenom) *
                             3 > kDecodeBudget)
            continue;
        std::uint32_t nOutWidth = 0, nOutHeight = 0;
        const auto pPixels = ReadJpegRgb(strPath, nOutWidth, nOutHeight, 1, nDenom);
        if (!pPixels) continue;
        CheckPixels(pPixels.get(), nOutWidth, nOutHeight);
        FuzzRequire(bSize, "a decodable JPEG has a readable header");
        FuzzRequire(nOutWidth == (nWidth + nDenom - 1) / nDenom &&
                        nOutHeight == (nHeight + nDenom - 1) / nDenom,
                    "a reduced JPEG has the reduced size of its header");
    }
    ImageItem item = MakeItem(scratch.Folder(), "input", ".jpg", IMAGE_JPEG);
    CheckThumbnail(item, kGridPitch, kGridThumbSize);
    // The EXIF block is read only when photos are turned upright.
    const int nOrientation = ReadJpegOrientation(strPath);
    FuzzRequire(nOrientation >= 1 && nOrientation <= 8, "an orientation is one of the eight");
    ImageItem upright = MakeItem(scratch.Folder(), "input", ".jpg", IMAGE_JPEG);
    CheckThumbnail(upright, kGridPitch, kGridThumbSize, true);
    return 0;
}

int FuzzBmpFile(const std::uint8_t* pData, std::size_t nSize) {
    FuzzScratch scratch;
    scratch.WriteFile("input.bmp", pData, nSize);
    ImageItem item = MakeItem(scratch.Folder(), "input", ".bmp", IMAGE_BMP);

    std::uint32_t nWidth = 0, nHeight = 0;
    const bool bSize = GetImageSize(item, nWidth, nHeight);
    std::uint32_t nOutWidth = 0, nOutHeight = 0;
    const auto pPixels = LoadImagePixels(item, nOutWidth, nOutHeight, 1, 1);
    if (pPixels) {
        CheckPixels(pPixels.get(), nOutWidth, nOutHeight);
        FuzzRequire(bSize && nOutWidth == nWidth && nOutHeight == nHeight,
                    "bitmap pixels have the size of their header");
    }
    CheckThumbnail(item, kGridPitch, kGridThumbSize);
    return 0;
}

int FuzzThumbWriter(const std::uint8_t* pData, std::size_t nSize) {
    FuzzBytes bytes(pData, nSize);
    const bool bBmp = bytes.Flag();
    // Limits from the whole range of an int's low bits: the writer must
    // cope with those the sheet would refuse too.
    const int nPitch = static_cast<int>(bytes.Word() % 600);
    const int nSizeLimit = static_cast<int>(bytes.Word());
    const int nQuality = static_cast<int>(bytes.Byte());
    const auto nNaming = static_cast<ThumbNaming>(bytes.Byte() % 3);
    // Suffix and prefix as typed in the sheet: one line of text, no "/".
    std::string strSuffix = bytes.Text(16);
    std::string strPrefix = bytes.Text(16);
    for (std::string* pText : {&strSuffix, &strPrefix})
        std::replace(pText->begin(), pText->end(), '/', '_');
    const std::string strSource = bytes.Rest();

    FuzzScratch scratch;
    const std::string strExt = bBmp ? ".bmp" : ".jpg";
    const std::string strPhotos = scratch.MakeFolder("photos");
    const std::string strOut = scratch.MakeFolder("thumbs");
    ImageItem item = MakeItem(strPhotos, "photo", strExt, bBmp ? IMAGE_BMP : IMAGE_JPEG);
    scratch.WriteFile("photos/photo" + strExt, strSource.data(), strSource.size());
    // The writer starts from an entry the grid has read.
    if (!BuildThumbnailBitmap(item, nPitch, nPitch - 3)) return 0;

    if (!MakeOneThumb(item, nSizeLimit, nNaming, strOut, strSuffix, strPrefix, nQuality, nPitch))
        return 0;
    const std::string strName = ThumbFileName(item, nNaming, strSuffix, strPrefix);
    FuzzRequire(item.m_strThumbFileName == strName && item.m_strThumbFilePath == strOut + "/" + strName,
                "the thumbnail file is named by the rule");
    // The file is a JPEG of the size the entry records, within the limit.
    std::uint32_t nWidth = 0, nHeight = 0;
    FuzzRequire(ReadJpegSize(item.m_strThumbFilePath, nWidth, nHeight),
                "a written thumbnail file reads back");
    FuzzRequire(std::int64_t(nWidth) == item.m_nThumbFileWidth &&
                    std::int64_t(nHeight) == item.m_nThumbFileHeight,
                "the thumbnail file has the recorded size");
    FuzzRequire(nWidth <= std::uint32_t(std::max(nSizeLimit, 1)) &&
                    nHeight <= std::uint32_t(std::max(nSizeLimit, 1)),
                "the thumbnail file fits the limit");
    return 0;
}

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The reader a file goes to. The last three are found only when the user
// asks for the other formats: PNG, GIF, TIFF and WebP through Qt's image
// readers, HEIF and AVIF through libheif, camera raw files through LibRaw.
enum ImageKind : std::int32_t {
    IMAGE_UNKNOWN = 0,
    IMAGE_BMP = 1,
    IMAGE_JPEG = 2,
    IMAGE_QIMAGE = 3,
    IMAGE_HEIF = 4,
    IMAGE_RAW = 5,
};

// A grid cell in document coordinates; right and bottom are exclusive.
struct CellRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// Bytes per row of a display bitmap: 3 bytes a pixel, rounded up to 4.
inline std::uint32_t DisplayStride(std::uint32_t width) { return ((width * 24 + 31) / 32) * 4; }

// One image file of the catalogue. Created by the searching thread, owned by
// the catalogue list.
struct ImageItem {
    std::int32_t m_nKind = IMAGE_UNKNOWN;
    // Display rows: bottom-up, blue-green-red, each row DisplayStride(width) bytes.
    std::unique_ptr<std::uint8_t[]> m_pBits;
    // The pixels were given back to save memory and can be made again
    // (ThumbResidency); the thumbnail's other fields still hold.
    bool m_bBitsReleased = false;
    std::uint32_t m_nImageWidth = 0;
    std::uint32_t m_nImageHeight = 0;
    std::int32_t m_nThumbWidth = 0;
    std::int32_t m_nThumbHeight = 0;
    // On a screen with several device pixels to a pixel m_pBits holds more
    // pixels than the thumbnail covers: their size. 0 when the rows are
    // m_nThumbWidth × m_nThumbHeight.
    std::int32_t m_nBitsWidth = 0;
    std::int32_t m_nBitsHeight = 0;
    std::int32_t m_nThumbFileWidth = 0;
    std::int32_t m_nThumbFileHeight = 0;
    std::int32_t m_nScaleNum = 0;
    std::int32_t m_nScaleDenom = 0;
    CellRect m_rcCell;
    // Last-write time as 100-ns ticks since 1601-01-01 UTC (the date sort).
    std::uint64_t m_ftModified = 0;
    std::uint16_t m_wMonth = 0;
    std::uint16_t m_wDay = 0;
    std::uint16_t m_wYear = 0;
    std::uint16_t m_wHour = 0;
    std::uint16_t m_wMinute = 0;
    std::uint32_t m_dwSize = 0;  // low 32 bits of the size
    // The whole size: captions and sorting use it so a file of 2 GiB or more
    // neither shows a negative size nor sorts among the small ones.
    std::uint64_t m_nFileSize = 0;
    std::string m_strPath;
    std::string m_strFolder;
    std::string m_strName;
    std::string m_strExt;
    std::string m_strDate;
    std::string m_strSize;
    std::string m_strDim;
    std::string m_strThumbFilePath;
    std::string m_strThumbFileName;

    int BitsWidth() const { return m_nBitsWidth > 0 ? m_nBitsWidth : m_nThumbWidth; }
    int BitsHeight() const { return m_nBitsHeight > 0 ? m_nBitsHeight : m_nThumbHeight; }
};

// The catalogue in display order. Entries are heap objects so that a pointer
// to one (the selection) stays valid while others come and go.
using ImageList = std::vector<std::unique_ptr<ImageItem>>;

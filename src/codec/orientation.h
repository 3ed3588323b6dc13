// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/image_item.h"

// The EXIF "Orientation" tag: how the stored rows of a photo are to be turned
// to stand upright. 1 is as stored; 2 to 8 mirror and turn in every
// combination, and 5 to 8 exchange width and height.
inline constexpr int kOrientationAsStored = 1;

// The tag a JPEG file carries in its EXIF block (IFD0). Any other kind of
// file, a missing, broken or odd block, or a value outside 1 to 8 is 1: such
// a photo is shown as stored, and nothing is said about it.
int ReadOrientation(const ImageItem& item);
int ReadJpegOrientation(const std::string& strPath);
// The same from a file already open (nSize bytes long), read with pread so
// the descriptor's position is left where it was.
int ReadOpenJpegOrientation(int fd, std::uint64_t nSize);
// The beginning of an open file that holds its EXIF block when it has one.
std::vector<std::uint8_t> ReadExifHead(int fd, std::uint64_t nSize);

// The same for the bytes of a JPEG file's beginning (SOI and its markers) or
// of an APP1 payload that starts with "Exif".
int OrientationFromExif(const std::uint8_t* pData, std::size_t nLength);

inline bool OrientationSwapsSides(int nOrientation) {
    return nOrientation >= 5 && nOrientation <= 8;
}

// A packed 3-byte-a-pixel image (top-down rows, no padding) turned upright
// for the tag; nWidth and nHeight become the upright size. The source comes
// back unchanged for 1 or an unknown value; null when the new buffer cannot
// be allocated (the source is released either way).
std::unique_ptr<std::uint8_t[]> OrientPixels(std::unique_ptr<std::uint8_t[]> pSrc,
                                             std::uint32_t& nWidth, std::uint32_t& nHeight,
                                             int nOrientation);

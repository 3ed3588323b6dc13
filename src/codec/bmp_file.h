// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Bitmap files, read by Qt's BMP reader and by nothing else: a file named
// ".bmp" that holds another format fails like any unreadable bitmap, rather
// than being decoded by whichever reader happens to recognise its content.
// Every failure is quiet: null or false, no message box. A stop request of
// the calling thread (decode_abort.h) fails reads too.
namespace BmpFile {

// The full size from the header, without reading the pixels; the outputs
// stay untouched on failure.
bool ReadBmpSize(const std::string& strPath, std::uint32_t& nWidth, std::uint32_t& nHeight);

// A new packed buffer of blue-green-red rows, top-down, full size. nWidth and
// nHeight are written only on success.
std::unique_ptr<std::uint8_t[]> ReadBmpBgr(const std::string& strPath, std::uint32_t& nWidth,
                                           std::uint32_t& nHeight);

}  // namespace BmpFile

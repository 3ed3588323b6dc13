// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct CodecContext;

// Bitmap files, read by Qt's BMP reader and by nothing else: a file named
// ".bmp" that holds another format fails like any unreadable bitmap, rather
// than being decoded by whichever reader happens to recognise its content.
// Every failure is quiet: null or false, no message box. The stop request of
// the context, when one is given, fails reads too.
namespace BmpFile {

// The full size from the header, without reading the pixels; the outputs
// stay untouched on failure.
bool ReadBmpSize(const std::string& strPath, std::uint32_t& nWidth, std::uint32_t& nHeight,
                 const CodecContext* pContext = nullptr);

// What the header of a file read by ReadBmpBgr said, even when its pixels
// then failed: the size ReadBmpSize gives.
struct BmpHeader {
    bool bRead = false;
    std::uint32_t nWidth = 0, nHeight = 0;
};

// A new packed buffer of blue-green-red rows, top-down, full size. nWidth and
// nHeight are written only on success. The header and the pixels come from
// one open of the file.
std::unique_ptr<std::uint8_t[]> ReadBmpBgr(const std::string& strPath, std::uint32_t& nWidth,
                                           std::uint32_t& nHeight,
                                           const CodecContext* pContext = nullptr,
                                           BmpHeader* pHeader = nullptr);

}  // namespace BmpFile

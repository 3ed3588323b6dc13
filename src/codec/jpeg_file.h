// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The program's thin layer over libjpeg. A packed buffer is rows top-down,
// 3 bytes a pixel, no row padding. Every call keeps its library objects and
// error state to itself, so calls on different threads may overlap. Failures
// are shown in message boxes from the calling thread and reported to the
// caller as null or false; nothing of a failed call is left behind. A stop
// request of the calling thread (decode_abort.h) fails reads quietly.
namespace JpegFile {

// Decodes a file into a packed red-green-blue buffer, reduced by the DCT
// scaling to 1/1, 1/2, 1/4 or 1/8: the strongest of those that is still at
// least nScaleNum/nScaleDenom of the full size (sizes rounded up). Greyscale
// comes back as equal triples, CMYK converted to RGB. nWidth and nHeight are
// 0 until the buffer exists, then the decoded size.
std::unique_ptr<std::uint8_t[]> ReadJpegRgb(std::string strPath, std::uint32_t& nWidth,
                                            std::uint32_t& nHeight, std::int32_t nScaleNum,
                                            std::int32_t nScaleDenom);

// What a decode for viewing tells besides the rows.
struct ViewRows {
    std::uint32_t nWidth = 0, nHeight = 0;          // the rows: upright and reduced
    std::uint32_t nFullWidth = 0, nFullHeight = 0;  // the picture's own size, upright
    bool bTooLarge = false;  // no reduction fits the budget: nothing was allocated
};

// Decodes a file straight into display rows: bottom-up, blue-green-red, each
// row padded with zeros to a multiple of 4 bytes, turned upright for the
// orientation tag's value, at the least reduction whose rows take at most
// nBudget bytes (ChooseViewReduction). The pixels are those ReadJpegRgb gives
// at that reduction, turned into display rows. A picture too large even at
// 1/8 gives null without a box.
std::unique_ptr<std::uint8_t[]> ReadJpegDisplayRows(std::string strPath, int nOrientation,
                                                    std::uint64_t nBudget, ViewRows& rows);

// The least of the reductions 1, 2, 4 and 8 at which display rows of a
// picture of this size (rounded up, as the decoder rounds) take at most
// nBudget bytes; 0 when even 1/8 takes more.
int ChooseViewReduction(std::uint32_t nWidth, std::uint32_t nHeight, std::uint64_t nBudget);

// The full size from the header, without decoding; the outputs stay untouched
// on failure.
bool ReadJpegSize(std::string strPath, std::uint32_t& nWidth, std::uint32_t& nHeight);

// Encodes a packed red-green-blue buffer (only read) as a baseline JPEG at the
// given quality. The file appears, or replaces an existing one, only once it
// is complete: a failed write leaves whatever was at the path untouched.
bool WriteJpegFile(std::string strPath, const std::uint8_t* pBuffer, std::uint32_t nWidth,
                   std::uint32_t nHeight, int nQuality);

// The box WriteJpegFile shows when its file cannot be created or put in
// place, nError being why; a writer that puts the file in place itself
// later shows the same.
void ShowWriteFailed(const std::string& strPath, int nError);

// The captions of the library's own texts: a fatal error ends the call, a
// warning (corrupt or truncated data) lets decoding go on.
inline constexpr const char* kJpegFatalCaption = "JPEG Fatal Error";
inline constexpr const char* kJpegWarningCaption = "JPEG Library Error";

// Exchanges byte 0 and byte 2 of every 3-byte pixel, in place.
bool SwapRedBlue(std::uint8_t* pBuffer, std::uint32_t nWidth, std::uint32_t nHeight);

// Reverses the order of the rows, in place.
bool FlipRowsVertically(std::uint8_t* pBuffer, std::uint32_t nRowBytes, std::uint32_t nHeight);

// Copies packed rows into a new buffer whose rows are padded to a multiple of
// 4 bytes (the padding is zero); nStride is written only on success.
std::unique_ptr<std::uint8_t[]> AlignRowsToDword(const std::uint8_t* pBuffer, std::uint32_t nWidth,
                                                 std::uint32_t nHeight, std::uint32_t& nStride);

// The reduction libjpeg is asked for: 1, 2, 4 or 8, the denominator of 1/n.
// The library could reduce in finer steps; thumbnails and the sizes shown to
// the user rely on these four.
int ChooseJpegReduction(std::int32_t nScaleNum, std::int32_t nScaleDenom);

// nRowBytes × nHeight when the product fits the 32-bit sizes the codec works
// with; false otherwise, which callers treat as an allocation that cannot be
// made. Keeps a forged header from overflowing a size computation.
bool CheckedBufferSize(std::uint64_t nRowBytes, std::uint64_t nHeight, std::uint32_t& nBytes);

}  // namespace JpegFile

// The operations are the program's vocabulary for JPEG files and are called
// unqualified as well.
using JpegFile::AlignRowsToDword;
using JpegFile::FlipRowsVertically;
using JpegFile::ReadJpegRgb;
using JpegFile::ReadJpegSize;
using JpegFile::SwapRedBlue;
using JpegFile::WriteJpegFile;

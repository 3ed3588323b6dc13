// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "codec/codec_context.h"

// The program's thin layer over libjpeg. A packed buffer is rows top-down,
// 3 bytes a pixel, no row padding. Every call keeps its library objects and
// error state to itself, so calls on different threads may overlap. Failures
// are reported to the caller as null or false, and their boxes are said in
// the call's context (codec_context.h); nothing of a failed call is left
// behind. The context's stop request fails reads quietly. Each call without
// a context shows its boxes itself, on the calling thread, once it is done.
namespace JpegFile {

// Decodes a file into a packed red-green-blue buffer, reduced by the DCT
// scaling to 1/1, 1/2, 1/4 or 1/8: the strongest of those that is still at
// least nScaleNum/nScaleDenom of the full size (sizes rounded up). Greyscale
// comes back as equal triples, CMYK converted to RGB. nWidth and nHeight are
// 0 until the buffer exists, then the decoded size.
std::unique_ptr<std::uint8_t[]> ReadJpegRgb(std::string strPath, std::uint32_t& nWidth,
                                            std::uint32_t& nHeight, std::int32_t nScaleNum,
                                            std::int32_t nScaleDenom);
std::unique_ptr<std::uint8_t[]> ReadJpegRgb(const std::string& strPath, std::uint32_t& nWidth,
                                            std::uint32_t& nHeight, std::int32_t nScaleNum,
                                            std::int32_t nScaleDenom, CodecContext& context);

// What a thumbnail's decode learns before the pixels: the header's size, as
// stored, and the orientation tag (kOrientationAsStored when not asked for).
struct JpegSource {
    std::uint32_t nWidth = 0, nHeight = 0;
    int nOrientation = 1;
    bool bHeader = false;  // the header was read: the size is the file's
};
// Picks the reduction (as nScaleNum / nScaleDenom) once the source is known.
using PickScale = void (*)(const JpegSource& source, void* pUser, std::int32_t& nScaleNum,
                           std::int32_t& nScaleDenom);

// ReadJpegSize, ReadJpegOrientation (when bOrientation) and ReadJpegRgb at the
// scale fnPick chooses, from one open of the file: a file replaced meanwhile
// cannot lend one its size and another its pixels. It says exactly the boxes
// the three calls in turn would say.
std::unique_ptr<std::uint8_t[]> ReadJpegForThumbnail(const std::string& strPath,
                                                     bool bOrientation, PickScale fnPick,
                                                     void* pUser, JpegSource& source,
                                                     std::uint32_t& nWidth,
                                                     std::uint32_t& nHeight,
                                                     CodecContext& context);

// A JPEG held in memory (a raw file's embedded preview), decoded as
// ReadJpegForThumbnail decodes a file, with the same boxes and stop request,
// but without an orientation tag. With nBudget (bytes), a reduction whose
// rows, padded as display rows, would take more is made stronger; when even
// 1/8 does, bTooLarge is set and nothing is allocated or said.
std::unique_ptr<std::uint8_t[]> ReadJpegMemoryRgb(const std::uint8_t* pData, std::size_t nData,
                                                  PickScale fnPick, void* pUser,
                                                  std::uint64_t nBudget, JpegSource& source,
                                                  bool& bTooLarge, std::uint32_t& nWidth,
                                                  std::uint32_t& nHeight, CodecContext& context);

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
std::unique_ptr<std::uint8_t[]> ReadJpegDisplayRows(const std::string& strPath, int nOrientation,
                                                    std::uint64_t nBudget, ViewRows& rows,
                                                    CodecContext& context);

// The least of the reductions 1, 2, 4 and 8 at which display rows of a
// picture of this size (rounded up, as the decoder rounds) take at most
// nBudget bytes; 0 when even 1/8 takes more.
int ChooseViewReduction(std::uint32_t nWidth, std::uint32_t nHeight, std::uint64_t nBudget);

// The full size from the header, without decoding; the outputs stay untouched
// on failure.
bool ReadJpegSize(std::string strPath, std::uint32_t& nWidth, std::uint32_t& nHeight);
bool ReadJpegSize(const std::string& strPath, std::uint32_t& nWidth, std::uint32_t& nHeight,
                  CodecContext& context);

// Encodes a packed red-green-blue buffer (only read) as a baseline JPEG at the
// given quality. The file appears, or replaces an existing one, only once it
// is complete: a failed write leaves whatever was at the path untouched.
bool WriteJpegFile(std::string strPath, const std::uint8_t* pBuffer, std::uint32_t nWidth,
                   std::uint32_t nHeight, int nQuality);
// With the context's deferred list, the file waits there to be put in place.
bool WriteJpegFile(const std::string& strPath, const std::uint8_t* pBuffer,
                   std::uint32_t nWidth, std::uint32_t nHeight, int nQuality,
                   CodecContext& context);

// The box WriteJpegFile says when its file cannot be created or put in
// place, nError being why; a writer that puts the file in place itself
// later says the same.
void SayWriteFailed(CodecContext& context, const std::string& strPath, int nError);

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

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>

#include "codec/codec_context.h"
#include "model/image_item.h"

// The decoder reduction asked for one image: nNum / nDenom of the full size.
struct DecodeScale {
    std::int32_t nNum = 1;
    std::int32_t nDenom = 1;
};

// The file's full pixel size: the JPEG header, or the bitmap file's header
// when Qt can read that file as a BMP. False for any other kind.
bool GetImageSize(const ImageItem& item, std::uint32_t& nWidth, std::uint32_t& nHeight);
bool GetImageSize(const ImageItem& item, std::uint32_t& nWidth, std::uint32_t& nHeight,
                  CodecContext& context);

// 1/1 when the image fits the grid cell (nPitch) or the thumbnail square
// (nThumbSize); otherwise nThumbSize over the longer side, so the decoder
// does the bulk of the reduction.
DecodeScale ChooseDecodeScale(const ImageItem& item, int nPitch, int nThumbSize);

// A new packed buffer with the image's pixels: red-green-blue for a JPEG
// (reduced by the scale), blue-green-red for a bitmap file (always full size).
// Null when the file cannot be read; a bitmap file fails without a message.
std::unique_ptr<std::uint8_t[]> LoadImagePixels(const ImageItem& item, std::uint32_t& nWidth,
                                                std::uint32_t& nHeight, std::int32_t nScaleNum,
                                                std::int32_t nScaleDenom);
std::unique_ptr<std::uint8_t[]> LoadImagePixels(const ImageItem& item, std::uint32_t& nWidth,
                                                std::uint32_t& nHeight, std::int32_t nScaleNum,
                                                std::int32_t nScaleDenom, CodecContext& context);

// The size fitted into a square of nSide keeping the aspect ratio, the
// shorter side truncated but never below 1 pixel; never enlarged. True when
// it had to be reduced.
bool FitWithinSquare(std::uint32_t nWidth, std::uint32_t nHeight, int nSide,
                     std::uint32_t& nOutWidth, std::uint32_t& nOutHeight);

// Reduces a packed 3-byte-a-pixel image by averaging square blocks (truncated
// mean per byte) into a packed destination. Refuses to enlarge or to write
// an empty image: false when nothing was written.
bool BoxShrink(const std::uint8_t* pSrc, std::uint8_t* pDst, std::uint32_t nSrcWidth,
               std::uint32_t nSrcHeight, std::uint32_t nDstWidth, std::uint32_t nDstHeight);

// BoxShrink into a new buffer (room for display rows of the new size); the
// source is released. Null if the new buffer cannot be allocated.
std::unique_ptr<std::uint8_t[]> ShrinkToNewBuffer(std::unique_ptr<std::uint8_t[]> pSrc,
                                                  std::uint32_t nSrcWidth, std::uint32_t nSrcHeight,
                                                  std::uint32_t nDstWidth,
                                                  std::uint32_t nDstHeight);

// ShrinkToNewBuffer from display rows to display rows (bottom-up, padded to
// 4 bytes): the pixels BoxShrink gives from the same picture. The source is
// only read. Null if the sizes do not shrink or the memory is missing.
std::unique_ptr<std::uint8_t[]> ShrinkDisplayRows(const std::uint8_t* pBits,
                                                  std::uint32_t nSrcWidth, std::uint32_t nSrcHeight,
                                                  std::uint32_t nDstWidth,
                                                  std::uint32_t nDstHeight);

// The most pixel memory the image window spends on one picture: enough for
// a photograph of well over 100 megapixels at its own size.
inline constexpr std::uint64_t kViewPixelBudget = std::uint64_t(512) << 20;

// How far the image window reduces the entry's picture (m_nImageWidth ×
// m_nImageHeight) to spend at most nBudget bytes of pixels on it: 1, 2, 4 or
// 8, or 0 when it cannot. A JPEG is reduced by its decoder and only its
// display rows are held; a bitmap file cannot be reduced, and reading it
// holds up to 8 bytes a pixel.
int ChooseViewReduction(const ImageItem& item, std::uint64_t nBudget);

// Fills the entry's thumbnail fields from its file: full size, decoding
// reduction, display rows of at most nThumbSize pixels a side. False when
// the image cannot be read; the codec's boxes are shown once it is done.
bool BuildThumbnailBitmap(ImageItem& item, int nPitch, int nThumbSize);

// BuildThumbnailBitmap, but with bRotateByTag a JPEG is turned upright by its
// orientation tag: the full size, the display size and the dimension text
// are then the upright ones. Without it, exactly BuildThumbnailBitmap.
bool BuildOrientedThumbnail(ImageItem& item, int nPitch, int nThumbSize, bool bRotateByTag);
// The same with the boxes said in the context instead of shown: the size,
// the tag and the pixels come from one open of the file. Any thread.
// With dPixelRatio above 1 the full size, the thumbnail size and the
// dimension text stay those of ratio 1, while the decode and the rows serve a
// screen with that many device pixels to a pixel: the rows are the thumbnail
// size times the ratio (m_nBitsWidth × m_nBitsHeight), never enlarged.
bool BuildOrientedThumbnail(ImageItem& item, int nPitch, int nThumbSize, bool bRotateByTag,
                            CodecContext& context, double dPixelRatio = 1.0);

// A side of nSide pixels in device pixels, rounded up so nothing is enlarged.
int DeviceSide(int nSide, double dPixelRatio);

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "codec/codec_context.h"

// The readers of the other formats: PNG, GIF, TIFF and WebP (Qt's image
// readers), HEIF and AVIF (libheif) and camera raw files (their embedded
// JPEG preview, through LibRaw and libjpeg). Each reads one file, from one
// open, on any thread, and says its boxes in the context; the look of the
// context decides the background of transparent pixels and whether a colour
// profile is honoured.

// What a read is for.
struct PhotoRequest {
    std::string strPath;
    // The reader may reduce the picture while reading, as long as its longer
    // side stays at least this (or the whole picture, when that is smaller).
    // 0: the whole picture. Thumbnails ask for their square's side.
    std::uint32_t nMinSide = 0;
    // The most bytes the packed pixels may take. A picture that cannot be
    // read within them, even reduced, gives bTooLarge and no pixels.
    std::uint64_t nBudget = std::uint64_t(192) << 20;
    // Read the orientation tag into PhotoPixels::nOrientation.
    bool bOrientation = false;
    // For the image window: a raw file's largest preview and a HEIF file's
    // primary image, never a small embedded thumbnail.
    bool bView = false;
};

// What a read gives.
struct PhotoPixels {
    // Packed red-green-blue rows, top-down, 3 bytes a pixel, as stored
    // (the orientation tag not applied), transparency already put over the
    // look's background.
    std::unique_ptr<std::uint8_t[]> pPixels;
    std::uint32_t nWidth = 0, nHeight = 0;
    // The picture's own size as stored, known once bHeader is set (also when
    // the pixels then fail). For a raw file, the preview's size.
    std::uint32_t nFullWidth = 0, nFullHeight = 0;
    bool bHeader = false;
    // The orientation tag (1 to 8) still to apply; 1 when not asked for.
    int nOrientation = 1;
    // The picture was too large for the budget; nothing was allocated.
    bool bTooLarge = false;
};

// The box a reader says when a file cannot be read: its path and why, in
// the reader's or the library's words.
inline constexpr const char* kPhotoUnreadableText = "Could not read the photo:\n%1\n\n%2";
// Why a raw file is refused.
inline constexpr const char* kRawNoPreviewText = "It holds no preview that Galerio can show.";

// The box about a picture too large for the memory Galerio spends on one:
// its path, width and height.
inline constexpr const char* kPhotoTooLargeText = "%1\nis too large to show: %2 x %3 pixels.";

// Says kPhotoUnreadableText for the file, with strWhy as the reason.
void SayPhotoUnreadable(CodecContext& context, const std::string& strPath, const QString& strWhy);

// Says kPhotoTooLargeText for the file and its size.
void SayPhotoTooLarge(CodecContext& context, const std::string& strPath, std::uint32_t nWidth,
                      std::uint32_t nHeight);

// The reader of a kind, or null for JPEG, BMP and unknown files.
using PhotoReadFn = bool (*)(const PhotoRequest&, PhotoPixels&, CodecContext&);
PhotoReadFn PhotoReaderFor(int nKind);

// The versions of the libraries behind the readers, "heif 1.15.1 raw 0.20.2".
std::string PhotoReaderLibraries();

// PNG, GIF (first frame), TIFF (first page) and WebP.
bool ReadQtPhoto(const PhotoRequest& request, PhotoPixels& pixels, CodecContext& context);
// HEIF/HEIC and AVIF.
bool ReadHeifPhoto(const PhotoRequest& request, PhotoPixels& pixels, CodecContext& context);
// DNG, CR2, CR3, NEF, ARW, ORF, RW2, RAF and PEF: an embedded JPEG preview.
bool ReadRawPhoto(const PhotoRequest& request, PhotoPixels& pixels, CodecContext& context);

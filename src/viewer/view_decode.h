// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/codec_context.h"
#include "model/image_item.h"

// Reads an entry's pixels at a decoder reduction; LoadImagePixels unless a
// test counts or replaces the decoding.
using PixelLoader = std::function<std::unique_ptr<std::uint8_t[]>(
    const ImageItem&, std::uint32_t&, std::uint32_t&, std::int32_t, std::int32_t)>;

// Everything an image window's display bitmap is made from. Two equal
// requests give the same bitmap, so one decoded ahead can stand in; the
// entry's size is only a fallback and does not count.
struct ViewRequest {
    std::string strPath;
    int nKind = IMAGE_UNKNOWN;
    bool bRotateByTag = false;
    bool bFit = false;
    // The client area a fitted bitmap is shrunk to; unused at full size.
    std::uint32_t nClientWidth = 1, nClientHeight = 1;
    // The entry's own size, kept when the file's header cannot be read.
    std::uint32_t nImageWidth = 0, nImageHeight = 0;
    // What transparent pixels are put over (0xRRGGBB): the window's background.
    std::uint32_t rgbBackground = 0xFFFFFF;

    bool operator==(const ViewRequest& other) const {
        return strPath == other.strPath && nKind == other.nKind &&
               rgbBackground == other.rgbBackground &&
               bRotateByTag == other.bRotateByTag && bFit == other.bFit &&
               nClientWidth == other.nClientWidth && nClientHeight == other.nClientHeight;
    }
};

// A window's display rows (bottom-up, blue-green-red, rows padded to 4
// bytes) and the picture's own upright size.
struct ViewBitmap {
    std::unique_ptr<std::uint8_t[]> pRows;
    std::uint32_t nWidth = 0, nHeight = 0;
    std::uint32_t nImageWidth = 0, nImageHeight = 0;
    bool bShrunk = false;  // shrunk to the fitted client area
    ViewRequest request;   // what it was made from
};

// Builds the display bitmap the request asks for; null rows when the file
// cannot be read, is too large or the context's stop token was set. The
// boxes are said in the context; only a pixel loader of the caller's own
// shows any.
ViewBitmap DecodeViewBitmap(const ViewRequest& request, CodecContext& context);
// The same with the codec's own loaders, never the caller's: any thread.
ViewBitmap DecodeViewBitmapAhead(const ViewRequest& request, CodecContext& context);

// Every image window decodes through this on the user-interface thread; an
// empty function restores LoadImagePixels. User-interface thread.
void SetViewPixelLoader(PixelLoader fn);
// True while a loader of the caller's own is installed: every photo shown is
// then decoded through it, none ahead.
bool HasOwnPixelLoader();

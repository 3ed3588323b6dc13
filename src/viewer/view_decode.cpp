// SPDX-License-Identifier: MIT
// The image window's display bitmap from a file, on whichever thread asks.
#include "viewer/view_decode.h"

#include <algorithm>

#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "codec/photo_reader.h"
#include "platform/paths.h"

namespace {

PixelLoader& LoaderSlot() {
    static PixelLoader s_loader;
    return s_loader;
}

void SayTooLarge(const ImageItem& item, CodecContext& context) {
    SayPhotoTooLarge(context, item.m_strPath, item.m_nImageWidth, item.m_nImageHeight);
}

// Packed red-green-blue rows, top-down, made display rows in place or anew.
std::unique_ptr<std::uint8_t[]> RgbToDisplayRows(std::unique_ptr<std::uint8_t[]> pPixels,
                                                 std::uint32_t w, std::uint32_t h) {
    SwapRedBlue(pPixels.get(), w, h);
    FlipRowsVertically(pPixels.get(), w * 3, h);
    // Rows already ending on a 4-byte boundary (every width divisible by 4,
    // as camera sizes are) are display rows as they stand.
    if (w * 3 % 4 == 0) return pPixels;
    std::uint32_t nStride = 0;
    return AlignRowsToDword(pPixels.get(), w, h, nStride);
}

// A file of the other formats through its reader, which reduces it to the
// budget where it can and reads its own orientation tag.
std::unique_ptr<std::uint8_t[]> LoadPhotoRows(PhotoReadFn fnRead, ImageItem& item,
                                              bool bRotateByTag, std::uint64_t nBudget,
                                              std::uint32_t& w, std::uint32_t& h,
                                              CodecContext& context) {
    PhotoRequest request;
    request.strPath = item.m_strPath;
    request.bView = true;
    request.bOrientation = bRotateByTag;
    request.nBudget = std::min(nBudget, request.nBudget);
    PhotoPixels photo;
    fnRead(request, photo, context);
    if (photo.bHeader) {
        item.m_nImageWidth = photo.nFullWidth;
        item.m_nImageHeight = photo.nFullHeight;
        if (OrientationSwapsSides(photo.nOrientation))
            std::swap(item.m_nImageWidth, item.m_nImageHeight);
    }
    if (photo.bTooLarge) SayTooLarge(item, context);
    w = photo.nWidth;
    h = photo.nHeight;
    std::unique_ptr<std::uint8_t[]> pPixels =
        OrientPixels(std::move(photo.pPixels), w, h, photo.nOrientation);
    if (!pPixels) return nullptr;
    return RgbToDisplayRows(std::move(pPixels), w, h);
}

// The picture upright in display rows, reduced to spend at most nBudget
// bytes; the entry's image size receives its own size.
std::unique_ptr<std::uint8_t[]> LoadDisplayRows(ImageItem& item, int nOrientation,
                                                std::uint64_t nBudget, std::uint32_t& w,
                                                std::uint32_t& h, CodecContext& context,
                                                const PixelLoader& fnLoader, bool bRotateByTag) {
    if (const PhotoReadFn fnRead = PhotoReaderFor(item.m_nKind); fnRead && !fnLoader)
        return LoadPhotoRows(fnRead, item, bRotateByTag, nBudget, w, h, context);
    if (item.m_nKind == IMAGE_JPEG && !fnLoader) {
        // Decoded straight into display rows, upright and reduced as the
        // budget asks: no other buffer of the picture's size.
        JpegFile::ViewRows rows;
        auto pRows =
            JpegFile::ReadJpegDisplayRows(item.m_strPath, nOrientation, nBudget, rows, context);
        item.m_nImageWidth = rows.nFullWidth;
        item.m_nImageHeight = rows.nFullHeight;
        if (rows.bTooLarge) SayTooLarge(item, context);
        w = rows.nWidth;
        h = rows.nHeight;
        return pRows;
    }
    // Bitmap files, read whole: the header decides before a pixel is read.
    if (!GetImageSize(item, item.m_nImageWidth, item.m_nImageHeight, context)) return nullptr;
    if (OrientationSwapsSides(nOrientation)) std::swap(item.m_nImageWidth, item.m_nImageHeight);
    const int nReduction = ChooseViewReduction(item, nBudget);
    if (nReduction == 0) {
        SayTooLarge(item, context);
        return nullptr;
    }
    // A loader of the caller's own (user-interface thread only) shows its
    // boxes as it meets them, so those said before it are shown first.
    if (fnLoader) context.ShowAll();
    std::unique_ptr<std::uint8_t[]> pPixels =
        fnLoader ? fnLoader(item, w, h, 1, nReduction)
                 : LoadImagePixels(item, w, h, 1, nReduction, context);
    pPixels = OrientPixels(std::move(pPixels), w, h, nOrientation);
    if (!pPixels) return nullptr;
    if (item.m_nKind != IMAGE_BMP) return RgbToDisplayRows(std::move(pPixels), w, h);
    FlipRowsVertically(pPixels.get(), w * 3, h);
    if (w * 3 % 4 == 0) return pPixels;
    std::uint32_t nStride = 0;
    return AlignRowsToDword(pPixels.get(), w, h, nStride);
}

ViewBitmap DecodeWith(const ViewRequest& request, CodecContext& context,
                      const PixelLoader& fnLoader) {
    ImageItem item;
    item.m_strPath = request.strPath;
    item.m_nKind = request.nKind;
    item.m_nImageWidth = request.nImageWidth;
    item.m_nImageHeight = request.nImageHeight;
    // The other formats' readers read their own tag, from the same open.
    const bool bOwnTag = PhotoReaderFor(item.m_nKind) != nullptr;
    const int nOrientation =
        request.bRotateByTag && !bOwnTag ? ReadOrientation(item) : kOrientationAsStored;
    context.look.rgbBackground = request.rgbBackground;
    const std::uint32_t cw = std::max<std::uint32_t>(request.nClientWidth, 1);
    const std::uint32_t ch = std::max<std::uint32_t>(request.nClientHeight, 1);
    // Fitting makes a copy of at most the client's size beside the picture.
    const std::uint64_t nFitted = request.bFit ? std::uint64_t(DisplayStride(cw)) * ch : 0;
    ViewBitmap bitmap;
    bitmap.request = request;
    std::uint32_t w = 0, h = 0;
    std::unique_ptr<std::uint8_t[]> pRows =
        LoadDisplayRows(item, nOrientation, kViewPixelBudget - std::min(nFitted, kViewPixelBudget),
                        w, h, context, fnLoader, request.bRotateByTag);
    bitmap.nImageWidth = item.m_nImageWidth;
    bitmap.nImageHeight = item.m_nImageHeight;
    if (!pRows) return bitmap;
    if (request.bFit && (w > cw || h > ch)) {
        // Never wider or higher than the image: a client area larger in one
        // direction keeps the image's own extent there, so every pixel shown
        // comes from the image and the mapping stretches it.
        const std::uint32_t nDispW = std::min(cw, w), nDispH = std::min(ch, h);
        pRows = ShrinkDisplayRows(pRows.get(), w, h, nDispW, nDispH);
        if (!pRows) return bitmap;
        w = nDispW;
        h = nDispH;
        bitmap.bShrunk = true;
    }
    bitmap.pRows = std::move(pRows);
    bitmap.nWidth = w;
    bitmap.nHeight = h;
    return bitmap;
}

}  // namespace

void SetViewPixelLoader(PixelLoader fn) { LoaderSlot() = std::move(fn); }

bool HasOwnPixelLoader() { return static_cast<bool>(LoaderSlot()); }

ViewBitmap DecodeViewBitmap(const ViewRequest& request, CodecContext& context) {
    return DecodeWith(request, context, LoaderSlot());
}

ViewBitmap DecodeViewBitmapAhead(const ViewRequest& request, CodecContext& context) {
    return DecodeWith(request, context, PixelLoader());
}

// SPDX-License-Identifier: MIT
// Camera raw files, shown by the JPEG preview the camera embedded: LibRaw
// reads the file's metadata and hands over the preview's bytes, libjpeg
// decodes them. The raw samples themselves are never unpacked, which would
// cost seconds and hundreds of megabytes a file.
#include <libraw/libraw.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "codec/image_file.h"
#include "codec/jpeg_file.h"
#include "codec/photo_reader.h"
#include "codec/raw_photo_stream.h"

namespace {

// No camera embeds a preview anywhere near this; a larger claim is forged,
// and LibRaw would allocate it whole before reading.
constexpr std::int64_t kMaxPreviewBytes = std::int64_t(64) << 20;

// Why a name that opened is still not read: a FIFO, a socket or a device.
constexpr const char* kNotAFileText = "It is not a regular file.";

// LibRaw's flip: bit 0 mirrors left to right, bit 1 top to bottom, bit 2
// transposes first. The same turns in the numbering of the orientation tag.
int OrientationFromFlip(int nFlip) {
    static constexpr int kTag[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return nFlip >= 0 && nFlip < 8 ? kTag[nFlip] : 1;
}

// LibRaw reports damaged data and failed allocations on stderr unless told
// otherwise; the reader says what matters itself.
void IgnoreDataError(void*, const char*, const int) {}
void IgnoreMemoryError(void*, const char*, const char*) {}

struct PreviewPick {
    std::uint32_t nMinSide;
};

// As a JPEG thumbnail: the strongest reduction whose longer side is still at
// least nMinSide; none for the whole picture.
void PickPreviewScale(const JpegFile::JpegSource& source, void* pUser, std::int32_t& nNum,
                      std::int32_t& nDenom) {
    const std::uint32_t nMinSide = static_cast<const PreviewPick*>(pUser)->nMinSide;
    const std::uint32_t nLonger = std::max(source.nWidth, source.nHeight);
    nNum = 1;
    nDenom = 1;
    if (nMinSide > 0 && nLonger > nMinSide) {
        nNum = std::int32_t(std::min<std::uint32_t>(nMinSide, INT32_MAX));
        nDenom = std::int32_t(std::min<std::uint32_t>(nLonger, INT32_MAX));
    }
}

// Whether LibRaw found a preview whose bytes lie inside the file and are
// few enough to take, judged before anything is allocated for them.
bool PreviewFits(LibRaw& raw, std::int64_t nFileSize) {
    const std::int64_t nOffset = raw.get_internal_data_pointer()->internal_data.toffset;
    const std::int64_t nLength = raw.imgdata.thumbnail.tlength;
    return nOffset > 0 && nLength > 0 && nLength <= kMaxPreviewBytes &&
           nOffset <= nFileSize - nLength && raw.thumbOK(kMaxPreviewBytes);
}

// An uncompressed 8-bit preview is taken whole, as packed rows already.
bool TakeBitmapPreview(const libraw_thumbnail_t& thumb, const PhotoRequest& request,
                       PhotoPixels& pixels) {
    const std::uint64_t nBytes = std::uint64_t(thumb.twidth) * thumb.theight * 3;
    if (thumb.tcolors != 3 || nBytes == 0 || nBytes != thumb.tlength) return false;
    pixels.nFullWidth = thumb.twidth;
    pixels.nFullHeight = thumb.theight;
    pixels.bHeader = true;
    if (nBytes > request.nBudget) {
        pixels.bTooLarge = true;
        return false;
    }
    pixels.pPixels.reset(new (std::nothrow) std::uint8_t[nBytes]);
    if (!pixels.pPixels) return false;
    std::memcpy(pixels.pPixels.get(), thumb.thumb, nBytes);
    pixels.nWidth = thumb.twidth;
    pixels.nHeight = thumb.theight;
    return true;
}

bool TakeJpegPreview(const libraw_thumbnail_t& thumb, const PhotoRequest& request,
                     PhotoPixels& pixels, CodecContext& context) {
    PreviewPick pick{request.bView ? 0 : request.nMinSide};
    JpegFile::JpegSource source;
    pixels.pPixels = JpegFile::ReadJpegMemoryRgb(
        reinterpret_cast<const std::uint8_t*>(thumb.thumb), thumb.tlength, PickPreviewScale, &pick,
        std::max<std::uint64_t>(request.nBudget, 1), source, pixels.bTooLarge, pixels.nWidth,
        pixels.nHeight, context);
    pixels.nFullWidth = source.nWidth;
    pixels.nFullHeight = source.nHeight;
    pixels.bHeader = source.bHeader;
    return pixels.pPixels != nullptr;
}

}  // namespace

// Any thread: every call has its own LibRaw object and stream.
bool ReadRawPhoto(const PhotoRequest& request, PhotoPixels& pixels, CodecContext& context) {
    pixels = PhotoPixels();
    if (context.Stopped()) return false;
    errno = 0;
    const ImageFile::Descriptor file = ImageFile::OpenForReading(request.strPath);
    if (!file.IsOpen()) {
        char szError[256] = {};
        // The GNU strerror_r: any thread, the text in szError or a constant.
        const char* pszError = errno ? strerror_r(errno, szError, sizeof szError) : kNotAFileText;
        SayPhotoUnreadable(context, request.strPath, QString::fromLocal8Bit(pszError));
        return false;
    }
    // The stream outlives the LibRaw object that reads through it.
    RawDescriptorStream stream(file.Get(), file.Size(), context);
    // Far too large for a thread's stack.
    std::unique_ptr<LibRaw> pRaw(new (std::nothrow) LibRaw(LIBRAW_OPTIONS_NONE));
    if (pRaw) {
        pRaw->set_dataerror_handler(IgnoreDataError, nullptr);
        pRaw->set_memerror_handler(IgnoreMemoryError, nullptr);
    }
    const int nOpen = pRaw ? pRaw->open_datastream(&stream) : LIBRAW_UNSUFFICIENT_MEMORY;
    if (context.Stopped()) return false;
    if (nOpen != LIBRAW_SUCCESS) {
        SayPhotoUnreadable(context, request.strPath, QString::fromUtf8(libraw_strerror(nOpen)));
        return false;
    }
    if (request.bOrientation) pixels.nOrientation = OrientationFromFlip(pRaw->imgdata.sizes.flip);
    const auto fnNoPreview = [&] {
        if (!context.Stopped() && !pixels.bTooLarge)
            SayPhotoUnreadable(context, request.strPath, QString::fromLatin1(kRawNoPreviewText));
        pixels.pPixels.reset();
        return false;
    };
    if (!PreviewFits(*pRaw, std::int64_t(file.Size()))) return fnNoPreview();
    const int nUnpack = pRaw->unpack_thumb();
    if (context.Stopped() || nUnpack != LIBRAW_SUCCESS) return fnNoPreview();
    const libraw_thumbnail_t& thumb = pRaw->imgdata.thumbnail;
    bool bRead = false;
    if (thumb.tformat == LIBRAW_THUMBNAIL_JPEG)
        bRead = TakeJpegPreview(thumb, request, pixels, context);
    else if (thumb.tformat == LIBRAW_THUMBNAIL_BITMAP)
        bRead = TakeBitmapPreview(thumb, request, pixels);
    if (!bRead || context.Stopped()) return fnNoPreview();
    return true;
}

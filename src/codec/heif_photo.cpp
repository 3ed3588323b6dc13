// SPDX-License-Identifier: MIT
// HEIF/HEIC and AVIF through libheif: the primary image (or, for a
// thumbnail, the file's own smallest embedded one that is large enough), with
// the container's crop, rotation and mirroring applied as libheif applies
// them, put into packed RGB over the look's background.
#include <libheif/heif.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "codec/color_profile.h"
#include "codec/heif_photo_color.h"
#include "codec/image_file.h"
#include "codec/photo_reader.h"

namespace {

// The reader's own reasons; libheif's messages are passed on as it words them.
constexpr const char* kCannotOpenText = "The file cannot be opened.";
constexpr const char* kNoPixelsText = "The picture holds no pixels.";
constexpr const char* kNoMemoryText = "There is not enough memory to read the picture.";

// No side beyond this is even parsed: libheif refuses such a header itself.
constexpr int kMaxSide = 32768;
// What a decode may cost in all, libheif's planes and our packed buffer
// together, so that a file cannot take more than about 300 MB.
constexpr std::uint64_t kMaxDecodeBytes = std::uint64_t(250) << 20;
// libheif's peak for a decode to interleaved 8-bit RGB, in bytes for each
// coded sample of a pixel (1.5 at 4:2:0, 3 at 4:4:4, 1 for an alpha plane):
// the decoder's planes and block data, the YCbCr image it hands over and the
// interleaved copy made from that. Measured at 12 MP with libde265 and dav1d:
// about 4.5 at 8 bits a sample, and twice that above 8 bits.
constexpr std::uint64_t kLibheifBytesPerSample = 5;
// Most of the file libheif's parse may read before the codec configurations
// are looked for in it.
constexpr std::size_t kMaxParsedBytes = std::size_t(1) << 20;

struct ContextFree {
    void operator()(heif_context* p) const { heif_context_free(p); }
};
struct HandleRelease {
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
};
struct ImageRelease {
    void operator()(heif_image* p) const { heif_image_release(p); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* p) const { heif_decoding_options_free(p); }
};
using ContextPtr = std::unique_ptr<heif_context, ContextFree>;
using HandlePtr = std::unique_ptr<heif_image_handle, HandleRelease>;
using ImagePtr = std::unique_ptr<heif_image, ImageRelease>;

// libheif registers its decoders once per process; its reference count is
// never dropped again, so every thread finds them in place.
void InitLibheifOnce() {
    static const bool s_bDone = (heif_init(nullptr), true);
    (void)s_bDone;
}

// The open file as libheif reads it: positioned reads on the descriptor, so
// nothing is copied into memory beyond what libheif asks for. A read fails
// once the stop token is set, which ends a parse or the fetching of the
// coded data early.
struct FileSource {
    int fd;
    std::int64_t nSize;
    std::int64_t nPos = 0;
    const CodecContext* pContext;
    // The bytes the parse read, in order, while capturing.
    std::string* pParsed = nullptr;
};

std::int64_t SourcePosition(void* pUser) { return static_cast<FileSource*>(pUser)->nPos; }

int SourceRead(void* pData, std::size_t nBytes, void* pUser) {
    auto& source = *static_cast<FileSource*>(pUser);
    if (source.pContext->Stopped()) return 1;
    auto* p = static_cast<char*>(pData);
    while (nBytes > 0) {
        const ssize_t n = ::pread(source.fd, p, nBytes, source.nPos);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 1;
        if (source.pParsed && source.pParsed->size() + std::size_t(n) <= kMaxParsedBytes)
            source.pParsed->append(p, std::size_t(n));
        p += n;
        nBytes -= std::size_t(n);
        source.nPos += n;
    }
    return 0;
}

int SourceSeek(std::int64_t nPosition, void* pUser) {
    auto& source = *static_cast<FileSource*>(pUser);
    // A box may claim to end past the file: the seek is allowed, as on a
    // stream, and the reads there fail, so libheif names what is missing.
    if (nPosition < 0) return 1;
    source.nPos = nPosition;
    return 0;
}

heif_reader_grow_status SourceWait(std::int64_t nTarget, void* pUser) {
    // The file does not grow while it is read.
    return nTarget <= static_cast<FileSource*>(pUser)->nSize
               ? heif_reader_grow_status_size_reached
               : heif_reader_grow_status_size_beyond_eof;
}

const heif_reader kFileReader = {1, SourcePosition, SourceRead, SourceSeek, SourceWait};

bool Failed(const heif_error& error) { return error.code != heif_error_Ok; }

// Coded samples a pixel (times two, to stay whole) of the costliest image the
// file's codec configurations describe: libheif 1.15 tells the chroma format
// only after a decode. HEVC's hvcC and AV1's av1C records follow their box
// type; without a record that can be read, 4:4:4 is assumed.
std::uint64_t DoubleSamplesPerPixel(const std::string& strParsed) {
    constexpr std::uint64_t kWorst = 6;
    std::uint64_t nMost = 0;
    auto At = [&](std::size_t i) {
        return i < strParsed.size() ? std::uint8_t(strParsed[i]) : 0xFF;
    };
    for (std::size_t i = strParsed.find("hvcC"); i != std::string::npos;
         i = strParsed.find("hvcC", i + 4)) {
        if (At(i + 4) != 1 || i + 4 + 16 >= strParsed.size()) continue;
        static constexpr std::uint64_t kByFormat[4] = {2, 3, 4, 6};  // 4:0:0, 4:2:0, 4:2:2, 4:4:4
        nMost = std::max(nMost, kByFormat[At(i + 4 + 16) & 3]);
    }
    for (std::size_t i = strParsed.find("av1C"); i != std::string::npos;
         i = strParsed.find("av1C", i + 4)) {
        if (At(i + 4) != 0x81 || i + 4 + 2 >= strParsed.size()) continue;
        const std::uint8_t nFlags = At(i + 4 + 2);
        const bool bMono = nFlags & 0x10, bHalfX = nFlags & 0x08, bHalfY = nFlags & 0x04;
        nMost = std::max<std::uint64_t>(nMost, bMono ? 2 : bHalfX ? (bHalfY ? 3 : 4) : 6);
    }
    return nMost ? nMost : kWorst;
}

// libheif's own words, or the reader's when it gives none.
QString WhyOf(const heif_error& error) {
    const QString strWhy = QString::fromUtf8(error.message ? error.message : "").trimmed();
    return strWhy.isEmpty() ? QString::fromLatin1(kNoPixelsText) : strWhy;
}

// Says nothing once the stop token is set: a stopped read is no fault of the file.
bool Refuse(const PhotoRequest& request, CodecContext& context, const QString& strWhy) {
    if (!context.Stopped()) SayPhotoUnreadable(context, request.strPath, strWhy);
    return false;
}

// The smallest embedded thumbnail whose longer side reaches nMinSide.
HandlePtr PickThumbnail(const heif_image_handle* pPrimary, std::uint32_t nMinSide) {
    const int nCount = heif_image_handle_get_number_of_thumbnails(pPrimary);
    if (nCount <= 0) return nullptr;
    std::vector<heif_item_id> vIds(static_cast<std::size_t>(nCount));
    const int nListed = heif_image_handle_get_list_of_thumbnail_IDs(pPrimary, vIds.data(), nCount);
    HandlePtr best;
    int nBestSide = 0;
    for (int i = 0; i < nListed; ++i) {
        heif_image_handle* pThumb = nullptr;
        if (Failed(heif_image_handle_get_thumbnail(pPrimary, vIds[std::size_t(i)], &pThumb)))
            continue;
        HandlePtr thumb(pThumb);
        const int nSide =
            std::max(heif_image_handle_get_width(pThumb), heif_image_handle_get_height(pThumb));
        if (nSide >= int(nMinSide) && (!best || nSide < nBestSide)) {
            best = std::move(thumb);
            nBestSide = nSide;
        }
    }
    return best;
}

// Interleaved rows of libheif's image into packed RGB; alpha, straight or
// premultiplied, over the background.
void PackRows(const std::uint8_t* pSrc, int nStride, bool bAlpha, bool bPremultiplied,
              std::uint32_t rgbBackground, std::uint32_t nWidth, std::uint32_t nHeight,
              std::uint8_t* pOut) {
    const int aBack[3] = {int(rgbBackground >> 16) & 0xFF, int(rgbBackground >> 8) & 0xFF,
                          int(rgbBackground) & 0xFF};
    for (std::uint32_t y = 0; y < nHeight; ++y) {
        const std::uint8_t* p = pSrc + std::size_t(y) * std::size_t(nStride);
        if (!bAlpha) {
            std::copy(p, p + std::size_t(nWidth) * 3, pOut);
            pOut += std::size_t(nWidth) * 3;
            continue;
        }
        for (std::uint32_t x = 0; x < nWidth; ++x, p += 4, pOut += 3) {
            const int a = p[3];
            for (int c = 0; c < 3; ++c) {
                const int nOver = (255 - a) * aBack[c];
                const int v =
                    bPremultiplied ? p[c] + (nOver + 127) / 255 : (p[c] * a + nOver + 127) / 255;
                pOut[c] = std::uint8_t(std::min(v, 255));
            }
        }
    }
}

// With colour management on: the profile to convert from, when it is not
// sRGB's. An ICC profile comes first; else an nclx description, from the
// container or, failing that, from the coded picture, as libheif decoded it.
std::vector<std::uint8_t> ProfileToConvert(const heif_image_handle* pHandle,
                                           const heif_image* pImage) {
    std::vector<std::uint8_t> vIcc(heif_image_handle_get_raw_color_profile_size(pHandle));
    if (!vIcc.empty() && !Failed(heif_image_handle_get_raw_color_profile(pHandle, vIcc.data())))
        return ColorProfile::IsSrgbOrUnusable(vIcc) ? std::vector<std::uint8_t>() : vIcc;
    heif_color_profile_nclx* pNclx = nullptr;
    if (Failed(heif_image_handle_get_nclx_color_profile(pHandle, &pNclx)) || !pNclx) {
        pNclx = nullptr;
        if (Failed(heif_image_get_nclx_color_profile(pImage, &pNclx)) || !pNclx) return {};
    }
    std::vector<std::uint8_t> vBuilt = HeifNclxProfile(*pNclx);
    heif_nclx_color_profile_free(pNclx);
    return vBuilt;
}

// Any thread: decodes the handle into pixels, within the request's budget.
// An embedded thumbnail without a colour description of its own is taken to
// share the primary image's.
bool DecodeHandle(const heif_image_handle* pHandle, const heif_image_handle* pPrimary,
                  std::uint64_t nDoubleSamples, const PhotoRequest& request, PhotoPixels& pixels,
                  CodecContext& context) {
    const int nWidth = heif_image_handle_get_width(pHandle);
    const int nHeight = heif_image_handle_get_height(pHandle);
    if (nWidth <= 0 || nHeight <= 0)
        return Refuse(request, context, QString::fromLatin1(kNoPixelsText));
    const bool bAlpha = heif_image_handle_has_alpha_channel(pHandle) != 0;
    const std::uint64_t nArea = std::uint64_t(nWidth) * std::uint64_t(nHeight);
    const std::uint64_t nOutBytes = nArea * 3;
    const std::uint64_t nDepthFactor =
        heif_image_handle_get_luma_bits_per_pixel(pHandle) > 8 ? 2 : 1;
    const std::uint64_t nLibheifBytes =
        nArea * (nDoubleSamples + (bAlpha ? 2 : 0)) * kLibheifBytesPerSample / 2 * nDepthFactor;
    if (nOutBytes > request.nBudget || nOutBytes + nLibheifBytes > kMaxDecodeBytes) {
        // Too large: nothing is decoded or allocated, and nothing is said here.
        pixels.bTooLarge = true;
        return false;
    }
    // libheif cannot be stopped inside a decode: the token is asked before and after.
    if (context.Stopped()) return false;

    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) return Refuse(request, context, QString::fromLatin1(kNoMemoryText));
    options->convert_hdr_to_8bit = 1;
    heif_image* pDecoded = nullptr;
    const heif_error error = heif_decode_image(
        pHandle, &pDecoded, heif_colorspace_RGB,
        bAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    ImagePtr image(pDecoded);
    if (context.Stopped()) return false;
    if (Failed(error) || !image) return Refuse(request, context, WhyOf(error));

    const int nOutWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int nOutHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    int nStride = 0;
    const std::uint8_t* pSrc =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &nStride);
    // The decoded picture must be what the budget was reckoned for.
    if (!pSrc || nOutWidth <= 0 || nOutHeight <= 0 ||
        std::uint64_t(nOutWidth) * std::uint64_t(nOutHeight) > nArea ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8 ||
        nStride < nOutWidth * (bAlpha ? 4 : 3))
        return Refuse(request, context, QString::fromLatin1(kNoPixelsText));

    const std::size_t nPixels = std::size_t(nOutWidth) * std::size_t(nOutHeight);
    std::unique_ptr<std::uint8_t[]> pOut(new (std::nothrow) std::uint8_t[nPixels * 3]);
    if (!pOut) return Refuse(request, context, QString::fromLatin1(kNoMemoryText));
    PackRows(pSrc, nStride, bAlpha, heif_image_is_premultiplied_alpha(image.get()) != 0,
             context.look.rgbBackground, std::uint32_t(nOutWidth), std::uint32_t(nOutHeight),
             pOut.get());
    std::vector<std::uint8_t> vProfile;
    if (context.look.bColorManage) {
        const bool bOwn = heif_image_handle_get_color_profile_type(pHandle) !=
                          heif_color_profile_type_not_present;
        vProfile = ProfileToConvert(bOwn ? pHandle : pPrimary, image.get());
    }
    image.reset();
    if (!vProfile.empty()) ColorProfile::ConvertRgbToSrgb(pOut.get(), nPixels, vProfile);

    pixels.pPixels = std::move(pOut);
    pixels.nWidth = std::uint32_t(nOutWidth);
    pixels.nHeight = std::uint32_t(nOutHeight);
    return true;
}

}  // namespace

bool ReadHeifPhoto(const PhotoRequest& request, PhotoPixels& pixels, CodecContext& context) {
    if (context.Stopped()) return false;
    InitLibheifOnce();
    ImageFile::Descriptor file = ImageFile::OpenForReading(request.strPath);
    if (!file.IsOpen()) return Refuse(request, context, QString::fromLatin1(kCannotOpenText));

    ContextPtr heif(heif_context_alloc());
    if (!heif) return Refuse(request, context, QString::fromLatin1(kNoMemoryText));
    heif_context_set_maximum_image_size_limit(heif.get(), kMaxSide);
    std::string strParsed;
    FileSource source{file.Get(), std::int64_t(file.Size()), 0, &context, &strParsed};
    heif_error error = heif_context_read_from_reader(heif.get(), &kFileReader, &source, nullptr);
    source.pParsed = nullptr;
    if (Failed(error)) return Refuse(request, context, WhyOf(error));
    const std::uint64_t nDoubleSamples = DoubleSamplesPerPixel(strParsed);
    strParsed = std::string();
    heif_image_handle* pPrimary = nullptr;
    error = heif_context_get_primary_image_handle(heif.get(), &pPrimary);
    HandlePtr primary(pPrimary);
    if (Failed(error) || !primary) return Refuse(request, context, WhyOf(error));

    // The size with the container's transforms applied, as the pixels come;
    // an EXIF orientation inside the file must not turn them a second time.
    pixels.nFullWidth = std::uint32_t(std::max(heif_image_handle_get_width(pPrimary), 0));
    pixels.nFullHeight = std::uint32_t(std::max(heif_image_handle_get_height(pPrimary), 0));
    pixels.bHeader = true;
    pixels.nOrientation = 1;

    if (!request.bView && request.nMinSide > 0) {
        if (const HandlePtr thumb = PickThumbnail(pPrimary, request.nMinSide))
            return DecodeHandle(thumb.get(), pPrimary, nDoubleSamples, request, pixels, context);
    }
    return DecodeHandle(pPrimary, pPrimary, nDoubleSamples, request, pixels, context);
}

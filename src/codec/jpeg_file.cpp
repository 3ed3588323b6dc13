// SPDX-License-Identifier: MIT
// Reading JPEG files and the buffer operations of JpegFile. Writing is in
// jpeg_write.cpp.
#include "codec/jpeg_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "codec/color_profile.h"
#include "codec/image_file.h"
#include "codec/jpeg_error.h"
#include "codec/orientation.h"
#include "platform/paths.h"

using JpegFile::detail::ErrorManager;
using JpegFile::detail::InstallErrorManager;
using JpegFile::detail::kNoDataEnd;

namespace {

// Files of several scans (progressive or multi-scan) are decoded through
// coefficient buffers for the whole image, which the library reserves in
// jpeg_start_decompress from the header's size alone: 387 bytes claiming
// 45864 × 32798 ask for 12 GB. Beyond this bound the library stops with its
// own fatal error instead ("Backing store not supported": it keeps no
// temporary files). 512 MiB holds the buffers of a 170-megapixel
// progressive photo with 4:2:0 chroma (3 bytes a pixel) or of an
// 85-megapixel one without chroma subsampling (6 bytes a pixel).
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A file that is not regular fails here, like a missing one (see ImageFile).
// With pnOrientation, the orientation tag is read from the same descriptor.
FilePtr OpenJpegFile(const std::string& strPath, CodecContext& context,
                     int* pnOrientation = nullptr) {
    // Left at 0 when the name is there but is no regular file.
    errno = 0;
    ImageFile::Descriptor file = ImageFile::OpenForReading(strPath);
    const int nOpenError = errno;
    if (file.IsOpen() && pnOrientation)
        *pnOrientation = ReadOpenJpegOrientation(file.Get(), file.Size());
    errno = nOpenError;
    FilePtr pFile(file.IsOpen() ? fdopen(file.Get(), "rb") : nullptr);
    if (pFile) {
        file.Release();
        return pFile;
    }
    JpegFile::detail::SayCantOpen(context, "JPEG", strPath, errno);
    return pFile;
}

void SayOutOfMemory(CodecContext& context) {
    MessageRequest request;
    request.text = QStringLiteral("JpegFile :\nOut of memory");
    request.caption = QString::fromLatin1(kAppCaption);
    request.icon = MsgIcon::Error;
    context.Say(std::move(request));
}

// A separate step reads the header to learn the size before the decode
// reads it again, so its warnings come twice; the decode that reads both at
// once says them twice too. Called between library calls: its objects are
// gone before the next one.
void RepeatHeaderMessages(CodecContext& context, std::size_t nFirst) {
    const std::vector<MessageRequest> vHeader(context.messages.begin() + std::ptrdiff_t(nFirst),
                                              context.messages.end());
    for (const MessageRequest& request : vHeader) context.Say(request);
}

// Everything one decode touches. It lives in the caller's frame, not in the
// frame that calls setjmp, so its fields keep well-defined values after a
// jump back; it is trivially destructible, so nothing is skipped either.
struct DecodeJob {
    ErrorManager err;
    CodecContext* pContext;
    JpegFile::PickScale pfnPick;  // chooses nReduction once the header is read
    void* pPickUser;
    JpegFile::JpegSource* pSource;  // with pfnPick: what the header and the tag said
    jpeg_progress_mgr progress;
    jpeg_decompress_struct cinfo;
    std::FILE* pFile;
    const std::uint8_t* pData;  // a JPEG held in memory, read instead of pFile
    std::size_t nData;
    int nReduction;         // 1, 2, 4 or 8; 0: the least whose rows fit nBudget
    std::uint64_t nBudget;  // bytes the rows may take: with nReduction 0, or after pfnPick
    int nOrientation;       // the turn applied as rows are put in place
    bool bDisplayRows;      // bottom-up blue-green-red padded rows, else packed red-green-blue
    bool bTooLarge;         // no reduction fits nBudget
    std::uint8_t* pPixels;  // owned here until handed to the caller
    std::uint32_t nWidth;   // the rows' size, upright
    std::uint32_t nHeight;
    std::uint32_t nFullWidth;  // the picture's own size, upright
    std::uint32_t nFullHeight;
    // With the look's colour management: the embedded profile's conversion,
    // owned by the caller; open only when the rows need it.
    ColorProfile::SrgbConverter* pColor;
};

bool Converting(const DecodeJob& job) { return job.pColor && job.pColor->IsOpen(); }

// Sets up the conversion of the embedded profile (pIcc, from the library's
// malloc, freed here) when the decoded samples are RGB or CMYK and the
// profile is one for them; greyscale and sRGB stay as decoded.
void OpenColorConversion(DecodeJob& job, JOCTET* pIcc, unsigned nIccBytes) {
    const std::vector<std::uint8_t> vIcc(pIcc, pIcc + nIccBytes);
    std::free(pIcc);
    const J_COLOR_SPACE space = job.cinfo.jpeg_color_space;
    if (space == JCS_YCbCr || space == JCS_RGB)
        job.pColor->Open(vIcc, ColorProfile::Samples::Rgb);
    else if (space == JCS_CMYK || space == JCS_YCCK)
        job.pColor->Open(vIcc, job.cinfo.saw_Adobe_marker ? ColorProfile::Samples::CmykInverted
                                                          : ColorProfile::Samples::Cmyk);
}

// Adobe software writes CMYK inverted (0 means full ink); without its marker
// the samples are taken as plain ink amounts.
void CmykRowToRgb(const JSAMPLE* pIn, std::uint8_t* pOut, std::uint32_t nWidth, bool bInverted) {
    for (std::uint32_t x = 0; x < nWidth; ++x, pIn += 4, pOut += 3) {
        unsigned k = bInverted ? pIn[3] : 255u - pIn[3];
        for (int c = 0; c < 3; ++c) {
            unsigned v = bInverted ? pIn[c] : 255u - pIn[c];
            pOut[c] = static_cast<std::uint8_t>((v * k + 127) / 255);
        }
    }
}

void RowToRgb(const jpeg_decompress_struct& cinfo, const JSAMPLE* pIn, std::uint8_t* pOut) {
    const std::uint32_t nWidth = cinfo.output_width;
    if (cinfo.out_color_components == 3) {
        std::memcpy(pOut, pIn, std::size_t(nWidth) * 3);
    } else if (cinfo.out_color_components == 1) {
        for (std::uint32_t x = 0; x < nWidth; ++x, pOut += 3) pOut[0] = pOut[1] = pOut[2] = pIn[x];
    } else if (cinfo.out_color_components == 4) {
        CmykRowToRgb(pIn, pOut, nWidth, cinfo.saw_Adobe_marker);
    } else {
        // No colour meaning to recover; black rather than stale memory.
        std::memset(pOut, 0, std::size_t(nWidth) * 3);
    }
}

// Where the decoded pixel (x, y) goes: byte nOrigin + x·nStepX + y·nStepY of
// the buffer. Every turn of the tag and the bottom-up order of display rows
// are such a linear map.
struct Placement {
    std::ptrdiff_t nOrigin, nStepX, nStepY;
};

Placement PlaceFor(const DecodeJob& job, std::size_t nRowBytes) {
    const std::int64_t w = job.cinfo.output_width, h = job.cinfo.output_height;
    const auto at = [&](std::int64_t x, std::int64_t y) -> std::ptrdiff_t {
        std::int64_t ux = x, uy = y;  // where the stored pixel stands upright
        switch (job.nOrientation) {
            case 2:
                ux = w - 1 - x;
                break;
            case 3:
                ux = w - 1 - x, uy = h - 1 - y;
                break;
            case 4:
                uy = h - 1 - y;
                break;
            case 5:
                ux = y, uy = x;
                break;
            case 6:
                ux = h - 1 - y, uy = x;
                break;
            case 7:
                ux = h - 1 - y, uy = w - 1 - x;
                break;
            case 8:
                ux = y, uy = w - 1 - x;
                break;
        }
        const std::int64_t nRow = job.bDisplayRows ? std::int64_t(job.nHeight) - 1 - uy : uy;
        return nRow * std::int64_t(nRowBytes) + ux * 3;
    };
    return {at(0, 0), at(1, 0) - at(0, 0), at(0, 1) - at(0, 0)};
}

// Puts nRows red-green-blue rows (side by side in pRgb), decoded from row nY0
// on, where the placement says. Column by column: under a quarter turn a
// column's pixels then land side by side.
void PlaceRows(const DecodeJob& job, const Placement& at, const std::uint8_t* pRgb, JDIMENSION nY0,
               JDIMENSION nRows) {
    const std::uint32_t nWidth = job.cinfo.output_width;
    const int nRed = job.bDisplayRows ? 2 : 0;
    for (std::uint32_t x = 0; x < nWidth; ++x) {
        std::uint8_t* pOut = job.pPixels + at.nOrigin + std::ptrdiff_t(x) * at.nStepX +
                             std::ptrdiff_t(nY0) * at.nStepY;
        const std::uint8_t* pIn = pRgb + std::size_t(x) * 3;
        for (JDIMENSION i = 0; i < nRows; ++i, pOut += at.nStepY, pIn += std::size_t(nWidth) * 3) {
            pOut[nRed] = pIn[0];
            pOut[1] = pIn[1];
            pOut[2 - nRed] = pIn[2];
        }
    }
}

// True when every row still to come equals pRow, the last one read: the scan
// ran out of data at its end (JpegEmitMessage), the last row lies two rows of
// blocks below that point, and it is flat. A row draws on blocks at most one
// row of blocks above or below its own, so it and all below are of empty
// blocks only. Decoding those would only repeat it, for seconds when a few
// bytes claim a huge picture.
bool RestRepeatsRow(const DecodeJob& job, const std::uint8_t* pRow) {
    const jpeg_decompress_struct& cinfo = job.cinfo;
    const std::uint64_t nBlockRows =
        std::uint64_t(cinfo.max_v_samp_factor) * cinfo.min_DCT_scaled_size;
    if (job.err.nDataEndRow == kNoDataEnd ||
        cinfo.output_scanline <= (std::uint64_t(job.err.nDataEndRow) + 2) * nBlockRows)
        return false;
    for (JDIMENSION x = 1; x < cinfo.output_width; ++x)
        if (std::memcmp(pRow + std::size_t(x) * 3, pRow, 3) != 0) return false;
    return true;
}

enum class RowsRead { All, Repeated, Stopped };

// Copies placed row nFrom into every row from nY0 on, as one run of bytes:
// without a quarter turn a row is such a run, and a flat row reads the same
// whichever way it was mirrored.
RowsRead CopyRowDown(const DecodeJob& job, const Placement& at, JDIMENSION nFrom, JDIMENSION nY0) {
    const std::ptrdiff_t nWidth = job.cinfo.output_width;
    const std::ptrdiff_t nRunStart =
        at.nOrigin + std::min<std::ptrdiff_t>(0, at.nStepX * (nWidth - 1));
    const std::uint8_t* pFrom = job.pPixels + nRunStart + std::ptrdiff_t(nFrom) * at.nStepY;
    for (JDIMENSION y = nY0; y < job.cinfo.output_height; ++y) {
        if (job.pContext->Stopped()) return RowsRead::Stopped;
        std::memcpy(job.pPixels + nRunStart + std::ptrdiff_t(y) * at.nStepY, pFrom, nWidth * 3);
    }
    return RowsRead::Repeated;
}

constexpr JDIMENSION kStripRows = 16;

// The row readers run between the library's calls, which may jump back to
// RunDecode: like it, they hold only trivially destructible objects.

// Three samples a pixel in the buffer's own order and no turn: the library
// writes the rows in place, and a profile's conversion follows them there.
RowsRead ReadRowsInPlace(DecodeJob& job, const Placement& at) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    const auto row = [&](std::size_t y) {
        return job.pPixels + at.nOrigin + std::ptrdiff_t(y) * at.nStepY;
    };
    JSAMPROW apRows[kStripRows];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION nRows = std::min(kStripRows, cinfo.output_height - cinfo.output_scanline);
        for (JDIMENSION i = 0; i < nRows; ++i) apRows[i] = row(cinfo.output_scanline + i);
        const JDIMENSION nRead = jpeg_read_scanlines(&cinfo, apRows, nRows);
        for (JDIMENSION i = 0; Converting(job) && i < nRead; ++i)
            job.pColor->Convert(apRows[i], apRows[i], cinfo.output_width);
        if (RestRepeatsRow(job, row(cinfo.output_scanline - 1)))
            return CopyRowDown(job, at, cinfo.output_scanline - 1, cinfo.output_scanline);
    }
    return RowsRead::All;
}

// Any other samples, or a turn: through strips of library-owned rows (freed
// with the object, so also after a fatal error).
RowsRead ReadRowsThroughStrip(DecodeJob& job, const Placement& at) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    const auto common = reinterpret_cast<j_common_ptr>(&cinfo);
    const std::size_t nRgbRow = std::size_t(cinfo.output_width) * 3;
    JSAMPARRAY ppStrip = (*cinfo.mem->alloc_sarray)(
        common, JPOOL_IMAGE, cinfo.output_width * cinfo.out_color_components, kStripRows);
    auto* pRgb = static_cast<std::uint8_t*>(
        (*cinfo.mem->alloc_large)(common, JPOOL_IMAGE, nRgbRow * kStripRows));
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION nY0 = cinfo.output_scanline;
        const JDIMENSION nRows =
            jpeg_read_scanlines(&cinfo, ppStrip, std::min(kStripRows, cinfo.output_height - nY0));
        if (Converting(job) && cinfo.out_color_components == 4) {
            for (JDIMENSION i = 0; i < nRows; ++i)
                job.pColor->Convert(ppStrip[i], pRgb + i * nRgbRow, cinfo.output_width);
        } else {
            for (JDIMENSION i = 0; i < nRows; ++i) RowToRgb(cinfo, ppStrip[i], pRgb + i * nRgbRow);
            if (Converting(job))
                job.pColor->Convert(pRgb, pRgb, std::uint64_t(nRows) * cinfo.output_width);
        }
        PlaceRows(job, at, pRgb, nY0, nRows);
        const std::uint8_t* pLast = pRgb + (std::max<JDIMENSION>(nRows, 1) - 1) * nRgbRow;
        if (!RestRepeatsRow(job, pLast)) continue;
        if (at.nStepX == 3 || at.nStepX == -3)
            return CopyRowDown(job, at, cinfo.output_scanline - 1, cinfo.output_scanline);
        for (JDIMENSION i = 0; i < kStripRows; ++i)
            std::memmove(pRgb + i * nRgbRow, pLast, nRgbRow);
        for (JDIMENSION y = cinfo.output_scanline; y < cinfo.output_height; y += kStripRows) {
            if (job.pContext->Stopped()) return RowsRead::Stopped;
            PlaceRows(job, at, pRgb, y, std::min(kStripRows, cinfo.output_height - y));
        }
        return RowsRead::Repeated;
    }
    return RowsRead::All;
}

// Asks the library for red-green-blue (blue-green-red for display rows not
// turned) where it can convert to that, and at the job's reduction or the
// least one whose rows fit its budget. False when none does.
bool SetUpOutput(DecodeJob& job) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    const bool bSwap = OrientationSwapsSides(job.nOrientation);
    job.nFullWidth = bSwap ? cinfo.image_height : cinfo.image_width;
    job.nFullHeight = bSwap ? cinfo.image_width : cinfo.image_height;
    if (job.nReduction == 0)
        job.nReduction =
            JpegFile::ChooseViewReduction(job.nFullWidth, job.nFullHeight, job.nBudget);
    if (job.nReduction == 0) return false;
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(job.nReduction);
    const J_COLOR_SPACE space = cinfo.jpeg_color_space;
    // Converted rows go through the strip in red-green-blue order.
    if (space == JCS_YCbCr || space == JCS_RGB || space == JCS_GRAYSCALE)
        cinfo.out_color_space =
            job.bDisplayRows && job.nOrientation == kOrientationAsStored && !Converting(job)
                ? JCS_EXT_BGR
                : JCS_RGB;
    // Blocks left empty by a lack of data stay empty for good only in the
    // one Huffman-coded scan that is read row by row.
    job.err.bWatchDataEnd = !cinfo.arith_code && !jpeg_has_multiple_scans(&cinfo);
    return true;
}

// Steps that may end in the library's fatal error. Only trivially
// destructible objects live in this frame (see JpegErrorExit).
bool RunDecode(DecodeJob* pJob) {
    jpeg_decompress_struct& cinfo = pJob->cinfo;
    cinfo.err = InstallErrorManager(pJob->err, *pJob->pContext);
    if (setjmp(pJob->err.jumpBack)) {
        jpeg_destroy_decompress(&cinfo);
        delete[] pJob->pPixels;
        pJob->pPixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    pJob->progress.progress_monitor = JpegFile::detail::CheckDecodeAbort;
    cinfo.progress = &pJob->progress;
    if (pJob->pData)
        jpeg_mem_src(&cinfo, pJob->pData, static_cast<unsigned long>(pJob->nData));
    else
        jpeg_stdio_src(&cinfo, pJob->pFile);
    if (pJob->pColor) jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    const std::size_t nBeforeHeader = pJob->pContext->messages.size();
    jpeg_read_header(&cinfo, TRUE);
    JOCTET* pIcc = nullptr;
    unsigned nIccBytes = 0;
    if (pJob->pColor && jpeg_read_icc_profile(&cinfo, &pIcc, &nIccBytes))
        OpenColorConversion(*pJob, pIcc, nIccBytes);
    if (pJob->pfnPick) {
        JpegFile::JpegSource& source = *pJob->pSource;
        source.nWidth = cinfo.image_width;
        source.nHeight = cinfo.image_height;
        source.bHeader = true;
        RepeatHeaderMessages(*pJob->pContext, nBeforeHeader);
        std::int32_t nNum = 1, nDenom = 1;
        pJob->pfnPick(source, pJob->pPickUser, nNum, nDenom);
        pJob->nReduction = JpegFile::ChooseJpegReduction(nNum, nDenom);
        // A budget given with the pick reduces further where the picked rows
        // would not fit; 0 from here on means none fits.
        if (pJob->nBudget) {
            const int nFit =
                JpegFile::ChooseViewReduction(cinfo.image_width, cinfo.image_height, pJob->nBudget);
            pJob->nReduction = nFit ? std::max(pJob->nReduction, nFit) : 0;
        }
    }
    if (!SetUpOutput(*pJob)) {
        // Too large for the budget: nothing is allocated, nothing is said here.
        pJob->bTooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);

    const bool bSwap = OrientationSwapsSides(pJob->nOrientation);
    pJob->nWidth = bSwap ? cinfo.output_height : cinfo.output_width;
    pJob->nHeight = bSwap ? cinfo.output_width : cinfo.output_height;
    // Display rows are padded to 4 bytes; packed rows are not.
    std::uint32_t nRowBytes = pJob->nWidth * 3;  // at most 65500 × 3
    if (pJob->bDisplayRows) nRowBytes = (nRowBytes + 3) / 4 * 4;
    std::uint32_t nBytes = 0;
    if (JpegFile::CheckedBufferSize(nRowBytes, pJob->nHeight, nBytes))
        pJob->pPixels = new (std::nothrow) std::uint8_t[nBytes];
    if (!pJob->pPixels) {
        SayOutOfMemory(*pJob->pContext);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // The padding is drawn by nobody but may be written to files.
    for (std::uint32_t y = 0; nRowBytes > pJob->nWidth * 3 && y < pJob->nHeight; ++y)
        std::memset(pJob->pPixels + std::size_t(y) * nRowBytes + pJob->nWidth * 3, 0,
                    nRowBytes - pJob->nWidth * 3);

    const Placement at = PlaceFor(*pJob, nRowBytes);
    const bool bInPlace = cinfo.out_color_components == 3 && at.nStepX == 3 &&
                          (!pJob->bDisplayRows || cinfo.out_color_space == JCS_EXT_BGR);
    const RowsRead eRead = bInPlace ? ReadRowsInPlace(*pJob, at) : ReadRowsThroughStrip(*pJob, at);
    if (eRead == RowsRead::Stopped) {
        jpeg_destroy_decompress(&cinfo);
        delete[] pJob->pPixels;
        pJob->pPixels = nullptr;
        return false;
    }
    // Rows repeated rather than read leave the library short of its last
    // rows; it is only destroyed then.
    if (eRead == RowsRead::All) jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct SizeJob {
    ErrorManager err;
    CodecContext* pContext;
    jpeg_decompress_struct cinfo;
    std::FILE* pFile;
    std::uint32_t nWidth;
    std::uint32_t nHeight;
};

// As RunDecode: nothing with a destructor in this frame.
bool RunReadSize(SizeJob* pJob) {
    jpeg_decompress_struct& cinfo = pJob->cinfo;
    cinfo.err = InstallErrorManager(pJob->err, *pJob->pContext);
    if (setjmp(pJob->err.jumpBack)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, pJob->pFile);
    jpeg_read_header(&cinfo, TRUE);
    pJob->nWidth = cinfo.image_width;
    pJob->nHeight = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Opens and decodes one file as the job asks; the sizes are 0 until the
// pixels exist.
std::unique_ptr<std::uint8_t[]> DecodeFile(const std::string& strPath, DecodeJob& job,
                                           std::uint32_t& nWidth, std::uint32_t& nHeight,
                                           int* pnOrientation = nullptr) {
    nWidth = 0;
    nHeight = 0;
    if (job.pContext->Stopped()) return nullptr;
    FilePtr pFile = OpenJpegFile(strPath, *job.pContext, pnOrientation);
    if (!pFile) return nullptr;
    job.pFile = pFile.get();
    // Lives outside the frame the library may jump back to.
    ColorProfile::SrgbConverter color;
    if (job.pContext->look.bColorManage) job.pColor = &color;
    if (!RunDecode(&job)) return nullptr;
    nWidth = job.nWidth;
    nHeight = job.nHeight;
    return std::unique_ptr<std::uint8_t[]>(job.pPixels);
}

// Decodes a JPEG held in memory as the job asks; as DecodeFile otherwise.
std::unique_ptr<std::uint8_t[]> DecodeMemory(const std::uint8_t* pData, std::size_t nData,
                                             DecodeJob& job, std::uint32_t& nWidth,
                                             std::uint32_t& nHeight) {
    nWidth = 0;
    nHeight = 0;
    if (job.pContext->Stopped()) return nullptr;
    job.pData = pData;
    job.nData = nData;
    // A preview with a profile of its own is converted as a file would be.
    ColorProfile::SrgbConverter color;
    if (job.pContext->look.bColorManage) job.pColor = &color;
    if (!RunDecode(&job)) return nullptr;
    nWidth = job.nWidth;
    nHeight = job.nHeight;
    return std::unique_ptr<std::uint8_t[]>(job.pPixels);
}

}  // namespace

namespace JpegFile {

bool CheckedBufferSize(std::uint64_t nRowBytes, std::uint64_t nHeight, std::uint32_t& nBytes) {
    std::uint64_t nProduct = 0;
    if (__builtin_mul_overflow(nRowBytes, nHeight, &nProduct) || nProduct > UINT32_MAX)
        return false;
    nBytes = static_cast<std::uint32_t>(nProduct);
    return true;
}

int ChooseJpegReduction(std::int32_t nScaleNum, std::int32_t nScaleDenom) {
    // The library takes the factors as unsigned; compare them as it would,
    // but without its overflow.
    const std::uint64_t nNum = static_cast<unsigned>(nScaleNum);
    const std::uint64_t nDenom = static_cast<unsigned>(nScaleDenom);
    if (nNum * 8 <= nDenom) return 8;
    if (nNum * 4 <= nDenom) return 4;
    if (nNum * 2 <= nDenom) return 2;
    return 1;
}

std::unique_ptr<std::uint8_t[]> ReadJpegRgb(std::string strPath, std::uint32_t& nWidth,
                                            std::uint32_t& nHeight, std::int32_t nScaleNum,
                                            std::int32_t nScaleDenom) {
    CodecContext context;
    auto pPixels = ReadJpegRgb(strPath, nWidth, nHeight, nScaleNum, nScaleDenom, context);
    context.ShowAll();
    return pPixels;
}

std::unique_ptr<std::uint8_t[]> ReadJpegRgb(const std::string& strPath, std::uint32_t& nWidth,
                                            std::uint32_t& nHeight, std::int32_t nScaleNum,
                                            std::int32_t nScaleDenom, CodecContext& context) {
    DecodeJob job{};
    job.pContext = &context;
    job.nReduction = ChooseJpegReduction(nScaleNum, nScaleDenom);
    job.nOrientation = kOrientationAsStored;
    return DecodeFile(strPath, job, nWidth, nHeight);
}

namespace {

// A job that picks its reduction once the header tells the source.
DecodeJob PickingJob(CodecContext& context, PickScale fnPick, void* pUser, JpegSource& source) {
    source = JpegSource();
    DecodeJob job{};
    job.pContext = &context;
    job.pfnPick = fnPick;
    job.pPickUser = pUser;
    job.pSource = &source;
    job.nOrientation = kOrientationAsStored;
    return job;
}

}  // namespace

std::unique_ptr<std::uint8_t[]> ReadJpegForThumbnail(const std::string& strPath,
                                                     bool bOrientation, PickScale fnPick,
                                                     void* pUser, JpegSource& source,
                                                     std::uint32_t& nWidth,
                                                     std::uint32_t& nHeight,
                                                     CodecContext& context) {
    DecodeJob job = PickingJob(context, fnPick, pUser, source);
    return DecodeFile(strPath, job, nWidth, nHeight, bOrientation ? &source.nOrientation : nullptr);
}

std::unique_ptr<std::uint8_t[]> ReadJpegMemoryRgb(const std::uint8_t* pData, std::size_t nData,
                                                  PickScale fnPick, void* pUser,
                                                  std::uint64_t nBudget, JpegSource& source,
                                                  bool& bTooLarge, std::uint32_t& nWidth,
                                                  std::uint32_t& nHeight, CodecContext& context) {
    DecodeJob job = PickingJob(context, fnPick, pUser, source);
    job.nBudget = nBudget;
    auto pPixels = DecodeMemory(pData, nData, job, nWidth, nHeight);
    bTooLarge = job.bTooLarge;
    return pPixels;
}

int ChooseViewReduction(std::uint32_t nWidth, std::uint32_t nHeight, std::uint64_t nBudget) {
    for (const std::uint64_t n : {1, 2, 4, 8}) {
        // Rounded up, as the decoder sizes a reduced picture.
        const std::uint64_t nW = (nWidth + n - 1) / n, nH = (nHeight + n - 1) / n;
        if ((nW * 3 + 3) / 4 * 4 * nH <= nBudget) return int(n);
    }
    return 0;
}

std::unique_ptr<std::uint8_t[]> ReadJpegDisplayRows(std::string strPath, int nOrientation,
                                                    std::uint64_t nBudget, ViewRows& rows) {
    CodecContext context;
    auto pRows = ReadJpegDisplayRows(strPath, nOrientation, nBudget, rows, context);
    context.ShowAll();
    return pRows;
}

std::unique_ptr<std::uint8_t[]> ReadJpegDisplayRows(const std::string& strPath, int nOrientation,
                                                    std::uint64_t nBudget, ViewRows& rows,
                                                    CodecContext& context) {
    rows = ViewRows();
    DecodeJob job{};
    job.pContext = &context;
    job.nBudget = nBudget;
    job.nOrientation = nOrientation;
    job.bDisplayRows = true;
    std::unique_ptr<std::uint8_t[]> pRows = DecodeFile(strPath, job, rows.nWidth, rows.nHeight);
    rows.nFullWidth = job.nFullWidth;
    rows.nFullHeight = job.nFullHeight;
    rows.bTooLarge = job.bTooLarge;
    return pRows;
}

bool ReadJpegSize(std::string strPath, std::uint32_t& nWidth, std::uint32_t& nHeight) {
    CodecContext context;
    const bool bOk = ReadJpegSize(strPath, nWidth, nHeight, context);
    context.ShowAll();
    return bOk;
}

bool ReadJpegSize(const std::string& strPath, std::uint32_t& nWidth, std::uint32_t& nHeight,
                  CodecContext& context) {
    if (context.Stopped()) return false;
    FilePtr pFile = OpenJpegFile(strPath, context);
    if (!pFile) return false;
    SizeJob job{};
    job.pContext = &context;
    job.pFile = pFile.get();
    if (!RunReadSize(&job)) return false;
    nWidth = job.nWidth;
    nHeight = job.nHeight;
    return true;
}

bool SwapRedBlue(std::uint8_t* pBuffer, std::uint32_t nWidth, std::uint32_t nHeight) {
    if (!pBuffer) return false;
    const std::size_t nPixels = std::size_t(nWidth) * nHeight;
    for (std::size_t i = 0; i < nPixels; ++i, pBuffer += 3) std::swap(pBuffer[0], pBuffer[2]);
    return true;
}

bool FlipRowsVertically(std::uint8_t* pBuffer, std::uint32_t nRowBytes, std::uint32_t nHeight) {
    if (!pBuffer) return false;
    // Swapping in place needs no working rows, so this cannot run out of memory.
    for (std::uint32_t i = 0; i < nHeight / 2; ++i) {
        std::uint8_t* pTop = pBuffer + std::size_t(i) * nRowBytes;
        std::uint8_t* pBottom = pBuffer + std::size_t(nHeight - 1 - i) * nRowBytes;
        std::swap_ranges(pTop, pTop + nRowBytes, pBottom);
    }
    return true;
}

std::unique_ptr<std::uint8_t[]> AlignRowsToDword(const std::uint8_t* pBuffer, std::uint32_t nWidth,
                                                 std::uint32_t nHeight, std::uint32_t& nStride) {
    if (!pBuffer) return nullptr;
    const std::uint64_t nRowBytes = std::uint64_t(nWidth) * 3;
    const std::uint64_t nPadded = (nRowBytes + 3) / 4 * 4;
    std::uint32_t nBytes = 0;
    if (!CheckedBufferSize(nPadded, nHeight, nBytes)) return nullptr;
    std::unique_ptr<std::uint8_t[]> pAligned(new (std::nothrow) std::uint8_t[nBytes]);
    if (!pAligned) return nullptr;
    for (std::uint32_t r = 0; r < nHeight; ++r) {
        std::uint8_t* pRow = pAligned.get() + std::size_t(r) * nPadded;
        std::memcpy(pRow, pBuffer + std::size_t(r) * nRowBytes, nRowBytes);
        // The padding is drawn by nobody but may be written to files; keep it defined.
        std::memset(pRow + nRowBytes, 0, nPadded - nRowBytes);
    }
    nStride = static_cast<std::uint32_t>(nPadded);
    return pAligned;
}

}  // namespace JpegFile

// SPDX-License-Identifier: MIT
// Reading JPEG files and the buffer operations of JpegFile. Writing is in
// jpeg_write.cpp.
#include "codec/jpeg_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "codec/decode_abort.h"
#include "codec/image_file.h"
#include "codec/jpeg_error.h"
#include "platform/message_box.h"
#include "platform/paths.h"

using JpegFile::detail::ErrorManager;
using JpegFile::detail::InstallErrorManager;

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
FilePtr OpenJpegFile(const std::string& strPath) {
    // Left at 0 when the name is there but is no regular file.
    errno = 0;
    ImageFile::Descriptor file = ImageFile::OpenForReading(strPath);
    FilePtr pFile(file.IsOpen() ? fdopen(file.Get(), "rb") : nullptr);
    if (pFile) {
        file.Release();
        return pFile;
    }
    MessageRequest request;
    request.nError = errno;
    request.strFile = strPath;
    request.text =
        QStringLiteral("JPEG :\nCan't open ") + ToDisplay(strPath) + QStringLiteral("\n");
    request.caption = QString::fromLatin1(kAppCaption);
    ShowMessage(request);
    return pFile;
}

void ShowOutOfMemory() {
    ShowMessage(QStringLiteral("JpegFile :\nOut of memory"), QString::fromLatin1(kAppCaption),
                MsgIcon::Error);
}

// Everything one decode touches. It lives in the caller's frame, not in the
// frame that calls setjmp, so its fields keep well-defined values after a
// jump back; it is trivially destructible, so nothing is skipped either.
struct DecodeJob {
    ErrorManager err;
    jpeg_progress_mgr progress;
    jpeg_decompress_struct cinfo;
    std::FILE* pFile;
    int nReduction;
    std::uint8_t* pPixels;  // owned here until handed to the caller
    std::uint32_t nWidth;
    std::uint32_t nHeight;
    bool bWantDisplayRows;  // asked for display rows, if the file allows
    bool bDisplayRows;      // pPixels holds display rows, not packed ones
};

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

// Rows that cannot be read straight into the packed buffer go through one
// library-owned row (freed with the object, so also after a fatal error).
void ReadConvertedRows(jpeg_decompress_struct& cinfo, std::uint8_t* pPixels,
                       std::uint32_t nRowBytes) {
    const int nComponents = cinfo.out_color_components;
    JSAMPARRAY ppRow = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                  JPOOL_IMAGE, cinfo.output_width * nComponents, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, ppRow, 1);
        std::uint8_t* pOut = pPixels + std::size_t(cinfo.output_scanline - 1) * nRowBytes;
        const JSAMPLE* pIn = ppRow[0];
        if (nComponents == 1) {
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x, pOut += 3)
                pOut[0] = pOut[1] = pOut[2] = pIn[x];
        } else if (nComponents == 4) {
            CmykRowToRgb(pIn, pOut, cinfo.output_width, cinfo.saw_Adobe_marker);
        } else {
            // No colour meaning to recover; black rather than stale memory.
            std::memset(pOut, 0, nRowBytes);
        }
    }
}

// Steps that may end in the library's fatal error. Only trivially
// destructible objects live in this frame (see JpegErrorExit).
bool RunDecode(DecodeJob* pJob) {
    jpeg_decompress_struct& cinfo = pJob->cinfo;
    cinfo.err = InstallErrorManager(pJob->err);
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
    jpeg_stdio_src(&cinfo, pJob->pFile);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(pJob->nReduction);
    // Colour photographs can come out of the library as display rows
    // directly (blue-green-red, written bottom-up), saving two passes over a
    // large image; greyscale and CMYK take the packed road.
    pJob->bDisplayRows = pJob->bWantDisplayRows && cinfo.num_components == 3 &&
                         (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB);
    if (pJob->bDisplayRows) cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);

    // Display rows are padded to 4 bytes; packed rows are not.
    std::uint32_t nRowBytes = cinfo.output_width * 3;  // at most 65500 × 3
    if (pJob->bDisplayRows) nRowBytes = (nRowBytes + 3) / 4 * 4;
    std::uint32_t nBytes = 0;
    if (JpegFile::CheckedBufferSize(nRowBytes, cinfo.output_height, nBytes))
        pJob->pPixels = new (std::nothrow) std::uint8_t[nBytes];
    if (!pJob->pPixels) {
        ShowOutOfMemory();
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    pJob->nWidth = cinfo.output_width;
    pJob->nHeight = cinfo.output_height;

    if (cinfo.out_color_components == 3) {
        // The common case decodes straight into the rows: no copy.
        const std::uint32_t nHeight = cinfo.output_height;
        const bool bBottomUp = pJob->bDisplayRows;
        JSAMPROW apRows[16];
        while (cinfo.output_scanline < nHeight) {
            JDIMENSION nRows = std::min<JDIMENSION>(16, nHeight - cinfo.output_scanline);
            for (JDIMENSION i = 0; i < nRows; ++i) {
                const std::size_t nRow = cinfo.output_scanline + i;
                apRows[i] = pJob->pPixels + (bBottomUp ? nHeight - 1 - nRow : nRow) * nRowBytes;
            }
            jpeg_read_scanlines(&cinfo, apRows, nRows);
        }
        // The padding is drawn by nobody but may be written to files.
        if (bBottomUp && nRowBytes > cinfo.output_width * 3u)
            for (std::uint32_t y = 0; y < nHeight; ++y)
                std::memset(pJob->pPixels + std::size_t(y) * nRowBytes + cinfo.output_width * 3u, 0,
                            nRowBytes - cinfo.output_width * 3u);
    } else {
        ReadConvertedRows(cinfo, pJob->pPixels, nRowBytes);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct SizeJob {
    ErrorManager err;
    jpeg_decompress_struct cinfo;
    std::FILE* pFile;
    std::uint32_t nWidth;
    std::uint32_t nHeight;
};

// As RunDecode: nothing with a destructor in this frame.
bool RunReadSize(SizeJob* pJob) {
    jpeg_decompress_struct& cinfo = pJob->cinfo;
    cinfo.err = InstallErrorManager(pJob->err);
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
                                           std::uint32_t& nWidth, std::uint32_t& nHeight) {
    nWidth = 0;
    nHeight = 0;
    if (DecodeAborted()) return nullptr;
    FilePtr pFile = OpenJpegFile(strPath);
    if (!pFile) return nullptr;
    job.pFile = pFile.get();
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
    DecodeJob job{};
    job.nReduction = ChooseJpegReduction(nScaleNum, nScaleDenom);
    return DecodeFile(strPath, job, nWidth, nHeight);
}

std::unique_ptr<std::uint8_t[]> ReadJpegDisplayRows(std::string strPath, std::uint32_t& nWidth,
                                                    std::uint32_t& nHeight) {
    DecodeJob job{};
    job.nReduction = 1;
    job.bWantDisplayRows = true;
    std::unique_ptr<std::uint8_t[]> pPixels = DecodeFile(strPath, job, nWidth, nHeight);
    if (!pPixels) return nullptr;
    if (!job.bDisplayRows) {
        // Greyscale or CMYK came out packed: the same steps the grid takes.
        SwapRedBlue(pPixels.get(), job.nWidth, job.nHeight);
        FlipRowsVertically(pPixels.get(), job.nWidth * 3, job.nHeight);
        std::uint32_t nStride = 0;
        pPixels = AlignRowsToDword(pPixels.get(), job.nWidth, job.nHeight, nStride);
        if (!pPixels) {
            nWidth = 0;
            nHeight = 0;
        }
    }
    return pPixels;
}

bool ReadJpegSize(std::string strPath, std::uint32_t& nWidth, std::uint32_t& nHeight) {
    if (DecodeAborted()) return false;
    FilePtr pFile = OpenJpegFile(strPath);
    if (!pFile) return false;
    SizeJob job{};
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

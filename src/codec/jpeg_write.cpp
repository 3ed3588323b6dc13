// SPDX-License-Identifier: MIT
// JpegFile::WriteJpegFile. Thumbnails may be written over existing files,
// even over the photograph they were made from, so the encoder writes a
// temporary file beside the target and renames it over the target only once
// it is complete: a failure at any point leaves the old file as it was.
#include <jerror.h>
#include <unistd.h>

#include "codec/jpeg_error.h"
#include "codec/jpeg_file.h"
#include "platform/paths.h"
#include "platform/replace_file.h"

using JpegFile::detail::ErrorManager;
using JpegFile::detail::InstallErrorManager;

namespace {

struct EncodeJob {
    ErrorManager err;
    CodecContext* pContext;
    jpeg_compress_struct cinfo;
    std::FILE* pFile;  // closed here on success, by the caller otherwise
    const std::uint8_t* pBuffer;
    std::uint32_t nWidth;
    std::uint32_t nHeight;
    int nQuality;
    bool bSync;  // an existing file is replaced: make the new one durable first
};

// Steps that may end in the library's fatal error; only trivially
// destructible objects live in this frame (see JpegErrorExit).
bool RunEncode(EncodeJob* pJob) {
    jpeg_compress_struct& cinfo = pJob->cinfo;
    cinfo.err = InstallErrorManager(pJob->err, *pJob->pContext);
    if (setjmp(pJob->err.jumpBack)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, pJob->pFile);
    cinfo.image_width = pJob->nWidth;
    cinfo.image_height = pJob->nHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, pJob->nQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t nRowBytes = std::size_t(pJob->nWidth) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        // The library only reads the rows; its API merely lacks the const.
        JSAMPROW pRow = const_cast<JSAMPROW>(pJob->pBuffer + cinfo.next_scanline * nRowBytes);
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    // A file that replaces another must be on disk before the rename, or a
    // crash could leave neither. A failure here is the library's own write
    // error, reported as such.
    std::FILE* pFile = pJob->pFile;
    pJob->pFile = nullptr;
    const bool bSynced = std::fflush(pFile) == 0 && (!pJob->bSync || fsync(fileno(pFile)) == 0);
    if (std::fclose(pFile) != 0 || !bSynced) ERREXIT(&cinfo, JERR_FILE_WRITE);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

namespace JpegFile {

void SayWriteFailed(CodecContext& context, const std::string& strPath, int nError) {
    detail::SayCantOpen(context, "JpegFile", strPath, nError);
}

bool WriteJpegFile(std::string strPath, const std::uint8_t* pBuffer, std::uint32_t nWidth,
                   std::uint32_t nHeight, int nQuality) {
    CodecContext context;
    const bool bOk = WriteJpegFile(strPath, pBuffer, nWidth, nHeight, nQuality, context);
    context.ShowAll();
    return bOk;
}

bool WriteJpegFile(const std::string& strPath, const std::uint8_t* pBuffer,
                   std::uint32_t nWidth, std::uint32_t nHeight, int nQuality,
                   CodecContext& context) {
    if (!pBuffer || nWidth == 0 || nHeight == 0) return false;

    CReplacingFile target(strPath, context.pDeferred);
    std::FILE* pFile = target.Open();
    if (!pFile) {
        SayWriteFailed(context, strPath, target.Error());
        return false;
    }

    EncodeJob job{};
    job.pContext = &context;
    job.pFile = pFile;
    job.pBuffer = pBuffer;
    job.nWidth = nWidth;
    job.nHeight = nHeight;
    job.nQuality = nQuality;
    job.bSync = target.IsReplacing();
    const bool bEncoded = RunEncode(&job);
    if (job.pFile) std::fclose(job.pFile);
    if (!bEncoded) return false;

    std::FILE* pClosed = nullptr;  // the encoder synced and closed it
    if (!target.Commit(pClosed)) {
        SayWriteFailed(context, strPath, target.Error());
        return false;
    }
    return true;
}

}  // namespace JpegFile

// SPDX-License-Identifier: MIT
#pragma once

// Private to the codec: the libjpeg error manager every JpegFile call sets up.
#include <csetjmp>
// clang-format off
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <string>
#include <jpeglib.h>
// clang-format on

struct CodecContext;

namespace JpegFile::detail {

// The library's standard error manager with one return point. The library
// hands routines a pointer to `pub`; it is the first member so that pointer
// converts back to the whole object.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jumpBack;
    // Where the library's messages go and whose stop request it obeys.
    CodecContext* pContext;
    // The library's own emit_message, which JpegEmitMessage passes every message on to.
    void (*pfnEmitMessage)(j_common_ptr, int);
    // Set by the decoder once its one scan is being read row by row and
    // arithmetic coding is not used: then JpegEmitMessage notes nDataEndRow.
    bool bWatchDataEnd;
    // The row of blocks (iMCU row) in which the scan ran out of data at the
    // end-of-image marker; kNoDataEnd until then. Every block after that point
    // decodes empty, so the rows of the picture from two rows of blocks
    // further down are all of one flat colour.
    JDIMENSION nDataEndRow;
};
static_assert(offsetof(ErrorManager, pub) == 0);

inline constexpr JDIMENSION kNoDataEnd = ~JDIMENSION(0);

// Fatal library error: says the library's text in a "JPEG Fatal Error" box
// with no owner window (nothing for a decode being stopped), then jumps to the
// return point of the call in progress. It never returns to the library,
// which must not be entered again with that object except to destroy it.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo);

// Library warnings (corrupt or truncated data): a "JPEG Library Error" box,
// except in a decode being stopped; decoding goes on.
void JpegOutputMessage(j_common_ptr cinfo);

// Progress hook of every decode: once the context's stop request is set it
// leaves through the return point like a fatal error, but
// without a box. The library calls it before every jpeg_read_scanlines and,
// while jpeg_start_decompress reads in a file of several scans, before each
// row of blocks.
void CheckDecodeAbort(j_common_ptr cinfo);

// Every message of the library passes here before its default handling,
// which shows warnings through JpegOutputMessage; it notes nDataEndRow.
void JpegEmitMessage(j_common_ptr cinfo, int nLevel);

// The box "<pszWho> :\nCan't open <path>\n" about a file that could not be
// opened or created, carrying the file and why (nError) for the console.
void SayCantOpen(CodecContext& context, const char* pszWho, const std::string& strPath,
                 int nError);

// jpeg_std_error with the error routines above installed; every other
// routine keeps the library's default. Returns the pointer to store in cinfo.err.
jpeg_error_mgr* InstallErrorManager(ErrorManager& err, CodecContext& context);

}  // namespace JpegFile::detail

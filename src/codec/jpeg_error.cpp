// SPDX-License-Identifier: MIT
#include "codec/jpeg_error.h"

#include <jerror.h>

#include "codec/codec_context.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace JpegFile::detail {

namespace {

// Every Qt object of the message lives and dies inside this function (the
// context keeps a copy), so none is alive when JpegErrorExit jumps away
// afterwards. A decode that is being stopped is abandoned, not reported.
void SayLibraryMessage(j_common_ptr cinfo, const char* pszCaption, bool bOwnedByActiveWindow) {
    CodecContext& context = *reinterpret_cast<ErrorManager*>(cinfo->err)->pContext;
    if (cinfo->is_decompressor && context.Stopped()) return;
    char szText[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, szText);
    MessageRequest request;
    request.text = QString::fromLocal8Bit(szText);
    request.caption = QString::fromLatin1(pszCaption);
    request.icon = MsgIcon::Error;
    request.buttons = MsgButtons::Ok;
    request.bOwnedByActiveWindow = bOwnedByActiveWindow;
    context.Say(std::move(request));
}

}  // namespace

void JpegErrorExit(j_common_ptr cinfo) {
    SayLibraryMessage(cinfo, JpegFile::kJpegFatalCaption, false);
    // longjmp skips destructors. Between here and the setjmp there are only
    // this frame (nothing left alive) and the library's C frames; the frame
    // that called setjmp keeps nothing with a destructor either.
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jumpBack, 1);
}

void JpegOutputMessage(j_common_ptr cinfo) {
    SayLibraryMessage(cinfo, JpegFile::kJpegWarningCaption, true);
}

void JpegEmitMessage(j_common_ptr cinfo, int nLevel) {
    auto* pErr = reinterpret_cast<ErrorManager*>(cinfo->err);
    // The Huffman decoder warns once a segment when it runs out of data. Out
    // of data at the end-of-image marker, no later segment can bring more.
    if (nLevel < 0 && pErr->bWatchDataEnd && pErr->nDataEndRow == kNoDataEnd &&
        pErr->pub.msg_code == JWRN_HIT_MARKER) {
        const auto* pDecoder = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (pDecoder->unread_marker == JPEG_EOI) pErr->nDataEndRow = pDecoder->input_iMCU_row;
    }
    pErr->pfnEmitMessage(cinfo, nLevel);
}

void CheckDecodeAbort(j_common_ptr cinfo) {
    // The same way out as JpegErrorExit, and as safe: this frame holds
    // nothing, the frames below it are the library's.
    auto* pErr = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (pErr->pContext->Stopped()) std::longjmp(pErr->jumpBack, 1);
}

void SayCantOpen(CodecContext& context, const char* pszWho, const std::string& strPath,
                 int nError) {
    MessageRequest request;
    request.nError = nError;
    request.strFile = strPath;
    request.text = QString::fromLatin1(pszWho) + QStringLiteral(" :\nCan't open ") +
                   ToDisplay(strPath) + QStringLiteral("\n");
    request.caption = QString::fromLatin1(kAppCaption);
    context.Say(std::move(request));
}

jpeg_error_mgr* InstallErrorManager(ErrorManager& err, CodecContext& context) {
    jpeg_error_mgr* pErr = jpeg_std_error(&err.pub);
    err.pContext = &context;
    pErr->error_exit = JpegErrorExit;
    pErr->output_message = JpegOutputMessage;
    err.pfnEmitMessage = pErr->emit_message;
    pErr->emit_message = JpegEmitMessage;
    err.bWatchDataEnd = false;
    err.nDataEndRow = kNoDataEnd;
    return pErr;
}

}  // namespace JpegFile::detail

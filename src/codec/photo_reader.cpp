// SPDX-License-Identifier: MIT
#include "codec/photo_reader.h"

#include <libheif/heif.h>
#include <libraw/libraw.h>

#include "model/image_item.h"
#include "platform/paths.h"

void SayPhotoUnreadable(CodecContext& context, const std::string& strPath, const QString& strWhy) {
    // One pass over the text, so a "%2" in the file's name stays as it is.
    MessageRequest request;
    request.text = QString::fromLatin1(kPhotoUnreadableText).arg(ToDisplay(strPath), strWhy);
    context.Say(std::move(request));
}

void SayPhotoTooLarge(CodecContext& context, const std::string& strPath, std::uint32_t nWidth,
                      std::uint32_t nHeight) {
    MessageRequest request;
    request.text = QString::fromLatin1(kPhotoTooLargeText)
                       .arg(ToDisplay(strPath), QString::number(nWidth), QString::number(nHeight));
    context.Say(std::move(request));
}

PhotoReadFn PhotoReaderFor(int nKind) {
    switch (nKind) {
        case IMAGE_QIMAGE:
            return &ReadQtPhoto;
        case IMAGE_HEIF:
            return &ReadHeifPhoto;
        case IMAGE_RAW:
            return &ReadRawPhoto;
        default:
            return nullptr;
    }
}

std::string PhotoReaderLibraries() {
    return std::string("heif ") + heif_get_version() + " raw " + libraw_version();
}

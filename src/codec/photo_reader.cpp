// SPDX-License-Identifier: MIT
#include "codec/photo_reader.h"

#include "platform/paths.h"

void SayPhotoUnreadable(CodecContext& context, const std::string& strPath, const QString& strWhy) {
    // One pass over the text, so a "%2" in the file's name stays as it is.
    MessageRequest request;
    request.text = QString::fromLatin1(kPhotoUnreadableText).arg(ToDisplay(strPath), strWhy);
    context.Say(std::move(request));
}

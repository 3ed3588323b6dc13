// SPDX-License-Identifier: MIT
// Placeholder until the reader is written: refuses every file.
#include "codec/photo_reader.h"

bool ReadHeifPhoto(const PhotoRequest& request, PhotoPixels&, CodecContext& context) {
    SayPhotoUnreadable(context, request.strPath, QStringLiteral("This kind of file cannot be read yet."));
    return false;
}

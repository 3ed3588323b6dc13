// SPDX-License-Identifier: MIT
#pragma once

#include "model/image_item.h"

// Fills the entry's thumbnail fields from its file: full size, decoding
// reduction, display rows of at most nThumbSize pixels a side. Runs on the
// processing thread. False when the image cannot be read.
bool BuildThumbnailBitmap(ImageItem& item, int nPitch, int nThumbSize);

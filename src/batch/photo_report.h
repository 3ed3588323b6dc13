// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "model/image_item.h"
#include "platform/message_box.h"

// What the command line says about one photo of a run: why its thumbnail
// failed, and what the JPEG library warned about it. One text for each
// distinct reason its boxes gave (a photo is read up to four times, and a
// warning comes with each reading), and for a failure that no box explains
// the reason the run can tell. Each text is meant to follow the photo's path.
std::vector<std::string> PhotoReasons(const ImageItem& item, bool bOk,
                                      const std::vector<MessageRequest>& vMessages, int nSizeLimit);

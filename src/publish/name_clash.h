// SPDX-License-Identifier: MIT
#pragma once

#include "browser/catalogue/catalogue.h"
#include "publish/thumb_writer.h"

// Refuses a Make Thumbs run in which two files would become one: two
// thumbnails of the run under the same name (a.jpg and a.bmp both give
// a_tn.jpg), or a thumbnail under the name of a photo of its folder that is
// not its own source. The photos are those a scan with scan finds in the
// photos' folder now; in any other folder the files under the thumbnails'
// names are taken for an earlier run's thumbnails. Only the entries the run covers count: every one when bDoAll,
// else pSelected. Names are compared as the file system compares them, byte
// for byte. True when refused, after a box that names both files; nothing
// has been written then.
bool RefuseThumbNameClash(const ImageList& listImages, bool bDoAll, const ImageItem* pSelected,
                          const ThumbJob& job, const ScanOptions& scan);

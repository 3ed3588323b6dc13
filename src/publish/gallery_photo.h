// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "codec/codec_context.h"
#include "publish/gallery.h"
#include "publish/gallery_manifest.h"

// One photo's part of a gallery: its images and what its page entry says.

// What the images are made with, as the manifest keeps it: a photo whose
// images were made under another key is made again.
std::string GalleryImagesKey(const GalleryOptions& options, const PhotoLook& look);

// The name of each photo's images in the gallery's folders: the photo's own
// name when it is a JPEG, else its name with ".jpg" added. Names that would
// be one on a file system that ignores case are told apart by a number,
// given in the order of the photos' names, so the catalogue's order does not
// change them.
std::vector<std::string> GalleryOutNames(const std::vector<GallerySource>& vSources);

// Reads the photo once, turned upright, and writes its thumbnail at 1x and
// 2x and, unless the originals are linked, its web copy, into the folders
// under strOut through the context (whose deferred list keeps them under
// temporary names). Fills the record's image sizes and the camera's facts.
// False with the boxes said in the context. Any thread.
bool MakeGalleryPhoto(const GallerySource& source, const GalleryOptions& options,
                      const std::string& strOut, GalleryRecord& record, CodecContext& context);

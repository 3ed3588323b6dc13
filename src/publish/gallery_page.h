// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "publish/gallery.h"
#include "publish/gallery_manifest.h"

// The gallery's page: one HTML5 file with its style and its lightbox
// inline, so that it needs nothing from the network and works the same from
// a web server and from the disk.

// The caption of a photo under the chosen style; empty for none.
std::string GalleryCaption(const GalleryRecord& record, GalleryCaptions nCaptions);

// How many thumbnails a large screen shows before it is scrolled: those are
// loaded at once, the rest only as they come near.
std::size_t GalleryEagerCount(int nThumbSize);

// strOriginals is the photos' folder as a URL relative to the page ("" when
// it is the page's own folder, else ending in "/"); it is used only when
// the photos are linked instead of web copies.
std::string GalleryPageText(const std::vector<GalleryRecord>& vRecords,
                            const GalleryOptions& options, const std::string& strTitle,
                            const std::string& strOriginals);

// The folder strTo as a URL relative to the folder strFrom: "../" for each
// step up, then each name percent-encoded, ending in "/"; "" for the same
// folder. Both absolute.
std::string RelativeFolderUrl(const std::string& strFrom, const std::string& strTo);

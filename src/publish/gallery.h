// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "codec/photo_look.h"
#include "model/image_item.h"
#include "platform/message_box.h"
#include "settings/settings_keys.h"

class SettingsStore;

// A web gallery of a folder's photos: a page that reflows from a phone to a
// wide screen, thumbnails at 1x and 2x, web-sized copies and a lightbox,
// written into a folder of its own and rebuilt only where photos changed.

enum class GalleryCaptions : int { None = 0, Name = 1, Exif = 2 };

// The ranges a gallery's numbers are held to, wherever they are typed.
inline constexpr int kGalleryThumbSizeMin = 64;
inline constexpr int kGalleryThumbSizeMax = 1024;
inline constexpr int kGalleryWebSizeMin = 320;
inline constexpr int kGalleryWebSizeMax = 8192;
// The JPEG quality of every image the gallery writes.
inline constexpr int kGalleryQuality = 85;

struct GalleryOptions {
    std::string strTitle = kGalleryTitleDefault;              // empty: the photos' folder name
    int nThumbSize = kGalleryThumbSizeDefault;                // a thumbnail's long side at 1x
    int nWebSize = kGalleryWebSizeDefault;                    // a web copy's long side
    bool bLinkOriginals = kGalleryLinkOriginalsDefault != 0;  // no web copies
    GalleryCaptions nCaptions = static_cast<GalleryCaptions>(kGalleryCaptionsDefault);
    bool operator==(const GalleryOptions&) const = default;
};

// The stored choices of [Gallery], numbers out of range replaced by their
// defaults; and the folder it was last published to.
GalleryOptions LoadGalleryOptions(const SettingsStore& store);
std::string LoadGalleryFolder(const SettingsStore& store);
// Writes only the choices that differ from what is stored.
void SaveGalleryOptions(const SettingsStore& store, const GalleryOptions& options,
                        const std::string& strFolder);

// One photo of the gallery, copied out of the catalogue so that a run on
// other threads shares nothing with the window that started it.
struct GallerySource {
    std::string strPath;      // absolute
    std::string strFileName;  // name and extension, as on disk
    int nKind = IMAGE_JPEG;
};
std::vector<GallerySource> GallerySources(const ImageList& listImages);

struct GalleryRun {
    std::string strPhotos;                // the photos' folder, absolute
    std::string strOut;                   // the gallery's folder, absolute; made when missing
    std::vector<GallerySource> vSources;  // in catalogue order
    GalleryOptions options;
    int nJobs = 1;   // threads that make images, the calling one included
    PhotoLook look;  // the background transparent pixels go over, and colour management
};

enum class GalleryResult { Done, Failed, Cancelled };
struct GalleryOutcome {
    GalleryResult result = GalleryResult::Failed;
    std::size_t nMade = 0;     // photos whose images were made
    std::size_t nKept = 0;     // photos whose images were up to date
    std::size_t nRemoved = 0;  // files of photos gone or options changed, removed
    // Boxes that belong to no photo (the folder or the page could not be
    // written), for the caller to show or print.
    std::vector<MessageRequest> vMessages;
};

// Called on the calling thread once a photo's images are in place or have
// failed, in catalogue order, with the boxes the photo met.
using GalleryPhotoDone =
    std::function<void(std::size_t nIndex, std::size_t nTotal, const GallerySource& source,
                       bool bOk, const std::vector<MessageRequest>& vMessages)>;

// Publishes the gallery: images of new and changed photos are made on
// nJobs threads and put in place in catalogue order, photos unchanged since
// the last run keep theirs, files of photos that are gone are removed, then
// the manifest and the page are written. The first photo that fails ends
// the run (Failed): what was put in place before stays, and the manifest
// records it, but the page is not rewritten. bStop ends it between photos
// (Cancelled) the same way. Any thread but the one that shows boxes may
// call it; it shows nothing itself.
GalleryOutcome PublishGallery(const GalleryRun& run, const std::atomic<bool>& bStop,
                              const GalleryPhotoDone& fnDone);

// The files a gallery writes into its folder, relative to it.
inline constexpr const char* kGalleryPageName = "index.html";
inline constexpr const char* kGalleryManifestName = ".galerio-gallery";
inline constexpr const char* kGalleryThumbFolder = "thumbs";
inline constexpr const char* kGalleryThumb2xFolder = "thumbs2x";
inline constexpr const char* kGalleryWebFolder = "web";

// Boxes of a run. %1 is a path, %2 the system's reason.
inline constexpr const char* kGalleryFolderFailedText =
    "The gallery's folder could not be made:\n%1\n\n%2";
inline constexpr const char* kGalleryPageFailedText =
    "The gallery page could not be written:\n%1\n\n%2";
// %1 is the photos' folder.
inline constexpr const char* kGalleryOverPhotosText =
    "The gallery's images would be written into the folder of the photos:\n%1\n\nNothing was "
    "written. Please choose another folder for the gallery.";
// %1 is the gallery's folder.
inline constexpr const char* kGalleryNotOursText =
    "The folder\n%1\nalready holds an index.html, thumbs, thumbs2x or web that Galerio did not "
    "write.\n\nNothing was written. Please choose an empty folder for the gallery.";

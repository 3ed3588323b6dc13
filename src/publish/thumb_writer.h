// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "codec/codec_context.h"
#include "model/image_item.h"
#include "settings/settings_keys.h"

// How a thumbnail file is named after its source (the setting "Prepend").
enum ThumbNaming : int { AppendText = 0, PrependText = 1, SourceName = 2 };

// The parameters of one Make Thumbs run, the same for every image of it.
struct ThumbJob {
    // Side of the square the thumbnail must fit into; the grid's own size by default.
    int m_nSizeLimit = kPitchDefault - 3;
    ThumbNaming m_nNaming = static_cast<ThumbNaming>(kPrependDefault);
    std::string m_strFolder;                         // receives the files
    std::string m_strSuffix = kPostPendTextDefault;  // after the base name in AppendText
    std::string m_strPrefix = kPrePendTextDefault;   // before the base name in PrependText
    int m_nQuality = kCompressionDefault;            // JPEG quality, 1 to 100
    // Photos turned upright by their orientation tag ("RotateByTag").
    bool m_bRotateByTag = kRotateByTagDefault != 0;
};

// What transparent pixels of a photo are put over in its thumbnail file.
inline constexpr std::uint32_t kThumbFileBackground = 0xFFFFFF;

// The thumbnail file's name for the entry: the base name with the suffix or
// prefix the mode asks for, then the source's extension as spelled on disk,
// or ".jpg" for a bitmap source and the other formats.
std::string ThumbFileName(const ImageItem& item, ThumbNaming nNaming, const std::string& strSuffix,
                          const std::string& strPrefix);

// Writes a copy of the entry's image, fitted into nSizeLimit × nSizeLimit,
// as a JPEG file into strFolder. The entry must hold its grid thumbnail
// (made at grid cell size nPitch); its thumbnail file path and name are set
// before writing, its thumbnail file size only once the file is written. A
// file of that name is replaced. False on any failure; the encoder and the
// decoder show their own boxes. With bRotateByTag a JPEG is turned upright by
// its orientation tag before it is fitted.
bool MakeOneThumb(ImageItem& item, int nSizeLimit, ThumbNaming nNaming, std::string strFolder,
                  std::string strSuffix, std::string strPrefix, int nQuality, int nPitch,
                  bool bRotateByTag = false);
bool MakeOneThumb(ImageItem& item, const ThumbJob& job, int nPitch);
// The same with the boxes said in the context; its deferred list, if any,
// keeps the file under its temporary name. Any thread.
bool MakeOneThumb(ImageItem& item, const ThumbJob& job, int nPitch, CodecContext& context);

// A whole run: every entry in catalogue order when bDoAll, stopping at the
// first failure, else only pSelected. The entries get their thumbnail files'
// names; the list itself stays as it is. A failure is reported once, with
// "Error: MakeOneThumb", and gives false.
bool MakeThumbFiles(const ImageList& listImages, bool bDoAll, ImageItem* pSelected,
                    const ThumbJob& job, int nPitch);

enum class ThumbRunResult { Done, Failed, Cancelled };
// Told before each file of a run which one comes (0-based, of nTotal);
// false stops the run there, without a failure box. It may give the entry
// back pixels the grid released to save memory.
using ThumbRunProgress =
    std::function<bool(std::size_t nIndex, std::size_t nTotal, ImageItem& item)>;
// MakeThumbFiles that reports its progress and can be stopped between files.
// nThreads make the files of a whole run ahead of the calling thread, which
// puts each in place, into its entry, and shows its boxes in catalogue
// order: the outcome is that of one file after the other.
ThumbRunResult MakeThumbFiles(const ImageList& listImages, bool bDoAll, ImageItem* pSelected,
                              const ThumbJob& job, int nPitch, const ThumbRunProgress& fnBefore,
                              int nThreads = 1);

// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "model/image_item.h"
#include "settings/settings_keys.h"

class SettingsStore;

// How the web page is laid out (the "Page" settings).
struct PageOptions {
    bool m_bHref = kHrefDefault != 0;          // each thumbnail links to its full image
    int m_nHrefStyle = kHrefStyleDefault;      // 0 same window, 1 target="NEW", 2 target="_blank"
    bool m_bTextHref = kTextHrefDefault != 0;  // also a text link (only with m_bHref)
    std::string m_strFile = kFileDefault;      // the page's full path
    bool m_bTable = kTableDefault != 0;
    int m_nRowCount = kRowCountDefault;  // table cells per row
    int m_nBorder = kBorderDefault;
    int m_nCell = kCellDefault;  // cellspacing
    int m_nCellPad = kCellPadDefault;
};

// The markup of one entry: its thumbnail file's image tag, optionally inside
// a link to the full image and followed by a text link, ending in a line
// end. With bImageUrl the image, with bLinkUrl the link names its file by
// file URL, otherwise by bare name.
std::string FormatPageEntry(const ImageItem& item, const PageOptions& options, bool bImageUrl,
                            bool bLinkUrl);
// One flag for both, as when the thumbnails, the photos and the page share a folder.
inline std::string FormatPageEntry(const ImageItem& item, const PageOptions& options,
                                   bool bAbsolute) {
    return FormatPageEntry(item, options, bAbsolute, bAbsolute);
}

// Writes the page of a Make Thumbs run between the head text strBefore and
// the tail text strAfter: every entry of the catalogue when bDoAll (in a
// table if the options ask), else the selected one alone. The page replaces
// an older one only once complete. A thumbnail outside the page's folder is
// named by file URL, and so are the images when their folder is not the
// page's; the first time the latter happens a notice says so
// ("NeedFullPath" in store). A page that cannot be written is
// reported in a box; the result says whether the page was written.
bool WriteHtmlPage(const ImageList& listImages, bool bDoAll, const ImageItem* pSelected,
                   const PageOptions& options, const std::string& strBefore,
                   const std::string& strAfter, const SettingsStore& store);
// The same with the notice's flag held by the caller: the notice is shown
// when bNeedFullPath is set, which it then clears. A run that must leave the
// settings alone (the command line) keeps the flag to itself.
bool WriteHtmlPage(const ImageList& listImages, bool bDoAll, const ImageItem* pSelected,
                   const PageOptions& options, const std::string& strBefore,
                   const std::string& strAfter, bool& bNeedFullPath);

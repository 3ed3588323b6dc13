// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "publish/thumb_writer.h"

// The command line of `galerio --make-thumbs`, as given: every option that
// was not given stays empty and is later taken from the stored settings.
struct BatchArgs {
    bool m_bHelp = false;
    std::string m_strFolder;  // the photos' folder, as given
    std::string m_strOut;     // the thumbnails' folder, as given
    std::optional<int> m_nSize;
    std::optional<ThumbNaming> m_nNaming;
    std::optional<std::string> m_strSuffix;
    std::optional<std::string> m_strPrefix;
    std::optional<int> m_nQuality;
    std::optional<int> m_nSortOption;
    std::optional<bool> m_bDescending;
    std::optional<std::string> m_strPage;  // given: the page is written
    std::optional<bool> m_bLink;
    std::optional<int> m_nHrefStyle;
    std::optional<bool> m_bTextAnchor;
    std::optional<bool> m_bTable;
    std::optional<int> m_nRowCount;
    std::optional<int> m_nBorder;
    std::optional<int> m_nCell;
    std::optional<int> m_nCellPad;
    std::optional<std::string> m_strHead;  // files whose bytes are the head and tail
    std::optional<std::string> m_strTail;
    std::optional<int> m_nJobs;
    std::optional<int> m_nFormats;          // 0: JPEG and BMP only; 1: the other formats too
    std::optional<int> m_nStyle;            // 0: the thumbnail files and page; 1: a web gallery
    std::optional<std::string> m_strTitle;  // the gallery's options
    std::optional<int> m_nWebSize;
    std::optional<bool> m_bLinkOriginals;
    std::optional<int> m_nCaptions;
    bool m_bOverwriteOriginals = false;
};

// Reads the arguments that follow "--make-thumbs". False with a one-line
// reason in strError for an unknown option, a missing or malformed value, a
// number out of range, a page option without --page, a gallery option
// without --style gallery or a thumbnail file option with it, or a folder
// missing or given twice. Numbers are checked against the same ranges as in the
// property sheet.
bool ParseBatchArgs(const std::vector<std::string>& args, BatchArgs& out, std::string& strError);

// The text of `galerio --make-thumbs --help`.
const char* BatchUsage();

// The lines the desktop program's --help adds for the command.
const char* BatchUsageSummary();

// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "browser/catalogue/catalogue.h"

// The three search patterns, in the order they are searched.
inline constexpr const char* kScanPatterns[] = {".jpg", ".jpeg", ".bmp"};
// The other formats' patterns, searched after those when the user asks for
// them: Qt's readers, libheif's, then the camera raw files.
inline constexpr const char* kExtraScanPatterns[] = {
    ".png", ".gif", ".tif", ".tiff", ".webp", ".heic", ".heif", ".avif", ".dng",
    ".cr2", ".cr3", ".nef", ".arw",  ".orf",  ".rw2",  ".raf",  ".pef"};

// The patterns a scan with these options searches, in order.
std::vector<const char*> ScanPatterns(const ScanOptions& options);
// True when the name matches one of them, ignoring case.
bool MatchesScanPattern(const std::string& name, const ScanOptions& options);

// True when a name matches "*<ext>" ignoring case.
bool MatchesPattern(const std::string& name, const std::string& ext);

// Runs on the searching thread. Enumerates the folder in directory order for
// one pattern and passes each regular file (after following a symlink) whose
// name does not begin with "." to fn. Returns whether any name matched the
// pattern at all, skipped ones included. Files are never opened, so a FIFO
// cannot block it. A folder that cannot be read matches nothing; its errno
// goes to *pnError when asked for.
bool EnumerateMatches(const std::string& folder, const std::string& ext,
                      const std::function<void(const FindRecord&)>& fn, int* pnError = nullptr);

// Runs on the searching thread. Searches every pattern into list (which
// it appends to), splits the paths and leaves the sort to the caller. Returns
// whether any pattern matched anything. bAbort, when given, ends the scan
// early (the view is being destroyed). *pnError, when given, is the errno of
// a folder that could not be read, else 0.
bool ScanFolder(const std::string& folder, const ScanOptions& options, ImageList& list,
                const ScanReport& fnReport, const std::atomic<bool>* pAbort = nullptr,
                int* pnError = nullptr);

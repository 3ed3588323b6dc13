// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "model/image_item.h"

// What the folder scan knows of one directory entry before it becomes a
// catalogue entry: its name as the file system spells it, whether it is a
// directory, its whole size and its last-write time.
struct FindRecord {
    std::string m_strName;
    std::uint64_t m_nSize = 0;
    std::time_t m_tModified = 0;  // seconds since the epoch, UTC
    long m_nModifiedNsec = 0;     // the sub-second part of the last-write time
};

// Broken-down local time with the 100-ns tick count the date sort uses.
struct LocalFileTime {
    std::uint64_t m_ftTicks = 0;  // 100-ns ticks since 1601-01-01, local time
    int m_nYear = 1601;
    int m_nMonth = 1;
    int m_nDay = 1;
    int m_nHour = 0;
    int m_nMinute = 0;
};

// Converts a file time to local time; a time the C library cannot convert
// gives 1601-01-01 0:00.
LocalFileTime ToLocalFileTime(std::time_t t, long nsec);

// The file time as 100-ns ticks since 1601-01-01 UTC: the date sort's key,
// which keeps its order across a change of the clocks, when local times
// repeat an hour.
std::uint64_t UtcFileTicks(std::time_t t, long nsec);

// "3/7/2004 2:05 PM": 12-hour clock, where noon is 12 PM and the hour after
// midnight is 0 AM.
std::string FormatDateCaption(int nMonth, int nDay, int nYear, int nHour, int nMinute);
// The whole size in decimal, so a file of 2 GiB or more never shows negative.
std::string FormatSizeCaption(std::uint64_t nSize);

// True when a name looks like a thumbnail written by Make Thumbs: the
// post-pend text followed directly by a "." at its first occurrence, or the
// name beginning with the pre-pend text. Case matters.
bool IsThumbnailName(const std::string& name, const std::string& postPend,
                     const std::string& prePend);

// IMAGE_JPEG for ".jpg"/".jpeg", IMAGE_BMP for ".bmp", the other formats'
// kinds for their extensions (any case), else unknown.
ImageKind KindFromPath(const std::string& path);

// Settings that shape one scan.
struct ScanOptions {
    bool m_bTNSearch = false;
    std::string m_strPostPend = "_tn";
    std::string m_strPrePend = "tn_";
    // PNG, GIF, TIFF, WebP, HEIF, AVIF and camera raw files are found too.
    bool m_bExtraFormats = false;
};

// Called with the full path of each accepted file before its entry is made.
using ScanReport = std::function<void(const std::string& path)>;

// Applies the thumbnail-name filter, reports the file, and appends one new
// entry for it. Returns false when the filter skipped the file. Runs on the
// searching thread.
bool AddImageItem(ImageList& list, const std::string& folder, const FindRecord& record,
                  const ScanOptions& options, const ScanReport& fnReport);

// Fills m_strFolder, m_strName and m_strExt from m_strPath.
void SplitImagePath(ImageItem& item);

// The details list: one line a file, in catalogue order, of the name
// without extension, size, date and thumbnail size, tab-separated; the
// texts are written as bytes, as the file system spells the names.
std::string FormatDetails(const ImageList& list);

// Deletes every entry (and its pixels), empties the list, clears the selection.
void FreeImageList(ImageList& list, ImageItem*& pSelected);

// Moves a thumbnail built on a copy of an entry into the entry: its pixels,
// their sizes and the size caption.
void MoveThumbnail(ImageItem& from, ImageItem& to);

// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "codec/codec_context.h"
#include "model/image_item.h"

// What a cached thumbnail depends on: the file as stat sees it (the path's
// own bytes, the device and inode it names, its size and its modification
// and change times to the nanosecond), its kind, the sizes the thumbnail
// was made for, whether it was turned upright by the orientation tag, and the
// screen's device pixels to a pixel (in thousandths) its rows were made for.
// A record is only ever taken for an equal key.
struct ThumbKey {
    std::string strPath;
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;
    std::uint64_t nSize = 0;
    std::int64_t nModifiedNs = 0;
    std::int64_t nChangedNs = 0;
    std::int32_t nKind = IMAGE_UNKNOWN;
    std::int32_t nPitch = 0;
    std::int32_t nThumbSize = 0;
    bool bRotateByTag = false;
    std::int32_t nRatioMilli = kRatioOneMilli;
    // How the colours were rendered (ThumbLookCode); 0 as they always were.
    std::uint32_t nLook = 0;

    static constexpr std::int32_t kRatioOneMilli = 1000;
    bool operator==(const ThumbKey&) const = default;
};

// The largest thumbnail side kept on disk: bigger ones (a pitch of several
// thousand pixels) are rebuilt each time rather than filling the cache with
// records of many megabytes.
inline constexpr int kMaxCachedThumbSide = 4096;

// What of the look a thumbnail of the kind depends on, as a key's nLook: 0
// for a JPEG or bitmap file without colour management, so their records stay
// those of old; the other formats also depend on the background their
// transparent pixels are put over.
std::uint32_t ThumbLookCode(int nKind, const PhotoLook& look);

// The key of an entry's file now; none when the file cannot be stat'ed, is
// not a regular file, is of no known kind, or the sizes cannot be cached.
std::optional<ThumbKey> MakeThumbKey(const ImageItem& item, int nPitch, int nThumbSize,
                                     bool bRotateByTag = false, double dPixelRatio = 1.0,
                                     std::uint32_t nLook = 0);

// The record of one thumbnail: the whole key, everything BuildThumbnailBitmap
// sets, and a checksum. Little-endian, in this order:
//   "GLRTHUMB"; u32 format version (2); u32 n + n bytes of ThumbRecordStamp;
//   u64 device, inode, size; i64 modification, change time (ns);
//   i32 kind, pitch, thumbnail size; u32 turned upright (0 or 1);
//   u32 n + n bytes of the path;
//   u32 image width, height; i32 scale numerator, denominator;
//   i32 display width, height; u32 n + n bytes of the dimension text;
//   u32 n + n bytes of display rows;
//   u64 checksum of every byte before it: FNV-1a 64 in eight lanes (byte i
//   feeds lane i mod 8), the lanes' values as 64 little-endian bytes in
//   lane order then hashed by FNV-1a 64.
// A record for a ratio other than 1 has version 3, the ratio (u32) after
// the turned-upright field and the rows' width and height (i32) after the
// display height; the rows are then of that size. A record with a look has
// version 4: the ratio and the look (u32) after the turned-upright field, the
// rows' size as in version 3 (0 at ratio 1), and a stamp that also names
// libheif and LibRaw.
// Empty when the entry holds no complete thumbnail for the key's sizes.
std::string EncodeThumbRecord(const ThumbKey& key, const ImageItem& item);

// The libraries that made the pixels (libjpeg-turbo, Qt): a record made by
// other ones may differ from a fresh build, so it is not taken.
const std::string& ThumbRecordStamp();

// Fills the thumbnail fields of item from a record, and only when the record
// is whole, was written for exactly this key and every size in it agrees
// with its length. The bytes are untrusted: nothing is allocated before the
// sizes are checked, and a refused record leaves item untouched.
bool DecodeThumbRecord(const std::uint8_t* pData, std::size_t nLength, const ThumbKey& key,
                       ImageItem& item);

// Thumbnails kept on disk between runs, so an unchanged photo is not decoded
// again. It is invisible: a record gives exactly the fields and bytes a fresh
// BuildThumbnailBitmap would, anything doubtful is a miss, and no failure is
// ever shown to the user. Each record is a file of its own, written under a
// temporary name and renamed into place, so concurrent callers (threads or
// processes) never see a torn record. Every function may be called from any
// thread at once; the object holds nothing that changes.
class ThumbCache {
public:
    // strFolder empty: $XDG_CACHE_HOME/galerio (~/.cache/galerio). A cache
    // without any folder (no HOME) misses and stores nothing.
    explicit ThumbCache(std::string strFolder = {});

    // The folder Galerio uses when none is given; empty when there is none.
    static std::string DefaultFolder();
    const std::string& Folder() const { return m_strFolder; }

    // Fills item's thumbnail fields from a valid record for key and marks
    // the record as used; false (item untouched) otherwise.
    bool Load(ImageItem& item, const ThumbKey& key) const;
    // Keeps item's thumbnail under key. Only for a build that succeeded
    // without any message, with the key taken before that build: a file
    // changed during the decode then no longer matches its record.
    void Store(const ImageItem& item, const ThumbKey& key) const;
    // Removes every record of the path, whatever sizes it was made for:
    // the photo was deleted or moved away.
    void Drop(const std::string& strPath) const;
    // Deletes the records used least recently until the rest take at most
    // nMaxBytes, and temporary files that a crashed writer left behind.
    void Trim(std::uint64_t nMaxBytes) const;

    // Where the record for key lives: one file per path and sizes, which the
    // two orientation choices share; the key inside tells them apart.
    std::string RecordPath(const ThumbKey& key) const;

private:
    std::string m_strFolder;
};

// The processing step with the cache in front: the entry's valid record if
// there is one, else BuildThumbnailBitmap, whose result is stored when it
// succeeded without any message. Same result, fields and messages as
// BuildThumbnailBitmap alone. Runs on any thread.
// pbStored, when given, is set once a record was written (it is never cleared).
// With bRotateByTag it builds with BuildOrientedThumbnail, and the choice is
// part of the record's key. With a context the boxes are said there, else
// shown once the build is done.
// dPixelRatio is passed on to BuildOrientedThumbnail and is part of the key.
bool BuildThumbnailCached(const ThumbCache& cache, ImageItem& item, int nPitch, int nThumbSize,
                          std::atomic<bool>* pbStored = nullptr, bool bRotateByTag = false,
                          CodecContext* pContext = nullptr, double dPixelRatio = 1.0);

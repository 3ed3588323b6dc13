// SPDX-License-Identifier: MIT
#include "browser/catalogue/catalogue.h"

#include <cstdio>
#include <utility>

namespace {

// Days from 1601-01-01 to the given proleptic Gregorian date.
std::int64_t DaysSince1601(std::int64_t y, unsigned m, unsigned d) {
    // Counts years from March so the leap day falls at the end of a year.
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t daysSince1970 = era * 146097 + static_cast<std::int64_t>(doe) - 719468;
    return daysSince1970 + 134774;  // 1601-01-01 lies 134774 days before 1970-01-01
}

}  // namespace

LocalFileTime ToLocalFileTime(std::time_t t, long nsec) {
    LocalFileTime lt;
    std::tm tmLocal{};
    if (!localtime_r(&t, &tmLocal)) return lt;
    const std::int64_t days = DaysSince1601(static_cast<std::int64_t>(tmLocal.tm_year) + 1900,
                                            static_cast<unsigned>(tmLocal.tm_mon + 1),
                                            static_cast<unsigned>(tmLocal.tm_mday));
    // A time before 1601 cannot be counted; keep it at the start rather than wrap.
    if (days < 0) return lt;
    const std::int64_t seconds =
        days * 86400 + tmLocal.tm_hour * 3600 + tmLocal.tm_min * 60 + tmLocal.tm_sec;
    lt.m_ftTicks = static_cast<std::uint64_t>(seconds) * 10000000u +
                   static_cast<std::uint64_t>(nsec > 0 ? nsec / 100 : 0);
    lt.m_nYear = tmLocal.tm_year + 1900;
    lt.m_nMonth = tmLocal.tm_mon + 1;
    lt.m_nDay = tmLocal.tm_mday;
    lt.m_nHour = tmLocal.tm_hour;
    lt.m_nMinute = tmLocal.tm_min;
    return lt;
}

std::uint64_t UtcFileTicks(std::time_t t, long nsec) {
    // 1601-01-01 lies 11644473600 seconds before the epoch.
    constexpr std::int64_t kEpochOffset = 11644473600;
    const std::int64_t seconds = static_cast<std::int64_t>(t) + kEpochOffset;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * 10000000u +
           static_cast<std::uint64_t>(nsec > 0 ? nsec / 100 : 0);
}

std::string FormatDateCaption(int nMonth, int nDay, int nYear, int nHour, int nMinute) {
    int nHour12 = nHour;
    const char* suffix = "AM";
    if (nHour > 11) {
        suffix = "PM";
        if (nHour > 12) nHour12 = nHour - 12;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%.2d %s", nMonth, nDay, nYear, nHour12, nMinute,
                  suffix);
    return buf;
}

std::string FormatSizeCaption(std::uint64_t nSize) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(nSize));
    return buf;
}

bool IsThumbnailName(const std::string& name, const std::string& postPend,
                     const std::string& prePend) {
    // An empty text would match every name; it cannot mark a thumbnail.
    if (!postPend.empty()) {
        const std::size_t pos = name.find(postPend);
        const std::size_t after = pos + postPend.size();
        if (pos != std::string::npos && after < name.size() && name[after] == '.') return true;
    }
    return !prePend.empty() && name.compare(0, prePend.size(), prePend) == 0;
}

ImageKind KindFromPath(const std::string& path) {
    auto endsWith = [&path](const char* ext) {
        const std::size_t n = std::char_traits<char>::length(ext);
        if (path.size() < n) return false;
        for (std::size_t i = 0; i < n; ++i) {
            char c = path[path.size() - n + i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != ext[i]) return false;
        }
        return true;
    };
    if (endsWith(".JPG") || endsWith(".JPEG")) return IMAGE_JPEG;
    if (endsWith(".BMP")) return IMAGE_BMP;
    for (const char* ext : {".PNG", ".GIF", ".TIF", ".TIFF", ".WEBP"})
        if (endsWith(ext)) return IMAGE_QIMAGE;
    for (const char* ext : {".HEIC", ".HEIF", ".AVIF"})
        if (endsWith(ext)) return IMAGE_HEIF;
    for (const char* ext : {".DNG", ".CR2", ".CR3", ".NEF", ".ARW", ".ORF", ".RW2", ".RAF", ".PEF"})
        if (endsWith(ext)) return IMAGE_RAW;
    return IMAGE_UNKNOWN;
}

// Runs on the searching thread.
bool AddImageItem(ImageList& list, const std::string& folder, const FindRecord& record,
                  const ScanOptions& options, const ScanReport& fnReport) {
    if (options.m_bTNSearch &&
        IsThumbnailName(record.m_strName, options.m_strPostPend, options.m_strPrePend))
        return false;

    // The root folder already ends in the separator.
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += record.m_strName;

    if (fnReport) fnReport(path);

    auto item = std::make_unique<ImageItem>();
    item->m_nKind = KindFromPath(path);
    item->m_strPath = path;
    item->m_nFileSize = record.m_nSize;
    item->m_dwSize = static_cast<std::uint32_t>(record.m_nSize);
    item->m_strSize = FormatSizeCaption(record.m_nSize);

    const LocalFileTime lt = ToLocalFileTime(record.m_tModified, record.m_nModifiedNsec);
    item->m_ftModified = UtcFileTicks(record.m_tModified, record.m_nModifiedNsec);
    item->m_wMonth = static_cast<std::uint16_t>(lt.m_nMonth);
    item->m_wDay = static_cast<std::uint16_t>(lt.m_nDay);
    item->m_wYear = static_cast<std::uint16_t>(lt.m_nYear);
    item->m_wHour = static_cast<std::uint16_t>(lt.m_nHour);
    item->m_wMinute = static_cast<std::uint16_t>(lt.m_nMinute);
    item->m_strDate =
        FormatDateCaption(lt.m_nMonth, lt.m_nDay, lt.m_nYear, lt.m_nHour, lt.m_nMinute);

    list.push_back(std::move(item));
    return true;
}

void SplitImagePath(ImageItem& item) {
    const std::size_t slash = item.m_strPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    item.m_strFolder = item.m_strPath.substr(0, nameStart);
    const std::string fileName = item.m_strPath.substr(nameStart);
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) {
        item.m_strName = fileName;
        item.m_strExt.clear();
    } else {
        item.m_strName = fileName.substr(0, dot);
        item.m_strExt = fileName.substr(dot);
    }
}

std::string FormatDetails(const ImageList& list) {
    std::string text;
    for (const auto& pItem : list) {
        const ImageItem& item = *pItem;
        text += item.m_strName + '\t' + item.m_strSize + '\t' + item.m_strDate + '\t' +
                item.m_strDim + '\n';
    }
    return text;
}

void FreeImageList(ImageList& list, ImageItem*& pSelected) {
    // Each entry owns its pixels, so clearing the list releases both.
    list.clear();
    pSelected = nullptr;
}

void MoveThumbnail(ImageItem& from, ImageItem& to) {
    to.m_pBits = std::move(from.m_pBits);
    to.m_nImageWidth = from.m_nImageWidth;
    to.m_nImageHeight = from.m_nImageHeight;
    to.m_nThumbWidth = from.m_nThumbWidth;
    to.m_nThumbHeight = from.m_nThumbHeight;
    to.m_nBitsWidth = from.m_nBitsWidth;
    to.m_nBitsHeight = from.m_nBitsHeight;
    to.m_nScaleNum = from.m_nScaleNum;
    to.m_nScaleDenom = from.m_nScaleDenom;
    to.m_strDim = std::move(from.m_strDim);
}

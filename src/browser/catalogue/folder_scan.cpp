// SPDX-License-Identifier: MIT
#include "browser/catalogue/folder_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

bool MatchesPattern(const std::string& name, const std::string& ext) {
    if (name.size() < ext.size()) return false;
    const std::size_t off = name.size() - ext.size();
    for (std::size_t i = 0; i < ext.size(); ++i) {
        char c = name[off + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ext[i]) return false;
    }
    return true;
}

std::vector<const char*> ScanPatterns(const ScanOptions& options) {
    std::vector<const char*> vPatterns(std::begin(kScanPatterns), std::end(kScanPatterns));
    if (options.m_bExtraFormats)
        vPatterns.insert(vPatterns.end(), std::begin(kExtraScanPatterns),
                         std::end(kExtraScanPatterns));
    return vPatterns;
}

bool MatchesScanPattern(const std::string& name, const ScanOptions& options) {
    for (const char* ext : ScanPatterns(options))
        if (MatchesPattern(name, ext)) return true;
    return false;
}

// Runs on the searching thread.
bool EnumerateMatches(const std::string& folder, const std::string& ext,
                      const std::function<void(const FindRecord&)>& fn, int* pnError) {
    if (pnError) *pnError = 0;
    // O_DIRECTORY keeps a FIFO given as the folder itself from blocking the open.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (pnError) *pnError = errno;
        return false;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), &::closedir);
    if (!dir) {
        if (pnError) *pnError = errno;
        ::close(fd);
        return false;
    }
    bool bMatched = false;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !MatchesPattern(name, ext)) continue;
        bMatched = true;
        if (name[0] == '.') continue;
        // stat follows a symlink to what it names; nothing is opened, so a
        // FIFO or device is only looked at, never waited on.
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, 0) != 0) continue;
        if (!S_ISREG(st.st_mode)) continue;
        FindRecord record;
        record.m_strName = name;
        record.m_nSize = static_cast<std::uint64_t>(st.st_size);
        record.m_tModified = st.st_mtim.tv_sec;
        record.m_nModifiedNsec = st.st_mtim.tv_nsec;
        fn(record);
    }
    return bMatched;
}

// Runs on the searching thread.
bool ScanFolder(const std::string& folder, const ScanOptions& options, ImageList& list,
                const ScanReport& fnReport, const std::atomic<bool>* pAbort, int* pnError) {
    bool bAnyMatch = false;
    if (pnError) *pnError = 0;
    for (const char* ext : ScanPatterns(options)) {
        if (pAbort && pAbort->load(std::memory_order_acquire)) break;
        int nError = 0;
        bAnyMatch |= EnumerateMatches(
            folder, ext,
            [&](const FindRecord& record) {
                if (pAbort && pAbort->load(std::memory_order_acquire)) return;
                AddImageItem(list, folder, record, options, fnReport);
            },
            &nError);
        // A folder that cannot be read is not an empty one; the first
        // pattern already tells.
        if (nError != 0) {
            if (pnError) *pnError = nError;
            break;
        }
    }
    if (bAnyMatch)
        for (auto& item : list) SplitImagePath(*item);
    return bAnyMatch;
}

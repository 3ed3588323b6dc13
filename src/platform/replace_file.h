// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// A file that may replace an existing one (thumbnails, even over the photo
// they came from; details.txt; the web page) is written beside its target
// under a temporary name and renamed over the target only once complete: a
// failure at any point leaves the old file as it was, and no temporary file
// behind. A symbolic link under the target's name is itself replaced by the
// new file; the file it pointed to is left alone.
class CDeferredReplacements;

class CReplacingFile {
public:
    // With pDeferred, a committed file waits in that list (see below).
    explicit CReplacingFile(const std::string& strPath, CDeferredReplacements* pDeferred = nullptr);
    ~CReplacingFile();  // removes the temporary file unless it was committed
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Opens the temporary file for writing. Null when the target cannot be
    // written in place (a folder in the way, no permission) or the folder
    // takes no new file. The caller may close it itself, having synced it.
    std::FILE* Open();
    // An existing file is being replaced: the new one must reach the disk
    // before the rename, or a crash could leave neither.
    bool IsReplacing() const { return m_bReplacing; }
    // Flushes, syncs when replacing and closes a file still open, then
    // renames it over the target. False when any step failed.
    bool Commit(std::FILE*& pFile);
    // errno of the step that failed, or 0.
    int Error() const { return m_nError; }

private:
    std::string m_strTarget;
    std::string m_strTemp;
    CDeferredReplacements* m_pDeferred;
    bool m_bReplacing = false;
    int m_nError = 0;
};

// Files finished on one thread but put in place later, in an order the
// owner chooses: a CReplacingFile made with the list and committed is written, synced and closed, but stays
// under its temporary name and is handed to this list instead of being
// renamed over its target. Parallel writers use it so that no target is
// replaced out of turn; what is never published is removed.
class CDeferredReplacements {
public:
    CDeferredReplacements() = default;
    ~CDeferredReplacements();  // removes every file not yet published
    CDeferredReplacements(const CDeferredReplacements&) = delete;
    CDeferredReplacements& operator=(const CDeferredReplacements&) = delete;

    // Renames the files over their targets in the order they were
    // committed. At the first rename that fails, that target goes into
    // strFailed, the files not yet renamed are removed and the result is false.
    bool Publish(std::string& strFailed);
    // Removes the files not yet published.
    void Discard();
    bool IsEmpty() const { return m_vFiles.empty(); }
    // errno of the rename that failed, or 0.
    int Error() const { return m_nError; }

private:
    friend class CReplacingFile;
    std::vector<std::pair<std::string, std::string>> m_vFiles;  // temporary, target
    int m_nError = 0;
};

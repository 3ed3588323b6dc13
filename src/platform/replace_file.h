// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>

// A file that may replace an existing one (thumbnails, even over the photo
// they came from; details.txt; the web page) is written beside its target
// under a temporary name and renamed over the target only once complete: a
// failure at any point leaves the old file as it was, and no temporary file
// behind. A symbolic link is replaced at the file it points to.
class CReplacingFile {
public:
    explicit CReplacingFile(const std::string& strPath);
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

private:
    std::string m_strTarget;
    std::string m_strTemp;
    bool m_bReplacing = false;
};

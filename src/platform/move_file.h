// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

// Moves or renames a file, never replacing another one, also when a file
// appears under the new name at the last moment. Within one file system the
// kernel renames it; across file systems the contents go into a new file
// that is flushed to disk before the source is deleted, and any failure
// removes the partial copy and leaves the source as it was. Returns 0, or
// the errno value of the step that failed (EEXIST when the target exists).
int MoveFileNoReplace(const std::string& strFrom, const std::string& strTo);

// The system calls a test needs to stand in for: the kernel's rename (to
// report EXDEV without a second file system), the write of the copy (to fail
// half-way) and the deletion of the copied source (to fail as it does in a
// read-only folder, also for root). Empty members use the real calls.
struct MoveFileOps {
    std::function<int(const char* pszFrom, const char* pszTo)> rename;
    std::function<ssize_t(int fd, const void* pData, size_t nSize)> write;
    std::function<int(const char* pszPath)> unlinkSource;
};
// Replaces the calls; returns the previous ones.
MoveFileOps SetMoveFileOps(MoveFileOps ops);

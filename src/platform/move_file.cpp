// SPDX-License-Identifier: MIT
#include "platform/move_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

namespace {

// Only the user-interface thread moves files; tests swap the calls between runs.
MoveFileOps g_ops;

int RealRenameNoReplace(const char* pszFrom, const char* pszTo) {
    if (::renameat2(AT_FDCWD, pszFrom, AT_FDCWD, pszTo, RENAME_NOREPLACE) == 0) return 0;
    const int nError = errno;
    if (nError != EINVAL && nError != ENOSYS) return nError;
    // A file system without the no-replace flag: a hard link fails on an
    // existing name just the same.
    if (::link(pszFrom, pszTo) != 0) return errno == EPERM || errno == ENOTSUP ? EXDEV : errno;
    if (::unlink(pszFrom) != 0) {
        const int nUnlinkError = errno;
        ::unlink(pszTo);
        return nUnlinkError;
    }
    return 0;
}

int Rename(const char* pszFrom, const char* pszTo) {
    return g_ops.rename ? g_ops.rename(pszFrom, pszTo) : RealRenameNoReplace(pszFrom, pszTo);
}

ssize_t Write(int fd, const void* pData, size_t nSize) {
    return g_ops.write ? g_ops.write(fd, pData, nSize) : ::write(fd, pData, nSize);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int Get() const { return m_fd; }
    // Closes now, so an error of the last write-back is seen.
    int Close() { return ::close(std::exchange(m_fd, -1)) == 0 ? 0 : errno; }

private:
    int m_fd;
};

int WriteAll(int fd, const char* pData, size_t nSize) {
    while (nSize > 0) {
        const ssize_t nDone = Write(fd, pData, nSize);
        if (nDone < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (nDone == 0) return ENOSPC;
        pData += nDone;
        nSize -= size_t(nDone);
    }
    return 0;
}

std::string FolderOf(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos) return ".";
    return nSlash == 0 ? std::string("/") : strPath.substr(0, nSlash);
}

// Copies the contents, times and permission bits into a file that did not
// exist before; the caller deletes the source once this succeeded.
int CopyIntoNewFile(const std::string& strFrom, const std::string& strTo) {
    FileDescriptor source(::open(strFrom.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (source.Get() < 0) return errno;
    struct stat st {};
    if (::fstat(source.Get(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    FileDescriptor target(
        ::open(strTo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777));
    if (target.Get() < 0) return errno;
    // From here on the target is ours, so it is removed on any failure.
    int nError = 0;
    constexpr size_t kChunk = 1 << 20;
    const auto buffer = std::make_unique<char[]>(kChunk);
    for (;;) {
        const ssize_t nRead = ::read(source.Get(), buffer.get(), kChunk);
        if (nRead < 0 && errno == EINTR) continue;
        if (nRead < 0) nError = errno;
        if (nRead <= 0) break;
        nError = WriteAll(target.Get(), buffer.get(), size_t(nRead));
        if (nError) break;
    }
    // The date shown for a photo is its modification time; a move keeps it.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (!nError) ::futimens(target.Get(), times);
    if (!nError && ::fsync(target.Get()) != 0) nError = errno;
    const int nCloseError = target.Close();
    if (!nError) nError = nCloseError;
    if (nError) {
        ::unlink(strTo.c_str());
        return nError;
    }
    // The new name itself must be on disk before the source goes.
    FileDescriptor folder(::open(FolderOf(strTo).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) ::fsync(folder.Get());
    return 0;
}

}  // namespace

int MoveFileNoReplace(const std::string& strFrom, const std::string& strTo) {
    const int nError = Rename(strFrom.c_str(), strTo.c_str());
    if (nError != EXDEV) return nError;
    if (const int nCopyError = CopyIntoNewFile(strFrom, strTo)) return nCopyError;
    const int nUnlinked =
        g_ops.unlinkSource ? g_ops.unlinkSource(strFrom.c_str()) : ::unlink(strFrom.c_str());
    if (nUnlinked != 0) {
        // Two copies would leave the user guessing which one counts.
        const int nUnlinkError = errno;
        ::unlink(strTo.c_str());
        return nUnlinkError;
    }
    return 0;
}

MoveFileOps SetMoveFileOps(MoveFileOps ops) {
    std::swap(g_ops, ops);
    return ops;
}

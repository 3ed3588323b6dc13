// SPDX-License-Identifier: MIT
// JpegFile::WriteJpegFile. Thumbnails may be written over existing files,
// even over the photograph they were made from, so the encoder writes a
// temporary file beside the target and renames it over the target only once
// it is complete: a failure at any point leaves the old file as it was.
#include <fcntl.h>
#include <jerror.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

#include "codec/jpeg_error.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "platform/paths.h"

using JpegFile::detail::ErrorManager;
using JpegFile::detail::InstallErrorManager;

namespace {

void ShowCantOpen(const std::string& strPath) {
    ShowMessage(QStringLiteral("JpegFile :\nCan't open ") + ToDisplay(strPath) +
                QStringLiteral("\n"));
}

// A symbolic link is replaced at the file it points to, as writing through
// it would have done; a dangling one is replaced itself.
std::string ResolveTarget(const std::string& strPath) {
    struct stat st {};
    if (lstat(strPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return strPath;
    char* pszReal = realpath(strPath.c_str(), nullptr);
    if (!pszReal) return strPath;
    std::string strReal(pszReal);
    std::free(pszReal);
    return strReal;
}

std::string FolderOf(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos) return ".";
    if (nSlash == 0) return "/";
    return strPath.substr(0, nSlash);
}

// Creates a new file with a unique name beside the target. O_EXCL makes
// sure an existing file (or a link planted under that name) is never
// opened. The mode follows the file being replaced, or the umask for a new one.
int CreateTempBeside(const std::string& strTarget, std::string& strTemp) {
    static std::atomic<std::uint64_t> s_nCounter{0};
    const std::string strFolder = FolderOf(strTarget);
    for (int nTry = 0; nTry < 100; ++nTry) {
        const std::uint64_t nStamp =
            std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            (std::uint64_t(getpid()) << 40) ^ (s_nCounter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        char szName[40];
        std::snprintf(szName, sizeof szName, "/.galerio-%016llx.tmp",
                      static_cast<unsigned long long>(nStamp));
        strTemp = strFolder + szName;
        const int fd = open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            struct stat st {};
            if (stat(strTarget.c_str(), &st) == 0) {
                // Best effort: an unprivileged writer cannot hand the file to another owner.
                if (fchown(fd, st.st_uid, st.st_gid) != 0) { /* keep our own ownership */
                }
                fchmod(fd, st.st_mode & 07777);
            }
            return fd;
        }
        if (errno != EEXIST) break;
    }
    strTemp.clear();
    return -1;
}

// The temporary file goes away unless it was renamed into place.
struct TempFileGuard {
    std::string strPath;
    ~TempFileGuard() {
        if (!strPath.empty()) unlink(strPath.c_str());
    }
};

struct EncodeJob {
    ErrorManager err;
    jpeg_compress_struct cinfo;
    std::FILE* pFile;  // closed here on success, by the caller otherwise
    const std::uint8_t* pBuffer;
    std::uint32_t nWidth;
    std::uint32_t nHeight;
    int nQuality;
    bool bSync;  // an existing file is replaced: make the new one durable first
};

// Steps that may end in the library's fatal error; only trivially
// destructible objects live in this frame (see JpegErrorExit).
bool RunEncode(EncodeJob* pJob) {
    jpeg_compress_struct& cinfo = pJob->cinfo;
    cinfo.err = InstallErrorManager(pJob->err);
    if (setjmp(pJob->err.jumpBack)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, pJob->pFile);
    cinfo.image_width = pJob->nWidth;
    cinfo.image_height = pJob->nHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, pJob->nQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t nRowBytes = std::size_t(pJob->nWidth) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        // The library only reads the rows; its API merely lacks the const.
        JSAMPROW pRow = const_cast<JSAMPROW>(pJob->pBuffer + cinfo.next_scanline * nRowBytes);
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    // A file that replaces another must be on disk before the rename, or a
    // crash could leave neither. A failure here is the library's own write
    // error, reported as such.
    std::FILE* pFile = pJob->pFile;
    pJob->pFile = nullptr;
    const bool bSynced = std::fflush(pFile) == 0 && (!pJob->bSync || fsync(fileno(pFile)) == 0);
    if (std::fclose(pFile) != 0 || !bSynced) ERREXIT(&cinfo, JERR_FILE_WRITE);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

namespace JpegFile {

bool WriteJpegFile(std::string strPath, const std::uint8_t* pBuffer, std::uint32_t nWidth,
                   std::uint32_t nHeight, int nQuality) {
    if (!pBuffer || nWidth == 0 || nHeight == 0) return false;

    // Refuse what creating the file in place would refuse: a folder in the
    // way, or a file the caller may not write.
    const std::string strTarget = ResolveTarget(strPath);
    struct stat st {};
    const bool bReplacing = stat(strTarget.c_str(), &st) == 0;
    if (bReplacing &&
        (S_ISDIR(st.st_mode) || faccessat(AT_FDCWD, strTarget.c_str(), W_OK, AT_EACCESS) != 0)) {
        ShowCantOpen(strPath);
        return false;
    }
    TempFileGuard temp;
    const int fd = CreateTempBeside(strTarget, temp.strPath);
    std::FILE* pFile = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!pFile) {
        if (fd >= 0) close(fd);
        ShowCantOpen(strPath);
        return false;
    }

    EncodeJob job{};
    job.pFile = pFile;
    job.pBuffer = pBuffer;
    job.nWidth = nWidth;
    job.nHeight = nHeight;
    job.nQuality = nQuality;
    job.bSync = bReplacing;
    const bool bEncoded = RunEncode(&job);
    if (job.pFile) std::fclose(job.pFile);
    if (!bEncoded) return false;

    if (rename(temp.strPath.c_str(), strTarget.c_str()) != 0) {
        ShowCantOpen(strPath);
        return false;
    }
    temp.strPath.clear();
    return true;
}

}  // namespace JpegFile

// SPDX-License-Identifier: MIT
#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <utility>

namespace {

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
            // Only a regular file lends its mode: a link's target is not
            // the file being replaced, and must not lend its owner either.
            struct stat st {};
            if (lstat(strTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
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

}  // namespace

CReplacingFile::CReplacingFile(const std::string& strPath, CDeferredReplacements* pDeferred)
    : m_strTarget(strPath), m_pDeferred(pDeferred) {}

CReplacingFile::~CReplacingFile() {
    if (!m_strTemp.empty()) unlink(m_strTemp.c_str());
}

std::FILE* CReplacingFile::Open() {
    // Refuse what creating the file in place would refuse: a folder in the
    // way (also behind a link), or a file the caller may not write. A
    // symbolic link is replaced by the new file itself, never followed: in
    // a shared folder anybody could plant one pointing at another's file.
    struct stat st {};
    m_bReplacing = lstat(m_strTarget.c_str(), &st) == 0;
    const bool bLink = m_bReplacing && S_ISLNK(st.st_mode);
    struct stat stShown {};
    m_nError = 0;
    if (bLink ? stat(m_strTarget.c_str(), &stShown) == 0 && S_ISDIR(stShown.st_mode)
              : m_bReplacing && S_ISDIR(st.st_mode))
        m_nError = EISDIR;
    else if (m_bReplacing && !bLink &&
             faccessat(AT_FDCWD, m_strTarget.c_str(), W_OK, AT_EACCESS) != 0)
        m_nError = errno;
    if (m_nError != 0) return nullptr;
    const int fd = CreateTempBeside(m_strTarget, m_strTemp);
    std::FILE* pFile = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!pFile) m_nError = errno;
    if (!pFile && fd >= 0) close(fd);
    return pFile;
}

bool CReplacingFile::Commit(std::FILE*& pFile) {
    if (pFile) {
        const bool bSynced =
            std::fflush(pFile) == 0 && (!m_bReplacing || fsync(fileno(pFile)) == 0);
        const bool bClosed = std::fclose(pFile) == 0;
        pFile = nullptr;
        if (!bSynced || !bClosed) {
            m_nError = errno;
            return false;
        }
    }
    if (m_strTemp.empty()) return false;
    if (m_pDeferred) {
        // Complete on disk; the owner of the list puts it in place in turn.
        m_pDeferred->m_vFiles.emplace_back(std::move(m_strTemp), m_strTarget);
        m_strTemp.clear();
        return true;
    }
    if (rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        m_nError = errno;
        return false;
    }
    m_strTemp.clear();
    return true;
}

CDeferredReplacements::~CDeferredReplacements() { Discard(); }

bool CDeferredReplacements::Publish(std::string& strFailed) {
    for (std::size_t i = 0; i < m_vFiles.size(); ++i) {
        if (rename(m_vFiles[i].first.c_str(), m_vFiles[i].second.c_str()) != 0) {
            m_nError = errno;
            strFailed = m_vFiles[i].second;
            m_vFiles.erase(m_vFiles.begin(), m_vFiles.begin() + std::ptrdiff_t(i));
            Discard();
            return false;
        }
    }
    m_vFiles.clear();
    return true;
}

void CDeferredReplacements::Discard() {
    for (const auto& file : m_vFiles) unlink(file.first.c_str());
    m_vFiles.clear();
}

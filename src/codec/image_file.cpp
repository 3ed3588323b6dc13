// SPDX-License-Identifier: MIT
#include "codec/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace ImageFile {

Descriptor::~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

Descriptor::Descriptor(Descriptor&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_nSize(other.m_nSize) {}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_nSize = other.m_nSize;
    }
    return *this;
}

int Descriptor::Release() { return std::exchange(m_fd, -1); }

Descriptor OpenForReading(const std::string& strPath) {
    // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer or a
    // device; it changes nothing for the regular files that are kept.
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    Descriptor file(fd, 0);
    // The check is on the open descriptor, so the name cannot be swapped
    // again between the check and the reads.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return Descriptor(file.Release(), static_cast<std::uint64_t>(st.st_size));
}

}  // namespace ImageFile

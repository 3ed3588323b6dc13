// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// Private to the codec: how every image file is opened for reading.
namespace ImageFile {

// An open descriptor of a regular file, closed when it goes out of scope
// unless it was released to a new owner.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd, std::uint64_t nSize) : m_fd(fd), m_nSize(nSize) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept;
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    // The file's size when it was opened.
    std::uint64_t Size() const { return m_nSize; }
    // Hands the descriptor over; this object no longer closes it.
    int Release();

private:
    int m_fd = -1;
    std::uint64_t m_nSize = 0;
};

// Opens the file for reading without ever waiting. A name found by the scan
// may have been replaced by a FIFO, a socket or a device since, and opening
// or reading those can block a thread for ever; only a regular file (after
// following links) is kept. Anything else comes back closed, exactly like a
// file that cannot be opened.
Descriptor OpenForReading(const std::string& strPath);

}  // namespace ImageFile

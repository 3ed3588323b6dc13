// SPDX-License-Identifier: MIT
#include "codec/raw_photo_stream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kWindowBytes = 64 * 1024;

// pread until nBytes are in or the file ends.
std::size_t ReadAt(int fd, std::uint8_t* pOut, std::size_t nBytes, INT64 nOffset) {
    std::size_t nDone = 0;
    while (nDone < nBytes) {
        const ssize_t n = ::pread(fd, pOut + nDone, nBytes - nDone, off_t(nOffset + INT64(nDone)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        nDone += std::size_t(n);
    }
    return nDone;
}

}  // namespace

RawDescriptorStream::RawDescriptorStream(int fd, std::uint64_t nSize, const CodecContext& context)
    : m_fd(fd), m_nSize(INT64(std::min<std::uint64_t>(nSize, INT64_MAX))), m_context(context) {}

bool RawDescriptorStream::Fill() {
    if (m_nPos >= m_nSize || m_context.Stopped()) return false;
    m_vWindow.resize(kWindowBytes);
    m_nWindowStart = m_nPos;
    m_nWindowBytes = ReadAt(m_fd, m_vWindow.data(), kWindowBytes, m_nPos);
    return m_nWindowBytes > 0;
}

std::size_t RawDescriptorStream::ReadBytes(std::uint8_t* pOut, std::size_t nBytes) {
    if (m_context.Stopped() || m_nPos >= m_nSize) return 0;
    nBytes = std::size_t(std::min<INT64>(INT64(nBytes), m_nSize - m_nPos));
    std::size_t nDone = 0;
    while (nDone < nBytes) {
        const bool bInWindow =
            m_nPos >= m_nWindowStart && m_nPos < m_nWindowStart + INT64(m_nWindowBytes);
        if (!bInWindow && nBytes - nDone >= kWindowBytes) {
            // Large reads (a preview) go straight to their destination.
            const std::size_t n = ReadAt(m_fd, pOut + nDone, nBytes - nDone, m_nPos);
            nDone += n;
            m_nPos += INT64(n);
            break;
        }
        if (!bInWindow && !Fill()) break;
        const std::size_t nOffset = std::size_t(m_nPos - m_nWindowStart);
        const std::size_t n = std::min(nBytes - nDone, m_nWindowBytes - nOffset);
        std::memcpy(pOut + nDone, m_vWindow.data() + nOffset, n);
        nDone += n;
        m_nPos += INT64(n);
    }
    return nDone;
}

int RawDescriptorStream::read(void* pOut, size_t nItemSize, size_t nItems) {
    std::size_t nBytes = 0;
    if (nItemSize == 0 || __builtin_mul_overflow(nItemSize, nItems, &nBytes)) return 0;
    return int(ReadBytes(static_cast<std::uint8_t*>(pOut), nBytes) / nItemSize);
}

int RawDescriptorStream::seek(INT64 nOffset, int nWhence) {
    INT64 nBase = 0;
    if (nWhence == SEEK_CUR)
        nBase = m_nPos;
    else if (nWhence == SEEK_END)
        nBase = m_nSize;
    else if (nWhence != SEEK_SET)
        return -1;
    INT64 nTarget = 0;
    if (__builtin_add_overflow(nBase, nOffset, &nTarget)) return -1;
    // As LibRaw's own streams: a position outside the file is held at its ends.
    m_nPos = std::clamp<INT64>(nTarget, 0, m_nSize);
    return 0;
}

int RawDescriptorStream::get_char() {
    std::uint8_t c = 0;
    return ReadBytes(&c, 1) == 1 ? c : -1;
}

char* RawDescriptorStream::gets(char* pszOut, int nMax) {
    if (nMax <= 0) return nullptr;
    int n = 0;
    while (n < nMax - 1) {
        const int c = get_char();
        if (c < 0) break;
        pszOut[n++] = char(c);
        if (c == '\n') break;
    }
    pszOut[n] = '\0';
    return n > 0 ? pszOut : nullptr;
}

int RawDescriptorStream::scanf_one(const char* pszFormat, void* pValue) {
    // LibRaw scans one number or word: a short field, read as LibRaw's
    // buffer stream reads it (at most 24 bytes, up to a blank or a NUL).
    char szField[25] = {};
    const INT64 nStart = m_nPos;
    const std::size_t nRead = ReadBytes(reinterpret_cast<std::uint8_t*>(szField), 24);
    szField[nRead] = '\0';
    m_nPos = nStart;
    const int nResult = std::sscanf(szField, pszFormat, pValue);
    if (nResult > 0) {
        std::size_t n = 1;
        while (n < nRead && szField[n] && !std::strchr(" \t\n", szField[n])) ++n;
        m_nPos = nStart + INT64(n);
    }
    return nResult;
}

// SPDX-License-Identifier: MIT
#pragma once

// Private to the raw reader: LibRaw's view of a file already open.
#include <libraw/libraw_datastream.h>

#include <cstdint>
#include <vector>

#include "codec/codec_context.h"

// Reads an open descriptor through a small window of its own, so LibRaw's
// many reads of a few bytes cost no system call each and the file is never
// read whole nor opened a second time. Once the context's stop request is
// set, every read comes back empty: LibRaw then gives up as on a file cut
// short. The descriptor stays the caller's.
class RawDescriptorStream : public LibRaw_abstract_datastream {
public:
    RawDescriptorStream(int fd, std::uint64_t nSize, const CodecContext& context);

    int valid() override { return m_fd >= 0; }
    int read(void* pOut, size_t nItemSize, size_t nItems) override;
    int seek(INT64 nOffset, int nWhence) override;
    INT64 tell() override { return m_nPos; }
    INT64 size() override { return m_nSize; }
    int get_char() override;
    char* gets(char* pszOut, int nMax) override;
    int scanf_one(const char* pszFormat, void* pValue) override;
    // A stopped read is at its end too, so no loop of LibRaw waits for data.
    int eof() override { return m_nPos >= m_nSize || m_context.Stopped(); }
    void* make_jas_stream() override { return nullptr; }

private:
    // Copies up to nBytes from the current position, moving it on.
    std::size_t ReadBytes(std::uint8_t* pOut, std::size_t nBytes);
    // Makes the window start at the current position; false at the end or on an error.
    bool Fill();

    int m_fd;
    INT64 m_nSize;
    INT64 m_nPos = 0;
    const CodecContext& m_context;
    std::vector<std::uint8_t> m_vWindow;
    INT64 m_nWindowStart = 0;
    std::size_t m_nWindowBytes = 0;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Shared by the fuzz targets: a private folder per input, the message seam's
// answers, and a reader that takes choices from the front of an input.

// While alive: a fresh folder under $TMPDIR (or /tmp) holding the files of
// one input, with XDG_CONFIG_HOME and XDG_CACHE_HOME pointed into it so no
// input reaches the user's settings or cache. Every message box is answered
// (OK, or No to a question, which is the answer that changes nothing). The
// folder and everything in it are removed at the end.
class FuzzScratch {
public:
    FuzzScratch();
    ~FuzzScratch();
    FuzzScratch(const FuzzScratch&) = delete;
    FuzzScratch& operator=(const FuzzScratch&) = delete;

    const std::string& Folder() const { return m_strFolder; }
    // A subfolder, created.
    std::string MakeFolder(const std::string& strName) const;
    // Writes the bytes to a file of the folder; returns its path.
    std::string WriteFile(const std::string& strName, const void* pData, std::size_t nSize) const;
    static std::string ReadFile(const std::string& strPath);

private:
    std::string m_strFolder;
};

// Aborts with the message when the condition does not hold: a finding.
void FuzzRequire(bool bCondition, const char* pszWhat);

// Takes numbers and texts from the front of an input; past its end every
// number is 0 and every text empty.
class FuzzBytes {
public:
    FuzzBytes(const std::uint8_t* pData, std::size_t nSize) : m_p(pData), m_nLeft(nSize) {}
    std::uint8_t Byte();
    std::uint16_t Word();
    bool Flag() { return (Byte() & 1) != 0; }
    // Up to the next NUL byte (dropped) or the end, at most nMax bytes.
    std::string Text(std::size_t nMax);
    // Everything not taken yet.
    std::string Rest();
    std::size_t Left() const { return m_nLeft; }

private:
    const std::uint8_t* m_p;
    std::size_t m_nLeft;
};

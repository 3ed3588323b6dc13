// SPDX-License-Identifier: MIT
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/message_box.h"

namespace {

// Scratch folders of one process are numbered, so a crash leaves a name that
// says which process it came from.
std::string NewFolder() {
    const char* pszTmp = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/galerio-fuzz-XXXXXX";
    if (!mkdtemp(strTemplate.data())) {
        std::perror("galerio fuzz: mkdtemp");
        std::abort();
    }
    return strTemplate;
}

MsgResult Answer(const MessageRequest& request) {
    switch (request.buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::OkCancel:
            return MsgResult::Cancel;
        default:
            return MsgResult::No;
    }
}

}  // namespace

FuzzScratch::FuzzScratch() : m_strFolder(NewFolder()) {
    // The handler is process-wide; setting it for each input costs nothing
    // and keeps it in place whatever ran before.
    SetMessageHandler(Answer);
    SetBeepHandler([] {});
    setenv("XDG_CONFIG_HOME", MakeFolder("config").c_str(), 1);
    setenv("XDG_CACHE_HOME", MakeFolder("cache").c_str(), 1);
}

FuzzScratch::~FuzzScratch() {
    std::error_code ec;
    std::filesystem::remove_all(m_strFolder, ec);
}

std::string FuzzScratch::MakeFolder(const std::string& strName) const {
    const std::string strPath = m_strFolder + "/" + strName;
    std::error_code ec;
    std::filesystem::create_directories(strPath, ec);
    FuzzRequire(!ec, "scratch subfolder created");
    return strPath;
}

std::string FuzzScratch::WriteFile(const std::string& strName, const void* pData,
                                   std::size_t nSize) const {
    const std::string strPath = m_strFolder + "/" + strName;
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    FuzzRequire(pFile != nullptr, "scratch file created");
    const bool bOk = nSize == 0 || std::fwrite(pData, 1, nSize, pFile) == nSize;
    FuzzRequire(std::fclose(pFile) == 0 && bOk, "scratch file written");
    return strPath;
}

std::string FuzzScratch::ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void FuzzRequire(bool bCondition, const char* pszWhat) {
    if (bCondition) return;
    std::fprintf(stderr, "galerio fuzz: broken promise: %s\n", pszWhat);
    std::abort();
}

std::uint8_t FuzzBytes::Byte() {
    if (m_nLeft == 0) return 0;
    --m_nLeft;
    return *m_p++;
}

std::uint16_t FuzzBytes::Word() {
    const std::uint16_t nLow = Byte();
    return static_cast<std::uint16_t>(nLow | (Byte() << 8));
}

std::string FuzzBytes::Text(std::size_t nMax) {
    std::string strText;
    while (m_nLeft > 0 && strText.size() < nMax) {
        const char ch = static_cast<char>(Byte());
        if (ch == '\0') break;
        strText += ch;
    }
    return strText;
}

std::string FuzzBytes::Rest() {
    std::string strRest(reinterpret_cast<const char*>(m_p), m_nLeft);
    m_p += m_nLeft;
    m_nLeft = 0;
    return strRest;
}

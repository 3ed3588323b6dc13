// SPDX-License-Identifier: MIT
// The web page: entries whose names come from the input, checked as markup.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "fuzz_targets.h"
#include "publish/html_page.h"

namespace {

constexpr const char* kDocType = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">";
constexpr const char* kExtensions[] = {".jpg", ".JPG", ".jpeg", ".bmp"};

struct Link {
    std::string strAttr;  // "src" or "href"
    std::string strValue;  // as written, entities and all
};

bool IsNameChar(char ch) { return std::isalpha(static_cast<unsigned char>(ch)) != 0; }

// An entity as HtmlText writes it: a named one of the four it uses, or a
// decimal reference. Returns its length, 0 when malformed.
std::size_t EntityLength(const std::string& s, std::size_t i) {
    for (const char* pszNamed : {"&amp;", "&lt;", "&gt;", "&quot;"})
        if (s.compare(i, std::strlen(pszNamed), pszNamed) == 0) return std::strlen(pszNamed);
    std::size_t j = i + 1;
    if (j >= s.size() || s[j] != '#') return 0;
    ++j;
    const std::size_t nDigits = j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
    if (j == nDigits || j >= s.size() || s[j] != ';') return 0;
    return j + 1 - i;
}

// Reads the markup the writer makes: tags whose attributes are all quoted
// and closed, and text of printable characters and entities. Collects the
// src and href values in order; false at the first fault.
bool ParseMarkup(const std::string& s, std::vector<Link>& vLinks) {
    std::size_t i = 0;
    while (i < s.size()) {
        const char ch = s[i];
        if (ch == '&') {
            const std::size_t n = EntityLength(s, i);
            if (n == 0) return false;
            i += n;
        } else if (ch == '<') {
            ++i;
            if (i < s.size() && s[i] == '/') ++i;
            const std::size_t nName = i;
            while (i < s.size() && IsNameChar(s[i])) ++i;
            if (i == nName) return false;
            for (;;) {
                while (i < s.size() && s[i] == ' ') ++i;
                if (i >= s.size()) return false;
                if (s[i] == '>') {
                    ++i;
                    break;
                }
                const std::size_t nAttr = i;
                while (i < s.size() && IsNameChar(s[i])) ++i;
                if (i == nAttr || i + 1 >= s.size() || s[i] != '=' || s[i + 1] != '"') return false;
                const std::string strAttr = s.substr(nAttr, i - nAttr);
                i += 2;
                const std::size_t nClose = s.find('"', i);
                if (nClose == std::string::npos) return false;
                const std::string strValue = s.substr(i, nClose - i);
                // Inside a value only the escapes may stand for markup.
                for (std::size_t k = 0; k < strValue.size(); ++k) {
                    const unsigned char c = static_cast<unsigned char>(strValue[k]);
                    if (c < 0x20 || c >= 0x7f || c == '<' || c == '>') return false;
                    if (c == '&') {
                        const std::size_t n = EntityLength(strValue, k);
                        if (n == 0) return false;
                        k += n - 1;
                    }
                }
                if (strAttr == "src" || strAttr == "href") vLinks.push_back({strAttr, strValue});
                i = nClose + 1;
            }
        } else if (ch == '>') {
            return false;
        } else {
            const unsigned char c = static_cast<unsigned char>(ch);
            if (c != '\n' && (c < 0x20 || c >= 0x7f)) return false;
            ++i;
        }
    }
    return true;
}

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

// The bytes a link leads to: entities and percent escapes undone. A
// relative link must not read as a URL scheme, so it may hold no ":".
bool LinkTarget(const std::string& strValue, bool bRelative, std::string& strTarget) {
    std::string strUrl;
    for (std::size_t i = 0; i < strValue.size();) {
        if (strValue[i] != '&') {
            strUrl += strValue[i++];
            continue;
        }
        const std::size_t n = EntityLength(strValue, i);
        const std::string strEntity = strValue.substr(i, n);
        // A URL is plain ASCII; only "&" itself needs escaping in it.
        if (strEntity != "&amp;") return false;
        strUrl += '&';
        i += n;
    }
    if (bRelative && strUrl.find(':') != std::string::npos) return false;
    strTarget.clear();
    for (std::size_t i = 0; i < strUrl.size(); ++i) {
        if (strUrl[i] != '%') {
            strTarget += strUrl[i];
            continue;
        }
        if (i + 2 >= strUrl.size()) return false;
        const int nHigh = HexValue(strUrl[i + 1]);
        const int nLow = HexValue(strUrl[i + 2]);
        if (nHigh < 0 || nLow < 0) return false;
        strTarget += static_cast<char>(nHigh * 16 + nLow);
        i += 2;
    }
    return true;
}

// The links one entry's markup must hold, in order.
void ExpectedLinks(const ImageItem& item, const PageOptions& options, bool bAbsolute,
                   std::vector<Link>& vExpected) {
    auto Target = [&](const std::string& strPath, const std::string& strName) {
        return bAbsolute ? "file://" + strPath : strName;
    };
    const Link image{"src", Target(item.m_strThumbFilePath, item.m_strThumbFileName)};
    const Link photo{"href", Target(item.m_strPath, item.m_strName + item.m_strExt)};
    if (options.m_bHref) vExpected.push_back(photo);
    vExpected.push_back(image);
    if (options.m_bHref && options.m_bTextHref) vExpected.push_back(photo);
}

void CheckMarkup(const std::string& strMarkup, const std::vector<Link>& vExpected, bool bAbsolute) {
    std::vector<Link> vLinks;
    FuzzRequire(ParseMarkup(strMarkup, vLinks), "the page's markup parses, every attribute closed");
    FuzzRequire(vLinks.size() == vExpected.size(), "every entry has its links and no others");
    for (std::size_t i = 0; i < vLinks.size(); ++i) {
        std::string strTarget;
        FuzzRequire(vLinks[i].strAttr == vExpected[i].strAttr, "the links come in order");
        FuzzRequire(LinkTarget(vLinks[i].strValue, !bAbsolute, strTarget),
                    "a link is a well-formed URL");
        FuzzRequire(strTarget == vExpected[i].strValue, "a link names the entry's file");
    }
}

// A name as the file system can hold it: no "/" and no NUL.
std::string FileSystemName(FuzzBytes& bytes) {
    std::string strName = bytes.Text(48);
    std::replace(strName.begin(), strName.end(), '/', '_');
    return strName;
}

}  // namespace

int FuzzPageWriter(const std::uint8_t* pData, std::size_t nSize) {
    FuzzBytes bytes(pData, nSize);
    const std::uint8_t nFlags = bytes.Byte();
    PageOptions options;
    options.m_bHref = (nFlags & 1) != 0;
    options.m_bTextHref = (nFlags & 2) != 0;
    options.m_bTable = (nFlags & 4) != 0;
    const bool bElsewhere = (nFlags & 8) != 0;  // the page outside the photos' folder
    const bool bDoAll = (nFlags & 16) == 0;
    options.m_nHrefStyle = bytes.Byte() % 3;
    options.m_nRowCount = bytes.Byte() % 40;
    options.m_nBorder = bytes.Byte();
    options.m_nCell = bytes.Byte();
    options.m_nCellPad = bytes.Byte();
    const std::size_t nEntries = bytes.Byte() % 8;
    const std::size_t nSelected = bytes.Byte();
    const std::string strBefore = bytes.Text(256);
    const std::string strAfter = bytes.Text(256);

    FuzzScratch scratch;
    const std::string strPhotos = scratch.MakeFolder("photos");
    const std::string strPages = scratch.MakeFolder("pages");
    options.m_strFile = (bElsewhere ? strPages : strPhotos) + "/index.html";

    ImageList listImages;
    for (std::size_t i = 0; i < nEntries; ++i) {
        auto pItem = std::make_unique<ImageItem>();
        pItem->m_nKind = IMAGE_JPEG;
        pItem->m_strFolder = strPhotos;
        pItem->m_strName = FileSystemName(bytes);
        pItem->m_strExt = kExtensions[bytes.Byte() % 4];
        pItem->m_strPath = strPhotos + "/" + pItem->m_strName + pItem->m_strExt;
        pItem->m_strThumbFileName = FileSystemName(bytes) + ".jpg";
        pItem->m_strThumbFilePath = strPhotos + "/" + pItem->m_strThumbFileName;
        pItem->m_nThumbFileWidth = bytes.Word();
        pItem->m_nThumbFileHeight = bytes.Word();
        listImages.push_back(std::move(pItem));
    }
    const ImageItem* pSelected =
        listImages.empty() ? nullptr : listImages[nSelected % listImages.size()].get();

    std::vector<Link> vPageLinks;
    for (const auto& pItem : listImages) {
        for (const bool bAbsolute : {false, true}) {
            std::vector<Link> vExpected;
            ExpectedLinks(*pItem, options, bAbsolute, vExpected);
            CheckMarkup(FormatPageEntry(*pItem, options, bAbsolute), vExpected,
                        bAbsolute);
        }
        if (bDoAll || pItem.get() == pSelected)
            ExpectedLinks(*pItem, options, bElsewhere, vPageLinks);
    }

    bool bNeedFullPath = true;
    FuzzRequire(WriteHtmlPage(listImages, bDoAll, pSelected, options, strBefore, strAfter,
                              bNeedFullPath),
                "the page is written");
    FuzzRequire(bNeedFullPath == (!bElsewhere || listImages.empty()),
                "the notice is shown exactly for file URLs");
    // The head and tail are the user's own text, byte for byte; the markup
    // between them is the writer's.
    const std::string strPage = FuzzScratch::ReadFile(options.m_strFile);
    const std::string strHead = kDocType + strBefore + "\n";
    const std::string strTail = strAfter + "\n";
    FuzzRequire(strPage.size() >= strHead.size() + strTail.size() &&
                    strPage.compare(0, strHead.size(), strHead) == 0 &&
                    strPage.compare(strPage.size() - strTail.size(), strTail.size(), strTail) == 0,
                "the page starts with the head text and ends with the tail text");
    CheckMarkup(strPage.substr(strHead.size(), strPage.size() - strHead.size() - strTail.size()),
                vPageLinks, bElsewhere);
    return 0;
}

// SPDX-License-Identifier: MIT
#include "publish/page_text.h"

#include <QList>
#include <QString>
#include <cstdio>
#include <cstring>

#include "platform/paths.h"

namespace {

// What a URL path keeps as it is; QUrl leaves the same set unencoded.
bool KeptInUrlPath(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return c != 0 && std::strchr("-._~!$&'()*+,;=:@/[]", c) != nullptr;
}

std::string PercentEncode(const std::string& strBytes, bool bKeepColon) {
    std::string strOut;
    strOut.reserve(strBytes.size());
    for (const char ch : strBytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (KeptInUrlPath(c) && (bKeepColon || c != ':')) {
            strOut += ch;
        } else {
            char szHex[4];
            std::snprintf(szHex, sizeof szHex, "%%%02X", c);
            strOut += szHex;
        }
    }
    return strOut;
}

}  // namespace

std::string HtmlText(const std::string& strName) {
    std::string strOut;
    strOut.reserve(strName.size());
    // Bytes that are not UTF-8 show as replacement characters, as everywhere
    // else a name is shown.
    for (const uint c : ToDisplay(strName).toUcs4()) {
        switch (c) {
            case '&':
                strOut += "&amp;";
                break;
            case '<':
                strOut += "&lt;";
                break;
            case '>':
                strOut += "&gt;";
                break;
            case '"':
                strOut += "&quot;";
                break;
            default:
                if (c >= 0x20 && c < 0x7f) {
                    strOut += static_cast<char>(c);
                } else {
                    char szRef[16];
                    std::snprintf(szRef, sizeof szRef, "&#%u;", static_cast<unsigned>(c));
                    strOut += szRef;
                }
                break;
        }
    }
    return strOut;
}

std::string FileUrl(const std::string& strPath) {
    // An entry whose thumbnail file was never written has no path to show.
    if (strPath.empty()) return {};
    const std::string strFull = strPath[0] == '/' ? strPath : AbsoluteFolder(strPath);
    return "file://" + PercentEncode(strFull, true);
}

std::string RelativeUrl(const std::string& strName) { return PercentEncode(strName, false); }

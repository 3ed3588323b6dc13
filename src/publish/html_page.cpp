// SPDX-License-Identifier: MIT
// The HTML 3.2 page of a Make Thumbs and Page run. Its text is fixed to the
// byte; only names taken from the file system are escaped, so that any name
// gives a valid page whose links work.
#include "publish/html_page.h"

#include <cstdio>

#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/replace_file.h"
#include "publish/page_text.h"
#include "settings/settings_store.h"

namespace {

const char* const kDocType = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">";
const char* const kPageFailedText =
    "Thumbnails were created but HTML file could not be created.\n\n(Did you specify a directory "
    "path instead of a file path?)";
const char* const kNeedFullPathText =
    "The way you specified the Folder path\nand the HTML file path will result in\nthe HTML source "
    "specifying abolute paths.\n\nTo use relative pathing (the more typical case)\nmake the path "
    "the same on the two sheets of\nthe Make Thumbs and Page dialog or use the\nbutton on the "
    "second page called...\nCreate HTML Page in Same Folder As ThumbNails.    ";

std::string Printf(const char* pszFormat, int a, int b = 0, int c = 0) {
    char sz[128];
    std::snprintf(sz, sizeof sz, pszFormat, a, b, c);
    return sz;
}

// Style 1 follows the closing quote directly; browsers have always accepted it.
const char* TargetAttribute(int nHrefStyle) {
    switch (nHrefStyle) {
        case 1:
            return "target=\"NEW\"";
        case 2:
            return " target=\"_blank\"";
        default:
            return "";
    }
}

// The folder a file is in: for the page, where its bare names are looked up.
std::string FolderOf(const std::string& strFile) {
    const std::size_t nSlash = strFile.rfind('/');
    return nSlash == std::string::npos ? std::string(".") : strFile.substr(0, nSlash + 1);
}

// Bare names of images work only when the page sits beside them; the first
// catalogue entry stands for all of them.
bool NeedsAbsolutePaths(const ImageList& listImages, const ImageItem* pSelected,
                        const std::string& strFile) {
    const ImageItem* pFirst = !listImages.empty() ? listImages.front().get() : pSelected;
    return pFirst && !SameFolder(FolderOf(strFile), pFirst->m_strFolder);
}

// The thumbnails may be in a folder of their own, so the image tag looks at
// where the entry's thumbnail file is, not at where its photo is.
std::string EntryText(const ImageItem& item, const PageOptions& options, bool bLinkUrl,
                      const std::string& strPageFolder) {
    const bool bImageUrl = !SameFolder(FolderOf(item.m_strThumbFilePath), strPageFolder);
    return FormatPageEntry(item, options, bImageUrl, bLinkUrl);
}

std::string PageText(const ImageList& listImages, bool bDoAll, const ImageItem* pSelected,
                     const PageOptions& options, bool bTable, bool bLinkUrl,
                     const std::string& strBefore, const std::string& strAfter) {
    const std::string strPageFolder = FolderOf(options.m_strFile);
    std::string strPage = kDocType;
    strPage += strBefore + "\n";
    if (bTable)
        strPage += Printf("\n<table border=\"%d\" cellspacing=\"%d\" cellpadding=\"%d\">\n",
                          options.m_nBorder, options.m_nCell, options.m_nCellPad);
    if (bDoAll) {
        // The count is range-checked where it is typed; a row of nothing would loop for ever.
        const std::size_t nPerRow = options.m_nRowCount > 0 ? std::size_t(options.m_nRowCount) : 1;
        std::size_t i = 0;
        for (const auto& pItem : listImages) {
            ++i;
            if (bTable && (i - 1) % nPerRow == 0) strPage += "\n<tr>\n\n";
            const std::string strEntry = EntryText(*pItem, options, bLinkUrl, strPageFolder);
            if (bTable)
                strPage += "<td align=\"center\">\n" + strEntry + "</td>\n";
            else
                strPage += strEntry + "<br>\n";
            if (bTable && i % nPerRow == 0) strPage += "\n</tr>\n";
        }
        if (bTable && i % nPerRow != 0) strPage += "\n</tr>\n";
    } else if (pSelected) {
        strPage += EntryText(*pSelected, options, bLinkUrl, strPageFolder);
    }
    if (bTable) strPage += "\n</table>\n";
    strPage += strAfter + "\n";
    return strPage;
}

}  // namespace

std::string FormatPageEntry(const ImageItem& item, const PageOptions& options, bool bImageUrl,
                            bool bLinkUrl) {
    const std::string strSource =
        bImageUrl ? FileUrl(item.m_strThumbFilePath) : RelativeUrl(item.m_strThumbFileName);
    std::string strEntry =
        "<img src=\"" + HtmlText(strSource) + "\" alt=\"" + HtmlText(item.m_strThumbFileName) +
        "\" border=\"1\"" +
        Printf(" width=\"%d\" height=\"%d\">", item.m_nThumbFileWidth, item.m_nThumbFileHeight);
    if (options.m_bHref) {
        const std::string strFileName = item.m_strName + item.m_strExt;
        const std::string strTarget = bLinkUrl ? FileUrl(item.m_strPath) : RelativeUrl(strFileName);
        const std::string strOpen =
            "<a href=\"" + HtmlText(strTarget) + "\"" + TargetAttribute(options.m_nHrefStyle) + ">";
        strEntry = strOpen + strEntry + "</a>";
        if (options.m_bTextHref) strEntry += "\n<br>" + strOpen + HtmlText(strFileName) + "</a>";
    }
    return strEntry + "\n";
}

bool WriteHtmlPage(const ImageList& listImages, bool bDoAll, const ImageItem* pSelected,
                   const PageOptions& options, const std::string& strBefore,
                   const std::string& strAfter, const SettingsStore& store) {
    bool bNeedFullPath = store.GetInt(kSectionNewbie, kNeedFullPath, kNeedFullPathDefault) != 0;
    const bool bWasNeeded = bNeedFullPath;
    const bool bWritten =
        WriteHtmlPage(listImages, bDoAll, pSelected, options, strBefore, strAfter, bNeedFullPath);
    if (bWasNeeded && !bNeedFullPath) store.PutInt(kSectionNewbie, kNeedFullPath, 0);
    return bWritten;
}

bool WriteHtmlPage(const ImageList& listImages, bool bDoAll, const ImageItem* pSelected,
                   const PageOptions& options, const std::string& strBefore,
                   const std::string& strAfter, bool& bNeedFullPath) {
    // One image is never a table; the stored option stays as the user set it.
    const bool bTable = options.m_bTable && bDoAll;

    CReplacingFile page(options.m_strFile);
    std::FILE* pFile = options.m_strFile.empty() ? nullptr : page.Open();
    if (!pFile) {
        ShowMessage(QString::fromLatin1(kPageFailedText));
        return false;
    }

    const bool bAbsolute = NeedsAbsolutePaths(listImages, pSelected, options.m_strFile);
    if (bAbsolute && bNeedFullPath) {
        ShowMessage(QString::fromLatin1(kNeedFullPathText));
        bNeedFullPath = false;
    }

    const std::string strPage =
        PageText(listImages, bDoAll, pSelected, options, bTable, bAbsolute, strBefore, strAfter);
    // A page cut short by a full disk must not replace a complete one: it is
    // dropped before the rename is even tried.
    bool bWritten = std::fwrite(strPage.data(), 1, strPage.size(), pFile) == strPage.size();
    if (!bWritten)
        std::fclose(pFile);
    else
        bWritten = page.Commit(pFile);
    if (!bWritten) ShowMessage(QString::fromLatin1(kPageFailedText));
    return bWritten;
}

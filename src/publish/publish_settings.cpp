// SPDX-License-Identifier: MIT
#include "publish/publish_settings.h"

#include "settings/settings_store.h"

PublishSettings LoadPublishSettings(const SettingsStore& store, int nSizeLimit,
                                    const std::string& strShownFolder) {
    const auto getInt = [&store](const char* name, int nDefault) {
        return store.GetInt(kSectionSettings, name, nDefault);
    };
    const auto getString = [&store](const char* name, const char* pszDefault) {
        return store.GetString(kSectionSettings, name, pszDefault);
    };
    PublishSettings s;
    s.job.m_nSizeLimit = nSizeLimit;
    const int nNaming = getInt(kPrepend, kPrependDefault);
    s.job.m_nNaming = nNaming >= AppendText && nNaming <= SourceName ? ThumbNaming(nNaming)
                                                                       : AppendText;
    s.job.m_strSuffix = getString(kPostPendText, kPostPendTextDefault);
    s.job.m_strPrefix = getString(kPrePendText, kPrePendTextDefault);
    s.job.m_nQuality = getInt(kCompression, kCompressionDefault);
    s.job.m_strFolder = getInt(kCreateHere, kCreateHereDefault) != 0
                            ? strShownFolder
                            : getString(kFolder, kFolderDefault);
    if (s.job.m_strFolder.empty()) s.job.m_strFolder = strShownFolder;
    s.bDoAll = getInt(kDoAll, kDoAllDefault) != 0;
    s.job.m_bRotateByTag =
        store.GetInt(kSectionOrientation, kRotateByTag, kRotateByTagDefault) != 0;

    s.page.m_bHref = getInt(kHref, kHrefDefault) != 0;
    s.page.m_bTextHref = getInt(kTextHref, kTextHrefDefault) != 0;
    s.page.m_nHrefStyle = getInt(kHrefStyle, kHrefStyleDefault);
    s.page.m_strFile = getString(kFile, kFileDefault);
    s.page.m_nRowCount = getInt(kRowCount, kRowCountDefault);
    s.page.m_bTable = getInt(kTable, kTableDefault) != 0;
    s.page.m_nBorder = getInt(kBorder, kBorderDefault);
    s.page.m_nCell = getInt(kCell, kCellDefault);
    s.page.m_nCellPad = getInt(kCellPad, kCellPadDefault);
    s.strBefore = getString(kBefore, kBeforeDefault);
    s.strAfter = getString(kAfter, kAfterDefault);
    return s;
}

std::string DefaultPageFile(const std::string& strFolder) {
    const bool bSlash = !strFolder.empty() && strFolder.back() == '/';
    return strFolder + (bSlash ? "MyPage.html" : "/MyPage.html");
}

ScanOptions RunScanOptions(const SettingsStore& store, const ThumbJob& job) {
    ScanOptions scan;
    scan.m_bTNSearch = store.GetInt(kSectionSettings, kTNSearch, kTNSearchDefault) != 0;
    scan.m_strPostPend = job.m_strSuffix;
    scan.m_strPrePend = job.m_strPrefix;
    return scan;
}

void SaveThumbSettings(const SettingsStore& store, const PublishSettings& s) {
    store.PutInt(kSectionSettings, kPrepend, s.job.m_nNaming);
    store.PutInt(kSectionSettings, kDoAll, s.bDoAll ? 1 : 0);
    store.PutString(kSectionSettings, kFolder, s.job.m_strFolder);
    store.PutString(kSectionSettings, kPostPendText, s.job.m_strSuffix);
    store.PutString(kSectionSettings, kPrePendText, s.job.m_strPrefix);
    store.PutInt(kSectionSettings, kCompression, s.job.m_nQuality);
}

void SavePageSettings(const SettingsStore& store, const PublishSettings& s) {
    store.PutInt(kSectionSettings, kHref, s.page.m_bHref ? 1 : 0);
    store.PutInt(kSectionSettings, kTextHref, s.page.m_bTextHref ? 1 : 0);
    store.PutInt(kSectionSettings, kHrefStyle, s.page.m_nHrefStyle);
    store.PutString(kSectionSettings, kFile, s.page.m_strFile);
    store.PutInt(kSectionSettings, kRowCount, s.page.m_nRowCount);
    store.PutInt(kSectionSettings, kTable, s.page.m_bTable ? 1 : 0);
    store.PutInt(kSectionSettings, kBorder, s.page.m_nBorder);
    store.PutInt(kSectionSettings, kCell, s.page.m_nCell);
    store.PutInt(kSectionSettings, kCellPad, s.page.m_nCellPad);
    store.PutString(kSectionSettings, kBefore, s.strBefore);
    store.PutString(kSectionSettings, kAfter, s.strAfter);
}

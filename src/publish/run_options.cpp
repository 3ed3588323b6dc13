// SPDX-License-Identifier: MIT
#include "publish/run_options.h"

#include "settings/settings_keys.h"
#include "settings/settings_store.h"

ThumbJob LoadThumbJob(const SettingsStore& store, int nSizeLimit) {
    ThumbJob job;
    job.m_nSizeLimit = nSizeLimit;
    job.m_nNaming =
        static_cast<ThumbNaming>(store.GetInt(kSectionSettings, kPrepend, kPrependDefault));
    job.m_strSuffix = store.GetString(kSectionSettings, kPostPendText, kPostPendTextDefault);
    job.m_strPrefix = store.GetString(kSectionSettings, kPrePendText, kPrePendTextDefault);
    job.m_nQuality = store.GetInt(kSectionSettings, kCompression, kCompressionDefault);
    return job;
}

PageOptions LoadPageOptions(const SettingsStore& store) {
    PageOptions options;
    options.m_bHref = store.GetInt(kSectionSettings, kHref, kHrefDefault) != 0;
    options.m_nHrefStyle = store.GetInt(kSectionSettings, kHrefStyle, kHrefStyleDefault);
    options.m_bTextHref = store.GetInt(kSectionSettings, kTextHref, kTextHrefDefault) != 0;
    options.m_strFile = store.GetString(kSectionSettings, kFile, kFileDefault);
    options.m_bTable = store.GetInt(kSectionSettings, kTable, kTableDefault) != 0;
    options.m_nRowCount = store.GetInt(kSectionSettings, kRowCount, kRowCountDefault);
    options.m_nBorder = store.GetInt(kSectionSettings, kBorder, kBorderDefault);
    options.m_nCell = store.GetInt(kSectionSettings, kCell, kCellDefault);
    options.m_nCellPad = store.GetInt(kSectionSettings, kCellPad, kCellPadDefault);
    return options;
}

std::string LoadPageHead(const SettingsStore& store) {
    return store.GetString(kSectionSettings, kBefore, kBeforeDefault);
}

std::string LoadPageTail(const SettingsStore& store) {
    return store.GetString(kSectionSettings, kAfter, kAfterDefault);
}

// SPDX-License-Identifier: MIT
// Texts from disk and from the shell: the settings files and the command lines.
#include <climits>
#include <string>
#include <vector>

#include "app/frame_rules.h"
#include "batch/batch_options.h"
#include "fuzz_support.h"
#include "fuzz_targets.h"
#include "publish/run_options.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

constexpr const char* kAppName = "Galerio";

// Reads every setting the program knows, in every section, as text and as
// a number: a number is its text's leading number, or the default when the
// text starts with none or is missing.
void ReadEverySetting(const SettingsStore& store) {
    constexpr int kDefault = INT_MIN + 1;
    std::vector<const char*> vSections(std::begin(kSectionNames), std::end(kSectionNames));
    vSections.push_back(kSectionPerformance);
    for (const char* pszSection : vSections) {
        for (const char* pszName : kSettingNames) {
            const int nValue = store.GetInt(pszSection, pszName, kDefault);
            const std::string strText = store.GetString(pszSection, pszName, "");
            int nParsed = 0;
            FuzzRequire(ParseLeadingInt(strText, nParsed) ? nValue == nParsed : nValue == kDefault,
                        "a number setting reads as its text's leading number");
        }
    }
}

void CheckInRange(const std::optional<int>& nValue, int nMin, int nMax, const char* pszWhat) {
    if (nValue) FuzzRequire(*nValue >= nMin && *nValue <= nMax, pszWhat);
}

}  // namespace

int FuzzSettingsFile(const std::uint8_t* pData, std::size_t nSize) {
    FuzzScratch scratch;
    const std::string strConfig = scratch.Folder() + "/config";

    // The old profile, imported into a new store on the first start.
    scratch.WriteFile(std::string("config/") + kAppName + ".INI", pData, nSize);
    SettingsStore store;
    bool bCreated = false;
    FuzzRequire(store.OpenProductKey(kAppName, bCreated) && bCreated, "a new store is made");
    store.ImportLegacyProfile(kAppName);
    ReadEverySetting(store);

    // The store's own file as found on disk, hand-edited or damaged.
    SettingsStore direct;
    direct.SetFilePath(scratch.WriteFile("direct.ini", pData, nSize));
    ReadEverySetting(direct);
    return 0;
}

int FuzzCommandLine(const std::uint8_t* pData, std::size_t nSize) {
    std::vector<std::string> vArgs;
    FuzzBytes bytes(pData, nSize);
    while (bytes.Left() > 0) vArgs.push_back(bytes.Text(4096));

    const CommandLineInfo info = ParseCommandLine(vArgs);
    // Only "--" and the options themselves are taken out; quotes and blanks
    // at most shorten what remains.
    std::size_t nArgBytes = vArgs.size();
    for (const std::string& strArg : vArgs) nArgBytes += strArg.size();
    FuzzRequire(info.strFolder.size() <= nArgBytes, "the folder is made of the arguments");

    BatchArgs batch;
    std::string strError;
    if (!ParseBatchArgs(vArgs, batch, strError)) {
        FuzzRequire(!strError.empty(), "a refused command line says why");
        return 0;
    }
    if (batch.m_bHelp) return 0;
    FuzzRequire(!batch.m_strOut.empty(), "an accepted run has a thumbnail folder");
    CheckInRange(batch.m_nSize, kSizeLimitMin, kSizeLimitMax, "--size in range");
    CheckInRange(batch.m_nQuality, kQualityMin, kQualityMax, "--quality in range");
    CheckInRange(batch.m_nHrefStyle, 0, kHrefStyleMax, "--link in range");
    CheckInRange(batch.m_nRowCount, kRowCountMin, kRowCountMax, "--table in range");
    CheckInRange(batch.m_nBorder, kBorderMin, kBorderMax, "--border in range");
    CheckInRange(batch.m_nCell, kCellMin, kCellMax, "--cellspacing in range");
    CheckInRange(batch.m_nCellPad, 0, INT_MAX, "--cellpadding in range");
    CheckInRange(batch.m_nJobs, 1, INT_MAX, "--jobs in range");
    CheckInRange(batch.m_nSortOption, 0, 3, "--sort in range");
    if (batch.m_strPage) FuzzRequire(!batch.m_strPage->empty(), "--page names a file");
    return 0;
}

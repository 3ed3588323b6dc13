// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "browser/catalogue/catalogue.h"
#include "publish/html_page.h"
#include "publish/thumb_writer.h"

class SettingsStore;

// What a Make Thumbs run is set up with, as stored between runs.
struct PublishSettings {
    ThumbJob job;
    bool bDoAll = kDoAllDefault != 0;
    PageOptions page;
    std::string strBefore = kBeforeDefault;
    std::string strAfter = kAfterDefault;
};

// Reads the stored choices. The size limit is not stored: it is the grid's
// thumbnail size. The folder is the one shown when "CreateHere" is set or no
// folder is stored.
PublishSettings LoadPublishSettings(const SettingsStore& store, int nSizeLimit,
                                    const std::string& strShownFolder);
// The proposal for a page file that is not set yet: "MyPage.html" in folder.
std::string DefaultPageFile(const std::string& strFolder);

// The scan a run's folders are searched with: the stored thumbnail filter,
// with the names this run gives its thumbnails.
ScanOptions RunScanOptions(const SettingsStore& store, const ThumbJob& job);

void SaveThumbSettings(const SettingsStore& store, const PublishSettings& settings);
void SavePageSettings(const SettingsStore& store, const PublishSettings& settings);

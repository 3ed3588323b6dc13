// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "codec/codec_fixtures.h"
#include "support/temp_config.h"

// Every file of a folder, hidden ones included, by name: its bytes
// ("<folder>" for a folder).
using FolderFiles = std::map<std::string, std::string>;
FolderFiles ReadFolder(const std::string& strFolder);

// What a run of the command left: its exit status and what it printed.
struct CommandResult {
    int nStatus = -1;
    std::string strOut;
    std::string strErr;
};

// A private settings folder and a folder of photos ("pics") with a folder
// for thumbnails ("out") beside it.
class BatchFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // A quadrant picture as JPEG (or, for a name ending in ".bmp", a 24-bit bitmap).
    void AddPhoto(const std::string& strName, int w, int h);
    // A file named like a JPEG that is no picture at all.
    void AddBroken(const std::string& strName);
    // Sets a stored setting of the section "Settings".
    void Store(const std::string& strName, const std::string& strValue);
    void Store(const char* pszSection, const std::string& strName, const std::string& strValue);

    // Runs the command in this process: the arguments after "--make-thumbs".
    CommandResult Run(const std::vector<std::string>& args);

    TempConfig m_config;
    std::string m_strPics;
    std::string m_strOut;
    std::string m_strSettings;  // the settings file the command reads
};

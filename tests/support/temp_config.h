// SPDX-License-Identifier: MIT
#pragma once

#include <QTemporaryDir>
#include <string>

// A private settings folder for one test: points XDG_CONFIG_HOME (and
// XDG_CACHE_HOME) into a fresh temporary folder and restores the old values
// afterwards, so no test touches the user's real settings or cache.
class TempConfig {
public:
    TempConfig();
    ~TempConfig();
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;

    std::string ConfigDir() const;   // the XDG_CONFIG_HOME in force
    std::string WorkDir() const;     // a second fresh folder for test files

private:
    QTemporaryDir m_dir;
    bool m_bHadOld = false;
    std::string m_strOld;
    bool m_bHadOldCache = false;
    std::string m_strOldCache;
};

// SPDX-License-Identifier: MIT
#include "support/temp_config.h"

#include <QDir>
#include <cstdlib>

TempConfig::TempConfig() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        m_bHadOld = true;
        m_strOld = old;
    }
    if (const char* old = std::getenv("XDG_CACHE_HOME")) {
        m_bHadOldCache = true;
        m_strOldCache = old;
    }
    QDir(m_dir.path()).mkpath("config");
    QDir(m_dir.path()).mkpath("work");
    setenv("XDG_CONFIG_HOME", ConfigDir().c_str(), 1);
    // Each test starts with an empty thumbnail cache of its own.
    setenv("XDG_CACHE_HOME", (m_dir.path().toStdString() + "/cache").c_str(), 1);
}

TempConfig::~TempConfig() {
    if (m_bHadOld)
        setenv("XDG_CONFIG_HOME", m_strOld.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (m_bHadOldCache)
        setenv("XDG_CACHE_HOME", m_strOldCache.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
}

std::string TempConfig::ConfigDir() const { return m_dir.path().toStdString() + "/config"; }

std::string TempConfig::WorkDir() const { return m_dir.path().toStdString() + "/work"; }

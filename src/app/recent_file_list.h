// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <vector>

// The recent-folder list, kept in the application profile
// "<config>/Halvane Software/galerio-profile.ini", group "Recent File List",
// keys File1..FileN, most recent first. It is written whenever it changes, so
// a crash loses nothing.
class CRecentFileList {
public:
    CRecentFileList(std::string profilePath, int nSize);

    // The profile path in force: $XDG_CONFIG_HOME/Halvane Software/galerio-profile.ini.
    static std::string DefaultProfilePath();

    void ReadList();
    bool WriteList() const;
    // Adds the folder, made absolute and clean, at the head and writes the
    // list when it changed.
    void Add(const std::string& folder);

    const std::vector<std::string>& Entries() const { return m_entries; }
    int Size() const { return m_nSize; }
    // Called after every change, so the File menu can follow.
    void SetOnChanged(std::function<void()> fn) { m_onChanged = std::move(fn); }

private:
    std::function<void()> m_onChanged;
    std::string m_strProfile;
    int m_nSize;
    std::vector<std::string> m_entries;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The program's persistent options: one INI file, one group per section, all
// values text. Every call opens the file afresh and caches nothing, so a value
// written by one part of the program is seen at once by every later reader,
// also on the folder-scan thread.
class SettingsStore {
public:
    // Points the store at "<config>/Halvane Software/<appName>.ini" and creates
    // the file when it is missing. Returns false when it cannot be created;
    // bCreated is true only when the file did not exist before.
    bool OpenProductKey(const std::string& appName, bool& bCreated);
    // The file OpenProductKey points the store at, without creating anything.
    static std::string ProductKeyPath(const std::string& appName);

    // Copies the legacy profile "<config>/<appName>.INI" into the store. Called
    // only when OpenProductKey reported a new store.
    void ImportLegacyProfile(const std::string& appName);

    int GetInt(const std::string& section, const std::string& name, int nDefault) const;
    bool PutInt(const std::string& section, const std::string& name, int nValue) const;
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& strDefault) const;
    bool PutString(const std::string& section, const std::string& name,
                   const std::string& strValue) const;

    const std::string& FilePath() const { return m_strPath; }
    // Points the store at an explicit file (used by tests and tools).
    void SetFilePath(std::string path) { m_strPath = std::move(path); }

private:
    bool ReadText(const std::string& section, const std::string& name, std::string& text) const;

    std::string m_strPath;
};

// "%d" reading: leading blanks, optional sign, digits up to the first
// non-digit. False when the text starts with no number at all.
bool ParseLeadingInt(const std::string& text, int& nValue);

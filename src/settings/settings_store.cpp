// SPDX-License-Identifier: MIT
#include "settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>
#include <cctype>
#include <climits>
#include <cstdio>
#include <memory>
#include <span>
#include <string_view>

#include "platform/paths.h"
#include "platform/text_util.h"
#include "settings/settings_keys.h"

namespace {

constexpr const char* kMakerFolder = "Halvane Software";

QString Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(name);
}

// Texts are stored as UTF-8; a text that is not valid UTF-8 (a path with odd
// bytes) is stored as raw bytes so it reads back unchanged.
QVariant ToStored(const std::string& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!decoder.hasError()) return decoded;
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromStored(const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
    // A hand-edited value with a comma reads as a list; it is still one text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

// Letter case folded for A-Z only: the old platform compared profile names
// that way, and no other letter may turn into one of ours (the Kelvin sign
// is no "k", a dotless "i" no "I").
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char ca = a[i];
        char cb = b[i];
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
        if (ca != cb) return false;
    }
    return true;
}

// The spelling the program reads for a name of the legacy profile; a name it
// does not know is kept as it stands.
std::string ReadSpelling(const std::string& name, std::span<const char* const> known) {
    for (const char* pKnown : known)
        if (SameIgnoringAsciiCase(name, pKnown)) return pKnown;
    return name;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool ParseLeadingInt(const std::string& text, int& nValue) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        bNegative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        // Saturate instead of overflowing on an absurdly long number.
        if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[i] - '0');
    }
    if (bNegative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    nValue = static_cast<int>(value);
    return true;
}

std::string SettingsStore::ProductKeyPath(const std::string& appName) {
    return ConfigHome() + "/" + kMakerFolder + "/" + appName + ".ini";
}

bool SettingsStore::OpenProductKey(const std::string& appName, bool& bCreated) {
    bCreated = false;
    const std::string folder = ConfigHome() + "/" + kMakerFolder;
    m_strPath = ProductKeyPath(appName);
    const QString path = ToDisplay(m_strPath);
    if (QFileInfo::exists(path)) return true;
    if (!QDir().mkpath(ToDisplay(folder))) return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return QFileInfo::exists(path);
    bCreated = true;
    return true;
}

void SettingsStore::ImportLegacyProfile(const std::string& appName) {
    const std::string profile = ConfigHome() + "/" + appName + ".INI";
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(profile.c_str(), "r"));
    if (!file || m_strPath.empty()) return;

    QSettings store(ToDisplay(m_strPath), QSettings::IniFormat);
    bool bInSection = false;
    // Lines are read in pieces of at most 519 characters, each piece a line.
    char buffer[520];
    while (std::fgets(buffer, sizeof buffer, file.get())) {
        const std::string line = StripBlanks(buffer);
        const std::size_t open = line.find('[');
        const std::size_t close = line.find(']');
        if (!line.empty() && open == 0 && close == line.size() - 1) {
            if (bInSection) store.endGroup();
            std::string section = line;
            section.front() = ' ';
            section.back() = ' ';
            section = StripBlanks(section);
            // A section the store cannot name ends the import.
            if (section.empty() || section.find('/') != std::string::npos ||
                section.find('\\') != std::string::npos) {
                bInSection = false;
                break;
            }
            store.beginGroup(QString::fromStdString(ReadSpelling(section, kSectionNames)));
            bInSection = true;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || !bInSection) continue;
        const std::string name = line.substr(0, eq);
        // Names the store cannot hold are a failed write, which is ignored.
        if (name.empty() || name.find('/') != std::string::npos ||
            name.find('\\') != std::string::npos)
            continue;
        store.setValue(QString::fromStdString(ReadSpelling(name, kSettingNames)),
                       ToStored(line.substr(eq + 1)));
    }
    if (bInSection) store.endGroup();
    store.sync();
}

int SettingsStore::GetInt(const std::string& section, const std::string& name, int nDefault) const {
    std::string text;
    int nValue = 0;
    return ReadText(section, name, text) && ParseLeadingInt(text, nValue) ? nValue : nDefault;
}

bool SettingsStore::PutInt(const std::string& section, const std::string& name, int nValue) const {
    char text[16];
    std::snprintf(text, sizeof text, "%d", nValue);
    return PutString(section, name, text);
}

bool SettingsStore::ReadText(const std::string& section, const std::string& name,
                             std::string& text) const {
    // Reads never create anything, not even the file.
    if (m_strPath.empty() || !QFileInfo::exists(ToDisplay(m_strPath))) return false;
    QSettings store(ToDisplay(m_strPath), QSettings::IniFormat);
    const QVariant value = store.value(Key(section, name));
    if (!value.isValid()) return false;
    text = FromStored(value);
    return true;
}

std::string SettingsStore::GetString(const std::string& section, const std::string& name,
                                     const std::string& strDefault) const {
    std::string text;
    return ReadText(section, name, text) ? text : strDefault;
}

bool SettingsStore::PutString(const std::string& section, const std::string& name,
                              const std::string& strValue) const {
    if (m_strPath.empty()) return false;
    QSettings store(ToDisplay(m_strPath), QSettings::IniFormat);
    if (!store.isWritable()) return false;
    const QString key = Key(section, name);
    const QVariant stored = ToStored(strValue);
    // Writing the file costs a lock, a flush to disk and a rename, and the
    // start-up writes (the system colours, the window's place) mostly store
    // what is already there.
    if (store.value(key) == stored) return true;
    store.setValue(key, stored);
    store.sync();
    return store.status() == QSettings::NoError;
}

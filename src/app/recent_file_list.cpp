// SPDX-License-Identifier: MIT
#include "app/recent_file_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

#include "app/frame_rules.h"
#include "platform/paths.h"

namespace {

constexpr const char* kGroup = "Recent File List";

QString EntryKey(int nIndex) { return QStringLiteral("File%1").arg(nIndex + 1); }

// Folder names that are not valid UTF-8 are kept as raw bytes so they read
// back as the same path.
QVariant ToStored(const std::string& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!decoder.hasError()) return decoded;
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromStored(const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

}  // namespace

CRecentFileList::CRecentFileList(std::string profilePath, int nSize)
    : m_strProfile(std::move(profilePath)), m_nSize(ClampRecentCount(nSize)) {}

std::string CRecentFileList::DefaultProfilePath() {
    return ConfigHome() + "/Halvane Software/galerio-profile.ini";
}

void CRecentFileList::ReadList() {
    m_entries.clear();
    const QString path = ToDisplay(m_strProfile);
    if (!QFileInfo::exists(path)) return;
    QSettings profile(path, QSettings::IniFormat);
    profile.beginGroup(QString::fromLatin1(kGroup));
    // Gaps and duplicates in a hand-edited profile are closed up.
    std::vector<std::string> read;
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        const std::string entry = FromStored(profile.value(EntryKey(i)));
        if (!entry.empty()) read.push_back(entry);
    }
    for (auto it = read.rbegin(); it != read.rend(); ++it) AddRecentFolder(m_entries, *it, m_nSize);
}

bool CRecentFileList::WriteList() const {
    const QString path = ToDisplay(m_strProfile);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings profile(path, QSettings::IniFormat);
    profile.remove(QString::fromLatin1(kGroup));
    profile.beginGroup(QString::fromLatin1(kGroup));
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        profile.setValue(EntryKey(static_cast<int>(i)), ToStored(m_entries[i]));
    profile.endGroup();
    profile.sync();
    return profile.status() == QSettings::NoError;
}

void CRecentFileList::Add(const std::string& folder) {
    const std::vector<std::string> before = m_entries;
    AddRecentFolder(m_entries, folder, m_nSize);
    if (m_entries == before) return;
    WriteList();
    if (m_onChanged) m_onChanged();
}

// SPDX-License-Identifier: MIT
#include "app/recent_file_list.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include "app/frame_rules.h"
#include "platform/paths.h"

namespace {

// The profile is read and written line by line rather than through QSettings,
// which would write the group as "[Recent%20File%20List]" and re-encode the
// paths; the file keeps any other groups untouched.
const QByteArray kHeader = "[Recent File List]";
const QByteArray kEscapedHeader = "[Recent%20File%20List]";

bool IsHeader(const QByteArray& line) { return line.startsWith('[') && line.endsWith(']'); }

bool IsOurHeader(const QByteArray& line) { return line == kHeader || line == kEscapedHeader; }

QList<QByteArray> ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

CRecentFileList::CRecentFileList(std::string profilePath, int nSize)
    : m_strProfile(std::move(profilePath)), m_nSize(ClampRecentCount(nSize)) {}

std::string CRecentFileList::DefaultProfilePath() {
    return ConfigHome() + "/Halvane Software/galerio-profile.ini";
}

void CRecentFileList::ReadList() {
    m_entries.clear();
    std::vector<std::string> read(kMaxRecentFiles);
    bool bInGroup = false;
    for (const QByteArray& raw : ReadLines(ToDisplay(m_strProfile))) {
        const QByteArray line = raw.trimmed();
        if (IsHeader(line)) {
            bInGroup = IsOurHeader(line);
            continue;
        }
        const int eq = raw.indexOf('=');
        if (!bInGroup || eq < 0) continue;
        const QByteArray key = raw.left(eq).trimmed();
        if (!key.startsWith("File")) continue;
        bool bOk = false;
        const int nIndex = key.mid(4).toInt(&bOk);
        if (bOk && nIndex >= 1 && nIndex <= kMaxRecentFiles)
            read[static_cast<std::size_t>(nIndex - 1)] = raw.mid(eq + 1).toStdString();
    }
    // Gaps and duplicates in a hand-edited profile are closed up.
    for (auto it = read.rbegin(); it != read.rend(); ++it) AddRecentFolder(m_entries, *it, m_nSize);
}

bool CRecentFileList::WriteList() const {
    const QString path = ToDisplay(m_strProfile);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QByteArray text;
    bool bInGroup = false;
    for (const QByteArray& line : ReadLines(path)) {
        if (IsHeader(line.trimmed())) bInGroup = IsOurHeader(line.trimmed());
        if (!bInGroup) text += line + '\n';
    }
    text += kHeader + '\n';
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        // A line break inside a name cannot be kept in a line-based file.
        if (m_entries[i].find_first_of("\r\n") != std::string::npos) continue;
        text += "File" + QByteArray::number(static_cast<int>(i) + 1) + '=' +
                QByteArray::fromStdString(m_entries[i]) + '\n';
    }
    // Written aside and renamed, so a full disk never leaves half a list.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(text);
    return file.commit();
}

void CRecentFileList::Add(const std::string& folder) {
    const std::vector<std::string> before = m_entries;
    AddRecentFolder(m_entries, folder, m_nSize);
    if (m_entries == before) return;
    WriteList();
    if (m_onChanged) m_onChanged();
}

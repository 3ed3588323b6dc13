// SPDX-License-Identifier: MIT
#include "platform/paths.h"

#include <QFile>
#include <cstdlib>

QString ToDisplay(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string FromDisplay(const QString& text) { return QFile::encodeName(text).toStdString(); }

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (xdg && *xdg) {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home ? home : "") + "/.config";
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

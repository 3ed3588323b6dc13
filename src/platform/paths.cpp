// SPDX-License-Identifier: MIT
#include "platform/paths.h"

#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

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

std::string AbsoluteFolder(const std::string& path, const std::string& base) {
    if (path.empty()) return {};
    std::string full = path;
    if (path[0] != '/') {
        std::string from = base;
        if (from.empty()) {
            // getcwd fails only when the directory was removed; "/" is then
            // a better anchor than a path relative to nothing.
            std::vector<char> buf(4096);
            while (!::getcwd(buf.data(), buf.size()) && errno == ERANGE) buf.resize(buf.size() * 2);
            from = buf[0] == '/' ? std::string(buf.data()) : std::string("/");
        }
        full = from + "/" + path;
    }
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= full.size()) {
        std::size_t slash = full.find('/', pos);
        if (slash == std::string::npos) slash = full.size();
        const std::string part = full.substr(pos, slash - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    std::string clean;
    for (const std::string& part : parts) clean += "/" + part;
    return clean.empty() ? std::string("/") : clean;
}

bool SameFolder(const std::string& strA, const std::string& strB) {
    if (strA.empty() || strB.empty()) return false;
    const std::string strCleanA = AbsoluteFolder(strA);
    const std::string strCleanB = AbsoluteFolder(strB);
    if (strCleanA == strCleanB) return true;
    const std::unique_ptr<char, decltype(&std::free)> pRealA(::realpath(strCleanA.c_str(), nullptr),
                                                             &std::free);
    const std::unique_ptr<char, decltype(&std::free)> pRealB(::realpath(strCleanB.c_str(), nullptr),
                                                             &std::free);
    return pRealA && pRealB && std::string(pRealA.get()) == pRealB.get();
}

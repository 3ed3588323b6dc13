// SPDX-License-Identifier: MIT
#include "platform/shell_open.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <mutex>

namespace {

std::mutex g_mutex;
ShellOpenHandler g_handler;

// A target with a scheme ("https:", "mailto:", "file:") is a link; anything
// else is a path, relative ones taken from the current directory.
QUrl TargetUrl(const QString& target) {
    const QUrl url(target, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1) return url;
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(target));
}

bool DesktopOpen(const QString& target) {
    if (target.isEmpty()) return false;
    return QDesktopServices::openUrl(TargetUrl(target));
}

}  // namespace

bool OpenWithShell(const QString& target) {
    ShellOpenHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    return handler ? handler(target) : DesktopOpen(target);
}

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

// Asks the desktop to "open" a target: a web address, a "mailto:" link or a
// local file, each with the program the user chose for it. True when the
// desktop accepted the request. Tests replace the handler to record targets.
bool OpenWithShell(const QString& target);

using ShellOpenHandler = std::function<bool(const QString& target)>;
// Replaces the handler; returns the previous one so a scope can restore it.
// An empty handler restores the desktop's own.
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);

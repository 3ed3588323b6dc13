// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <string>

// Paths are byte strings exactly as the file system gives them; QString only
// for display, so a name that is not valid UTF-8 still opens, moves and deletes.
QString ToDisplay(const std::string& path);
std::string FromDisplay(const QString& text);

// $XDG_CONFIG_HOME, or ~/.config when it is unset or empty; no trailing "/".
std::string ConfigHome();

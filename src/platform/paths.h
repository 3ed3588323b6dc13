// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <string>

// Paths are byte strings exactly as the file system gives them; QString only
// for display, so a name that is not valid UTF-8 still opens, moves and deletes.
QString ToDisplay(const std::string& path);
std::string FromDisplay(const QString& text);

// The folder as an absolute path without ".", ".." or repeated and trailing
// "/" (the root stays "/"). A relative path is taken from base, or from the
// process's current directory when base is empty. ".." is resolved by the
// text, as a shell's "cd -L" would; an empty path gives an empty result.
std::string AbsoluteFolder(const std::string& path, const std::string& base = {});

// True when both name the same directory on disk: the cleaned absolute
// paths are equal, or the canonical ones are when both exist. A trailing "/"
// never matters; letter case does, as it does to the file system.
bool SameFolder(const std::string& strA, const std::string& strB);

// $XDG_CONFIG_HOME, or ~/.config when it is unset or empty; no trailing "/".
std::string ConfigHome();

// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <string>
#include <vector>

// The main window's rules that need no widgets: command line, window
// rectangle, recent-folder list and the link's "mailto:" rule.

// ---- Command line ----
struct CommandLineInfo {
    std::string strFolder;    // empty: no folder given
    bool bSlideShow = false;  // "-S": slide show once the thumbnails are ready
    bool bHelp = false;       // "-h" or "--help": print usage and exit
    bool bVersion = false;    // "--version": print the version and exit
};

// Takes the arguments after the program's name, as the shell split them.
// "-S" and "-s" count only as arguments of their own, so a folder such as
// "pics-summer" stays whole; after "--" every argument is folder text.
CommandLineInfo ParseCommandLine(const std::vector<std::string>& args);
const char* CommandLineUsage();
// The keys and mouse gestures of an image window, laid out like the usage
// text, for the manual page.
const char* ImageWindowKeys();
// The choices of the settings file's [Browsing] and [Formats] groups, each
// off by default, as the manual page lists them.
const char* ChoicesText();

// ---- Window rectangle ----
struct WindowRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    bool operator==(const WindowRect&) const = default;
};

// The rectangle the main window opens with, given the stored one and the work
// area size. bReplaced is true when the stored one was unusable and the
// centred 95 % rectangle was chosen instead (which the caller stores).
WindowRect InitialWindowRect(const WindowRect& stored, int nWorkWidth, int nWorkHeight,
                             bool& bReplaced);
// The rectangle as it is stored after a move or resize.
WindowRect ClampForSave(const WindowRect& rect, int nWorkWidth, int nWorkHeight);

// ---- Recent-folder list ----
inline constexpr int kMaxRecentFiles = 16;
// The list length from the "MRU" setting, kept to 1..16.
int ClampRecentCount(int nMRU);
// Puts folder, absolute and clean (a relative one is taken from the current
// directory), at the head of the list (moving it there when it is already on
// it) and drops entries beyond nMax. An empty folder changes nothing.
void AddRecentFolder(std::vector<std::string>& list, const std::string& folder, int nMax);
// The menu caption of entry nIndex (0-based): "&1 path" ... "&9 path",
// "1&0 path", then plain numbers; ampersands in the path are doubled.
QString RecentMenuCaption(int nIndex, const QString& path);

// ---- Links ----
// Puts "mailto:" before a link that holds "<user>@" and lacks the prefix.
QString ApplyMailtoRule(const QString& link, const QString& userName);

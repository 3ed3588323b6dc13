// SPDX-License-Identifier: MIT
#include "app/frame_rules.h"

#include <algorithm>

#include "platform/paths.h"
#include "platform/text_util.h"

CommandLineInfo ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineInfo info;
    std::string folder;
    bool bOptionsEnded = false;
    for (const std::string& arg : args) {
        if (!bOptionsEnded) {
            if (arg == "--") {
                bOptionsEnded = true;
                continue;
            }
            if (arg == "-S") {
                info.bSlideShow = true;
                continue;
            }
            if (arg == "-s") continue;  // accepted for old shortcuts, means nothing
            if (arg == "--help" || arg == "-h") {
                info.bHelp = true;
                continue;
            }
            if (arg == "--version") {
                info.bVersion = true;
                continue;
            }
        }
        if (!folder.empty()) folder += ' ';
        folder += arg;
    }
    // Shortcuts written for the old program quote the folder inside one
    // argument; up to two quotes are taken out.
    folder = StripBlanks(folder);
    for (int i = 0; i < 2; ++i) {
        const std::size_t quote = folder.find('"');
        if (quote == std::string::npos) break;
        folder[quote] = ' ';
    }
    info.strFolder = StripBlanks(folder);
    return info;
}

const char* CommandLineUsage() {
    return "Usage: galerio [folder] [-S]\n"
           "Shows the JPEG and BMP images of a folder as thumbnails.\n"
           "\n"
           "  folder      the folder to open at start-up\n"
           "  -S          start the slide show once the thumbnails are ready\n"
           "  --          take every following argument as part of the folder\n"
           "  -h, --help  show this text and exit\n"
           "  --version   show the version and exit\n";
}

const char* ImageWindowKeys() {
    return "  Right, Down, Page Down  show the next photo of the grid; no wrap at the end\n"
           "  Left, Up, Page Up       show the previous photo\n"
           "  Home, End               show the first or the last photo\n"
           "  wheel                   scroll; once nothing is left to scroll, step\n"
           "  + and -                 zoom in or out a step; Ctrl+wheel zooms around the pointer\n"
           "  1                       show the photo at 100 %\n"
           "  0 or *                  back to the window's own mode, fitted or full size\n"
           "  left-drag               pan a photo larger than the window\n"
           "  F, double click         full screen and back; the pointer hides after 2 s still\n"
           "  I                       show or hide the photo's size, file and EXIF facts\n"
           "  Esc                     leave full screen, else close the window\n"
           "  Space                   pause or resume the slide show\n";
}

const char* ChoicesText() {
    return "Each is off unless ticked in its box of Preferences or set to 1 in its group of\n"
           "the settings file.\n"
           "\n"
           "Browsing:\n"
           "  SlideShowFullScreen  start the slide show full screen\n"
           "  ShowWhileMaking      lay the grid out as soon as the folder is read and show each\n"
           "                       thumbnail as it is made, those on screen first; the status bar\n"
           "                       counts them, and Esc in the grid stops the run\n"
           "  WatchFolder          photos that other programs add, replace, rename or remove show\n"
           "                       up within a second, where the sort puts them, without a reload\n"
           "  KeyboardSelect       the arrow keys, Home, End, Page Up and Page Down move the\n"
           "                       grid's selection, scrolled into view; Enter opens the photo\n"
           "  UseTrash             Delete moves the photo to the desktop Trash, after a question\n"
           "                       that names it; Ctrl+Z puts the last one back in its folder and\n"
           "                       its cell; a photo the Trash refuses is never deleted\n"
           "\n"
           "Formats:\n"
           "  Extra                also show PNG, GIF (first frame), TIFF (first page), WebP,\n"
           "                       HEIC, HEIF, AVIF and camera raw files (DNG, CR2, CR3, NEF,\n"
           "                       ARW, ORF, RW2, RAF, PEF; shown by their embedded preview);\n"
           "                       their thumbnail files are JPEG files named .jpg\n"
           "  ColorManage          convert photos with a colour profile other than sRGB to\n"
           "                       sRGB, on the screen and in thumbnail files\n";
}

WindowRect InitialWindowRect(const WindowRect& stored, int nWorkWidth, int nWorkHeight,
                             bool& bReplaced) {
    const int W = nWorkWidth;
    const int H = nWorkHeight;
    // The right and bottom edges are not tested: a window that hangs over the
    // work area's edge is still reachable by its title bar.
    bReplaced = !(stored.cx > 0 && stored.cy > 0 && stored.x >= 0 && stored.y >= 0 &&
                  stored.cx <= W && stored.cy <= H && stored.x <= W && stored.y <= H);
    if (!bReplaced) return stored;
    // The factor is the single-precision 0.95 (slightly below 0.95), multiplied
    // exactly; a float product would round 20 * 0.95f up to 19.
    const double kFactor = static_cast<double>(0.95f);
    WindowRect rect;
    rect.cx = static_cast<int>(W * kFactor);
    rect.cy = static_cast<int>(H * kFactor);
    rect.x = (W - rect.cx) / 2;
    rect.y = (H - rect.cy) / 2;
    return rect;
}

WindowRect ClampForSave(const WindowRect& rect, int nWorkWidth, int nWorkHeight) {
    WindowRect saved = rect;
    saved.x = std::max(saved.x, 0);
    saved.y = std::max(saved.y, 0);
    saved.cx = std::min(saved.cx, nWorkWidth);
    saved.cy = std::min(saved.cy, nWorkHeight);
    return saved;
}

int ClampRecentCount(int nMRU) { return std::clamp(nMRU, 1, kMaxRecentFiles); }

void AddRecentFolder(std::vector<std::string>& list, const std::string& folderIn, int nMax) {
    // "/pics/" and "/pics" are one folder, and an entry such as "." would
    // open another folder from every other working directory.
    const std::string folder = AbsoluteFolder(folderIn);
    if (folder.empty()) return;
    list.erase(std::remove(list.begin(), list.end(), folder), list.end());
    list.insert(list.begin(), folder);
    if (nMax < 0) nMax = 0;
    if (list.size() > static_cast<std::size_t>(nMax)) list.resize(static_cast<std::size_t>(nMax));
}

QString RecentMenuCaption(int nIndex, const QString& path) {
    const int nNumber = nIndex + 1;
    QString number;
    if (nNumber < 10)
        number = QStringLiteral("&%1").arg(nNumber);
    else if (nNumber == 10)
        number = QStringLiteral("1&0");
    else
        number = QString::number(nNumber);
    QString shown = path;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return number + QLatin1Char(' ') + shown;
}

QString ApplyMailtoRule(const QString& link, const QString& userName) {
    static const QString kMailto = QStringLiteral("mailto:");
    if (userName.isEmpty()) return link;
    if (link.contains(userName + QLatin1Char('@')) && !link.startsWith(kMailto))
        return kMailto + link;
    return link;
}

// SPDX-License-Identifier: MIT
#include "batch/batch_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>

#include "publish/gallery.h"
#include "publish/run_options.h"

namespace {

// Most jobs a run may ask for; far more threads than any machine has cores
// only costs memory.
constexpr int kJobsMax = 1024;

// Whole decimal numbers only: "12abc", "1e3", " 5" and "" are refused, so a
// typing slip never turns into a different size.
bool ParseNumber(const std::string& text, int nMin, int nMax, int& nValue) {
    if (text.empty()) return false;
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size()) return false;
    for (std::size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9') return false;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < nMin || value > nMax) return false;
    nValue = static_cast<int>(value);
    return true;
}

std::string RangeText(int nMin, int nMax) {
    if (nMax == INT_MAX) return "a whole number from " + std::to_string(nMin) + " up";
    return "a whole number from " + std::to_string(nMin) + " to " + std::to_string(nMax);
}

struct Option {
    bool bTakesValue;
    std::function<bool(BatchArgs&, const std::string&, std::string&)> fnApply;
};

// An option whose value is a number in a range.
Option Number(std::optional<int> BatchArgs::*pField, int nMin, int nMax) {
    return {true, [=](BatchArgs& a, const std::string& v, std::string& err) {
                int n = 0;
                if (!ParseNumber(v, nMin, nMax, n)) {
                    err = "'" + v + "' is not " + RangeText(nMin, nMax);
                    return false;
                }
                a.*pField = n;
                return true;
            }};
}

Option Text(std::optional<std::string> BatchArgs::*pField) {
    return {true, [=](BatchArgs& a, const std::string& v, std::string&) {
                a.*pField = v;
                return true;
            }};
}

Option Flag(std::optional<bool> BatchArgs::*pField, bool bValue) {
    return {false, [=](BatchArgs& a, const std::string&, std::string&) {
                a.*pField = bValue;
                return true;
            }};
}

// One word of a fixed set, stored as its index.
template <typename T>
Option Choice(std::optional<T> BatchArgs::*pField, std::vector<std::string> vWords) {
    return {true, [=](BatchArgs& a, const std::string& v, std::string& err) {
                for (std::size_t i = 0; i < vWords.size(); ++i) {
                    if (v == vWords[i]) {
                        a.*pField = static_cast<T>(i);
                        return true;
                    }
                }
                err = "'" + v + "' is not one of";
                for (std::size_t i = 0; i < vWords.size(); ++i)
                    err += (i == 0 ? " " : i + 1 == vWords.size() ? " or " : ", ") + vWords[i];
                return false;
            }};
}

const std::map<std::string, Option>& Options() {
    static const std::map<std::string, Option> s_options = {
        {"--out",
         {true,
          [](BatchArgs& a, const std::string& v, std::string& err) {
              if (v.empty()) {
                  err = "the folder is empty";
                  return false;
              }
              a.m_strOut = v;
              return true;
          }}},
        {"--size", Number(&BatchArgs::m_nSize, kSizeLimitMin, kSizeLimitMax)},
        {"--naming", Choice(&BatchArgs::m_nNaming, {"append", "prepend", "source"})},
        {"--suffix", Text(&BatchArgs::m_strSuffix)},
        {"--prefix", Text(&BatchArgs::m_strPrefix)},
        {"--quality", Number(&BatchArgs::m_nQuality, kQualityMin, kQualityMax)},
        {"--sort", Choice(&BatchArgs::m_nSortOption, {"none", "name", "size", "date"})},
        {"--descending", Flag(&BatchArgs::m_bDescending, true)},
        {"--ascending", Flag(&BatchArgs::m_bDescending, false)},
        {"--page", Text(&BatchArgs::m_strPage)},
        {"--link",
         {true,
          [](BatchArgs& a, const std::string& v, std::string& err) {
              int n = 0;
              if (!ParseNumber(v, 0, kHrefStyleMax, n)) {
                  err = "'" + v + "' is not 0, 1 or 2";
                  return false;
              }
              a.m_bLink = true;
              a.m_nHrefStyle = n;
              return true;
          }}},
        {"--no-link", Flag(&BatchArgs::m_bLink, false)},
        {"--text-anchor", Flag(&BatchArgs::m_bTextAnchor, true)},
        {"--no-text-anchor", Flag(&BatchArgs::m_bTextAnchor, false)},
        {"--table",
         {true,
          [](BatchArgs& a, const std::string& v, std::string& err) {
              int n = 0;
              if (!ParseNumber(v, kRowCountMin, kRowCountMax, n)) {
                  err = "'" + v + "' is not " + RangeText(kRowCountMin, kRowCountMax);
                  return false;
              }
              a.m_bTable = true;
              a.m_nRowCount = n;
              return true;
          }}},
        {"--no-table", Flag(&BatchArgs::m_bTable, false)},
        {"--border", Number(&BatchArgs::m_nBorder, kBorderMin, kBorderMax)},
        {"--cellspacing", Number(&BatchArgs::m_nCell, kCellMin, kCellMax)},
        {"--cellpadding", Number(&BatchArgs::m_nCellPad, 0, INT_MAX)},
        {"--head", Text(&BatchArgs::m_strHead)},
        {"--tail", Text(&BatchArgs::m_strTail)},
        {"--jobs", Number(&BatchArgs::m_nJobs, 1, kJobsMax)},
        {"--formats", Choice(&BatchArgs::m_nFormats, {"basic", "extra"})},
        {"--style", Choice(&BatchArgs::m_nStyle, {"page", "gallery"})},
        {"--title", Text(&BatchArgs::m_strTitle)},
        {"--web-size", Number(&BatchArgs::m_nWebSize, kGalleryWebSizeMin, kGalleryWebSizeMax)},
        {"--link-originals", Flag(&BatchArgs::m_bLinkOriginals, true)},
        {"--captions", Choice(&BatchArgs::m_nCaptions, {"none", "name", "exif"})},
        {"--overwrite-originals",
         {false,
          [](BatchArgs& a, const std::string&, std::string&) {
              a.m_bOverwriteOriginals = true;
              return true;
          }}},
    };
    return s_options;
}

// Options that shape only the page.
constexpr const char* kPageOnly[] = {
    "--link",   "--no-link",     "--text-anchor", "--no-text-anchor", "--table", "--no-table",
    "--border", "--cellspacing", "--cellpadding", "--head",           "--tail"};
// Options of the gallery alone, and those of the thumbnail files it does not take.
constexpr const char* kGalleryOnly[] = {"--title", "--web-size", "--link-originals", "--captions"};
constexpr const char* kNotInGallery[] = {"--page",   "--naming",  "--suffix",
                                         "--prefix", "--quality", "--overwrite-originals"};

// The first of the given options that is one of vOptions.
template <std::size_t N>
std::string FirstOf(const std::vector<std::string>& vGiven, const char* const (&vOptions)[N]) {
    for (const std::string& strGiven : vGiven)
        for (const char* psz : vOptions)
            if (strGiven == psz) return strGiven;
    return {};
}

}  // namespace

bool ParseBatchArgs(const std::vector<std::string>& args, BatchArgs& out, std::string& strError) {
    BatchArgs a;
    std::vector<std::string> vFolders;
    std::vector<std::string> vGiven;  // the options given, for the messages
    bool bOptionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
            vFolders.push_back(arg);
            continue;
        }
        if (arg == "--") {
            bOptionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            a.m_bHelp = true;
            continue;
        }
        // "--size=200" as well as "--size 200".
        const std::size_t nEq = arg.find('=');
        const std::string strName = arg.substr(0, nEq);
        const auto it = Options().find(strName);
        if (it == Options().end()) {
            strError = "unknown option '" + strName + "'";
            return false;
        }
        const Option& option = it->second;
        std::string strValue;
        if (option.bTakesValue) {
            if (nEq != std::string::npos) {
                strValue = arg.substr(nEq + 1);
            } else if (i + 1 < args.size()) {
                strValue = args[++i];
            } else {
                strError = strName + " needs a value";
                return false;
            }
        } else if (nEq != std::string::npos) {
            strError = strName + " takes no value";
            return false;
        }
        std::string strWhy;
        if (!option.fnApply(a, strValue, strWhy)) {
            strError = strName + ": " + strWhy;
            return false;
        }
        vGiven.push_back(strName);
    }
    if (a.m_bHelp) {
        out = a;
        return true;
    }
    if (vFolders.empty()) {
        strError = "no folder of photos given";
        return false;
    }
    if (vFolders.size() > 1) {
        strError = "more than one folder given: '" + vFolders[0] + "' and '" + vFolders[1] + "'";
        return false;
    }
    a.m_strFolder = vFolders[0];
    if (a.m_strOut.empty()) {
        strError = "no thumbnail folder given (--out DIR)";
        return false;
    }
    const bool bGallery = a.m_nStyle.value_or(0) == 1;
    const std::string strGalleryOption = FirstOf(vGiven, kGalleryOnly);
    if (!strGalleryOption.empty() && !bGallery) {
        strError = strGalleryOption + " is used only with --style gallery";
        return false;
    }
    const std::string strNotInGallery = FirstOf(vGiven, kNotInGallery);
    if (!strNotInGallery.empty() && bGallery) {
        strError = strNotInGallery + " does not go with --style gallery";
        return false;
    }
    const std::string strPageOption = FirstOf(vGiven, kPageOnly);
    if (!strPageOption.empty() && !a.m_strPage) {
        strError = strPageOption + " is used only with --page FILE";
        return false;
    }
    if (a.m_strPage && a.m_strPage->empty()) {
        strError = "--page: the file name is empty";
        return false;
    }
    out = a;
    return true;
}

const char* BatchUsage() {
    return "Usage: galerio --make-thumbs FOLDER --out DIR [options]\n"
           "Writes a thumbnail JPEG file for every JPEG and BMP image of FOLDER into DIR,\n"
           "and optionally an HTML page of them, without opening a window. What is not\n"
           "given is taken from Galerio's stored settings, which are never changed.\n"
           "\n"
           "Thumbnails:\n"
           "  --out DIR              the folder that receives the thumbnails (must exist)\n"
           "  --size N               fit each thumbnail into N x N pixels (10 to 5000;\n"
           "                         default: the grid's thumbnail size, Pitch - 3)\n"
           "  --naming MODE          append: name + suffix; prepend: prefix + name;\n"
           "                         source: the photo's own name\n"
           "  --suffix TEXT          the text after the name (append)\n"
           "  --prefix TEXT          the text before the name (prepend)\n"
           "  --quality Q            JPEG quality, 1 to 100\n"
           "  --sort KEY             none, name, size or date: the order of the page\n"
           "  --descending           sort from the largest key down\n"
           "  --ascending            sort from the smallest key up\n"
           "  --overwrite-originals  allow source naming into the photos' own folder,\n"
           "                         which replaces the photos by their thumbnails\n"
           "  --jobs N               make N thumbnails at a time (default: one per core);\n"
           "                         the files and the page are the same for any N\n"
           "  --formats SET          basic: JPEG and BMP images only; extra: also PNG, GIF,\n"
           "                         TIFF, WebP, HEIC, AVIF and camera raw files, whose\n"
           "                         thumbnails are JPEG files named .jpg (default: as\n"
           "                         stored in Preferences)\n"
           "\n"
           "Gallery:\n"
           "  --style STYLE          page: the thumbnail files, and the page with --page\n"
           "                         (the default); gallery: a web gallery in DIR, made\n"
           "                         when missing: index.html with thumbnails at 1x and 2x\n"
           "                         (--size N, 64 to 1024, default 240) linking web-sized\n"
           "                         copies; a re-run makes only what changed\n"
           "  --title TEXT           the page's title (default: the folder's name)\n"
           "  --web-size N           the long side of the web copies, 320 to 8192\n"
           "                         (default 2048)\n"
           "  --link-originals       link the photos themselves, and make no web copies\n"
           "  --captions WHAT        none, name (the file name) or exif (date taken,\n"
           "                         camera and exposure)\n"
           "\n"
           "Page (only with --page):\n"
           "  --page FILE            also write an HTML page of the thumbnails to FILE\n"
           "  --link STYLE           link each thumbnail to its photo; STYLE 0 opens it in\n"
           "                         the same window, 1 and 2 in a new one\n"
           "  --no-link              no links\n"
           "  --text-anchor          also a text link with the file name (with --link)\n"
           "  --no-text-anchor       no text link\n"
           "  --table N              put the thumbnails in a table, N to a row (2 to 2000);\n"
           "                         a folder of one image never gets a table\n"
           "  --no-table             no table\n"
           "  --border N             the table's border, 0 to 10\n"
           "  --cellspacing N        the table's cell spacing, 0 to 10\n"
           "  --cellpadding N        the table's cell padding, 0 or more\n"
           "  --head FILE            the page's text before the thumbnails, byte for byte\n"
           "  --tail FILE            the page's text after the thumbnails, byte for byte\n"
           "\n"
           "  -h, --help             show this text and exit\n"
           "  --                     take the next argument as the folder, even if it\n"
           "                         begins with '-'\n"
           "\n"
           "Exit status: 0 when every thumbnail and the page were written; 1 when the\n"
           "run failed part way (what was written is kept, nothing after the failing\n"
           "image); 2 when the run was refused and nothing was written: a bad command\n"
           "line, or thumbnail names that would make two files one.\n";
}

const char* BatchUsageSummary() {
    return "\n"
           "Without a window:\n"
           "  galerio --make-thumbs FOLDER --out DIR [options]\n"
           "              write thumbnail files of FOLDER into DIR, and optionally a web\n"
           "              page of them; galerio --make-thumbs --help lists the options\n";
}

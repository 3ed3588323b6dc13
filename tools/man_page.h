// SPDX-License-Identifier: MIT
// Turns the program's usage texts into a manual page in roff, so that
// `man galerio` says what `galerio --help` says and cannot drift from it.
#pragma once

#include <string>

// The usage texts are laid out as --help prints them: a "Usage: " line, lines
// of prose, "Heading:" lines, and option lines that start with two blanks and
// put their explanation after a gap of two or more blanks or on following
// lines that start with more blanks.
struct ManPageSource {
    std::string strProgram;     // the command's name, "galerio"
    std::string strVersion;     // shown in the page's footer
    std::string strUsage;       // the desktop program's --help text
    std::string strBatchUsage;  // the --make-thumbs --help text
    std::string strHelpPage;    // the installed HTML help page, for SEE ALSO
    std::string strKeys;        // an image window's keys, laid out like the options
    std::string strChoices;     // the [Browsing] and [Formats] choices, laid out like the options
};

// One word for roff: option words ("-S", "--size", "[--jobs") in bold with
// their hyphens as minus signs, other words as they are; backslashes escaped.
std::string RoffWord(const std::string& strWord, bool bItalicArguments);

// The body of a usage text after its "Usage: " lines, as roff requests.
std::string UsageBodyToRoff(const std::string& strUsage);

std::string MakeManPage(const ManPageSource& source);

// SPDX-License-Identifier: MIT
#include "man_page.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kUsagePrefix = "Usage: ";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::size_t LeadingBlanks(const std::string& line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

bool IsBlank(const std::string& line) { return LeadingBlanks(line) == line.size(); }

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string EscapeBackslashes(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\\' ? std::string("\\e") : std::string(1, c);
    return out;
}

// A line of running text; roff would take a leading dot or quote for a request.
std::string TextLine(const std::string& text) {
    std::string out;
    for (const std::string& word : Words(text)) {
        if (!out.empty()) out += ' ';
        out += RoffWord(word, false);
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out + '\n';
}

// A term of an option list or a synopsis: words that are not options are the
// values the user fills in, shown in italics.
std::string TermLine(const std::string& text) {
    std::string out;
    for (const std::string& word : Words(text)) {
        if (!out.empty()) out += ' ';
        out += RoffWord(word, true);
    }
    return out + '\n';
}

}  // namespace

std::string RoffWord(const std::string& strWord, bool bItalicArguments) {
    // Brackets, quotes and trailing punctuation stay outside the font change.
    const std::size_t begin = strWord.find_first_not_of("[(\"'");
    if (begin == std::string::npos) return EscapeBackslashes(strWord);
    std::size_t end = strWord.find_last_not_of("]),;:.\"'");
    if (end == std::string::npos || end < begin) end = strWord.size() - 1;
    const std::string head = strWord.substr(0, begin);
    const std::string core = strWord.substr(begin, end - begin + 1);
    const std::string tail = strWord.substr(end + 1);
    const bool bOption = core.size() > 1 && core[0] == '-' &&
                         (std::isalpha(static_cast<unsigned char>(core[1])) || core[1] == '-');
    std::string body = EscapeBackslashes(core);
    if (bOption) {
        std::string minus;
        for (char c : body) minus += c == '-' ? std::string("\\-") : std::string(1, c);
        body = "\\fB" + minus + "\\fR";
    } else if (bItalicArguments && core != "|") {
        body = "\\fI" + body + "\\fR";
    }
    return EscapeBackslashes(head) + body + EscapeBackslashes(tail);
}

std::string UsageBodyToRoff(const std::string& strUsage) {
    std::string out;
    bool bInTerm = false;  // the lines so far explain the last option
    bool bParagraphOpen = false;
    for (const std::string& line : Lines(strUsage)) {
        if (line.rfind(kUsagePrefix, 0) == 0) continue;
        if (IsBlank(line)) {
            bInTerm = false;
            bParagraphOpen = false;
            continue;
        }
        const std::size_t indent = LeadingBlanks(line);
        if (indent == 0) {
            const std::string text = Trim(line);
            // A short line that ends in a colon heads the options below it.
            if (text.back() == ':' && text.size() < 40 && !bParagraphOpen) {
                out += ".SS " + TextLine(text.substr(0, text.size() - 1));
                bInTerm = false;
                continue;
            }
            if (!bParagraphOpen) out += ".PP\n";
            out += TextLine(text);
            bParagraphOpen = true;
            bInTerm = false;
            continue;
        }
        if (indent > 2 && bInTerm) {
            out += TextLine(line);
            continue;
        }
        // An option: its name, then a gap of two blanks or more, then what it does.
        const std::string rest = line.substr(indent);
        const std::size_t gap = rest.find("  ");
        out += ".TP\n";
        out += TermLine(rest.substr(0, gap));
        if (gap != std::string::npos) out += TextLine(rest.substr(gap));
        bInTerm = true;
        bParagraphOpen = false;
    }
    return out;
}

std::string MakeManPage(const ManPageSource& source) {
    std::string upper;
    for (char c : source.strProgram)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string out =
        ".\\\" Made from the program's usage texts by make_man_page; edit those instead.\n";
    out += ".TH " + upper + " 1 \"\" \"Galerio " + source.strVersion + "\" \"User Commands\"\n";

    // The usage texts' first line after "Usage:" says what the program is.
    const std::vector<std::string> lines = Lines(source.strUsage);
    std::string summary = lines.size() > 1 ? Trim(lines[1]) : std::string();
    if (!summary.empty() && summary.back() == '.') summary.pop_back();
    if (!summary.empty())
        summary[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(summary[0])));
    out += ".SH NAME\n" + source.strProgram + " \\- " + EscapeBackslashes(summary) + "\n";

    out += ".SH SYNOPSIS\n";
    bool bFirst = true;
    for (const std::string* text : {&source.strUsage, &source.strBatchUsage})
        for (const std::string& line : Lines(*text)) {
            if (line.rfind(kUsagePrefix, 0) != 0) continue;
            if (!bFirst) out += ".br\n";
            bFirst = false;
            const std::vector<std::string> words =
                Words(line.substr(std::string(kUsagePrefix).size()));
            std::string synopsis;
            for (std::size_t i = 0; i < words.size(); ++i) {
                if (i) synopsis += ' ';
                synopsis += i == 0 ? "\\fB" + EscapeBackslashes(words[i]) + "\\fR"
                                   : RoffWord(words[i], true);
            }
            out += synopsis + '\n';
        }

    out += ".SH DESCRIPTION\n" + UsageBodyToRoff(source.strUsage);
    out += ".SH \"THUMBNAIL FILES AND A WEB PAGE WITHOUT A WINDOW\"\n" +
           UsageBodyToRoff(source.strBatchUsage);
    if (!source.strKeys.empty())
        out += ".SH \"KEYS IN AN IMAGE WINDOW\"\n" + UsageBodyToRoff(source.strKeys);
    if (!source.strChoices.empty())
        out += ".SH CHOICES\n" + UsageBodyToRoff(source.strChoices);
    if (!source.strHelpPage.empty())
        out += ".SH \"SEE ALSO\"\nThe help page, also shown by F1 in the program:\n.br\n" +
               TextLine(source.strHelpPage);
    return out;
}

// SPDX-License-Identifier: MIT
// The manual page made from the usage texts: roff escaping, the layout rules
// of the usage texts, and that the real texts reach the page whole.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/frame_rules.h"
#include "batch/batch_options.h"
#include "man_page.h"

namespace {

// ---- One word ----

struct WordCase {
    const char* name;
    const char* word;
    bool bItalicArguments;
    const char* expected;
};

class RoffWordTest : public ::testing::TestWithParam<WordCase> {};

TEST_P(RoffWordTest, MarksOptionsAndEscapes) {
    const WordCase& c = GetParam();
    EXPECT_EQ(RoffWord(c.word, c.bItalicArguments), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Words, RoffWordTest,
    ::testing::Values(WordCase{"LongOption", "--size", false, "\\fB\\-\\-size\\fR"},
                      WordCase{"ShortOption", "-S", true, "\\fB\\-S\\fR"},
                      WordCase{"BracketsStayOutside", "[-S]", true, "[\\fB\\-S\\fR]"},
                      WordCase{"CommaStaysOutside", "-h,", true, "\\fB\\-h\\fR,"},
                      WordCase{"ParenthesesStayOutside", "(--link)", false, "(\\fB\\-\\-link\\fR)"},
                      WordCase{"ArgumentInTerm", "N", true, "\\fIN\\fR"},
                      WordCase{"BracketedArgument", "[folder]", true, "[\\fIfolder\\fR]"},
                      WordCase{"PlainWordInText", "N", false, "N"},
                      WordCase{"HyphenInsideAWord", "full-size", false, "full-size"},
                      WordCase{"QuotedHyphen", "'-'", false, "'-'"},
                      WordCase{"NumberIsNoOption", "-1", false, "-1"},
                      WordCase{"Backslash", "a\\b", false, "a\\eb"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Layout of a usage text ----

struct BodyCase {
    const char* name;
    const char* usage;
    const char* expected;
};

class UsageBodyTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(UsageBodyTest, FollowsTheLayout) {
    const BodyCase& c = GetParam();
    EXPECT_EQ(UsageBodyToRoff(c.usage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, UsageBodyTest,
    ::testing::Values(
        BodyCase{"ProseParagraphs", "Usage: x [y]\nFirst line\nsecond line.\n\nNext.\n",
                 ".PP\nFirst line\nsecond line.\n.PP\nNext.\n"},
        BodyCase{"OptionWithGapAndMore", "  --size N     fit each\n                continued\n",
                 ".TP\n\\fB\\-\\-size\\fR \\fIN\\fR\nfit each\ncontinued\n"},
        BodyCase{"TermAloneThenExplained", "  galerio --make-thumbs DIR\n          writes files\n",
                 ".TP\n\\fIgalerio\\fR \\fB\\-\\-make\\-thumbs\\fR \\fIDIR\\fR\nwrites files\n"},
        BodyCase{"HeadingBeforeOptions", "Page:\n  --page FILE   the page\n",
                 ".SS Page\n.TP\n\\fB\\-\\-page\\fR \\fIFILE\\fR\nthe page\n"},
        BodyCase{"ColonInsideProseIsNoHeading", "Some text\nthat ends:\n",
                 ".PP\nSome text\nthat ends:\n"},
        BodyCase{"LongLineWithColonIsProse",
                 "Exit status: 0 when every thumbnail and the page were written\n",
                 ".PP\nExit status: 0 when every thumbnail and the page were written\n"},
        BodyCase{"LeadingDotIsNoRequest", "Usage: x\n.hidden files\n", ".PP\n\\&.hidden files\n"},
        BodyCase{"BlankLineEndsAnExplanation", "  -a   one\n\n    two\n",
                 ".TP\n\\fB\\-a\\fR\none\n.TP\n\\fItwo\\fR\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The real texts ----

std::string WordsOf(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    for (std::string word; in >> word;) {
        if (word.back() == ':') word.pop_back();
        if (!word.empty()) out += word + ' ';
    }
    return out;
}

// The page's text as a reader sees it: no requests, fonts or escapes.
std::string PlainText(const std::string& roff) {
    std::string plain;
    std::istringstream in(roff);
    for (std::string line; std::getline(in, line);) {
        if (line == ".TP" || line == ".PP") continue;
        if (line.rfind(".SS ", 0) == 0) line.erase(0, 4);
        line = std::regex_replace(line, std::regex(R"(\\f[BIR])"), "");
        line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
        line = std::regex_replace(line, std::regex(R"(\\&)"), "");
        line = std::regex_replace(line, std::regex(R"(\\e)"), "\\");
        plain += line + '\n';
    }
    return plain;
}

std::string WithoutUsageLines(const char* text) {
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Usage: ", 0) != 0) out += line + '\n';
    return out;
}

TEST(ManPage, CarriesEveryWordOfTheUsageTextsInOrder) {
    const std::string page =
        MakeManPage({"galerio", "9.8.7", CommandLineUsage(), BatchUsage(), "/usr/share/x.html",
                     ImageWindowKeys(), ChoicesText()});
    const std::size_t desc = page.find(".SH DESCRIPTION\n");
    const std::size_t batch =
        page.find(".SH \"THUMBNAIL FILES AND A WEB PAGE WITHOUT A WINDOW\"\n");
    const std::size_t keys = page.find(".SH \"KEYS IN AN IMAGE WINDOW\"\n");
    const std::size_t choices = page.find(".SH CHOICES\n");
    const std::size_t seeAlso = page.find(".SH \"SEE ALSO\"\n");
    ASSERT_NE(choices, std::string::npos);
    ASSERT_NE(desc, std::string::npos);
    ASSERT_NE(batch, std::string::npos);
    ASSERT_NE(keys, std::string::npos);
    ASSERT_NE(seeAlso, std::string::npos);
    const std::size_t descBody = desc + std::string(".SH DESCRIPTION\n").size();
    const std::size_t batchBody = page.find('\n', batch) + 1;
    const std::size_t keysBody = page.find('\n', keys) + 1;
    EXPECT_EQ(WordsOf(PlainText(page.substr(descBody, batch - descBody))),
              WordsOf(WithoutUsageLines(CommandLineUsage())));
    EXPECT_EQ(WordsOf(PlainText(page.substr(batchBody, keys - batchBody))),
              WordsOf(WithoutUsageLines(BatchUsage())));
    const std::size_t choicesBody = page.find('\n', choices) + 1;
    EXPECT_EQ(WordsOf(PlainText(page.substr(keysBody, choices - keysBody))),
              WordsOf(ImageWindowKeys()));
    EXPECT_EQ(WordsOf(PlainText(page.substr(choicesBody, seeAlso - choicesBody))),
              WordsOf(ChoicesText()));
}

TEST(ManPage, HeaderNameAndSynopsisComeFromTheUsageLines) {
    const std::string page = MakeManPage(
        {"galerio", "9.8.7", CommandLineUsage(), BatchUsage(), "/usr/share/x.html", "", ""});
    EXPECT_EQ(page.find(".TH GALERIO 1 \"\" \"Galerio 9.8.7\" \"User Commands\"\n"),
              page.find(".TH "));
    EXPECT_NE(page.find(".SH NAME\ngalerio \\- shows the JPEG and BMP images of a folder as "
                        "thumbnails\n"),
              std::string::npos);
    EXPECT_NE(page.find(".SH SYNOPSIS\n\\fBgalerio\\fR [\\fIfolder\\fR] [\\fB\\-S\\fR]\n.br\n"
                        "\\fBgalerio\\fR \\fB\\-\\-make\\-thumbs\\fR \\fIFOLDER\\fR "
                        "\\fB\\-\\-out\\fR \\fIDIR\\fR [\\fIoptions\\fR]\n"),
              std::string::npos);
    EXPECT_NE(page.find("\n/usr/share/x.html\n"), std::string::npos);
}

}  // namespace

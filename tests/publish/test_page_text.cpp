// SPDX-License-Identifier: MIT
// File names as they are put into the web page: text and links.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QUrl>
#include <string>

#include "publish/page_text.h"

namespace {

// Every printable ASCII character, and names beyond ASCII, come out as Qt
// writes a file URL.
TEST(FileUrl, MatchesQUrlForEveryPrintableCharacter) {
    for (int c = 0x20; c < 0x7f; ++c) {
        const std::string strPath = std::string("/home/ann/a") + char(c) + "b.jpg";
        EXPECT_EQ(FileUrl(strPath),
                  QUrl::fromLocalFile(QString::fromStdString(strPath)).toEncoded().toStdString())
            << "character " << char(c);
    }
    for (const char* psz : {"/home/ann/Pics/a.jpg", "/home/ann/\xc3\xa9t\xc3\xa9 \xe2\x82\xac.jpg",
                            "/Thumbs//Beach_tn.JPG", "/", "/a/\t\x7f"})
        EXPECT_EQ(FileUrl(psz),
                  QUrl::fromLocalFile(QString::fromUtf8(psz)).toEncoded().toStdString())
            << psz;
    EXPECT_EQ(FileUrl("/home/ann/Pics/a.jpg"), "file:///home/ann/Pics/a.jpg");
}

TEST(FileUrl, KeepsBytesThatAreNotUtf8) {
    EXPECT_EQ(FileUrl("/pics/\xff\xfe.jpg"), "file:///pics/%FF%FE.jpg");
}

TEST(FileUrl, RelativePathStartsAtTheCurrentDirectory) {
    char sz[4096];
    ASSERT_NE(getcwd(sz, sizeof sz), nullptr);
    EXPECT_EQ(FileUrl("thumbs/a.jpg"), FileUrl(std::string(sz) + "/thumbs/a.jpg"));
    EXPECT_EQ(FileUrl(""), "");  // no thumbnail file yet: no path to make up
}

struct TextCase {
    const char* name;
    const char* text;  // HtmlText
    const char* link;  // RelativeUrl
};

class PageTextTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(PageTextTable, EscapesForTextAndLink) {
    const TextCase& c = GetParam();
    EXPECT_EQ(HtmlText(c.name), c.text);
    EXPECT_EQ(RelativeUrl(c.name), c.link);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PageTextTable,
    ::testing::Values(
        // Plain names are written as they are.
        TextCase{"Beach_tn-2.JPG", "Beach_tn-2.JPG", "Beach_tn-2.JPG"},
        TextCase{"a&b.jpg", "a&amp;b.jpg", "a&b.jpg"},
        TextCase{"<i>\"x\".jpg", "&lt;i&gt;&quot;x&quot;.jpg", "%3Ci%3E%22x%22.jpg"},
        TextCase{"x #1 50%?.jpg", "x #1 50%?.jpg", "x%20%231%2050%25%3F.jpg"},
        // A colon would make the name read as a URL scheme.
        TextCase{"http:x.jpg", "http:x.jpg", "http%3Ax.jpg"},
        TextCase{"\xc3\xa9t\xc3\xa9.jpg", "&#233;t&#233;.jpg", "%C3%A9t%C3%A9.jpg"},
        TextCase{"\xff.jpg", "&#65533;.jpg", "%FF.jpg"},
        TextCase{"tab\there", "tab&#9;here", "tab%09here"}));

}  // namespace

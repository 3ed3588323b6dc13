// SPDX-License-Identifier: MIT
// The web page: its exact text, its table, its links, and what happens when
// it cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QRegularExpression>
#include <QUrl>
#include <csignal>
#include <memory>
#include <string>

#include "browser/catalogue/catalogue.h"
#include "codec/codec_fixtures.h"
#include "publish/html_page.h"
#include "publish/page_text.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

namespace {

const QString kPageFailed = QStringLiteral(
    "Thumbnails were created but HTML file could not be created.\n\n(Did you specify a directory "
    "path instead of a file path?)");
const QString kNoticeText = QStringLiteral(
    "The way you specified the Folder path\nand the HTML file path will result in\nthe HTML source "
    "specifying abolute paths.\n\nTo use relative pathing (the more typical case)\nmake the path "
    "the same on the two sheets of\nthe Make Thumbs and Page dialog or use the\nbutton on the "
    "second page called...\nCreate HTML Page in Same Folder As ThumbNails.    ");
const std::string kDocType = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">";

class HtmlPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strPics = m_config.WorkDir() + "/Pics";
        m_strElsewhere = m_config.WorkDir() + "/Elsewhere";
        ASSERT_EQ(mkdir(m_strPics.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(m_strElsewhere.c_str(), 0755), 0);
        m_store.SetFilePath(m_config.ConfigDir() + "/Galerio.ini");
        m_options.m_strFile = m_strPics + "/MyPage.html";
    }

    // An entry whose 100 × 75 thumbnail was written beside it with "_tn".
    ImageItem& Add(const std::string& strFileName, const std::string& strFolder = {}) {
        auto pItem = std::make_unique<ImageItem>();
        pItem->m_strPath = (strFolder.empty() ? m_strPics : strFolder) + "/" + strFileName;
        pItem->m_nKind = IMAGE_JPEG;
        SplitImagePath(*pItem);
        pItem->m_strThumbFileName = pItem->m_strName + "_tn" + pItem->m_strExt;
        pItem->m_strThumbFilePath = pItem->m_strFolder + pItem->m_strThumbFileName;
        pItem->m_nThumbFileWidth = 100;
        pItem->m_nThumbFileHeight = 75;
        m_list.push_back(std::move(pItem));
        return *m_list.back();
    }

    bool Write(bool bDoAll = true, const ImageItem* pSelected = nullptr) {
        return WriteHtmlPage(m_list, bDoAll, pSelected, m_options, kBeforeDefault, kAfterDefault,
                             m_store);
    }
    std::string Page() const { return ReadBytes(m_options.m_strFile); }

    TempConfig m_config;
    MessageRecorder m_recorder;
    SettingsStore m_store;
    std::string m_strPics;
    std::string m_strElsewhere;
    ImageList m_list;
    PageOptions m_options;
};

std::string DefaultHead() { return kDocType + kBeforeDefault + "\n"; }

TEST_F(HtmlPageTest, WorkedExampleByteForByte) {
    for (const char* psz : {"a.jpg", "b.jpg", "c.jpg"}) Add(psz);
    m_options.m_bHref = true;
    m_options.m_nHrefStyle = 2;
    m_options.m_bTable = true;
    m_options.m_nRowCount = 2;
    ASSERT_TRUE(Write());

    auto cell = [](const char* n) {
        return std::string("<td align=\"center\">\n<a href=\"") + n +
               ".jpg\" target=\"_blank\"><img src=\"" + n + "_tn.jpg\" alt=\"" + n +
               "_tn.jpg\" border=\"1\" width=\"100\" height=\"75\"></a>\n</td>\n";
    };
    const std::string strExpected =
        kDocType + kDocType +
        "\n<HTML><HEAD><TITLE>\nGalerio Results\n</TITLE></HEAD><BODY>\n<br>\n"
        "\n<table border=\"1\" cellspacing=\"1\" cellpadding=\"1\">\n"
        "\n<tr>\n\n" +
        cell("a") + cell("b") + "\n</tr>\n\n<tr>\n\n" + cell("c") +
        "\n</tr>\n\n</table>\n</BODY></HTML>\n";
    EXPECT_EQ(Page(), strExpected);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(HtmlPageTest, SingleImageRunHasNoTableAndLeavesTheSettingAlone) {
    Add("a.jpg");
    ImageItem& b = Add("b.jpg");
    m_store.PutInt(kSectionSettings, kTable, 1);
    m_options.m_bTable = true;
    m_options.m_nRowCount = 2;
    m_options.m_nBorder = 7;
    ASSERT_TRUE(Write(false, &b));

    EXPECT_EQ(Page(), DefaultHead() + FormatPageEntry(b, m_options, false) + kAfterDefault + "\n");
    EXPECT_EQ(Page().find("<table"), std::string::npos);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kTable, kTableDefault), 1);
}

TEST_F(HtmlPageTest, WithoutTableEachEntryEndsInABreak) {
    ImageItem& a = Add("a.jpg");
    ImageItem& b = Add("b.jpg");
    ASSERT_TRUE(Write());
    EXPECT_EQ(Page(), DefaultHead() + FormatPageEntry(a, m_options, false) + "<br>\n" +
                          FormatPageEntry(b, m_options, false) + "<br>\n" + kAfterDefault + "\n");
}

struct RowCase {
    int nEntries, nPerRow;
    const char* layout;  // one bracket pair per row, one letter per cell
};
std::ostream& operator<<(std::ostream& os, const RowCase& c) {
    return os << c.nEntries << " entries, " << c.nPerRow << " per row";
}

class TableRowTest : public HtmlPageTest, public ::testing::WithParamInterface<RowCase> {};

// Reduces the table to its rows and cells: "[ab][c]".
std::string Layout(const std::string& strPage) {
    std::string strLayout;
    static const QRegularExpression re(QStringLiteral("\n<tr>\n\n|\n</tr>\n|alt=\"(.)_tn"));
    auto it = re.globalMatch(QString::fromStdString(strPage));
    while (it.hasNext()) {
        const auto m = it.next();
        strLayout += m.captured(0).contains(QLatin1String("</tr>"))  ? "]"
                     : m.captured(0).contains(QLatin1String("<tr>")) ? "["
                                                                     : m.captured(1).toStdString();
    }
    return strLayout;
}

TEST_P(TableRowTest, RowsOpenAndCloseByTheCount) {
    const RowCase c = GetParam();
    for (int i = 0; i < c.nEntries; ++i) Add(std::string(1, char('a' + i)) + ".jpg");
    m_options.m_bTable = true;
    m_options.m_nRowCount = c.nPerRow;
    m_options.m_nBorder = 0;
    m_options.m_nCell = 10;
    m_options.m_nCellPad = 3;
    ASSERT_TRUE(Write());
    const std::string strPage = Page();
    EXPECT_EQ(Layout(strPage), c.layout);
    EXPECT_NE(strPage.find("\n<table border=\"0\" cellspacing=\"10\" cellpadding=\"3\">\n"),
              std::string::npos);
    // Exactly one closing tag after the last cell, whether the row was full or not.
    const std::string strTail = "</td>\n\n</tr>\n\n</table>\n" + std::string(kAfterDefault) + "\n";
    EXPECT_EQ(strPage.substr(strPage.size() - strTail.size()), strTail);
}

INSTANTIATE_TEST_SUITE_P(Counts, TableRowTest,
                         ::testing::Values(RowCase{5, 2, "[ab][cd][e]"}, RowCase{4, 2, "[ab][cd]"},
                                           RowCase{1, 2, "[a]"}, RowCase{3, 5, "[abc]"},
                                           RowCase{6, 3, "[abc][def]"}));

struct EntryCase {
    bool bHref;
    int nStyle;
    bool bTextHref;
    const char* expected;
};
std::ostream& operator<<(std::ostream& os, const EntryCase& c) {
    return os << "link " << c.bHref << " style " << c.nStyle << " text " << c.bTextHref;
}

class EntryFormatTest : public HtmlPageTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryFormatTest, FragmentFollowsTheLinkOptions) {
    const EntryCase c = GetParam();
    m_options.m_bHref = c.bHref;
    m_options.m_nHrefStyle = c.nStyle;
    m_options.m_bTextHref = c.bTextHref;
    EXPECT_EQ(FormatPageEntry(Add("a.jpg"), m_options, false), c.expected);
}

#define IMG "<img src=\"a_tn.jpg\" alt=\"a_tn.jpg\" border=\"1\" width=\"100\" height=\"75\">"
INSTANTIATE_TEST_SUITE_P(
    Styles, EntryFormatTest,
    ::testing::Values(EntryCase{false, 0, false, IMG "\n"},
                      EntryCase{false, 2, true, IMG "\n"},  // no link, no text anchor
                      EntryCase{true, 0, false, "<a href=\"a.jpg\">" IMG "</a>\n"},
                      EntryCase{true, 1, false, "<a href=\"a.jpg\"target=\"NEW\">" IMG "</a>\n"},
                      EntryCase{true, 2, false,
                                "<a href=\"a.jpg\" target=\"_blank\">" IMG "</a>\n"},
                      EntryCase{true, 0, true,
                                "<a href=\"a.jpg\">" IMG "</a>\n<br><a href=\"a.jpg\">a.jpg</a>\n"},
                      EntryCase{true, 1, true,
                                "<a href=\"a.jpg\"target=\"NEW\">" IMG
                                "</a>\n<br><a href=\"a.jpg\"target=\"NEW\">a.jpg</a>\n"},
                      EntryCase{true, 2, true,
                                "<a href=\"a.jpg\" target=\"_blank\">" IMG
                                "</a>\n<br><a href=\"a.jpg\" target=\"_blank\">a.jpg</a>\n"}));
#undef IMG

TEST_F(HtmlPageTest, PageBesideTheImagesUsesBareNames) {
    ImageItem& a = Add("a.jpg");
    m_options.m_bHref = true;
    m_options.m_strFile = m_strPics + "//./MyPage.html";  // the same folder, spelled otherwise
    ASSERT_TRUE(Write());
    EXPECT_NE(Page().find(FormatPageEntry(a, m_options, false) + "<br>\n"), std::string::npos);
    EXPECT_EQ(m_recorder.Count(), 0u);
    EXPECT_EQ(m_store.GetInt(kSectionNewbie, kNeedFullPath, kNeedFullPathDefault), 1);
}

TEST_F(HtmlPageTest, PageElsewhereUsesFileUrlsAndShowsTheNoticeOnce) {
    Add("a.jpg");
    m_options.m_bHref = true;
    m_options.m_bTextHref = true;
    m_options.m_strFile = m_strElsewhere + "/MyPage.html";
    ASSERT_TRUE(Write());
    const std::string strUrl = "file://" + m_strPics;
    EXPECT_EQ(Page(), DefaultHead() + "<a href=\"" + strUrl + "/a.jpg\"><img src=\"" + strUrl +
                          "/a_tn.jpg\" alt=\"a_tn.jpg\" border=\"1\" width=\"100\" "
                          "height=\"75\"></a>\n<br><a href=\"" +
                          strUrl + "/a.jpg\">a.jpg</a>\n<br>\n" + kAfterDefault + "\n");
    EXPECT_EQ(m_recorder.Texts(), QStringList{kNoticeText});
    EXPECT_EQ(m_store.GetInt(kSectionNewbie, kNeedFullPath, kNeedFullPathDefault), 0);

    ASSERT_TRUE(Write());  // the second time without the notice
    EXPECT_EQ(m_recorder.Count(), 1u);
    m_store.PutInt(kSectionNewbie, kNeedFullPath, 1);  // "Restore New User Tips"
    ASSERT_TRUE(Write());
    EXPECT_EQ(m_recorder.Count(), 2u);
}

// Only the first entry's folder counts; where the thumbnails went plays no part.
TEST_F(HtmlPageTest, FirstEntrysFolderDecides) {
    ImageItem& a = Add("a.jpg");
    ImageItem& b = Add("b.jpg", m_strElsewhere);
    a.m_strThumbFilePath = m_strElsewhere + "/a_tn.jpg";
    m_options.m_bHref = true;

    m_options.m_strFile = m_strPics + "/MyPage.html";
    ASSERT_TRUE(Write());
    EXPECT_EQ(Page().find("file:"), std::string::npos);
    EXPECT_NE(Page().find(FormatPageEntry(b, m_options, false)), std::string::npos);

    m_options.m_strFile = m_strElsewhere + "/MyPage.html";
    ASSERT_TRUE(Write());
    EXPECT_NE(Page().find(FormatPageEntry(a, m_options, true)), std::string::npos);
    EXPECT_NE(Page().find(FormatPageEntry(b, m_options, true)), std::string::npos);
    EXPECT_NE(Page().find("src=\"file://" + m_strElsewhere + "/a_tn.jpg\""), std::string::npos);
    EXPECT_EQ(m_recorder.Texts(), QStringList{kNoticeText});
}

TEST_F(HtmlPageTest, PagePathNamingAFolderFails) {
    Add("a.jpg");
    for (const std::string& strFile : {m_strElsewhere, m_strElsewhere + "/",
                                       m_strElsewhere + "/missing/MyPage.html", std::string()}) {
        m_options.m_strFile = strFile;
        EXPECT_FALSE(Write()) << strFile;
    }
    EXPECT_EQ(m_recorder.Texts(), QStringList(4, kPageFailed));
    EXPECT_TRUE(ListFolder(m_strElsewhere).empty());
}

// A file size limit fails the write the way a full disk does: a short page
// fails when it is flushed, a long one while it is being written.
class FailedWriteTest : public HtmlPageTest, public ::testing::WithParamInterface<int> {};

TEST_P(FailedWriteTest, LeavesTheOldPage) {
    for (int i = 0; i < GetParam(); ++i) Add("photo" + std::to_string(i) + ".jpg");
    const std::string strOld = "<p>last year's page</p>\n";
    WriteBytes(m_options.m_strFile, strOld);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool bWritten = Write();
    setrlimit(RLIMIT_FSIZE, &oldLimit);

    EXPECT_FALSE(bWritten);
    EXPECT_EQ(m_recorder.Texts(), QStringList{kPageFailed});
    EXPECT_EQ(Page(), strOld);
    EXPECT_EQ(ListFolder(m_strPics), std::vector<std::string>{"MyPage.html"});
}

INSTANTIATE_TEST_SUITE_P(PageSizes, FailedWriteTest, ::testing::Values(1, 500));

TEST_F(HtmlPageTest, NewPageReplacesTheOldOne) {
    Add("a.jpg");
    WriteBytes(m_options.m_strFile, std::string(10000, 'x'));
    ASSERT_TRUE(Write());
    EXPECT_EQ(Page().substr(0, kDocType.size()), kDocType);
    EXPECT_EQ(Page().find('x'), std::string::npos);
    EXPECT_EQ(ListFolder(m_strPics), std::vector<std::string>{"MyPage.html"});
}

}  // namespace

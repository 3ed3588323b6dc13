// SPDX-License-Identifier: MIT
// The web page: its exact text, its table, its links, and what happens when
// it cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
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

// A thumbnail is named bare only when it lies beside the page (a folder
// typed with a trailing "/" is the same folder); the images only when the
// first entry's folder is the page's, which alone decides the notice.
TEST_F(HtmlPageTest, EachLinkFollowsTheFolderOfItsFile) {
    ImageItem& a = Add("a.jpg");
    ImageItem& b = Add("b.jpg", m_strElsewhere);
    a.m_strThumbFilePath = m_strPics + "//a_tn.jpg";
    m_options.m_bHref = true;

    m_options.m_strFile = m_strPics + "/MyPage.html";
    ASSERT_TRUE(Write());
    EXPECT_NE(Page().find(FormatPageEntry(a, m_options, false, false)), std::string::npos);
    EXPECT_NE(Page().find(FormatPageEntry(b, m_options, true, false)), std::string::npos);

    m_options.m_strFile = m_strElsewhere + "/MyPage.html";
    ASSERT_TRUE(Write());
    EXPECT_NE(Page().find(FormatPageEntry(a, m_options, true, true)), std::string::npos);
    EXPECT_NE(Page().find(FormatPageEntry(b, m_options, false, true)), std::string::npos);
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

// The page of awkward names: the markup must stay intact, the texts read as
// the names, and every link lead to its file, beside the images or not.
class AwkwardNamesTest : public HtmlPageTest, public ::testing::WithParamInterface<bool> {
protected:
    // The temporary folder goes by names Qt can spell; a name that is not
    // UTF-8 is removed here, by its bytes.
    void TearDown() override {
        for (const auto& pItem : m_list) {
            ::unlink(pItem->m_strPath.c_str());
            ::unlink(pItem->m_strThumbFilePath.c_str());
        }
    }
};

QString DecodeEntities(const QString& str) {
    static const QRegularExpression re(QStringLiteral("&(amp|lt|gt|quot|#([0-9]+));"));
    QString strOut;
    qsizetype nFrom = 0;
    auto it = re.globalMatch(str);
    while (it.hasNext()) {
        const auto m = it.next();
        strOut += str.mid(nFrom, m.capturedStart() - nFrom);
        const QString strName = m.captured(1);
        if (strName == QLatin1String("amp")) strOut += QLatin1Char('&');
        if (strName == QLatin1String("lt")) strOut += QLatin1Char('<');
        if (strName == QLatin1String("gt")) strOut += QLatin1Char('>');
        if (strName == QLatin1String("quot")) strOut += QLatin1Char('"');
        if (!m.captured(2).isEmpty()) {
            const char32_t c = m.captured(2).toUInt();
            strOut += QString::fromUcs4(&c, 1);
        }
        nFrom = m.capturedEnd();
    }
    return strOut + str.mid(nFrom);
}

// The file a link of the page leads to, as the bytes of its path.
std::string LinkedFile(const std::string& strPage, const QString& strAttribute) {
    const QString strUrl = DecodeEntities(strAttribute);
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(strPage))
                         .resolved(QUrl::fromEncoded(strUrl.toLatin1(), QUrl::StrictMode));
    if (!url.isValid() || !url.isLocalFile()) return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

TEST_P(AwkwardNamesTest, NamesStayTextAndLinksLeadToTheFiles) {
    const std::vector<std::string> vNames = {
        "a&b.jpg",      "x #1.jpg",    "say \"hi\".jpg",
        "50% off?.jpg", "<i>tag.jpg",  "it's.jpg",
        "http:x.jpg",   "a&amp;b.jpg", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac.jpg",
        "\xff\xfe.jpg"};
    for (const std::string& strName : vNames) {
        ImageItem& item = Add(strName);
        WriteBytes(item.m_strPath, "photo");
        WriteBytes(item.m_strThumbFilePath, "thumb");
    }
    m_options.m_bHref = true;
    m_options.m_nHrefStyle = 2;
    m_options.m_bTextHref = true;
    if (GetParam()) m_options.m_strFile = m_strElsewhere + "/MyPage.html";
    ASSERT_TRUE(Write());

    const std::string strPage = Page();
    for (const char c : strPage) ASSERT_TRUE(c > 0 && c != '\r') << "only ASCII is written";
    std::string strBody = strPage.substr(DefaultHead().size());
    const std::string strTail = std::string(kAfterDefault) + "\n";
    ASSERT_EQ(strBody.substr(strBody.size() - strTail.size()), strTail);
    strBody.resize(strBody.size() - strTail.size());

    // Values hold no quote or bracket, and "&" only as an entity.
    const QString strValue = QStringLiteral("((?:[^\"<>&]|&(?:amp|lt|gt|quot|#[0-9]+);)*)");
    const QRegularExpression re(
        QStringLiteral("^<a href=\"%1\" target=\"_blank\"><img src=\"%1\" alt=\"%1\" border=\"1\" "
                       "width=\"100\" height=\"75\"></a>\n<br><a href=\"%1\" target=\"_blank\">%1"
                       "</a>\n<br>\n")
            .arg(strValue));
    QString strRest = QString::fromStdString(strBody);
    for (const auto& pItem : m_list) {
        const auto m = re.match(strRest);
        ASSERT_TRUE(m.hasMatch()) << "entry " << pItem->m_strPath << " in\n" << strBody;
        EXPECT_EQ(LinkedFile(m_options.m_strFile, m.captured(1)), pItem->m_strPath);
        EXPECT_EQ(LinkedFile(m_options.m_strFile, m.captured(2)), pItem->m_strThumbFilePath);
        EXPECT_EQ(DecodeEntities(m.captured(3)),
                  QFile::decodeName(pItem->m_strThumbFileName.c_str()));
        EXPECT_EQ(LinkedFile(m_options.m_strFile, m.captured(4)), pItem->m_strPath);
        EXPECT_EQ(DecodeEntities(m.captured(5)),
                  QFile::decodeName((pItem->m_strName + pItem->m_strExt).c_str()));
        strRest = strRest.mid(m.capturedLength());
    }
    EXPECT_TRUE(strRest.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BesideAndElsewhere, AwkwardNamesTest, ::testing::Bool());

}  // namespace

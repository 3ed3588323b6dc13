// SPDX-License-Identifier: MIT
// `galerio --make-thumbs` in this process: the same files and page as the
// property sheet's run for the same choices, byte for byte, for any number
// of jobs; what it refuses; the settings it reads and never writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_fixture.h"
#include "batch/ordered_thumbs.h"
#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "publish/html_page.h"
#include "publish/thumb_writer.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"

namespace {

constexpr int kGridPitch = 103;
const std::string kDocType = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">";

// The choices of one run, given on the command line and to the sheet's code path alike.
struct RunCase {
    const char* name;
    ThumbNaming nNaming;
    const char* suffix;
    const char* prefix;
    int nQuality;
    int nSize;
    int nSort;  // 0 none, 1 name, 2 size, 3 date
    bool bDescending;
    bool bPage;
    bool bPageBeside;  // the page in the photos' folder, else in the thumbnails'
    bool bLink;
    int nStyle;
    bool bAnchor;
    int nTable;  // 0: no table, else per row
    int nPhotos;
    const char* outEnd = "";  // typed after the thumbnails' folder
};
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

const char* const kNamingWords[] = {"append", "prepend", "source"};
const char* const kSortWords[] = {"none", "name", "size", "date"};

// What each box looks like on stderr.
std::string AsReports(const std::vector<MessageRequest>& messages) {
    std::string strText;
    for (const MessageRequest& m : messages) {
        QString text = m.text;
        while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
        strText += (m.caption + QStringLiteral(": ") + text + QLatin1Char('\n')).toStdString();
    }
    return strText;
}

class BatchRunTest : public BatchFixture {
protected:
    void AddPhotos(int nPhotos) {
        if (nPhotos == 1) {
            AddPhoto("only.jpg", 320, 200);
            return;
        }
        AddPhoto("b.jpg", 640, 480);
        AddPhoto("A.JPG", 300, 400);
        AddPhoto("c.bmp", 120, 90);
        AddPhoto("d e&f.jpeg", 90, 60);
        AddPhoto("g.jpg", 1000, 200);
    }

    std::string PageFile(const RunCase& c) const {
        return (c.bPageBeside ? m_strPics : m_strOut) + "/My Page.html";
    }

    std::vector<std::string> Args(const RunCase& c, int nJobs) const {
        std::vector<std::string> args = {m_strPics,
                                         "--out",
                                         m_strOut + c.outEnd,
                                         "--naming",
                                         kNamingWords[c.nNaming],
                                         "--suffix",
                                         c.suffix,
                                         "--prefix",
                                         c.prefix,
                                         "--quality",
                                         std::to_string(c.nQuality),
                                         "--size",
                                         std::to_string(c.nSize),
                                         "--sort",
                                         kSortWords[c.nSort],
                                         c.bDescending ? "--descending" : "--ascending",
                                         "--jobs",
                                         std::to_string(nJobs)};
        if (c.bPage) {
            args.insert(args.end(), {"--page", PageFile(c)});
            if (c.bLink) args.insert(args.end(), {"--link", std::to_string(c.nStyle)});
            if (c.bAnchor) args.push_back("--text-anchor");
            if (c.nTable)
                args.insert(args.end(), {"--table", std::to_string(c.nTable), "--border", "0",
                                         "--cellspacing", "2", "--cellpadding", "4"});
        }
        return args;
    }

    // The sheet's run for the same choices: the view's scan, sort and grid
    // thumbnails, then MakeThumbFiles and WriteHtmlPage. Returns its boxes.
    std::vector<MessageRequest> SheetRun(const RunCase& c) {
        MessageRecorder recorder;
        ImageList list;
        ScanFolder(m_strPics, ScanOptions(), list, {});
        SortImages(list, c.nSort, c.bDescending ? 1 : 0);
        for (auto& pItem : list)
            EXPECT_TRUE(BuildThumbnailBitmap(*pItem, kGridPitch, kGridPitch - 3));
        ThumbJob job;
        job.m_nSizeLimit = c.nSize;
        job.m_nNaming = c.nNaming;
        job.m_strFolder = m_strOut + c.outEnd;
        job.m_strSuffix = c.suffix;
        job.m_strPrefix = c.prefix;
        job.m_nQuality = c.nQuality;
        EXPECT_TRUE(MakeThumbFiles(list, true, nullptr, job, kGridPitch));
        if (c.bPage) {
            PageOptions page;
            page.m_strFile = PageFile(c);
            page.m_bHref = c.bLink;
            page.m_nHrefStyle = c.nStyle;
            page.m_bTextHref = c.bAnchor;
            // The sheet offers no table for a single image.
            page.m_bTable = c.nTable != 0 && list.size() > 1;
            page.m_nRowCount = c.nTable;
            page.m_nBorder = 0;
            page.m_nCell = 2;
            page.m_nCellPad = 4;
            SettingsStore sheetStore;
            sheetStore.SetFilePath(m_config.WorkDir() + "/sheet.ini");
            EXPECT_TRUE(WriteHtmlPage(list, true, nullptr, page, kBeforeDefault, kAfterDefault,
                                      sheetStore));
        }
        return recorder.Messages();
    }
};

class BatchSameAsSheet : public BatchRunTest,
                         public ::testing::WithParamInterface<std::tuple<RunCase, int>> {};

TEST_P(BatchSameAsSheet, WritesTheSameFilesAndPageByteForByte) {
    const auto& [c, nJobs] = GetParam();
    AddPhotos(c.nPhotos);
    const FolderFiles photos = ReadFolder(m_strPics);

    const std::string strSheetReports = AsReports(SheetRun(c));
    const FolderFiles sheetOut = ReadFolder(m_strOut);
    const FolderFiles sheetPics = ReadFolder(m_strPics);
    ASSERT_EQ(sheetOut.size(), std::size_t(c.nPhotos) + (c.bPage && !c.bPageBeside ? 1 : 0));
    for (const auto& [strName, strBytes] : sheetOut) unlink((m_strOut + "/" + strName).c_str());
    if (c.bPage && c.bPageBeside) unlink(PageFile(c).c_str());
    ASSERT_EQ(ReadFolder(m_strPics), photos);

    const CommandResult result = Run(Args(c, nJobs));
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(ReadFolder(m_strOut), sheetOut);
    EXPECT_EQ(ReadFolder(m_strPics), sheetPics);
    EXPECT_EQ(result.strErr, strSheetReports);
    if (c.bPage && c.nPhotos == 1) {
        EXPECT_EQ(ReadBytes(PageFile(c)).find("<table"), std::string::npos);
    }
    // The settings were read, never written: not even the file was made.
    EXPECT_NE(access(m_strSettings.c_str(), F_OK), 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, BatchSameAsSheet,
    ::testing::Combine(
        ::testing::Values(
            RunCase{"ThumbsOnly", AppendText, "_tn", "tn_", 100, 100, 0, false, false, false, false, 0, false, 0, 5},
            RunCase{"PageBesideByNameDown", PrependText, "_tn", "small ", 70, 64, 1, true, true, true, true, 1, true, 3, 5},
            RunCase{"PageElsewhereBySize", SourceName, "_tn", "tn_", 90, 150, 2, false, true, false, true, 2, false, 2, 5},
            RunCase{"PageWithoutLinks", AppendText, "-t", "tn_", 40, 30, 1, false, true, true, false, 0, true, 0, 5},
            RunCase{"OneImageGetsNoTable", AppendText, "_tn", "tn_", 100, 100, 0, false, true, true, true, 0, false, 2, 1},
            RunCase{"FolderTypedWithASlash", AppendText, "_tn", "tn_", 100, 100, 1, false, true, true, true, 0, false, 0, 5, "/"}),
        ::testing::Values(1, 3)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_jobs" + std::to_string(std::get<1>(info.param));
    });
// clang-format on

// The stored choices stand in for everything the command line leaves out,
// the grid's size (Pitch less 3) for the size limit.
TEST_F(BatchRunTest, WhatIsNotGivenComesFromTheSettings) {
    AddPhotos(5);
    for (const auto& [strName, strValue] :
         std::vector<std::pair<std::string, std::string>>{{kPitch, "63"},
                                                          {kPrepend, "1"},
                                                          {kPrePendText, "mini-"},
                                                          {kCompression, "55"},
                                                          {kSortOption, "2"},
                                                          {kSortStyle, "1"},
                                                          {kHref, "1"},
                                                          {kHrefStyle, "2"},
                                                          {kTextHref, "1"},
                                                          {kTable, "1"},
                                                          {kRowCount, "2"},
                                                          {kBorder, "3"},
                                                          {kCell, "4"},
                                                          {kCellPad, "5"},
                                                          {kBefore, "<html>"},
                                                          {kAfter, "</html>"}})
        Store(strName, strValue);
    const std::string strSettings = ReadBytes(m_strSettings);

    const std::string strPage = m_strPics + "/index.html";
    const CommandResult result = Run({m_strPics, "--out", m_strOut, "--page", strPage});
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    const FolderFiles batchOut = ReadFolder(m_strOut);
    const std::string strBatchPage = ReadBytes(strPage);
    for (const auto& [strName, strBytes] : batchOut) unlink((m_strOut + "/" + strName).c_str());

    ImageList list;
    ScanFolder(m_strPics, ScanOptions(), list, {});
    SortImages(list, 2, 1);
    for (auto& pItem : list) ASSERT_TRUE(BuildThumbnailBitmap(*pItem, 63, 60));
    ThumbJob job;
    job.m_nSizeLimit = 60;
    job.m_nNaming = PrependText;
    job.m_strFolder = m_strOut;
    job.m_strPrefix = "mini-";
    job.m_nQuality = 55;
    ASSERT_TRUE(MakeThumbFiles(list, true, nullptr, job, 63));
    PageOptions page;
    page.m_strFile = strPage;
    page.m_bHref = true;
    page.m_nHrefStyle = 2;
    page.m_bTextHref = true;
    page.m_bTable = true;
    page.m_nRowCount = 2;
    page.m_nBorder = 3;
    page.m_nCell = 4;
    page.m_nCellPad = 5;
    bool bNeedFullPath = true;
    ASSERT_TRUE(WriteHtmlPage(list, true, nullptr, page, "<html>", "</html>", bNeedFullPath));

    EXPECT_EQ(batchOut, ReadFolder(m_strOut));
    EXPECT_EQ(strBatchPage, ReadBytes(strPage));
    EXPECT_EQ(ReadBytes(m_strSettings), strSettings);
}

// A folder of photos with a file among them that is no picture. Sorted by
// name, it is the fourth; the thumbnail of "h" existed before the run.
class BatchFailure : public BatchRunTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        BatchRunTest::SetUp();
        for (const char* pszName : {"a", "b", "c", "e", "f", "g", "h", "i", "j", "k", "l"})
            AddPhoto(std::string(pszName) + ".jpg", 400, 300);
        AddBroken("d.jpg");
        WriteBytes(m_strOut + "/a_tn.jpg", "old a");
        WriteBytes(m_strOut + "/h_tn.jpg", "old h");
    }

    CommandResult RunWithJobs(int nJobs) {
        return Run({m_strPics, "--out", m_strOut, "--sort", "name", "--page",
                    m_strPics + "/index.html", "--jobs", std::to_string(nJobs)});
    }
};

TEST_P(BatchFailure, StopsAtTheFailingPhotoAndLeavesNothingAfterIt) {
    const CommandResult result = RunWithJobs(GetParam());
    EXPECT_EQ(result.nStatus, 1);
    const FolderFiles out = ReadFolder(m_strOut);
    std::vector<std::string> vNames;
    for (const auto& [strName, strBytes] : out) vNames.push_back(strName);
    // No temporary file is left either.
    EXPECT_EQ(vNames, (std::vector<std::string>{"a_tn.jpg", "b_tn.jpg", "c_tn.jpg", "h_tn.jpg"}));
    EXPECT_NE(out.at("a_tn.jpg"), "old a");  // before the failure: replaced
    EXPECT_EQ(out.at("h_tn.jpg"), "old h");  // after it: never touched
    // The photo's line with the library's text, then the run's; the page is still written.
    EXPECT_EQ(result.strErr, "galerio --make-thumbs: '" + m_strPics +
                                 "/d.jpg': Not a JPEG file: starts with 0x74 0x68\n"
                                 "Galerio: Error: MakeOneThumb\n");
    const std::string strPage = ReadBytes(m_strPics + "/index.html");
    EXPECT_NE(strPage.find("<img src=\"file://" + m_strOut + "/c_tn.jpg\" alt=\"c_tn.jpg\""),
              std::string::npos);
    // The failing photo and those after it have no thumbnail file to show.
    const std::string strEmpty =
        "<img src=\"\" alt=\"\" border=\"1\" width=\"0\" height=\"0\">\n<br>\n";
    std::size_t nEmpty = 0;
    for (std::size_t n = 0; (n = strPage.find(strEmpty, n)) != std::string::npos; n += 1) ++nEmpty;
    EXPECT_EQ(nEmpty, 9u);
}

TEST_P(BatchFailure, EndsAsOneJobDoes) {
    const CommandResult one = RunWithJobs(1);
    const FolderFiles outOne = ReadFolder(m_strOut);
    const std::string strPageOne = ReadBytes(m_strPics + "/index.html");
    for (const auto& [strName, strBytes] : outOne) unlink((m_strOut + "/" + strName).c_str());
    WriteBytes(m_strOut + "/a_tn.jpg", "old a");
    WriteBytes(m_strOut + "/h_tn.jpg", "old h");

    const CommandResult many = RunWithJobs(GetParam());
    EXPECT_EQ(many.nStatus, one.nStatus);
    EXPECT_EQ(many.strErr, one.strErr);
    EXPECT_EQ(ReadFolder(m_strOut), outOne);
    EXPECT_EQ(ReadBytes(m_strPics + "/index.html"), strPageOne);
}

INSTANTIATE_TEST_SUITE_P(Jobs, BatchFailure, ::testing::Values(1, 2, 8));

// A thumbnail that cannot be put in place (a folder in the way) fails the
// entry with the encoder's box, for any number of jobs.
TEST_P(BatchFailure, AFolderInTheWayOfAThumbnailStopsTheRunThere) {
    unlink((m_strPics + "/d.jpg").c_str());
    AddPhoto("d.jpg", 400, 300);
    ASSERT_EQ(mkdir((m_strOut + "/f_tn.jpg").c_str(), 0755), 0);
    const CommandResult result = RunWithJobs(GetParam());
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strErr, "galerio --make-thumbs: '" + m_strPics + "/f.jpg': cannot create '" +
                                 m_strOut +
                                 "/f_tn.jpg': Is a directory\nGalerio: Error: MakeOneThumb\n");
    const FolderFiles out = ReadFolder(m_strOut);
    EXPECT_TRUE(out.count("e_tn.jpg"));
    EXPECT_FALSE(out.count("g_tn.jpg"));
    EXPECT_EQ(out.at("h_tn.jpg"), "old h");
}

// A line about a photo names it and says why; a library warning comes once
// however often the photo is read.
struct PhotoCase {
    const char* name;
    const char* file;
    bool bHalf;  // half of a real photo, else no picture at all
    int nStatus;
    const char* err;  // after the photo's path
};
void PrintTo(const PhotoCase& c, std::ostream* os) { *os << c.name; }

class BatchPhotoLines : public BatchRunTest,
                        public ::testing::WithParamInterface<std::tuple<PhotoCase, int>> {};

TEST_P(BatchPhotoLines, NameThePhotoAndTheReason) {
    const auto& [c, nJobs] = GetParam();
    const std::string strPath = m_strPics + "/" + c.file;
    AddPhoto("a.jpg", 64, 48);
    c.bHalf ? AddPhoto(c.file, 640, 480) : AddBroken(c.file);
    if (c.bHalf) WriteBytes(strPath, ReadBytes(strPath).substr(0, ReadBytes(strPath).size() / 2));
    const CommandResult result =
        Run({m_strPics, "--out", m_strOut, "--sort", "name", "--jobs", std::to_string(nJobs)});
    EXPECT_EQ(result.nStatus, c.nStatus);
    EXPECT_EQ(result.strErr, "galerio --make-thumbs: '" + strPath + "': " + c.err);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, BatchPhotoLines,
    ::testing::Combine(
        ::testing::Values(
            PhotoCase{"NoBitmap", "b.bmp", false, 1, "cannot be read as a bitmap\nGalerio: Error: MakeOneThumb\n"},
            PhotoCase{"HalfAJpeg", "b.jpg", true, 0, "warning: Premature end of JPEG file\n"}),
        ::testing::Values(1, 3)),
    [](const auto& info) { return std::get<0>(info.param).name + std::to_string(std::get<1>(info.param)); });
// clang-format on

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;  // "{pics}" and "{out}" are replaced
    std::vector<std::pair<std::string, std::string>> stored;
    const char* err;                       // the same replacements
    std::vector<std::string> photos = {};  // beside the five
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class BatchRefusal : public BatchRunTest, public ::testing::WithParamInterface<RefusalCase> {
protected:
    std::string Fill(std::string strText) const {
        for (const auto& [strKey, strValue] : {std::pair{std::string("{pics}"), m_strPics},
                                               std::pair{std::string("{out}"), m_strOut}})
            for (std::size_t n; (n = strText.find(strKey)) != std::string::npos;)
                strText.replace(n, strKey.size(), strValue);
        return strText;
    }
};

TEST_P(BatchRefusal, ExplainsAndWritesNothing) {
    const RefusalCase& c = GetParam();
    AddPhotos(5);
    for (const std::string& strName : c.photos) AddPhoto(strName, 64, 48);
    for (const auto& [strName, strValue] : c.stored) Store(strName, strValue);
    const FolderFiles photos = ReadFolder(m_strPics);
    std::vector<std::string> args;
    for (const std::string& arg : c.args) args.push_back(Fill(arg));

    const CommandResult result = Run(args);
    EXPECT_EQ(result.nStatus, 2);
    EXPECT_EQ(result.strErr, Fill(c.err));
    EXPECT_EQ(ReadFolder(m_strPics), photos);
    EXPECT_TRUE(ReadFolder(m_strOut).empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, BatchRefusal,
    ::testing::Values(
        RefusalCase{"MissingOutFolder", {"{pics}", "--out", "{out}/none"}, {},
                    "Galerio: Error: Folder\n\n{out}/none\n\ndoes not exist. \nPlease select an exisitng folder.\n"},
        RefusalCase{"SourceNamesIntoThePhotosFolder", {"{pics}", "--out", "{out}/../pics/./", "--naming", "source"}, {},
                    "Warning!: The option you have chosen will cause your original JPEGs to be overwritten. "
                    "Your original images will be destroyed.\n\nAre you sure you want to do this?\n"
                    "galerio --make-thumbs: the photos are not replaced by their thumbnails without --overwrite-originals\n"},
        RefusalCase{"StoredSourceNamingAlsoAsks", {"{pics}/", "--out", "{pics}"}, {{"Prepend", "2"}, {"NoOverDlg", "1"}},
                    "Warning!: The option you have chosen will cause your original JPEGs to be overwritten. "
                    "Your original images will be destroyed.\n\nAre you sure you want to do this?\n"
                    "galerio --make-thumbs: the photos are not replaced by their thumbnails without --overwrite-originals\n"},
        RefusalCase{"BlankSuffix", {"{pics}", "--out", "{out}", "--suffix", ""}, {},
                    "Galerio: You chose to PostPend a name but the field is blank\n"},
        RefusalCase{"BlankStoredPrefix", {"{pics}", "--out", "{out}", "--naming", "prepend"}, {{"PrePendText", ""}},
                    "Galerio: You chose to PrePend a name but the field is blank\n"},
        RefusalCase{"StoredQualityOutOfRange", {"{pics}", "--out", "{out}"}, {{"Compression", "0"}},
                    "galerio --make-thumbs: the stored setting Compression is 0, not a whole number from 1 to 100; give --quality\n"},
        RefusalCase{"StoredPitchTooSmallForTheLimit", {"{pics}", "--out", "{out}"}, {{"Pitch", "12"}},
                    "galerio --make-thumbs: the grid's thumbnail size (the stored Pitch less 3) is 9, not a whole number from 10 to 5000; give --size\n"},
        RefusalCase{"StoredRowCountOutOfRange", {"{pics}", "--out", "{out}", "--page", "{out}/p.html"}, {{"Table", "1"}, {"RowCount", "1"}},
                    "galerio --make-thumbs: the stored setting RowCount is 1, not a whole number from 2 to 2000; give --table\n"},
        RefusalCase{"HeadFileMissing", {"{pics}", "--out", "{out}", "--page", "{out}/p.html", "--head", "{out}/none.html"}, {},
                    "galerio --make-thumbs: --head: '{out}/none.html' No such file or directory\n"},
        RefusalCase{"PhotosFolderMissing", {"{pics}/none", "--out", "{out}"}, {},
                    "galerio --make-thumbs: the folder of photos '{pics}/none' does not exist\n"},
        RefusalCase{"BadOption", {"{pics}", "--out", "{out}", "--quality", "best"}, {},
                    "galerio --make-thumbs: --quality: 'best' is not a whole number from 1 to 100 (see galerio --make-thumbs --help)\n"},
        RefusalCase{"TwoPhotosGiveOneThumbnail", {"{pics}", "--out", "{out}", "--sort", "none"}, {},
                    "Galerio: The thumbnails of\n{pics}/c.jpg\nand\n{pics}/c.bmp\nwould both be written to the same file\n{out}/c_tn.jpg\n\nNothing was written. Please choose other names or another folder for the thumbnails.\n", {"c.jpg"}},
        RefusalCase{"APrefixGivesAnotherPhotosName", {"{pics}", "--out", "{pics}", "--naming", "prepend"}, {},
                    "Galerio: The thumbnail of\n{pics}/b.jpg\nwould be written over the photo\n{pics}/tn_b.jpg\n\nNothing was written. Please choose other names or another folder for the thumbnails. If that photo is a thumbnail an earlier run left, tick \"Ignore Pre/Post pended files when searching\" in Preferences.\n", {"tn_b.jpg"}},
        RefusalCase{"SourceNameOfABitmapOverAPhoto", {"{pics}", "--out", "{pics}", "--naming", "source", "--overwrite-originals", "--sort", "none", "--jobs", "4"}, {},
                    "Galerio: The thumbnail of\n{pics}/c.bmp\nwould be written over the photo\n{pics}/c.jpg\n\nNothing was written. Please choose other names or another folder for the thumbnails. If that photo is a thumbnail an earlier run left, tick \"Ignore Pre/Post pended files when searching\" in Preferences.\n", {"c.jpg"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(BatchRunTest, OverwriteOriginalsReplacesThePhotosByTheirThumbnails) {
    AddPhoto("big.jpg", 800, 600);
    const CommandResult result =
        Run({m_strPics, "--out", m_strPics + "/", "--naming", "source", "--overwrite-originals"});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(result.strErr, "");
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(JpegFile::ReadJpegSize(m_strPics + "/big.jpg", w, h));
    EXPECT_EQ(w, 100u);
    EXPECT_EQ(h, 75u);
}

// The head and tail files go into the page as they are: line ends, a byte
// order mark and bytes that are not UTF-8 included.
TEST_F(BatchRunTest, HeadAndTailFilesAreUsedByteForByte) {
    AddPhoto("a.jpg", 64, 48);
    const std::string strHead = "\xEF\xBB\xBF<html>\r\n<body \xFF>\n";
    const std::string strTail = "</body>\r\n</html>\r\n";
    WriteBytes(m_strOut + "/head.txt", strHead);
    WriteBytes(m_strOut + "/tail.txt", strTail);
    const std::string strPage = m_strPics + "/p.html";
    const CommandResult result = Run({m_strPics, "--out", m_strOut, "--page", strPage, "--head",
                                      m_strOut + "/head.txt", "--tail", m_strOut + "/tail.txt"});
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    const std::string strText = ReadBytes(strPage);
    EXPECT_EQ(strText.substr(0, kDocType.size() + strHead.size() + 1), kDocType + strHead + "\n");
    EXPECT_EQ(strText.substr(strText.size() - strTail.size() - 1), strTail + "\n");
}

// The notice about absolute paths is printed while it is due, and the run
// leaves the stored flag (and every other setting) as it was.
TEST_F(BatchRunTest, TheAbsolutePathNoticeIsPrintedAndTheSettingsStayUntouched) {
    AddPhoto("a.jpg", 64, 48);
    Store(kSortOption, "1");
    const std::string strSettings = ReadBytes(m_strSettings);
    for (int nRun = 0; nRun < 2; ++nRun) {
        const CommandResult result =
            Run({m_strPics, "--out", m_strOut, "--page", m_strOut + "/p.html"});
        EXPECT_EQ(result.nStatus, 0);
        EXPECT_EQ(result.strErr.rfind("Galerio: The way you specified the Folder path\n", 0), 0u)
            << result.strErr;
    }
    EXPECT_EQ(ReadBytes(m_strSettings), strSettings);

    Store(kNeedFullPath, "0");  // in "Settings": the flag lives in "Newbie"
    bool bCreated = false;
    SettingsStore store;
    ASSERT_TRUE(store.OpenProductKey("Galerio", bCreated));
    store.PutInt(kSectionNewbie, kNeedFullPath, 0);
    const CommandResult quiet = Run({m_strPics, "--out", m_strOut, "--page", m_strOut + "/p.html"});
    EXPECT_EQ(quiet.nStatus, 0);
    EXPECT_EQ(quiet.strErr, "");
}

TEST_F(BatchRunTest, AFolderWithoutPhotosWritesNothing) {
    WriteBytes(m_strPics + "/notes.txt", "no photos here");
    const CommandResult result =
        Run({m_strPics, "--out", m_strOut, "--page", m_strOut + "/p.html"});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strErr, "Galerio: No files found.\n");
    EXPECT_TRUE(ReadFolder(m_strOut).empty());
}

// The other formats come in with --formats extra or the stored choice; their
// thumbnails are JPEG files named .jpg, and the page links the original.
TEST_F(BatchRunTest, OtherFormatsOnlyWhenAskedForWithJpegThumbnails) {
    AddPhoto("a.jpg", 64, 48);
    QImage picture(80, 60, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 0, 255, 0));  // transparent: white in the file
    ASSERT_TRUE(picture.save(QString::fromStdString(m_strPics + "/b.PNG")));
    ASSERT_EQ(Run({m_strPics, "--out", m_strOut}).nStatus, 0);
    EXPECT_FALSE(ReadFolder(m_strOut).count("b_tn.jpg"));
    for (const bool bStored : {false, true}) {
        if (bStored) Store(kSectionFormats, kExtraFormats, "1");
        std::vector<std::string> args = {m_strPics, "--out", m_strOut, "--page", m_strOut + "/p.html",
                                         "--link", "0"};
        if (!bStored) args.insert(args.end(), {"--formats", "extra"});
        ASSERT_EQ(Run(args).nStatus, 0);
        ASSERT_TRUE(ReadFolder(m_strOut).count("b_tn.jpg"));
        std::uint32_t w = 0, h = 0;
        const auto pPixels = ReadJpegRgb(m_strOut + "/b_tn.jpg", w, h, 1, 1);
        ASSERT_TRUE(pPixels && w == 80u);
        EXPECT_GE(std::min(pPixels[0], pPixels[2]), 250);  // white, not the blue
        EXPECT_NE(ReadBytes(m_strOut + "/p.html").find("b.PNG\">"), std::string::npos);
    }
    // Asked for, the described files alone, whatever is stored.
    std::remove((m_strOut + "/b_tn.jpg").c_str());
    ASSERT_EQ(Run({m_strPics, "--out", m_strOut, "--formats", "basic"}).nStatus, 0);
    EXPECT_FALSE(ReadFolder(m_strOut).count("b_tn.jpg"));
}

// A page that cannot be written fails the run after the thumbnails were made.
TEST_F(BatchRunTest, APageThatCannotBeWrittenFailsTheRun) {
    AddPhoto("a.jpg", 64, 48);
    const CommandResult result = Run({m_strPics, "--out", m_strOut, "--page", m_strOut + "/"});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strErr,
              "Galerio: Thumbnails were created but HTML file could not be created.\n\n(Did you "
              "specify a directory path instead of a file path?)\n");
    EXPECT_TRUE(ReadFolder(m_strOut).count("a_tn.jpg"));
}

// The thumbnail filter skips the names this run gives, so a second run into
// the photos' folder makes no thumbnails of thumbnails.
TEST_F(BatchRunTest, ARepeatedRunIntoThePhotosFolderSkipsItsOwnThumbnails) {
    AddPhoto("a.jpg", 200, 100);
    Store(kTNSearch, "1");
    for (int nRun = 0; nRun < 2; ++nRun)
        ASSERT_EQ(Run({m_strPics, "--out", m_strPics, "--suffix", "-s"}).nStatus, 0);
    std::vector<std::string> vNames;
    for (const auto& [strName, strBytes] : ReadFolder(m_strPics)) vNames.push_back(strName);
    EXPECT_EQ(vNames, (std::vector<std::string>{"a-s.jpg", "a.jpg"}));
}

// Names from the file system are shown as plain text: a control character
// in a file name does not reach the terminal.
TEST_F(BatchRunTest, ControlCharactersOfANameAreNotPrinted) {
    AddBroken("evil\x1b]0;owned\x07.jpg");
    WriteBytes(m_strOut + "/x\x1b[2J", "");
    const CommandResult result = Run({m_strPics, "--out", m_strOut + "/x\x1b[2J"});
    EXPECT_EQ(result.nStatus, 2);
    EXPECT_EQ(result.strErr.find('\x1b'), std::string::npos) << result.strErr;
    EXPECT_NE(result.strErr.find("x?[2J"), std::string::npos) << result.strErr;
}

}  // namespace

namespace {

// An interrupt stops the run before the next entry; the helpers' files
// that were not yet in place are removed, and those entries keep no names.
class BatchInterrupt : public BatchRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(BatchInterrupt, StopsBeforeTheNextEntryAndLeavesNoTemporaryFile) {
    for (const char* pszName : {"a", "b", "c", "d", "e", "f", "g", "h"})
        AddPhoto(std::string(pszName) + ".jpg", 400, 300);
    ImageList list;
    ScanFolder(m_strPics, ScanOptions(), list, {});
    SortImages(list, 1, 0);
    ThumbJob job;
    job.m_strFolder = m_strOut;
    std::atomic<bool> bInterrupt{false};
    const std::size_t nMade =
        MakeThumbFilesOrdered(list, job, kGridPitch, GetParam(), bInterrupt,
                              [&](std::size_t i, const ImageItem&, bool, auto&) {
                                  if (i == 1) bInterrupt.store(true);
                              });
    EXPECT_EQ(nMade, 2u);
    std::vector<std::string> vNames;
    for (const auto& [strName, strBytes] : ReadFolder(m_strOut)) vNames.push_back(strName);
    EXPECT_EQ(vNames, (std::vector<std::string>{"a_tn.jpg", "b_tn.jpg"}));
    for (std::size_t i = 2; i < list.size(); ++i) EXPECT_EQ(list[i]->m_strThumbFileName, "");
}

INSTANTIATE_TEST_SUITE_P(Jobs, BatchInterrupt, ::testing::Values(1, 4));

}  // namespace

namespace {

// Paths are bytes: folders and photos whose names are not UTF-8 work, given
// relative to the working directory too.
TEST_F(BatchRunTest, NamesThatAreNotUtf8AreFoundAndWritten) {
    const std::string strPics = m_config.WorkDir() + "/ph\xe9tos";
    const std::string strOut = m_config.WorkDir() + "/th\xfc";
    ASSERT_EQ(mkdir(strPics.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(strOut.c_str(), 0755), 0);
    WriteQuadrantJpeg(strPics, "\xff.jpg", 64, 48);
    char szOld[4096];
    ASSERT_TRUE(getcwd(szOld, sizeof szOld));
    ASSERT_EQ(chdir(m_config.WorkDir().c_str()), 0);
    const CommandResult result =
        Run({"ph\xe9tos", "--out", "./th\xfc/", "--page", "ph\xe9tos/index.html"});
    ASSERT_EQ(chdir(szOld), 0);
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_TRUE(ReadFolder(strOut).count("\xff_tn.jpg"));
    // The thumbnails are not beside the page: it names them by file URL.
    EXPECT_NE(ReadBytes(strPics + "/index.html")
                  .find("<img src=\"file://" + m_config.WorkDir() + "/th%FC/%FF_tn.jpg\""),
              std::string::npos);
}

}  // namespace

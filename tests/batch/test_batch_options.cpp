// SPDX-License-Identifier: MIT
// The command line of `galerio --make-thumbs`: what is taken, and what is
// refused with which one-line reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/batch_options.h"

namespace {

BatchArgs Parse(std::vector<std::string> args) {
    BatchArgs a;
    std::string strError;
    EXPECT_TRUE(ParseBatchArgs(args, a, strError)) << strError;
    return a;
}

TEST(BatchOptions, OnlyTheFolderAndOutLeaveEverythingToTheSettings) {
    const BatchArgs a = Parse({"pics", "--out", "thumbs"});
    EXPECT_EQ(a.m_strFolder, "pics");
    EXPECT_EQ(a.m_strOut, "thumbs");
    EXPECT_FALSE(a.m_nSize || a.m_nNaming || a.m_strSuffix || a.m_strPrefix || a.m_nQuality ||
                 a.m_nSortOption || a.m_bDescending || a.m_strPage || a.m_bLink || a.m_nHrefStyle ||
                 a.m_bTextAnchor || a.m_bTable || a.m_nRowCount || a.m_nBorder || a.m_nCell ||
                 a.m_nCellPad || a.m_strHead || a.m_strTail || a.m_nJobs);
    EXPECT_FALSE(a.m_bOverwriteOriginals);
}

TEST(BatchOptions, EveryOptionReachesItsField) {
    const BatchArgs a = Parse({"--size",
                               "200",
                               "--naming=prepend",
                               "--suffix",
                               "",
                               "--prefix",
                               "--odd",
                               "--quality",
                               "75",
                               "--sort",
                               "date",
                               "--descending",
                               "--page",
                               "p.html",
                               "--link",
                               "1",
                               "--text-anchor",
                               "--table",
                               "4",
                               "--border",
                               "0",
                               "--cellspacing=10",
                               "--cellpadding",
                               "123",
                               "--head",
                               "h",
                               "--tail",
                               "t",
                               "--jobs",
                               "3",
                               "--formats",
                               "extra",
                               "--overwrite-originals",
                               "--out",
                               "o",
                               "--",
                               "-pics"});
    EXPECT_EQ(a.m_strFolder, "-pics");
    EXPECT_EQ(a.m_nSize, 200);
    EXPECT_EQ(a.m_nNaming, PrependText);
    EXPECT_EQ(a.m_strSuffix, "");
    EXPECT_EQ(a.m_strPrefix, "--odd");  // a value may look like an option
    EXPECT_EQ(a.m_nQuality, 75);
    EXPECT_EQ(a.m_nSortOption, 3);
    EXPECT_EQ(a.m_bDescending, true);
    EXPECT_EQ(a.m_strPage, "p.html");
    EXPECT_EQ(a.m_bLink, true);
    EXPECT_EQ(a.m_nHrefStyle, 1);
    EXPECT_EQ(a.m_bTextAnchor, true);
    EXPECT_EQ(a.m_bTable, true);
    EXPECT_EQ(a.m_nRowCount, 4);
    EXPECT_EQ(a.m_nBorder, 0);
    EXPECT_EQ(a.m_nCell, 10);
    EXPECT_EQ(a.m_nCellPad, 123);
    EXPECT_EQ(a.m_strHead, "h");
    EXPECT_EQ(a.m_strTail, "t");
    EXPECT_EQ(a.m_nJobs, 3);
    EXPECT_EQ(a.m_nFormats, 1);
    EXPECT_TRUE(a.m_bOverwriteOriginals);
}

TEST(BatchOptions, TheLastOfARepeatedOptionCountsAndNoFormsSwitchOff) {
    const BatchArgs a =
        Parse({"p", "--out", "o", "--page", "x", "--link", "2", "--no-link", "--table", "3",
               "--no-table", "--descending", "--ascending", "--size", "20", "--size", "30"});
    EXPECT_EQ(a.m_bLink, false);
    EXPECT_EQ(a.m_bTable, false);
    EXPECT_EQ(a.m_bDescending, false);
    EXPECT_EQ(a.m_nSize, 30);
}

TEST(BatchOptions, HelpNeedsNothingElse) {
    EXPECT_TRUE(Parse({"--help"}).m_bHelp);
    EXPECT_TRUE(Parse({"pics", "-h"}).m_bHelp);
}

struct RefusedCase {
    const char* name;
    std::vector<std::string> args;
    const char* error;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class BatchOptionsRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(BatchOptionsRefused, GivesItsReason) {
    BatchArgs a;
    std::string strError;
    EXPECT_FALSE(ParseBatchArgs(GetParam().args, a, strError));
    EXPECT_EQ(strError, GetParam().error);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, BatchOptionsRefused,
    ::testing::Values(
        RefusedCase{"Unknown", {"p", "--out", "o", "--colour", "red"}, "unknown option '--colour'"},
        RefusedCase{"UnknownShort", {"p", "--out", "o", "-S"}, "unknown option '-S'"},
        RefusedCase{"MissingValue", {"p", "--out", "o", "--size"}, "--size needs a value"},
        RefusedCase{"FlagWithValue", {"p", "--out", "o", "--descending=1"}, "--descending takes no value"},
        RefusedCase{"NotANumber", {"p", "--out", "o", "--size", "12abc"}, "--size: '12abc' is not a whole number from 10 to 5000"},
        RefusedCase{"BlankNumber", {"p", "--out", "o", "--quality="}, "--quality: '' is not a whole number from 1 to 100"},
        RefusedCase{"SizeTooSmall", {"p", "--out", "o", "--size", "9"}, "--size: '9' is not a whole number from 10 to 5000"},
        RefusedCase{"SizeTooLarge", {"p", "--out", "o", "--size", "5001"}, "--size: '5001' is not a whole number from 10 to 5000"},
        RefusedCase{"QualityZero", {"p", "--out", "o", "--quality", "0"}, "--quality: '0' is not a whole number from 1 to 100"},
        RefusedCase{"HugeNumber", {"p", "--out", "o", "--quality", "99999999999999999999"}, "--quality: '99999999999999999999' is not a whole number from 1 to 100"},
        RefusedCase{"NegativeJobs", {"p", "--out", "o", "--jobs", "-1"}, "--jobs: '-1' is not a whole number from 1 to 1024"},
        RefusedCase{"LinkStyle", {"p", "--out", "o", "--page", "x", "--link", "3"}, "--link: '3' is not 0, 1 or 2"},
        RefusedCase{"TablePerRow", {"p", "--out", "o", "--page", "x", "--table", "1"}, "--table: '1' is not a whole number from 2 to 2000"},
        RefusedCase{"Border", {"p", "--out", "o", "--page", "x", "--border", "11"}, "--border: '11' is not a whole number from 0 to 10"},
        RefusedCase{"CellPadding", {"p", "--out", "o", "--page", "x", "--cellpadding", "-1"}, "--cellpadding: '-1' is not a whole number from 0 up"},
        RefusedCase{"Naming", {"p", "--out", "o", "--naming", "Append"}, "--naming: 'Append' is not one of append, prepend or source"},
        RefusedCase{"Sort", {"p", "--out", "o", "--sort", "time"}, "--sort: 'time' is not one of none, name, size or date"},
        RefusedCase{"Formats", {"p", "--out", "o", "--formats", "all"}, "--formats: 'all' is not one of basic or extra"},
        RefusedCase{"Style", {"p", "--out", "o", "--style", "grid"}, "--style: 'grid' is not one of page or gallery"},
        RefusedCase{"Captions", {"p", "--out", "o", "--style", "gallery", "--captions", "all"}, "--captions: 'all' is not one of none, name or exif"},
        RefusedCase{"WebSize", {"p", "--out", "o", "--style", "gallery", "--web-size", "319"}, "--web-size: '319' is not a whole number from 320 to 8192"},
        RefusedCase{"GalleryOptionWithoutGallery", {"p", "--out", "o", "--style", "page", "--title", "T"}, "--title is used only with --style gallery"},
        RefusedCase{"PageInGallery", {"p", "--out", "o", "--page", "x", "--style", "gallery"}, "--page does not go with --style gallery"},
        RefusedCase{"NamingInGallery", {"p", "--out", "o", "--style", "gallery", "--naming", "source"}, "--naming does not go with --style gallery"},
        RefusedCase{"PageOptionWithoutPage", {"p", "--out", "o", "--table", "3"}, "--table is used only with --page FILE"},
        RefusedCase{"HeadWithoutPage", {"p", "--out", "o", "--head", "h"}, "--head is used only with --page FILE"},
        RefusedCase{"EmptyPage", {"p", "--out", "o", "--page", ""}, "--page: the file name is empty"},
        RefusedCase{"NoFolder", {"--out", "o"}, "no folder of photos given"},
        RefusedCase{"TwoFolders", {"a", "b", "--out", "o"}, "more than one folder given: 'a' and 'b'"},
        RefusedCase{"NoOut", {"p"}, "no thumbnail folder given (--out DIR)"},
        RefusedCase{"EmptyOut", {"p", "--out", ""}, "--out: the folder is empty"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace

// SPDX-License-Identifier: MIT
// Catalogue entries: captions, the thumbnail-name filter, kinds, path split,
// file times and the date order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/sort_images.h"
#include "support/message_recorder.h"

namespace {

// Pins the local time zone for tests that compare clock readings.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            m_bHadOld = true;
            m_strOld = old;
        }
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_bHadOld)
            setenv("TZ", m_strOld.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_bHadOld = false;
    std::string m_strOld;
};

struct DateCase {
    int nHour;
    int nMinute;
    const char* expected;
};

class DateCaption : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateCaption, TwelveHourClockWithNoonPmAndMidnightHourZero) {
    const DateCase& c = GetParam();
    EXPECT_EQ(FormatDateCaption(3, 7, 2004, c.nHour, c.nMinute), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hours, DateCaption,
    ::testing::Values(DateCase{14, 5, "3/7/2004 2:05 PM"}, DateCase{0, 30, "3/7/2004 0:30 AM"},
                      DateCase{12, 0, "3/7/2004 12:00 PM"}, DateCase{12, 59, "3/7/2004 12:59 PM"},
                      DateCase{11, 59, "3/7/2004 11:59 AM"}, DateCase{23, 9, "3/7/2004 11:09 PM"},
                      DateCase{13, 0, "3/7/2004 1:00 PM"}));

struct FilterCase {
    const char* name;
    bool bThumbnail;
};

class ThumbnailFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ThumbnailFilter, DefaultTextsCaseSensitive) {
    const FilterCase& c = GetParam();
    EXPECT_EQ(IsThumbnailName(c.name, "_tn", "tn_"), c.bThumbnail) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ThumbnailFilter,
    ::testing::Values(FilterCase{"tn_beach.jpg", true}, FilterCase{"beach_tn.jpg", true},
                      FilterCase{"beach_tn.jpeg.jpg", true}, FilterCase{"beach_tnx.jpg", false},
                      FilterCase{"my_tn_beach.jpg", false}, FilterCase{"Tn_beach.jpg", false},
                      FilterCase{"beach_TN.jpg", false},
                      // Only the first occurrence of the post-pend text counts.
                      FilterCase{"a_tnb_tn.jpg", false},
                      // An occurrence that ends the name is no thumbnail mark.
                      FilterCase{"beach_tn", false}, FilterCase{"beach.jpg", false}));

TEST(ThumbnailFilter, EmptyTextsMarkNothing) {
    EXPECT_FALSE(IsThumbnailName("beach.jpg", "", ""));
    EXPECT_TRUE(IsThumbnailName("small-beach.jpg", "", "small-"));
    EXPECT_TRUE(IsThumbnailName("beach-small.jpg", "-small", ""));
}

TEST(AddImageItem, FilterAppliesOnlyWhenThumbnailSearchIsOn) {
    ImageList list;
    FindRecord rec;
    rec.m_strName = "tn_beach.jpg";
    ScanOptions options;
    options.m_bTNSearch = true;
    int nReports = 0;
    auto report = [&](const std::string&) { ++nReports; };
    EXPECT_FALSE(AddImageItem(list, "/pics", rec, options, report));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(nReports, 0);  // a skipped file leaves no trace

    options.m_bTNSearch = false;
    EXPECT_TRUE(AddImageItem(list, "/pics", rec, options, report));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(nReports, 1);
    EXPECT_EQ(list[0]->m_strPath, "/pics/tn_beach.jpg");
}

TEST(AddImageItem, ReportsThePathBeforeTheEntryExists) {
    ImageList list;
    FindRecord rec;
    rec.m_strName = "a.bmp";
    std::vector<std::pair<std::string, std::size_t>> seen;
    AddImageItem(list, "/", rec, ScanOptions{},
                 [&](const std::string& path) { seen.emplace_back(path, list.size()); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, "/a.bmp");  // the root keeps its single separator
    EXPECT_EQ(seen[0].second, 0u);
    EXPECT_EQ(list.at(0)->m_nKind, IMAGE_BMP);
}

TEST(AddImageItem, SizeOfTwoGibibytesAndMoreIsNeverNegative) {
    ImageList list;
    FindRecord rec;
    rec.m_strName = "huge.jpg";
    rec.m_nSize = 0x80000000ull;  // 2 GiB
    AddImageItem(list, "/p", rec, ScanOptions{}, nullptr);
    rec.m_nSize = 0x100000005ull;  // past 4 GiB: the low half alone would say 5
    AddImageItem(list, "/p", rec, ScanOptions{}, nullptr);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->m_strSize, "2147483648");
    EXPECT_EQ(list[0]->m_dwSize, 0x80000000u);
    EXPECT_EQ(list[1]->m_strSize, "4294967301");
    EXPECT_EQ(list[1]->m_dwSize, 5u);
    EXPECT_EQ(list[1]->m_nFileSize, 0x100000005ull);
    EXPECT_EQ(FormatSizeCaption(0), "0");
}

TEST(AddImageItem, FreshEntryHoldsNoThumbnail) {
    ImageList list;
    FindRecord rec;
    rec.m_strName = "x.jpeg";
    AddImageItem(list, "/p", rec, ScanOptions{}, nullptr);
    const ImageItem& item = *list.at(0);
    EXPECT_EQ(item.m_nKind, IMAGE_JPEG);
    EXPECT_EQ(item.m_pBits, nullptr);
    EXPECT_EQ(item.m_nThumbWidth, 0);
    EXPECT_TRUE(item.m_strDim.empty());
    EXPECT_TRUE(item.m_rcCell.IsEmpty());
}

struct KindCase {
    const char* path;
    ImageKind kind;
};

class Kind : public ::testing::TestWithParam<KindCase> {};

TEST_P(Kind, FromTheEndOfThePathIgnoringCase) {
    EXPECT_EQ(KindFromPath(GetParam().path), GetParam().kind) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Kind,
    ::testing::Values(KindCase{"/p/a.jpg", IMAGE_JPEG}, KindCase{"/p/A.JPG", IMAGE_JPEG},
                      KindCase{"/p/a.Jpeg", IMAGE_JPEG}, KindCase{"/p/a.bmp", IMAGE_BMP},
                      KindCase{"/p/a.BMP", IMAGE_BMP}, KindCase{"/p/a.svg", IMAGE_UNKNOWN},
                      KindCase{"/p/a.jpg.bak", IMAGE_UNKNOWN}, KindCase{"bmp", IMAGE_UNKNOWN}));

TEST(SplitImagePath, NameIsBeforeTheLastDotAndExtensionKeepsItsSpelling) {
    ImageItem item;
    item.m_strPath = "/home/ann/my.trip/IMG.2004.JPG";
    SplitImagePath(item);
    EXPECT_EQ(item.m_strFolder, "/home/ann/my.trip/");
    EXPECT_EQ(item.m_strName, "IMG.2004");
    EXPECT_EQ(item.m_strExt, ".JPG");

    item.m_strPath = "/a.b/noext";
    SplitImagePath(item);
    EXPECT_EQ(item.m_strName, "noext");
    EXPECT_EQ(item.m_strExt, "");
}

TEST(LocalFileTime, CountsHundredNanosecondTicksSince1601) {
    ScopedTimeZone tz("UTC0");
    // The Unix epoch is 11644473600 seconds after 1601-01-01.
    EXPECT_EQ(ToLocalFileTime(0, 0).m_ftTicks, 116444736000000000ull);
    EXPECT_EQ(ToLocalFileTime(0, 999).m_ftTicks, 116444736000000009ull);

    // 2004-03-07 14:05:33 UTC, a leap year after February.
    const LocalFileTime lt = ToLocalFileTime(1078668333, 250000000);
    EXPECT_EQ(lt.m_nYear, 2004);
    EXPECT_EQ(lt.m_nMonth, 3);
    EXPECT_EQ(lt.m_nDay, 7);
    EXPECT_EQ(lt.m_nHour, 14);
    EXPECT_EQ(lt.m_nMinute, 5);
    EXPECT_EQ(lt.m_ftTicks, (11644473600ull + 1078668333ull) * 10000000ull + 2500000ull);
}

TEST(LocalFileTime, UsesTheLocalZone) {
    ScopedTimeZone tz("EST5");  // five hours behind UTC, no summer time
    const LocalFileTime lt = ToLocalFileTime(1078668333, 0);
    EXPECT_EQ(lt.m_nHour, 9);
    EXPECT_EQ(lt.m_ftTicks, (11644473600ull + 1078668333ull - 5 * 3600) * 10000000ull);
}

TEST(FreeImageList, EmptiesTheListAndClearsTheSelection) {
    ImageList list;
    list.push_back(std::make_unique<ImageItem>());
    list.back()->m_pBits = std::make_unique<std::uint8_t[]>(12);
    ImageItem* pSelected = list.back().get();
    FreeImageList(list, pSelected);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(pSelected, nullptr);
}

// In the night the clocks go back, 2:00 to 2:59 local time comes twice: a
// photo taken at the second 2:15 is newer than one from the first 2:30.
TEST(DateSort, FollowsTheRealOrderAcrossTheAutumnClockChange) {
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    ImageList list;
    FindRecord first;  // 2024-10-27 00:30 UTC, 2:30 summer time
    first.m_strName = "first.jpg";
    first.m_tModified = 1729989000;
    FindRecord second;  // 2024-10-27 01:15 UTC, 2:15 winter time
    second.m_strName = "second.jpg";
    second.m_tModified = 1729991700;
    for (const FindRecord& r : {second, first}) AddImageItem(list, "/p", r, ScanOptions{}, nullptr);
    for (auto& item : list) SplitImagePath(*item);

    SortImages(list, 3, 0);  // by date, ascending
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->m_strName, "first");
    EXPECT_EQ(list[1]->m_strName, "second");
    // The captions stay the local clock readings.
    EXPECT_EQ(list[0]->m_strDate, "10/27/2024 2:30 AM");
    EXPECT_EQ(list[1]->m_strDate, "10/27/2024 2:15 AM");
    EXPECT_EQ(list[0]->m_ftModified, UtcFileTicks(1729989000, 0));
}

}  // namespace

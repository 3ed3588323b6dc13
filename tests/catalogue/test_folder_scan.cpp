// SPDX-License-Identifier: MIT
// The folder scan on real folders: patterns, what is skipped, byte-string
// names, sizes and times as the file system reports them.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <future>
#include <map>

#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"

namespace {

class FolderScan : public ::testing::Test {
protected:
    std::string Dir() const { return m_dir.path().toStdString(); }

    void Touch(const std::string& name, off_t nSize = 0) {
        const std::string path = Dir() + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path;
        if (nSize > 0) {
            ASSERT_EQ(::ftruncate(fd, nSize), 0);
        }
        ::close(fd);
    }

    void SetTime(const std::string& name, time_t sec, long nsec) {
        const timespec times[2] = {{sec, nsec}, {sec, nsec}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (Dir() + "/" + name).c_str(), times, 0), 0);
    }

    // Runs a scan with the given options and returns the bare file names.
    std::vector<std::string> Scan(bool* pAnyMatch = nullptr, ScanOptions options = {}) {
        m_list.clear();
        m_reports.clear();
        const bool bAny = ScanFolder(Dir(), options, m_list,
                                     [this](const std::string& path) { m_reports.push_back(path); });
        if (pAnyMatch) *pAnyMatch = bAny;
        std::vector<std::string> names;
        for (const auto& item : m_list) names.push_back(item->m_strName + item->m_strExt);
        return names;
    }

    // The directory's own order of the given names.
    std::vector<std::string> ReaddirOrder(const std::vector<std::string>& wanted) {
        std::vector<std::string> out;
        DIR* dir = ::opendir(Dir().c_str());
        while (const dirent* e = ::readdir(dir))
            if (std::find(wanted.begin(), wanted.end(), e->d_name) != wanted.end())
                out.push_back(e->d_name);
        ::closedir(dir);
        return out;
    }

    QTemporaryDir m_dir;
    ImageList m_list;
    std::vector<std::string> m_reports;
};

TEST_F(FolderScan, PatternsIgnoreCaseAndMustEndTheName) {
    for (const char* n : {"IMG.JPG", "img.jpg", "img.Jpg", "a.jpg.bak", "b.JPEG", "c.Bmp",
                          "d.png", "jpg", "e.jpgx"})
        Touch(n);
    std::vector<std::string> names = Scan();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"IMG.JPG", "b.JPEG", "c.Bmp", "img.Jpg",
                                               "img.jpg"}));
}

TEST_F(FolderScan, OtherFormatsAreFoundOnlyWhenAskedWithTheirKinds) {
    const std::map<std::string, int> expected = {
        {"a.jpg", IMAGE_JPEG},   {"b.PNG", IMAGE_QIMAGE}, {"c.gif", IMAGE_QIMAGE},
        {"d.Tif", IMAGE_QIMAGE}, {"e.tiff", IMAGE_QIMAGE}, {"f.webp", IMAGE_QIMAGE},
        {"g.HEIC", IMAGE_HEIF},  {"h.heif", IMAGE_HEIF},  {"i.avif", IMAGE_HEIF},
        {"j.dng", IMAGE_RAW},    {"k.CR2", IMAGE_RAW},    {"l.cr3", IMAGE_RAW},
        {"m.nef", IMAGE_RAW},    {"n.ARW", IMAGE_RAW},    {"o.orf", IMAGE_RAW},
        {"p.rw2", IMAGE_RAW},    {"q.raf", IMAGE_RAW},    {"r.pef", IMAGE_RAW}};
    for (const auto& [name, kind] : expected) Touch(name);
    for (const char* name : {"s.svg", "tn_b.png"}) Touch(name);
    EXPECT_EQ(Scan(), std::vector<std::string>{"a.jpg"});
    ScanOptions extra;
    extra.m_bExtraFormats = extra.m_bTNSearch = true;
    Scan(nullptr, extra);
    std::map<std::string, int> kinds;
    for (const auto& pItem : m_list) kinds[pItem->m_strName + pItem->m_strExt] = pItem->m_nKind;
    EXPECT_EQ(kinds, expected);
}

TEST_F(FolderScan, GroupsFollowThePatternOrderEachInDirectoryOrder) {
    const std::vector<std::string> jpgs = {"z.jpg", "m.JPG", "a.jpg", "q.jpg"};
    const std::vector<std::string> jpegs = {"y.jpeg", "b.jpeg"};
    const std::vector<std::string> bmps = {"x.bmp", "c.BMP", "k.bmp"};
    for (const auto& n : bmps) Touch(n);
    for (const auto& n : jpegs) Touch(n);
    for (const auto& n : jpgs) Touch(n);
    std::vector<std::string> expected = ReaddirOrder(jpgs);
    for (const auto& n : ReaddirOrder(jpegs)) expected.push_back(n);
    for (const auto& n : ReaddirOrder(bmps)) expected.push_back(n);

    EXPECT_EQ(Scan(), expected);
    // Each accepted file is reported once, with its full path, in scan order.
    ASSERT_EQ(m_reports.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(m_reports[i], Dir() + "/" + expected[i]);
    EXPECT_EQ(m_list.at(0)->m_strFolder, Dir() + "/");
}

TEST_F(FolderScan, SkippedNamesStillCountAsMatches) {
    Touch(".hidden.jpg");
    ASSERT_EQ(::mkdir((Dir() + "/album.jpg").c_str(), 0755), 0);
    bool bAny = false;
    EXPECT_TRUE(Scan(&bAny).empty());
    EXPECT_TRUE(bAny);  // an empty catalogue, but not "nothing found"
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(FolderScan, NothingMatchesInAnEmptyOrMissingFolder) {
    Touch("notes.txt");
    bool bAny = true;
    EXPECT_TRUE(Scan(&bAny).empty());
    EXPECT_FALSE(bAny);

    ImageList list;
    EXPECT_FALSE(ScanFolder(Dir() + "/missing", ScanOptions{}, list, nullptr));
    EXPECT_FALSE(ScanFolder(Dir() + "/notes.txt", ScanOptions{}, list, nullptr));
    EXPECT_TRUE(list.empty());
}

TEST_F(FolderScan, FifoAndDanglingLinkAreSkippedWithoutBlocking) {
    ASSERT_EQ(::mkfifo((Dir() + "/pipe.jpg").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/nonexistent/target.jpg", (Dir() + "/dangling.jpg").c_str()), 0);
    Touch("real.bmp", 7);
    ASSERT_EQ(::symlink((Dir() + "/real.bmp").c_str(), (Dir() + "/link.jpg").c_str()), 0);

    // A scan that opened the FIFO would wait for a writer forever.
    auto scan = std::async(std::launch::async, [this] { return Scan(); });
    ASSERT_EQ(scan.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    std::vector<std::string> names = scan.get();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link.jpg", "real.bmp"}));
    // A link takes the size of the file it names.
    for (const auto& item : m_list) EXPECT_EQ(item->m_nFileSize, 7u);
}

TEST_F(FolderScan, AnyByteSequenceIsAName) {
    const std::vector<std::string> odd = {"two  blanks.jpg", "quote\"s'.jpg", "bad\xff\xfe.jpg",
                                          "back\\slash.bmp", "caf\xc3\xa9.jpeg"};
    for (const auto& n : odd) Touch(n);
    std::vector<std::string> names = Scan();
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = odd;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    for (const auto& item : m_list) {
        struct stat st {};
        EXPECT_EQ(::stat(item->m_strPath.c_str(), &st), 0) << item->m_strPath;
    }
}

TEST_F(FolderScan, ThumbnailNamesAreFilteredWhenAsked) {
    for (const char* n : {"tn_beach.jpg", "beach_tn.jpg", "beach_tnx.jpg", "my_tn_beach.jpg",
                          "Tn_beach.jpg"})
        Touch(n);
    ScanOptions options;
    options.m_bTNSearch = true;
    bool bAny = false;
    std::vector<std::string> names = Scan(&bAny, options);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Tn_beach.jpg", "beach_tnx.jpg",
                                               "my_tn_beach.jpg"}));
    EXPECT_EQ(m_reports.size(), 3u);

    options.m_bTNSearch = false;
    EXPECT_EQ(Scan(nullptr, options).size(), 5u);
}

TEST_F(FolderScan, SparseFileOverFourGibibytesKeepsItsWholeSize) {
    Touch("huge.jpg", static_cast<off_t>(0x100000400ull));
    Scan();
    ASSERT_EQ(m_list.size(), 1u);
    EXPECT_EQ(m_list[0]->m_nFileSize, 0x100000400ull);
    EXPECT_EQ(m_list[0]->m_dwSize, 0x400u);
    EXPECT_EQ(m_list[0]->m_strSize, "4294968320");
}

TEST_F(FolderScan, ExactTimesOrderFilesOfTheSameSecond) {
    Touch("second.jpg");
    Touch("first.jpg");
    Touch("third.jpg");
    SetTime("first.jpg", 1078668333, 100);
    SetTime("second.jpg", 1078668333, 900000000);
    SetTime("third.jpg", 1078668341, 0);
    Scan();
    SortImages(m_list, kSortByDate, 0);
    std::vector<std::string> names;
    for (const auto& item : m_list) names.push_back(item->m_strName);
    EXPECT_EQ(names, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_LT(m_list[0]->m_ftModified, m_list[1]->m_ftModified);
}

TEST_F(FolderScan, DateFieldsAndCaptionComeFromTheLocalTime) {
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    Touch("a.jpg");
    SetTime("a.jpg", 1078668333, 0);  // 2004-03-07 14:05:33
    Scan();
    if (oldTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    ASSERT_EQ(m_list.size(), 1u);
    const ImageItem& item = *m_list[0];
    EXPECT_EQ(item.m_strDate, "3/7/2004 2:05 PM");
    EXPECT_EQ(item.m_wYear, 2004);
    EXPECT_EQ(item.m_wMonth, 3);
    EXPECT_EQ(item.m_wDay, 7);
    EXPECT_EQ(item.m_wHour, 14);
    EXPECT_EQ(item.m_wMinute, 5);
}

}  // namespace

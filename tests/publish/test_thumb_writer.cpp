// SPDX-License-Identifier: MIT
// Thumbnail files: their size, their name, and how a run ends on a failure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <memory>
#include <string>

#include "browser/catalogue/catalogue.h"
#include "codec/codec_fixtures.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "publish/publish_settings.h"
#include "publish/thumb_writer.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"

namespace {

constexpr int kPitch = 103;
const QString kRunFailed = QStringLiteral("Error: MakeOneThumb");

class ThumbWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_strPics = m_dir.path().toStdString() + "/Pics";
        m_strThumbs = m_dir.path().toStdString() + "/Thumbs";
        ASSERT_EQ(mkdir(m_strPics.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(m_strThumbs.c_str(), 0755), 0);
    }

    // A catalogue entry for a new quadrant picture, with its grid thumbnail
    // made as the processing thread makes it.
    std::unique_ptr<ImageItem> Entry(const std::string& strName, int w, int h,
                                     int nPitch = kPitch) {
        auto pItem = std::make_unique<ImageItem>();
        pItem->m_strPath = m_strPics + "/" + strName;
        const bool bBmp = strName.size() > 4 && strName.substr(strName.size() - 4) == ".bmp";
        pItem->m_nKind = bBmp ? IMAGE_BMP : IMAGE_JPEG;
        if (bBmp)
            EXPECT_TRUE(WriteBmp(pItem->m_strPath, QuadrantImage(w, h), 24));
        else
            WriteQuadrantJpeg(m_strPics, strName, w, h);
        SplitImagePath(*pItem);
        EXPECT_TRUE(BuildThumbnailBitmap(*pItem, nPitch, nPitch - 3));
        return pItem;
    }

    ThumbJob Job(ThumbNaming nNaming = AppendText) const {
        ThumbJob job;
        job.m_nSizeLimit = 100;
        job.m_nNaming = nNaming;
        job.m_strFolder = m_strThumbs;
        job.m_strSuffix = "_tn";
        job.m_strPrefix = "tn_";
        job.m_nQuality = 90;
        return job;
    }

    QTemporaryDir m_dir;
    std::string m_strPics;
    std::string m_strThumbs;
    MessageRecorder m_recorder;
};

bool Exists(const std::string& strPath) {
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0;
}

struct SizeCase {
    const char* name;
    int w, h, nPitch, nLimit;
    std::uint32_t outW, outH;
};
std::ostream& operator<<(std::ostream& os, const SizeCase& c) {
    return os << c.name << " " << c.w << "x" << c.h << " limit " << c.nLimit;
}

class ThumbSizeTest : public ThumbWriterTest, public ::testing::WithParamInterface<SizeCase> {};

// The file holds the picture fitted into the limit, never enlarged, in the
// right colours whichever kind the source was.
TEST_P(ThumbSizeTest, WritesThePictureFittedIntoTheLimit) {
    const SizeCase c = GetParam();
    auto pItem = Entry(c.name, c.w, c.h, c.nPitch);
    ThumbJob job = Job();
    job.m_nSizeLimit = c.nLimit;
    ASSERT_TRUE(MakeOneThumb(*pItem, job, c.nPitch));

    EXPECT_EQ(pItem->m_nThumbFileWidth, std::int32_t(c.outW));
    EXPECT_EQ(pItem->m_nThumbFileHeight, std::int32_t(c.outH));
    std::uint32_t w = 0, h = 0;
    auto pPixels = JpegFile::ReadJpegRgb(pItem->m_strThumbFilePath, w, h, 1, 1);
    ASSERT_TRUE(pPixels);
    EXPECT_EQ(w, c.outW);
    EXPECT_EQ(h, c.outH);
    EXPECT_EQ(m_recorder.Count(), 0u);
    if (w < 4 || h < 4) return;
    // Top left is red, bottom right white.
    const std::uint8_t* pRed = pPixels.get() + (std::size_t(h / 4) * w + w / 4) * 3;
    EXPECT_GT(pRed[0], 200);
    EXPECT_LT(pRed[1], 60);
    EXPECT_LT(pRed[2], 60);
    const std::uint8_t* pWhite = pPixels.get() + (std::size_t(h * 3 / 4) * w + w * 3 / 4) * 3;
    EXPECT_GT(pWhite[2], 200);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ThumbSizeTest,
    ::testing::Values(SizeCase{"landscape.jpg", 640, 480, kPitch, 100, 100, 75},
                      SizeCase{"portrait.jpg", 480, 640, kPitch, 100, 75, 100},
                      SizeCase{"wide.jpg", 101, 33, kPitch, 100, 100, 32},
                      SizeCase{"small.jpg", 90, 60, kPitch, 100, 90, 60},
                      SizeCase{"exact.jpg", 100, 100, kPitch, 100, 100, 100},
                      SizeCase{"square.jpg", 300, 300, kPitch, 100, 100, 100},
                      // Decoded at 1/8 (200 × 150), then shrunk.
                      SizeCase{"camera.jpg", 1600, 1200, 120, 100, 100, 75},
                      // Fits the grid cell, so decoded in full before the shrink.
                      SizeCase{"cell.jpg", 100, 80, kPitch, 40, 40, 32},
                      SizeCase{"large limit.jpg", 640, 480, kPitch, 500, 500, 375},
                      SizeCase{"scan.bmp", 640, 480, kPitch, 100, 100, 75},
                      SizeCase{"small.bmp", 90, 60, kPitch, 100, 90, 60},
                      // A side that truncates to 0 keeps one pixel.
                      SizeCase{"banner.jpg", 4096, 32, kPitch, 100, 100, 1},
                      SizeCase{"tall.bmp", 5, 1000, kPitch, 100, 1, 100},
                      SizeCase{"dot.jpg", 1, 1, kPitch, 100, 1, 1}));

struct NameCase {
    const char* source;
    ThumbNaming nNaming;
    const char* folderEnd;  // appended to the thumbnail folder
    const char* expected;   // the path after the thumbnail folder
};
std::ostream& operator<<(std::ostream& os, const NameCase& c) {
    return os << c.source << " mode " << int(c.nNaming) << " folder end '" << c.folderEnd << "'";
}

class ThumbNameTest : public ThumbWriterTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ThumbNameTest, NamesTheFileByTheRule) {
    const NameCase c = GetParam();
    auto pItem = Entry(c.source, 64, 48);
    ThumbJob job = Job(c.nNaming);
    job.m_strFolder += c.folderEnd;
    ASSERT_TRUE(MakeOneThumb(*pItem, job, kPitch));
    const std::string strPath = m_strThumbs + c.expected;
    EXPECT_EQ(pItem->m_strThumbFilePath, strPath);
    EXPECT_EQ(pItem->m_strThumbFileName, strPath.substr(strPath.rfind('/') + 1));
    EXPECT_TRUE(Exists(strPath));
    EXPECT_EQ(ListFolder(m_strThumbs).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Rules, ThumbNameTest,
                         ::testing::Values(NameCase{"Beach.JPG", AppendText, "", "/Beach_tn.JPG"},
                                           NameCase{"Beach.JPG", PrependText, "", "/tn_Beach.JPG"},
                                           NameCase{"Beach.JPG", SourceName, "", "/Beach.JPG"},
                                           NameCase{"Boat.JPEG", AppendText, "", "/Boat_tn.JPEG"},
                                           NameCase{"Scan.bmp", AppendText, "", "/Scan_tn.jpg"},
                                           NameCase{"Scan.bmp", SourceName, "", "/Scan.jpg"},
                                           NameCase{"Beach.JPG", AppendText, "/", "//Beach_tn.JPG"},
                                           NameCase{"two.dots.jpeg", PrependText, "/",
                                                    "//tn_two.dots.jpeg"}));

TEST_F(ThumbWriterTest, SourceNameInTheImagesFolderReplacesEachSource) {
    ImageList list;
    list.push_back(Entry("one.jpg", 640, 480));
    list.push_back(Entry("two.JPG", 480, 640));
    ThumbJob job = Job(SourceName);
    job.m_strFolder = m_strPics;
    EXPECT_TRUE(MakeThumbFiles(list, true, nullptr, job, kPitch));

    EXPECT_EQ(ListFolder(m_strPics).size(), 2u);  // nothing beside them
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(JpegFile::ReadJpegSize(m_strPics + "/one.jpg", w, h));
    EXPECT_EQ(w, 100u);
    EXPECT_EQ(h, 75u);
    ASSERT_TRUE(JpegFile::ReadJpegSize(m_strPics + "/two.JPG", w, h));
    EXPECT_EQ(w, 75u);
    EXPECT_EQ(h, 100u);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

// A photo stored a quarter turn to the right (tag 8): the file stands
// upright when the stored choice asks for it, as stored otherwise.
TEST_F(ThumbWriterTest, ThumbnailFileFollowsTheOrientationChoiceOfTheSettings) {
    const std::string strPath =
        WriteQuadrantJpegWithApp1(m_strPics + "/turned.jpg", 400, 200, ExifOrientationBlock(8));
    SettingsStore store;
    store.SetFilePath(m_strPics + "/../Galerio.ini");
    for (const bool bRotate : {false, true}) {
        if (bRotate) store.PutInt(kSectionOrientation, kRotateByTag, 1);
        const ThumbJob job = LoadPublishSettings(store, 100, m_strThumbs).job;
        EXPECT_EQ(job.m_bRotateByTag, bRotate);
        ImageItem item;
        item.m_strPath = strPath;
        item.m_nKind = IMAGE_JPEG;
        SplitImagePath(item);
        ASSERT_TRUE(BuildOrientedThumbnail(item, kPitch, kPitch - 3, job.m_bRotateByTag));
        ASSERT_TRUE(MakeOneThumb(item, job, kPitch));

        std::uint32_t w = 0, h = 0;
        auto pPixels = JpegFile::ReadJpegRgb(item.m_strThumbFilePath, w, h, 1, 1);
        ASSERT_TRUE(pPixels);
        EXPECT_EQ(w, bRotate ? 50u : 100u);
        EXPECT_EQ(h, bRotate ? 100u : 50u);
        EXPECT_EQ(item.m_nThumbFileWidth, std::int32_t(w));
        EXPECT_EQ(item.m_nThumbFileHeight, std::int32_t(h));
        // Upright, the stored top right (green) is the top left; as stored, red.
        const std::uint8_t* pTopLeft = pPixels.get() + (std::size_t(h / 4) * w + w / 4) * 3;
        EXPECT_GT(pTopLeft[bRotate ? 1 : 0], 200);
        EXPECT_LT(pTopLeft[bRotate ? 0 : 1], 60);
        EXPECT_LT(pTopLeft[2], 60);
    }
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(ThumbWriterTest, QualityReachesTheEncoder) {
    auto pItem = Entry("noisy.jpg", 640, 480);
    ThumbJob job = Job();
    job.m_nQuality = 100;
    ASSERT_TRUE(MakeOneThumb(*pItem, job, kPitch));
    const std::size_t nBest = ReadBytes(pItem->m_strThumbFilePath).size();
    job.m_nQuality = 5;
    ASSERT_TRUE(MakeOneThumb(*pItem, job, kPitch));
    EXPECT_LT(ReadBytes(pItem->m_strThumbFilePath).size(), nBest);
}

// A picture 1000 × 5 fits the limit as 100 × 1: written, and the run goes on.
TEST_F(ThumbWriterTest, VeryWidePictureIsWrittenAndTheRunGoesOn) {
    ImageList list;
    list.push_back(Entry("strip.jpg", 1000, 5));
    list.push_back(Entry("after.jpg", 64, 48));
    EXPECT_TRUE(MakeThumbFiles(list, true, nullptr, Job(), kPitch));

    EXPECT_EQ(m_recorder.Count(), 0u);
    EXPECT_EQ(list[0]->m_nThumbFileHeight, 1);
    EXPECT_EQ(ListFolder(m_strThumbs), (std::vector<std::string>{"after_tn.jpg", "strip_tn.jpg"}));
}

TEST_F(ThumbWriterTest, MissingGridThumbnailStopsTheRunThere) {
    ImageList list;
    list.push_back(Entry("a.jpg", 64, 48));
    list.push_back(Entry("b.jpg", 64, 48));
    list.push_back(Entry("c.jpg", 64, 48));
    list[1]->m_pBits.reset();  // its production has not run yet
    EXPECT_FALSE(MakeThumbFiles(list, true, nullptr, Job(), kPitch));

    EXPECT_EQ(m_recorder.Texts(), QStringList{kRunFailed});
    EXPECT_EQ(list[0]->m_strThumbFileName, "a_tn.jpg");
    EXPECT_TRUE(list[1]->m_strThumbFilePath.empty());
    EXPECT_TRUE(list[2]->m_strThumbFilePath.empty());
    EXPECT_EQ(ListFolder(m_strThumbs), std::vector<std::string>{"a_tn.jpg"});
}

TEST_F(ThumbWriterTest, CantOpenBoxComesBeforeTheRunsFailure) {
    ImageList list;
    list.push_back(Entry("a.jpg", 64, 48));
    list.push_back(Entry("b.jpg", 64, 48));
    list[0]->m_nThumbFileWidth = 3;
    ThumbJob job = Job();
    job.m_strFolder = m_strThumbs + "/missing";
    EXPECT_FALSE(MakeThumbFiles(list, true, nullptr, job, kPitch));

    const std::string strPath = job.m_strFolder + "/a_tn.jpg";
    EXPECT_EQ(m_recorder.Texts(),
              (QStringList{QString::fromStdString("JpegFile :\nCan't open " + strPath + "\n"),
                           kRunFailed}));
    // The name is recorded before the write, the size only after one.
    EXPECT_EQ(list[0]->m_strThumbFilePath, strPath);
    EXPECT_EQ(list[0]->m_strThumbFileName, "a_tn.jpg");
    EXPECT_EQ(list[0]->m_nThumbFileWidth, 3);
    EXPECT_TRUE(list[1]->m_strThumbFilePath.empty());
}

TEST_F(ThumbWriterTest, SourceGoneSinceTheGridWasMadeFails) {
    auto pItem = Entry("gone.jpg", 64, 48);
    ASSERT_EQ(std::remove(pItem->m_strPath.c_str()), 0);
    EXPECT_FALSE(MakeOneThumb(*pItem, Job(), kPitch));
    EXPECT_EQ(m_recorder.Texts(),
              QStringList{QString::fromStdString("JPEG :\nCan't open " + pItem->m_strPath + "\n")});
    EXPECT_TRUE(pItem->m_strThumbFilePath.empty());
    EXPECT_TRUE(ListFolder(m_strThumbs).empty());
}

TEST_F(ThumbWriterTest, SingleImageRunWritesOnlyTheSelection) {
    ImageList list;
    list.push_back(Entry("a.jpg", 64, 48));
    list.push_back(Entry("b.bmp", 64, 48));
    list[0]->m_pBits.reset();  // would fail if it were visited
    EXPECT_TRUE(MakeThumbFiles(list, false, list[1].get(), Job(PrependText), kPitch));
    EXPECT_EQ(ListFolder(m_strThumbs), std::vector<std::string>{"tn_b.jpg"});
    EXPECT_EQ(m_recorder.Count(), 0u);

    EXPECT_FALSE(MakeThumbFiles(list, false, list[0].get(), Job(), kPitch));
    EXPECT_EQ(m_recorder.Texts(), QStringList{kRunFailed});
}

}  // namespace

namespace {

// Helpers making files ahead change nothing the user sees: the same files,
// fields and boxes in the same order as one file after the other, and
// nothing written after a failure.
class ThumbRunThreads : public ThumbWriterTest, public ::testing::WithParamInterface<int> {};

TEST_P(ThumbRunThreads, ManyThreadsGiveWhatOneGives) {
    ImageList list;
    for (const char* pszName : {"a", "b", "c", "d", "e", "f", "g", "h"})
        list.push_back(Entry(std::string(pszName) + ".jpg", 320, 240));
    const std::string strCut = list[1]->m_strPath;
    WriteBytes(strCut, ReadBytes(strCut).substr(0, ReadBytes(strCut).size() / 2));
    list[5]->m_pBits.reset();
    EXPECT_EQ(MakeThumbFiles(list, true, nullptr, Job(), kPitch, {}, GetParam()),
              ThumbRunResult::Failed);

    ASSERT_EQ(m_recorder.Count(), 2u);
    EXPECT_EQ(m_recorder.Messages()[0].caption, "JPEG Library Error");
    EXPECT_EQ(m_recorder.Texts()[1], kRunFailed);
    EXPECT_EQ(ListFolder(m_strThumbs), (std::vector<std::string>{"a_tn.jpg", "b_tn.jpg", "c_tn.jpg",
                                                                  "d_tn.jpg", "e_tn.jpg"}));
    EXPECT_EQ(list[4]->m_nThumbFileWidth, 100);
    for (std::size_t i = 5; i < list.size(); ++i) EXPECT_EQ(list[i]->m_strThumbFileName, "");
}

INSTANTIATE_TEST_SUITE_P(Threads, ThumbRunThreads, ::testing::Values(1, 4));

}  // namespace

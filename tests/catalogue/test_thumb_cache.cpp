// SPDX-License-Identifier: MIT
// The on-disk thumbnail cache: a record gives back exactly what a fresh build
// gives, anything changed, damaged or forged is a quiet miss, and the folder
// is private, dropped per path and trimmed least recently used first.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/thumb_cache.h"
#include "codec/codec_fixtures.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "support/message_recorder.h"

namespace {

constexpr int kPitch = 103;
constexpr int kThumb = kPitch - 3;

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& strPath, const std::string& strBytes) {
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), std::streamsize(strBytes.size()));
}

// Sets (or, given null, unsets) an environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* pszName, const char* pszValue) : m_strName(pszName) {
        if (const char* psz = std::getenv(pszName)) m_old = psz;
        Set(pszValue);
    }
    ~ScopedEnv() { Set(m_old ? m_old->c_str() : nullptr); }

private:
    void Set(const char* pszValue) {
        if (pszValue)
            setenv(m_strName.c_str(), pszValue, 1);
        else
            unsetenv(m_strName.c_str());
    }
    std::string m_strName;
    std::optional<std::string> m_old;
};

// Every regular file below a folder, with its path.
std::vector<std::string> FilesBelow(const std::string& strFolder) {
    std::vector<std::string> v;
    DIR* pDir = opendir(strFolder.c_str());
    if (!pDir) return v;
    while (const dirent* p = readdir(pDir)) {
        const std::string strName = p->d_name;
        if (strName == "." || strName == "..") continue;
        const std::string strPath = strFolder + "/" + strName;
        struct stat st;
        if (lstat(strPath.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            for (std::string& s : FilesBelow(strPath)) v.push_back(std::move(s));
        } else {
            v.push_back(strPath);
        }
    }
    closedir(pDir);
    std::sort(v.begin(), v.end());
    return v;
}

mode_t Mode(const std::string& strPath) {
    struct stat st {};
    lstat(strPath.c_str(), &st);
    return st.st_mode & 07777;
}

std::uint64_t SizeOf(const std::string& strPath) {
    struct stat st {};
    lstat(strPath.c_str(), &st);
    return std::uint64_t(st.st_size);
}

void SetTimes(const std::string& strPath, std::int64_t nSecondsAgo) {
    const timespec ts{time(nullptr) - nSecondsAgo, 0};
    const timespec a[2] = {ts, ts};
    ASSERT_EQ(utimensat(AT_FDCWD, strPath.c_str(), a, 0), 0);
}

// Smooth colour ramps with noise on top: nothing a lossy codec keeps exactly.
std::vector<std::uint8_t> PhotoLikePixels(int w, int h, unsigned nSeed) {
    std::mt19937 rng(nSeed);
    std::vector<std::uint8_t> v(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &v[(std::size_t(y) * w + x) * 3];
            p[0] = std::uint8_t((x * 255 / std::max(w - 1, 1) + rng() % 24) & 0xff);
            p[1] = std::uint8_t((y * 255 / std::max(h - 1, 1) + rng() % 24) & 0xff);
            p[2] = std::uint8_t(((x + y) * 3 + rng() % 40) & 0xff);
        }
    return v;
}

std::string MakeJpeg(const std::string& strPath, int w, int h, unsigned nSeed = 1) {
    const std::vector<std::uint8_t> v = PhotoLikePixels(w, h, nSeed);
    EXPECT_TRUE(JpegFile::WriteJpegFile(strPath, v.data(), std::uint32_t(w), std::uint32_t(h), 90));
    return strPath;
}

std::string MakeBmp(const std::string& strPath, int w, int h, unsigned nSeed = 1) {
    const std::vector<std::uint8_t> v = PhotoLikePixels(w, h, nSeed);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &v[(std::size_t(y) * w + x) * 3];
            image.setPixel(x, y, qRgb(p[0], p[1], p[2]));
        }
    EXPECT_TRUE(image.save(QString::fromStdString(strPath), "BMP"));
    return strPath;
}

// An entry as the search makes it, with captions the cache must not touch.
std::unique_ptr<ImageItem> Entry(const std::string& strPath) {
    auto item = std::make_unique<ImageItem>();
    item->m_strPath = strPath;
    item->m_nKind = strPath.ends_with(".bmp") ? IMAGE_BMP : IMAGE_JPEG;
    item->m_strName = "name";
    item->m_strSize = "12 KB";
    item->m_strDate = "3/7/2004 2:05 PM";
    item->m_nFileSize = 12345;
    item->m_rcCell = {1, 2, 3, 4};
    return item;
}

std::unique_ptr<ImageItem> FreshBuild(const std::string& strPath, int nPitch = kPitch,
                                      int nThumb = kThumb) {
    auto item = Entry(strPath);
    EXPECT_TRUE(BuildThumbnailBitmap(*item, nPitch, nThumb));
    return item;
}

// Every field BuildThumbnailBitmap sets, every byte of the rows, and the
// captions it leaves alone.
void ExpectSameThumbnail(const ImageItem& got, const ImageItem& want) {
    EXPECT_EQ(got.m_nImageWidth, want.m_nImageWidth);
    EXPECT_EQ(got.m_nImageHeight, want.m_nImageHeight);
    EXPECT_EQ(got.m_nScaleNum, want.m_nScaleNum);
    EXPECT_EQ(got.m_nScaleDenom, want.m_nScaleDenom);
    EXPECT_EQ(got.m_nThumbWidth, want.m_nThumbWidth);
    EXPECT_EQ(got.m_nThumbHeight, want.m_nThumbHeight);
    EXPECT_EQ(got.m_strDim, want.m_strDim);
    EXPECT_EQ(got.m_strPath, want.m_strPath);
    EXPECT_EQ(got.m_strName, want.m_strName);
    EXPECT_EQ(got.m_strSize, want.m_strSize);
    EXPECT_EQ(got.m_nFileSize, want.m_nFileSize);
    EXPECT_EQ(got.m_rcCell.right, want.m_rcCell.right);
    ASSERT_EQ(got.m_pBits != nullptr, want.m_pBits != nullptr);
    if (!want.m_pBits) return;
    const std::size_t n = std::size_t(DisplayStride(std::uint32_t(want.m_nThumbWidth))) *
                          std::uint32_t(want.m_nThumbHeight);
    EXPECT_EQ(std::memcmp(got.m_pBits.get(), want.m_pBits.get(), n), 0);
}

// Holds no thumbnail and fields no record has, so any change shows.
void ExpectUntouched(const ImageItem& item) {
    EXPECT_EQ(item.m_pBits, nullptr);
    EXPECT_EQ(item.m_nImageWidth, 7u);
    EXPECT_EQ(item.m_nThumbWidth, -1);
    EXPECT_EQ(item.m_nScaleNum, -2);
    EXPECT_EQ(item.m_strDim, "none");
}

std::unique_ptr<ImageItem> Blank(const std::string& strPath) {
    auto item = Entry(strPath);
    item->m_nImageWidth = 7;
    item->m_nThumbWidth = -1;
    item->m_nScaleNum = -2;
    item->m_strDim = "none";
    return item;
}

// A record written by hand from the documented layout, each part open to
// forgery; lengths are those of the contents unless overridden.
struct HandRecord {
    std::uint32_t nVersion = 2;
    std::string strStamp = ThumbRecordStamp();
    ThumbKey key;
    std::uint32_t nImageWidth = 0, nImageHeight = 0;
    std::int32_t nScaleNum = 0, nScaleDenom = 0, nThumbWidth = 0, nThumbHeight = 0;
    std::string strDim;
    std::string strBits;
    std::optional<std::uint32_t> nPathLength, nDimLength, nBitsLength, nRotateField;
    std::string strTrailer;  // bytes after the rows, before the checksum

    static HandRecord From(const ThumbKey& key, const ImageItem& item) {
        HandRecord s;
        s.key = key;
        s.nImageWidth = item.m_nImageWidth;
        s.nImageHeight = item.m_nImageHeight;
        s.nScaleNum = item.m_nScaleNum;
        s.nScaleDenom = item.m_nScaleDenom;
        s.nThumbWidth = item.m_nThumbWidth;
        s.nThumbHeight = item.m_nThumbHeight;
        s.strDim = item.m_strDim;
        s.strBits.assign(reinterpret_cast<const char*>(item.m_pBits.get()),
                         std::size_t(DisplayStride(std::uint32_t(item.m_nThumbWidth))) *
                             std::uint32_t(item.m_nThumbHeight));
        return s;
    }

    std::string Bytes() const {
        std::string s = "GLRTHUMB";
        auto le = [&s](std::uint64_t n, int nBytes) {
            for (int i = 0; i < nBytes; ++i) s.push_back(char((n >> (8 * i)) & 0xff));
        };
        le(nVersion, 4);
        le(strStamp.size(), 4);
        s += strStamp;
        le(key.nDevice, 8);
        le(key.nInode, 8);
        le(key.nSize, 8);
        le(std::uint64_t(key.nModifiedNs), 8);
        le(std::uint64_t(key.nChangedNs), 8);
        le(std::uint32_t(key.nKind), 4);
        le(std::uint32_t(key.nPitch), 4);
        le(std::uint32_t(key.nThumbSize), 4);
        le(nRotateField.value_or(key.bRotateByTag ? 1 : 0), 4);
        le(nPathLength.value_or(std::uint32_t(key.strPath.size())), 4);
        s += key.strPath;
        le(nImageWidth, 4);
        le(nImageHeight, 4);
        le(std::uint32_t(nScaleNum), 4);
        le(std::uint32_t(nScaleDenom), 4);
        le(std::uint32_t(nThumbWidth), 4);
        le(std::uint32_t(nThumbHeight), 4);
        le(nDimLength.value_or(std::uint32_t(strDim.size())), 4);
        s += strDim;
        le(nBitsLength.value_or(std::uint32_t(strBits.size())), 4);
        s += strBits;
        s += strTrailer;
        std::uint64_t aLanes[8];
        for (std::uint64_t& h : aLanes) h = 0xcbf29ce484222325ULL;
        for (std::size_t i = 0; i < s.size(); ++i)
            aLanes[i % 8] = (aLanes[i % 8] ^ std::uint8_t(s[i])) * 0x100000001b3ULL;
        std::uint64_t h = 0xcbf29ce484222325ULL;
        for (std::uint64_t nLane : aLanes)
            for (int b = 0; b < 8; ++b) h = (h ^ ((nLane >> (8 * b)) & 0xff)) * 0x100000001b3ULL;
        le(h, 8);
        return s;
    }
};

class ThumbCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_nOldMask = umask(022);
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { umask(m_nOldMask); }

    std::string Path(const std::string& strName) const {
        return m_dir.path().toStdString() + "/" + strName;
    }
    std::string CacheFolder() const { return Path("cache"); }

    // A photo, its fresh build and its key, stored in the cache.
    struct Stored {
        std::string strPath;
        std::unique_ptr<ImageItem> pFresh;
        ThumbKey key;
    };
    Stored StorePhoto(const std::string& strPath) {
        Stored s;
        s.strPath = strPath;
        s.key = *MakeThumbKey(*Entry(s.strPath), kPitch, kThumb);
        s.pFresh = FreshBuild(s.strPath);
        m_cache.Store(*s.pFresh, s.key);
        return s;
    }
    Stored StoreJpeg(const std::string& strName, int w, int h, unsigned nSeed = 1) {
        return StorePhoto(MakeJpeg(Path(strName), w, h, nSeed));
    }

    QTemporaryDir m_dir;
    MessageRecorder m_recorder;
    ThumbCache m_cache{m_dir.path().toStdString() + "/cache"};
    mode_t m_nOldMask = 0;
};

// --- A record gives exactly a fresh build -----------------------------------

struct ImageCase {
    const char* name;
    int w, h;
    int nPitch;
};

class ThumbCacheRoundTrip : public ThumbCacheTest,
                            public ::testing::WithParamInterface<ImageCase> {};

TEST_P(ThumbCacheRoundTrip, RecordLoadsByteForByteLikeAFreshBuild) {
    const ImageCase& c = GetParam();
    const std::string strPath = std::string(c.name).ends_with(".bmp")
                                    ? MakeBmp(Path(c.name), c.w, c.h, 7)
                                    : MakeJpeg(Path(c.name), c.w, c.h, 7);
    const std::unique_ptr<ImageItem> pFresh = FreshBuild(strPath, c.nPitch, c.nPitch - 3);
    const std::optional<ThumbKey> key = MakeThumbKey(*pFresh, c.nPitch, c.nPitch - 3);
    ASSERT_TRUE(key);
    m_cache.Store(*pFresh, *key);

    auto pLoaded = Entry(strPath);
    ASSERT_TRUE(m_cache.Load(*pLoaded, *key));
    ExpectSameThumbnail(*pLoaded, *pFresh);

    // Through the processing step, with every decode failing: only the
    // record can have filled it.
    std::atomic<bool> bAbort{true};
    CodecContext noDecodes(&bAbort);
    auto pCached = Entry(strPath);
    ASSERT_TRUE(BuildThumbnailCached(m_cache, *pCached, c.nPitch, c.nPitch - 3, nullptr, false,
                                     &noDecodes));
    ExpectSameThumbnail(*pCached, *pFresh);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ThumbCacheRoundTrip,
    ::testing::Values(ImageCase{"photo.jpg", 1600, 1200, kPitch},   // 1/8 and a 2 × 2 shrink
                      ImageCase{"screen.jpg", 640, 480, kPitch},    // 1/4
                      ImageCase{"portrait.jpg", 480, 640, kPitch},  // 75 × 100
                      ImageCase{"odd.jpg", 101, 50, kPitch},        // full size, 100 × 49
                      ImageCase{"small.jpg", 90, 60, kPitch},       // kept as it is
                      ImageCase{"strip.jpg", 1000, 5, kPitch},      // 100 × 0: empty rows
                      ImageCase{"big pitch.jpg", 1600, 1200, 151},  // another cell size
                      ImageCase{"scan.bmp", 333, 222, kPitch},      // shrunk bitmap file
                      ImageCase{"icon.bmp", 61, 47, kPitch}),       // odd stride
    [](const auto& info) {
        std::string s = info.param.name;
        for (char& ch : s)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return s;
    });

TEST_F(ThumbCacheTest, FirstRunStoresSecondRunReadsWithoutDecoding) {
    const std::string strPath = MakeJpeg(Path("a.jpg"), 640, 480);
    auto pFirst = Entry(strPath);
    ASSERT_TRUE(BuildThumbnailCached(m_cache, *pFirst, kPitch, kThumb));
    ASSERT_EQ(FilesBelow(CacheFolder()).size(), 1u);
    ExpectSameThumbnail(*pFirst, *FreshBuild(strPath));

    std::atomic<bool> bAbort{true};
    CodecContext noDecodes(&bAbort);
    auto pSecond = Entry(strPath);
    ASSERT_TRUE(BuildThumbnailCached(m_cache, *pSecond, kPitch, kThumb, nullptr, false, &noDecodes));
    ExpectSameThumbnail(*pSecond, *pFirst);
    // Another cell size is another record, which does not exist yet.
    auto pOther = Entry(strPath);
    EXPECT_FALSE(BuildThumbnailCached(m_cache, *pOther, 151, 148, nullptr, false, &noDecodes));
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(ThumbCacheTest, BuildThatShowedAMessageIsNotKeptSoTheNextRunShowsItAgain) {
    const std::string strPath = MakeJpeg(Path("cut.jpg"), 400, 300);
    const std::string strBytes = ReadFile(strPath);
    WriteFile(strPath, strBytes.substr(0, strBytes.size() / 2));
    for (int nRun = 1; nRun <= 2; ++nRun) {
        auto item = Entry(strPath);
        EXPECT_TRUE(BuildThumbnailCached(m_cache, *item, kPitch, kThumb));
        ASSERT_EQ(m_recorder.Count(), std::size_t(nRun));
        EXPECT_EQ(m_recorder.Messages().back().caption, "JPEG Library Error");
        EXPECT_EQ(m_recorder.Messages().back().text, "Premature end of JPEG file");
    }
    EXPECT_TRUE(FilesBelow(CacheFolder()).empty());
}

TEST_F(ThumbCacheTest, FailedBuildKeepsNothingAndFailsAsBefore) {
    WriteFile(Path("not.jpg"), "hello, not a picture");
    auto item = Entry(Path("not.jpg"));
    EXPECT_FALSE(BuildThumbnailCached(m_cache, *item, kPitch, kThumb));
    EXPECT_EQ(m_recorder.Texts(), QStringList{"Not a JPEG file: starts with 0x68 0x65"});
    EXPECT_TRUE(FilesBelow(CacheFolder()).empty());
}

TEST_F(ThumbCacheTest, OnlyACompleteBuildForTheKeysSizesIsStored) {
    const std::string strPath = MakeJpeg(Path("p.jpg"), 640, 480);
    const ThumbKey key = *MakeThumbKey(*Entry(strPath), kPitch, kThumb);
    // No rows (the shrink found no memory), and rows built for another cell.
    auto pNoRows = FreshBuild(strPath);
    pNoRows->m_pBits.reset();
    m_cache.Store(*pNoRows, key);
    m_cache.Store(*FreshBuild(strPath, 151, 148), key);
    auto pOtherText = FreshBuild(strPath);
    pOtherText->m_strDim = "100 x 75 ";
    m_cache.Store(*pOtherText, key);
    EXPECT_TRUE(FilesBelow(CacheFolder()).empty());
    m_cache.Store(*FreshBuild(strPath), key);
    EXPECT_EQ(FilesBelow(CacheFolder()).size(), 1u);
}

// --- A changed file misses ---------------------------------------------------

struct ChangeCase {
    const char* name;
    // Changes the photo at the path (the folder is the second argument).
    std::function<void(const std::string&, const std::string&)> fnChange;
};

class ThumbCacheChangedFile : public ThumbCacheTest,
                              public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ThumbCacheChangedFile, MissesAndTheRebuildShowsTheNewPicture) {
    Stored s = StoreJpeg("p.jpg", 640, 480, 1);
    SetTimes(s.strPath, 1000);
    s.key = *MakeThumbKey(*Entry(s.strPath), kPitch, kThumb);
    m_cache.Store(*s.pFresh, s.key);
    // File times come from a coarse clock: let it tick before the change.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    GetParam().fnChange(s.strPath, m_dir.path().toStdString());

    const std::optional<ThumbKey> newKey = MakeThumbKey(*Entry(s.strPath), kPitch, kThumb);
    ASSERT_TRUE(newKey);
    EXPECT_NE(*newKey, s.key);
    auto item = Blank(s.strPath);
    EXPECT_FALSE(m_cache.Load(*item, *newKey));
    ExpectUntouched(*item);

    auto pRebuilt = Entry(s.strPath);
    ASSERT_TRUE(BuildThumbnailCached(m_cache, *pRebuilt, kPitch, kThumb));
    ExpectSameThumbnail(*pRebuilt, *FreshBuild(s.strPath));
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ThumbCacheChangedFile,
    ::testing::Values(
        // Another picture of the same byte count, with the old times put back.
        ChangeCase{"SameSizeSameTimes",
                   [](const std::string& p, const std::string& d) {
                       struct stat st {};
                       stat(p.c_str(), &st);
                       std::string strNew = ReadFile(MakeJpeg(d + "/n.jpg", 640, 480, 2));
                       strNew.resize(std::size_t(st.st_size), '\0');
                       WriteFile(p, strNew);
                       const timespec a[2] = {st.st_atim, st.st_mtim};
                       utimensat(AT_FDCWD, p.c_str(), a, 0);
                   }},
        ChangeCase{"OnlyTheModificationTime",
                   [](const std::string& p, const std::string&) { SetTimes(p, 500); }},
        ChangeCase{"OnlyTheChangeTime",
                   [](const std::string& p, const std::string&) { chmod(p.c_str(), 0640); }},
        ChangeCase{"GrownByAByte",
                   [](const std::string& p, const std::string&) {
                       WriteFile(p, ReadFile(p) + std::string(1, '\0'));
                   }},
        // Another file renamed over it, bearing the old modification time.
        ChangeCase{"ReplacedByAnotherFile",
                   [](const std::string& p, const std::string& d) {
                       const std::string strNew = MakeJpeg(d + "/n.jpg", 640, 480, 3);
                       struct stat st {};
                       stat(p.c_str(), &st);
                       const timespec a[2] = {st.st_atim, st.st_mtim};
                       utimensat(AT_FDCWD, strNew.c_str(), a, 0);
                       rename(strNew.c_str(), p.c_str());
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The record repeats the whole key ---------------------------------------

struct KeyForgery {
    const char* name;
    std::function<void(ThumbKey&)> fnForge;
    bool bHit;
};

class ThumbCacheKeyForgery : public ThumbCacheTest,
                             public ::testing::WithParamInterface<KeyForgery> {};

// A record for another key under this key's file name, as a collision of the
// path hash would put it there, is never taken.
TEST_P(ThumbCacheKeyForgery, RecordOfAnotherKeyAtTheNameIsAMiss) {
    const Stored s = StoreJpeg("p.jpg", 640, 480);
    HandRecord record = HandRecord::From(s.key, *s.pFresh);
    GetParam().fnForge(record.key);
    WriteFile(m_cache.RecordPath(s.key), record.Bytes());

    auto item = Blank(s.strPath);
    EXPECT_EQ(m_cache.Load(*item, s.key), GetParam().bHit);
    if (GetParam().bHit)
        ExpectSameThumbnail(*item, *s.pFresh);
    else
        ExpectUntouched(*item);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ThumbCacheKeyForgery,
    ::testing::Values(KeyForgery{"SameKeyIsTaken", [](ThumbKey&) {}, true},
                      KeyForgery{"Path", [](ThumbKey& k) { k.strPath += "x"; }, false},
                      KeyForgery{"Device", [](ThumbKey& k) { k.nDevice ^= 1; }, false},
                      KeyForgery{"Inode", [](ThumbKey& k) { k.nInode ^= 1; }, false},
                      KeyForgery{"Size", [](ThumbKey& k) { k.nSize += 1; }, false},
                      KeyForgery{"ModifiedNs", [](ThumbKey& k) { k.nModifiedNs += 1; }, false},
                      KeyForgery{"ChangedNs", [](ThumbKey& k) { k.nChangedNs -= 1; }, false},
                      KeyForgery{"Kind", [](ThumbKey& k) { k.nKind = IMAGE_BMP; }, false},
                      KeyForgery{"Pitch", [](ThumbKey& k) { k.nPitch += 2; }, false},
                      KeyForgery{"ThumbSize", [](ThumbKey& k) { k.nThumbSize -= 2; }, false},
                      KeyForgery{"OrientationChoice", [](ThumbKey& k) { k.bRotateByTag = true; },
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// A photo stored sideways: the record made with one orientation choice is a
// miss for the other, although both live under the same name.
TEST_F(ThumbCacheTest, RecordMadeWithTheOtherOrientationChoiceIsNeverHandedBack) {
    const std::string strPath =
        WriteQuadrantJpegWithApp1(Path("turned.jpg"), 160, 80, ExifOrientationBlock(6));
    for (const bool bMade : {false, true}) {
        ThumbCache cache(CacheFolder() + (bMade ? "-on" : "-off"));
        auto pMade = Entry(strPath);
        ASSERT_TRUE(BuildThumbnailCached(cache, *pMade, kPitch, kThumb, nullptr, bMade));
        EXPECT_EQ(pMade->m_strDim, bMade ? "50 x 100" : "100 x 50");
        // Every decode fails now: only a record can fill an entry.
        std::atomic<bool> bAbort{true};
        CodecContext noDecodes(&bAbort);
        auto pSame = Entry(strPath);
        EXPECT_TRUE(BuildThumbnailCached(cache, *pSame, kPitch, kThumb, nullptr, bMade, &noDecodes));
        ExpectSameThumbnail(*pSame, *pMade);
        auto pOther = Entry(strPath);
        EXPECT_FALSE(
            BuildThumbnailCached(cache, *pOther, kPitch, kThumb, nullptr, !bMade, &noDecodes));
        EXPECT_FALSE(pOther->m_pBits);
    }
    EXPECT_EQ(m_recorder.Count(), 0u);
}

// A JPEG with colour management and the other formats keep records of their
// own look; a JPEG made as always keeps its record of old.
TEST_F(ThumbCacheTest, RecordMadeUnderAnotherLookIsNeverHandedBack) {
    QImage picture(40, 30, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 200, 30, 128));
    ASSERT_TRUE(picture.save(QString::fromStdString(Path("half.png"))));
    const std::string strJpeg = MakeJpeg(Path("p.jpg"), 40, 30), strPng = Path("half.png");
    const std::tuple<std::string, PhotoLook, PhotoLook, int> cases[] = {
        {strJpeg, {false, 0}, {true, 0}, 2},
        {strJpeg, {true, 0}, {false, 0}, 4},
        {strPng, {false, 0xFFFFFF}, {false, 0}, 4},
        {strPng, {false, 0}, {true, 0}, 4}};  // path, made under, asked under, record version
    for (const auto& [strPath, made, other, nVersion] : cases) {
        ThumbCache cache(CacheFolder() + std::to_string(&strPath - &std::get<0>(cases[0])));
        std::atomic<bool> bAbort{false};
        std::unique_ptr<ImageItem> pMade;
        for (int i = 0; i < 3; ++i) {
            // The first build decodes; then every decode fails: only a
            // record can fill an entry.
            CodecContext context(&bAbort);
            context.look = i < 2 ? made : other;
            auto pEntry = Entry(strPath);
            pEntry->m_nKind = KindFromPath(strPath);
            EXPECT_EQ(BuildThumbnailCached(cache, *pEntry, kPitch, kThumb, nullptr, false, &context),
                      i < 2);
            if (i == 1) ExpectSameThumbnail(*pEntry, *pMade);
            pMade = std::move(pEntry);
            bAbort = true;
        }
        const ThumbKey key = *MakeThumbKey(*Entry(strPath), kPitch, kThumb, false, 1.0,
                                           ThumbLookCode(KindFromPath(strPath), made));
        EXPECT_EQ(ReadBytes(cache.RecordPath(key)).substr(8, 1), std::string(1, char(nVersion)));
    }
    EXPECT_EQ(m_recorder.Count(), 0u);
}

// --- Damaged records ---------------------------------------------------------

struct Damage {
    const char* name;
    std::function<void(std::string&)> fnDamage;
};

class ThumbCacheDamage : public ThumbCacheTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(ThumbCacheDamage, DamagedRecordIsAQuietMissAndIsReplacedByTheNextStore) {
    const Stored s = StoreJpeg("p.jpg", 1600, 1200);
    const std::string strRecordPath = m_cache.RecordPath(s.key);
    std::string strBytes = ReadFile(strRecordPath);
    ASSERT_GT(strBytes.size(), 22500u);  // rows of 100 × 75
    GetParam().fnDamage(strBytes);
    WriteFile(strRecordPath, strBytes);

    auto item = Blank(s.strPath);
    EXPECT_FALSE(m_cache.Load(*item, s.key));
    ExpectUntouched(*item);

    auto pRebuilt = Entry(s.strPath);
    ASSERT_TRUE(BuildThumbnailCached(m_cache, *pRebuilt, kPitch, kThumb));
    ExpectSameThumbnail(*pRebuilt, *s.pFresh);
    auto pAgain = Entry(s.strPath);
    EXPECT_TRUE(m_cache.Load(*pAgain, s.key));
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, ThumbCacheDamage,
    ::testing::Values(Damage{"Empty", [](std::string& s) { s.clear(); }},
                      Damage{"CutInTheHeader", [](std::string& s) { s.resize(20); }},
                      Damage{"CutInHalf", [](std::string& s) { s.resize(s.size() / 2); }},
                      Damage{"LastByteMissing", [](std::string& s) { s.pop_back(); }},
                      Damage{"ByteAdded", [](std::string& s) { s.push_back('\0'); }},
                      Damage{"MagicFlipped", [](std::string& s) { s[0] ^= 0x20; }},
                      Damage{"KeyByteFlipped", [](std::string& s) { s[60] ^= 0x01; }},
                      Damage{"PixelFlipped", [](std::string& s) { s[s.size() / 2] ^= 0x80; }},
                      Damage{"ChecksumFlipped", [](std::string& s) { s[s.size() - 1] ^= 0x01; }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Forged records with a valid checksum ------------------------------------

struct Forgery {
    const char* name;
    std::function<void(HandRecord&)> fnForge;
};

class ThumbCacheForgery : public ThumbCacheTest, public ::testing::WithParamInterface<Forgery> {};

// Each forgery is checked against the same record written correctly by
// hand, so a miss can only come from the forged part.
TEST_P(ThumbCacheForgery, ForgedSizesAreRefusedBeforeAnythingIsAllocated) {
    const Stored s = StoreJpeg("p.jpg", 640, 480);
    const std::string strRecordPath = m_cache.RecordPath(s.key);
    HandRecord record = HandRecord::From(s.key, *s.pFresh);
    ASSERT_EQ(record.Bytes(), ReadFile(strRecordPath));

    GetParam().fnForge(record);
    WriteFile(strRecordPath, record.Bytes());
    auto item = Blank(s.strPath);
    EXPECT_FALSE(m_cache.Load(*item, s.key));
    ExpectUntouched(*item);
    const std::string strBytes = record.Bytes();
    EXPECT_FALSE(DecodeThumbRecord(reinterpret_cast<const std::uint8_t*>(strBytes.data()),
                                   strBytes.size(), s.key, *item));
    ExpectUntouched(*item);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Forgeries, ThumbCacheForgery,
    ::testing::Values(
        Forgery{"HugeDisplaySize",
                [](HandRecord& r) {
                    r.nThumbWidth = r.nThumbHeight = 60000;
                    r.strDim = "60000 x 60000";
                    r.nBitsLength = 0xF0000000u;  // claims gigabytes
                }},
        Forgery{"DisplaySizeBeyondTheSquare",
                [](HandRecord& r) {
                    r.nThumbWidth = 101;
                    r.nThumbHeight = 1;
                    r.strDim = "101 x 1";
                    r.strBits.assign(DisplayStride(101), 'x');
                }},
        Forgery{"EmptySideOfAnOlderBuild",
                [](HandRecord& r) {
                    r.nThumbHeight = 0;
                    r.strDim = "100 x 0";
                    r.strBits.clear();
                }},
        Forgery{"NegativeDisplaySize",
                [](HandRecord& r) {
                    r.nThumbWidth = -4;
                    r.strDim = "-4 x 75";
                }},
        Forgery{"RowsLengthBeyondTheRecord", [](HandRecord& r) { r.nBitsLength = 0xFFFFFFF0u; }},
        Forgery{"RowsShortByOneRow",
                [](HandRecord& r) { r.strBits.resize(r.strBits.size() - DisplayStride(100)); }},
        Forgery{"PathLengthBeyondTheRecord", [](HandRecord& r) { r.nPathLength = 0xFFFFFFFFu; }},
        Forgery{"DimensionTextLengthHuge", [](HandRecord& r) { r.nDimLength = 0x7FFFFFFFu; }},
        Forgery{"DimensionTextOtherThanTheSize", [](HandRecord& r) { r.strDim = "100 x 76"; }},
        Forgery{"ScaleOtherThanTheCodecPicks", [](HandRecord& r) { r.nScaleDenom += 1; }},
        Forgery{"TrailingBytes", [](HandRecord& r) { r.strTrailer = "xy"; }},
        Forgery{"OtherLibraries", [](HandRecord& r) { r.strStamp = "jpeg 9 qt 5"; }},
        Forgery{"OtherVersion", [](HandRecord& r) { r.nVersion = 1; }},
        Forgery{"OrientationFieldNeitherZeroNorOne", [](HandRecord& r) { r.nRotateField = 3; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ThumbCacheTest, RecordFileFarLongerThanAnyThumbnailIsNotRead) {
    const Stored s = StoreJpeg("p.jpg", 640, 480);
    const std::string strRecordPath = m_cache.RecordPath(s.key);
    // A sparse gigabyte: reading it would take memory and time.
    const int fd = open(strRecordPath.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 1LL << 30), 0);
    close(fd);
    auto item = Blank(s.strPath);
    EXPECT_FALSE(m_cache.Load(*item, s.key));
    ExpectUntouched(*item);
}

TEST_F(ThumbCacheTest, OnlyAPlainFileIsARecord) {
    const Stored s = StoreJpeg("p.jpg", 640, 480);
    const std::string strRecordPath = m_cache.RecordPath(s.key);
    // A link to a valid record elsewhere, and a FIFO that would block a read.
    ASSERT_EQ(rename(strRecordPath.c_str(), Path("elsewhere").c_str()), 0);
    ASSERT_EQ(symlink(Path("elsewhere").c_str(), strRecordPath.c_str()), 0);
    auto item = Blank(s.strPath);
    EXPECT_FALSE(m_cache.Load(*item, s.key));
    ASSERT_EQ(unlink(strRecordPath.c_str()), 0);
    ASSERT_EQ(mkfifo(strRecordPath.c_str(), 0600), 0);
    EXPECT_FALSE(m_cache.Load(*item, s.key));
    ExpectUntouched(*item);
}

// --- The folder ---------------------------------------------------------------

TEST_F(ThumbCacheTest, FoldersAndRecordsArePrivateAndNoTemporaryFileIsLeft) {
    const Stored s = StoreJpeg("p.jpg", 640, 480);
    const std::string strRecordPath = m_cache.RecordPath(s.key);
    EXPECT_EQ(FilesBelow(CacheFolder()), std::vector<std::string>{strRecordPath});
    EXPECT_EQ(Mode(CacheFolder()), 0700u);
    EXPECT_EQ(Mode(strRecordPath.substr(0, strRecordPath.rfind('/'))), 0700u);
    EXPECT_EQ(Mode(strRecordPath), 0600u);
}

TEST_F(ThumbCacheTest, CacheFolderMayBeALinkToAFolderElsewhere) {
    ASSERT_EQ(mkdir(Path("elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink(Path("elsewhere").c_str(), CacheFolder().c_str()), 0);
    auto item = Entry(MakeJpeg(Path("p.jpg"), 300, 200));
    ASSERT_TRUE(BuildThumbnailCached(m_cache, *item, kPitch, kThumb));
    ASSERT_EQ(FilesBelow(Path("elsewhere")).size(), 1u);
    auto pAgain = Entry(item->m_strPath);
    EXPECT_TRUE(m_cache.Load(*pAgain, *MakeThumbKey(*pAgain, kPitch, kThumb)));
    m_cache.Trim(0);
    EXPECT_TRUE(FilesBelow(Path("elsewhere")).empty());
}

TEST_F(ThumbCacheTest, DefaultFolderMadeWithItsParentWhenMissing) {
    const std::string strCacheHome = Path("xdg-cache");
    std::optional<ThumbCache> cache;
    {
        ScopedEnv env("XDG_CACHE_HOME", strCacheHome.c_str());
        cache.emplace();
    }
    EXPECT_EQ(cache->Folder(), strCacheHome + "/galerio");
    auto item = Entry(MakeJpeg(Path("p.jpg"), 300, 200));
    ASSERT_TRUE(BuildThumbnailCached(*cache, *item, kPitch, kThumb));
    EXPECT_EQ(Mode(strCacheHome), 0700u);
    EXPECT_EQ(FilesBelow(cache->Folder()).size(), 1u);
}

struct EnvCase {
    const char* pszCacheHome;  // null: unset
    const char* pszHome;
    const char* pszFolder;
};

class ThumbCacheDefaultFolder : public ::testing::TestWithParam<EnvCase> {};

TEST_P(ThumbCacheDefaultFolder, FollowsTheXdgRules) {
    const EnvCase& c = GetParam();
    ScopedEnv cacheHome("XDG_CACHE_HOME", c.pszCacheHome);
    ScopedEnv home("HOME", c.pszHome);
    EXPECT_EQ(ThumbCache::DefaultFolder(), c.pszFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, ThumbCacheDefaultFolder,
    ::testing::Values(EnvCase{"/x/cache", "/home/ann", "/x/cache/galerio"},
                      EnvCase{"/x/cache/", "/home/ann", "/x/cache/galerio"},
                      EnvCase{nullptr, "/home/ann", "/home/ann/.cache/galerio"},
                      EnvCase{"", "/home/ann", "/home/ann/.cache/galerio"},
                      EnvCase{"rel/cache", "/home/ann", "/home/ann/.cache/galerio"},
                      EnvCase{nullptr, nullptr, ""}, EnvCase{nullptr, "", ""}));

TEST_F(ThumbCacheTest, FolderThatCannotBeWrittenStoresNothingAndShowsNothing) {
    // A file stands where a folder would have to be made: fails for root too.
    WriteFile(Path("file"), "x");
    const ThumbCache cache(Path("file") + "/cache");
    const std::string strPath = MakeJpeg(Path("p.jpg"), 300, 200);
    for (int nRun = 0; nRun < 2; ++nRun) {
        auto item = Entry(strPath);
        ASSERT_TRUE(BuildThumbnailCached(cache, *item, kPitch, kThumb));
        ExpectSameThumbnail(*item, *FreshBuild(strPath));
    }
    cache.Drop(strPath);
    cache.Trim(0);
    EXPECT_EQ(FilesBelow(m_dir.path().toStdString()),
              (std::vector<std::string>{Path("file"), strPath}));
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(ThumbCacheTest, CacheWithoutAFolderIsPlainBuilding) {
    std::optional<ThumbCache> pCache;
    {
        ScopedEnv home("HOME", nullptr), cacheHome("XDG_CACHE_HOME", nullptr);
        pCache.emplace();
    }
    const ThumbCache& cache = *pCache;
    ASSERT_TRUE(cache.Folder().empty());

    const std::string strPath = MakeJpeg(Path("p.jpg"), 300, 200);
    auto item = Entry(strPath);
    ASSERT_TRUE(BuildThumbnailCached(cache, *item, kPitch, kThumb));
    ExpectSameThumbnail(*item, *FreshBuild(strPath));
    EXPECT_FALSE(cache.Load(*item, *MakeThumbKey(*item, kPitch, kThumb)));
}

TEST_F(ThumbCacheTest, KeyOnlyForARegularFileOfAKnownKindAtCacheableSizes) {
    const std::string strPath = MakeJpeg(Path("p.jpg"), 30, 20);
    EXPECT_TRUE(MakeThumbKey(*Entry(strPath), kPitch, kThumb));
    EXPECT_TRUE(MakeThumbKey(*Entry(strPath), kMaxCachedThumbSide + 3, kMaxCachedThumbSide));
    EXPECT_FALSE(MakeThumbKey(*Entry(strPath), kMaxCachedThumbSide + 4, kMaxCachedThumbSide + 1));
    EXPECT_FALSE(MakeThumbKey(*Entry(strPath), 3, 0));
    auto unknown = Entry(strPath);
    unknown->m_nKind = IMAGE_UNKNOWN;
    EXPECT_FALSE(MakeThumbKey(*unknown, kPitch, kThumb));
    EXPECT_FALSE(MakeThumbKey(*Entry(Path("missing.jpg")), kPitch, kThumb));
    ASSERT_EQ(mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    EXPECT_FALSE(MakeThumbKey(*Entry(Path("pipe.jpg")), kPitch, kThumb));
    // Through a link: the facts of the file it names.
    ASSERT_EQ(symlink(strPath.c_str(), Path("link.jpg").c_str()), 0);
    const std::optional<ThumbKey> viaLink = MakeThumbKey(*Entry(Path("link.jpg")), kPitch, kThumb);
    ASSERT_TRUE(viaLink);
    EXPECT_EQ(viaLink->nInode, MakeThumbKey(*Entry(strPath), kPitch, kThumb)->nInode);
}

// --- Drop and trim -------------------------------------------------------------

TEST_F(ThumbCacheTest, DropRemovesEveryRecordOfThePathAndNoOther) {
    const std::string strA = MakeJpeg(Path("a.jpg"), 300, 200, 1);
    const std::string strB = MakeJpeg(Path("b.jpg"), 300, 200, 2);
    for (const std::string& strPath : {strA, strB})
        for (int nPitch : {kPitch, 151}) {
            auto item = Entry(strPath);
            ASSERT_TRUE(BuildThumbnailCached(m_cache, *item, nPitch, nPitch - 3));
        }
    ASSERT_EQ(FilesBelow(CacheFolder()).size(), 4u);
    m_cache.Drop(strA);
    std::vector<std::string> vWant = {
        m_cache.RecordPath(*MakeThumbKey(*Entry(strB), 151, 148)),
        m_cache.RecordPath(*MakeThumbKey(*Entry(strB), kPitch, kThumb))};
    std::sort(vWant.begin(), vWant.end());
    EXPECT_EQ(FilesBelow(CacheFolder()), vWant);
    m_cache.Drop(strA);  // nothing left to drop
    m_cache.Drop(Path("never.jpg"));
    EXPECT_EQ(FilesBelow(CacheFolder()).size(), 2u);
}

TEST_F(ThumbCacheTest, TrimRemovesTheLeastRecentlyUsedFirst) {
    const Stored a = StoreJpeg("a.jpg", 640, 480, 1);
    const Stored b = StoreJpeg("b.jpg", 640, 480, 2);
    const Stored c = StoreJpeg("c.jpg", 640, 480, 3);
    const std::string strA = m_cache.RecordPath(a.key);
    const std::string strB = m_cache.RecordPath(b.key);
    const std::string strC = m_cache.RecordPath(c.key);
    // Stored in the order a, b, c; then a is used again.
    SetTimes(strA, 300);
    SetTimes(strB, 200);
    SetTimes(strC, 100);
    auto item = Entry(a.strPath);
    ASSERT_TRUE(m_cache.Load(*item, a.key));

    const std::uint64_t nAll = SizeOf(strA) + SizeOf(strB) + SizeOf(strC);
    m_cache.Trim(nAll);
    EXPECT_EQ(FilesBelow(CacheFolder()).size(), 3u);
    m_cache.Trim(nAll - 1);
    EXPECT_EQ(FilesBelow(CacheFolder()).size(), 2u);
    EXPECT_EQ(access(strB.c_str(), F_OK), -1);
    EXPECT_EQ(access(strA.c_str(), F_OK), 0);
    EXPECT_EQ(access(strC.c_str(), F_OK), 0);
    m_cache.Trim(SizeOf(strA));
    EXPECT_EQ(access(strC.c_str(), F_OK), -1);
    EXPECT_EQ(access(strA.c_str(), F_OK), 0);
    m_cache.Trim(0);
    EXPECT_TRUE(FilesBelow(CacheFolder()).empty());
}

TEST_F(ThumbCacheTest, TrimTouchesNothingButRecordsAndStaleTemporaryFiles) {
    const Stored a = StoreJpeg("a.jpg", 300, 200);
    const std::string strRecord = m_cache.RecordPath(a.key);
    const std::string strBucket = strRecord.substr(0, strRecord.rfind('/'));
    const std::vector<std::string> vKept = {
        CacheFolder() + "/notes.txt", strBucket + "/notes.txt",
        strBucket + "/0123456789abcdef-103",  // not a record's name
        CacheFolder() + "/zz/0123456789abcdef-103-100", strBucket + "/.tmp-fresh1"};
    mkdir((CacheFolder() + "/zz").c_str(), 0700);
    for (const std::string& s : vKept) WriteFile(s, "keep");
    WriteFile(strBucket + "/.tmp-stale1", "left by a writer that died");
    SetTimes(strBucket + "/.tmp-stale1", 2 * 3600);

    m_cache.Trim(0);
    std::vector<std::string> vWant = vKept;
    std::sort(vWant.begin(), vWant.end());
    EXPECT_EQ(FilesBelow(CacheFolder()), vWant);
}

// --- Threads and processes at once --------------------------------------------

TEST_F(ThumbCacheTest, ConcurrentStoresLoadsDropsAndTrimsNeverGiveATornRecord) {
    std::vector<Stored> vPhotos;
    vPhotos.push_back(StoreJpeg("a.jpg", 1600, 1200, 1));
    vPhotos.push_back(StorePhoto(MakeBmp(Path("b.bmp"), 200, 150, 2)));

    std::atomic<int> nHits{0}, nWrong{0};
    std::vector<std::thread> vThreads;
    for (int t = 0; t < 4; ++t)
        vThreads.emplace_back([&, t] {
            // A second object on the same folder stands in for another process.
            const ThumbCache cache(CacheFolder());
            for (int i = 0; i < 40; ++i) {
                const Stored& s = vPhotos[std::size_t(i + t) % vPhotos.size()];
                if (t == 3 && i % 10 == 0) {
                    cache.Trim(i % 20 == 0 ? 0 : 1 << 20);
                    cache.Drop(s.strPath);
                    continue;
                }
                cache.Store(*s.pFresh, s.key);
                auto item = Entry(s.strPath);
                if (!cache.Load(*item, s.key)) continue;
                ++nHits;
                const std::size_t n =
                    std::size_t(DisplayStride(std::uint32_t(item->m_nThumbWidth))) *
                    std::uint32_t(item->m_nThumbHeight);
                if (item->m_strDim != s.pFresh->m_strDim ||
                    std::memcmp(item->m_pBits.get(), s.pFresh->m_pBits.get(), n) != 0)
                    ++nWrong;
            }
        });
    for (std::thread& t : vThreads) t.join();
    EXPECT_GT(nHits.load(), 0);
    EXPECT_EQ(nWrong.load(), 0);
    for (const std::string& s : FilesBelow(CacheFolder()))
        EXPECT_EQ(s.find("/.tmp-"), std::string::npos) << s;
    EXPECT_EQ(m_recorder.Count(), 0u);
}

}  // namespace

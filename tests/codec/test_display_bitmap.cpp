// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImageReader>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <tuple>

#include "codec/codec_fixtures.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "support/message_recorder.h"

namespace {

constexpr int kPitch = 103;
// Forged files must fail long before they cost this much.
constexpr long kMemoryBoundMb = 100;
constexpr auto kTimeBound = std::chrono::seconds(2);
constexpr int kThumb = kPitch - 3;

ImageItem Entry(const std::string& strPath, ImageKind kind) {
    ImageItem item;
    item.m_strPath = strPath;
    item.m_nKind = kind;
    return item;
}

void ExpectQuadrants(const ImageItem& item, int nTolerance) {
    const int w = item.m_nThumbWidth, h = item.m_nThumbHeight;
    for (auto [fx, fy] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}}) {
        const int x = w * fx / 4, y = h * fy / 4;
        const Rgb want = QuadrantColour(x, y, w, h),
                  got = DisplayPixel(item.m_pBits.get(), w, h, x, y);
        EXPECT_NEAR(got.r, want.r, nTolerance) << x << "," << y;
        EXPECT_NEAR(got.g, want.g, nTolerance) << x << "," << y;
        EXPECT_NEAR(got.b, want.b, nTolerance) << x << "," << y;
    }
}

struct ThumbCase {
    int w, h, num, denom, thumbW, thumbH;
};
std::ostream& operator<<(std::ostream& os, const ThumbCase& c) { return os << c.w << "x" << c.h; }

class ThumbnailTest : public ::testing::TestWithParam<ThumbCase> {
protected:
    QTemporaryDir m_dir;
    MessageRecorder m_recorder;
};

TEST_P(ThumbnailTest, FitsTheSquareInDisplayRows) {
    const ThumbCase c = GetParam();
    ImageItem item =
        Entry(WriteQuadrantJpeg(m_dir.path().toStdString(), "a.jpg", c.w, c.h), IMAGE_JPEG);
    item.m_pBits.reset(new std::uint8_t[1]);  // an old bitmap to be replaced
    ASSERT_TRUE(BuildThumbnailBitmap(item, kPitch, kThumb));
    EXPECT_EQ(item.m_nImageWidth, std::uint32_t(c.w));
    EXPECT_EQ(item.m_nImageHeight, std::uint32_t(c.h));
    EXPECT_EQ(item.m_nScaleNum, c.num);
    EXPECT_EQ(item.m_nScaleDenom, c.denom);
    EXPECT_EQ(item.m_nThumbWidth, c.thumbW);
    EXPECT_EQ(item.m_nThumbHeight, c.thumbH);
    EXPECT_EQ(item.m_strDim, std::to_string(c.thumbW) + " x " + std::to_string(c.thumbH));
    ASSERT_TRUE(item.m_pBits);
    if (c.thumbW >= 8 && c.thumbH >= 8) ExpectQuadrants(item, 40);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Pitch103, ThumbnailTest,
    ::testing::Values(ThumbCase{1600, 1200, 100, 1600, 100, 75},
                      ThumbCase{1200, 1600, 100, 1600, 75, 100}, ThumbCase{90, 60, 1, 1, 90, 60},
                      ThumbCase{101, 50, 1, 1, 100, 49}, ThumbCase{103, 103, 1, 1, 100, 100},
                      ThumbCase{104, 50, 100, 104, 100, 48}, ThumbCase{480, 640, 100, 640, 75, 100},
                      // A side that truncates to 0 keeps one pixel.
                      ThumbCase{1000, 5, 100, 1000, 100, 1}, ThumbCase{4096, 32, 100, 4096, 100, 1},
                      ThumbCase{5, 1000, 100, 1000, 1, 100}, ThumbCase{1, 1, 1, 1, 1, 1}));

class DisplayBitmapTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strName) const {
        return m_dir.path().toStdString() + "/" + strName;
    }
    QTemporaryDir m_dir;
    MessageRecorder m_recorder;
};

// An image that already fits is shown exactly as decoded: no resampling.
TEST_F(DisplayBitmapTest, SmallImageIsNotResampled) {
    ImageItem item =
        Entry(WriteQuadrantJpeg(m_dir.path().toStdString(), "s.jpg", 90, 60, 70), IMAGE_JPEG);
    ASSERT_TRUE(BuildThumbnailBitmap(item, kPitch, kThumb));
    std::uint32_t w = 0, h = 0;
    auto p = JpegFile::ReadJpegRgb(item.m_strPath, w, h, 1, 1);
    ASSERT_TRUE(p);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 90; ++x) {
            const std::uint8_t* q = p.get() + (y * 90 + x) * 3;
            const Rgb got = DisplayPixel(item.m_pBits.get(), 90, 60, x, y);
            ASSERT_EQ(got.r, q[0]);
            ASSERT_EQ(got.g, q[1]);
            ASSERT_EQ(got.b, q[2]);
        }
    EXPECT_EQ(item.m_pBits[270], 0);  // row padding: 270 bytes of pixels, stride 272
    EXPECT_EQ(item.m_pBits[271], 0);
}

TEST(BoxShrinkTest, AveragesBlocksAndRefusesToEnlarge) {
    // 4 × 2 source into 2 × 1: each output byte is the truncated mean of a 2 × 2 block.
    std::vector<std::uint8_t> src(4 * 2 * 3);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = std::uint8_t(i * 7 % 256);
    std::uint8_t dst[6] = {};
    ASSERT_TRUE(BoxShrink(src.data(), dst, 4, 2, 2, 1));
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) {
            const int nSum =
                src[j * 6 + c] + src[j * 6 + 3 + c] + src[12 + j * 6 + c] + src[12 + j * 6 + 3 + c];
            EXPECT_EQ(dst[j * 3 + c], nSum / 4) << j << "," << c;
        }
    // 3 × 3 into 2 × 2: ratio 1.5, block side 1, blocks start at 0 and 1.
    std::uint8_t grid[27];
    for (int i = 0; i < 27; ++i) grid[i] = std::uint8_t(i);
    std::uint8_t small[12] = {};
    ASSERT_TRUE(BoxShrink(grid, small, 3, 3, 2, 2));
    EXPECT_EQ(std::vector<int>(small, small + 12),
              (std::vector<int>{0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14}));

    std::uint8_t untouched[6];
    std::memset(untouched, 0xAB, sizeof untouched);
    EXPECT_FALSE(BoxShrink(src.data(), untouched, 4, 2, 5, 1));
    EXPECT_FALSE(BoxShrink(src.data(), untouched, 4, 2, 2, 3));
    EXPECT_FALSE(BoxShrink(src.data(), untouched, 4, 2, 0, 1));
    EXPECT_FALSE(BoxShrink(nullptr, untouched, 4, 2, 2, 1));
    EXPECT_EQ(untouched[0], 0xAB);
}

struct BmpCase {
    int nBits;
    bool bTopDown, bRle;
};
std::ostream& operator<<(std::ostream& os, const BmpCase& c) {
    return os << c.nBits << " bits" << (c.bTopDown ? " top-down" : "") << (c.bRle ? " RLE" : "");
}

class BmpDepthTest : public DisplayBitmapTest, public ::testing::WithParamInterface<BmpCase> {};

// Every bitmap file Qt reads loads, whatever the screen; 1 bit gets a
// black-and-white picture, the others the coloured quadrants.
TEST_P(BmpDepthTest, LoadsAsBlueGreenRedRows) {
    const BmpCase c = GetParam();
    QImage image = QuadrantImage(41, 30);
    if (c.nBits == 1)
        image = image.convertToFormat(QImage::Format_Mono).convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(WriteBmp(Path("b.bmp"), image, c.nBits, c.bTopDown, c.bRle));
    ImageItem item = Entry(Path("b.bmp"), IMAGE_BMP);
    std::uint32_t w = 0, h = 0;
    auto p = LoadImagePixels(item, w, h, 1, 8);  // the scale is for JPEG files only
    ASSERT_TRUE(p);
    ASSERT_EQ(w, 41u);
    ASSERT_EQ(h, 30u);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 41; ++x) {
            const QRgb want = image.pixel(x, y);
            const std::uint8_t* q = p.get() + (y * 41 + x) * 3;
            ASSERT_NEAR(q[0], qBlue(want), 8) << x << "," << y;
            ASSERT_NEAR(q[1], qGreen(want), 8) << x << "," << y;
            ASSERT_NEAR(q[2], qRed(want), 8) << x << "," << y;
        }
    ASSERT_TRUE(BuildThumbnailBitmap(item, kPitch, kThumb));
    EXPECT_EQ(item.m_strDim, "41 x 30");
    EXPECT_NEAR(DisplayPixel(item.m_pBits.get(), 41, 30, 0, 0).r, qRed(image.pixel(0, 0)),
                8);  // bottom-up rows
    EXPECT_EQ(m_recorder.Count(), 0u);
    // Qt's cap on image memory holds for the whole process: reading leaves it
    // on, with room for the largest bitmap Qt reads (16384 × 16384 × 4 bytes).
    EXPECT_GE(QImageReader::allocationLimit(), 1024);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpDepthTest,
                         ::testing::Values(BmpCase{1, false, false}, BmpCase{4, false, false},
                                           BmpCase{8, false, false}, BmpCase{8, false, true},
                                           BmpCase{16, false, false}, BmpCase{24, false, false},
                                           BmpCase{24, true, false}, BmpCase{32, false, false}));

TEST_F(DisplayBitmapTest, BitmapAndJpegOfOnePictureGiveTheSameRows) {
    ASSERT_TRUE(WriteBmp(Path("q.bmp"), QuadrantImage(62, 40), 24));
    ImageItem bmp = Entry(Path("q.bmp"), IMAGE_BMP);
    ImageItem jpeg =
        Entry(WriteQuadrantJpeg(m_dir.path().toStdString(), "q.jpg", 62, 40), IMAGE_JPEG);
    ASSERT_TRUE(BuildThumbnailBitmap(bmp, kPitch, kThumb));
    ASSERT_TRUE(BuildThumbnailBitmap(jpeg, kPitch, kThumb));
    ASSERT_EQ(bmp.m_nThumbWidth, jpeg.m_nThumbWidth);
    ASSERT_EQ(bmp.m_nThumbHeight, jpeg.m_nThumbHeight);
    EXPECT_EQ(bmp.m_strDim, "62 x 40");
    ExpectQuadrants(bmp, 0);
    ExpectQuadrants(jpeg, 24);
    const std::size_t nBytes = DisplayStride(62) * 40;
    long nDiff = 0;
    for (std::size_t i = 0; i < nBytes; ++i) nDiff += std::abs(bmp.m_pBits[i] - jpeg.m_pBits[i]);
    EXPECT_LT(double(nDiff) / nBytes, 8.0);  // chroma blur along the quarter edges
}

// Unreadable bitmap files fail quietly, also a JPEG that only carries the
// bitmap extension and a header whose size would overflow the buffers.
TEST_F(DisplayBitmapTest, UnreadableFilesFail) {
    WriteBytes(Path("junk.bmp"), "BM not really");
    const std::string strJpeg = WriteQuadrantJpeg(m_dir.path().toStdString(), "photo.bmp", 64, 48);
    ASSERT_TRUE(WriteBmp(Path("huge.bmp"), QuadrantImage(4, 4), 24));
    std::string strHuge = ReadBytes(Path("huge.bmp"));
    strHuge.replace(18, 8, std::string("\xA0\x86\x01\x00\xA0\x86\x01\x00", 8));  // 100000 × 100000
    WriteBytes(Path("huge.bmp"), strHuge);
    for (const std::string& strPath :
         {Path("junk.bmp"), strJpeg, Path("huge.bmp"), Path("gone.bmp")}) {
        ImageItem item = Entry(strPath, IMAGE_BMP);
        EXPECT_FALSE(BuildThumbnailBitmap(item, kPitch, kThumb)) << strPath;
        EXPECT_FALSE(item.m_pBits);
        std::uint32_t w = 0, h = 0;
        EXPECT_FALSE(LoadImagePixels(item, w, h, 1, 1)) << strPath;
    }
    ImageItem unknown = Entry(strJpeg, IMAGE_UNKNOWN);
    std::uint32_t w = 0, h = 0;
    EXPECT_FALSE(GetImageSize(unknown, w, h));
    EXPECT_FALSE(BuildThumbnailBitmap(unknown, kPitch, kThumb));
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(DisplayBitmapTest, BrokenJpegFailsWithOneBox) {
    WriteBytes(Path("x.jpg"), "BM this is no JPEG");
    ImageItem item = Entry(Path("x.jpg"), IMAGE_JPEG);
    EXPECT_FALSE(BuildThumbnailBitmap(item, kPitch, kThumb));
    ASSERT_EQ(m_recorder.Count(), 1u);
    EXPECT_EQ(m_recorder.Messages()[0].caption, "JPEG Fatal Error");
    EXPECT_EQ(m_recorder.Messages()[0].text, "Not a JPEG file: starts with 0x42 0x4d");
}

struct ForgedBmpCase {
    const char* pszName;
    int nInfoSize;
    std::int32_t nWidth, nHeight;
    int nBits, nCompression;
    std::uint32_t nDataOffset, nFileBytes;
};
std::ostream& operator<<(std::ostream& os, const ForgedBmpCase& c) { return os << c.pszName; }

class ForgedBmpTest : public DisplayBitmapTest,
                      public ::testing::WithParamInterface<ForgedBmpCase> {};

// A few bytes claiming a huge picture are refused from the header alone:
// quietly, at once and before Qt allocates the claimed pixels.
TEST_P(ForgedBmpTest, IsRefusedBeforeAllocation) {
    const ForgedBmpCase c = GetParam();
    WriteBytes(Path("f.bmp"), ForgedBmp(c.nInfoSize, c.nWidth, c.nHeight, c.nBits, c.nCompression,
                                        c.nDataOffset, c.nFileBytes));
    ImageItem item = Entry(Path("f.bmp"), IMAGE_BMP);
    const PeakMemoryProbe memory;
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t w = 7, h = 7;
    EXPECT_FALSE(GetImageSize(item, w, h));
    EXPECT_EQ(w, 7u);
    EXPECT_FALSE(LoadImagePixels(item, w, h, 1, 1));
    EXPECT_FALSE(BuildThumbnailBitmap(item, kPitch, kThumb));
    EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeBound);
    EXPECT_LT(memory.GrowthMb(), kMemoryBoundMb);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ForgedBmpTest,
    ::testing::Values(
        ForgedBmpCase{"8-bit 16384 x 16384 in 74 bytes", 40, 16384, 16384, 8, 0, 1078, 74},
        ForgedBmpCase{"8-bit 45054 x 4098 in 74 bytes", 40, 45054, 4098, 8, 0, 1078, 74},
        ForgedBmpCase{"4-bit 16000 x 16000 in 118 bytes", 40, 16000, 16000, 4, 0, 118, 118},
        ForgedBmpCase{"oldest header, 24-bit 16000 x 16000", 12, 16000, 16000, 24, 0, 26, 1000},
        ForgedBmpCase{"masked 32-bit top-down 8000 x 8000", 108, 8000, -8000, 32, 3, 122, 4096},
        ForgedBmpCase{"run-length coded 16384 x 16384 in 60 bytes", 40, 16384, 16384, 8, 1, 58, 60},
        ForgedBmpCase{"run-length coded 4-bit 6000 x 6000", 40, 6000, 6000, 4, 2, 58, 60}));

// Uncompressed rows are padded to 4 bytes after the pixel-data offset: a
// file that holds every padded row loads, one byte less is refused.
TEST_F(DisplayBitmapTest, UncompressedFileShorterThanItsRowsIsRefused) {
    for (int nBits : {1, 4, 8, 16, 24, 32}) {
        QImage image = QuadrantImage(41, 30);
        if (nBits == 1)
            image =
                image.convertToFormat(QImage::Format_Mono).convertToFormat(QImage::Format_RGB32);
        ASSERT_TRUE(WriteBmp(Path("b.bmp"), image, nBits));
        const std::string strBytes = ReadBytes(Path("b.bmp"));
        ImageItem item = Entry(Path("b.bmp"), IMAGE_BMP);
        std::uint32_t w = 0, h = 0;
        EXPECT_TRUE(GetImageSize(item, w, h)) << nBits;
        WriteBytes(Path("b.bmp"), strBytes.substr(0, strBytes.size() - 1));
        EXPECT_FALSE(GetImageSize(item, w, h)) << nBits;
        EXPECT_FALSE(LoadImagePixels(item, w, h, 1, 1)) << nBits;
    }
    EXPECT_EQ(m_recorder.Count(), 0u);
}

// Run-length coded pixels have no size to check against: a tiny file whose
// only code ends the bitmap is a real, blank picture of its full size.
TEST_F(DisplayBitmapTest, TinyRleFileStillLoads) {
    WriteBytes(Path("r.bmp"), ForgedBmp(40, 2000, 1500, 8, 1, 58, 60, std::string("\0\1", 2)));
    ImageItem item = Entry(Path("r.bmp"), IMAGE_BMP);
    std::uint32_t w = 0, h = 0;
    auto p = LoadImagePixels(item, w, h, 1, 1);
    ASSERT_TRUE(p);
    ASSERT_EQ(w, 2000u);
    ASSERT_EQ(h, 1500u);
    const std::uint8_t* q = p.get() + (std::size_t(700) * w + 1000) * 3;
    EXPECT_EQ(std::vector<int>(q, q + 3), (std::vector<int>{10, 20, 30}));  // palette entry 0
}

// A stop request fails bitmap reads as quietly as JPEG ones.
TEST_F(DisplayBitmapTest, StopRequestFailsBitmapReadsQuietly) {
    ASSERT_TRUE(WriteBmp(Path("b.bmp"), QuadrantImage(41, 30), 24));
    ImageItem item = Entry(Path("b.bmp"), IMAGE_BMP);
    std::atomic<bool> bStop{true};
    CodecContext context(&bStop);
    std::uint32_t w = 0, h = 0;
    EXPECT_FALSE(GetImageSize(item, w, h, context));
    EXPECT_FALSE(LoadImagePixels(item, w, h, 1, 1, context));
    EXPECT_FALSE(BuildOrientedThumbnail(item, kPitch, kThumb, false, context));
    bStop = false;
    EXPECT_TRUE(BuildOrientedThumbnail(item, kPitch, kThumb, false, context));
    EXPECT_TRUE(context.messages.empty());
}

// A name the scan saw as a picture may since have become a FIFO, a device or
// a folder. Opening it must neither wait (a FIFO without a writer would hold
// the processing thread for ever) nor read what is no file: it fails as a
// missing file does, with the JPEG "Can't open" box and quietly for a bitmap.
using SwappedCase = std::tuple<std::string, ImageKind>;  // what replaced the file, its kind

class SwappedFileTest : public DisplayBitmapTest,
                        public ::testing::WithParamInterface<SwappedCase> {};

TEST_P(SwappedFileTest, FailsAtOnceLikeAMissingFile) {
    const auto [strWhat, kind] = GetParam();
    const std::string strPath = Path(kind == IMAGE_JPEG ? "x.jpg" : "x.bmp");
    ASSERT_EQ(strWhat == "FIFO"     ? mkfifo(strPath.c_str(), 0600)
              : strWhat == "device" ? symlink("/dev/null", strPath.c_str())
                                    : mkdir(strPath.c_str(), 0700),
              0);
    ImageItem item = Entry(strPath, kind);
    bool bBuilt = true, bLoaded = true;
    auto done = std::async(std::launch::async, [&] {
        bBuilt = BuildThumbnailBitmap(item, kPitch, kThumb);
        std::uint32_t w = 0, h = 0;
        bLoaded = LoadImagePixels(item, w, h, 1, 1) != nullptr;
    });
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "opening " << strPath << " waits";
        // A writer that comes and goes lets a waiting reader on to end of
        // file, so a failing test ends instead of hanging.
        while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            close(open(strPath.c_str(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_FALSE(bBuilt);
    EXPECT_FALSE(bLoaded);
    EXPECT_FALSE(item.m_pBits);
    if (kind == IMAGE_BMP) {
        EXPECT_EQ(m_recorder.Count(), 0u);
        return;
    }
    // One box from the size read, which ends the build, one from the load.
    const QString strCantOpen = QString::fromStdString("JPEG :\nCan't open " + strPath + "\n");
    EXPECT_EQ(m_recorder.Texts(), QStringList({strCantOpen, strCantOpen}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SwappedFileTest,
                         ::testing::Combine(::testing::Values("FIFO", "device", "folder"),
                                            ::testing::Values(IMAGE_JPEG, IMAGE_BMP)));

struct ViewCase {
    ImageKind kind;
    std::uint32_t w, h;
    std::uint64_t nBudget;
    int nReduction;
};

class ViewReductionTest : public ::testing::TestWithParam<ViewCase> {};

// The image window holds a JPEG's display rows at the least reduction that
// fits (sizes rounded up as the decoder does); a bitmap file whole or not at all.
TEST_P(ViewReductionTest, IsTheLeastThatFitsTheBudget) {
    const ViewCase c = GetParam();
    ImageItem item = Entry("", c.kind);
    item.m_nImageWidth = c.w;
    item.m_nImageHeight = c.h;
    EXPECT_EQ(ChooseViewReduction(item, c.nBudget), c.nReduction);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ViewReductionTest,
    ::testing::Values(ViewCase{IMAGE_JPEG, 11600, 8700, kViewPixelBudget, 1},  // 100 megapixels
                      ViewCase{IMAGE_JPEG, 16384, 10922, kViewPixelBudget, 1},
                      ViewCase{IMAGE_JPEG, 16384, 10923, kViewPixelBudget, 2},
                      ViewCase{IMAGE_JPEG, 65000, 60000, kViewPixelBudget, 8},
                      ViewCase{IMAGE_JPEG, 17, 17, 200, 4},  // 9 x 9 at 1/2 takes 252
                      ViewCase{IMAGE_JPEG, 65535, 65535, 150 << 20, 0},
                      ViewCase{IMAGE_BMP, 8192, 8192, kViewPixelBudget, 1},
                      ViewCase{IMAGE_BMP, 8192, 8193, kViewPixelBudget, 0}));

TEST(FitWithinSquareTest, NeverEnlarges) {
    std::uint32_t w = 0, h = 0;
    EXPECT_FALSE(FitWithinSquare(50, 20, 100, w, h));
    EXPECT_EQ(w, 50u);
    EXPECT_EQ(h, 20u);
    EXPECT_TRUE(FitWithinSquare(300, 299, 100, w, h));
    EXPECT_EQ(h, 99u);
}

}  // namespace

namespace {

// One open of the file reads what the size, the tag and the pixels each read
// in turn, and so must say the same boxes, in the same order, as those
// three calls did.
struct OneOpenCase {
    const char* pszName;
    std::string (*fnBytes)(const std::string& strGood);
};
std::ostream& operator<<(std::ostream& os, const OneOpenCase& c) { return os << c.pszName; }

class OneOpenTest : public DisplayBitmapTest, public ::testing::WithParamInterface<OneOpenCase> {};

TEST_P(OneOpenTest, SaysWhatTheSeparateReadsSaid) {
    const std::string strGood =
        ReadBytes(WriteQuadrantJpegWithApp1(Path("g.jpg"), 400, 300, ExifOrientationBlock(6)));
    if (GetParam().fnBytes) WriteBytes(Path("f.jpg"), GetParam().fnBytes(strGood));
    const ImageItem item = Entry(Path("f.jpg"), IMAGE_JPEG);
    CodecContext separate, once;
    std::uint32_t w = 0, h = 0;
    if (GetImageSize(item, w, h, separate))
        LoadImagePixels(item, w, h, kThumb, std::int32_t(std::max(w, h)), separate);
    ImageItem built = Entry(Path("f.jpg"), IMAGE_JPEG);
    BuildOrientedThumbnail(built, kPitch, kThumb, true, once);
    QStringList said, saidOnce;
    for (const auto& m : separate.messages) said << m.caption + ": " + m.text;
    for (const auto& m : once.messages) saidOnce << m.caption + ": " + m.text;
    EXPECT_EQ(saidOnce, said);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OneOpenTest,
    ::testing::Values(
        OneOpenCase{"missing", nullptr},
        OneOpenCase{"bytes before a header marker",
                    [](const std::string& s) { return s.substr(0, 2) + "xyz" + s.substr(2); }},
        OneOpenCase{"data cut short", [](const std::string& s) { return s.substr(0, s.size() / 2); }},
        OneOpenCase{"header cut short", [](const std::string& s) { return s.substr(0, 40); }},
        OneOpenCase{"not a JPEG", [](const std::string&) { return std::string("plain text"); }}));

}  // namespace

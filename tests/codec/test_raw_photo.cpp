// SPDX-License-Identifier: MIT
// Camera raw files through their embedded preview: DNG files written by the
// project's own writer around a JPEG of the quadrant picture.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "codec/codec_fixtures.h"
#include "codec/photo_reader.h"
#include "codec/reference_decode.h"
#include "dng_writer.h"

namespace {

constexpr int kPreviewW = 320, kPreviewH = 240;

QString Unreadable(const std::string& strPath, const char* pszWhy) {
    return QString::fromLatin1(kPhotoUnreadableText).arg(QString::fromStdString(strPath), pszWhy);
}

class RawPhotoTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strName) const {
        return m_dir.path().toStdString() + "/" + strName;
    }
    // A DNG around the quadrant picture's JPEG (also left beside it as preview.jpg).
    std::string WriteDng(const std::string& strName, DngPicture picture = {},
                         bool bPreview = true) {
        if (bPreview) {
            picture.strPreviewJpeg = ReadBytes(
                WriteQuadrantJpeg(m_dir.path().toStdString(), "preview.jpg", kPreviewW, kPreviewH));
            picture.nPreviewWidth = kPreviewW;
            picture.nPreviewHeight = kPreviewH;
        }
        WriteBytes(Path(strName), MakeDng(picture));
        return Path(strName);
    }
    QStringList Texts() const {
        QStringList list;
        for (const MessageRequest& request : m_context.messages) list << request.text;
        return list;
    }

    QTemporaryDir m_dir;
    CodecContext m_context;
    PhotoPixels m_pixels;
};

// The reference at 1/n: ImageMagick's decode averaged over n × n blocks,
// which the DCT reduction matches up to rounding at the quarters' edges.
ReferencePicture Reduced(const ReferencePicture& full, int n) {
    ReferencePicture out{full.nWidth / n, full.nHeight / n, {}};
    for (int y = 0; y < out.nHeight; ++y)
        for (int x = 0; x < out.nWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                int nSum = 0;
                for (int i = 0; i < n * n; ++i)
                    nSum += full.vRgb[((y * n + i / n) * full.nWidth + x * n + i % n) * 3 + c];
                out.vRgb.push_back(std::uint8_t(nSum / (n * n)));
            }
    return out;
}

struct PixelCase {
    std::uint32_t nMinSide;
    bool bView;
    std::uint64_t nBudget;
    int nReduction;  // 0: too large
};

class RawPixelsTest : public RawPhotoTest, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(RawPixelsTest, PreviewDecodesAtTheReductionAskedFor) {
    const PixelCase c = GetParam();
    // A raw image no memory could hold: unpacking it would fail, so every
    // read that succeeds here never touched the raw samples.
    DngPicture picture;
    picture.nRawWidth = picture.nRawHeight = 60000;
    picture.bRawSamples = false;
    PhotoRequest request{WriteDng("photo.dng", picture), c.nMinSide, c.nBudget, false, c.bView};
    const bool bRead = ReadRawPhoto(request, m_pixels, m_context);

    EXPECT_TRUE(m_context.messages.empty()) << Texts().join("|").toStdString();
    EXPECT_TRUE(m_pixels.bHeader);
    EXPECT_EQ(m_pixels.nFullWidth, std::uint32_t(kPreviewW));
    EXPECT_EQ(m_pixels.nFullHeight, std::uint32_t(kPreviewH));
    EXPECT_EQ(m_pixels.bTooLarge, c.nReduction == 0);
    ASSERT_EQ(bRead, c.nReduction != 0);
    if (!bRead) {
        EXPECT_FALSE(m_pixels.pPixels);
        return;
    }
    ASSERT_EQ(m_pixels.nWidth, std::uint32_t(kPreviewW / c.nReduction));
    ASSERT_EQ(m_pixels.nHeight, std::uint32_t(kPreviewH / c.nReduction));
    const ReferencePicture ref = Reduced(ReferenceDecode(Path("preview.jpg")), c.nReduction);
    EXPECT_LE(MeanByteDifference(m_pixels.pPixels.get(), ref, ref.nWidth, ref.nHeight), 1.5);
    if (c.nReduction == 1) {
        EXPECT_LE(MaxByteDifference(m_pixels.pPixels.get(), ref, ref.nWidth, ref.nHeight), 2);
    }
}

constexpr std::uint64_t kAmple = std::uint64_t(192) << 20;
INSTANTIATE_TEST_SUITE_P(
    Reductions, RawPixelsTest,
    ::testing::Values(PixelCase{0, false, kAmple, 1},        // the whole preview
                      PixelCase{100, false, kAmple, 2},      // 160 is the least side still >= 100
                      PixelCase{40, false, kAmple, 8},       // 40 × 30
                      PixelCase{100, true, kAmple, 1},       // the window takes it whole
                      PixelCase{0, true, 160 * 3 * 120, 2},  // reduced to fit the budget
                      PixelCase{0, true, 100, 0}));          // nothing fits

struct OrientationCase {
    int nTag;
    bool bOrientation;
    int nExpected;
};

class RawOrientationTest : public RawPhotoTest,
                           public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(RawOrientationTest, TagIsReportedNotApplied) {
    DngPicture picture;
    picture.nOrientation = GetParam().nTag;
    PhotoRequest request{WriteDng("turned.dng", picture)};
    request.bOrientation = GetParam().bOrientation;
    ASSERT_TRUE(ReadRawPhoto(request, m_pixels, m_context));
    EXPECT_EQ(m_pixels.nOrientation, GetParam().nExpected);
    EXPECT_EQ(m_pixels.nWidth, std::uint32_t(kPreviewW));
}

INSTANTIATE_TEST_SUITE_P(Tags, RawOrientationTest,
                         ::testing::Values(OrientationCase{1, true, 1}, OrientationCase{2, true, 2},
                                           OrientationCase{3, true, 3}, OrientationCase{4, true, 4},
                                           OrientationCase{5, true, 5}, OrientationCase{6, true, 6},
                                           OrientationCase{7, true, 7}, OrientationCase{8, true, 8},
                                           OrientationCase{6, false, 1}));

enum class Bad { NoPreview, NotRaw, Truncated, ForgedLength, CorruptPreview, Fifo, Missing };

struct RefusalCase {
    Bad eBad;
    std::vector<const char*> vTexts;  // "%U" stands for the box about the file
};

class RawRefusalTest : public RawPhotoTest, public ::testing::WithParamInterface<RefusalCase> {
protected:
    std::string MakeBadFile(Bad eBad) {
        DngPicture picture;
        switch (eBad) {
            case Bad::NoPreview:
                return WriteDng("plain.dng", {}, false);
            case Bad::NotRaw:
                WriteBytes(Path("notes.nef"), std::string(4096, 'x'));
                return Path("notes.nef");
            case Bad::Truncated:
                WriteBytes(Path("cut.cr2"), ReadBytes(WriteDng("whole.dng")).substr(0, 200));
                return Path("cut.cr2");
            case Bad::ForgedLength:
                picture.nPreviewLengthTag = 100u << 20;
                return WriteDng("forged.dng", picture);
            case Bad::CorruptPreview: {
                std::string strDng = ReadBytes(WriteDng("good.dng"));
                const std::size_t nSoi = strDng.find("\xFF\xD8\xFF");
                strDng.replace(nSoi + 2, 40, std::string(40, '\x5A'));
                WriteBytes(Path("corrupt.arw"), strDng);
                return Path("corrupt.arw");
            }
            case Bad::Fifo:
                mkfifo(Path("pipe.dng").c_str(), 0600);
                return Path("pipe.dng");
            case Bad::Missing:
                return Path("gone.orf");
        }
        return {};
    }
};

TEST_P(RawRefusalTest, RefusedWithItsBox) {
    const std::string strPath = MakeBadFile(GetParam().eBad);
    EXPECT_FALSE(ReadRawPhoto(PhotoRequest{strPath, 100}, m_pixels, m_context));
    EXPECT_FALSE(m_pixels.pPixels);
    EXPECT_FALSE(m_pixels.bTooLarge);
    QStringList expected;
    for (const char* psz : GetParam().vTexts)
        expected << (std::string(psz).rfind("%U", 0) == 0 ? Unreadable(strPath, psz + 2)
                                                          : QString::fromLatin1(psz));
    EXPECT_EQ(Texts(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RawRefusalTest,
    ::testing::Values(RefusalCase{Bad::NoPreview, {"%UIt holds no preview that Galerio can show."}},
                      RefusalCase{Bad::NotRaw, {"%UUnsupported file format or not RAW file"}},
                      RefusalCase{Bad::Truncated, {"%UInput/output error"}},
                      RefusalCase{Bad::ForgedLength,
                                  {"%UIt holds no preview that Galerio can show."}},
                      RefusalCase{Bad::CorruptPreview,
                                  {"Corrupt JPEG data: 87 extraneous bytes before marker 0xdb",
                                   "Corrupt JPEG data: 87 extraneous bytes before marker 0xdb",
                                   "Quantization table 0x00 was not defined",
                                   "%UIt holds no preview that Galerio can show."}},
                      RefusalCase{Bad::Fifo, {"%UIt is not a regular file."}},
                      RefusalCase{Bad::Missing, {"%UNo such file or directory"}}));

TEST_F(RawPhotoTest, StopRequestEndsTheReadQuietly) {
    const std::atomic<bool> bStop{true};
    CodecContext context(&bStop);
    EXPECT_FALSE(ReadRawPhoto(PhotoRequest{WriteDng("photo.dng")}, m_pixels, context));
    EXPECT_FALSE(m_pixels.pPixels);
    EXPECT_TRUE(context.messages.empty());
}

// A preview claiming 65326 × 63721 CMYK pixels keeps libjpeg busy for
// seconds; a stop request from another thread ends the read inside the
// decode, quietly but for the warning the decode may have met before.
TEST_F(RawPhotoTest, StopRequestEndsThePreviewsDecode) {
    DngPicture picture;
    picture.strPreviewJpeg = ForgedJpeg(JpegLayout::Baseline, 4, 65326, 63721);
    picture.nPreviewWidth = picture.nPreviewHeight = 16;
    WriteBytes(Path("slow.dng"), MakeDng(picture));
    std::atomic<bool> bStop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        bStop = true;
    });
    CodecContext context(&bStop);
    const PhotoRequest request{Path("slow.dng"), 100, std::uint64_t(256) << 20};
    const bool bRead = ReadRawPhoto(request, m_pixels, context);
    stopper.join();
    EXPECT_FALSE(bRead);
    EXPECT_FALSE(m_pixels.pPixels);
    for (const MessageRequest& message : context.messages)
        EXPECT_EQ(message.text, "Corrupt JPEG data: premature end of data segment");
}

}  // namespace

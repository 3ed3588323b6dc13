// SPDX-License-Identifier: MIT
// Camera raw files through their embedded preview: DNG files written by the
// project's own writer around a JPEG of the quadrant picture.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "codec/codec_fixtures.h"
#include "dng_writer.h"

namespace {

constexpr int kPreviewW = 320, kPreviewH = 240;

// A DNG around the quadrant picture's JPEG, also left beside it as preview.jpg.
// Pictures name strPreviewJpeg first: GCC 12 warns when a designated
// initializer skips the first member.
std::string WriteDng(const std::string& strPath, DngPicture picture = {}) {
    const std::string strFolder = strPath.substr(0, strPath.rfind('/'));
    picture.strPreviewJpeg =
        ReadBytes(WriteQuadrantJpeg(strFolder, "preview.jpg", kPreviewW, kPreviewH));
    picture.nPreviewWidth = kPreviewW, picture.nPreviewHeight = kPreviewH;
    WriteBytes(strPath, MakeDng(picture));
    return strPath;
}

using RawPhotoTest = PhotoReaderTest<ReadRawPhoto>;
constexpr std::uint64_t kAmple = std::uint64_t(192) << 20;

// A thumbnail gets the preview reduced while the side asked for still fits
// (160 × 120 for 100, 40 × 30 for 40); the window gets it whole, or reduced to
// its budget, or too large. The raw image is one no memory could hold, its
// samples missing: every read that succeeds here never touched them.
TEST_F(RawPhotoTest, PreviewDecodesAtTheReductionAskedFor) {
    const std::string strDng = WriteDng(
        Path("photo.dng"),
        {.strPreviewJpeg = {}, .nRawWidth = 60000, .nRawHeight = 60000, .bRawSamples = false});
    const struct {
        std::uint32_t nMinSide;
        bool bView;
        std::uint64_t nBudget;
        int nReduction;  // 0: too large
    } cases[] = {{0, false, kAmple, 1},  {100, false, kAmple, 2},     {40, false, kAmple, 8},
                 {100, true, kAmple, 1}, {0, true, 160 * 3 * 120, 2}, {0, true, 100, 0}};
    for (const auto& c : cases) {
        const bool bRead = Read({strDng, c.nMinSide, c.nBudget, false, c.bView});
        EXPECT_EQ(BoxTexts(m_context), QStringList()) << c.nMinSide;
        EXPECT_TRUE(m_pixels.bHeader && m_pixels.nFullWidth == kPreviewW &&
                    m_pixels.nFullHeight == kPreviewH);
        EXPECT_TRUE(m_pixels.bTooLarge == !c.nReduction && !m_pixels.pPixels == !c.nReduction);
        ASSERT_EQ(bRead, c.nReduction != 0) << c.nMinSide << c.bView << c.nBudget;
        if (!bRead) continue;
        // libjpeg's DCT reduction matches an average over blocks, up to
        // rounding at the quarters' edges.
        const int w = kPreviewW / c.nReduction, h = kPreviewH / c.nReduction;
        ASSERT_EQ(m_pixels.nWidth * 1000 + m_pixels.nHeight, std::uint32_t(w * 1000 + h));
        const ReferencePicture ref = ReferenceDecode(
            Path("preview.jpg"), 0, "-scale " + std::to_string(w) + "x" + std::to_string(h));
        EXPECT_LE(MeanByteDifference(m_pixels.pPixels.get(), ref, w, h), 1.5);
        if (c.nReduction == 1) {
            EXPECT_LE(MaxByteDifference(m_pixels.pPixels.get(), ref, w, h), 2);
        }
    }
}

// The tag is read, when asked for, as stored; the pixels stay as they are.
TEST_F(RawPhotoTest, OrientationTagIsReportedNotApplied) {
    for (const bool bOrientation : {true, false})
        for (int nTag = 1; nTag <= 8; ++nTag) {
            ASSERT_TRUE(Read({WriteDng(Path("t.dng"), {.strPreviewJpeg = {}, .nOrientation = nTag}),
                              0, kAmple, bOrientation}));
            EXPECT_EQ(m_pixels.nOrientation, bOrientation ? nTag : 1) << nTag << bOrientation;
            EXPECT_EQ(m_pixels.nWidth, std::uint32_t(kPreviewW));
        }
}

struct RefusalCase {
    const char* pszName;
    void (*make)(const std::string&);
    std::vector<std::string> vBoxes;  // "%U" stands for the box about the file
};
using RawRefusalTest = PhotoReaderTest<ReadRawPhoto, RefusalCase>;

TEST_P(RawRefusalTest, RefusedWithItsBox) {
    const std::string strPath = Path(GetParam().pszName);
    GetParam().make(strPath);
    ExpectRefused({strPath, 100}, GetParam().vBoxes);
}

void NoPreview(const std::string& p) { WriteBytes(p, MakeDng({})); }
void NotRaw(const std::string& p) { WriteBytes(p, std::string(4096, 'x')); }
void Cut(const std::string& p) { WriteBytes(p, ReadBytes(WriteDng(p)).substr(0, 200)); }
void Forged(const std::string& p) {
    WriteDng(p, {.strPreviewJpeg = {}, .nPreviewLengthTag = 100u << 20});
}
void Corrupt(const std::string& p) {
    std::string strDng = ReadBytes(WriteDng(p));
    strDng.replace(strDng.find("\xFF\xD8\xFF") + 2, 40, std::string(40, '\x5A'));
    WriteBytes(p, strDng);
}
void Fifo(const std::string& p) { ::mkfifo(p.c_str(), 0600); }
void Missing(const std::string&) {}
const char* kNoPreview = "%UIt holds no preview that Galerio can show.";
const char* kExtraneous = "Corrupt JPEG data: 87 extraneous bytes before marker 0xdb";
INSTANTIATE_TEST_SUITE_P(
    Files, RawRefusalTest,
    ::testing::Values(RefusalCase{"plain.dng", NoPreview, {kNoPreview}},
                      RefusalCase{
                          "notes.nef", NotRaw, {"%UUnsupported file format or not RAW file"}},
                      RefusalCase{"cut.cr2", Cut, {"%UInput/output error"}},
                      RefusalCase{"forged.dng", Forged, {kNoPreview}},
                      RefusalCase{"corrupt.arw",
                                  Corrupt,
                                  {kExtraneous, kExtraneous,
                                   "Quantization table 0x00 was not defined", kNoPreview}},
                      RefusalCase{"pipe.dng", Fifo, {"%UIt is not a regular file."}},
                      RefusalCase{"gone.orf", Missing, {"%UNo such file or directory"}}));

// A stop request ends the read quietly: one made before, and one from another
// thread while libjpeg is busy for seconds with a preview claiming 65326 ×
// 63721 CMYK pixels, but for the warning the decode may have met before.
TEST_F(RawPhotoTest, StopRequestEndsTheReadQuietly) {
    ExpectStopped({WriteDng(Path("photo.dng"))});
    WriteBytes(Path("slow.dng"),
               MakeDng({ForgedJpeg(JpegLayout::Baseline, 4, 65326, 63721), 16, 16}));
    std::atomic<bool> bStop{false};
    m_context.pStop = &bStop;
    std::thread stopper(
        [&] { std::this_thread::sleep_for(std::chrono::milliseconds(50)), bStop = true; });
    const bool bRead = Read({Path("slow.dng"), 100, std::uint64_t(256) << 20});
    stopper.join();
    EXPECT_FALSE(bRead || m_pixels.pPixels);
    for (const QString& strText : BoxTexts(m_context))
        EXPECT_EQ(strText, "Corrupt JPEG data: premature end of data segment");
}

}  // namespace

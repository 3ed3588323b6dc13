// SPDX-License-Identifier: MIT
// What ReadQtPhoto does beyond a plain file (depths, pages, frames, the
// orientation tag, the budget, refusals) and embedded colour profiles (also
// of JPEGs), held to ImageMagick's decode of files made here.
#include <gtest/gtest.h>

#include <QColorSpace>
#include <functional>

#include "codec/codec_fixtures.h"
#include "codec/jpeg_file.h"

namespace {

// Smooth ramps, so a colour conversion shows everywhere; alpha in bands.
QImage Picture(bool bAlpha, int w = 64, int h = 48) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 255 / w, y * 255 / h, 128, bAlpha ? x * 4 % 256 : 255));
    return image;
}
using Maker = std::function<bool(const std::string&)>;
Maker ByQt(const char* pszFormat, bool bAlpha, QImage::Format format = QImage::Format_ARGB32) {
    return [=](auto& p) {
        return Picture(bAlpha).convertToFormat(format).save(QString::fromStdString(p), pszFormat);
    };
}
// The picture (alpha in bands) made into a file by the command line.
Maker Tool(const std::string& strCommand) {
    return [=](auto& p) { return MakeWithTool(Picture(true), strCommand, p); };
}
const std::string kFrames = "convert -size 64x48 gradient:red-blue gradient:green-yellow ";
const std::string kTagged = "convert IN -alpha off OUT && tiffset -s 274 ";

// A file made by the test; when refused, why; when read, the background and
// the orientation tag.
struct Made {
    const char* pszName;
    Maker make;
    const char* pszWhy = "";
    std::uint32_t rgbBackground = 0xFFFFFF;
    int nOrientation = 1;
};
void PrintTo(const Made& m, std::ostream* pOut) { *pOut << m.pszName; }
using QtPhotoTest = PhotoReaderTest<ReadQtPhoto, Made>;

TEST_P(QtPhotoTest, ReadsLikeImageMagick) {
    const std::string strPath = Path(GetParam().pszName);
    ASSERT_TRUE(GetParam().make(strPath));
    m_context.look.rgbBackground = GetParam().rgbBackground;
    ASSERT_TRUE(Read({strPath, 0, PhotoRequest().nBudget, true})) << m_context.messages.size();
    const ReferencePicture want = ReferenceDecode(strPath, GetParam().rgbBackground);
    EXPECT_LE(MaxByteDifference(m_pixels.pPixels.get(), want, 64, 48), 2);
    EXPECT_TRUE(m_pixels.bHeader && m_pixels.nFullWidth == 64 && m_pixels.nFullHeight == 48);
    EXPECT_EQ(m_pixels.nOrientation, GetParam().nOrientation);
}
INSTANTIATE_TEST_SUITE_P(
    Files, QtPhotoTest,
    ::testing::Values(Made{"deep.png", ByQt("png", true, QImage::Format_RGBA64)},
                      Made{"grey.png", ByQt("png", false, QImage::Format_Grayscale8)},
                      Made{"indexed.png", ByQt("png", true, QImage::Format_Indexed8), "", 0x102030},
                      Made{"tiff-inside.png", ByQt("tiff", false)},
                      Made{"pages.tif", Tool("convert IN -alpha off IN OUT")},
                      Made{"frames.gif", Tool(kFrames + "OUT")},
                      Made{"frames.webp", Tool(kFrames + "OUT.gif && gif2webp OUT.gif -o OUT")},
                      Made{"mirrored.tif", Tool(kTagged + "2 OUT"), "", 0xFFFFFF, 2},
                      Made{"flipped-turned.tif", Tool(kTagged + "5 OUT"), "", 0xFFFFFF, 5},
                      Made{"turned.tif", Tool(kTagged + "8 OUT"), "", 0xFFFFFF, 8}));

// A thumbnail read reduces where the reader can; the image window's read
// fits its budget, reduced where the reader can, else is too large.
TEST_F(QtPhotoTest, ReducedTooLargeAndStoppedReads) {
    const struct {
        const char* pszFormat;
        std::uint32_t nMinSide, nBudget, nWidth, nHeight;  // 0 × 0: too large
    } reads[] = {{"png", 100, 1 << 20, 100, 75},   {"png", 1000, 1 << 20, 400, 300},
                 {"tiff", 100, 1 << 20, 400, 300}, {"webp", 100, 1 << 20, 400, 300},
                 {"png", 0, 30000, 115, 86},       {"tiff", 0, 30000, 0, 0},
                 {"tiff", 100, 30000, 0, 0}};
    for (const auto& r : reads) {
        const std::string strPath = Path(std::string("big.") + r.pszFormat);
        ASSERT_TRUE(Picture(false, 400, 300).save(QString::fromStdString(strPath), r.pszFormat));
        EXPECT_EQ(Read({strPath, r.nMinSide, r.nBudget, true}), r.nWidth != 0) << r.pszFormat;
        EXPECT_TRUE(m_context.messages.empty() && m_pixels.bTooLarge == (r.nWidth == 0));
        EXPECT_TRUE(m_pixels.bHeader && m_pixels.nFullWidth == 400 && m_pixels.nFullHeight == 300);
        EXPECT_EQ(m_pixels.nWidth * 1000 + m_pixels.nHeight, r.nWidth * 1000 + r.nHeight);
    }
    ExpectStopped({Path("big.png")});
}

using RefusesWithBox = QtPhotoTest;
TEST_P(RefusesWithBox, SayingWhy) {
    const std::string strPath = Path(GetParam().pszName);
    GetParam().make(strPath);
    PeakMemoryProbe memory;
    for (std::uint32_t nMinSide : {0u, 100u})
        ExpectRefused({strPath, nMinSide, PhotoRequest().nBudget, true},
                      {"%U" + std::string(GetParam().pszWhy)});
    EXPECT_TRUE(!memory.Available() || memory.GrowthMb() < 300) << memory.GrowthMb();
}
Maker Bytes(const std::string& strBytes) {
    return [strBytes](const std::string& p) { return WriteBytes(p, strBytes), true; };
}
const std::string kSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>";
// A GIF whose canvas is as large as its header can claim, around one pixel.
const std::string kHugeGif("GIF89a\xff\xff\xff\xff\0\0\0,\0\0\0\0\1\0\1\0\0\2\2\x44\1\0;", 27);
const char* kNotOurs = "It is not a PNG, GIF, TIFF or WebP picture.";
INSTANTIATE_TEST_SUITE_P(
    Files, RefusesWithBox,
    ::testing::Values(
        Made{"svg.png", Bytes(kSvg), kNotOurs}, Made{"jpeg.png", ByQt("jpeg", false), kNotOurs},
        Made{"huge.gif", Bytes(kHugeGif), "It is too large: 65535 x 65535 pixels."},
        Made{"cut.png", Tool("cp IN OUT && truncate -s 200 OUT"), "Unable to read image data"},
        Made{"fifo.png", Tool("mkfifo OUT"), "It is not a regular file."},
        Made{"missing.png", [](auto&) { return true; }, "No such file or directory"}));

// A file with an embedded profile, read with colour management on or off:
// on, what ImageMagick converts to sRGB; off, the file's own pixels.
TEST_F(QtPhotoTest, ConvertsProfilesToSrgbOnlyWhenAsked) {
    const struct {
        const char* pszFormat;
        QColorSpace::NamedColorSpace space;
        bool bManage;
    } files[] = {{"png", QColorSpace::AdobeRgb, true},   {"png", QColorSpace::AdobeRgb, false},
                 {"tiff", QColorSpace::DisplayP3, true}, {"webp", QColorSpace::ProPhotoRgb, true},
                 {"png", QColorSpace::SRgb, true},       {"jpeg", QColorSpace::AdobeRgb, true},
                 {"jpeg", QColorSpace::AdobeRgb, false}, {"jpeg", QColorSpace::DisplayP3, true}};
    const std::string strIcc = Path("srgb.icc");
    WriteBytes(strIcc, QColorSpace(QColorSpace::SRgb).iccProfile().toStdString());
    for (const auto& f : files) {
        const std::string strPath = Path(std::string("profiled.") + f.pszFormat);
        QImage image = Picture(false);
        image.setColorSpace(f.space);
        ASSERT_TRUE(image.save(QString::fromStdString(strPath), f.pszFormat));
        m_context.look.bColorManage = f.bManage;
        std::uint32_t w = 0, h = 0;
        const bool bJpeg = std::string(f.pszFormat) == "jpeg";
        const auto pJpeg = bJpeg ? ReadJpegRgb(strPath, w, h, 1, 1, m_context) : nullptr;
        ASSERT_TRUE(bJpeg || Read({strPath, 0, PhotoRequest().nBudget, true}));
        const ReferencePicture want =
            ReferenceDecode(strPath, 0xFFFFFF, f.bManage ? "-profile '" + strIcc + "'" : "");
        EXPECT_LE(MaxByteDifference(bJpeg ? pJpeg.get() : m_pixels.pPixels.get(), want, 64, 48), 2)
            << f.pszFormat << f.space << f.bManage;
    }
}

}  // namespace

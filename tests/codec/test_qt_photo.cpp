// SPDX-License-Identifier: MIT
// PNG, GIF, TIFF and WebP through ReadQtPhoto, and embedded colour profiles
// (also of JPEGs), held to ImageMagick's decode of files made here.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QColorSpace>
#include <QTemporaryDir>
#include <atomic>
#include <functional>

#include "codec/codec_fixtures.h"
#include "codec/jpeg_file.h"
#include "codec/photo_reader.h"
#include "codec/reference_decode.h"

namespace {

// Smooth ramps, so a colour conversion shows everywhere; alpha in bands.
QImage Picture(bool bAlpha, int w = 64, int h = 48) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 255 / w, y * 255 / h, 128, bAlpha ? x * 4 % 256 : 255));
    return image;
}
bool Save(const QImage& image, const std::string& strPath, const char* pszFormat) {
    return image.save(QString::fromStdString(strPath), pszFormat);
}
bool Tool(const std::string& strCommand) { return RunTool(strCommand); }
const std::string kIm = ImageMagick() + " -size 64x48 ";

using Maker = std::function<bool(const std::string&)>;
struct Made {
    const char* pszName;
    Maker make;
    std::uint32_t rgbBackground = 0xFFFFFF;
};
void PrintTo(const Made& m, std::ostream* pOut) { *pOut << m.pszName; }

class QtPhotoTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strName) const { return m_dir.filePath(QString::fromStdString(strName)).toStdString(); }
    bool Read(const std::string& strPath, PhotoRequest request = {}) {
        request.strPath = strPath;
        return ReadQtPhoto(request, m_pixels, m_context);
    }
    QString Box(const std::string& strPath, const QString& strWhy) const {
        return QString::fromLatin1(kPhotoUnreadableText).arg(QString::fromStdString(strPath), strWhy);
    }
    QTemporaryDir m_dir;
    CodecContext m_context;
    PhotoPixels m_pixels;
};

class ReadsLikeImageMagick : public QtPhotoTest, public ::testing::WithParamInterface<Made> {};

TEST_P(ReadsLikeImageMagick, WholePicture) {
    const std::string strPath = Path(GetParam().pszName);
    ASSERT_TRUE(GetParam().make(strPath));
    m_context.look.rgbBackground = GetParam().rgbBackground;
    ASSERT_TRUE(Read(strPath)) << m_context.messages.size();
    const ReferencePicture want = ReferenceDecode(strPath, GetParam().rgbBackground);
    EXPECT_LE(MaxByteDifference(m_pixels.pPixels.get(), want, int(m_pixels.nWidth), int(m_pixels.nHeight)), 2);
    EXPECT_TRUE(m_pixels.bHeader && m_pixels.nFullWidth == 64 && m_pixels.nFullHeight == 48);
}

const auto kTwoFrames = [](const std::string& p) {
    return Tool(kIm + "gradient:red-blue gradient:green-yellow -loop 0 '" + p + "'");
};
INSTANTIATE_TEST_SUITE_P(
    Files, ReadsLikeImageMagick,
    ::testing::Values(
        Made{"rgb.png", [](auto& p) { return Save(Picture(false), p, "png"); }},
        Made{"alpha.png", [](auto& p) { return Save(Picture(true), p, "png"); }, 0x336699},
        Made{"deep.png", [](auto& p) { return Save(Picture(true).convertToFormat(QImage::Format_RGBA64), p, "png"); }},
        Made{"grey.png", [](auto& p) { return Save(Picture(false).convertToFormat(QImage::Format_Grayscale8), p, "png"); }},
        Made{"indexed.png", [](auto& p) { return Save(Picture(true).convertToFormat(QImage::Format_Indexed8), p, "png"); }, 0x102030},
        Made{"tiff-inside.png", [](auto& p) { return Save(Picture(false), p, "tiff"); }},
        Made{"alpha.tif", [](auto& p) { return Save(Picture(true), p, "tiff"); }, 0x804020},
        Made{"pages.tif", [](auto& p) { return Save(Picture(false), p + "1", "tiff") && Save(Picture(true), p + "2", "tiff") &&
                                                  Tool("tiffcp '" + p + "1' '" + p + "2' '" + p + "'"); }},
        Made{"frames.gif", kTwoFrames},
        Made{"lossless.webp", [](auto& p) { return Save(Picture(true), p + ".png", "png") && Tool("cwebp -lossless -exact '" + p + ".png' -o '" + p + "'"); }},
        Made{"frames.webp", [](auto& p) { return kTwoFrames(p + ".gif") && Tool("gif2webp '" + p + ".gif' -o '" + p + "'"); }}),
    [](const auto& info) { return std::to_string(info.index); });

// A thumbnail read reduces where the reader can; the image window's read fits its budget.
struct Reduced {
    const char* pszFormat;
    std::uint32_t nMinSide;
    std::uint64_t nBudget;
    std::uint32_t nWidth, nHeight;  // 0: whatever fits the budget, in proportion
    bool bTooLarge;
};
void PrintTo(const Reduced& r, std::ostream* pOut) { *pOut << r.pszFormat << " " << r.nMinSide << " " << r.nBudget; }
class ReadsReduced : public QtPhotoTest, public ::testing::WithParamInterface<Reduced> {};

TEST_P(ReadsReduced, BySizeRule) {
    const Reduced r = GetParam();
    const std::string strPath = Path(std::string("big.") + r.pszFormat);
    ASSERT_TRUE(Save(Picture(false, 400, 300), strPath, r.pszFormat));
    PhotoRequest request;
    request.nMinSide = r.nMinSide;
    request.nBudget = r.nBudget;
    EXPECT_EQ(Read(strPath, request), !r.bTooLarge);
    EXPECT_TRUE(m_context.messages.empty());
    EXPECT_EQ(m_pixels.bTooLarge, r.bTooLarge);
    EXPECT_TRUE(m_pixels.bHeader && m_pixels.nFullWidth == 400 && m_pixels.nFullHeight == 300);
    const std::uint64_t nBytes = std::uint64_t(m_pixels.nWidth) * m_pixels.nHeight * 3;
    if (r.bTooLarge) {
        EXPECT_FALSE(m_pixels.pPixels);
    } else if (r.nWidth) {
        EXPECT_TRUE(m_pixels.nWidth == r.nWidth && m_pixels.nHeight == r.nHeight);
    } else {
        EXPECT_TRUE(nBytes <= r.nBudget && nBytes * 10 > r.nBudget * 9) << nBytes;
        EXPECT_NEAR(m_pixels.nWidth * 3.0, m_pixels.nHeight * 4.0, 4.0);
    }
}
INSTANTIATE_TEST_SUITE_P(Rules, ReadsReduced,
                         ::testing::Values(Reduced{"png", 100, 1 << 20, 100, 75, false},
                                           Reduced{"png", 1000, 1 << 20, 400, 300, false},
                                           Reduced{"tiff", 100, 1 << 20, 400, 300, false},
                                           Reduced{"webp", 100, 1 << 20, 400, 300, false},
                                           Reduced{"png", 0, 30000, 0, 0, false},
                                           Reduced{"tiff", 0, 30000, 0, 0, true},
                                           Reduced{"tiff", 100, 30000, 0, 0, true}));

// A PNG chunk: length, type, data and the CRC-32 over type and data.
std::string Chunk(const std::string& strType, const std::string& strData) {
    std::string str = strType + strData, strOut;
    std::uint32_t c = ~0u;
    for (const char ch : str) {
        c ^= std::uint8_t(ch);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    for (std::uint32_t n : {std::uint32_t(strData.size()), ~c})
        for (int s = 24; s >= 0; s -= 8) (n == ~c ? str : strOut) += char(n >> s);
    return strOut + str;
}
// A PNG claiming the size, whose pixel data is a few bytes of nothing.
std::string ForgedPng(std::uint32_t nWidth, std::uint32_t nHeight) {
    std::string strHeader;
    for (std::uint32_t n : {nWidth, nHeight})
        for (int s = 24; s >= 0; s -= 8) strHeader += char(n >> s);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", strHeader + std::string("\x08\x02\0\0\0", 5)) +
           Chunk("IDAT", std::string("\x78\x9c\x03\0", 4)) + Chunk("IEND", "");
}

struct Refused {
    const char* pszName;
    Maker make;
    const char* pszWhy;
};
void PrintTo(const Refused& r, std::ostream* pOut) { *pOut << r.pszName; }
class RefusesWithBox : public QtPhotoTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(RefusesWithBox, SayingWhy) {
    const std::string strPath = Path(GetParam().pszName);
    GetParam().make(strPath);
    PeakMemoryProbe memory;
    for (std::uint32_t nMinSide : {0u, 100u}) {
        m_context.messages.clear();
        PhotoRequest request;
        request.nMinSide = nMinSide;
        EXPECT_FALSE(Read(strPath, request));
        ASSERT_EQ(m_context.messages.size(), 1u);
        EXPECT_EQ(m_context.messages[0].text, Box(strPath, GetParam().pszWhy));
        EXPECT_FALSE(m_pixels.pPixels || m_pixels.bTooLarge);
    }
    if (memory.Available()) EXPECT_LT(memory.GrowthMb(), 300);
}
INSTANTIATE_TEST_SUITE_P(
    Files, RefusesWithBox,
    ::testing::Values(
        Refused{"svg.png", [](auto& p) { WriteBytes(p, "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>"); return true; },
                "It is not a PNG, GIF, TIFF or WebP picture."},
        Refused{"jpeg.png", [](auto& p) { return Save(Picture(false), p, "jpeg"); }, "It is not a PNG, GIF, TIFF or WebP picture."},
        Refused{"huge.gif", [](auto& p) { WriteBytes(p, std::string("GIF89a\xff\xff\xff\xff\0\0\0,\0\0\0\0\1\0\1\0\0\2\2\x44\1\0;", 27)); return true; },
                "Unable to read image data"},
        Refused{"huge.png", [](auto& p) { WriteBytes(p, ForgedPng(20000, 20000)); return true; }, "It is too large: 20000 x 20000 pixels."},
        Refused{"empty.png", [](auto& p) { WriteBytes(p, ForgedPng(7000, 7000)); return true; }, "Unable to read image data"},
        Refused{"cut.png", [](auto& p) {
                    const bool b = Save(Picture(true, 400, 300), p, "png");
                    const std::string str = ReadBytes(p);
                    WriteBytes(p, str.substr(0, str.size() / 2));
                    return b;
                }, "Unable to read image data"},
        Refused{"fifo.png", [](auto& p) { return ::mkfifo(p.c_str(), 0600) == 0; }, "It is not a regular file."},
        Refused{"missing.png", [](auto&) { return true; }, "No such file or directory"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(QtPhotoTest, AStoppedReadFailsQuietly) {
    const std::atomic<bool> stop{true};
    m_context.pStop = &stop;
    ASSERT_TRUE(Save(Picture(false), Path("a.png"), "png"));
    EXPECT_FALSE(Read(Path("a.png")));
    EXPECT_TRUE(m_context.messages.empty() && !m_pixels.pPixels);
}

class ReadsOrientation : public QtPhotoTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReadsOrientation, AsTaggedWithoutTurning) {
    const std::string strPath = Path("turned.tif");
    ASSERT_TRUE(Save(Picture(false), strPath, "tiff") &&
                Tool("tiffset -s 274 " + std::to_string(GetParam()) + " '" + strPath + "'"));
    PhotoRequest request;
    request.bOrientation = true;
    ASSERT_TRUE(Read(strPath, request));
    EXPECT_EQ(m_pixels.nOrientation, GetParam());
    EXPECT_EQ(MaxByteDifference(m_pixels.pPixels.get(), ReferenceDecode(strPath), 64, 48), 0);
    ASSERT_TRUE(Read(strPath));
    EXPECT_EQ(m_pixels.nOrientation, 1);
}
INSTANTIATE_TEST_SUITE_P(Tags, ReadsOrientation, ::testing::Range(1, 9));

// A file with an embedded profile, read with colour management on or off:
// on, what ImageMagick converts to sRGB; off, the file's own pixels.
struct Profiled {
    const char* pszFormat;
    QColorSpace::NamedColorSpace space;
    bool bManage;
};
void PrintTo(const Profiled& p, std::ostream* pOut) { *pOut << p.pszFormat << p.space << p.bManage; }
class ConvertsProfiles : public QtPhotoTest, public ::testing::WithParamInterface<Profiled> {};

TEST_P(ConvertsProfiles, ToSrgbOnlyWhenAsked) {
    const Profiled p = GetParam();
    const std::string strPath = Path(std::string("profiled.") + p.pszFormat), strIcc = Path("srgb.icc");
    QImage image = Picture(false);
    image.setColorSpace(p.space);
    ASSERT_TRUE(Save(image, strPath, p.pszFormat));
    WriteBytes(strIcc, QColorSpace(QColorSpace::SRgb).iccProfile().toStdString());
    const std::string strWant = p.bManage ? Path("want.png") : strPath;
    ASSERT_TRUE(!p.bManage || Tool(ImageMagick() + " '" + strPath + "' -profile '" + strIcc + "' '" + strWant + "'"));
    m_context.look.bColorManage = p.bManage;
    std::uint32_t nWidth = 0, nHeight = 0;
    const bool bJpeg = std::string(p.pszFormat) == "jpeg";
    const std::unique_ptr<std::uint8_t[]> pJpeg = bJpeg ? ReadJpegRgb(strPath, nWidth, nHeight, 1, 1, m_context) : nullptr;
    ASSERT_TRUE(bJpeg || Read(strPath));
    const std::uint8_t* pGot = bJpeg ? pJpeg.get() : m_pixels.pPixels.get();
    EXPECT_LE(MaxByteDifference(pGot, ReferenceDecode(strWant), 64, 48), 2);
}
INSTANTIATE_TEST_SUITE_P(Spaces, ConvertsProfiles,
                         ::testing::Values(Profiled{"png", QColorSpace::AdobeRgb, true}, Profiled{"png", QColorSpace::AdobeRgb, false},
                                           Profiled{"tiff", QColorSpace::DisplayP3, true}, Profiled{"webp", QColorSpace::ProPhotoRgb, true},
                                           Profiled{"png", QColorSpace::SRgb, true}, Profiled{"jpeg", QColorSpace::AdobeRgb, true},
                                           Profiled{"jpeg", QColorSpace::AdobeRgb, false}, Profiled{"jpeg", QColorSpace::DisplayP3, true}));

}  // namespace

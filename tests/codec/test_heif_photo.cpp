// SPDX-License-Identifier: MIT
// What ReadHeifPhoto does beyond a plain file (the embedded thumbnail, the
// container's rotation, colour, depth, the budget, refusals), on files made
// on the spot by heif-enc and avifenc.
#include <gtest/gtest.h>

#include <QColorSpace>

#include "codec/codec_fixtures.h"

namespace {

class HeifPhotoTest : public PhotoReaderTest<ReadHeifPhoto> {
protected:
    std::string Encode(const std::string& strCommand, const char* pszName,
                       const QImage& image = QuadrantImage(70, 46)) {
        EXPECT_TRUE(MakeWithTool(image, strCommand, Path(pszName))) << strCommand;
        return Path(pszName);
    }
    // Each of the pixel's components within n of want's.
    bool Near(int x, int y, Rgb want, int n) const {
        const std::uint8_t* p = m_pixels.pPixels.get() + (std::size_t(y) * m_pixels.nWidth + x) * 3;
        return std::abs(p[0] - want.r) <= n && std::abs(p[1] - want.g) <= n &&
               std::abs(p[2] - want.b) <= n;
    }
};

// The embedded thumbnail serves a thumbnail it covers; the image window and
// larger thumbnails get the primary image.
TEST_F(HeifPhotoTest, TakesTheEmbeddedThumbnailOnlyWhenItIsLargeEnough) {
    const std::string strFile =
        Encode("heif-enc -q 90 -t 32 IN -o OUT", "t.heic", QuadrantImage(96, 64));
    const std::tuple<std::uint32_t, bool, std::uint32_t> reads[] = {
        {16, false, 32}, {32, false, 32}, {33, false, 96}, {0, false, 96}, {16, true, 96}};
    for (const auto& [nMinSide, bView, nWidth] : reads) {
        ASSERT_TRUE(Read({strFile, nMinSide, 1 << 30, false, bView})) << nMinSide;
        EXPECT_EQ(m_pixels.nWidth, nWidth) << nMinSide << " " << bView;
        EXPECT_EQ(m_pixels.nFullWidth, 96u);
        EXPECT_TRUE(Near(int(nWidth) - 2, int(m_pixels.nHeight) - 2, {255, 255, 255}, 40));
    }
}

// The container's rotation and mirroring boxes come applied to the pixels,
// and nOrientation stays 1.
TEST_F(HeifPhotoTest, AppliesTheContainersRotationAndMirroring) {
    const struct {
        const char* pszBoxes;
        std::uint32_t w;
        Rgb topLeft, topRight;
    } cases[] = {{"", 64, {255, 0, 0}, {0, 255, 0}},
                 {"--imir 1", 64, {0, 255, 0}, {255, 0, 0}},
                 {"--irot 2", 64, {255, 255, 255}, {0, 0, 255}},
                 {"--irot 3", 48, {0, 0, 255}, {255, 0, 0}},
                 {"--irot 1", 48, {0, 255, 0}, {255, 255, 255}}};
    for (const auto& c : cases) {
        const std::string strCommand = "avifenc -s 10 --min 0 --max 8 " + std::string(c.pszBoxes);
        ASSERT_TRUE(Read({Encode(strCommand + " IN OUT", "t.avif", QuadrantImage(64, 48))}));
        EXPECT_TRUE(m_pixels.nFullWidth == c.w && m_pixels.nFullHeight == 112 - c.w &&
                    m_pixels.nOrientation == 1)
            << c.pszBoxes;
        EXPECT_TRUE(Near(4, 4, c.topLeft, 40)) << "top left " << c.pszBoxes;
        EXPECT_TRUE(Near(int(c.w) - 5, 4, c.topRight, 40)) << "top right " << c.pszBoxes;
    }
}

// An ICC profile or an nclx description other than sRGB is honoured only
// with colour management on; ten bits a sample come down to eight.
TEST_F(HeifPhotoTest, ConvertsDisplayP3ToSrgbWhenColourIsManaged) {
    // Display P3's (200, 100, 100) in sRGB, by the published matrix between the two.
    const Rgb flat{200, 100, 100}, managed{215, 93, 95};
    const struct {
        const char* pszName;
        const char* pszCommand;
        QColorSpace space;
        Rgb wanted;
    } cases[] = {{"srgb.heic", "heif-enc -q 100 IN -o OUT", {}, flat},
                 {"709.avif", "avifenc -s 10 --min 0 --max 0 --cicp 1/13/6 IN OUT", {}, flat},
                 {"p3.avif", "avifenc -s 10 --min 0 --max 0 --cicp 12/13/6 IN OUT", {}, managed},
                 {"p3.heic", "heif-enc -q 100 IN -o OUT", QColorSpace::DisplayP3, managed},
                 {"deep.avif", "avifenc -s 10 -d 10 --min 0 --max 0 IN OUT", {}, flat}};
    for (const auto& c : cases) {
        QImage image(32, 32, QImage::Format_RGB32);
        image.fill(QColor(200, 100, 100));
        image.setColorSpace(c.space);
        const std::string strFile = Encode(c.pszCommand, c.pszName, image);
        for (const bool bManage : {false, true}) {
            m_context.look.bColorManage = bManage;
            ASSERT_TRUE(Read({strFile}) && m_pixels.bHeader && m_context.messages.empty())
                << c.pszName;
            EXPECT_TRUE(Near(16, 16, bManage ? c.wanted : flat, 3)) << c.pszName << bManage;
        }
    }
}

// Files that cannot be read say why in a box and give no pixels; those too
// large for the budget or the decoder's memory give bTooLarge and say nothing;
// so does a stopped read.
TEST_F(HeifPhotoTest, RefusesBadFilesWithTheirReason) {
    const std::string strBytes = ReadBytes(Encode("heif-enc -q 50 IN -o OUT", "good.heic"));
    // Every image of the file, the coded one and the grid around it, claims the size.
    auto Ispe = [&](std::uint32_t nSide) {
        std::string str = strBytes;
        for (std::size_t i = str.find("ispe"); i != std::string::npos; i = str.find("ispe", i + 4))
            for (int k = 0; k < 8; ++k) str[i + 8 + k] = char(nSide >> (24 - 8 * (k % 4)));
        return str;
    };
    const struct {
        const char* pszName;
        std::string strBytes;
        const char* pszWhy;  // null: too large, no box
        std::uint64_t nBudget = 1 << 30;
    } cases[] = {
        {"text.heic", "This is not a picture.", "Invalid input: No 'ftyp' box"},
        {"empty.avif", "", "Invalid input: No 'ftyp' box"},
        {"cut-meta.heic", strBytes.substr(0, 200), "Invalid input: No 'meta' box"},
        // The position at the end depends on the encoder's layout.
        {"cut-data.heic", strBytes.substr(0, strBytes.size() - 20),
         "Invalid input: Unexpected end of file: Extent in iloc box references data outside of "
         "file bounds (points to file position "},
        {"huge.heic", Ispe(40000),
         "Memory allocation error: Security limit exceeded: Image size 40000x40000 exceeds the "
         "maximum image size 32768x32768"},
        {"large.heic", Ispe(30000), nullptr},
        {"budget.heic", strBytes, nullptr, 70 * 46 * 3 - 1},
        {"missing.heic", "", "The file cannot be opened."},
    };
    for (const auto& c : cases) {
        if (c.pszName != std::string("missing.heic")) WriteBytes(Path(c.pszName), c.strBytes);
        EXPECT_FALSE(Read({Path(c.pszName), 0, c.nBudget})) << c.pszName;
        EXPECT_TRUE(!m_pixels.pPixels && m_pixels.bTooLarge == !c.pszWhy) << c.pszName;
        ASSERT_EQ(m_context.messages.size(), c.pszWhy ? 1u : 0u) << c.pszName;
        const QString strWant = c.pszWhy ? Unreadable(Path(c.pszName), c.pszWhy) : QString();
        EXPECT_EQ(BoxTexts(m_context).join("").left(strWant.size()), strWant) << c.pszName;
    }
    ExpectStopped({Path("good.heic")});
    EXPECT_FALSE(m_pixels.bHeader);
}

}  // namespace

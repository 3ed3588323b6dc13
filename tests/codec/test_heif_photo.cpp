// SPDX-License-Identifier: MIT
// HEIF/HEIC and AVIF files made on the spot by heif-enc, avifenc and
// libheif's encoder, read through ReadHeifPhoto and held to libheif's own
// converter, to the picture they were made from, and to the boxes they say.
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <QColorSpace>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>

#include "codec/codec_fixtures.h"
#include "codec/photo_reader.h"
#include "codec/reference_decode.h"

namespace {

class HeifPhotoTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strName) const {
        return m_dir.path().toStdString() + "/" + strName;
    }
    // pszCommand's two %s: a PNG of the quadrant picture (its alpha falling
    // from left to right, or flat in colour) and the file to write.
    std::string Encode(const char* pszCommand, const char* pszName, bool bAlpha = false, int w = 70,
                       int h = 46, QColor flat = {}, QColorSpace space = {}) {
        QImage image = QuadrantImage(w, h).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w && (bAlpha || flat.isValid()); ++x)
                image.setPixel(x, y,
                               flat.isValid() ? flat.rgb()
                                              : (image.pixel(x, y) & 0xFFFFFFu) |
                                                    std::uint32_t(255 - 200 * x / w) << 24);
        if (!bAlpha) image = image.convertToFormat(QImage::Format_RGB32);
        image.setColorSpace(space);
        image.save(QString::fromStdString(Path("source.png")));
        char szCommand[512];
        std::snprintf(szCommand, sizeof szCommand, pszCommand, Path("source.png").c_str(),
                      Path(pszName).c_str());
        EXPECT_TRUE(RunTool(szCommand)) << szCommand;
        return Path(pszName);
    }
    bool Read(const std::string& strPath, std::uint32_t nMinSide = 0, bool bView = false,
              std::uint64_t nBudget = 1 << 30) {
        m_pixels = PhotoPixels{};
        m_context.messages.clear();
        return ReadHeifPhoto({strPath, nMinSide, nBudget, false, bView}, m_pixels, m_context);
    }
    void ExpectPixel(int x, int y, Rgb want, int nTolerance, const std::string& strWhere) const {
        const std::uint8_t* p = m_pixels.pPixels.get() + (std::size_t(y) * m_pixels.nWidth + x) * 3;
        EXPECT_NEAR(p[0], want.r, nTolerance) << strWhere;
        EXPECT_NEAR(p[1], want.g, nTolerance) << strWhere;
        EXPECT_NEAR(p[2], want.b, nTolerance) << strWhere;
    }

    QTemporaryDir m_dir;
    PhotoPixels m_pixels;
    CodecContext m_context;
};

struct ReferenceCase {
    const char* pszName;
    const char* pszCommand;
    bool bAlpha;
    std::uint32_t rgbBackground;
};
void PrintTo(const ReferenceCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class HeifReferenceTest : public HeifPhotoTest,
                          public ::testing::WithParamInterface<ReferenceCase> {};

TEST_P(HeifReferenceTest, MatchesLibheifsConverter) {
    const ReferenceCase& c = GetParam();
    const std::string strFile = Encode(c.pszCommand, c.pszName, c.bAlpha);
    m_context.look.rgbBackground = c.rgbBackground;
    ASSERT_TRUE(Read(strFile));
    EXPECT_TRUE(m_pixels.bHeader && m_pixels.nOrientation == 1 && m_context.messages.empty());
    EXPECT_EQ(m_pixels.nFullWidth * 1000 + m_pixels.nFullHeight, 70046u);
    // heif-convert's PNG put over the background by ImageMagick: ImageMagick 6
    // reads these files as YCbCr by rules of its own (alpha ones wrongly).
    ASSERT_TRUE(RunTool("heif-convert " + strFile + " " + strFile + ".png"));
    const ReferencePicture reference = ReferenceDecode(strFile + ".png", c.rgbBackground);
    const int w = int(m_pixels.nWidth), h = int(m_pixels.nHeight);
    EXPECT_LE(MeanByteDifference(m_pixels.pPixels.get(), reference, w, h), 1.0);
    EXPECT_LE(MaxByteDifference(m_pixels.pPixels.get(), reference, w, h), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, HeifReferenceTest,
    ::testing::Values(
        ReferenceCase{"photo.heic", "heif-enc -q 90 %s -o %s", false, 0xFFFFFF},
        ReferenceCase{"alpha.heic", "heif-enc -q 90 %s -o %s", true, 0x336699},
        ReferenceCase{"photo.avif", "avifenc -s 10 --min 0 --max 8 %s %s", false, 0},
        ReferenceCase{"deep.avif", "avifenc -s 10 -d 10 --min 0 --max 8 %s %s", false, 0},
        ReferenceCase{"alpha.avif", "avifenc -s 10 --min 0 --max 8 %s %s", true, 0xFF00}),
    [](const auto& info) {
        std::string strName = info.param.pszName;
        return strName.replace(strName.find('.'), 1, "_");
    });

// The embedded thumbnail serves a thumbnail it covers; the image window and
// larger thumbnails get the primary image.
TEST_F(HeifPhotoTest, TakesTheEmbeddedThumbnailOnlyWhenItIsLargeEnough) {
    const std::string strFile = Encode("heif-enc -q 90 -t 32 %s -o %s", "t.heic", false, 96, 64);
    for (const auto& [nMinSide, bView, nWidth] : {std::tuple{16u, false, 32u},
                                                  {32u, false, 32u},
                                                  {33u, false, 96u},
                                                  {0u, false, 96u},
                                                  {16u, true, 96u}}) {
        ASSERT_TRUE(Read(strFile, nMinSide, bView)) << nMinSide;
        EXPECT_EQ(m_pixels.nWidth, nWidth) << nMinSide << " " << bView;
        EXPECT_EQ(m_pixels.nFullWidth, 96u);
        ExpectPixel(int(nWidth) - 2, int(m_pixels.nHeight) - 2, {255, 255, 255}, 40, "white");
    }
}

// libheif's encoder writes the orientation as rotation and mirroring boxes;
// the pixels come with them applied and nOrientation stays 1.
TEST_F(HeifPhotoTest, AppliesTheContainersRotationAndMirroring) {
    const struct {
        heif_orientation orientation;
        std::uint32_t w;
        Rgb topLeft, topRight;
    } cases[] = {{heif_orientation_normal, 64, {255, 0, 0}, {0, 255, 0}},
                 {heif_orientation_flip_horizontally, 64, {0, 255, 0}, {255, 0, 0}},
                 {heif_orientation_rotate_180, 64, {255, 255, 255}, {0, 0, 255}},
                 {heif_orientation_rotate_90_cw, 48, {0, 0, 255}, {255, 0, 0}},
                 {heif_orientation_rotate_270_cw, 48, {0, 255, 0}, {255, 255, 255}}};
    const std::vector<std::uint8_t> vRgb = QuadrantPixels(64, 48);
    for (const auto& c : cases) {
        heif_image* pImage = nullptr;
        heif_image_create(64, 48, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &pImage);
        heif_image_add_plane(pImage, heif_channel_interleaved, 64, 48, 8);
        int nStride = 0;
        std::uint8_t* pPlane = heif_image_get_plane(pImage, heif_channel_interleaved, &nStride);
        for (int y = 0; y < 48; ++y) std::copy_n(&vRgb[y * 64 * 3], 64 * 3, pPlane + y * nStride);
        heif_context* pContext = heif_context_alloc();
        heif_encoder* pEncoder = nullptr;
        heif_context_get_encoder_for_format(pContext, heif_compression_HEVC, &pEncoder);
        heif_encoding_options* pOptions = heif_encoding_options_alloc();
        pOptions->image_orientation = c.orientation;
        heif_context_encode_image(pContext, pImage, pEncoder, pOptions, nullptr);
        EXPECT_EQ(heif_context_write_to_file(pContext, Path("t.heic").c_str()).code, heif_error_Ok);
        heif_encoding_options_free(pOptions), heif_encoder_release(pEncoder);
        heif_image_release(pImage), heif_context_free(pContext);

        ASSERT_TRUE(Read(Path("t.heic"))) << c.orientation;
        EXPECT_EQ(m_pixels.nFullWidth + m_pixels.nFullHeight, 112u);
        EXPECT_EQ(m_pixels.nFullWidth, c.w);
        EXPECT_EQ(m_pixels.nOrientation, 1);
        ExpectPixel(4, 4, c.topLeft, 40, "top left " + std::to_string(c.orientation));
        ExpectPixel(int(c.w) - 5, 4, c.topRight, 40, "top right " + std::to_string(c.orientation));
    }
}

// An ICC profile or an nclx description other than sRGB is honoured only
// with colour management on.
TEST_F(HeifPhotoTest, ConvertsDisplayP3ToSrgbWhenColourIsManaged) {
    // Display P3's (200, 100, 100) in sRGB, by the published matrix between the two.
    const Rgb flat{200, 100, 100}, managed{215, 93, 95};
    const QColorSpace p3(QColorSpace::DisplayP3);
    const struct {
        const char* pszName;
        const char* pszCommand;
        QColorSpace space;
        Rgb wanted;
    } cases[] = {{"srgb.heic", "heif-enc -q 100 %s -o %s", {}, flat},
                 {"709.avif", "avifenc -s 10 --min 0 --max 0 --cicp 1/13/6 %s %s", {}, flat},
                 {"p3.avif", "avifenc -s 10 --min 0 --max 0 --cicp 12/13/6 %s %s", {}, managed},
                 {"p3.heic", "heif-enc -q 100 %s -o %s", p3, managed}};
    for (const auto& c : cases) {
        const std::string strFile =
            Encode(c.pszCommand, c.pszName, false, 32, 32, QColor(200, 100, 100), c.space);
        for (const bool bManage : {false, true}) {
            m_context.look.bColorManage = bManage;
            ASSERT_TRUE(Read(strFile)) << c.pszName;
            ExpectPixel(16, 16, bManage ? c.wanted : flat, 3, c.pszName + std::to_string(bManage));
        }
    }
}

// Files that cannot be read say why in a box and give no pixels; those too
// large for the budget or the decoder's memory give bTooLarge and say nothing.
TEST_F(HeifPhotoTest, RefusesBadFilesWithTheirReason) {
    const std::string strBytes = ReadBytes(Encode("heif-enc -q 50 %s -o %s", "good.heic"));
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
        EXPECT_FALSE(Read(Path(c.pszName), 0, false, c.nBudget)) << c.pszName;
        EXPECT_FALSE(m_pixels.pPixels) << c.pszName;
        EXPECT_EQ(m_pixels.bTooLarge, c.pszWhy == nullptr) << c.pszName;
        ASSERT_EQ(m_context.messages.size(), c.pszWhy ? 1u : 0u) << c.pszName;
        if (!c.pszWhy) continue;
        const QString strWant = QString::fromLatin1(kPhotoUnreadableText)
                                    .arg(QString::fromStdString(Path(c.pszName)), c.pszWhy);
        EXPECT_EQ(m_context.messages[0].text.left(strWant.size()), strWant) << c.pszName;
    }
}

TEST_F(HeifPhotoTest, AStoppedReadSaysNothing) {
    const std::string strFile = Encode("heif-enc -q 50 %s -o %s", "photo.heic");
    const std::atomic<bool> bStop{true};
    m_context.pStop = &bStop;
    EXPECT_FALSE(Read(strFile));
    EXPECT_FALSE(m_pixels.pPixels || m_pixels.bHeader || !m_context.messages.empty());
}

}  // namespace

// SPDX-License-Identifier: MIT
// What ReadHeifPhoto does beyond a plain file (depth, the embedded thumbnail,
// the container's rotation, colour, the budget, refusals), on files made on
// the spot by heif-enc, avifenc and libheif's encoder.
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <QColorSpace>

#include "codec/codec_fixtures.h"
#include "codec/reference_decode.h"

namespace {

class HeifPhotoTest : public PhotoReaderTest<ReadHeifPhoto> {
protected:
    std::string Encode(const char* pszCommand, const char* pszName,
                       const QImage& image = QuadrantImage(70, 46)) {
        EXPECT_TRUE(MakeWithTool(image, pszCommand, Path(pszName))) << pszCommand;
        return Path(pszName);
    }
    // Each of the pixel's components within n of want's.
    bool Near(int x, int y, Rgb want, int n) const {
        const std::uint8_t* p = m_pixels.pPixels.get() + (std::size_t(y) * m_pixels.nWidth + x) * 3;
        return std::abs(p[0] - want.r) <= n && std::abs(p[1] - want.g) <= n &&
               std::abs(p[2] - want.b) <= n;
    }
};

// Ten bits a sample come down to eight as libheif's converter brings them;
// its PNG is read by ImageMagick, as ImageMagick 6 reads AVIF by rules of its own.
TEST_F(HeifPhotoTest, TenBitsMatchLibheifsConverter) {
    const std::string strFile = Encode("avifenc -s 10 -d 10 --min 0 --max 8 IN OUT", "deep.avif");
    ASSERT_TRUE(Read({strFile}));
    EXPECT_TRUE(m_pixels.bHeader && m_pixels.nOrientation == 1 && m_context.messages.empty());
    EXPECT_EQ(m_pixels.nFullWidth * 1000 + m_pixels.nFullHeight, 70046u);
    ASSERT_TRUE(RunTool("heif-convert " + strFile + " " + strFile + ".out.png"));
    const ReferencePicture reference = ReferenceDecode(strFile + ".out.png");
    EXPECT_LE(MeanByteDifference(m_pixels.pPixels.get(), reference, 70, 46), 1.0);
    EXPECT_LE(MaxByteDifference(m_pixels.pPixels.get(), reference, 70, 46), 2);
}

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

        ASSERT_TRUE(Read({Path("t.heic")})) << c.orientation;
        EXPECT_TRUE(m_pixels.nFullWidth == c.w && m_pixels.nFullHeight == 112 - c.w &&
                    m_pixels.nOrientation == 1);
        EXPECT_TRUE(Near(4, 4, c.topLeft, 40)) << "top left " << c.orientation;
        EXPECT_TRUE(Near(int(c.w) - 5, 4, c.topRight, 40)) << "top right " << c.orientation;
    }
}

// An ICC profile or an nclx description other than sRGB is honoured only
// with colour management on.
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
                 {"p3.heic", "heif-enc -q 100 IN -o OUT", QColorSpace::DisplayP3, managed}};
    for (const auto& c : cases) {
        QImage image(32, 32, QImage::Format_RGB32);
        image.fill(QColor(200, 100, 100));
        image.setColorSpace(c.space);
        const std::string strFile = Encode(c.pszCommand, c.pszName, image);
        for (const bool bManage : {false, true}) {
            m_context.look.bColorManage = bManage;
            ASSERT_TRUE(Read({strFile})) << c.pszName;
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

// SPDX-License-Identifier: MIT
// HEIF/HEIC and AVIF files made on the spot by heif-enc, avifenc and
// libheif's encoder, read through ReadHeifPhoto and held to ImageMagick's
// decode, to the picture they were made from, and to the boxes they must say.
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <QColorSpace>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>

#include "codec/codec_fixtures.h"
#include "codec/heif_photo_color.h"
#include "codec/photo_reader.h"
#include "codec/reference_decode.h"

namespace {

class HeifPhotoTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strName) const {
        return m_dir.path().toStdString() + "/" + strName;
    }
    // The quadrant picture as a PNG, its alpha falling from left to right.
    std::string Source(int w, int h, bool bAlpha, const QColorSpace& space = {}) const {
        QImage image = QuadrantImage(w, h).convertToFormat(bAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; bAlpha && y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, (image.pixel(x, y) & 0xFFFFFFu) | std::uint32_t(255 - 200 * x / w) << 24);
        if (space.isValid()) image.setColorSpace(space);
        const std::string strPath = Path(bAlpha ? "alpha.png" : "source.png");
        image.save(QString::fromStdString(strPath));
        return strPath;
    }
    bool Read(const std::string& strPath, PhotoRequest request = {}) {
        request.strPath = strPath;
        m_pixels = PhotoPixels{};
        return ReadHeifPhoto(request, m_pixels, m_context);
    }
    Rgb At(int x, int y) const {
        const std::uint8_t* p = m_pixels.pPixels.get() + (std::size_t(y) * m_pixels.nWidth + x) * 3;
        return {p[0], p[1], p[2]};
    }
    // pszCommand: a command line whose two %s are the source and the file to write.
    static bool Encode(const char* pszCommand, const std::string& strSource, const std::string& strFile) {
        char szCommand[512];
        std::snprintf(szCommand, sizeof szCommand, pszCommand, strSource.c_str(), strFile.c_str());
        return RunTool(szCommand);
    }
    QString Box(const std::string& strPath, const char* pszWhy) const {
        return QString::fromLatin1(kPhotoUnreadableText).arg(QString::fromStdString(strPath), pszWhy);
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

class HeifReferenceTest : public HeifPhotoTest, public ::testing::WithParamInterface<ReferenceCase> {};

TEST_P(HeifReferenceTest, MatchesLibheifsConverter) {
    const ReferenceCase& c = GetParam();
    const std::string strFile = Path(c.pszName);
    ASSERT_TRUE(Encode(c.pszCommand, Source(70, 46, c.bAlpha), strFile));
    m_context.look.rgbBackground = c.rgbBackground;
    ASSERT_TRUE(Read(strFile));
    EXPECT_TRUE(m_pixels.bHeader);
    EXPECT_EQ(m_pixels.nFullWidth, 70u);
    EXPECT_EQ(m_pixels.nFullHeight, 46u);
    EXPECT_EQ(m_pixels.nOrientation, 1);
    // libheif's own converter, its PNG put over the background by ImageMagick:
    // ImageMagick 6 reads these files as YCbCr and converts them by rules of
    // its own, which differ by tens of levels at every sharp edge.
    ASSERT_TRUE(RunTool("heif-convert " + strFile + " " + strFile + ".png"));
    const ReferencePicture reference = ReferenceDecode(strFile + ".png", c.rgbBackground);
    const int w = int(m_pixels.nWidth), h = int(m_pixels.nHeight);
    EXPECT_LE(MeanByteDifference(m_pixels.pPixels.get(), reference, w, h), 1.0);
    EXPECT_LE(MaxByteDifference(m_pixels.pPixels.get(), reference, w, h), 2);
    EXPECT_TRUE(m_context.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, HeifReferenceTest,
    ::testing::Values(
        ReferenceCase{"photo.heic", "heif-enc -q 90 %s -o %s", false, 0xFFFFFF},
        ReferenceCase{"alpha.heic", "heif-enc -q 90 %s -o %s", true, 0x336699},
        ReferenceCase{"photo.avif", "avifenc -s 10 --min 0 --max 8 %s %s", false, 0xFFFFFF},
        ReferenceCase{"deep.avif", "avifenc -s 10 -d 10 --min 0 --max 8 %s %s", false, 0},
        ReferenceCase{"alpha.avif", "avifenc -s 10 --min 0 --max 8 %s %s", true, 0x00FF00}),
    [](const auto& info) {
        std::string strName = info.param.pszName;
        return strName.replace(strName.find('.'), 1, "_");
    });

// An embedded thumbnail serves a thumbnail that it covers; the image window
// and larger thumbnails get the primary image.
TEST_F(HeifPhotoTest, TakesTheEmbeddedThumbnailOnlyWhenItIsLargeEnough) {
    const std::string strFile = Path("thumb.heic");
    ASSERT_TRUE(RunTool("heif-enc -q 90 -t 32 " + Source(96, 64, false) + " -o " + strFile));
    struct {
        std::uint32_t nMinSide;
        bool bView;
        std::uint32_t nWidth;
    } const cases[] = {{16, false, 32}, {32, false, 32}, {33, false, 96}, {0, false, 96}, {16, true, 96}};
    for (const auto& c : cases) {
        PhotoRequest request;
        request.nMinSide = c.nMinSide;
        request.bView = c.bView;
        ASSERT_TRUE(Read(strFile, request)) << c.nMinSide;
        EXPECT_EQ(m_pixels.nWidth, c.nWidth) << c.nMinSide << " " << c.bView;
        EXPECT_EQ(m_pixels.nFullWidth, 96u);
        const Rgb corner = At(int(m_pixels.nWidth) - 2, int(m_pixels.nHeight) - 2);
        EXPECT_GT(corner.r + corner.g + corner.b, 3 * 200) << "the white quadrant";
    }
}

// libheif's encoder writes the orientation as rotation and mirroring boxes,
// which the pixels come with; nOrientation stays 1.
TEST_F(HeifPhotoTest, AppliesTheContainersRotationAndMirroring) {
    const struct {
        heif_orientation orientation;
        std::uint32_t w, h;
        Rgb topLeft, topRight;
    } cases[] = {{heif_orientation_normal, 64, 48, {255, 0, 0}, {0, 255, 0}},
                 {heif_orientation_flip_horizontally, 64, 48, {0, 255, 0}, {255, 0, 0}},
                 {heif_orientation_rotate_180, 64, 48, {255, 255, 255}, {0, 0, 255}},
                 {heif_orientation_rotate_90_cw, 48, 64, {0, 0, 255}, {255, 0, 0}},
                 {heif_orientation_rotate_270_cw, 48, 64, {0, 255, 0}, {255, 255, 255}}};
    const std::vector<std::uint8_t> vRgb = QuadrantPixels(64, 48);
    for (const auto& c : cases) {
        heif_image* pImage = nullptr;
        heif_image_create(64, 48, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &pImage);
        heif_image_add_plane(pImage, heif_channel_interleaved, 64, 48, 8);
        int nStride = 0;
        std::uint8_t* pPlane = heif_image_get_plane(pImage, heif_channel_interleaved, &nStride);
        for (int y = 0; y < 48; ++y) std::copy_n(&vRgb[std::size_t(y) * 64 * 3], 64 * 3, pPlane + y * nStride);
        heif_context* pContext = heif_context_alloc();
        heif_encoder* pEncoder = nullptr;
        heif_context_get_encoder_for_format(pContext, heif_compression_HEVC, &pEncoder);
        heif_encoder_set_lossy_quality(pEncoder, 95);
        heif_encoding_options* pOptions = heif_encoding_options_alloc();
        pOptions->image_orientation = c.orientation;
        heif_context_encode_image(pContext, pImage, pEncoder, pOptions, nullptr);
        const std::string strFile = Path("turned.heic");
        const heif_error error = heif_context_write_to_file(pContext, strFile.c_str());
        heif_encoding_options_free(pOptions), heif_encoder_release(pEncoder);
        heif_image_release(pImage), heif_context_free(pContext);
        ASSERT_EQ(error.code, heif_error_Ok);

        ASSERT_TRUE(Read(strFile)) << c.orientation;
        EXPECT_EQ(m_pixels.nFullWidth, c.w);
        EXPECT_EQ(m_pixels.nFullHeight, c.h);
        EXPECT_EQ(m_pixels.nOrientation, 1);
        for (const auto& [x, want] : {std::pair{4, c.topLeft}, std::pair{int(c.w) - 5, c.topRight}}) {
            const Rgb got = At(x, 4);
            EXPECT_NEAR(got.r, want.r, 40) << c.orientation << " at " << x;
            EXPECT_NEAR(got.g, want.g, 40) << c.orientation << " at " << x;
            EXPECT_NEAR(got.b, want.b, 40) << c.orientation << " at " << x;
        }
    }
}

// Display P3's (200, 100, 100) in sRGB, by the published matrix between the two.
Rgb P3InSrgb(Rgb p3) {
    auto Linear = [](int v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    auto Encoded = [](double c) {
        c = std::clamp(c, 0.0, 1.0);
        return int(std::lround(255 * (c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055)));
    };
    const double r = Linear(p3.r), g = Linear(p3.g), b = Linear(p3.b);
    return {Encoded(1.2249 * r - 0.2247 * g), Encoded(-0.0420 * r + 1.0419 * g),
            Encoded(-0.0197 * r - 0.0786 * g + 1.0979 * b)};
}

// An ICC profile or an nclx description other than sRGB is honoured only
// with colour management on.
TEST_F(HeifPhotoTest, ConvertsDisplayP3ToSrgbWhenColourIsManaged) {
    heif_color_profile_nclx p3{};
    p3.color_primaries = heif_color_primaries_SMPTE_EG_432_1;
    p3.transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    p3.color_primary_red_x = 0.680f, p3.color_primary_red_y = 0.320f;
    p3.color_primary_green_x = 0.265f, p3.color_primary_green_y = 0.690f;
    p3.color_primary_blue_x = 0.150f, p3.color_primary_blue_y = 0.060f;
    p3.color_primary_white_x = 0.3127f, p3.color_primary_white_y = 0.3290f;
    const std::vector<std::uint8_t> vIcc = HeifNclxProfile(p3);
    ASSERT_FALSE(vIcc.empty());
    const QColorSpace iccP3 = QColorSpace::fromIccProfile(
        QByteArray(reinterpret_cast<const char*>(vIcc.data()), qsizetype(vIcc.size())));
    const Rgb flat{200, 100, 100}, managed = P3InSrgb(flat);
    const struct {
        const char* pszName;
        const char* pszEncoder;
        bool bIcc;
        Rgb wanted;
    } cases[] = {{"srgb.heic", "heif-enc -q 100 %s -o %s", false, flat},
                 {"nclx-709.avif", "avifenc -s 10 --min 0 --max 0 --cicp 1/13/6 %s %s", false, flat},
                 {"nclx-p3.avif", "avifenc -s 10 --min 0 --max 0 --cicp 12/13/6 %s %s", false, managed},
                 {"icc-p3.heic", "heif-enc -q 100 %s -o %s", true, managed}};
    for (const auto& c : cases) {
        QImage flatImage(32, 32, QImage::Format_RGB32);
        flatImage.fill(QColor(flat.r, flat.g, flat.b));
        if (c.bIcc) flatImage.setColorSpace(iccP3);
        const std::string strSource = Path("flat.png"), strFile = Path(c.pszName);
        ASSERT_TRUE(flatImage.save(QString::fromStdString(strSource)));
        ASSERT_TRUE(Encode(c.pszEncoder, strSource, strFile));
        for (const bool bManage : {false, true}) {
            m_context.look.bColorManage = bManage;
            ASSERT_TRUE(Read(strFile)) << c.pszName;
            const Rgb got = At(16, 16), want = bManage ? c.wanted : flat;
            EXPECT_NEAR(got.r, want.r, 3) << c.pszName << " managed " << bManage;
            EXPECT_NEAR(got.g, want.g, 3) << c.pszName << " managed " << bManage;
            EXPECT_NEAR(got.b, want.b, 3) << c.pszName << " managed " << bManage;
        }
    }
}

// Files that cannot be read say why in a box and give no pixels; those too
// large for the budget or the decoder's memory give bTooLarge and say nothing.
TEST_F(HeifPhotoTest, RefusesBadFilesWithTheirReason) {
    const std::string strGood = Path("good.heic");
    ASSERT_TRUE(RunTool("heif-enc -q 50 " + Source(64, 48, false) + " -o " + strGood));
    const std::string strBytes = ReadBytes(strGood);
    // Every image of the file, the coded one and what wraps it, claims the size.
    auto Ispe = [&](std::uint32_t nSide) {
        std::string strForged = strBytes;
        for (std::size_t i = strForged.find("ispe"); i != std::string::npos; i = strForged.find("ispe", i + 4))
            for (int k = 0; k < 8; ++k) strForged[i + 8 + k] = char(nSide >> (24 - 8 * (k % 4)));
        return strForged;
    };
    const struct {
        const char* pszName;
        std::string strBytes;
        const char* pszWhy;  // null: too large, no box
        std::uint64_t nBudget;
    } cases[] = {
        {"text.heic", "This is not a picture.", "Invalid input: No 'ftyp' box", 1 << 30},
        {"empty.avif", "", "Invalid input: No 'ftyp' box", 1 << 30},
        {"cut-meta.heic", strBytes.substr(0, 200), "Invalid input: No 'meta' box", 1 << 30},
        {"cut-data.heic", strBytes.substr(0, strBytes.size() - 20),
         "Invalid input: Unexpected end of file: Extent in iloc box references data outside of "
         "file bounds (points to file position ", 1 << 30},
        {"huge.heic", Ispe(40000), "Memory allocation error: Security limit exceeded: Image size "
         "40000x40000 exceeds the maximum image size 32768x32768", 1 << 30},
        {"large.heic", Ispe(30000), nullptr, 1 << 30},
        {"budget.heic", strBytes, nullptr, 64 * 48 * 3 - 1},
    };
    for (const auto& c : cases) {
        WriteBytes(Path(c.pszName), c.strBytes);
        m_context.messages.clear();
        PhotoRequest request;
        request.nBudget = c.nBudget;
        EXPECT_FALSE(Read(Path(c.pszName), request)) << c.pszName;
        EXPECT_FALSE(m_pixels.pPixels) << c.pszName;
        EXPECT_EQ(m_pixels.bTooLarge, c.pszWhy == nullptr) << c.pszName;
        ASSERT_EQ(m_context.messages.size(), c.pszWhy ? 1u : 0u) << c.pszName;
        if (c.pszWhy) {
            // The end of libheif's words about a cut file depends on the encoder's layout.
            const QString strWant = Box(Path(c.pszName), c.pszWhy);
            EXPECT_EQ(m_context.messages[0].text.left(strWant.size()), strWant) << c.pszName;
        }
    }
    EXPECT_FALSE(Read(Path("missing.heic")));
    ASSERT_EQ(m_context.messages.size(), 1u);
    EXPECT_EQ(m_context.messages[0].text, Box(Path("missing.heic"), "The file cannot be opened."));
}

TEST_F(HeifPhotoTest, AStoppedReadSaysNothing) {
    const std::string strFile = Path("photo.heic");
    ASSERT_TRUE(RunTool("heif-enc -q 50 " + Source(64, 48, false) + " -o " + strFile));
    const std::atomic<bool> bStop{true};
    m_context.pStop = &bStop;
    EXPECT_FALSE(Read(strFile));
    EXPECT_FALSE(m_pixels.pPixels);
    EXPECT_TRUE(m_context.messages.empty());
}

}  // namespace

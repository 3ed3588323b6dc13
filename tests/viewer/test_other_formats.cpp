// SPDX-License-Identifier: MIT
// A folder of every other format, as the scan finds it, the grid makes its
// thumbnails and the image window shows it, held to ImageMagick's decode.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "browser/catalogue/folder_scan.h"
#include "codec/codec_fixtures.h"
#include "codec/display_bitmap.h"
#include "dng_writer.h"
#include "viewer/view_decode.h"

namespace {

// A smooth picture, its top-left quadrant transparent where the format has
// an alpha channel.
QImage TestPicture(bool bAlpha) {
    QImage image(320, 240, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int a = bAlpha && x < 160 && y < 120 ? 0 : 255;
            image.setPixel(x, y, qRgba(x * 255 / 319, y * 255 / 239, 96, a));
        }
    return image;
}

struct FormatCase {
    const char* pszName;
    ImageKind nKind;
    bool bAlpha;
    const char* pszTool;  // makes the file from a PNG of the picture (MakeWithTool)
};

void PrintTo(const FormatCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class OtherFormats : public ::testing::TestWithParam<FormatCase> {
protected:
    // The case's file in the folder, and the file holding what Galerio is to
    // show of it: a raw file's preview, and for HEIF libheif's own tool's
    // decode, as ImageMagick 6 takes its colours by rules of its own.
    std::string MakeFile(std::string& strReference) {
        const FormatCase& c = GetParam();
        const std::string strMade = m_sources.path().toStdString() + "/" + c.pszName;
        strReference = strMade;
        if (c.nKind == IMAGE_RAW) {
            strReference += ".jpg";
            EXPECT_TRUE(TestPicture(false).save(QString::fromStdString(strReference), "jpg", 95));
            WriteBytes(strMade, MakeDng({.strPreviewJpeg = ReadBytes(strReference),
                                         .nPreviewWidth = 320, .nPreviewHeight = 240}));
        } else {
            EXPECT_TRUE(MakeWithTool(TestPicture(c.bAlpha), c.pszTool, strMade)) << c.pszTool;
        }
        if (c.nKind == IMAGE_HEIF) {
            strReference += ".decoded.png";
            EXPECT_TRUE(RunTool("heif-convert '" + strMade + "' '" + strReference + "'"));
        }
        const std::string strPath = m_dir.path().toStdString() + "/" + c.pszName;
        EXPECT_EQ(std::rename(strMade.c_str(), strPath.c_str()), 0);
        if (strReference == strMade) strReference = strPath;
        return strPath;
    }

    // Display rows (bottom-up, blue-green-red, padded) as packed RGB, top-down.
    static std::vector<std::uint8_t> PackedRgb(const std::uint8_t* pBits, int w, int h) {
        std::vector<std::uint8_t> v;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgb c = DisplayPixel(pBits, w, h, x, y);
                v.insert(v.end(), {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b)});
            }
        return v;
    }

    QTemporaryDir m_dir, m_sources;
};

TEST_P(OtherFormats, GridAndWindowShowThePicturesOwnPixels) {
    const FormatCase& c = GetParam();
    std::string strReference;
    const std::string strPath = MakeFile(strReference);
    constexpr std::uint32_t kGrid = 0x204060, kWindow = 0xF0E0D0;

    // Found by the scan only with the other formats asked for.
    ImageList list;
    ScanOptions scan;
    scan.m_bExtraFormats = true;
    ScanFolder(m_dir.path().toStdString(), scan, list, {});
    ASSERT_EQ(list.size(), 1u);
    ImageItem& item = *list.front();
    EXPECT_EQ(item.m_nKind, c.nKind);

    CodecContext context;
    context.look.rgbBackground = kGrid;
    ASSERT_TRUE(BuildOrientedThumbnail(item, 103, 100, false, context));
    EXPECT_TRUE(context.messages.empty());
    EXPECT_EQ(item.m_nImageWidth, 320u);
    EXPECT_EQ(item.m_nImageHeight, 240u);
    ASSERT_EQ(item.m_nThumbWidth, 100);
    ASSERT_EQ(item.m_nThumbHeight, 75);
    const ReferencePicture thumbRef = ReferenceDecode(strReference, kGrid, "-scale 100x75!");
    const std::vector<std::uint8_t> vThumb = PackedRgb(item.m_pBits.get(), 100, 75);
    EXPECT_LE(MeanByteDifference(vThumb.data(), thumbRef, 100, 75), 2.0);

    ViewRequest request;
    request.strPath = strPath;
    request.nKind = item.m_nKind;
    request.rgbBackground = kWindow;
    const ViewBitmap bitmap = DecodeViewBitmapAhead(request, context);
    EXPECT_TRUE(context.messages.empty());
    ASSERT_TRUE(bitmap.pRows);
    ASSERT_EQ(bitmap.nWidth, 320u);
    ASSERT_EQ(bitmap.nHeight, 240u);
    const std::vector<std::uint8_t> vView = PackedRgb(bitmap.pRows.get(), 320, 240);
    EXPECT_LE(MeanByteDifference(vView.data(), ReferenceDecode(strReference, kWindow), 320, 240),
              2.0);
}

INSTANTIATE_TEST_SUITE_P(
    Each, OtherFormats,
    ::testing::Values(FormatCase{"photo.png", IMAGE_QIMAGE, true, "cp IN OUT"},
                      FormatCase{"photo.gif", IMAGE_QIMAGE, true, "convert IN OUT"},
                      FormatCase{"photo.tif", IMAGE_QIMAGE, true, "convert IN OUT"},
                      FormatCase{"photo.TIFF", IMAGE_QIMAGE, false, "convert IN -compress lzw OUT"},
                      FormatCase{"photo.webp", IMAGE_QIMAGE, true, "cwebp -quiet -lossless IN -o OUT"},
                      FormatCase{"photo.heic", IMAGE_HEIF, true, "heif-enc -q 90 IN -o OUT"},
                      FormatCase{"photo.avif", IMAGE_HEIF, true, "avifenc -l IN OUT"},
                      FormatCase{"photo.DNG", IMAGE_RAW, false, nullptr}));

}  // namespace

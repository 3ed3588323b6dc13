// SPDX-License-Identifier: MIT
// The grid on a screen with two device pixels to a pixel: thumbnails made
// and painted at device pixels, and kept apart from ratio-1 ones on disk.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "browser/catalogue/grid_layout.h"
#include "browser/catalogue/thumb_cache.h"
#include "browser/galerio_view.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_config.h"
#include "support/view_probe.h"
#include "view_test_helpers.h"

namespace {

// Read by Qt when the application object is made, after static set-up.
const bool g_bScaled = [] { return setenv("QT_SCALE_FACTOR", "2", 1) == 0; }();

// Black and white columns nStripe pixels wide: at the right density every
// thumbnail column is one of them, pixel-doubled or blurred ones are not.
QImage Stripes(int w, int h, int nStripe) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            image.setPixel(x, y, (x / nStripe) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

struct DenseCase {
    const char* pszName;
    int nWidth, nHeight, nStripe;
    const char* pszDim;  // as at ratio 1
    int nBitsWidth, nBitsHeight;
};

class DenseGrid : public ::testing::TestWithParam<DenseCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(g_bScaled);
        m_strFolder = m_config.WorkDir();
        const DenseCase& c = GetParam();
        const QImage image = Stripes(c.nWidth, c.nHeight, c.nStripe);
        const std::string strPath = m_strFolder + "/" + c.pszName;
        if (strPath.ends_with(".bmp"))
            ASSERT_TRUE(image.save(QString::fromStdString(strPath), "BMP"));
        std::vector<std::uint8_t> rgb;  // packed rows for the encoder
        for (int y = 0; y < c.nHeight; ++y)
            rgb.insert(rgb.end(), image.constScanLine(y), image.constScanLine(y) + c.nWidth * 3);
        if (!strPath.ends_with(".bmp"))
            ASSERT_TRUE(JpegFile::WriteJpegFile(strPath, rgb.data(), c.nWidth, c.nHeight, 100));
        // No caption reaches into the thumbnail.
        bool bCreated = false;
        ASSERT_TRUE(m_store.OpenProductKey("Galerio", bCreated));
        ASSERT_TRUE(m_store.PutInt(kSectionSettings, kShowFileName, 0));
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        m_pView->resize(400, 300);
    }

    TempConfig m_config;
    SettingsStore m_store;
    RecordingHost m_host;
    std::string m_strFolder;
    std::unique_ptr<CGalerioView> m_pView;
};

TEST_P(DenseGrid, ThumbnailHoldsDevicePixelsAndPaintsThemOneToOne) {
    const DenseCase& c = GetParam();
    ASSERT_DOUBLE_EQ(m_pView->devicePixelRatioF(), 2.0);
    m_pView->StartSearch(m_strFolder);
    ASSERT_TRUE(PumpUntil([this] { return m_pView->IsIdle(); }));
    ASSERT_EQ(m_pView->Catalogue().size(), 1u);
    const ImageItem& item = *m_pView->Catalogue().front();
    // Captions, cell and details speak of the thumbnail as at ratio 1.
    EXPECT_EQ(item.m_strDim, c.pszDim);
    EXPECT_EQ(item.BitsWidth(), c.nBitsWidth);
    EXPECT_EQ(item.BitsHeight(), c.nBitsHeight);
    ASSERT_TRUE(item.m_pBits);

    const QImage shot = m_pView->viewport()->grab().toImage();
    ASSERT_EQ(shot.width(), 2 * m_pView->viewport()->width());
    const ThumbOffset off = GridThumbOffset(103, item.m_nThumbWidth, item.m_nThumbHeight);
    const int w = item.BitsWidth(), h = item.BitsHeight();
    const bool bOneToOne = w == 2 * item.m_nThumbWidth && h == 2 * item.m_nThumbHeight;
    for (int y = 0; bOneToOne && y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p =
                item.m_pBits.get() + std::size_t(h - 1 - y) * DisplayStride(w) + x * 3;
            ASSERT_EQ(shot.pixel(2 * off.dx + x, 2 * off.dy + y), qRgb(p[2], p[1], p[0]))
                << x << "," << y;
        }
    // Each row column is one of the photo's stripes, so nothing was blurred.
    const int nPerColumn = c.nWidth / w;
    for (int x = 0; nPerColumn == c.nStripe && x < w; ++x)
        EXPECT_NEAR(qGray(shot.pixel(2 * off.dx + x, 2 * off.dy + h / 2)), x % 2 ? 255 : 0, 24)
            << x;
}

INSTANTIATE_TEST_SUITE_P(
    Photos, DenseGrid,
    ::testing::Values(DenseCase{"a.bmp", 400, 300, 2, "100 x 75", 200, 150},
                      DenseCase{"b.jpg", 1600, 1200, 8, "100 x 75", 200, 150},
                      DenseCase{"c.jpg", 1601, 1199, 8, "100 x 74", 200, 148},
                      DenseCase{"d.bmp", 150, 120, 3, "100 x 80", 150, 120}));

// A record made for one density is never taken for the other, even when it
// is found at the other's name.
TEST_P(DenseGrid, CacheKeepsEachRatioApart) {
    const DenseCase& c = GetParam();
    const ThumbCache cache(m_strFolder + "/cache");
    ImageItem dense, plain;
    dense.m_strPath = plain.m_strPath = m_strFolder + "/" + c.pszName;
    dense.m_nKind = plain.m_nKind = c.pszName[2] == 'b' ? IMAGE_BMP : IMAGE_JPEG;
    ASSERT_TRUE(BuildThumbnailCached(cache, dense, 103, 100, nullptr, false, nullptr, 2.0));
    const auto keyDense = MakeThumbKey(dense, 103, 100, false, 2.0);
    const auto keyPlain = MakeThumbKey(plain, 103, 100, false, 1.0);
    ASSERT_TRUE(keyDense && keyPlain);
    EXPECT_TRUE(cache.RecordPath(*keyPlain).ends_with("-103-100"));
    EXPECT_TRUE(cache.RecordPath(*keyDense).ends_with("-103-100-2000"));
    std::filesystem::copy_file(cache.RecordPath(*keyDense), cache.RecordPath(*keyPlain));
    EXPECT_FALSE(cache.Load(plain, *keyPlain));

    ASSERT_TRUE(BuildThumbnailCached(cache, plain, 103, 100, nullptr, false, nullptr, 1.0));
    EXPECT_EQ(plain.m_strDim, dense.m_strDim);
    EXPECT_EQ(plain.m_nBitsWidth, 0);
    ImageItem again;
    again.m_strPath = plain.m_strPath;
    again.m_nKind = plain.m_nKind;
    ASSERT_TRUE(cache.Load(again, *keyDense));
    EXPECT_EQ(again.BitsWidth(), c.nBitsWidth);
    std::filesystem::copy_file(cache.RecordPath(*keyPlain), cache.RecordPath(*keyDense),
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_FALSE(cache.Load(again, *keyDense));
}

}  // namespace

// SPDX-License-Identifier: MIT
// A screen of two device pixels to a pixel: grid and image window are sharp.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "browser/catalogue/grid_layout.h"
#include "browser/catalogue/thumb_cache.h"
#include "browser/galerio_view.h"
#include "browser/view_test_helpers.h"
#include "codec/codec_fixtures.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_config.h"
#include "viewer/image_win.h"
#include "viewer/scroll_vu.h"

const bool g_bScaled = setenv("QT_SCALE_FACTOR", "2", 1) == 0;  // read as Qt starts
class DenseScreen : public ::testing::Test {
protected:
    void SetUp() override {
        bool bCreated = false;
        ASSERT_TRUE(g_bScaled && m_store.OpenProductKey("Galerio", bCreated));
        m_store.PutInt(kSectionSettings, kShowFileName, 0);  // no caption over a picture
        m_pGrid = std::make_unique<CGalerioView>(m_store, &m_host);
        m_pGrid->resize(400, 300);
    }
    // A .bmp of black and white columns 2 pixels wide, else a JPEG.
    ImageItem Photo(const char* pszName, int w, int h) const {
        ImageItem item;
        item.m_strPath = m_config.WorkDir() + "/" + pszName;
        item.m_nKind = item.m_strPath.ends_with(".bmp") ? IMAGE_BMP : IMAGE_JPEG;
        item.m_nImageWidth = std::uint32_t(w);
        item.m_nImageHeight = std::uint32_t(h);
        QImage stripes(w, h, QImage::Format_RGB32);
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y) stripes.setPixel(x, y, x / 2 % 2 ? ~0u : 0);
        if (item.m_nKind == IMAGE_BMP) stripes.save(QString::fromStdString(item.m_strPath));
        if (item.m_nKind == IMAGE_JPEG) WriteQuadrantJpeg(m_config.WorkDir(), pszName, w, h);
        return item;
    }
    TempConfig m_config;
    SettingsStore m_store;
    RecordingHost m_host;
    std::unique_ptr<CGalerioView> m_pGrid;
};
struct DenseCase {
    const char* pszName;
    int nWidth, nHeight;
    const char* pszDim;  // as at ratio 1
    int nBitsWidth, nBitsHeight;
};
class DenseGrid : public DenseScreen, public ::testing::WithParamInterface<DenseCase> {};

TEST_P(DenseGrid, ThumbnailHoldsDevicePixelsPaintedOneToOneAndCachedByRatio) {
    const DenseCase& c = GetParam();
    ImageItem photo = Photo(c.pszName, c.nWidth, c.nHeight);
    m_pGrid->StartSearch(m_config.WorkDir());
    ASSERT_TRUE(PumpUntil([this] { return m_pGrid->IsIdle(); }));
    const ImageItem& item = *m_pGrid->Catalogue().at(0);
    EXPECT_EQ(item.m_strDim, c.pszDim);
    const int w = item.BitsWidth(), h = item.BitsHeight();
    ASSERT_EQ(QSize(w, h), QSize(c.nBitsWidth, c.nBitsHeight));
    const QImage shot = m_pGrid->viewport()->grab().toImage();
    const ThumbOffset off = GridThumbOffset(103, item.m_nThumbWidth, item.m_nThumbHeight);
    // Each device pixel shows one of the photo's columns: nothing is blurred.
    for (int y = 0; c.nWidth == 2 * w && y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(qGray(shot.pixel(2 * off.dx + x, 2 * off.dy + y)), x % 2 ? 255 : 0) << x;
    // The run kept a ratio-2 record; ratio 1 never takes it, even at its name.
    const ThumbCache cache;
    const auto dense = MakeThumbKey(photo, 103, 100, false, 2.0),
               plain = MakeThumbKey(photo, 103, 100);
    EXPECT_TRUE(cache.Load(photo, *dense) && photo.BitsWidth() == w);
    std::filesystem::copy_file(cache.RecordPath(*dense), cache.RecordPath(*plain));
    EXPECT_FALSE(cache.Load(photo, *plain));
}

INSTANTIATE_TEST_SUITE_P(Photos, DenseGrid,
                         ::testing::Values(DenseCase{"a.bmp", 400, 300, "100 x 75", 200, 150},
                                           DenseCase{"b.jpg", 1601, 1199, "100 x 74", 200, 148},
                                           DenseCase{"c.bmp", 150, 120, "100 x 80", 150, 120}));

// Unfitted, fitted and zoomed to 100 %, photo pixels are device pixels.
TEST_F(DenseScreen, ImageWindowShowsThePhotoPixelForPixel) {
    CImageWin::SetWorkAreaOverride(QSize(800, 600));
    const ImageItem item = Photo("p.bmp", 300, 200);
    for (const auto& [bFit, nKey] : {std::pair{false, 0}, {true, 0}, {true, int(Qt::Key_1)}}) {
        auto pWin = std::make_unique<CImageWin>(m_pGrid.get(), nullptr);
        ASSERT_TRUE(pWin->OpenImage(item, false, bFit) && QTest::qWaitForWindowExposed(pWin.get()));
        if (nKey) QTest::keyClick(pWin->View(), Qt::Key(nKey));
        EXPECT_EQ(pWin->View()->viewport()->size(), QSize(150, 100)) << bFit << nKey;
        const QImage shot = pWin->View()->viewport()->grab().toImage();
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(qGray(shot.pixel(x, 100)), x / 2 % 2 ? 255 : 0) << bFit << nKey << " " << x;
    }
}

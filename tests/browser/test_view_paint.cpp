// SPDX-License-Identifier: MIT
// The painted grid, checked pixel by pixel, with scroll sizes, hit-testing,
// printing and the settings the view reads for it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "browser/find_files_dlg.h"
#include "browser/galerio_view.h"
#include "paint_fixtures.h"
#include "platform/popup_menu.h"
#include "platform/print_dialog.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/click_entry.h"
#include "support/temp_config.h"
#include "support/view_probe.h"
#include "view_test_helpers.h"

namespace {

constexpr int kBackRef = 0x00604020;  // red 0x20, green 0x40, blue 0x60
constexpr int kTextRef = 0x0000FFFF;  // yellow
constexpr QRgb kJunk = 0xFFFF00FF;    // what a pixel holds before painting
const QRgb kBack = qRgb(0x20, 0x40, 0x60);
const QRgb kText = qRgb(0xFF, 0xFF, 0x00);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);

class ViewPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        bool bCreated = false;
        ASSERT_TRUE(m_store.OpenProductKey("Galerio", bCreated));
        Put(kColorCheck, "0");
        Put(kBackColor, std::to_string(kBackRef));
        Put(kTextColor, std::to_string(kTextRef));
        // Captions off unless a test turns them on: the name is on by default.
        Put(kShowFileName, "0");
    }

    void Put(const char* name, const std::string& value) {
        ASSERT_TRUE(m_store.PutString(kSectionSettings, name, value));
    }

    // A shown view whose client area is cx x cy (less any scroll bar).
    CGalerioView& MakeView(int cx, int cy) {
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        const int nFrame = 2 * m_pView->frameWidth();
        m_pView->resize(cx + nFrame, cy + nFrame);
        m_pView->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_pView.get()));
        m_pView->OnInitialUpdate();
        return *m_pView;
    }

    void AddItems(const std::vector<QSize>& sizes) {
        for (const QSize& size : sizes) {
            const int nIndex = static_cast<int>(m_pView->Catalogue().size());
            ViewProbe::Catalogue(*m_pView).push_back(
                PaintMakeItem(nIndex, size.width(), size.height()));
        }
        m_pView->SetScrolls(false);
    }

    void AddItems(int n, QSize size) { AddItems(std::vector<QSize>(n, size)); }

    // OnDraw straight onto an image of the client size, unscrolled.
    QImage RenderDirect(const QRect& rcUpdate = QRect()) {
        QImage image(m_pView->viewport()->size(), QImage::Format_RGB32);
        image.fill(kJunk);
        QPainter dc(&image);
        ViewProbe::OnDraw(*m_pView, dc, rcUpdate.isNull() ? image.rect() : rcUpdate);
        return image;
    }

    // The widget's own paint, at its current scroll position.
    QImage RenderWidget() {
        return m_pView->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    QPoint ScrollPos() const {
        return {m_pView->horizontalScrollBar()->value(), m_pView->verticalScrollBar()->value()};
    }

    TempConfig m_config;
    SettingsStore m_store;
    PaintHostRecorder m_host;
    std::unique_ptr<CGalerioView> m_pView;
};

// What the grid shows at a document point with captions off: the cell's
// selection frame, its black bottom and right lines, the centred thumbnail,
// background everywhere else.
QRgb ExpectedPixel(const CGalerioView& view, int x, int y) {
    const int P = view.Settings().m_nPitch;
    const int nCols = ViewProbe::Cols(view);
    if (x < 0 || y < 0 || x >= nCols * P) return kBack;
    const std::size_t i = static_cast<std::size_t>(y / P) * nCols + x / P;
    if (i >= view.Catalogue().size()) return kBack;
    const ImageItem& item = *view.Catalogue()[i];
    const int lx = x % P;
    const int ly = y % P;
    if (view.Selected() == &item && lx <= P - 2 && ly <= P - 2 &&
        (lx == 0 || ly == 0 || lx == P - 2 || ly == P - 2))
        return kRed;
    if (lx == P - 1 || ly == P - 1) return kBlack;
    const int w = item.m_nThumbWidth;
    const int h = item.m_nThumbHeight;
    const int dx = (P - w) / 2;
    const int dy = (P - h) / 2;
    if (item.m_pBits && lx >= dx && lx < dx + w && ly >= dy && ly < dy + h)
        return PaintThumbColour(static_cast<int>(i), lx - dx, ly - dy);
    return kBack;
}

::testing::AssertionResult MatchesGrid(const QImage& image, const CGalerioView& view,
                                       QPoint ptScroll) {
    int nWrong = 0;
    QString first;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = ExpectedPixel(view, x + ptScroll.x(), y + ptScroll.y());
            const QRgb got = image.pixel(x, y) | 0xFF000000;
            if (got == want) continue;
            if (nWrong++ < 5)
                first += QString::asprintf(" (%d,%d) got %08x want %08x;", x + ptScroll.x(),
                                           y + ptScroll.y(), got, want);
        }
    }
    if (nWrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << nWrong << " wrong pixels:" << first.toStdString();
}

struct GridCase {
    const char* name;
    bool bWidget;
    int nSelected;
    std::vector<QSize> sizes;
};

std::ostream& operator<<(std::ostream& os, const GridCase& c) { return os << c.name; }

class GridRenderTest : public ViewPaintTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(GridRenderTest, EveryPixelIsCellThumbnailLineFrameOrBackground) {
    const GridCase& c = GetParam();
    CGalerioView& view = MakeView(500, 400);
    AddItems(c.sizes);
    if (c.nSelected >= 0) ClickEntry(view, c.nSelected);
    const QImage image = c.bWidget ? RenderWidget() : RenderDirect();
    EXPECT_TRUE(MatchesGrid(image, view, QPoint(0, 0)));
}

const QSize kPhoto(100, 75);

INSTANTIATE_TEST_SUITE_P(
    Grids, GridRenderTest,
    ::testing::Values(
        GridCase{"DirectTenPhotos", false, -1, std::vector<QSize>(10, kPhoto)},
        GridCase{"WidgetTenPhotosSixthSelected", true, 5, std::vector<QSize>(10, kPhoto)},
        GridCase{"WidgetFullRowsLastSelected", true, 7, std::vector<QSize>(8, kPhoto)},
        // Portrait, small, odd widths (row padding), one pixel, no pixels at
        // all, a full square and one wider than the thumbnail square.
        GridCase{"DirectMixedSizes",
                 false,
                 2,
                 {{100, 75},
                  {75, 100},
                  {90, 60},
                  {33, 17},
                  {1, 1},
                  {0, 0},
                  {100, 100},
                  {101, 3},
                  {5, 99}}},
        GridCase{"DirectEmptyCatalogue", false, -1, {}}),
    [](const ::testing::TestParamInfo<GridCase>& info) { return std::string(info.param.name); });

TEST_F(ViewPaintTest, PhotoSitsAtOneFourteenTheRightWayUp) {
    MakeView(500, 400);
    AddItems(1, kPhoto);
    const QImage image = RenderWidget();
    // Top-left and bottom-right pixels of the picture; the rows differ, so an
    // upside-down copy fails here.
    EXPECT_EQ(image.pixel(1, 14) | 0xFF000000, PaintThumbColour(0, 0, 0));
    EXPECT_EQ(image.pixel(100, 88) | 0xFF000000, PaintThumbColour(0, 99, 74));
    EXPECT_EQ(image.pixel(0, 14) | 0xFF000000, kBack);
    EXPECT_EQ(image.pixel(1, 13) | 0xFF000000, kBack);
    EXPECT_EQ(image.pixel(1, 89) | 0xFF000000, kBack);
}

TEST_F(ViewPaintTest, OnlyBackgroundAndNoHitsWhileARunIsInProgress) {
    CGalerioView& view = MakeView(500, 400);
    AddItems(10, kPhoto);
    RenderDirect();
    ViewProbe::Catalogue(view).push_back(PaintMakeItem(10, 100, 75));
    // A real run over the catalogue, kept at its first entry.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> nBuilt{0};
    view.SetThumbnailBuilder([&](ImageItem&, int, int, CodecContext&) {
        if (nBuilt++ == 0) released.wait();
        return true;  // the pixels stay as they were
    });
    ViewProbe::StartProcessing(view);
    ASSERT_NE(view.FindDlg(), nullptr);

    const QImage during = RenderWidget();
    for (int y = 0; y < during.height(); ++y)
        for (int x = 0; x < during.width(); ++x)
            ASSERT_EQ(during.pixel(x, y) | 0xFF000000, kBack) << x << "," << y;
    EXPECT_EQ(ViewProbe::HitTest(view, QPoint(10, 10)), nullptr);
    // The workers own the catalogue: not even the cells are renewed.
    EXPECT_TRUE(view.Catalogue()[10]->m_rcCell.IsEmpty());

    release.set_value();
    ASSERT_TRUE(PumpUntil([&] { return view.IsIdle(); }));
    EXPECT_EQ(nBuilt.load(), 11);
    EXPECT_TRUE(MatchesGrid(RenderDirect(), view, QPoint(0, 0)));
    EXPECT_EQ(ViewProbe::HitTest(view, QPoint(10, 10)), view.Catalogue()[0].get());
}

TEST_F(ViewPaintTest, ScrolledLongCataloguePaintsOnlyWhatIsShown) {
    CGalerioView& view = MakeView(500, 400);
    AddItems(600, kPhoto);
    QScrollBar* pV = view.verticalScrollBar();
    ASSERT_GT(pV->maximum(), 10000);
    // Off a row boundary, so rows are cut at the top and bottom.
    pV->setValue(pV->maximum() / 2 + 37);
    ASSERT_EQ(pV->value(), pV->maximum() / 2 + 37);
    const QImage image = RenderWidget();
    EXPECT_TRUE(MatchesGrid(image, view, ScrollPos()));

    // Only the visible rows (and one on each side for captions) were copied
    // for painting; a paint that touched every entry would have made 600.
    const int nVisibleRows = view.viewport()->height() / view.Settings().m_nPitch + 2;
    EXPECT_LE(ViewProbe::ThumbCacheSize(view),
              static_cast<std::size_t>((nVisibleRows + 2) * ViewProbe::Cols(view)));
    // Yet every entry's cell is known for hit-testing.
    const CellRect& last = view.Catalogue().back()->m_rcCell;
    EXPECT_EQ(last.bottom, ViewProbe::Rows(view) * view.Settings().m_nPitch);
}

struct BandCase {
    const char* name;
    QRect rcUpdate;
    int nPitch = 103;
};

std::ostream& operator<<(std::ostream& os, const BandCase& c) { return os << c.name; }

class PartialRepaintTest : public ViewPaintTest, public ::testing::WithParamInterface<BandCase> {};

// Captions spill out of their cells; a repaint of part of the view must give
// exactly what a full paint gives there, and leave the rest alone.
TEST_P(PartialRepaintTest, MatchesFullPaintInsideAndTouchesNothingOutside) {
    for (const char* name : {kShowDim, kShowFileSize, kShowFileName, kShowFileDate}) Put(name, "1");
    Put(kPitch, std::to_string(GetParam().nPitch));
    CGalerioView& view = MakeView(500, 400);
    // Thumbnails are made to fit their cells; only captions spill.
    const int nSide = GetParam().nPitch - 3;
    AddItems(GetParam().nPitch < 50 ? 300 : 11, QSize(std::min(60, nSide), std::min(40, nSide)));
    for (auto& pItem : view.Catalogue()) {
        pItem->m_strName = "a_rather_long_file_name_that_runs_on";
        pItem->m_strSize = "1234567890123 KB";
        pItem->m_strDim = "60 x 40";
        pItem->m_strDate = "12/31/2020 11:59";
    }
    ClickEntry(view, 5);
    const QImage full = RenderDirect();
    const QRect rc = GetParam().rcUpdate;
    const QImage part = RenderDirect(rc);
    int nWrong = 0;
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x) {
            const QRgb want = rc.contains(x, y) ? full.pixel(x, y) : kJunk;
            if (part.pixel(x, y) != want && nWrong++ < 3)
                ADD_FAILURE() << "pixel " << x << "," << y;
        }
    EXPECT_EQ(nWrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Bands, PartialRepaintTest,
                         ::testing::Values(BandCase{"MiddleBand", QRect(0, 150, 500, 60)},
                                           BandCase{"OneCell", QRect(103, 103, 103, 103)},
                                           BandCase{"AcrossARowLine", QRect(50, 95, 300, 20)},
                                           BandCase{"StripRightOfTheGrid", QRect(412, 0, 88, 309)},
                                           BandCase{"OnePixelRow", QRect(0, 205, 500, 1)},
                                           BandCase{"BelowTheGrid", QRect(0, 300, 500, 100)},
                                           // Cells lower than the caption font: captions reach
                                           // several rows up and down.
                                           BandCase{"SmallPitch", QRect(0, 60, 500, 12), 12},
                                           BandCase{"TinyPitch", QRect(20, 33, 200, 7), 6}),
                         [](const ::testing::TestParamInfo<BandCase>& info) {
                             return std::string(info.param.name);
                         });

// Bounding box of caption ink (anything not background) inside a region.
QRect InkBox(const QImage& image, const QRect& region, bool* pbExactTextColour) {
    QRect box;
    *pbExactTextColour = false;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000;
            if (c == kBack) continue;
            box |= QRect(x, y, 1, 1);
            if (c == kText) *pbExactTextColour = true;
        }
    return box;
}

TEST_F(ViewPaintTest, CaptionsSitTwoPixelsInFromTheirCorners) {
    for (const char* name : {kShowDim, kShowFileSize, kShowFileName, kShowFileDate}) Put(name, "1");
    CGalerioView& view = MakeView(500, 400);
    AddItems(3, QSize(20, 20));
    ImageItem& item = *view.Catalogue()[1];
    item.m_strDim = "20 x 20";
    item.m_strSize = "12KB";
    item.m_strName = "IMG";
    item.m_strDate = "1/2/2020";
    const QImage image = RenderWidget();

    const int P = view.Settings().m_nPitch;
    const int x = P;  // the middle cell: neighbours' captions stay out of its corners
    const int fontHeight = QFontMetrics(ViewProbe::Font(view), &image).height();
    // The four corners, clear of the 20 x 20 thumbnail in the middle and of
    // the black lines.
    const int half = P / 2 - 12;
    struct Corner {
        const char* name;
        QRect region;
    };
    const Corner corners[] = {{"dimensions", QRect(x, 0, half, half)},
                              {"size", QRect(x + P - 1 - half, 0, half, half)},
                              {"name", QRect(x, P - 1 - half, half, half)},
                              {"date", QRect(x + P - 1 - half, P - 1 - half, half, half)}};
    QRect boxes[4];
    for (int k = 0; k < 4; ++k) {
        bool bText = false;
        boxes[k] = InkBox(image, corners[k].region, &bText);
        ASSERT_FALSE(boxes[k].isEmpty()) << corners[k].name;
        EXPECT_TRUE(bText) << corners[k].name << " is not in the text colour";
    }
    // Left and top captions start right at the 2-pixel inset (a glyph's ink
    // may begin a little later, never sooner).
    EXPECT_GE(boxes[0].left(), x + 2);
    EXPECT_LE(boxes[0].left(), x + 4);
    EXPECT_GE(boxes[0].top(), 2);
    EXPECT_LE(boxes[0].top(), 2 + fontHeight / 3);
    EXPECT_GE(boxes[2].left(), x + 2);
    EXPECT_LE(boxes[2].left(), x + 4);
    // Right captions end before x + P - 2, bottom ones above y + P - 2.
    EXPECT_LE(boxes[1].right(), x + P - 3);
    EXPECT_GE(boxes[1].right(), x + P - 6);
    EXPECT_GE(boxes[1].top(), 2);
    EXPECT_LE(boxes[1].top(), 2 + fontHeight / 3);
    EXPECT_LE(boxes[3].right(), x + P - 3);
    EXPECT_GE(boxes[3].right(), x + P - 6);
    for (int k : {2, 3}) {
        EXPECT_LE(boxes[k].bottom(), P - 3) << corners[k].name;
        EXPECT_GE(boxes[k].bottom(), P - 2 - fontHeight / 2) << corners[k].name;
    }
}

TEST_F(ViewPaintTest, CaptionsAreNeitherClippedNorShortened) {
    Put(kShowFileName, "1");
    Put(kShowFileSize, "1");
    CGalerioView& view = MakeView(500, 400);
    AddItems(8, QSize(20, 20));
    ASSERT_EQ(ViewProbe::Cols(view), 4);
    for (auto& pItem : view.Catalogue()) pItem->m_strSize = "";
    // The last entry of the first row: its name runs on past the grid.
    view.Catalogue()[3]->m_strName = "a_very_long_name_that_goes_past_its_cell";
    // The second entry's size runs back over the first cell.
    view.Catalogue()[1]->m_strSize = "123456789012345678 bytes";
    const QImage image = RenderWidget();
    const int P = view.Settings().m_nPitch;

    bool bText = false;
    const QRect strip =
        InkBox(image, QRect(4 * P, P / 2, image.width() - 4 * P, P / 2 - 2), &bText);
    EXPECT_TRUE(bText);
    EXPECT_GT(strip.right(), 4 * P + 40) << "the name was cut off";
    const QRect spill = InkBox(image, QRect(0, 0, P - 1, 30), &bText);
    EXPECT_TRUE(bText);
    EXPECT_LT(spill.left(), P / 2) << "the size caption was cut off";
}

TEST_F(ViewPaintTest, NewPixelsShowAfterARebuildOrAnInvalidatedCache) {
    CGalerioView& view = MakeView(500, 400);
    AddItems(2, kPhoto);
    RenderWidget();
    // A run gives the entry a new buffer: the old copy must not be shown.
    auto pOther = PaintMakeItem(7, 100, 75);
    view.Catalogue()[0]->m_pBits = std::move(pOther->m_pBits);
    EXPECT_EQ(RenderWidget().pixel(1, 14) | 0xFF000000, PaintThumbColour(7, 0, 0));
    // Pixels rewritten in the same buffer show once the catalogue is declared changed.
    PaintRefill(*view.Catalogue()[0], 8);
    ViewProbe::CatalogueChanged(view, false);
    EXPECT_EQ(RenderWidget().pixel(1, 14) | 0xFF000000, PaintThumbColour(8, 0, 0));
}

struct HitCase {
    const char* name;
    QPoint pt;
    int nIndex;  // -1: nothing
};

std::ostream& operator<<(std::ostream& os, const HitCase& c) { return os << c.name; }

class HitTestTest : public ViewPaintTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitTestTest, PointFindsItsCell) {
    CGalerioView& view = MakeView(500, 400);
    AddItems(10, kPhoto);
    RenderDirect();
    const HitCase& c = GetParam();
    ImageItem* pWant = c.nIndex < 0 ? nullptr : view.Catalogue()[c.nIndex].get();
    EXPECT_EQ(ViewProbe::HitTest(view, c.pt), pWant);
}

INSTANTIATE_TEST_SUITE_P(Points, HitTestTest,
                         ::testing::Values(HitCase{"Origin", {0, 0}, 0},
                                           HitCase{"RightLineBelongsToItsCell", {102, 50}, 0},
                                           HitCase{"NextCellStartsAfterTheLine", {103, 50}, 1},
                                           HitCase{"BottomLineBelongsToItsCell", {50, 102}, 0},
                                           HitCase{"SecondRow", {50, 103}, 4},
                                           HitCase{"LastColumnsRightLine", {411, 0}, 3},
                                           HitCase{"RightOfTheLastColumn", {412, 0}, -1},
                                           HitCase{"PastTheLastEntry", {300, 250}, -1},
                                           HitCase{"LastEntry", {150, 250}, 9},
                                           HitCase{"BelowTheGrid", {10, 309}, -1}),
                         [](const ::testing::TestParamInfo<HitCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ViewPaintTest, HitTestAddsTheScrollPositionAndNeedsAPaintedCell) {
    CGalerioView& view = MakeView(500, 200);
    AddItems(40, kPhoto);
    RenderWidget();
    view.verticalScrollBar()->setValue(150);
    // Window (5, 0) is document (5, 150): the second row.
    EXPECT_EQ(ViewProbe::HitTest(view, QPoint(5, 0)), view.Catalogue()[4].get());

    view.verticalScrollBar()->setValue(0);
    AddItems(1, kPhoto);  // index 40, not painted yet
    EXPECT_TRUE(view.Catalogue()[40]->m_rcCell.IsEmpty());
    EXPECT_EQ(ViewProbe::HitTest(view, QPoint(0, 0)), view.Catalogue()[0].get());
    for (auto& pItem : view.Catalogue())
        ASSERT_NE(ViewProbe::HitTest(view, QPoint(-1, -1)), pItem.get());

    // A new entry made where a freed one lived starts with an empty cell; the
    // layout pass that ends every run gives it its cell again at the next paint.
    RenderDirect();
    view.Catalogue()[0]->m_rcCell = CellRect{};
    view.SetScrolls(false);
    RenderDirect();
    EXPECT_EQ(ViewProbe::HitTest(view, QPoint(0, 0)), view.Catalogue()[0].get());

    // An entry swapped for another (same count) is laid out by the next paint.
    ViewProbe::Catalogue(view)[1] = PaintMakeItem(1, 100, 75);
    RenderDirect();
    EXPECT_EQ(ViewProbe::HitTest(view, QPoint(110, 0)), view.Catalogue()[1].get());
}

TEST_F(ViewPaintTest, ScrollBarsFollowTheGridAndTheClient) {
    CGalerioView& view = MakeView(500, 400);
    AddItems(10, kPhoto);
    QScrollBar* pH = view.horizontalScrollBar();
    QScrollBar* pV = view.verticalScrollBar();
    EXPECT_EQ(ViewProbe::Cols(view), 4);
    EXPECT_EQ(ViewProbe::Rows(view), 3);
    EXPECT_EQ(pV->maximum(), 0);  // 309 rows of document fit in 400
    EXPECT_EQ(pV->pageStep(), 309);
    EXPECT_EQ(pV->singleStep(), 30);
    EXPECT_EQ(pH->pageStep(), 103);
    EXPECT_EQ(pH->singleStep(), 10);

    // Narrower than one cell: one column, a document taller than the client.
    const int nFrame = 2 * view.frameWidth();
    view.resize(90 + nFrame, 200 + nFrame);
    QCoreApplication::processEvents();
    const QSize client = view.viewport()->size();
    EXPECT_EQ(ViewProbe::Cols(view), 1);
    EXPECT_EQ(ViewProbe::Rows(view), 10);
    EXPECT_EQ(pV->maximum(), 1030 - client.height());
    EXPECT_EQ(pH->maximum(), std::max(0, 103 - client.width()));
    EXPECT_EQ(pV->pageStep(), client.height() / 103 * 103);

    pV->setValue(500);
    view.SetScrolls(false);
    EXPECT_EQ(pV->value(), 500);
    view.SetScrolls(true);
    EXPECT_EQ(pV->value(), 0);
    EXPECT_EQ(pH->value(), 0);

    // An empty catalogue keeps the last columns and rows.
    ViewProbe::Catalogue(view).clear();
    view.SetScrolls(false);
    EXPECT_EQ(ViewProbe::Cols(view), 1);
    EXPECT_EQ(ViewProbe::Rows(view), 10);
    EXPECT_EQ(pV->maximum(), std::max(0, 100 - view.viewport()->height()));
}

TEST_F(ViewPaintTest, InitialUpdateSetsUpOnceAndAsksForTheTimerEachTime) {
    CGalerioView view(m_store, &m_host);
    EXPECT_FALSE(ViewProbe::IsInitialized(view));
    view.OnInitialUpdate();
    EXPECT_TRUE(ViewProbe::IsInitialized(view));
    EXPECT_EQ(ViewProbe::Font(view).family(), QStringLiteral("arial"));
    EXPECT_EQ(ViewProbe::Font(view).pointSizeF(), 10.0);
    EXPECT_EQ(ViewProbe::Font(view).weight(), QFont::Normal);
    EXPECT_FALSE(ViewProbe::Font(view).italic());
    ASSERT_EQ(m_host.m_panes.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(m_host.m_panes[k].first, k + 1);
        EXPECT_EQ(m_host.m_panes[k].second, QStringLiteral("          "));
    }
    EXPECT_EQ(m_host.m_nStartupTimers, 1);

    view.OnInitialUpdate();
    EXPECT_EQ(m_host.m_panes.size(), 4u);
    EXPECT_EQ(m_host.m_nStartupTimers, 2);

    // The view may live without a window around it.
    CGalerioView orphan(m_store, nullptr);
    orphan.OnInitialUpdate();
    EXPECT_TRUE(ViewProbe::IsInitialized(orphan));
}

// Replaces the print dialog for one test.
class ScopedPrintAnswer {
public:
    explicit ScopedPrintAnswer(PrintDialogHandler fn)
        : m_previous(SetPrintDialogHandler(std::move(fn))) {}
    ~ScopedPrintAnswer() { SetPrintDialogHandler(std::move(m_previous)); }

private:
    PrintDialogHandler m_previous;
};

TEST_F(ViewPaintTest, PrintAsksForAPrinterAndDrawsTheGridOnIt) {
    CGalerioView view(m_store, &m_host);
    view.resize(500, 400);
    view.OnInitialUpdate();
    for (int i = 0; i < 3; ++i) ViewProbe::Catalogue(view).push_back(PaintMakeItem(i, 100, 75));
    view.SetScrolls(false);
    const QString pdf = QString::fromStdString(m_config.WorkDir()) + "/grid.pdf";

    int nAsked = 0;
    QWidget* pParent = nullptr;
    {
        ScopedPrintAnswer cancel([&](QPrinter&, QWidget* p) {
            ++nAsked;
            pParent = p;
            return false;
        });
        view.OnFilePrint();
    }
    EXPECT_EQ(nAsked, 1);
    EXPECT_EQ(pParent, &view);
    EXPECT_TRUE(view.Catalogue()[2]->m_rcCell.IsEmpty()) << "drew although cancelled";

    {
        ScopedPrintAnswer accept([&](QPrinter& printer, QWidget*) {
            ++nAsked;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        view.OnFilePrint();
    }
    EXPECT_EQ(nAsked, 2);
    // The same drawing ran on the printer: cells laid out, a page written.
    EXPECT_FALSE(view.Catalogue()[2]->m_rcCell.IsEmpty());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4).startsWith("%PDF"));
    EXPECT_GT(file.size(), 1000);
}

struct ColourCase {
    const char* name;
    int nColorCheck;
    bool bSystem;
};

std::ostream& operator<<(std::ostream& os, const ColourCase& c) { return os << c.name; }

class ColourSettingTest : public ViewPaintTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourSettingTest, SystemColoursReplaceAndOverwriteStoredOnes) {
    const ColourCase& c = GetParam();
    Put(kColorCheck, std::to_string(c.nColorCheck));
    Put(kBackColor, "1193046");  // 0x123456
    Put(kTextColor, "6636321");  // 0x654321
    CGalerioView view(m_store, &m_host);
    const QPalette pal = QApplication::palette();
    const int nBack = c.bSystem ? RefFromColor(pal.color(QPalette::Base)) : 0x123456;
    const int nText = c.bSystem ? RefFromColor(pal.color(QPalette::ButtonText)) : 0x654321;
    EXPECT_EQ(view.Settings().m_crBackColor, nBack);
    EXPECT_EQ(view.Settings().m_crTextColor, nText);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kBackColor, -1), nBack);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kTextColor, -1), nText);
}

INSTANTIATE_TEST_SUITE_P(Colours, ColourSettingTest,
                         ::testing::Values(ColourCase{"SystemColours", 1, true},
                                           ColourCase{"StoredColours", 0, false}),
                         [](const ::testing::TestParamInfo<ColourCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Selecting with the mouse, scrolling with the keys ----

TEST_F(ViewPaintTest, AClickSelectsAndShowsTheEntryEmptySpaceKeepsIt) {
    CGalerioView& view = MakeView(500, 400);
    AddItems(5, kPhoto);
    for (auto& item : view.Catalogue()) {
        item->m_strSize = "1234";
        item->m_strDate = "3/7/2004 2:05 PM";
        item->m_strDim = "100 x 75";
    }
    RenderWidget();  // lays the cells out
    const int P = view.Settings().m_nPitch;
    m_host.m_panes.clear();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(2 * P + 10, 10));
    ASSERT_EQ(view.Selected(), view.Catalogue()[2].get());
    EXPECT_EQ(m_host.m_panes,
              (std::vector<std::pair<int, QString>>{
                  {1, "image2"}, {2, "1234"}, {3, "3/7/2004 2:05 PM"}, {4, "100 x 75"}}));
    // Below the last row there is no entry: nothing changes.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, 3 * P + 10));
    EXPECT_EQ(view.Selected(), view.Catalogue()[2].get());
    EXPECT_EQ(m_host.m_panes.size(), 4u);
    // The right button opens the menu but no selection of its own.
    int nMenus = 0;
    const PopupMenuHandler previous = SetPopupMenuHandler([&nMenus](QMenu&, const QPoint&) {
        ++nMenus;
        return static_cast<QAction*>(nullptr);
    });
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, QPoint(10, 10));
    SetPopupMenuHandler(previous);
    EXPECT_EQ(nMenus, 1);
    EXPECT_EQ(view.Selected(), view.Catalogue()[2].get());
}

struct KeyScrollCase {
    const char* name;
    Qt::Key key;
    int nPages;  // from the middle, in page steps
    int nLines;
};

void PrintTo(const KeyScrollCase& c, std::ostream* os) { *os << c.name; }

class KeyScrollTest : public ViewPaintTest, public ::testing::WithParamInterface<KeyScrollCase> {};

TEST_P(KeyScrollTest, OnlyPagesAndLinesUpAndDownScroll) {
    CGalerioView& view = MakeView(500, 400);
    AddItems(200, kPhoto);
    QScrollBar* pV = view.verticalScrollBar();
    const int nStart = pV->maximum() / 2;
    pV->setValue(nStart);
    QTest::keyClick(&view, GetParam().key);
    EXPECT_EQ(pV->value(),
              nStart + GetParam().nPages * pV->pageStep() + GetParam().nLines * pV->singleStep());
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyScrollTest,
                         ::testing::Values(KeyScrollCase{"PageDown", Qt::Key_PageDown, 1, 0},
                                           KeyScrollCase{"PageUp", Qt::Key_PageUp, -1, 0},
                                           KeyScrollCase{"Down", Qt::Key_Down, 0, 1},
                                           KeyScrollCase{"Up", Qt::Key_Up, 0, -1},
                                           KeyScrollCase{"Home", Qt::Key_Home, 0, 0},
                                           KeyScrollCase{"End", Qt::Key_End, 0, 0},
                                           KeyScrollCase{"Left", Qt::Key_Left, 0, 0},
                                           KeyScrollCase{"Right", Qt::Key_Right, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SlideCase {
    const char* name;
    const char* text;
    int nMs;
};

std::ostream& operator<<(std::ostream& os, const SlideCase& c) { return os << c.name; }

class SlideTimeTest : public ViewPaintTest, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(SlideTimeTest, StoredTextGivesTheInterval) {
    Put(kSlideTime, GetParam().text);
    CGalerioView view(m_store, &m_host);
    EXPECT_EQ(view.Settings().SlideIntervalMs(), GetParam().nMs);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SlideTimeTest,
    ::testing::Values(SlideCase{"Whole", "7", 7000},
                      // Any text with a point counts as one second.
                      SlideCase{"Fraction", "2.5", 1000}, SlideCase{"LeadingPoint", ".75", 1000},
                      SlideCase{"NumberThenText", " 12s", 12000},
                      // No number at all: the default interval, not an unset one.
                      SlideCase{"Empty", "", 5000}, SlideCase{"Word", "fast", 5000},
                      // The milliseconds must fit an int; a negative time means nothing.
                      SlideCase{"Longest", "2147483", 2147483000},
                      SlideCase{"TooLong", "2147484", 2147483000},
                      SlideCase{"Negative", "-3", 5000}),
    [](const ::testing::TestParamInfo<SlideCase>& info) { return std::string(info.param.name); });

struct PitchCase {
    const char* name;
    const char* text;
    int nPitch;
};

std::ostream& operator<<(std::ostream& os, const PitchCase& c) { return os << c.name; }

class PitchSettingTest : public ViewPaintTest, public ::testing::WithParamInterface<PitchCase> {};

// A pitch that leaves no thumbnail, or one past any screen, counts as the default.
TEST_P(PitchSettingTest, StoredPitchGivesAUsableThumbnailSide) {
    Put(kPitch, GetParam().text);
    CGalerioView view(m_store, &m_host);
    EXPECT_EQ(view.Settings().m_nPitch, GetParam().nPitch);
    EXPECT_EQ(view.Settings().m_nThumbSize, GetParam().nPitch - 3);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PitchSettingTest,
    ::testing::Values(PitchCase{"Usual", "200", 200}, PitchCase{"Smallest", "4", 4},
                      PitchCase{"NoRoom", "3", 103}, PitchCase{"Zero", "0", 103},
                      PitchCase{"Negative", "-40", 103}, PitchCase{"Huge", "2000000000", 103}),
    [](const ::testing::TestParamInfo<PitchCase>& info) { return std::string(info.param.name); });

}  // namespace

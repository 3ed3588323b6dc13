// SPDX-License-Identifier: MIT
// Zoom, pan, full screen and the facts panel, through the real window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "browser/galerio_view.h"
#include "browser/view_test_helpers.h"
#include "codec/codec_fixtures.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_config.h"
#include "viewer/image_win.h"
#include "viewer/scroll_vu.h"

namespace {

class ZoomView : public ::testing::Test {
protected:
    void SetUp() override {
        bool bCreated = false;
        ASSERT_TRUE(m_store.OpenProductKey("Galerio", bCreated));
        m_store.PutInt(kSectionBrowsing, kSlideShowFullScreen, 1);
        m_pGrid = std::make_unique<CGalerioView>(m_store, &m_host);
        CImageWin::SetWorkAreaOverride(QSize(800, 600));
    }
    void TearDown() override {
        delete m_pWin.data();
        m_pGrid.reset();
        CImageWin::SetWorkAreaOverride({});
    }
    ImageItem Photo(const char* name, int w, int h) {
        ImageItem item;
        item.m_nKind = IMAGE_JPEG;
        item.m_strPath = WriteQuadrantJpeg(m_config.WorkDir(), std::string(name) + ".jpg", w, h);
        item.m_strName = name;
        item.m_nImageWidth = std::uint32_t(w);
        item.m_nImageHeight = std::uint32_t(h);
        return item;
    }
    CScrollVu* Open(const ImageItem& item, bool bFit, bool bSlideShow = false) {
        m_pWin = new CImageWin(m_pGrid.get(), nullptr);
        EXPECT_TRUE(m_pWin->OpenImage(item, bSlideShow, bFit));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_pWin));
        return m_pWin->View();
    }
    static QPoint Scroll(CScrollVu* p) {
        return {p->horizontalScrollBar()->value(), p->verticalScrollBar()->value()};
    }
    static QImage Render(CScrollVu* p) { return p->viewport()->grab().toImage(); }

    TempConfig m_config;
    SettingsStore m_store;
    RecordingHost m_host;
    std::unique_ptr<CGalerioView> m_pGrid;
    QPointer<CImageWin> m_pWin;
};

// ---- Zoom anchors: the photo point under the pointer (or the centre) stays ----

struct AnchorCase {
    const char* name;
    bool bFit;
    int nKey;  // or 0 for a Ctrl+wheel turn of nWheel at the anchor
    int nWheel;
    QPoint anchor;
    double dScale;  // expected after the gesture
};
std::ostream& operator<<(std::ostream& os, const AnchorCase& c) { return os << c.name; }
class ZoomAnchor : public ZoomView, public ::testing::WithParamInterface<AnchorCase> {};

TEST_P(ZoomAnchor, KeepsThePhotoPointUnderTheAnchorAsFarAsTheEdgesLetIt) {
    const AnchorCase& c = GetParam();
    // 1600 x 1200 opens fitted at less than half size, or full size scrolled.
    CScrollVu* pVu = Open(Photo("big", 1600, 1200), c.bFit);
    if (!c.bFit) pVu->horizontalScrollBar()->setValue(300);
    const QPoint anchor = c.nKey ? pVu->viewport()->rect().center() : c.anchor;
    const QSize client = pVu->viewport()->size();
    // Fitted, the photo is stretched over the client; full size, it scrolls.
    const QPointF ptPhoto = c.bFit ? QPointF(anchor.x() * 1600.0 / client.width(),
                                             anchor.y() * 1200.0 / client.height())
                                   : QPointF(anchor + Scroll(pVu));
    QWheelEvent wheel(anchor, pVu->viewport()->mapToGlobal(anchor), {}, {0, c.nWheel}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    if (c.nKey)
        QTest::keyClick(pVu, Qt::Key(c.nKey));
    else
        QCoreApplication::sendEvent(pVu->viewport(), &wheel);
    EXPECT_DOUBLE_EQ(pVu->ShownScale(), c.dScale);
    const QPointF want = ptPhoto * c.dScale - QPointF(anchor);
    EXPECT_NEAR(Scroll(pVu).x(), std::clamp(want.x(), 0.0, 1600 * c.dScale - client.width()), 1);
    EXPECT_NEAR(Scroll(pVu).y(), std::clamp(want.y(), 0.0, 1200 * c.dScale - client.height()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, ZoomAnchor,
    ::testing::Values(AnchorCase{"PlusFromFit", true, Qt::Key_Plus, 0, {}, 0.5},
                      AnchorCase{"OneFromFit", true, Qt::Key_1, 0, {}, 1.0},
                      AnchorCase{"MinusFromFullSize", false, Qt::Key_Minus, 0, {}, 2.0 / 3},
                      AnchorCase{"WheelInAtTopLeft", true, 0, 120, {50, 40}, 0.5},
                      AnchorCase{"WheelInAtRight", false, 0, 120, {700, 300}, 1.5},
                      AnchorCase{"TwoNotchesOutAtCorner", false, 0, -240, {10, 10}, 0.5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ZoomView, DragPansZeroRestoresTheFitPixelForPixelAndAStepKeepsTheZoomIfSameSize) {
    CScrollVu* pVu = Open(Photo("a", 1600, 1200), true);
    const QImage before = Render(pVu);
    QTest::keyClick(pVu, Qt::Key_1);
    const QPoint start = Scroll(pVu);
    QTest::mousePress(pVu->viewport(), Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(pVu->viewport(), QPoint(260, 280));
    QTest::mouseRelease(pVu->viewport(), Qt::LeftButton, {}, QPoint(260, 280));
    EXPECT_EQ(Scroll(pVu), start + QPoint(40, 20));
    QTest::keyClick(pVu, Qt::Key_Asterisk);
    EXPECT_FALSE(pVu->IsZoomed());
    EXPECT_EQ(Render(pVu), before);

    QTest::keyClick(pVu, Qt::Key_1);
    m_pWin->ShowImage(Photo("b", 1600, 1200));
    EXPECT_DOUBLE_EQ(pVu->ShownScale(), 1.0);
    EXPECT_EQ(Scroll(pVu), start);
    m_pWin->ShowImage(Photo("c", 1200, 1600));
    EXPECT_FALSE(pVu->IsZoomed());
    EXPECT_EQ(pVu->Item().m_nThumbWidth, pVu->viewport()->width());
}

TEST_F(ZoomView, FullScreenTogglesBlackAndFittedAndEscapeLeavesItBeforeClosing) {
    CScrollVu* pVu = Open(Photo("p", 400, 300), false);
    ASSERT_FALSE(pVu->IsFullScreen());  // the setting is only the slide show's
    QTest::keyClick(pVu, Qt::Key_F);
    ASSERT_TRUE(PumpUntil([&] { return pVu->viewport()->width() > 400; }));
    ASSERT_TRUE(m_pWin->isFullScreen() && pVu->IsFullScreen());
    // The photo, not enlarged, in the middle (its red quarter up left), black around.
    const QImage full = Render(pVu);
    EXPECT_EQ(full.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_GT(qRed(full.pixel(full.width() / 2 - 10, full.height() / 2 - 10)), 240);
    EXPECT_DOUBLE_EQ(pVu->ShownScale(), 1.0);
    QTest::keyClick(pVu, Qt::Key_Escape);
    ASSERT_FALSE(m_pWin.isNull() || m_pWin->isFullScreen() || pVu->IsFullScreen());
    QTest::mouseDClick(pVu->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(m_pWin->isFullScreen());
    QTest::mouseDClick(pVu->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(m_pWin->isFullScreen());
    QTest::keyClick(pVu, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_pWin.isNull());
}

TEST_F(ZoomView, SlideShowOpensFullScreenWhenTheSettingAsksAndShrinksAWidePhotoToFit) {
    CScrollVu* pVu = Open(Photo("q", 1600, 400), false, true);
    ASSERT_TRUE(pVu->IsFullScreen() && m_pWin->isFullScreen());
    ASSERT_TRUE(PumpUntil([&] { return pVu->viewport()->size() == m_pWin->screen()->size(); }));
    // An 800 x 800 screen: the photo at half size, 200 rows high in the middle.
    const QImage full = Render(pVu);
    EXPECT_EQ(full.pixel(10, 295), qRgb(0, 0, 0));
    EXPECT_GT(qRed(full.pixel(10, 305)), 240);
    EXPECT_GT(qGray(full.pixel(790, 495)), 240);
    EXPECT_EQ(full.pixel(790, 505), qRgb(0, 0, 0));
}

TEST_F(ZoomView, FromTwoHundredPercentEachPhotoPixelIsASharpBlock) {
    CScrollVu* pVu = Open(Photo("s", 400, 300), false);
    for (int nKey : {Qt::Key_1, Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Plus})
        QTest::keyClick(pVu, Qt::Key(nKey));
    ASSERT_DOUBLE_EQ(pVu->ShownScale(), 4.0);
    // Along a row through the quarters' border, colours change only 4 apart.
    const QImage image = Render(pVu);
    std::vector<int> vChanges;
    for (int x = 1; x < image.width(); ++x)
        if (image.pixel(x, 10) != image.pixel(x - 1, 10)) vChanges.push_back(x);
    ASSERT_FALSE(vChanges.empty());
    for (int x : vChanges) EXPECT_EQ((x - vChanges[0]) % 4, 0) << x;
}

TEST(IdleCursor, HidesAfterTwoStillSecondsCountedFromTheLastMove) {
    IdleCursor idle;
    idle.Moved(5000);
    EXPECT_TRUE(!idle.Hidden(6999) && idle.MsUntilHidden(6500) == 500 && idle.Hidden(7000));
    idle.Moved(6900);
    EXPECT_FALSE(idle.Hidden(7000));
}

TEST_F(ZoomView, FactsPanelShowsThePhotoAsPlainTextAndHidesAgain) {
    CScrollVu* pVu = Open(Photo("<b>x", 64, 48), false);
    QTest::keyClick(pVu, Qt::Key_I);
    auto* pPanel = pVu->viewport()->findChild<QLabel*>();
    ASSERT_TRUE(pPanel);
    EXPECT_TRUE(pPanel->isVisible());
    EXPECT_EQ(pPanel->textFormat(), Qt::PlainText);
    EXPECT_TRUE(pPanel->text().startsWith("64 x 48 pixels\nFile size: "));
    QTest::keyClick(pVu, Qt::Key_I);
    EXPECT_FALSE(pPanel->isVisible());
}

}  // namespace

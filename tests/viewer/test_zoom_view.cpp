// SPDX-License-Identifier: MIT
// Zoom, pan, full screen and the facts panel of the image window, driven by
// keys and the mouse through the real window, offscreen.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
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
    static QImage Render(CScrollVu* p) {
        QImage image(p->viewport()->size(), QImage::Format_RGB32);
        p->viewport()->render(&image);
        return image;
    }

    TempConfig m_config;
    SettingsStore m_store;
    RecordingHost m_host;
    std::unique_ptr<CGalerioView> m_pGrid;
    QPointer<CImageWin> m_pWin;
};

// ---- Zoom anchors: the photo point under the pointer (or the centre) stays ----

enum class Gesture { Plus, Minus, One, CtrlWheelIn, CtrlWheelOut };
struct AnchorCase {
    const char* name;
    bool bFit;
    Gesture gesture;
    QPoint anchor;  // the pointer, for the wheel
    double dScale;  // expected after the gesture
};
std::ostream& operator<<(std::ostream& os, const AnchorCase& c) { return os << c.name; }
class ZoomAnchor : public ZoomView, public ::testing::WithParamInterface<AnchorCase> {};

TEST_P(ZoomAnchor, KeepsThePhotoPointUnderTheAnchor) {
    const AnchorCase& c = GetParam();
    // 1600 x 1200 fits the 800 x 600 work area at half size.
    CScrollVu* pVu = Open(Photo("big", 1600, 1200), c.bFit);
    if (!c.bFit) pVu->horizontalScrollBar()->setValue(300);
    const bool bWheel = c.gesture == Gesture::CtrlWheelIn || c.gesture == Gesture::CtrlWheelOut;
    const QPoint anchor = bWheel ? c.anchor : pVu->viewport()->rect().center();
    // Fitted, the photo is stretched over the client; full size, it scrolls.
    const QSize client = pVu->viewport()->size();
    const QPointF ptPhoto = c.bFit ? QPointF(anchor.x() * 1600.0 / client.width(),
                                             anchor.y() * 1200.0 / client.height())
                                   : QPointF(anchor + Scroll(pVu));
    if (bWheel) {
        QWheelEvent wheel(anchor, pVu->viewport()->mapToGlobal(anchor), {},
                          {0, c.gesture == Gesture::CtrlWheelIn ? 120 : -120}, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(pVu->viewport(), &wheel);
    } else {
        const Qt::Key key = c.gesture == Gesture::Plus    ? Qt::Key_Plus
                            : c.gesture == Gesture::Minus ? Qt::Key_Minus
                                                          : Qt::Key_1;
        QTest::keyClick(pVu, key);
    }
    ASSERT_TRUE(pVu->IsZoomed());
    EXPECT_DOUBLE_EQ(pVu->ShownScale(), c.dScale);
    // The point comes back under the anchor as far as the photo's edges let it.
    const QPointF want = ptPhoto * c.dScale - QPointF(anchor);
    EXPECT_NEAR(Scroll(pVu).x(), std::clamp(want.x(), 0.0, 1600 * c.dScale - client.width()), 1.0);
    EXPECT_NEAR(Scroll(pVu).y(), std::clamp(want.y(), 0.0, 1200 * c.dScale - client.height()), 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, ZoomAnchor,
    ::testing::Values(AnchorCase{"PlusFromFit", true, Gesture::Plus, {}, 0.5},
                      AnchorCase{"OneFromFit", true, Gesture::One, {}, 1.0},
                      AnchorCase{"MinusFromFullSize", false, Gesture::Minus, {}, 2.0 / 3},
                      AnchorCase{"WheelInAtTopLeft", true, Gesture::CtrlWheelIn, {50, 40}, 0.5},
                      AnchorCase{"WheelInAtRight", false, Gesture::CtrlWheelIn, {700, 300}, 1.5},
                      AnchorCase{
                          "WheelOutAtCorner", false, Gesture::CtrlWheelOut, {10, 10}, 2.0 / 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ZoomView, ZeroBringsTheFittedPictureBackPixelForPixel) {
    CScrollVu* pVu = Open(Photo("big", 1600, 1200), true);
    const QImage before = Render(pVu);
    QTest::keyClick(pVu, Qt::Key_1);
    QTest::keyClick(pVu, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(pVu->ShownScale(), 1.5);
    QTest::keyClick(pVu, Qt::Key_0);
    EXPECT_FALSE(pVu->IsZoomed());
    EXPECT_EQ(Render(pVu), before);
}

TEST_F(ZoomView, DraggingPansAndAStepKeepsTheZoomOnlyForTheSameSize) {
    CScrollVu* pVu = Open(Photo("a", 1600, 1200), true);
    QTest::keyClick(pVu, Qt::Key_1);
    const QPoint start = Scroll(pVu);
    QTest::mousePress(pVu->viewport(), Qt::LeftButton, {}, QPoint(300, 300));
    QMouseEvent move(QEvent::MouseMove, QPointF(260, 280),
                     pVu->viewport()->mapToGlobal(QPointF(260, 280)), Qt::NoButton, Qt::LeftButton,
                     {});
    QCoreApplication::sendEvent(pVu->viewport(), &move);
    QTest::mouseRelease(pVu->viewport(), Qt::LeftButton, {}, QPoint(260, 280));
    EXPECT_EQ(Scroll(pVu), start + QPoint(40, 20));

    m_pWin->ShowImage(Photo("b", 1600, 1200));
    EXPECT_DOUBLE_EQ(pVu->ShownScale(), 1.0);
    EXPECT_EQ(Scroll(pVu), start + QPoint(40, 20));
    m_pWin->ShowImage(Photo("c", 1200, 1600));
    EXPECT_FALSE(pVu->IsZoomed());
    EXPECT_EQ(pVu->Item().m_nThumbWidth, pVu->viewport()->width());
}

// ---- Full screen: F, a double click, Escape first leaves it ----

TEST_F(ZoomView, FullScreenTogglesBlackAndFittedAndEscapeLeavesItBeforeClosing) {
    CScrollVu* pVu = Open(Photo("p", 400, 300), false);
    QTest::keyClick(pVu, Qt::Key_F);
    ASSERT_TRUE(PumpUntil([&] { return pVu->viewport()->width() > 400; }));
    ASSERT_TRUE(m_pWin->isFullScreen());
    ASSERT_TRUE(pVu->IsFullScreen());
    const QImage full = Render(pVu);
    // The photo keeps its shape in the middle, black around it.
    EXPECT_EQ(full.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_DOUBLE_EQ(pVu->ShownScale(), 1.0);
    QTest::keyClick(pVu, Qt::Key_Escape);
    EXPECT_FALSE(m_pWin->isFullScreen());
    EXPECT_FALSE(pVu->IsFullScreen());
    ASSERT_FALSE(m_pWin.isNull());
    QTest::mouseDClick(pVu->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(m_pWin->isFullScreen());
    QTest::mouseDClick(pVu->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(m_pWin->isFullScreen());
    QTest::keyClick(pVu, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_pWin.isNull());
}

TEST_F(ZoomView, SlideShowOpensFullScreenWhenTheSettingAsksAndPlainWindowsDoNot) {
    EXPECT_FALSE(Open(Photo("p", 400, 300), false)->IsFullScreen());
    delete m_pWin.data();
    EXPECT_TRUE(Open(Photo("q", 400, 300), false, true)->IsFullScreen());
    EXPECT_TRUE(m_pWin->isFullScreen());
}

// ---- The facts panel ----

TEST_F(ZoomView, FactsPanelShowsThePhotoAsPlainTextAndHidesAgain) {
    ImageItem item = Photo("<b>x", 64, 48);
    CScrollVu* pVu = Open(item, false);
    QTest::keyClick(pVu, Qt::Key_I);
    auto* pPanel = pVu->viewport()->findChild<QLabel*>();
    ASSERT_TRUE(pPanel);
    EXPECT_TRUE(pPanel->isVisible());
    EXPECT_EQ(pPanel->textFormat(), Qt::PlainText);
    EXPECT_TRUE(pPanel->text().startsWith("64 x 48 pixels\nFile size: "))
        << pPanel->text().toStdString();
    QTest::keyClick(pVu, Qt::Key_I);
    EXPECT_FALSE(pPanel->isVisible());
}

}  // namespace

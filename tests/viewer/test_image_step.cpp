// SPDX-License-Identifier: MIT
// Stepping the image window through the grid's catalogue: the ends, held
// keys, deletions and a replaced catalogue; and the look-ahead's stops.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <set>

#include "browser/galerio_view.h"
#include "browser/view_test_helpers.h"
#include "codec/codec_fixtures.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/click_entry.h"
#include "support/temp_config.h"
#include "support/view_probe.h"
#include "viewer/image_win.h"
#include "viewer/look_ahead.h"
#include "viewer/scroll_vu.h"

namespace {

constexpr int kPhotos = 5;

class ImageStepTest : public ::testing::Test {
protected:
    void SetUp() override {
        bool bCreated = false;
        ASSERT_TRUE(m_store.OpenProductKey("Galerio", bCreated));
        ASSERT_TRUE(m_store.PutInt(kSectionSettings, kNoDelDlg, 1));
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        CImageWin::SetWorkAreaOverride(QSize(800, 600));
        Fill();
    }
    // Each photo its own size, so the window's size tells which is shown.
    void Fill() {
        for (int i = 0; i < kPhotos; ++i) {
            auto pItem = std::make_unique<ImageItem>();
            pItem->m_nKind = IMAGE_JPEG;
            pItem->m_strName = "s" + std::to_string(i);
            pItem->m_strPath =
                WriteQuadrantJpeg(m_config.WorkDir(), pItem->m_strName + ".jpg", 100 + 10 * i, 80);
            pItem->m_nImageWidth = std::uint32_t(100 + 10 * i);
            pItem->m_nImageHeight = 80;
            ViewProbe::Catalogue(*m_pView).push_back(std::move(pItem));
        }
        ViewProbe::CatalogueChanged(*m_pView, true);
    }
    void TearDown() override {
        delete m_pWin.data();
        m_pView.reset();
        CImageWin::SetWorkAreaOverride({});
    }

    // A fitted window on entry i, once both neighbours are decoded ahead.
    CImageWin* Open(int i) {
        m_pWin = new CImageWin(m_pView.get(), nullptr);
        EXPECT_TRUE(m_pWin->OpenImage(*m_pView->Catalogue()[std::size_t(i)], false, true));
        EXPECT_TRUE(PumpUntil([this] { return !m_pWin->IsLookingAhead(); }));
        return m_pWin;
    }
    void Send(Qt::Key key, bool bAutoRepeat = false, quint64 nTimestamp = 0) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, QString(), bAutoRepeat);
        e.setTimestamp(nTimestamp);
        QApplication::sendEvent(m_pWin->View(), &e);
    }
    void Wheel(int nDelta, quint64 nTimestamp) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, nDelta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        e.setTimestamp(nTimestamp);
        QApplication::sendEvent(m_pWin->View()->viewport(), &e);
    }
    std::string Shown() {
        EXPECT_EQ(m_pWin->windowTitle().toStdString(), m_pWin->View()->Item().m_strName);
        EXPECT_EQ(int(m_pWin->View()->Item().m_nImageWidth), m_pWin->width());
        return m_pWin->View()->Item().m_strName;
    }

    TempConfig m_config;
    SettingsStore m_store;
    RecordingHost m_host;
    std::unique_ptr<CGalerioView> m_pView;
    QPointer<CImageWin> m_pWin;
};

struct KeyPress {
    Qt::Key key;
    bool bAutoRepeat;
    quint64 nTimestamp;
};
struct StepCase {
    const char* name;
    int nStart;
    std::vector<KeyPress> presses;
    const char* shown;
};
void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

class Steps : public ImageStepTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(Steps, ReachTheEntryAndStopAtTheEnds) {
    const StepCase& c = GetParam();
    Open(c.nStart);
    for (const KeyPress& press : c.presses) Send(press.key, press.bAutoRepeat, press.nTimestamp);
    EXPECT_EQ(Shown(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, Steps,
    ::testing::Values(
        StepCase{
            "RightAndDownAndPageDown",
            0,
            {{Qt::Key_Right, false, 0}, {Qt::Key_Down, false, 0}, {Qt::Key_PageDown, false, 0}},
            "s3"},
        StepCase{"LeftAndUpAndPageUp",
                 4,
                 {{Qt::Key_Left, false, 0}, {Qt::Key_Up, false, 0}, {Qt::Key_PageUp, false, 0}},
                 "s1"},
        StepCase{"NoWrapAfterTheLast", 4, {{Qt::Key_Right, false, 0}}, "s4"},
        StepCase{"NoWrapBeforeTheFirst", 0, {{Qt::Key_Up, false, 0}}, "s0"},
        StepCase{"Home", 3, {{Qt::Key_Home, false, 0}}, "s0"},
        StepCase{"End", 1, {{Qt::Key_End, false, 0}}, "s4"},
        // End decodes its photo now: a held key's repeats made meanwhile
        // are dropped, later ones and fresh presses step.
        StepCase{"RepeatsMadeWhileDecodingAreDropped",
                 1,
                 {{Qt::Key_End, false, 1000}, {Qt::Key_Left, true, 1000}, {Qt::Key_Up, true, 1000}},
                 "s4"},
        StepCase{"RepeatAfterTheStepSteps",
                 1,
                 {{Qt::Key_End, false, 1000}, {Qt::Key_Left, true, 900000}},
                 "s3"},
        StepCase{
            "FreshPressSteps", 1, {{Qt::Key_End, false, 1000}, {Qt::Key_Left, false, 1000}}, "s3"}),
    [](const ::testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

TEST_F(ImageStepTest, WheelStepsOnlyWhenNothingIsLeftToScroll) {
    Open(2);
    Wheel(-120, 1000);
    EXPECT_EQ(Shown(), "s3");
    // A touchpad's small turns add up to one notch.
    // Turns made while that photo was being decoded are dropped.
    Wheel(120, 1000);
    for (int i = 0; i < 4; ++i) Wheel(60, 900000 + i);
    EXPECT_EQ(Shown(), "s1");
}

struct DeleteCase {
    const char* name;
    int nDeleted;
    Qt::Key key;
    const char* shown;
};
void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.name; }

class DeletionWhileOpen : public ImageStepTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeletionWhileOpen, IsSkipped) {
    const DeleteCase& c = GetParam();
    m_pView->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pView.get()));
    Open(2);
    ClickEntry(*m_pView, std::size_t(c.nDeleted));
    m_pView->OnDeleteThumb();
    ASSERT_EQ(m_pView->Catalogue().size(), std::size_t(kPhotos - 1));
    Send(c.key);
    EXPECT_EQ(Shown(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Rule, DeletionWhileOpen,
                         ::testing::Values(DeleteCase{"ShownThenNext", 2, Qt::Key_Right, "s3"},
                                           DeleteCase{"ShownThenPrevious", 2, Qt::Key_Left, "s1"},
                                           DeleteCase{"NextDecodedAhead", 3, Qt::Key_Right, "s4"},
                                           DeleteCase{"EarlierEntry", 0, Qt::Key_Left, "s1"}),
                         [](const ::testing::TestParamInfo<DeleteCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ImageStepTest, ReplacedCatalogueKeepsThePhotoAndStopsStepping) {
    Open(2);
    m_pView->FreeImageList();
    Fill();  // a new scan finds the same files again
    Send(Qt::Key_Right);
    Send(Qt::Key_Home);
    EXPECT_EQ(Shown(), "s2");
    EXPECT_TRUE(m_pWin->View()->Item().m_pBits);
}

TEST_F(ImageStepTest, KeysStillScrollAWindowWithNoCatalogueToStepThrough) {
    ImageItem item;
    item.m_nKind = IMAGE_JPEG;
    item.m_strName = "wide";
    item.m_strPath = WriteQuadrantJpeg(m_config.WorkDir(), "wide.jpg", 1600, 1000);
    m_pWin = new CImageWin(m_pView.get(), nullptr);
    ASSERT_TRUE(m_pWin->OpenImage(item, false, false));
    Send(Qt::Key_Right);
    Send(Qt::Key_PageDown);
    EXPECT_GT(m_pWin->View()->horizontalScrollBar()->value(), 0);
    EXPECT_GT(m_pWin->View()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(m_pWin->windowTitle(), QStringLiteral("wide"));
}

TEST_F(ImageStepTest, AStepInTheSlideShowIsWhereTheShowGoesOnFrom) {
    ASSERT_TRUE(m_store.PutString(kSectionSettings, kSlideTime, "1"));
    m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
    Fill();
    m_pView->Slides().SetImageWindowFactory(
        [this] { return new CImageWin(m_pView.get(), nullptr); });
    m_pView->OnStartSlideShow();
    ASSERT_TRUE(PumpUntil([this] { return m_pView->Slides().Window() != nullptr; }));
    m_pWin = dynamic_cast<CImageWin*>(m_pView->Slides().Window());
    Send(Qt::Key_End);
    EXPECT_EQ(Shown(), "s4");
    // In catalogue order the show wraps around after the last entry.
    ASSERT_TRUE(PumpUntil([this] { return m_pWin->windowTitle() != "s4"; }));
    EXPECT_EQ(Shown(), "s0");
}

// ---- The look-ahead's worker, with a decoder that waits to be stopped ----

class LookAheadStop : public ::testing::Test {
protected:
    ViewBitmap Decode(const ViewRequest& request, CodecContext& context) {
        std::unique_lock lock(m_mutex);
        m_vStarted.push_back(request.strPath);
        m_cv.notify_all();
        // Polls its stop token as the codec does.
        while (!context.Stopped() && !m_vReleased.count(request.strPath))
            m_cv.wait_for(lock, std::chrono::milliseconds(1));
        ViewBitmap bitmap;
        if (!context.Stopped()) bitmap.pRows = std::make_unique<std::uint8_t[]>(4);
        bitmap.request = request;
        return bitmap;
    }
    void WaitStarted(std::size_t n) {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_vStarted.size() >= n; });
    }
    void Release(const std::string& strPath) {
        std::lock_guard lock(m_mutex);
        m_vReleased.insert(strPath);
        m_cv.notify_all();
    }
    static LookAhead::Want Want(const ImageItem& item) {
        LookAhead::Want want{&item, ViewRequest()};
        want.request.strPath = item.m_strPath;
        return want;
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::string> m_vStarted;
    std::set<std::string> m_vReleased;
    ImageItem m_a, m_b;
    LookAhead m_ahead{[this](const ViewRequest& r, CodecContext& c) { return Decode(r, c); }};
};

TEST_F(LookAheadStop, AnEntryNoLongerWantedIsStoppedAndNotKept) {
    m_a.m_strPath = "a";
    m_ahead.Keep({Want(m_a)});
    WaitStarted(1);
    m_ahead.Keep({});
    ASSERT_TRUE(PumpUntil([this] { return m_ahead.IsIdle(); }));
    EXPECT_FALSE(m_ahead.Take(&m_a, Want(m_a).request));
}

TEST_F(LookAheadStop, HoldStopsTheDecodeInProgressAndKeepStartsItAgain) {
    m_a.m_strPath = "a";
    m_b.m_strPath = "b";
    m_ahead.Keep({Want(m_a)});
    WaitStarted(1);
    m_ahead.Hold();
    ASSERT_TRUE(PumpUntil([this] { return m_ahead.IsIdle(); }));
    EXPECT_EQ(m_vStarted, std::vector<std::string>{"a"});
    m_ahead.Keep({Want(m_b), Want(m_a)});
    Release("b");
    Release("a");
    ASSERT_TRUE(PumpUntil([this] { return m_ahead.IsIdle(); }));
    EXPECT_EQ(m_vStarted, (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_TRUE(m_ahead.Take(&m_b, Want(m_b).request));
    EXPECT_TRUE(m_ahead.Take(&m_a, Want(m_a).request));
}

// A step keeps the zoom for a photo of the same size and brings the
// window's own mode back for another size.
TEST_F(ImageStepTest, AStepKeepsTheZoomOnlyForTheSameSize) {
    ImageItem& second = *ViewProbe::Catalogue(*m_pView)[1];
    second.m_strPath = WriteQuadrantJpeg(m_config.WorkDir(), "same.jpg", 100, 80);
    second.m_nImageWidth = 100;
    Open(0);
    Send(Qt::Key_Plus);
    ASSERT_TRUE(m_pWin->View()->IsZoomed());
    Send(Qt::Key_Right);
    EXPECT_EQ(m_pWin->View()->Item().m_strName, "s1");
    EXPECT_TRUE(m_pWin->View()->IsZoomed());
    Send(Qt::Key_Right);
    EXPECT_FALSE(m_pWin->View()->IsZoomed());
    EXPECT_EQ(Shown(), "s2");
}

}  // namespace

// SPDX-License-Identifier: MIT
// The slide show as the grid view drives it, with windows that only record
// what they were asked to show.
#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <memory>

#include "browser/galerio_view.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/fake_image_window.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"
#include "support/view_probe.h"
#include "view_test_helpers.h"

namespace {

using namespace std::chrono_literals;

class SlideShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.SetFilePath(m_config.ConfigDir() + "/galerio-test.ini");
        m_store.PutString(kSectionSettings, kSlideTime, "0");  // tick at the shortest pause
    }

    // A view over entries P, Q, R ... (no files needed: the windows only record).
    CGalerioView& MakeView(std::initializer_list<const char*> names) {
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        for (const char* name : names) {
            auto item = std::make_unique<ImageItem>();
            item->m_strPath = name;
            ViewProbe::Catalogue(*m_pView).push_back(std::move(item));
        }
        ViewProbe::CatalogueChanged(*m_pView, true);
        m_pView->Slides().SetImageWindowFactory(FakeImageWindows(m_pLog));
        return *m_pView;
    }

    bool WaitShown(std::size_t n) {
        return PumpUntil([&] { return m_pLog->shown.size() >= n; }, 10s);
    }

    std::vector<std::string> Shown(std::size_t n) const {
        return {m_pLog->shown.begin(), m_pLog->shown.begin() + static_cast<long>(n)};
    }

    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
    RecordingHost m_host;
    std::shared_ptr<ImageWindowLog> m_pLog = std::make_shared<ImageWindowLog>();
    std::unique_ptr<CGalerioView> m_pView;
};

TEST_F(SlideShowTest, SequentialOrderWrapsAroundInOneFittedShowWindow) {
    m_store.PutInt(kSectionSettings, kFit, 1);
    CGalerioView& view = MakeView({"P", "Q", "R"});
    view.OnStartSlideShow();
    ASSERT_TRUE(WaitShown(7));
    EXPECT_EQ(Shown(7), (std::vector<std::string>{"P", "Q", "R", "P", "Q", "R", "P"}));
    ASSERT_EQ(m_pLog->slideShow.size(), 1u);  // one window for the whole show
    EXPECT_TRUE(m_pLog->slideShow[0]);
    EXPECT_TRUE(m_pLog->fit[0]);
    EXPECT_FALSE(view.IsIdle());
}

// An interval of 0 still leaves the window time for its own events.
TEST_F(SlideShowTest, AZeroIntervalWaitsTheShortestPauseAndOthersTheirSeconds) {
    EXPECT_EQ(MakeView({"P"}).Settings().SlideIntervalMs(), ViewSettings::kSlideMinMs);
    m_store.PutString(kSectionSettings, kSlideTime, "2");
    EXPECT_EQ(MakeView({"P"}).Settings().SlideIntervalMs(), 2000);
}

TEST_F(SlideShowTest, RandomOrderShowsEveryEntryOnceARound) {
    m_store.PutInt(kSectionSettings, kRandom, 1);
    CGalerioView& view = MakeView({"P", "Q", "R", "S"});
    view.OnStartSlideShow();
    ASSERT_TRUE(WaitShown(8));
    for (std::size_t round = 0; round < 2; ++round) {
        std::vector<std::string> shown(m_pLog->shown.begin() + long(round * 4),
                                       m_pLog->shown.begin() + long(round * 4 + 4));
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, (std::vector<std::string>{"P", "Q", "R", "S"}));
    }
}

TEST_F(SlideShowTest, SpacePausesAndResumesAtTheNextTick) {
    CGalerioView& view = MakeView({"P", "Q"});
    view.OnStartSlideShow();
    ASSERT_TRUE(WaitShown(2));
    view.Slides().TogglePause();
    const std::size_t nPaused = m_pLog->shown.size();
    PumpFor(200ms);
    EXPECT_EQ(m_pLog->shown.size(), nPaused);
    EXPECT_TRUE(view.Slides().IsTimerActive());  // ticks go on, doing nothing
    view.Slides().TogglePause();
    EXPECT_TRUE(WaitShown(nPaused + 1));
}

TEST_F(SlideShowTest, EscapeInTheGridEndsTheShowAndFreesTheCommands) {
    CGalerioView& view = MakeView({"P", "Q"});
    view.OnStartSlideShow();
    ASSERT_TRUE(WaitShown(2));
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(view.Slides().Window(), nullptr);
    EXPECT_EQ(m_pLog->nDestroyed, 1);
    EXPECT_FALSE(view.Slides().IsTimerActive());
    EXPECT_TRUE(view.IsIdle());
}

// The close box: the window goes by itself; the commands come back at once
// and the timer's later ticks change nothing.
TEST_F(SlideShowTest, ClosedWindowFreesTheCommandsAtOnce) {
    CGalerioView& view = MakeView({"P", "Q"});
    view.OnStartSlideShow();
    ASSERT_TRUE(WaitShown(2));
    IImageWindow* pWin = view.Slides().Window();
    view.Slides().OnImageWindowDestroyed(pWin);
    delete pWin;
    EXPECT_TRUE(view.IsIdle());
    const std::size_t nShown = m_pLog->shown.size();
    PumpFor(100ms);
    EXPECT_EQ(m_pLog->shown.size(), nShown);
    // A new show starts from the beginning.
    view.OnStartSlideShow();
    ASSERT_TRUE(WaitShown(nShown + 1));
    EXPECT_EQ(m_pLog->shown[nShown], "P");
}

// Entries may leave the catalogue while the show runs (delete, move): the
// show goes on with the entry that followed, and ends with the last one.
TEST_F(SlideShowTest, TheShowFollowsEntriesLeavingTheCatalogue) {
    m_store.PutString(kSectionSettings, kSlideTime, "1");
    CGalerioView& view = MakeView({"P", "Q", "R"});
    view.OnStartSlideShow();
    ASSERT_TRUE(WaitShown(1));  // P; Q is next
    ImageList& list = ViewProbe::Catalogue(view);
    view.Slides().OnEntryLeaving(list[1].get());
    list.erase(list.begin() + 1);
    ViewProbe::CatalogueChanged(view, false);
    ASSERT_TRUE(WaitShown(2));
    EXPECT_EQ(m_pLog->shown[1], "R");

    list.clear();
    ViewProbe::CatalogueChanged(view, false);
    EXPECT_EQ(view.Slides().Window(), nullptr);
    EXPECT_EQ(m_pLog->nDestroyed, 1);
    EXPECT_FALSE(view.Slides().IsTimerActive());
}

TEST_F(SlideShowTest, WindowThatCannotBeMadeStopsTheShowWithABox) {
    m_pLog->bFailOpen = true;
    CGalerioView& view = MakeView({"P"});
    view.OnStartSlideShow();
    ASSERT_TRUE(PumpUntil([&] { return m_messages.Count() > 0; }));
    EXPECT_EQ(m_messages.Texts(), QStringList{"Error: could not create window"});
    EXPECT_EQ(view.Slides().Window(), nullptr);
    EXPECT_FALSE(view.Slides().IsTimerActive());
    EXPECT_TRUE(view.IsIdle());
}

TEST_F(SlideShowTest, NoShowOfAnEmptyCatalogue) {
    CGalerioView& view = MakeView({});
    view.OnStartSlideShow();
    EXPECT_FALSE(view.Slides().IsTimerActive());
}

TEST_F(SlideShowTest, DoubleClickOpensAPlainWindowOnTheEntry) {
    m_store.PutInt(kSectionSettings, kFit, 0);
    CGalerioView& view = MakeView({"P", "Q"});
    // Nobody owns a plain window but itself; the test closes it at the end.
    IImageWindow* pOpened = nullptr;
    view.Slides().SetImageWindowFactory([&] { return pOpened = new FakeImageWindow(m_pLog); });
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.viewport()->grab();  // lays the cells out
    const int P = view.Settings().m_nPitch;
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(P + P / 2, P / 2));
    EXPECT_EQ(m_pLog->shown, std::vector<std::string>{"Q"});
    EXPECT_FALSE(m_pLog->slideShow[0]);
    EXPECT_FALSE(m_pLog->fit[0]);
    EXPECT_TRUE(view.IsIdle());  // plain windows do not hold the view
    ASSERT_NE(pOpened, nullptr);
    pOpened->DestroyWindow();
}

}  // namespace

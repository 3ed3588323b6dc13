// SPDX-License-Identifier: MIT
// The main window: where it opens and how its rectangle is kept, the
// command-line start-up scan, and closing while a run is under way.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWindow>
#include <atomic>
#include <future>
#include <thread>

#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "browser/find_files_dlg.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/view_probe.h"

namespace {

WindowRect StoredRect(const SettingsStore& store) {
    return {store.GetInt(kSectionScreen, kScreenX, -1), store.GetInt(kSectionScreen, kScreenY, -1),
            store.GetInt(kSectionScreen, kScreenCx, -1),
            store.GetInt(kSectionScreen, kScreenCy, -1)};
}

void PutRect(const std::string& configDir, const WindowRect& r) {
    SettingsStore store;
    bool bCreated = false;
    ASSERT_TRUE(store.OpenProductKey("Galerio", bCreated));
    (void)configDir;
    store.PutInt(kSectionScreen, kScreenX, r.x);
    store.PutInt(kSectionScreen, kScreenY, r.y);
    store.PutInt(kSectionScreen, kScreenCx, r.cx);
    store.PutInt(kSectionScreen, kScreenCy, r.cy);
}

// Waits for the coalesced write of the window rectangle.
::testing::AssertionResult StoredSoon(const SettingsStore& store, const WindowRect& expected) {
    if (QTest::qWaitFor([&] { return StoredRect(store) == expected; }, 5000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(StoredRect(store));
}

// Resizes so the frame, decorations included, gets this size.
void ResizeFrame(QWidget& frame, int cx, int cy) {
    const QSize extra = frame.frameGeometry().size() - frame.geometry().size();
    frame.resize(cx - extra.width(), cy - extra.height());
}

// ---- Window rectangle ----

TEST(MainFrameRect, FirstStartOpensCentredAt95PercentAndStoresIt) {
    AppFixture f;
    f.Start();
    EXPECT_EQ(StoredRect(f.App().m_store), (WindowRect{26, 18, 972, 701}));
    EXPECT_EQ(f.Frame().frameGeometry(), QRect(26, 18, 972, 701));
    EXPECT_EQ(f.Frame().windowTitle(), "Galerio");
}

TEST(MainFrameRect, StoredRectangleIsUsedEvenWhenItHangsOverTheEdge) {
    AppFixture f;
    PutRect(f.m_config.ConfigDir(), {900, 600, 1000, 700});
    f.Start();
    EXPECT_EQ(f.Frame().frameGeometry(), QRect(900, 600, 1000, 700));
    EXPECT_EQ(StoredRect(f.App().m_store), (WindowRect{900, 600, 1000, 700}));
}

TEST(MainFrameRect, UnusableStoredRectangleIsReplacedAndWrittenBack) {
    AppFixture f;
    PutRect(f.m_config.ConfigDir(), {1100, 10, 400, 300});
    f.Start();
    EXPECT_EQ(StoredRect(f.App().m_store), (WindowRect{26, 18, 972, 701}));
    EXPECT_EQ(f.Frame().frameGeometry(), QRect(26, 18, 972, 701));
}

TEST(MainFrameRect, MovesAndResizesAreStoredClampedToTheWorkArea) {
    AppFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    frame.move(-40, 30);
    EXPECT_TRUE(StoredSoon(f.App().m_store, {0, 30, 972, 701}));
    ResizeFrame(frame, 1300, 400);
    EXPECT_TRUE(StoredSoon(f.App().m_store, {0, 30, 1024, 400}));
    frame.move(100, -7);
    EXPECT_TRUE(StoredSoon(f.App().m_store, {100, 0, 1024, 400}));
}

TEST(MainFrameRect, MinimisedWindowChangesNothingAndRestoringStoresAgain) {
    AppFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    frame.move(60, 50);
    ASSERT_TRUE(StoredSoon(f.App().m_store, {60, 50, 972, 701}));
    frame.showMinimized();
    ASSERT_TRUE(frame.isMinimized());
    frame.move(200, 200);
    ResizeFrame(frame, 300, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.IsRectSavePending(); }, 5000));
    EXPECT_EQ(StoredRect(f.App().m_store), (WindowRect{60, 50, 972, 701}));
    frame.showNormal();
    EXPECT_TRUE(StoredSoon(f.App().m_store, {200, 200, 300, 300}));
}

TEST(MainFrameRect, BurstOfMovesIsStoredOnceAfterTheDelayAndTheLastPlaceAtClose) {
    AppFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    const SettingsStore& store = f.App().m_store;
    const WindowRect first = StoredRect(store);
    ASSERT_EQ(first, (WindowRect{26, 18, 972, 701}));

    // A burst of moves: nothing is written until the delay has passed, then
    // the last place.
    QElapsedTimer sinceBurst;
    sinceBurst.start();
    for (int i = 1; i <= 20; ++i) frame.move(26 + i, 18 + i);
    EXPECT_EQ(StoredRect(store), first);
    EXPECT_TRUE(frame.IsRectSavePending());
    ASSERT_TRUE(StoredSoon(store, {46, 38, 972, 701}));
    // A coarse timer may fire up to 5 % early.
    EXPECT_GE(sinceBurst.elapsed(), kSaveRectDelayMs * 9 / 10);

    // The last move of a drag is stored at close even before its delay ends.
    frame.move(300, 200);
    ASSERT_TRUE(frame.IsRectSavePending());
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(StoredRect(store), (WindowRect{300, 200, 972, 701}));
}

// A stored rectangle comes back the same after a start and a close without a
// move, whether or not the window system reports its decorations.
enum class Decorations { Reported, None };

class StartCloseCycle : public ::testing::TestWithParam<Decorations> {};

TEST_P(StartCloseCycle, KeepsTheStoredRectangle) {
    const bool bUndecorated = GetParam() == Decorations::None;
    if (bUndecorated && !InUndecoratedChild()) {
        EXPECT_TRUE(PassesInUndecoratedChild());
        return;
    }
    AppFixture f;
    PutRect(f.m_config.ConfigDir(), {100, 50, 800, 600});
    for (int nStart = 1; nStart <= 3; ++nStart) {
        f.Start();
        ASSERT_NE(f.Frame().windowHandle(), nullptr);
        ASSERT_EQ(f.Frame().windowHandle()->frameMargins().isNull(), bUndecorated);
        EXPECT_EQ(f.Frame().frameGeometry(), QRect(100, 50, 800, 600)) << "start " << nStart;
        ASSERT_TRUE(f.Frame().close());
        EXPECT_EQ(StoredRect(f.App().m_store), (WindowRect{100, 50, 800, 600}))
            << "start " << nStart;
    }
    // Where the user puts the window is where the next start puts it.
    f.Start();
    f.Frame().move(140, 70);
    ResizeFrame(f.Frame(), 640, 480);
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(StoredRect(f.App().m_store), (WindowRect{140, 70, 640, 480}));
    f.Start();
    EXPECT_EQ(f.Frame().frameGeometry(), QRect(140, 70, 640, 480));
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(StoredRect(f.App().m_store), (WindowRect{140, 70, 640, 480}));
}

INSTANTIATE_TEST_SUITE_P(Platforms, StartCloseCycle,
                         ::testing::Values(Decorations::Reported, Decorations::None),
                         [](const auto& info) {
                             return std::string(info.param == Decorations::None ? "Undecorated"
                                                                                : "Decorated");
                         });

// ---- Status bar ----

// The view fills the panes with the selected file's name, size, date and
// image size; whatever it hands over is shown as it is spelled.
class StatusPaneText : public ::testing::TestWithParam<int> {};

TEST_P(StatusPaneText, NameWithMarkupIsShownAsItIsSpelled) {
    AppFixture f;
    f.Start();
    const int nPane = GetParam();
    ASSERT_TRUE(f.Frame().SetPaneTextSized(nPane, kMarkupName));
    QLabel* pPane = f.Frame().Pane(nPane);
    ASSERT_NE(pPane, nullptr);
    EXPECT_EQ(pPane->text(), kMarkupName);
    EXPECT_EQ(pPane->textFormat(), Qt::PlainText);
    EXPECT_FALSE(ShowsRed(pPane->grab().toImage()));
}

INSTANTIATE_TEST_SUITE_P(Panes, StatusPaneText, ::testing::Values(1, 2, 3, 4));

// ---- Command-line start-up ----

TEST(MainFrameStartup, CommandLineFolderIsScannedAfterTheStartupTimer) {
    AppFixture f;
    // "-s" inside the name must not cut it; "-s" on its own is ignored.
    const std::string folder = f.MakeImageFolder("pics-summer", 2);
    f.Start({folder, "-s"});
    // The document and the recent list have the folder, but nothing runs yet.
    EXPECT_EQ(f.App().Document()->GetPathName(), folder);
    EXPECT_TRUE(f.View().IsIdle());
    EXPECT_TRUE(ViewProbe::SearchFolder(f.View()).empty());
    EXPECT_TRUE(f.Frame().IsStartupTimerStarted());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !ViewProbe::SearchFolder(f.View()).empty(); }, 3000));
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), folder);
    EXPECT_EQ(f.Frame().windowTitle(), QString::fromStdString("Galerio - " + folder));
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(f.View().Catalogue().size(), 2u);
    EXPECT_FALSE(f.Frame().SlideShowRequested());
}

// The timer only waits for the window to come up: the grid's first paint
// ends the wait.
TEST(MainFrameStartup, CommandLineFolderIsScannedOnceTheGridHasBeenPainted) {
    AppFixture f;
    const std::string folder = f.MakeImageFolder("painted", 1);
    f.Start({folder});
    ASSERT_TRUE(ViewProbe::SearchFolder(f.View()).empty());
    f.View().viewport()->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), folder);
    EXPECT_TRUE(f.WaitIdle());
}

TEST(MainFrameStartup, StartupTimerRunsOnlyOnce) {
    AppFixture f;
    const std::string folder = f.MakeImageFolder("once", 1);
    f.Start({folder, "-S"});
    EXPECT_TRUE(f.Frame().SlideShowRequested());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ViewProbe::SearchFolder(f.View()).empty(); }, 3000));
    ASSERT_TRUE(f.WaitIdle());
    ASSERT_EQ(f.View().Catalogue().size(), 1u);
    const ImageItem* pFirst = f.View().Catalogue().front().get();
    // Each later initial update asks again; no second scan follows.
    f.Frame().StartStartupTimer();
    f.View().OnInitialUpdate();
    QTest::qWait(400);
    // "-S": the run's end started the slide show, and no scan followed.
    EXPECT_NE(f.View().Slides().Window(), nullptr);
    EXPECT_EQ(f.View().FindDlg(), nullptr);
    ASSERT_EQ(f.View().Catalogue().size(), 1u);
    EXPECT_EQ(f.View().Catalogue().front().get(), pFirst);
}

TEST(MainFrameStartup, NoFolderNoScan) {
    AppFixture f;
    f.Start();
    QTest::qWait(350);
    EXPECT_TRUE(ViewProbe::SearchFolder(f.View()).empty());
    EXPECT_TRUE(f.App().Document()->GetPathName().empty());
    EXPECT_EQ(f.m_messages.Count(), 0u);
}

// ---- Closing ----

TEST(MainFrameClose, IdleWindowClosesAtOnce) {
    AppFixture f;
    f.Start();
    EXPECT_TRUE(f.Frame().close());
    EXPECT_FALSE(f.Frame().isVisible());
    EXPECT_FALSE(f.Frame().IsClosePending());
}

TEST(MainFrameClose, CloseWaitsForTheProgressWindowAndRetriesEveryHalfSecond) {
    AppFixture f;
    f.Start();
    CGalerioView& view = f.View();
    // A real run, held at its first entry until the test lets it go.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> bHeld{false};
    view.SetThumbnailBuilder([&](ImageItem&, int, int, CodecContext&) {
        bHeld = true;
        released.wait();
        return true;
    });
    view.StartSearch(f.MakeImageFolder("held", 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bHeld.load(); }, 5000));

    EXPECT_FALSE(f.Frame().close());
    EXPECT_TRUE(f.Frame().isVisible());
    EXPECT_TRUE(ViewProbe::IsStopRequested(view));
    EXPECT_TRUE(f.Frame().IsClosePending());

    // Ticks keep coming while the window is there.
    QTest::qWait(1200);
    EXPECT_TRUE(f.Frame().isVisible());
    EXPECT_TRUE(f.Frame().IsClosePending());

    // The run stops after its entry: a tick closes the window without the user.
    release.set_value();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.Frame().isVisible(); }, 3000));
    EXPECT_EQ(view.FindDlg(), nullptr);
    EXPECT_FALSE(f.Frame().IsClosePending());
}

TEST(MainFrameClose, CloseDuringARealRunStopsItAndThenCloses) {
    AppFixture f;
    const std::string folder = f.MakeImageFolder("slow", 8);
    f.Start();
    CGalerioView& view = f.View();
    view.SetThumbnailBuilder([](ImageItem&, int, int, CodecContext&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return true;
    });
    view.StartSearch(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.IsProcessing(); }, 5000));

    f.Frame().close();
    EXPECT_TRUE(f.Frame().isVisible());
    EXPECT_TRUE(ViewProbe::IsStopRequested(view));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.Frame().isVisible(); }, 5000));
    // The run stopped before its end and left no half-made catalogue.
    EXPECT_EQ(view.FindDlg(), nullptr);
    EXPECT_TRUE(view.Catalogue().empty());
}

}  // namespace

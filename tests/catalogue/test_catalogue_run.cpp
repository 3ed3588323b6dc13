// SPDX-License-Identifier: MIT
// The run without a view: hand-shake, questions to the user, stopping and
// shutting down, with a plain object standing in for the view.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>

#include "browser/catalogue/catalogue_run.h"
#include "codec/codec_fixtures.h"
#include "support/message_recorder.h"

namespace {

using namespace std::chrono_literals;

// Takes the run's messages the way the view does and keeps them.
class Receiver : public QObject {
public:
    CatalogueRun* m_pRun = nullptr;
    std::vector<RunMessage> m_messages;

    std::vector<int> Types() const {
        std::vector<int> types;
        for (const RunMessage& m : m_messages) types.push_back(m.nType);
        return types;
    }
    bool Has(int nType) const {
        for (const RunMessage& m : m_messages)
            if (m.nType == nType) return true;
        return false;
    }

protected:
    void customEvent(QEvent* e) override {
        RunMessage message = m_pRun->Receive(*e);
        if (message.nType == WM_RUN_ASK) m_pRun->Answer(ShowMessage(message.request));
        m_messages.push_back(std::move(message));
    }
};

bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = 20s) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > limit.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A builder that can keep an entry until the test lets it go, and fails on
// chosen entries.
class Builder {
public:
    ThumbnailBuilder Fn() {
        return [this](ImageItem& item, int, int, CodecContext&) {
            std::unique_lock lock(m_mutex);
            ++m_nCalls;
            m_bHeld = true;
            m_cv.notify_all();
            m_cv.wait(lock, [this] { return !m_bHold; });
            m_bHeld = false;
            return item.m_strPath.find("bad") == std::string::npos;
        };
    }
    void Hold(bool bHold) {
        std::lock_guard lock(m_mutex);
        m_bHold = bHold;
        m_cv.notify_all();
    }
    bool WaitHeld() {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, 20s, [this] { return m_bHeld; });
    }
    int Calls() {
        std::lock_guard lock(m_mutex);
        return m_nCalls;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bHold = false;
    bool m_bHeld = false;
    int m_nCalls = 0;
};

class RunTest : public ::testing::Test {
protected:
    RunTest() : m_run(&m_receiver, m_list) {
        m_receiver.m_pRun = &m_run;
        m_run.SetThumbnailBuilder(m_builder.Fn());
        m_run.SetWindowVisible(true);
    }

    void Add(const std::string& name, ImageKind kind) {
        auto item = std::make_unique<ImageItem>();
        item->m_strPath = m_dir.path().toStdString() + "/" + name;
        item->m_nKind = kind;
        m_list.push_back(std::move(item));
    }

    SearchSettings Search(const std::string& folder) {
        SearchSettings s;
        s.strFolder = folder;
        return s;
    }

    QTemporaryDir m_dir;
    MessageRecorder m_messages;
    ImageList m_list;
    Receiver m_receiver;
    Builder m_builder;
    CatalogueRun m_run;
};

TEST_F(RunTest, SearchReportsEachFileThenSaysDone) {
    for (const char* n : {"a.jpg", "b.bmp"}) std::ofstream(m_dir.path().toStdString() + "/" + n);
    m_run.StartSearch(Search(m_dir.path().toStdString()));
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has(WM_SEARCH_DONE); }));
    m_run.JoinFinished();
    EXPECT_EQ(m_receiver.Types(),
              (std::vector<int>{WM_SEARCH_PROGRESS, WM_SEARCH_PROGRESS, WM_SEARCH_DONE}));
    EXPECT_FALSE(m_receiver.m_messages.back().bNothingFound);
    EXPECT_EQ(m_receiver.m_messages.back().nFolderError, 0);
    EXPECT_EQ(m_list.size(), 2u);
}

TEST_F(RunTest, AFolderThatCannotBeReadSaysWhyInsteadOfNothingFound) {
    m_run.StartSearch(Search(m_dir.path().toStdString() + "/missing"));
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has(WM_SEARCH_DONE); }));
    EXPECT_EQ(m_receiver.m_messages.back().nFolderError, ENOENT);
}

// Nobody takes the first report: the search must not post a second one, and
// after the time limit it asks the user once, through the view, and goes on.
TEST_F(RunTest, UntakenReportWaitsThenAsksOnceAndCarriesOn) {
    for (const char* n : {"a.jpg", "b.jpg"}) std::ofstream(m_dir.path().toStdString() + "/" + n);
    m_run.SetAckTimeout(300ms);
    m_run.StartSearch(Search(m_dir.path().toStdString()));
    std::this_thread::sleep_for(800ms);  // no event is handled meanwhile
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has(WM_SEARCH_DONE); }));
    m_run.JoinFinished();
    ASSERT_GE(m_receiver.m_messages.size(), 2u);
    EXPECT_EQ(m_receiver.m_messages[1].nType, WM_RUN_ASK);
    EXPECT_EQ(m_receiver.m_messages[1].request.text, "Click OK to unlock Galerio and proceed.");
    EXPECT_EQ(m_messages.Texts(), QStringList{"Click OK to unlock Galerio and proceed."});
    EXPECT_EQ(m_receiver.Types(), (std::vector<int>{WM_SEARCH_PROGRESS, WM_RUN_ASK,
                                                    WM_SEARCH_PROGRESS, WM_SEARCH_DONE}));
    EXPECT_EQ(m_list.size(), 2u);
}

TEST_F(RunTest, ShutdownWakesAWorkerWaitingForItsReportToBeTaken) {
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"})
        std::ofstream(m_dir.path().toStdString() + "/" + n);
    m_run.StartSearch(Search(m_dir.path().toStdString()));
    std::this_thread::sleep_for(100ms);  // the second report now waits
    QElapsedTimer timer;
    timer.start();
    m_run.Shutdown();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(m_messages.Count(), 0u);
    // Nothing but the first report was posted.
    QCoreApplication::sendPostedEvents(&m_receiver);
    EXPECT_EQ(m_receiver.Types(), std::vector<int>{WM_SEARCH_PROGRESS});
}

TEST_F(RunTest, ShutdownWakesAWorkerWaitingForTheUsersAnswer) {
    Add("bad.bmp", IMAGE_BMP);
    m_run.StartProcessing(103, 100);
    // No event is handled, so the question about the entry stays unanswered.
    for (int i = 0; i < 2000 && m_builder.Calls() == 0; ++i) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(m_builder.Calls(), 1);
    std::this_thread::sleep_for(100ms);
    QElapsedTimer timer;
    timer.start();
    m_run.Shutdown();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(m_messages.Count(), 0u);
}

struct FailCase {
    const char* name;
    ImageKind kind;
    const char* box;  // empty: no box from the run
};

class RunFailures : public RunTest, public ::testing::WithParamInterface<FailCase> {};

// The codec explains a JPEG that fails; for a bitmap file the run does.
TEST_P(RunFailures, AFailedEntryEndsTheRunWithAnEmptyCatalogue) {
    const FailCase& c = GetParam();
    Add("good.jpg", IMAGE_JPEG);
    Add(c.name, c.kind);
    Add("later.jpg", IMAGE_JPEG);
    m_run.StartProcessing(103, 100);
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has(WM_PROCESS_DONE); }));
    m_run.JoinFinished();
    EXPECT_EQ(m_builder.Calls(), 2);
    EXPECT_TRUE(m_list.empty());
    QStringList expected;
    if (*c.box) expected << QString::fromUtf8(c.box).arg(m_dir.path() + "/" + c.name);
    EXPECT_EQ(m_messages.Texts(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RunFailures,
    ::testing::Values(FailCase{"bad.bmp", IMAGE_BMP, "Could not read image\n%1"},
                      FailCase{"bad <b>x</b>.bmp", IMAGE_BMP, "Could not read image\n%1"},
                      FailCase{"bad.jpg", IMAGE_JPEG, ""}));

// A stop while an entry is being made: that entry may fail (its decode was
// abandoned), but without a box, and nothing after it is made.
TEST_F(RunTest, StopDuringAnEntryEndsTheRunSilently) {
    Add("bad.bmp", IMAGE_BMP);
    Add("b.jpg", IMAGE_JPEG);
    m_builder.Hold(true);
    m_run.StartProcessing(103, 100);
    ASSERT_TRUE(m_builder.WaitHeld());
    m_run.RequestStop();
    EXPECT_TRUE(m_run.IsStopRequested());
    m_builder.Hold(false);
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has(WM_PROCESS_DONE); }));
    m_run.JoinFinished();
    EXPECT_EQ(m_builder.Calls(), 1);
    EXPECT_TRUE(m_list.empty());
    EXPECT_EQ(m_messages.Count(), 0u);
}

// The view may receive other events of user types; they are not the run's.
TEST_F(RunTest, AnEventThatIsNotTheRunsIsNotTakenForOne) {
    QCoreApplication::postEvent(&m_receiver, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&m_receiver);
    ASSERT_EQ(m_receiver.m_messages.size(), 1u);
    EXPECT_EQ(m_receiver.m_messages[0].nType, 0);
}

TEST_F(RunTest, HiddenWindowStopsBeforeTheFirstEntry) {
    Add("a.jpg", IMAGE_JPEG);
    m_run.SetWindowVisible(false);
    m_run.StartProcessing(103, 100);
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has(WM_PROCESS_DONE); }));
    m_run.JoinFinished();
    EXPECT_EQ(m_builder.Calls(), 0);
    EXPECT_TRUE(m_list.empty());
    EXPECT_EQ(m_receiver.Types(), std::vector<int>{WM_PROCESS_DONE});
}

// The real builder on helper threads: every entry follows the orientation
// choice the run started with, also when the setting changes meanwhile.
TEST(RunOrientation, EveryThreadKeepsTheChoiceTheRunStartedWith) {
    QTemporaryDir dir;
    MessageRecorder messages;
    ImageList list;
    Receiver receiver;
    CatalogueRun run(&receiver, list);
    receiver.m_pRun = &run;
    run.SetWindowVisible(true);
    run.SetThumbnailThreads(3);
    const int aTags[] = {6, 1, 8, 3, 5, 2, 7, 4, 6, 8};
    for (std::size_t i = 0; i < std::size(aTags); ++i) {
        auto item = std::make_unique<ImageItem>();
        item->m_strPath =
            WriteQuadrantJpegWithApp1(dir.path().toStdString() + "/" + std::to_string(i) + ".jpg",
                                      160, 80, ExifOrientationBlock(aTags[i]));
        item->m_nKind = IMAGE_JPEG;
        list.push_back(std::move(item));
    }
    run.SetRotateByTag(true);
    run.StartProcessing(103, 100);
    run.SetRotateByTag(false);
    ASSERT_TRUE(PumpUntil([&receiver] { return receiver.Has(WM_PROCESS_DONE); }));
    run.JoinFinished();
    ASSERT_EQ(list.size(), std::size(aTags));
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i]->m_strDim, aTags[i] >= 5 ? "50 x 100" : "100 x 50") << i;
    EXPECT_EQ(messages.Count(), 0u);
}

}  // namespace

// SPDX-License-Identifier: MIT
// The run without a view: what the user-interface thread hears and in what
// order, the boxes it shows, stopping and shutting down, with a plain object
// standing in for the view.
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

// Takes the run's events the way the view does and notes what it hears.
class Receiver : public QObject, public IRunListener {
public:
    CatalogueRun* m_pRun = nullptr;
    QStringList m_heard;

    bool Has(const QString& what) const { return m_heard.contains(what); }

protected:
    void customEvent(QEvent* e) override {
        if (!m_pRun->Dispatch(*e, *this)) m_heard << "other";
    }
    void OnSearchProgress(const std::string& path) override { m_heard << Name("search", path); }
    void OnSearchDone(bool bNothingFound, int nFolderError) override {
        m_heard << QString("searched %1 %2").arg(bNothingFound).arg(nFolderError);
    }
    void OnProcessProgress(const std::string& path) override { m_heard << Name("make", path); }
    void OnProcessDone() override { m_heard << "done"; }
    // The name without its folder, which may hold a "/" of its own.
    static QString Name(const char* pszWhat, const std::string& path) {
        const std::size_t nCut = path.rfind('/', path.find_first_of("<") - 1);
        return QString::fromLatin1(pszWhat) + " " + QString::fromStdString(path.substr(nCut + 1));
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

TEST_F(RunTest, SearchReportsEachFileThenHandsTheCatalogueOver) {
    for (const char* n : {"a.jpg", "b.bmp"}) std::ofstream(m_dir.path().toStdString() + "/" + n);
    m_run.StartSearch(Search(m_dir.path().toStdString()));
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has("searched 0 0"); }));
    m_run.JoinFinished();
    EXPECT_EQ(m_receiver.m_heard, QStringList({"search a.jpg", "search b.bmp", "searched 0 0"}));
    EXPECT_EQ(m_list.size(), 2u);
}

TEST_F(RunTest, AFolderThatCannotBeReadSaysWhyInsteadOfNothingFound) {
    m_run.StartSearch(Search(m_dir.path().toStdString() + "/gone"));
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.m_heard.size() == 1; }));
    m_run.JoinFinished();
    EXPECT_EQ(m_receiver.m_heard, QStringList{QString("searched 1 %1").arg(ENOENT)});
}

// Shutting down ends a decode in progress: the helpers share the run's stop.
TEST_F(RunTest, ShutdownEndsADecodeInProgress) {
    Add("a.jpg", IMAGE_JPEG);
    std::atomic<bool> bDecoding{false};
    m_run.SetThumbnailBuilder([&](ImageItem&, int, int, CodecContext& context) {
        bDecoding = true;
        const auto start = std::chrono::steady_clock::now();
        while (!context.Stopped())
            if (std::chrono::steady_clock::now() - start > 20s) return true;
        return false;
    });
    m_run.StartProcessing(103, 100);
    while (!bDecoding) std::this_thread::sleep_for(1ms);
    QElapsedTimer timer;
    timer.start();
    m_run.Shutdown();
    EXPECT_LT(timer.elapsed(), 10000);
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
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has("done"); }));
    m_run.JoinFinished();
    // The entry after the failure may have been made ahead; it is never told.
    EXPECT_EQ(m_receiver.m_heard, QStringList({"make good.jpg", "make " + QString(c.name), "done"}));
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
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has("done"); }));
    m_run.JoinFinished();
    EXPECT_EQ(m_builder.Calls(), 1);
    EXPECT_TRUE(m_list.empty());
    EXPECT_EQ(m_messages.Count(), 0u);
}

// The view may receive other events of user types; they are not the run's.
TEST_F(RunTest, AnEventThatIsNotTheRunsIsNotTakenForOne) {
    QCoreApplication::postEvent(&m_receiver, new QEvent(WM_SEARCH_DONE));
    QCoreApplication::sendPostedEvents(&m_receiver);
    EXPECT_EQ(m_receiver.m_heard, QStringList{"other"});
}

TEST_F(RunTest, HiddenWindowStopsBeforeTheFirstEntry) {
    Add("a.jpg", IMAGE_JPEG);
    m_run.SetWindowVisible(false);
    m_run.StartProcessing(103, 100);
    ASSERT_TRUE(PumpUntil([this] { return m_receiver.Has("done"); }));
    m_run.JoinFinished();
    EXPECT_EQ(m_builder.Calls(), 0);
    EXPECT_TRUE(m_list.empty());
    EXPECT_EQ(m_receiver.m_heard, QStringList{"done"});
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
    ASSERT_TRUE(PumpUntil([&receiver] { return receiver.Has("done"); }));
    run.JoinFinished();
    ASSERT_EQ(list.size(), std::size(aTags));
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i]->m_strDim, aTags[i] >= 5 ? "50 x 100" : "100 x 50") << i;
    EXPECT_EQ(messages.Count(), 0u);
}

}  // namespace

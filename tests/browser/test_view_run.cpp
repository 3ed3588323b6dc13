// SPDX-License-Identifier: MIT
// The run of a folder through the view: the search and processing threads,
// the progress window, the order of what it shows, stopping, and destroying
// mid-run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>
#include <thread>

#include "browser/catalogue/thumb_cache.h"
#include "browser/find_files_dlg.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/click_entry.h"
#include "support/markup_name.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"
#include "support/view_probe.h"
#include "view_test_helpers.h"

namespace {

using namespace std::chrono_literals;

// A thumbnail builder the test scripts: records each call, fails on a chosen
// entry, and can hold an entry until the test lets it go.
// The real codec, as the run calls it.
bool BuildWithContext(ImageItem& item, int nPitch, int nThumbSize, CodecContext& context) {
    return BuildOrientedThumbnail(item, nPitch, nThumbSize, false, context);
}

class ScriptedBuilder {
public:
    struct Call {
        std::string path;
        int nPitch;
        int nThumbSize;
    };

    ThumbnailBuilder Fn() {
        return [this](ImageItem& item, int nPitch, int nThumbSize, CodecContext&) {
            return Build(item, nPitch, nThumbSize);
        };
    }

    void FailOnCall(int n) { m_nFailOn = n; }
    void FailOnPath(const std::string& path) { m_strFailPath = path; }
    void HoldCall(int n) { m_nHoldOn = n; }
    void HoldPath(const std::string& path) { m_strHoldPath = path; }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_bReleased = true;
        m_cv.notify_all();
    }
    bool IsHeld() const { return m_bHeld.load(); }
    std::vector<Call> Calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    // Runs on the processing thread.
    bool Build(ImageItem& item, int nPitch, int nThumbSize) {
        int n = 0;
        {
            std::lock_guard lock(m_mutex);
            m_calls.push_back({item.m_strPath, nPitch, nThumbSize});
            n = static_cast<int>(m_calls.size());
        }
        if (n == m_nHoldOn || item.m_strPath == m_strHoldPath) {
            std::unique_lock lock(m_mutex);
            m_bHeld.store(true);
            m_cv.wait_for(lock, 20s, [this] { return m_bReleased; });
        }
        if (n == m_nFailOn || item.m_strPath == m_strFailPath) return false;
        item.m_nThumbWidth = nThumbSize;
        item.m_nThumbHeight = nThumbSize / 2;
        item.m_pBits =
            std::make_unique<std::uint8_t[]>(DisplayStride(nThumbSize) * (nThumbSize / 2));
        return true;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Call> m_calls;
    int m_nFailOn = 0;
    std::string m_strFailPath;
    std::string m_strHoldPath;
    int m_nHoldOn = 0;
    bool m_bReleased = false;
    std::atomic<bool> m_bHeld{false};
};

class ViewRun : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.SetFilePath(m_config.ConfigDir() + "/galerio-test.ini");
        m_strFolder = m_config.WorkDir();
        // Which entries the builder is called for, and when, is a fact of
        // one building thread; helpers build ahead (tested below).
        SetThreads(1);
    }

    void SetThreads(int nThreads) {
        m_store.PutInt(kSectionPerformance, kThumbnailThreads, nThreads);
    }

    void MakeView() {
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        m_pView->SetThumbnailBuilder(m_builder.Fn());
        m_pView->resize(400, 300);
    }

    void Touch(const std::string& name) {
        const int fd = ::open((m_strFolder + "/" + name).c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }

    // Starts a search and follows the progress window from its birth to its end.
    void Start(const std::string& folder) {
        m_pView->StartSearch(folder);
        CFindFilesDlg* pDlg = m_pView->FindDlg();
        ASSERT_NE(pDlg, nullptr);
        m_log << "title:" + pDlg->windowTitle() << "text:" + pDlg->Text();
        QObject::connect(pDlg, &CFindFilesDlg::TitleChanged,
                         [this](const QString& t) { m_log << "title:" + t; });
        QObject::connect(pDlg, &CFindFilesDlg::TextChanged,
                         [this](const QString& t) { m_log << "text:" + t; });
        QObject::connect(pDlg, &QObject::destroyed, [this] { m_log << "gone"; });
    }

    bool WaitIdle() {
        return PumpUntil([this] { return m_pView->IsIdle(); });
    }

    QString Text(const std::string& name) const {
        return "text:" + QString::fromStdString(m_strFolder + "/" + name);
    }

    std::vector<std::string> CataloguePaths() const {
        std::vector<std::string> out;
        for (const auto& item : m_pView->Catalogue()) out.push_back(item->m_strPath);
        return out;
    }

    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
    RecordingHost m_host;
    ScriptedBuilder m_builder;
    std::string m_strFolder;
    QStringList m_log;
    std::unique_ptr<CGalerioView> m_pView;
};

TEST_F(ViewRun, ThreeImagesShowEveryFileInOrderThenTheWindowGoes) {
    m_store.PutInt(kSectionSettings, kSortOption, 1);
    m_store.PutInt(kSectionSettings, kSortStyle, 1);  // descending names
    Touch("b.jpeg");
    Touch("c.bmp");
    Touch("a.jpg");
    MakeView();
    Start(m_strFolder + "/");
    EXPECT_FALSE(m_pView->IsIdle());
    ASSERT_TRUE(WaitIdle());

    // Search texts in scan order, processing texts in catalogue order.
    EXPECT_EQ(m_log,
              (QStringList{"title:Searching For Image Files", "text:starting...", Text("a.jpg"),
                           Text("b.jpeg"), Text("c.bmp"), "title:Processing Image Files",
                           Text("c.bmp"), Text("b.jpeg"), Text("a.jpg"), "gone"}));
    const std::vector<ScriptedBuilder::Call> calls = m_builder.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].nPitch, 103);
    EXPECT_EQ(calls[0].nThumbSize, 100);
    for (const auto& item : m_pView->Catalogue()) EXPECT_NE(item->m_pBits, nullptr);
    EXPECT_EQ(m_pView->Catalogue().at(2)->m_nKind, IMAGE_JPEG);

    EXPECT_EQ(ViewProbe::SearchFolder(*m_pView), m_strFolder);
    EXPECT_EQ(m_host.m_titles, QStringList{"Galerio - " + QString::fromStdString(m_strFolder)});
    EXPECT_EQ(m_host.m_recent, std::vector<std::string>{m_strFolder});
    std::vector<std::pair<int, QString>> blanks;
    for (int n = 1; n <= 4; ++n) blanks.emplace_back(n, QString(10, QLatin1Char(' ')));
    EXPECT_EQ(m_host.m_panes, blanks);
    EXPECT_EQ(m_messages.Count(), 0u);
    EXPECT_EQ(m_host.m_nCloseRequests, 0);
    EXPECT_EQ(m_host.m_nSlideShows, 0);
    EXPECT_FALSE(m_pView->IsSearching());
    EXPECT_FALSE(m_pView->IsProcessing());
    EXPECT_EQ(m_pView->verticalScrollBar()->value(), 0);
}

TEST_F(ViewRun, EmptyFolderSaysNoFilesFoundAndEndsEmpty) {
    Touch("readme.txt");
    MakeView();
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(m_messages.Count(), 1u);
    const MessageRequest box = m_messages.Messages()[0];
    EXPECT_EQ(box.text, "No files found.");
    EXPECT_EQ(box.caption, "Galerio");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(m_pView->Catalogue().empty());
    EXPECT_TRUE(m_builder.Calls().empty());
    EXPECT_EQ(m_log, (QStringList{"title:Searching For Image Files", "text:starting...",
                                  "title:Processing Image Files", "gone"}));
}

struct UnreadableCase {
    const char* name;
    const char* sub;  // below the test folder
    const char* reason;
};

class ViewRunUnreadable : public ViewRun, public ::testing::WithParamInterface<UnreadableCase> {};

// A folder that cannot be read is not an empty one: the user is told why.
TEST_P(ViewRunUnreadable, SaysWhyTheFolderCannotBeRead) {
    const UnreadableCase& c = GetParam();
    Touch("plain.txt");
    const std::string locked = m_strFolder + "/locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0), 0);
    if (std::string(c.sub) == "locked" && ::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    MakeView();
    Start(m_strFolder + "/" + c.sub);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_messages.Texts(),
              QStringList{QStringLiteral("Could not read folder\n%1/%2\n%3")
                              .arg(QString::fromStdString(m_strFolder), c.sub, c.reason)});
    EXPECT_TRUE(m_pView->Catalogue().empty());
    EXPECT_EQ(m_log.back(), "gone");
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ViewRunUnreadable,
    ::testing::Values(UnreadableCase{"Missing", "does-not-exist", "No such file or directory"},
                      UnreadableCase{"File", "plain.txt", "Not a directory"},
                      UnreadableCase{"NoPermission", "locked", "Permission denied"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewRun, SkippedMatchesGiveAnEmptyCatalogueWithoutTheMessage) {
    Touch(".hidden.jpg");
    m_store.PutInt(kSectionSettings, kTNSearch, 1);
    // The search thread reads the thumbnail texts from the store itself.
    m_store.PutString(kSectionSettings, kPostPendText, "_small");
    Touch("beach_small.jpg");
    Touch("beach_tn.jpg");
    MakeView();
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_messages.Count(), 0u);
    EXPECT_EQ(CataloguePaths(), std::vector<std::string>{m_strFolder + "/beach_tn.jpg"});
}

TEST_F(ViewRun, FailingSecondOfFiveEmptiesTheCatalogue) {
    m_store.PutInt(kSectionSettings, kSortOption, 1);
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) Touch(n);
    m_builder.FailOnCall(2);
    MakeView();
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    // Entries after the failing one may have been made ahead, never shown.
    const auto calls = m_builder.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].path, m_strFolder + "/a.jpg");
    EXPECT_EQ(calls[1].path, m_strFolder + "/b.jpg");
    EXPECT_TRUE(m_pView->Catalogue().empty());
    EXPECT_EQ(m_pView->Selected(), nullptr);
    EXPECT_EQ(m_log.back(), "gone");
    EXPECT_EQ(m_host.m_nCloseRequests, 0);
}

// With helpers building ahead, a failing entry still ends the run where it
// is, and what was built after it is dropped with the rest.
TEST_F(ViewRun, HelpersAheadOfAFailingEntryLeaveNothing) {
    SetThreads(4);
    m_store.PutInt(kSectionSettings, kSortOption, 1);
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) Touch(n);
    m_builder.FailOnPath(m_strFolder + "/b.jpg");
    MakeView();
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(m_pView->Catalogue().empty());
    const qsizetype nProcessing = m_log.indexOf("title:Processing Image Files");
    ASSERT_GE(nProcessing, 0);
    EXPECT_EQ(m_log.mid(nProcessing + 1), QStringList({Text("a.jpg"), Text("b.jpg"), "gone"}));
    EXPECT_EQ(m_messages.Count(), 0u);
}

struct BrokenCase {
    const char* name;     // the broken file, second by name
    const char* caption;  // the one box expected
    const char* text;     // its text, or its start for the library's text
    MsgIcon icon;
};

class ViewRunBroken : public ViewRun,
                      public ::testing::WithParamInterface<std::tuple<BrokenCase, int>> {};

// The same with the real codec: a text file named like a photo stops the run
// after the first photo was made, with one box that says why.
// With helper threads too: their boxes wait until the window reaches the
// entry, so the user sees the same boxes in the same order.
TEST_P(ViewRunBroken, TextFileNamedLikeAPhotoStopsTheRealRunWithOneBox) {
    const BrokenCase& c = std::get<0>(GetParam());
    SetThreads(std::get<1>(GetParam()));
    m_store.PutInt(kSectionSettings, kSortOption, 1);
    std::vector<std::uint8_t> pixels(64 * 48 * 3, 0x80);
    for (const char* n : {"a.jpg", "c.jpg", "d.jpg", "e.jpg"})
        ASSERT_TRUE(JpegFile::WriteJpegFile(m_strFolder + "/" + n, pixels.data(), 64, 48, 90));
    {
        std::ofstream notAPhoto(m_strFolder + "/" + c.name);
        notAPhoto << "plain text, not a photograph\n";
    }
    MakeView();
    m_pView->SetThumbnailBuilder(BuildWithContext);
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());

    const std::vector<MessageRequest> boxes = m_messages.Messages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, c.caption);
    const QString text = QString::fromUtf8(c.text).arg(Text(c.name).mid(5));
    EXPECT_TRUE(boxes[0].text.startsWith(text)) << boxes[0].text.toStdString();
    EXPECT_EQ(boxes[0].icon, c.icon);
    // Processing reached the broken file and went no further.
    const qsizetype nProcessing = m_log.indexOf("title:Processing Image Files");
    ASSERT_GE(nProcessing, 0);
    EXPECT_EQ(m_log.mid(nProcessing + 1), QStringList({Text("a.jpg"), Text(c.name), "gone"}));
    EXPECT_TRUE(m_pView->Catalogue().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ViewRunBroken,
    ::testing::Combine(::testing::Values(BrokenCase{"b.jpg", "JPEG Fatal Error", "Not a JPEG file",
                                                    MsgIcon::Error},
                                         BrokenCase{"b.bmp", "Galerio", "Could not read image\n%1",
                                                    MsgIcon::Exclamation}),
                       ::testing::Values(1, 4)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name[2] == 'j' ? "Jpeg" : "Bitmap") +
               std::to_string(std::get<1>(info.param)) + "Threads";
    });

class ViewRunKeys : public ViewRun, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(ViewRunKeys, DismissingTheWindowStopsBeforeTheNextEntry) {
    m_store.PutInt(kSectionSettings, kSortOption, 1);
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) Touch(n);
    m_builder.HoldCall(1);
    MakeView();
    Start(m_strFolder);
    ASSERT_TRUE(PumpUntil([this] { return m_builder.IsHeld(); }));
    QTest::keyClick(m_pView->FindDlg(), GetParam());
    EXPECT_FALSE(m_pView->FindDlg()->isVisible());
    m_builder.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_builder.Calls().size(), 1u);
    EXPECT_TRUE(m_pView->Catalogue().empty());
    EXPECT_FALSE(ViewProbe::IsStopRequested(*m_pView));
    EXPECT_EQ(m_host.m_nCloseRequests, 0);  // the program keeps running
    EXPECT_EQ(m_log.back(), "gone");
}

INSTANTIATE_TEST_SUITE_P(Keys, ViewRunKeys,
                         ::testing::Values(Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter));

// A decode of a huge image (a forged header makes one of a tiny file) must
// not hold up a stop: the helpers' reads see the run's stop.
TEST_F(ViewRun, HidingTheWindowEndsADecodeInProgress) {
    for (const char* n : {"a.jpg", "b.jpg"}) Touch(n);
    std::atomic<bool> bDecoding{false};
    MakeView();
    m_pView->SetThumbnailBuilder([&](ImageItem&, int, int, CodecContext& context) {
        bDecoding = true;
        // Stands for the codec's rows: each asks whether to go on.
        const auto start = std::chrono::steady_clock::now();
        while (!context.Stopped())
            if (std::chrono::steady_clock::now() - start > 20s) return true;
        return false;
    });
    Start(m_strFolder);
    ASSERT_TRUE(PumpUntil([&] { return bDecoding.load(); }));
    const auto start = std::chrono::steady_clock::now();
    QTest::keyClick(m_pView->FindDlg(), Qt::Key_Escape);
    ASSERT_TRUE(WaitIdle());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(m_messages.Count(), 0u);
    EXPECT_TRUE(m_pView->Catalogue().empty());
}

TEST_F(ViewRun, CloseRequestDuringProcessingStopsAndAsksTheMainWindowToClose) {
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) Touch(n);
    m_builder.HoldCall(1);
    MakeView();
    Start(m_strFolder);
    ASSERT_TRUE(PumpUntil([this] { return m_builder.IsHeld(); }));
    EXPECT_FALSE(m_pView->FindDlg()->close());
    EXPECT_TRUE(m_pView->FindDlg()->isVisible());  // stays until the run stops
    EXPECT_TRUE(ViewProbe::IsStopRequested(*m_pView));
    EXPECT_EQ(m_host.m_nCloseRequests, 0);
    m_builder.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_builder.Calls().size(), 1u);
    EXPECT_TRUE(m_pView->Catalogue().empty());
    EXPECT_EQ(m_host.m_nCloseRequests, 1);
}

TEST_F(ViewRun, CloseRequestDuringTheSearchActsWhenProcessingBegins) {
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) Touch(n);
    MakeView();
    Start(m_strFolder);
    // The search waits for its first report to be shown, so it is still running.
    EXPECT_FALSE(m_pView->FindDlg()->close());
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(m_builder.Calls().empty());
    EXPECT_TRUE(m_pView->Catalogue().empty());
    EXPECT_EQ(m_host.m_nCloseRequests, 1);
    // The search runs to its end.
    QStringList searched = m_log.mid(2, 3);  // in the directory's order
    searched.sort();
    EXPECT_EQ(searched, (QStringList{Text("a.jpg"), Text("b.jpg"), Text("c.jpg")}));
}

TEST_F(ViewRun, IdleWindowClosesNormally) {
    MakeView();
    CFindFilesDlg dlg(m_pView.get());
    dlg.Create(m_pView.get());
    EXPECT_EQ(dlg.Text(), "starting...");
    // A burst of reports is painted at a readable pace, ending on the last.
    QLabel* pLabel = dlg.findChild<QLabel*>();
    ASSERT_NE(pLabel, nullptr);
    for (int i = 0; i < 100; ++i) dlg.SetText(QString::number(i));
    EXPECT_EQ(dlg.Text(), "99");
    EXPECT_TRUE(PumpUntil([&] { return pLabel->text() == "99"; }, 2s));
    EXPECT_TRUE(dlg.close());
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(ViewProbe::IsStopRequested(*m_pView));
}

// With the real builder the cache serves an unchanged photo the second
// time: the same thumbnail, byte for byte, from its record. A changed photo
// is decoded again, and a deleted one's record goes with it.
TEST_F(ViewRun, SecondRunTakesUnchangedThumbnailsFromTheCache) {
    m_store.PutInt(kSectionSettings, kSortOption, 1);
    m_store.PutInt(kSectionSettings, kNoDelDlg, 1);
    SetThreads(2);
    const auto write = [this](const char* name, std::uint8_t value) {
        std::vector<std::uint8_t> pixels(320 * 240 * 3);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t(i * value / 5);
        ASSERT_TRUE(JpegFile::WriteJpegFile(m_strFolder + "/" + name, pixels.data(), 320, 240, 90));
    };
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) write(n, 3);
    const auto snapshot = [this] {
        std::vector<std::string> rows;
        for (const auto& item : m_pView->Catalogue())
            rows.emplace_back(reinterpret_cast<const char*>(item->m_pBits.get()),
                              DisplayStride(std::uint32_t(item->m_nThumbWidth)) *
                                  std::size_t(item->m_nThumbHeight));
        return rows;
    };
    m_pView = std::make_unique<CGalerioView>(m_store, &m_host);  // the real builder
    m_pView->StartSearch(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    const std::vector<std::string> first = snapshot();
    ASSERT_EQ(first.size(), 3u);
    const std::string cache = ThumbCache::DefaultFolder();
    const auto records = [&cache] {
        std::vector<std::string> files;
        for (const auto& bucket : std::filesystem::directory_iterator(cache))
            for (const auto& file : std::filesystem::directory_iterator(bucket.path()))
                files.push_back(file.path().string());
        std::sort(files.begin(), files.end());
        return files;
    };
    const std::vector<std::string> stored = records();
    ASSERT_EQ(stored.size(), 3u);
    // Records made long ago: a hit marks its record used again.
    for (const std::string& record : stored) {
        const struct timespec old[2] = {{1000, 0}, {1000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, record.c_str(), old, 0), 0);
    }
    write("b.jpg", 7);  // changed: decoded again, with other pixels
    m_pView->StartSearch(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    const std::vector<std::string> second = snapshot();
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_NE(second[1], first[1]);
    EXPECT_EQ(second[2], first[2]);
    for (const std::string& record : records()) {
        struct stat st {};
        ASSERT_EQ(::stat(record.c_str(), &st), 0);
        EXPECT_GT(st.st_mtim.tv_sec, 1000) << record;
    }
    EXPECT_EQ(m_messages.Count(), 0u);

    ClickEntry(*m_pView, 0);
    m_pView->OnDeleteThumb();
    EXPECT_EQ(records().size(), 2u);
}

// Pixels released during the run and while scrolling come back as a fresh
// build's bytes, from the cache (true) or a new build (false), on the screen
// and ahead of it.
class ViewRunResidency : public ViewRun, public ::testing::WithParamInterface<bool> {};

TEST_P(ViewRunResidency, ScrollingAwayAndBackShowsTheSameBytes) {
    m_store.PutInt(kSectionPerformance, kThumbCache, GetParam() ? 1 : 0);
    SetThreads(2);
    constexpr std::size_t kFiles = 150;
    for (std::size_t n = 0; n < kFiles; ++n) {
        std::vector<std::uint8_t> px(120 * 90 * 3);
        for (std::size_t i = 0; i < px.size(); ++i) px[i] = std::uint8_t(i * (n + 2) / 9);
        const std::string name = m_strFolder + "/p" + std::to_string(1000 + n) + ".jpg";
        ASSERT_TRUE(JpegFile::WriteJpegFile(name, px.data(), 120, 90, 90));
    }
    m_pView = std::make_unique<CGalerioView>(m_store, &m_host);  // the real builder
    m_pView->resize(400, 300);
    m_pView->show();
    m_pView->StartSearch(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    const ImageList& list = m_pView->Catalogue();
    ASSERT_EQ(list.size(), kFiles);
    const auto bytes = [](const ImageItem& item) {
        return item.m_pBits ? std::string(reinterpret_cast<const char*>(item.m_pBits.get()),
                                          DisplayStride(item.m_nThumbWidth) * item.m_nThumbHeight)
                            : std::string();
    };
    std::vector<std::string> want;
    for (const auto& pItem : list) {
        ImageItem fresh;
        fresh.m_nKind = pItem->m_nKind;
        fresh.m_strPath = pItem->m_strPath;
        ASSERT_TRUE(BuildThumbnailBitmap(fresh, 103, 100));
        want.push_back(bytes(fresh));
    }
    const auto resident = [&list] {
        return std::count_if(list.begin(), list.end(), [](const auto& p) { return !!p->m_pBits; });
    };
    EXPECT_LT(resident(), 60);
    QScrollBar* pV = m_pView->verticalScrollBar();
    std::vector<int> ys;
    for (int y = 0; y < pV->maximum(); y += pV->pageStep()) ys.push_back(y);
    ys.push_back(pV->maximum());
    ys.insert(ys.end(), ys.rbegin(), ys.rend());
    for (std::size_t k = 0; k < ys.size(); ++k) {
        const int y = ys[k];
        pV->setValue(y);
        m_pView->viewport()->grab();
        const int h = m_pView->viewport()->height();
        const std::size_t nFirst = std::size_t(y / 103) * 3;
        const std::size_t nLast = std::min(kFiles, std::size_t((y + h) / 103 * 3 + 3));
        for (std::size_t i = nFirst; i < nLast; ++i)
            ASSERT_EQ(bytes(*list[i]), want[i]) << "entry " << i << " at " << y;
        // The next screen the way the grid moves comes back meanwhile.
        const bool bDown = k < ys.size() / 2;
        const std::size_t nFrom = bDown ? nLast : nFirst - std::min(nFirst, nLast - nFirst);
        const std::size_t nTo = bDown ? std::min(kFiles, 2 * nLast - nFirst) : nFirst;
        ASSERT_TRUE(PumpUntil([&] {
            return std::all_of(list.begin() + nFrom, list.begin() + nTo,
                               [](const auto& p) { return !!p->m_pBits; });
        })) << y;
        for (std::size_t i = nFrom; i < nTo; ++i)
            ASSERT_EQ(bytes(*list[i]), want[i]) << "entry " << i << " ahead of " << y;
        EXPECT_LT(resident(), 80) << y;
        EXPECT_LE(ViewProbe::ThumbCacheSize(*m_pView), std::size_t(resident())) << y;
    }
    EXPECT_EQ(m_messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(CacheOnOff, ViewRunResidency, ::testing::Bool());

TEST_F(ViewRun, ReprocessingAtANewPitchKeepsOrderAndReplacesPixels) {
    m_store.PutInt(kSectionSettings, kSortOption, 2);  // by size
    for (int n = 0; n < 3; ++n) {
        QImage img(200 - 40 * n, 100, QImage::Format_RGB32);
        img.fill(QColor(10 * n, 80, 160));
        ASSERT_TRUE(
            img.save(QString::fromStdString(m_strFolder + "/img" + std::to_string(n) + ".bmp")));
    }
    MakeView();
    m_pView->SetThumbnailBuilder(BuildWithContext);  // the real codec
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(m_pView->Catalogue().size(), 3u);
    std::vector<ImageItem*> entries;
    std::vector<const std::uint8_t*> oldBits;
    for (const auto& item : m_pView->Catalogue()) {
        entries.push_back(item.get());
        oldBits.push_back(item->m_pBits.get());
        EXPECT_EQ(item->m_nThumbWidth, 100);
        EXPECT_NE(item->m_pBits, nullptr);
    }
    const std::vector<std::string> order = CataloguePaths();

    ASSERT_TRUE(m_pView->ReprocessAtPitch(53));
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(CataloguePaths(), order);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ImageItem& item = *m_pView->Catalogue().at(i);
        EXPECT_EQ(&item, entries[i]);
        EXPECT_EQ(item.m_nThumbWidth, 50);
        EXPECT_EQ(item.m_strDim, QString::asprintf("50 x %d", item.m_nThumbHeight).toStdString());
        EXPECT_NE(item.m_pBits, nullptr);
    }
    EXPECT_EQ(m_messages.Count(), 0u);
}

// A second run gives every entry new pixels, often at the address the old
// ones had; the grid must show the new ones.
TEST_F(ViewRun, ARunAtTheSamePitchPaintsTheNewPixels) {
    Touch("a.jpg");
    MakeView();
    std::atomic<int> nColour{0x2040C0};
    m_pView->SetThumbnailBuilder([&](ImageItem& item, int, int, CodecContext&) {
        item.m_pBits.reset();
        item.m_nThumbWidth = 40;
        item.m_nThumbHeight = 40;
        const std::uint32_t nStride = DisplayStride(40);
        item.m_pBits = std::make_unique<std::uint8_t[]>(nStride * 40);
        const int c = nColour.load();  // 0xRRGGBB
        for (std::uint32_t y = 0; y < 40; ++y)
            for (std::uint32_t x = 0; x < 40; ++x) {
                std::uint8_t* p = item.m_pBits.get() + y * nStride + x * 3;
                p[0] = c & 0xFF;  // display rows are blue, green, red
                p[1] = (c >> 8) & 0xFF;
                p[2] = (c >> 16) & 0xFF;
            }
        return true;
    });
    auto centre = [this] {
        QImage image(m_pView->Settings().m_nPitch, m_pView->Settings().m_nPitch,
                     QImage::Format_RGB32);
        QPainter painter(&image);
        ViewProbe::OnDraw(*m_pView, painter, image.rect());
        return image.pixelColor(m_pView->Settings().m_nPitch / 2, m_pView->Settings().m_nPitch / 2);
    };
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(centre(), QColor(0x20, 0x40, 0xC0));

    nColour = 0x10E030;
    ViewProbe::StartProcessing(*m_pView);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(centre(), QColor(0x10, 0xE0, 0x30));
}

// The workers never wait for the user-interface thread: a window that handles
// no messages for a while holds nothing up and needs no unlocking.
TEST_F(ViewRun, ABusyWindowHoldsTheRunUpWithoutAnyBox) {
    Touch("a.jpg");
    Touch("b.bmp");
    MakeView();
    Start(m_strFolder);
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_messages.Count(), 0u);
    EXPECT_EQ(m_builder.Calls().size(), 2u);
    EXPECT_EQ(m_pView->Catalogue().size(), 2u);
}

TEST_F(ViewRun, SlideShowStartsAtTheEndOfEveryRunWhenRequested) {
    Touch("a.jpg");
    m_host.m_bSlideShowRequested = true;
    MakeView();
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_host.m_nSlideShows, 1);
    m_log.clear();
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_host.m_nSlideShows, 2);
    EXPECT_EQ(m_pView->Catalogue().size(), 1u);
}

TEST_F(ViewRun, ABusyViewIgnoresANewSearch) {
    Touch("a.jpg");
    MakeView();
    Start(m_strFolder);
    CFindFilesDlg* pDlg = m_pView->FindDlg();
    m_pView->StartSearch(m_strFolder + "/other");
    EXPECT_EQ(m_pView->FindDlg(), pDlg);
    EXPECT_EQ(ViewProbe::SearchFolder(*m_pView), m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_pView->Catalogue().size(), 1u);
}

TEST_F(ViewRun, DocumentOpensOnlyWhileTheViewIsIdle) {
    Touch("a.jpg");
    MakeView();
    CGalerioDoc doc(m_pView.get());
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(doc.OnOpenDocument(m_strFolder));
    EXPECT_EQ(doc.GetPathName(), m_strFolder);
    EXPECT_FALSE(m_pView->IsIdle());
    EXPECT_TRUE(doc.OnOpenDocument("/elsewhere"));  // ignored, still success
    EXPECT_EQ(doc.GetPathName(), m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_host.m_recent, std::vector<std::string>{m_strFolder});
}

TEST_F(ViewRun, DestroyingTheViewMidRunReturnsPromptly) {
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) Touch(n);
    MakeView();
    Start(m_strFolder);
    // The run's messages now wait for a window that handles none.
    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    m_pView.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(m_messages.Count(), 0u);
}

// Without a thread the run would never end: the view is idle again, the
// grid empty, and the user told.
TEST_F(ViewRun, AWorkerThatCannotStartLeavesTheViewIdle) {
    Touch("a.jpg");
    MakeView();
    const auto fail = [](std::function<void()>) -> std::thread {
        throw std::system_error(EAGAIN, std::generic_category(), "no thread");
    };
    ViewProbe::Run(*m_pView).SetThreadStarter(fail);
    m_pView->StartSearch(m_strFolder);
    EXPECT_TRUE(m_pView->IsIdle());
    EXPECT_EQ(m_pView->FindDlg(), nullptr);
    // A later search works; processing it again without threads fails alike.
    ViewProbe::Run(*m_pView).SetThreadStarter(nullptr);
    Start(m_strFolder);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_pView->Catalogue().size(), 1u);
    ViewProbe::Run(*m_pView).SetThreadStarter(fail);
    EXPECT_TRUE(m_pView->ReprocessAtPitch(80));
    EXPECT_TRUE(m_pView->IsIdle());
    EXPECT_TRUE(m_pView->Catalogue().empty());
    const QString text =
        QStringLiteral("Galerio could not start a worker thread.\n") +
        QString::fromLocal8Bit(
            std::system_error(EAGAIN, std::generic_category(), "no thread").what());
    EXPECT_EQ(m_messages.Texts(), (QStringList{text, text}));
}

// A relative folder names another folder after any change of directory, so
// it is made absolute before it is shown, stored or scanned; and a name is
// shown as it is, never as markup.
TEST_F(ViewRun, RelativeFolderAndMarkupInNamesAreShownPlainAndAbsolute) {
    const std::string sub = m_strFolder + "/<i>pics &amp;";
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    const std::string name = kMarkupName.toStdString();
    ASSERT_TRUE(QFile(QString::fromStdString(sub + "/" + name)).open(QIODevice::WriteOnly));
    char old[4096];
    ASSERT_NE(::getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(::chdir(m_strFolder.c_str()), 0);
    MakeView();
    Start("./<i>pics &amp;/../<i>pics &amp;/");
    ASSERT_EQ(::chdir(old), 0);
    QLabel* pLabel = m_pView->FindDlg()->findChild<QLabel*>();
    ASSERT_NE(pLabel, nullptr);
    EXPECT_EQ(pLabel->textFormat(), Qt::PlainText);
    ASSERT_TRUE(WaitIdle());
    const QString shown = QString::fromStdString(sub + "/" + name);
    EXPECT_TRUE(m_log.contains("text:" + shown));
    EXPECT_EQ(ViewProbe::SearchFolder(*m_pView), sub);
    EXPECT_EQ(m_host.m_recent, std::vector<std::string>{sub});
    EXPECT_EQ(m_host.m_titles, QStringList{"Galerio - " + QString::fromStdString(sub)});
}

// The workers' messages wait for the user-interface thread, which is busy
// destroying the view: they are dropped with it and the view goes.
TEST_F(ViewRun, DestroyingTheViewWithMessagesWaiting) {
    Touch("a.jpg");
    Touch("b.jpg");
    MakeView();
    Start(m_strFolder);
    std::this_thread::sleep_for(300ms);
    const auto start = std::chrono::steady_clock::now();
    m_pView.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    PumpFor(100ms);
    EXPECT_EQ(m_messages.Count(), 0u);
}

// Thumbnails shown as they are made: twenty photos p10.jpg .. p29.jpg, the
// grid laid out at once, the count in the status bar.
class ViewRunShown : public ViewRun {
protected:
    // Waits until the builder holds call nHoldCall (none for 0).
    void StartShown(int nHoldCall) {
        m_store.PutInt(kSectionSettings, kSortOption, 1);
        m_store.PutInt(kSectionBrowsing, kShowWhileMaking, 1);
        for (int n = 10; n < 30; ++n) Touch("p" + std::to_string(n) + ".jpg");
        m_builder.HoldCall(nHoldCall);
        MakeView();
        m_pView->show();
        m_pView->StartSearch(m_strFolder);
        if (nHoldCall == 0) return;
        ASSERT_TRUE(PumpUntil([this] { return m_builder.IsHeld(); }));
        EXPECT_EQ(m_pView->FindDlg(), nullptr);
        EXPECT_FALSE(m_pView->IsIdle());
    }
    QString Status() const {
        return m_host.m_panes.empty() ? QString() : m_host.m_panes.back().second;
    }
};

TEST_F(ViewRunShown, CellsFillAsMadeAndAScrollPutsTheNewScreenFirst) {
    StartShown(3);
    ASSERT_TRUE(PumpUntil([this] { return Status() == "Making thumbnails: 2 of 20"; }));
    QImage image(309, 103, QImage::Format_RGB32);
    QPainter painter(&image);
    ViewProbe::OnDraw(*m_pView, painter, image.rect());
    // Two thumbnails (the builder's are black) and the third cell's frame.
    EXPECT_EQ(image.pixelColor(51, 51), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(154, 51), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(257, 51), ColorFromRef(m_pView->Settings().m_crBackColor));
    EXPECT_EQ(image.pixelColor(308, 51), QColor(Qt::black));
    QScrollBar* pV = m_pView->verticalScrollBar();
    pV->setValue(pV->maximum());
    const std::size_t nFirst = std::size_t(pV->value() / 103) * 3;
    ASSERT_GT(nFirst, 3u);
    m_builder.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_builder.Calls().at(3).path, m_pView->Catalogue().at(nFirst)->m_strPath);
    EXPECT_EQ(m_host.m_panes.back(), std::make_pair(0, QString()));
    EXPECT_EQ(pV->value(), pV->maximum());  // the grid stays where the user put it
}

// Escape in the grid stops as dismissing the progress window does, and
// dismissing the search's window stops before the first entry; a close of
// the main window also asks it to close once the run has stopped.
struct ShownStopCase {
    const char* name;
    bool bInSearch;
    bool bClose;
};

class ViewRunShownStop : public ViewRunShown,
                         public ::testing::WithParamInterface<ShownStopCase> {};

TEST_P(ViewRunShownStop, StopsBeforeTheNextEntryWithAnEmptyGrid) {
    const ShownStopCase& c = GetParam();
    StartShown(c.bInSearch ? 0 : 1);
    QWidget* pTarget = c.bInSearch ? static_cast<QWidget*>(m_pView->FindDlg()) : m_pView.get();
    if (c.bClose)
        m_pView->RequestStop();
    else
        QTest::keyClick(pTarget, Qt::Key_Escape);
    m_builder.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_builder.Calls().size(), c.bInSearch ? 0u : 1u);
    EXPECT_TRUE(m_pView->Catalogue().empty());
    EXPECT_EQ(m_host.m_nCloseRequests, c.bClose ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, ViewRunShownStop,
                         ::testing::Values(ShownStopCase{"EscapeInGrid", false, false},
                                           ShownStopCase{"Close", false, true},
                                           ShownStopCase{"EscapeInSearch", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Made out of order, an unreadable file's box still waits for the entries
// before it, and ends the run as it always did.
TEST_F(ViewRunShown, BoxesWaitForTheEntriesBeforeThem) {
    SetThreads(2);
    Touch("p15.bmp");
    m_builder.FailOnPath(m_strFolder + "/p15.bmp");
    m_builder.HoldPath(m_strFolder + "/p10.jpg");
    StartShown(0);
    ASSERT_TRUE(PumpUntil([this] { return Status() == "Making thumbnails: 19 of 21"; }));
    EXPECT_EQ(m_messages.Count(), 0u);
    m_builder.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_messages.Texts(), QStringList{"Could not read image\n" + Text("p15.bmp").mid(5)});
    EXPECT_TRUE(m_pView->Catalogue().empty());
}

}  // namespace

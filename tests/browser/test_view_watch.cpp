// SPDX-License-Identifier: MIT
// Photos other programs add, replace, rename or remove while the grid shows
// their folder, through a real inotify folder and the view.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QScrollBar>
#include <QThread>
#include <filesystem>

#include "codec/display_bitmap.h"
#include "platform/save_dialog.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/click_entry.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"
#include "view_test_helpers.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

QByteArray Jpeg(int nWidth) {
    QImage image(nWidth, nWidth / 2 + 1, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return buffer.data();
}

class ViewWatch : public ::testing::Test {
public:
    void SetUp() override {
        m_store.SetFilePath(m_config.ConfigDir() + "/galerio-test.ini");
        m_store.PutInt(kSectionPerformance, kThumbnailThreads, 1);
        m_store.PutInt(kSectionSettings, kSortOption, 1);  // by name
        m_store.PutInt(kSectionSettings, kNoDelDlg, 1);
        m_store.PutInt(kSectionBrowsing, kWatchFolder, 1);
        m_strFolder = m_config.WorkDir() + "/photos";
        fs::create_directory(m_strFolder);
    }
    std::string Path(const std::string& name) const { return m_strFolder + "/" + name; }
    // Writes a whole photo; the file is closed when this returns.
    void Put(const std::string& name, int nWidth) {
        const QByteArray bytes = Jpeg(nWidth);
        const int fd = ::open(Path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), bytes.size());
        ::close(fd);
    }

protected:
    void Open() {
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        m_pView->resize(300, 200);
        m_pView->StartSearch(m_strFolder);
        ASSERT_TRUE(PumpUntil([this] { return m_pView->IsIdle(); }));
    }
    // "name:width" of every entry, in catalogue order.
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& p : m_pView->Catalogue())
            out.push_back(p->m_strName + p->m_strExt + ":" + std::to_string(p->m_nImageWidth));
        return out;
    }
    bool ShowsSoon(const std::vector<std::string>& expected) {
        return PumpUntil([&] { return Shown() == expected; });
    }

    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
    RecordingHost m_host;
    std::string m_strFolder;
    std::unique_ptr<CGalerioView> m_pView;
};

struct ChangeCase {
    const char* name;
    int nSortOption;
    int nSortStyle;
    std::function<void(ViewWatch&)> fnChange;
    std::vector<std::string> expected;
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class ViewWatchChanges : public ViewWatch, public ::testing::WithParamInterface<ChangeCase> {};

// Before each change: a.jpg 40 px wide, c.jpg 80 px.
TEST_P(ViewWatchChanges, TheGridFollowsTheFolderInSortOrder) {
    m_store.PutInt(kSectionSettings, kSortOption, GetParam().nSortOption);
    m_store.PutInt(kSectionSettings, kSortStyle, GetParam().nSortStyle);
    Put("a.jpg", 40);
    Put("c.jpg", 80);
    Open();
    GetParam().fnChange(*this);
    EXPECT_TRUE(ShowsSoon(GetParam().expected)) << ::testing::PrintToString(Shown());
    EXPECT_EQ(m_messages.Count(), 0u);
}

// One case to a line or two reads as a table.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Changes, ViewWatchChanges,
    ::testing::Values(
        ChangeCase{"Added", 1, 0, [](auto& t) { t.Put("b.jpg", 56); },
                   {"a.jpg:40", "b.jpg:56", "c.jpg:80"}},
        ChangeCase{"AddedBySizeDescending", 2, 1, [](auto& t) { t.Put("b.jpg", 120); },
                   {"b.jpg:120", "c.jpg:80", "a.jpg:40"}},
        ChangeCase{"Replaced", 1, 0, [](auto& t) { t.Put("a.jpg", 96); },
                   {"a.jpg:96", "c.jpg:80"}},
        ChangeCase{"Renamed", 1, 0,
                   [](auto& t) { fs::rename(t.Path("a.jpg"), t.Path("d.jpg")); },
                   {"c.jpg:80", "d.jpg:40"}},
        ChangeCase{"DownloadRenamedIntoPlace", 1, 0,
                   [](auto& t) {
                       t.Put("b.part", 64);
                       fs::rename(t.Path("b.part"), t.Path("b.jpeg"));
                   },
                   {"a.jpg:40", "b.jpeg:64", "c.jpg:80"}},
        ChangeCase{"Removed", 1, 0, [](auto& t) { fs::remove(t.Path("c.jpg")); }, {"a.jpg:40"}},
        ChangeCase{"OthersIgnored", 1, 0,
                   [](auto& t) {
                       t.Put(".hidden.jpg", 30);
                       t.Put("notes.txt", 30);
                       t.Put("e.bmp.jpg", 48);
                   },
                   {"a.jpg:40", "c.jpg:80", "e.bmp.jpg:48"}},
        ChangeCase{"BurstOfCreateAndDelete", 1, 0,
                   [](auto& t) {
                       for (int n = 0; n < 1000; ++n) {
                           const std::string name = "burst" + std::to_string(n) + ".jpg";
                           t.Put(name, 16);
                           fs::remove(t.Path(name));
                       }
                       t.Put("b.jpg", 24);
                   },
                   {"a.jpg:40", "b.jpg:24", "c.jpg:80"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ViewWatch, AFileBeingWrittenIsReadOnlyOnceClosed) {
    Put("a.jpg", 40);
    Open();
    const QByteArray bytes = Jpeg(72);
    const int fd = ::open(Path("b.jpg").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size() / 2), bytes.size() / 2);
    Put("c.jpg", 16);  // a change the watch does apply meanwhile
    EXPECT_TRUE(ShowsSoon({"a.jpg:40", "c.jpg:16"})) << ::testing::PrintToString(Shown());
    ASSERT_EQ(::write(fd, bytes.data() + bytes.size() / 2, bytes.size() - bytes.size() / 2),
              bytes.size() - bytes.size() / 2);
    ::close(fd);
    EXPECT_TRUE(ShowsSoon({"a.jpg:40", "b.jpg:72", "c.jpg:16"}));
}

TEST_F(ViewWatch, SelectionScrollAndOtherThumbnailsStay) {
    for (int n = 10; n < 50; ++n) Put("p" + std::to_string(n) + ".jpg", 20);
    Open();
    ClickEntry(*m_pView, 30);
    ImageItem* pSelected = m_pView->Selected();
    ASSERT_EQ(pSelected, m_pView->Catalogue()[30].get());
    const std::uint8_t* pBits = pSelected->m_pBits.get();
    m_pView->verticalScrollBar()->setValue(m_pView->verticalScrollBar()->maximum() / 2);
    const int nScroll = m_pView->verticalScrollBar()->value();
    Put("p00.jpg", 20);
    fs::remove(Path("p49.jpg"));
    ASSERT_TRUE(PumpUntil([this] { return m_pView->Catalogue().front()->m_strName == "p00"; }));
    ASSERT_TRUE(PumpUntil([this] { return m_pView->Catalogue().back()->m_strName == "p48"; }));
    EXPECT_EQ(m_pView->Selected(), pSelected);
    EXPECT_EQ(m_pView->Catalogue()[31].get(), pSelected);
    EXPECT_EQ(pSelected->m_pBits.get(), pBits);
    EXPECT_EQ(m_pView->verticalScrollBar()->value(), nScroll);
}

TEST_F(ViewWatch, OwnDeleteAndRenameLeaveOneEntryEachAndNoBox) {
    Put("a.jpg", 40);
    Put("b.jpg", 48);
    Open();
    ClickEntry(*m_pView, 0);
    m_pView->OnDeleteThumb();
    ClickEntry(*m_pView, 0);
    const SaveDialogHandler previous =
        SetSaveDialogHandler([this](QWidget*, const SaveDialogRequest&) {
            return QString::fromStdString(Path("z.jpg"));
        });
    m_pView->OnMoveThumb();
    SetSaveDialogHandler(previous);
    Put("c.jpg", 24);  // once it shows, the changes before it were seen
    EXPECT_TRUE(ShowsSoon({"c.jpg:24", "z.jpg:48"})) << ::testing::PrintToString(Shown());
    EXPECT_EQ(m_messages.Count(), 0u);
}

TEST_F(ViewWatch, ARemovedFolderIsToldOnce) {
    Put("a.jpg", 40);
    Open();
    fs::remove_all(m_strFolder);
    ASSERT_TRUE(PumpUntil([this] { return m_messages.Count() > 0; }));
    fs::create_directory(m_strFolder);
    Put("b.jpg", 40);
    EXPECT_FALSE(PumpUntil([this] { return m_messages.Count() > 1; }, 1500ms));
    EXPECT_EQ(m_messages.Texts(),
              QStringList{QStringLiteral("Could not read folder\n%1\nNo such file or directory")
                              .arg(QString::fromStdString(m_strFolder))});
}

TEST_F(ViewWatch, ChangesDuringARunWaitForItsEnd) {
    Put("a.jpg", 40);
    Put("c.jpg", 80);
    std::atomic<bool> bRelease{false};
    m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
    m_pView->SetThumbnailBuilder([&](ImageItem& item, int nP, int nT, CodecContext& context) {
        while (!bRelease.load()) QThread::msleep(1);
        return BuildOrientedThumbnail(item, nP, nT, false, context);
    });
    m_pView->StartSearch(m_strFolder);
    ASSERT_TRUE(PumpUntil([this] { return m_pView->IsProcessing(); }));
    Put("b.jpg", 56);
    PumpFor(1s);  // long enough for the watch to see it, which must wait
    EXPECT_EQ(m_pView->Catalogue().size(), 2u);
    bRelease = true;
    EXPECT_TRUE(ShowsSoon({"a.jpg:40", "b.jpg:56", "c.jpg:80"}));
}

TEST_F(ViewWatch, AHeldCatalogueChangesOnlyOnceReleased) {
    Put("a.jpg", 40);
    Open();
    {
        const CGalerioView::CatalogueHold hold(*m_pView);
        Put("b.jpg", 56);
        PumpFor(1s);
        EXPECT_EQ(Shown(), std::vector<std::string>{"a.jpg:40"});
    }
    EXPECT_TRUE(ShowsSoon({"a.jpg:40", "b.jpg:56"}));
}

class ViewWatchOption : public ViewWatch, public ::testing::WithParamInterface<bool> {};

TEST_P(ViewWatchOption, OnlyTheOptionWatches) {
    m_store.PutInt(kSectionBrowsing, kWatchFolder, GetParam() ? 1 : 0);
    Put("a.jpg", 40);
    Open();
    int nInotify = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error))
        nInotify += fs::read_symlink(entry.path(), error).string() == "anon_inode:inotify";
    EXPECT_EQ(nInotify, GetParam() ? 1 : 0);
    Put("b.jpg", 40);
    PumpFor(1500ms);
    EXPECT_EQ(Shown().size(), GetParam() ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(OnOff, ViewWatchOption, ::testing::Bool());

}  // namespace

// SPDX-License-Identifier: MIT
// The grid's commands that act on the catalogue and its files: the details
// list, delete, move or rename, reload and the context menu.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>

#include "browser/catalogue/thumb_cache.h"
#include "browser/galerio_view.h"
#include "platform/paths.h"
#include "platform/popup_menu.h"
#include "platform/save_dialog.h"
#include "platform/shell_open.h"
#include "platform/warning_question.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/click_entry.h"
#include "support/fake_image_window.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"
#include "support/view_probe.h"
#include "view_test_helpers.h"

namespace {

class DetailsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.SetFilePath(m_config.ConfigDir() + "/galerio-test.ini");
        char old[4096];
        ASSERT_NE(::getcwd(old, sizeof old), nullptr);
        m_strOldDir = old;
        ASSERT_EQ(::chdir(m_config.WorkDir().c_str()), 0);
        m_previousShell = SetShellOpenHandler([this](const QString& target) {
            m_opened << target;
            return true;
        });
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
    }
    void TearDown() override {
        SetShellOpenHandler(m_previousShell);
        EXPECT_EQ(::chdir(m_strOldDir.c_str()), 0);
    }

    void Add(const std::string& name, const std::string& size, const std::string& dim) {
        auto item = std::make_unique<ImageItem>();
        item->m_strName = name;
        item->m_strSize = size;
        item->m_strDate = "3/7/2004 2:05 PM";
        item->m_strDim = dim;
        m_list.push_back(std::move(item));
    }

    std::string Details() const {
        std::ifstream in(m_config.WorkDir() + "/details.txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
    RecordingHost m_host;
    std::string m_strOldDir;
    ShellOpenHandler m_previousShell;
    QStringList m_opened;
    std::unique_ptr<CGalerioView> m_pView;
    ImageList m_list;
    ImageItem* m_pSelected = nullptr;
    std::shared_ptr<const ThumbCache> m_pNoCache;
    FileCommands m_files{m_list, m_pSelected, m_store, &m_host, m_pNoCache};
};

TEST_F(DetailsTest, OneLineOfFourTabSeparatedFieldsPerEntryThenOpened) {
    {
        std::ofstream old(m_config.WorkDir() + "/details.txt");
        old << "an older, longer list that must not survive in part\n";
    }
    Add("beach", "1234", "100 x 75");
    Add("my \"best\" -shot", "99", "75 x 100");
    Add("caf\xe9", "5", "60 x 40");  // not UTF-8: written as the bytes it is
    m_files.OnShowDetails();
    EXPECT_EQ(Details(),
              "beach\t1234\t3/7/2004 2:05 PM\t100 x 75\n"
              "my \"best\" -shot\t99\t3/7/2004 2:05 PM\t75 x 100\n"
              "caf\xe9\t5\t3/7/2004 2:05 PM\t60 x 40\n");
    EXPECT_EQ(m_opened, QStringList{QString::fromStdString(m_config.WorkDir() + "/details.txt")});
    EXPECT_EQ(m_messages.Count(), 0u);
}

TEST_F(DetailsTest, AFolderInTheWayIsReportedAndNothingOpened) {
    ASSERT_EQ(::mkdir((m_config.WorkDir() + "/details.txt").c_str(), 0755), 0);
    Add("beach", "1234", "100 x 75");
    m_files.OnShowDetails();
    EXPECT_EQ(m_messages.Texts(), QStringList{"Error opening file."});
    EXPECT_TRUE(m_opened.isEmpty());
}

// A full disk part-way through: the old list stays whole and nothing opens.
TEST_F(DetailsTest, AShortWriteKeepsTheOldList) {
    const std::string old = "the list from last week\n";
    std::ofstream(m_config.WorkDir() + "/details.txt") << old;
    for (int i = 0; i < 2000; ++i) Add("photo number " + std::to_string(i), "1234", "100 x 75");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = 8192;
    setrlimit(RLIMIT_FSIZE, &small);
    m_files.OnShowDetails();
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    EXPECT_EQ(Details(), old);
    EXPECT_EQ(m_messages.Texts(),
              QStringList{"Could not write " + QString::fromStdString(m_config.WorkDir()) +
                          "/details.txt"});
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(DetailsTest, AnEmptyCatalogueWritesNothing) {
    m_files.OnShowDetails();
    EXPECT_EQ(::access((m_config.WorkDir() + "/details.txt").c_str(), F_OK), -1);
    EXPECT_TRUE(m_opened.isEmpty());
}

// ---- Delete Thumb ----

struct DeleteCase {
    const char* name;
    int nNoDelDlg;  // stored before
    bool bAnswerYes;
    bool bTickDontShow;
    bool bAsked;  // the warning was shown
    bool bDeleted;
    int nNoDelDlgAfter;
};

void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.name; }

class DeleteThumb : public DetailsTest, public ::testing::WithParamInterface<DeleteCase> {
protected:
    void SetUp() override {
        DetailsTest::SetUp();
        m_previousWarning = SetWarningHandler([this](const QString& text) {
            m_questions << text;
            return WarningAnswer{GetParam().bAnswerYes, GetParam().bTickDontShow};
        });
    }
    void TearDown() override {
        SetWarningHandler(m_previousWarning);
        DetailsTest::TearDown();
    }
    // Two photos on disk, the second selected.
    std::string AddFiles() {
        for (const char* name : {"a", "b b"}) {
            const std::string path = m_config.WorkDir() + "/" + name + ".jpg";
            std::ofstream(path) << "x";
            Add(name, "1", "1 x 1");
            m_list.back()->m_strPath = path;
        }
        m_pSelected = m_list[1].get();
        return m_list[1]->m_strPath;
    }
    WarningHandler m_previousWarning;
    QStringList m_questions;
};

TEST_P(DeleteThumb, AsksUnlessToldNotToThenDeletesForGood) {
    const DeleteCase& c = GetParam();
    m_store.PutInt(kSectionSettings, kNoDelDlg, c.nNoDelDlg);
    const std::string path = AddFiles();
    m_files.OnDeleteThumb();
    EXPECT_EQ(m_questions,
              c.bAsked ? QStringList{"You are about to permamently delete this JPEG.\n\nAre you "
                                     "sure you want to do this?"}
                       : QStringList{});
    EXPECT_EQ(::access(path.c_str(), F_OK) != 0, c.bDeleted);
    EXPECT_EQ(m_list.size(), c.bDeleted ? 1u : 2u);
    EXPECT_EQ(m_pSelected == nullptr, c.bDeleted);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kNoDelDlg, -1), c.nNoDelDlgAfter);
    EXPECT_EQ(m_messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteThumb,
                         ::testing::Values(DeleteCase{"Yes", 0, true, false, true, true, 0},
                                           DeleteCase{"YesAndDontAskAgain", 0, true, true, true,
                                                      true, 1},
                                           DeleteCase{"No", 0, false, true, true, false, 0},
                                           DeleteCase{"NotAsked", 1, false, false, false, true, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

class DeleteFailure : public DeleteThumb {};

TEST_P(DeleteFailure, AFileThatCannotBeDeletedStaysSelected) {
    const std::string path = AddFiles();
    ::unlink(path.c_str());  // someone else was quicker
    m_files.OnDeleteThumb();
    EXPECT_EQ(m_messages.Texts(),
              QStringList{"Could not delete file\n" + QString::fromStdString(path)});
    EXPECT_EQ(m_list.size(), 2u);
    EXPECT_EQ(m_pSelected, m_list[1].get());
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteFailure,
                         ::testing::Values(DeleteCase{"Yes", 0, true, false, true, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Move or Rename Thumb ----

const QString kTenBlanks(10, QLatin1Char(' '));

struct MoveCase {
    const char* name;
    const char* chosen;   // below the work folder; null: the user cancels
    const char* movedTo;  // where the file is afterwards, below the work folder
    bool bStays;          // the entry keeps its place
    const char* nameAfter;
    const char* extAfter;
    const char* message;  // %1: the chosen path, %2: the old path; null: none
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }

class MoveThumbTest : public DetailsTest {
protected:
    void SetUp() override {
        DetailsTest::SetUp();
        m_strWork = m_config.WorkDir();
        ASSERT_EQ(::mkdir((m_strWork + "/other").c_str(), 0755), 0);
        ASSERT_EQ(::symlink(m_strWork.c_str(), (m_strWork + "/link").c_str()), 0);
        std::ofstream(m_strWork + "/taken.jpg") << "another photo";
        m_previousDialog = SetSaveDialogHandler([this](QWidget*, const SaveDialogRequest& r) {
            m_requests.push_back(r);
            return m_chosen;
        });
    }
    void TearDown() override {
        SetSaveDialogHandler(m_previousDialog);
        DetailsTest::TearDown();
    }
    // Entries a.jpg (selected, in the given folder) and z.jpg.
    void AddPhotos(const std::string& strFolder = {}, const std::string& strExt = ".jpg") {
        const std::string folder = strFolder.empty() ? m_strWork : strFolder;
        for (const char* name : {"a", "z"}) {
            const std::string path = folder + "/" + name + strExt;
            std::ofstream(path) << name;
            Add(name, "1", "1 x 1");
            ImageItem& item = *m_list.back();
            item.m_strPath = path;
            item.m_strFolder = folder + "/";
            item.m_strExt = strExt;
        }
        m_pSelected = m_list[0].get();
    }

    std::string m_strWork;
    SaveDialogHandler m_previousDialog;
    std::vector<SaveDialogRequest> m_requests;
    QString m_chosen;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class MoveThumb : public MoveThumbTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveThumb, MovesOrRenamesWithoutEverReplacing) {
    const MoveCase& c = GetParam();
    AddPhotos();
    const std::string oldPath = m_strWork + "/a.jpg";
    if (std::string(c.name) == "SourceGone") ::unlink(oldPath.c_str());
    const std::string chosen = c.chosen ? m_strWork + "/" + c.chosen : std::string();
    m_chosen = QString::fromStdString(chosen);
    ImageItem* pItem = m_list[0].get();
    m_files.OnMoveThumb();

    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].initialPath, QString::fromStdString(oldPath));
    if (c.movedTo) {
        EXPECT_NE(::access(oldPath.c_str(), F_OK), 0);
        EXPECT_EQ(ReadFile(m_strWork + "/" + c.movedTo), "a");
    } else if (std::string(c.name) != "SourceGone") {
        EXPECT_EQ(ReadFile(oldPath), "a");
    }
    EXPECT_EQ(ReadFile(m_strWork + "/taken.jpg"), "another photo");
    const QStringList expected =
        c.message ? QStringList{QString::fromLatin1(c.message)
                                    .replace("%1", QString::fromStdString(chosen))
                                    .replace("%2", QString::fromStdString(oldPath))}
                  : QStringList{};
    EXPECT_EQ(m_messages.Texts(), expected);
    if (c.bStays) {
        ASSERT_EQ(m_list.size(), 2u);
        ASSERT_EQ(m_list[0].get(), pItem);
        EXPECT_EQ(m_pSelected, pItem);
        EXPECT_EQ(pItem->m_strName, c.nameAfter);
        EXPECT_EQ(pItem->m_strExt, c.extAfter);
        // The path is kept clean: no "." or ".." parts.
        if (c.movedTo) {
            EXPECT_EQ(pItem->m_strPath, AbsoluteFolder(chosen));
        }
        // Pane 1 shows a new name only when the chosen one had an extension.
        const bool bNewName = c.movedTo && std::string(c.nameAfter) != "a";
        using Panes = std::vector<std::pair<int, QString>>;
        const Panes expectedPanes =
            bNewName ? Panes{{1, QString::fromLatin1(c.nameAfter)}} : Panes{};
        EXPECT_EQ(m_host.m_panes, expectedPanes);
    } else {
        ASSERT_EQ(m_list.size(), 1u);
        EXPECT_EQ(m_list[0]->m_strName, "z");
        EXPECT_EQ(m_pSelected, nullptr);
        EXPECT_EQ(m_host.m_panes,
                  (std::vector<std::pair<int, QString>>{
                      {1, kTenBlanks}, {2, kTenBlanks}, {3, kTenBlanks}, {4, kTenBlanks}}));
    }
}

const char* const kExists =
    "The file name you chose\n%1\nis a file that already exists.\n\nPlease choose a different "
    "name.";
const char* const kCannotMove = "Could not delete file\n%2";

INSTANTIATE_TEST_SUITE_P(
    Choices, MoveThumb,
    ::testing::Values(
        MoveCase{"RenameInTheFolder", "b b.jpg", "b b.jpg", true, "b b", ".jpg", nullptr},
        MoveCase{"NameWithoutADot", "b", "b", true, "a", ".jpg", nullptr},
        MoveCase{"OtherExtension", "-b.v2.JPEG", "-b.v2.JPEG", true, "-b.v2", ".JPEG", nullptr},
        MoveCase{"SameFolderOtherSpelling", "other/../b.jpg", "b.jpg", true, "b", ".jpg", nullptr},
        MoveCase{"SameFolderThroughALink", "link/b.jpg", "b.jpg", true, "b", ".jpg", nullptr},
        MoveCase{"ToAnotherFolder", "other/a.jpg", "other/a.jpg", false, "", "", nullptr},
        MoveCase{"ExistingName", "taken.jpg", nullptr, true, "a", ".jpg", kExists},
        MoveCase{"OwnName", "a.jpg", nullptr, true, "a", ".jpg", kExists},
        MoveCase{"Cancelled", nullptr, nullptr, true, "a", ".jpg", nullptr},
        MoveCase{"SourceGone", "b.jpg", nullptr, true, "a", ".jpg", kCannotMove},
        MoveCase{"NoSuchFolder", "none/b.jpg", nullptr, true, "a", ".jpg", kCannotMove}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder name that is not UTF-8 comes back from the dialog changed; the
// file is still renamed inside the folder it is in.
TEST_F(MoveThumbTest, AFolderNameThatIsNotUtf8KeepsItsBytes) {
    const std::string folder = m_strWork + "/caf\xe9";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    AddPhotos(folder);
    m_chosen = QFile::decodeName(QByteArray::fromStdString(folder)) + "/b.jpg";
    m_files.OnMoveThumb();
    EXPECT_EQ(::access((folder + "/b.jpg").c_str(), F_OK), 0);
    EXPECT_EQ(m_list[0]->m_strPath, folder + "/b.jpg");
    EXPECT_EQ(m_list.size(), 2u);
    EXPECT_EQ(m_messages.Count(), 0u);
}

// The show runs on over a move: the entry it would show next leaves the
// folder, and the one after it comes instead.
TEST_F(MoveThumbTest, TheSlideShowGoesOnOverAMoveOut) {
    AddPhotos();
    ViewProbe::Catalogue(*m_pView) = std::move(m_list);
    ViewProbe::CatalogueChanged(*m_pView, true);
    auto pLog = std::make_shared<ImageWindowLog>();
    m_pView->Slides().SetImageWindowFactory(FakeImageWindows(pLog));
    ViewOptions options = m_pView->Settings().Options();
    options.nSlideTime = 1;
    m_pView->TakeOptions(options);
    m_pView->OnStartSlideShow();
    ASSERT_TRUE(PumpUntil([&] { return pLog->shown.size() == 1; }));  // a; z is next
    ClickEntry(*m_pView, 1);
    m_chosen = QString::fromStdString(m_strWork + "/other/z.jpg");
    m_pView->OnMoveThumb();
    ASSERT_EQ(m_pView->Catalogue().size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return pLog->shown.size() >= 2; }));
    EXPECT_EQ(pLog->shown[1], m_strWork + "/a.jpg");
    m_pView->Slides().StopTimer();
}

struct FilterCase {
    const char* ext;
    QStringList filters;
    const char* suffix;
};

TEST_F(MoveThumbTest, DialogFiltersFollowTheEntrysExtension) {
    const std::vector<FilterCase> cases = {
        {".jpg", {"JPG Files (*.jpg)", "All Files (*)"}, "jpg"},
        {".Jpg", {"JPG Files (*.jpg)", "All Files (*)"}, "jpg"},
        {".JPEG", {"JPEG Files (*.jpeg)", "All Files (*)"}, "jpeg"},
        {".bmp", {"BMP Files (*.bmp)", "All Files (*)"}, ""},
        {"", {"All Files (*)"}, ""},
    };
    for (const FilterCase& c : cases) {
        m_list.clear();
        m_requests.clear();
        AddPhotos(m_strWork, c.ext);
        m_files.OnMoveThumb();  // cancelled
        ASSERT_EQ(m_requests.size(), 1u) << c.ext;
        EXPECT_EQ(m_requests[0].filters, c.filters) << c.ext;
        EXPECT_EQ(m_requests[0].defaultSuffix, QString::fromLatin1(c.suffix)) << c.ext;
    }
}

// ---- Context menu ----

struct MenuRecord {
    QStringList texts;  // "" for a separator
    std::vector<bool> enabled;
    QPoint ptScreen;
};

class ContextMenuTest : public DetailsTest {
protected:
    void SetUp() override {
        DetailsTest::SetUp();
        m_previousMenu = SetPopupMenuHandler([this](QMenu& menu, const QPoint& pt) -> QAction* {
            MenuRecord record;
            record.ptScreen = pt;
            QAction* pChosen = nullptr;
            for (QAction* pAction : menu.actions()) {
                record.texts << pAction->text();
                record.enabled.push_back(pAction->isEnabled());
                if (pAction->text() == m_choice) pChosen = pAction;
            }
            m_menus.push_back(record);
            return pChosen;
        });
        m_store.PutInt(kSectionSettings, kNoDelDlg, 1);
    }
    void TearDown() override {
        SetPopupMenuHandler(m_previousMenu);
        DetailsTest::TearDown();
    }
    // n photos on disk in a shown view with its cells laid out.
    void ShowPhotos(int n) {
        for (int i = 0; i < n; ++i) {
            const std::string name = "p" + std::to_string(i);
            const std::string path = m_config.WorkDir() + "/" + name + ".jpg";
            std::ofstream(path) << name;
            Add(name, "1", "1 x 1");
            m_list.back()->m_strPath = path;
        }
        ViewProbe::Catalogue(*m_pView) = std::move(m_list);
        ViewProbe::CatalogueChanged(*m_pView, true);
        m_pView->resize(400, 300);
        m_pView->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pView.get()));
        m_pView->viewport()->grab();
    }
    bool Exists(int i) const {
        return ::access((m_config.WorkDir() + "/p" + std::to_string(i) + ".jpg").c_str(), F_OK) ==
               0;
    }

    PopupMenuHandler m_previousMenu;
    std::vector<MenuRecord> m_menus;
    QString m_choice;
};

const QStringList kMenuTexts = {
    "&Preferences...", "&Start Slide Show",       "", "&Delete Thumb", "&Move or Rename Thumb...",
    "M&ake Thumbs...", "Make Thumbs and Pa&ge..."};

// The right button opens the menu at the pointer and selects nothing; the
// menu's Delete acts on the entry selected before.
TEST_F(ContextMenuTest, RightClickOnAnotherCellDeletesTheSelectedOne) {
    ShowPhotos(3);
    ClickEntry(*m_pView, 1);
    m_choice = "&Delete Thumb";
    const int P = m_pView->Settings().m_nPitch;
    const QPoint pt(P / 2, P / 2);  // on p0
    QTest::mouseClick(m_pView->viewport(), Qt::RightButton, {}, pt);
    ASSERT_EQ(m_menus.size(), 1u);
    EXPECT_EQ(m_menus[0].texts, kMenuTexts);
    EXPECT_EQ(m_menus[0].enabled, (std::vector<bool>{true, true, true, true, true, true, true}));
    EXPECT_EQ(m_menus[0].ptScreen, m_pView->viewport()->mapToGlobal(pt));
    EXPECT_TRUE(Exists(0));
    EXPECT_FALSE(Exists(1));
    EXPECT_EQ(m_pView->Catalogue().size(), 2u);
    EXPECT_EQ(m_pView->Selected(), nullptr);
}

TEST_F(ContextMenuTest, GreyingFollowsTheSelectionTheShowAndTheCatalogue) {
    const std::vector<bool> kNoSelection = {true, true, true, false, false, true, true};
    const std::vector<bool> kDuringShow = {true, false, true, true, true, false, false};
    const std::vector<bool> kEmpty = {true, false, true, false, false, false, false};
    ShowPhotos(2);
    const auto rightClick = [this] {
        QTest::mouseClick(m_pView->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    };
    rightClick();
    ClickEntry(*m_pView, 0);
    auto pLog = std::make_shared<ImageWindowLog>();
    m_pView->Slides().SetImageWindowFactory(FakeImageWindows(pLog));
    ViewOptions options = m_pView->Settings().Options();
    options.nSlideTime = 100;
    m_pView->TakeOptions(options);
    m_pView->OnStartSlideShow();
    ASSERT_TRUE(PumpUntil([&] { return m_pView->Slides().Window() != nullptr; }));
    rightClick();
    m_pView->Slides().StopTimer();
    QTest::keyClick(m_pView.get(), Qt::Key_Escape);
    m_pView->FreeImageList();
    rightClick();
    ASSERT_EQ(m_menus.size(), 3u);
    EXPECT_EQ(m_menus[0].enabled, kNoSelection);
    EXPECT_EQ(m_menus[1].enabled, kDuringShow);
    EXPECT_EQ(m_menus[2].enabled, kEmpty);
}

TEST_F(ContextMenuTest, PreferencesAndPublishingGoToTheWindowAround) {
    ShowPhotos(1);
    for (const char* text : {"&Preferences...", "M&ake Thumbs...", "Make Thumbs and Pa&ge..."}) {
        m_choice = QString::fromLatin1(text);
        QTest::mouseClick(m_pView->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    }
    EXPECT_EQ(m_host.m_commands,
              (std::vector<ViewCommand>{ViewCommand::Preferences, ViewCommand::MakeThumbs,
                                        ViewCommand::MakePage}));
}

// The menu key brings the selected cell to the top-left corner as far as the
// scroll range allows and opens the menu on it; without a selection, nothing.
TEST_F(ContextMenuTest, MenuKeyScrollsTheSelectedCellIntoTheCorner) {
    ShowPhotos(200);
    QTest::keyClick(m_pView.get(), Qt::Key_Menu);
    EXPECT_TRUE(m_menus.empty());
    QScrollBar* pV = m_pView->verticalScrollBar();
    for (std::size_t nIndex : {std::size_t(20), std::size_t(199)}) {
        const ImageItem& item = *m_pView->Catalogue()[nIndex];
        ClickEntry(*m_pView, nIndex);
        pV->setValue(0);
        QTest::keyClick(m_pView.get(), Qt::Key_Menu);
        EXPECT_EQ(pV->value(), std::min(item.m_rcCell.top, pV->maximum()));
        ASSERT_FALSE(m_menus.empty());
        const QPoint ptCell(item.m_rcCell.left, item.m_rcCell.top - pV->value());
        EXPECT_EQ(m_menus.back().ptScreen, m_pView->viewport()->mapToGlobal(ptCell));
    }
    EXPECT_EQ(m_menus.size(), 2u);
    // A run keeps the selection but may free its entry: the menu opens in the corner.
    pV->setValue(0);
    ASSERT_TRUE(m_pView->ReprocessAtPitch(m_pView->Settings().m_nPitch + 10));
    QTest::keyClick(m_pView.get(), Qt::Key_Menu);
    EXPECT_EQ(pV->value(), 0);
    ASSERT_EQ(m_menus.size(), 3u);
    EXPECT_EQ(m_menus.back().ptScreen, m_pView->viewport()->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(PumpUntil([&] { return m_pView->IsIdle(); }));
    EXPECT_EQ(m_pView->Selected(), nullptr);
}

// ---- Browsing choices: selecting from the keyboard, deleting to the Trash ----

class BrowsingKeys : public ContextMenuTest {
protected:
    void Choose(bool BrowsingOptions::*pMember) {
        ViewOptions o = m_pView->Settings().Options();
        o.browsing.*pMember = true;
        m_pView->TakeOptions(o);
    }
    std::ptrdiff_t SelectedIndex() const {
        const ImageList& list = m_pView->Catalogue();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].get() == m_pView->Selected()) return static_cast<std::ptrdiff_t>(i);
        return -1;
    }
};

TEST_F(BrowsingKeys, ArrowsHomeEndAndPagesMoveTheSelectionIntoViewAndEnterOpensIt) {
    ShowPhotos(20);
    QScrollBar* pV = m_pView->verticalScrollBar();
    // Off, the keys scroll as they always did and select nothing.
    QTest::keyClick(m_pView.get(), Qt::Key_Right);
    QTest::keyClick(m_pView.get(), Qt::Key_Down);
    EXPECT_EQ(m_pView->Selected(), nullptr);
    EXPECT_GT(pV->value(), 0);

    Choose(&BrowsingOptions::bKeyboardSelect);
    ASSERT_EQ(ViewProbe::Cols(*m_pView), 3);  // 7 rows, the last of two
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Left, 0},  {Qt::Key_Left, 0},   {Qt::Key_Right, 1},    {Qt::Key_Down, 4},
        {Qt::Key_End, 19},  {Qt::Key_Up, 16},    {Qt::Key_Right, 17},   {Qt::Key_Down, 19},
        {Qt::Key_Down, 19}, {Qt::Key_Home, 0},   {Qt::Key_Up, 0},       {Qt::Key_PageDown, 6},
        {Qt::Key_PageDown, 12}, {Qt::Key_PageDown, 18}, {Qt::Key_PageUp, 12}, {Qt::Key_Right, 13}};
    const int P = m_pView->Settings().m_nPitch;
    for (const auto& [key, nExpected] : steps) {
        QTest::keyClick(m_pView.get(), key);
        ASSERT_EQ(SelectedIndex(), nExpected) << QTest::toString(key);
        const int nTop = nExpected / 3 * P;
        EXPECT_LE(pV->value(), nTop) << nExpected;
        EXPECT_GE(pV->value() + m_pView->viewport()->height(), nTop + P) << nExpected;
        EXPECT_EQ(m_host.m_panes.back(), std::make_pair(4, QString("1 x 1")));
    }
    auto pLog = std::make_shared<ImageWindowLog>();
    IImageWindow* pOpened = nullptr;
    m_pView->Slides().SetImageWindowFactory([&] { return pOpened = new FakeImageWindow(pLog); });
    QTest::keyClick(m_pView.get(), Qt::Key_Return);
    EXPECT_EQ(pLog->shown, std::vector<std::string>{m_config.WorkDir() + "/p13.jpg"});
    ASSERT_NE(pOpened, nullptr);
    pOpened->DestroyWindow();  // a plain window is its own owner
}

// The Trash lives in a home of the test's own, on the photos' file system.
class TrashTest : public BrowsingKeys {
protected:
    void SetUp() override {
        BrowsingKeys::SetUp();
        for (const char* pszName : {"HOME", "XDG_DATA_HOME"}) m_saved.emplace_back(pszName, qgetenv(pszName));
        m_strData = m_config.WorkDir() + "/.data";
        qputenv("HOME", QByteArray::fromStdString(m_config.WorkDir()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_strData));
        m_store.PutInt(kSectionSettings, kNoDelDlg, 0);
        m_previousWarning = SetWarningHandler([this](const QString& text) {
            m_questions << text;
            return WarningAnswer{true, false};
        });
        ShowPhotos(4);
        Choose(&BrowsingOptions::bUseTrash);
        ClickEntry(*m_pView, 1);
    }
    void TearDown() override {
        SetWarningHandler(m_previousWarning);
        for (const auto& [name, value] : m_saved) qputenv(name, value);
        BrowsingKeys::TearDown();
    }
    std::string InTrash(int i) const { return m_strData + "/Trash/files/p" + std::to_string(i) + ".jpg"; }
    std::vector<std::pair<const char*, QByteArray>> m_saved;
    std::string m_strData;
    WarningHandler m_previousWarning;
    QStringList m_questions;
};

TEST_F(TrashTest, DeleteMovesToTheTrashAfterItsOwnQuestionAndCtrlZPutsItBack) {
    m_pView->OnDeleteThumb();
    EXPECT_EQ(m_questions, QStringList{"You are about to move this photo to the Trash:\np1.jpg\n\n"
                                       "Are you sure you want to do this?"});
    EXPECT_FALSE(Exists(1));
    EXPECT_EQ(::access(InTrash(1).c_str(), F_OK), 0);
    EXPECT_EQ(::access((m_strData + "/Trash/info/p1.jpg.trashinfo").c_str(), F_OK), 0);
    ASSERT_EQ(m_pView->Catalogue().size(), 3u);
    QTest::keyClick(m_pView.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Exists(1));
    EXPECT_NE(::access((m_strData + "/Trash/info/p1.jpg.trashinfo").c_str(), F_OK), 0);
    ASSERT_EQ(m_pView->Catalogue().size(), 4u);
    EXPECT_EQ(SelectedIndex(), 1);
    EXPECT_EQ(m_pView->Selected()->m_strName, "p1");
    // Nothing more to undo; the "permamently" warning never showed.
    QTest::keyClick(m_pView.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m_pView->Catalogue().size(), 4u);
    EXPECT_EQ(m_questions.size(), 1);
    EXPECT_EQ(m_messages.Count(), 0u);
}

TEST_F(TrashTest, ATrashThatRefusesDeletesNothingAndAnUndoNeverReplaces) {
    // No Trash can be made where a file stands in its way.
    std::ofstream(m_strData) << "in the way";
    m_pView->OnDeleteThumb();
    const QString path = QString::fromStdString(m_config.WorkDir() + "/p1.jpg");
    EXPECT_EQ(m_messages.Texts(),
              QStringList{"Could not move the photo to the Trash, so it was not deleted:\n" + path});
    EXPECT_TRUE(Exists(1));
    EXPECT_EQ(m_pView->Catalogue().size(), 4u);

    // A file that took the name meanwhile stays; the photo stays in the Trash.
    ::unlink(m_strData.c_str());
    m_pView->OnDeleteThumb();
    ASSERT_FALSE(Exists(1));
    std::ofstream(path.toStdString()) << "newer";
    QTest::keyClick(m_pView.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m_messages.Texts().back(),
              "Could not put the photo back from the Trash, as another file now has its "
              "name:\n" + path);
    EXPECT_EQ(::access(InTrash(1).c_str(), F_OK), 0);
    EXPECT_EQ(m_pView->Catalogue().size(), 3u);
}

// ---- Reload ----

TEST_F(DetailsTest, ReloadTellsWhyThenScansTheFolderAgain) {
    const QString folder = QString::fromStdString(m_config.WorkDir());
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(folder + "/one.jpg", "JPG"));
    m_pView->StartSearch(m_config.WorkDir());
    ASSERT_TRUE(PumpUntil([&] { return m_pView->IsIdle(); }));
    ASSERT_EQ(m_pView->Catalogue().size(), 1u);
    ASSERT_TRUE(image.save(folder + "/two.jpg", "JPG"));
    m_pView->ReloadCatalogue(false);
    ASSERT_TRUE(PumpUntil([&] { return m_pView->IsIdle(); }));
    EXPECT_EQ(m_pView->Catalogue().size(), 2u);
    EXPECT_EQ(m_messages.Count(), 0u);

    m_pView->ReloadCatalogue(true);
    EXPECT_EQ(m_messages.Texts(), QStringList{"Images have changed and will be reloaded now."});
    ASSERT_TRUE(PumpUntil([&] { return m_pView->IsIdle(); }));
    EXPECT_EQ(m_pView->Catalogue().size(), 2u);
}

}  // namespace

// SPDX-License-Identifier: MIT
// The main window's commands: captions, keys, prompts, enabling, toolbar and
// status bar, and what the commands that exist already do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <atomic>
#include <future>

#include "app/about_box.h"
#include "app/command_table.h"
#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "app/static_link.h"
#include "app_fixture.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "dialogs/choose_dir.h"
#include "platform/save_dialog.h"
#include "settings/settings_keys.h"
#include "support/click_entry.h"
#include "support/fake_image_window.h"
#include "support/view_probe.h"

namespace {

QStringList MenuTexts(const QMenu* pMenu) {
    QStringList texts;
    for (const QAction* pAction : pMenu->actions())
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    return texts;
}

QMenu* TopMenu(CMainFrame& frame, int nIndex) {
    return frame.menuBar()->actions().at(nIndex)->menu();
}

// ---- Captions, keys and prompts ----

struct CaptionCase {
    int nId;
    const char* caption;
    QKeySequence key;
    const char* status;
    const char* tooltip;
};

// Names the case by its status text in test listings instead of raw bytes.
void PrintTo(const CaptionCase& c, std::ostream* os) { *os << c.status; }

class CommandCaptionTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(CommandCaptionTest, MenuTextKeyAndPrompts) {
    AppFixture f;
    f.Start();
    const CaptionCase& c = GetParam();
    QAction* pAction = f.Action(c.nId);
    ASSERT_NE(pAction, nullptr);
    if (c.caption) {
        EXPECT_EQ(pAction->text(), c.caption);
    }
    EXPECT_EQ(pAction->shortcut(), c.key);
    EXPECT_EQ(pAction->statusTip(), c.status);
    EXPECT_EQ(pAction->toolTip(), c.tooltip);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandCaptionTest,
    ::testing::Values(CaptionCase{ID_OPEN_FOLDER, "&Open Folder...\tF2", QKeySequence(Qt::Key_F2),
                                  "Open Folder", "Open Folder"},
                      CaptionCase{ID_CLOSE_VIEW, "&Close View\tF9", QKeySequence(Qt::Key_F9),
                                  "Close View", "Close View"},
                      CaptionCase{ID_DELETE_THUMB, "&Delete Thumb\tDel",
                                  QKeySequence(Qt::Key_Delete), "Delete", "Delete"},
                      CaptionCase{ID_MOVE_THUMB, "&Move or Rename Thumb...\tF3",
                                  QKeySequence(Qt::Key_F3), "Move - Rename", "Move - Rename"},
                      CaptionCase{ID_MAKE_PAGE, "Make Thumbs and Pa&ge...\tF11",
                                  QKeySequence(Qt::Key_F11), "Thumbs and Page", "Thumbs and Page"},
                      CaptionCase{ID_SLIDE_SHOW, "Start Sl&ide Show\tF7", QKeySequence(Qt::Key_F7),
                                  "Slide Show", "Slide Show"},
                      CaptionCase{ID_HELP_FINDER, "&Help Topics\tF1", QKeySequence(),
                                  "List Help topics", "Help Topics"},
                      CaptionCase{ID_CONTEXT_HELP, nullptr, QKeySequence(Qt::SHIFT | Qt::Key_F1),
                                  "Display help for clicked on buttons, menus and windows", "Help"},
                      CaptionCase{ID_APP_ABOUT, "&About Galerio...", QKeySequence(),
                                  "Display program information, version number and copyright",
                                  "About"},
                      CaptionCase{ID_APP_EXIT, "E&xit", QKeySequence(),
                                  "Quit the application; prompts to save documents", "Exit"},
                      CaptionCase{ID_FILE_PRINT, nullptr, QKeySequence(Qt::CTRL | Qt::Key_P),
                                  "Print the active document", "Print"},
                      CaptionCase{ID_PUBLISH_GALLERY, "&Publish Gallery...\tCtrl+G",
                                  QKeySequence(Qt::CTRL | Qt::Key_G),
                                  "Publish the folder's photos as a web gallery",
                                  "Publish Gallery"}));

TEST(FrameMenus, MenusInTheirOrder) {
    AppFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    QStringList titles;
    for (const QAction* pAction : frame.menuBar()->actions()) titles << pAction->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Help"}));
    EXPECT_EQ(MenuTexts(TopMenu(frame, 0)),
              (QStringList{"&Open Folder...\tF2", "&Close View\tF9", "-", "&Restore New User Tips",
                           "-", "Recent File", "-", "E&xit", "&Publish Gallery...\tCtrl+G"}));
    EXPECT_EQ(MenuTexts(TopMenu(frame, 1)),
              (QStringList{"&Delete Thumb\tDel", "&Move or Rename Thumb...\tF3", "-",
                           "M&ake Thumbs...\tF10", "Make Thumbs and Pa&ge...\tF11"}));
    EXPECT_EQ(MenuTexts(TopMenu(frame, 2)),
              (QStringList{"&Preferences...\tF4", "&Refresh\tF5", "Sh&ow Details\tF6", "-",
                           "Start Sl&ide Show\tF7", "-", "&Toolbar", "&Status Bar"}));
    EXPECT_EQ(MenuTexts(TopMenu(frame, 3)),
              (QStringList{"&Help Topics\tF1", "-", "&About Galerio..."}));
}

TEST(FrameMenus, ToolbarHoldsTenButtonsWithImagesAndTooltips) {
    AppFixture f;
    f.Start();
    QStringList tips;
    int nButtons = 0;
    for (QAction* pAction : f.Frame().ToolBar()->actions()) {
        if (pAction->isSeparator()) {
            tips << "-";
            continue;
        }
        ++nButtons;
        tips << pAction->toolTip();
        EXPECT_FALSE(pAction->icon().pixmap(16, 16).isNull()) << pAction->toolTip().toStdString();
    }
    EXPECT_EQ(nButtons, 10);
    EXPECT_EQ(tips, (QStringList{"Open Folder", "-", "Delete", "Move - Rename", "Make Thumbs",
                                 "Thumbs and Page", "-", "Preferences", "Refresh", "Show Details",
                                 "Slide Show", "-", "About"}));
    EXPECT_EQ(f.Frame().toolBarArea(f.Frame().ToolBar()), Qt::TopToolBarArea);
    EXPECT_TRUE(f.Frame().ToolBar()->isMovable());
}

// ---- Enabling rules ----

TEST(FrameEnabling, FollowTheViewsState) {
    AppFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    frame.UpdateCommandUI();
    // Empty catalogue, idle view.
    EXPECT_TRUE(f.Action(ID_OPEN_FOLDER)->isEnabled());
    EXPECT_FALSE(f.Action(ID_CLOSE_VIEW)->isEnabled());
    EXPECT_FALSE(f.Action(ID_REFRESH)->isEnabled());
    EXPECT_TRUE(f.Action(ID_APP_ABOUT)->isEnabled());
    EXPECT_TRUE(f.Action(ID_RESTORE_TIPS)->isEnabled());

    f.View().StartSearch(f.MakeImageFolder("three", 3));
    frame.UpdateCommandUI();
    // While the run goes on nothing that starts a scan or changes the catalogue.
    EXPECT_FALSE(f.Action(ID_OPEN_FOLDER)->isEnabled());
    EXPECT_FALSE(f.Action(ID_CLOSE_VIEW)->isEnabled());
    ASSERT_TRUE(f.WaitIdle());
    frame.UpdateCommandUI();
    EXPECT_TRUE(f.Action(ID_OPEN_FOLDER)->isEnabled());
    EXPECT_TRUE(f.Action(ID_CLOSE_VIEW)->isEnabled());
    EXPECT_TRUE(f.Action(ID_REFRESH)->isEnabled());

    // Without a selection Delete and Move are greyed, also with a catalogue.
    for (int nId : {ID_DELETE_THUMB, ID_MOVE_THUMB})
        EXPECT_FALSE(f.Action(nId)->isEnabled()) << nId;
    for (int nId : {ID_SLIDE_SHOW, ID_SHOW_DETAILS, ID_MAKE_THUMBS, ID_MAKE_PAGE, ID_PREFERENCES,
                    ID_PUBLISH_GALLERY})
        EXPECT_TRUE(f.Action(nId)->isEnabled()) << nId;

    // F7 starts the show; while it runs every command that needs an idle
    // view is greyed, and the menu shows that the moment it opens.
    auto pLog = std::make_shared<ImageWindowLog>();
    f.View().Slides().SetImageWindowFactory(FakeImageWindows(pLog));
    QTest::keyClick(&frame, Qt::Key_F7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.View().Slides().Window() != nullptr; }, 3000));
    emit TopMenu(frame, 0)->aboutToShow();
    for (int nId : {ID_OPEN_FOLDER, ID_CLOSE_VIEW, ID_REFRESH, ID_SLIDE_SHOW, ID_SHOW_DETAILS,
                    ID_MAKE_THUMBS, ID_MAKE_PAGE, ID_PREFERENCES, ID_PUBLISH_GALLERY})
        EXPECT_FALSE(f.Action(nId)->isEnabled()) << nId;
    // Escape in the grid ends it and the commands come back at once.
    QTest::keyClick(&f.View(), Qt::Key_Escape);
    EXPECT_EQ(f.View().Slides().Window(), nullptr);
    emit TopMenu(frame, 0)->aboutToShow();
    for (int nId : {ID_OPEN_FOLDER, ID_CLOSE_VIEW, ID_REFRESH, ID_SLIDE_SHOW})
        EXPECT_TRUE(f.Action(nId)->isEnabled()) << nId;
}

TEST(FrameEnabling, KeyOfADisabledCommandDoesNothing) {
    AppFixture f;
    f.Start();
    f.m_folders.m_answers << QString::fromStdString(f.MakeImageFolder("k", 1));
    f.App().OpenDocumentFile(f.MakeImageFolder("busy", 1));
    ASSERT_TRUE(f.WaitIdle());
    auto pLog = std::make_shared<ImageWindowLog>();
    f.View().Slides().SetImageWindowFactory(FakeImageWindows(pLog));
    f.View().OnStartSlideShow();  // busy, between two polls
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.View().Slides().Window() != nullptr; }, 3000));
    f.Action(ID_OPEN_FOLDER)->setEnabled(true);
    f.Action(ID_OPEN_FOLDER)->trigger();
    EXPECT_TRUE(f.m_folders.m_titles.isEmpty());
}

// ---- Commands ----

TEST(FrameCommands, OpenFolderScansTheChosenFolderAndRemembersIt) {
    AppFixture f;
    f.Start();
    const std::string folder = f.MakeImageFolder("chosen", 2);
    f.m_folders.m_answers << QString::fromStdString(folder + "/");
    QTest::keyClick(&f.Frame(), Qt::Key_F2);
    ASSERT_EQ(f.m_folders.m_titles, QStringList{"Folder to search for JPGs"});
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), folder);
    EXPECT_EQ(f.View().Catalogue().size(), 2u);
    EXPECT_EQ(f.App().Document()->GetPathName(), folder);
    EXPECT_EQ(f.App().m_store.GetString(kSectionSettings, kFolderPath, ""), folder);
    ASSERT_EQ(f.Frame().RecentActions().size(), 1u);
    EXPECT_EQ(f.Frame().RecentActions()[0]->text(), QString::fromStdString("&1 " + folder));

    // Cancelling changes nothing.
    f.Action(ID_OPEN_FOLDER)->trigger();
    EXPECT_EQ(f.m_folders.m_titles.size(), 2);
    EXPECT_TRUE(f.View().IsIdle());
    EXPECT_EQ(f.View().Catalogue().size(), 2u);
}

// "ShellBrowse" 0: Galerio's own chooser, opening in the folder used last.
TEST(FrameCommands, OpenFolderWithOurOwnChooserStartsAtTheLastFolder) {
    AppFixture f;
    f.Start();
    f.App().m_store.PutInt(kSectionSettings, kShellBrowse, 0);
    const std::string last = f.MakeImageFolder("last", 1);
    const std::string folder = f.MakeImageFolder("mine", 2);
    f.App().m_store.PutString(kSectionSettings, kFolderPath, last);
    std::vector<std::string> starts;
    const ChooseDirHandler previous = SetChooseDirHandler([&](QWidget*, const std::string& start) {
        starts.push_back(start);
        return starts.size() == 1 ? folder : std::string();
    });
    QTest::keyClick(&f.Frame(), Qt::Key_F2);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(starts, std::vector<std::string>{last});
    EXPECT_TRUE(f.m_folders.m_titles.isEmpty());  // not the desktop's chooser
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), folder);
    EXPECT_EQ(f.App().m_store.GetString(kSectionSettings, kFolderPath, ""), folder);
    // Cancel leaves everything as it was.
    f.Action(ID_OPEN_FOLDER)->trigger();
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), folder);
    EXPECT_EQ(f.View().Catalogue().size(), 2u);
    SetChooseDirHandler(previous);
}

// Delete and Move need a selection only, also during a slide show, but never
// while a worker walks the catalogue: a run after a change of pitch keeps the
// selection made before it.
TEST(FrameCommands, DeleteAndMoveFollowTheSelectionButNotARun) {
    AppFixture f;
    f.Start();
    int nDialogs = 0;
    const SaveDialogHandler previous =
        SetSaveDialogHandler([&](QWidget*, const SaveDialogRequest& r) {
            ++nDialogs;
            return r.initialPath.left(r.initialPath.lastIndexOf('/')) + "/renamed.jpg";
        });
    f.App().m_store.PutInt(kSectionSettings, kNoDelDlg, 1);
    f.App().OpenDocumentFile(f.MakeImageFolder("del", 2));
    ASSERT_TRUE(f.WaitIdle());
    f.Frame().UpdateCommandUI();
    EXPECT_FALSE(f.Action(ID_DELETE_THUMB)->isEnabled());
    ImageItem* pFirst = f.View().Catalogue()[0].get();
    const std::string path = pFirst->m_strPath;
    ClickEntry(f.View(), 0);

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> bHeld{false};
    f.View().SetThumbnailBuilder([&](ImageItem&, int, int, CodecContext&) {
        bHeld = true;
        released.wait();
        return true;
    });
    ViewProbe::StartProcessing(f.View());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bHeld.load(); }, 5000));
    f.Frame().UpdateCommandUI();
    EXPECT_FALSE(f.Action(ID_DELETE_THUMB)->isEnabled());
    EXPECT_FALSE(f.Action(ID_MOVE_THUMB)->isEnabled());
    f.View().OnDeleteThumb();  // keys between two polls
    f.View().OnMoveThumb();
    EXPECT_EQ(::access(path.c_str(), F_OK), 0);
    EXPECT_EQ(nDialogs, 0);
    release.set_value();
    ASSERT_TRUE(f.WaitIdle());

    f.Frame().UpdateCommandUI();
    ASSERT_TRUE(f.Action(ID_MOVE_THUMB)->isEnabled());
    QTest::keyClick(&f.Frame(), Qt::Key_F3);
    EXPECT_EQ(nDialogs, 1);
    const std::string renamed = path.substr(0, path.rfind('/')) + "/renamed.jpg";
    EXPECT_EQ(::access(renamed.c_str(), F_OK), 0);
    EXPECT_EQ(f.View().Selected()->m_strName, "renamed");
    SetSaveDialogHandler(previous);

    f.Frame().UpdateCommandUI();
    ASSERT_TRUE(f.Action(ID_DELETE_THUMB)->isEnabled());
    QTest::keyClick(&f.Frame(), Qt::Key_Delete);
    EXPECT_NE(::access(renamed.c_str(), F_OK), 0);
    EXPECT_EQ(f.View().Catalogue().size(), 1u);
    f.Frame().UpdateCommandUI();
    EXPECT_FALSE(f.Action(ID_DELETE_THUMB)->isEnabled());
    EXPECT_FALSE(f.Action(ID_MOVE_THUMB)->isEnabled());
}

TEST(FrameCommands, F6WritesTheDetailsListAndOpensIt) {
    AppFixture f;
    f.Start();
    const std::string folder = f.MakeImageFolder("details", 2);
    f.App().OpenDocumentFile(folder);
    ASSERT_TRUE(f.WaitIdle());
    CurrentDirScope here(folder);
    f.Frame().UpdateCommandUI();
    QTest::keyClick(&f.Frame(), Qt::Key_F6);
    ASSERT_EQ(f.m_shell.m_targets, QStringList{QString::fromStdString(folder + "/details.txt")});
    QFile details(f.m_shell.m_targets[0]);
    ASSERT_TRUE(details.open(QIODevice::ReadOnly));
    EXPECT_EQ(details.readAll().count('\n'), 2);
}

TEST(FrameCommands, CloseViewEmptiesAndRefreshRescans) {
    AppFixture f;
    f.Start();
    const std::string folder = f.MakeImageFolder("cv", 2);
    f.App().OpenDocumentFile(folder);
    ASSERT_TRUE(f.WaitIdle());
    ASSERT_EQ(f.View().Catalogue().size(), 2u);

    f.MakeImageFolder("cv", 3);  // a third file appears
    QTest::keyClick(&f.Frame(), Qt::Key_F5);
    ASSERT_TRUE(f.WaitIdle());
    // A new search, not the old entries: the third file is in it, with pixels.
    ASSERT_EQ(f.View().Catalogue().size(), 3u);
    for (const auto& item : f.View().Catalogue()) EXPECT_NE(item->m_pBits, nullptr);

    ClickEntry(f.View(), 0);
    QTest::keyClick(&f.Frame(), Qt::Key_F9);
    EXPECT_TRUE(f.View().Catalogue().empty());
    EXPECT_EQ(f.View().Selected(), nullptr);
    EXPECT_TRUE(f.App().Document()->GetPathName().empty());
    f.Frame().UpdateCommandUI();
    for (int nId : {ID_CLOSE_VIEW, ID_REFRESH, ID_DELETE_THUMB, ID_MOVE_THUMB})
        EXPECT_FALSE(f.Action(nId)->isEnabled()) << nId;
}

TEST(FrameCommands, CtrlOOpensThroughTheApplicationAndCtrlNForgetsTheFolder) {
    AppFixture f;
    f.Start();
    const std::string folder = f.MakeImageFolder("ctrl", 1);
    f.m_folders.m_answers << QString::fromStdString(folder);
    QTest::keyClick(&f.Frame(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), folder);
    EXPECT_EQ(f.App().Document()->GetPathName(), folder);

    QTest::keyClick(&f.Frame(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(f.App().Document()->GetPathName().empty());
    // The view keeps what it shows.
    EXPECT_EQ(f.View().Catalogue().size(), 1u);
}

TEST(FrameCommands, RestoreNewUserTipsSetsTheTipBack) {
    AppFixture f;
    f.Start();
    f.App().m_store.PutInt(kSectionNewbie, kNeedFullPath, 0);
    f.Action(ID_RESTORE_TIPS)->trigger();
    EXPECT_EQ(f.App().m_store.GetInt(kSectionNewbie, kNeedFullPath, -1), 1);
}

TEST(FrameCommands, HelpOpensTheInstalledPage) {
    AppFixture f;
    f.Start();
    QTest::keyClick(&f.Frame(), Qt::Key_F1);
    f.Action(ID_HELP_FINDER)->trigger();
    ASSERT_EQ(f.m_shell.m_targets.size(), 2);
    EXPECT_TRUE(f.m_shell.m_targets[0].endsWith("/galerio/help/index.html"));
    EXPECT_TRUE(QFileInfo::exists(f.m_shell.m_targets[0]));
    EXPECT_EQ(f.m_messages.Count(), 0u);

    // The desktop refusing is told to the user.
    f.m_shell.m_bSucceed = false;
    f.Action(ID_HELP_FINDER)->trigger();
    ASSERT_EQ(f.m_messages.Count(), 1u);
    EXPECT_TRUE(f.m_messages.Texts()[0].startsWith("Could not open the help page"));
}

TEST(FrameCommands, AboutBoxLinksUseTheApplicationsFlags) {
    AppFixture f;
    f.Start();
    int nBoxes = 0;
    auto closeBox = [&] {
        auto* pBox = qobject_cast<CAboutBox*>(QApplication::activeModalWidget());
        if (!pBox) return;
        ++nBoxes;
        if (nBoxes == 1) {
            QTest::mouseClick(pBox->WebLink(), Qt::LeftButton, {}, QPoint(3, 3));
        } else {
            EXPECT_TRUE(pBox->WebLink()->IsVisited());
            EXPECT_FALSE(pBox->EmailLink()->IsVisited());
        }
        pBox->accept();
    };
    QTimer::singleShot(100, closeBox);
    f.Action(ID_APP_ABOUT)->trigger();
    QTimer::singleShot(100, closeBox);
    f.Action(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(nBoxes, 2);
    EXPECT_EQ(f.App().m_linkVisited[1], 1);
    EXPECT_EQ(f.App().m_linkVisited[0], 0);
}

// ---- Bars ----

TEST(FrameBars, ToolbarAndStatusBarToggleWithCheckMarks) {
    AppFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    QAction* pToolbar = f.Action(ID_VIEW_TOOLBAR);
    QAction* pStatus = f.Action(ID_VIEW_STATUS_BAR);
    frame.UpdateCommandUI();
    EXPECT_TRUE(pToolbar->isChecked());
    EXPECT_TRUE(pStatus->isChecked());
    pToolbar->trigger();
    EXPECT_FALSE(frame.ToolBar()->isVisible());
    EXPECT_FALSE(pToolbar->isChecked());
    pStatus->trigger();
    EXPECT_FALSE(frame.statusBar()->isVisible());
    EXPECT_FALSE(pStatus->isChecked());
    pToolbar->trigger();
    pStatus->trigger();
    EXPECT_TRUE(frame.ToolBar()->isVisible());
    EXPECT_TRUE(frame.statusBar()->isVisible());
    EXPECT_TRUE(pToolbar->isChecked());
    EXPECT_TRUE(pStatus->isChecked());
}

TEST(FrameBars, PanesAreSizedToTheirText) {
    AppFixture f;
    f.Start();
    CMainFrame& frame = f.Frame();
    QLabel* pName = frame.Pane(1);
    ASSERT_NE(pName, nullptr);
    ASSERT_TRUE(frame.SetPaneTextSized(1, "a_rather_long_file_name"));
    EXPECT_EQ(pName->text(), "a_rather_long_file_name");
    const int nWide = pName->width();
    EXPECT_EQ(nWide, pName->fontMetrics().horizontalAdvance("a_rather_long_file_name") + 2);
    ASSERT_TRUE(frame.SetPaneTextSized(1, "b"));
    EXPECT_LT(pName->width(), nWide);
    // The four panes sit right to left after the stretching prompt area.
    for (int i = 1; i < 4; ++i)
        EXPECT_LT(frame.Pane(i)->geometry().left(), frame.Pane(i + 1)->geometry().left());
    EXPECT_FALSE(frame.SetPaneTextSized(5, "x"));
    EXPECT_FALSE(frame.SetPaneTextSized(-1, "x"));
    // Pane 0 is the prompt area.
    EXPECT_TRUE(frame.SetPaneTextSized(0, "Ready"));
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
}

TEST(FrameBars, PanesStartWithTheirNames) {
    TempConfig config;
    CGalerioApp app;
    CMainFrame frame(app);
    const char* const names[] = {"filename", "filesize", "filedate", "imagesize"};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(frame.Pane(i)->text(), names[i - 1]);
        EXPECT_EQ(frame.Pane(i)->width(),
                  frame.Pane(i)->fontMetrics().horizontalAdvance(names[i - 1]) + 2);
    }
}

}  // namespace

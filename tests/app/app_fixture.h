// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_rules.h"
#include "platform/folder_dialog.h"
#include "platform/shell_open.h"
#include "support/markup_name.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

class CGalerioApp;
class QImage;
class CGalerioView;
class CMainFrame;
class QAction;

void PrintTo(const WindowRect& rect, std::ostream* os);

// Some tests must also hold where the window system draws no decorations
// around a window, as an X server without a window manager does. Such a test
// runs itself once more in a child of the test program, on the offscreen
// platform configured without window frames, and passes when it passed there.
bool InUndecoratedChild();
::testing::AssertionResult PassesInUndecoratedChild();

// Makes dir the process's working directory for one scope.
class CurrentDirScope {
public:
    explicit CurrentDirScope(const std::string& dir);
    ~CurrentDirScope();
    CurrentDirScope(const CurrentDirScope&) = delete;
    CurrentDirScope& operator=(const CurrentDirScope&) = delete;

private:
    QString m_old;
};

// Records the targets handed to the desktop's "open" and answers as scripted.
class ShellRecorder {
public:
    ShellRecorder();
    ~ShellRecorder();
    QStringList m_targets;
    bool m_bSucceed = true;

private:
    ShellOpenHandler m_previous;
};

// Answers the folder chooser with scripted folders (empty = cancel) and
// records the titles it was asked with.
class FolderDialogScript {
public:
    FolderDialogScript();
    ~FolderDialogScript();
    QStringList m_answers;
    QStringList m_titles;
    QStringList m_startFolders;

private:
    FolderDialogHandler m_previous;
};

// One application over its own settings folder and a 1024 x 738 work area,
// with every desktop seam scripted.
class AppFixture {
public:
    AppFixture();
    ~AppFixture();

    // Runs start-up with these arguments (after the program's name); a
    // second call first ends the application of the first, as a restart.
    CGalerioApp& Start(const std::vector<std::string>& args = {});
    CGalerioApp& App() { return *m_pApp; }
    CMainFrame& Frame();
    CGalerioView& View();
    QAction* Action(int nId);

    // A fresh folder below the work folder with nImages small JPEG files.
    std::string MakeImageFolder(const std::string& name, int nImages);
    // Waits until the view has finished its run (or the timeout passes), then
    // brings menus and toolbar up to date.
    bool WaitIdle(int nTimeoutMs = 10000);

    TempConfig m_config;
    MessageRecorder m_messages;
    ShellRecorder m_shell;
    FolderDialogScript m_folders;

private:
    std::unique_ptr<CGalerioApp> m_pApp;
};

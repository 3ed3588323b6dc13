// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "app/frame_rules.h"
#include "settings/settings_store.h"

class CGalerioDoc;
class CGalerioView;
class CMainFrame;
class CRecentFileList;

// The program: start-up, main window, message loop. Returns the exit code.
int RunGalerio(int argc, char* argv[]);

// The application object: owns the settings store, the recent-folder list,
// the document and the main window. Tests create their own instances, each
// over its own settings folder.
class CGalerioApp {
public:
    CGalerioApp();
    virtual ~CGalerioApp();
    CGalerioApp(const CGalerioApp&) = delete;
    CGalerioApp& operator=(const CGalerioApp&) = delete;

    // Opens the settings, loads the recent list, creates and shows the main
    // window. False ends the program.
    virtual bool InitInstance(const CommandLineInfo& cmdInfo);
    // The one way a folder is opened (recent list, Ctrl+O). Refused while the
    // view is busy: returns null and nothing changes. A relative folder is
    // taken from the current directory.
    virtual CGalerioDoc* OpenDocumentFile(const std::string& folder);

    void AddToRecentFileList(const std::string& folder);
    // The document's folder, made absolute, which also goes on the
    // recent-folder list.
    void SetDocumentPath(const std::string& folder);

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CGalerioDoc* Document() const { return m_pDocument.get(); }
    CGalerioView* View() const;
    CRecentFileList* RecentFileList() const { return m_pRecentFileList.get(); }
    const CommandLineInfo& CmdInfo() const { return m_cmdInfo; }

    SettingsStore m_store;
    int m_nMruCount = 8;
    // Visited flags of the About box's two links; they outlive the box so a
    // link once opened stays purple for the rest of the run.
    int m_linkVisited[2] = {0, 0};

private:
    CommandLineInfo m_cmdInfo;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CGalerioDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

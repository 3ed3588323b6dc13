// SPDX-License-Identifier: MIT
#pragma once

#include <QBasicTimer>
#include <QMainWindow>
#include <QMargins>
#include <QSize>
#include <QTimer>
#include <map>
#include <memory>
#include <vector>

#include "app/frame_rules.h"
#include "browser/view_host.h"

class CGalerioApp;
class CGalerioView;
class QAction;
class QLabel;
class QMenu;
class QToolBar;

// Frame timers, named after their ids.
inline constexpr int kTimerCloseRetry = 105;  // 500 ms: retries a close held up by a run
// 200 ms once, or as soon as the grid has been painted: scans the command-line folder
inline constexpr int kTimerStartup = 106;
inline constexpr int kCloseRetryMs = 500;
inline constexpr int kStartupMs = 200;
// A drag moves the window many times a second; its rectangle is stored at
// most once per this delay, and always at close.
inline constexpr int kSaveRectDelayMs = 250;

// The main window: menus, toolbar, five-pane status bar and the thumbnail view.
// It keeps its own position and size in "Screen" and will not close while the
// view is still working.
class CMainFrame : public QMainWindow, public IViewHost {
    Q_OBJECT
public:
    explicit CMainFrame(CGalerioApp& app);
    ~CMainFrame() override;

    CGalerioView* View() const { return m_pView; }

    // ---- IViewHost ----
    bool SetPaneTextSized(int nPane, const QString& text) override;
    void StartStartupTimer() override;
    void RequestClose() override;
    void SetWindowTitle(const QString& title) override;
    void AddToRecentFileList(const std::string& folder) override;
    bool SlideShowRequested() const override;
    void StartSlideShow() override;
    void RunViewCommand(ViewCommand command) override;

    // ---- Commands ----
    QAction* Action(int nId) const;
    // Applies the enabling rules and check marks to menus and toolbar.
    void UpdateCommandUI();
    void RebuildRecentMenu();
    const std::vector<QAction*>& RecentActions() const { return m_recentActions; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QLabel* Pane(int nPane) const;

    bool IsClosePending() const { return m_timerCloseRetry.isActive(); }
    bool IsRectSavePending() const { return m_timerSaveRect.isActive(); }
    bool IsStartupTimerStarted() const { return m_bStartupTimerStarted; }
    // A gallery is being published: its thread runs or its boxes still show.
    bool IsGalleryBusy() const { return m_pGallery != nullptr; }

    // The desktop's work area (the primary screen without panels). Tests fix
    // it to a known size; an empty size goes back to the real screen.
    static QSize WorkAreaSize();
    static void SetWorkAreaOverride(QSize size);

    // Where the installed help page is looked for.
    static QString HelpPagePath();

    void setVisible(bool bVisible) override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* pWatched, QEvent* e) override;

private:
    void PreCreateWindow();
    void ApplyFrameRect(const QMargins& margins);
    void AdoptFrameMargins();
    bool IsAsApplied() const;
    void SaveWindowRect();
    void OnCreate();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void OnCommand(int nId);
    void OnWindowPosChanged();
    void OnStartupTimer();
    bool IsCommandEnabled(int nId) const;

    // Command handlers.
    void OnOpenFolder();
    void OnCloseView();
    void OnRefresh();
    void OnRestoreTips();
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrint();
    void OnHelpFinder();
    void OnContextHelp();
    void OnAppAbout();
    void OnOpenRecentFile(int nIndex);
    // Make Thumbs (F10) and Make Thumbs and Page (F11): the sheet, then the run.
    void RunMakeThumbs(bool bPage);
    // Opens Preferences; from the context menu also while the view is busy.
    void OnPreferences();
    // Publish Gallery: the dialog, then the gallery written on a thread of
    // its own while the window stays responsive.
    struct GalleryJob;
    void OnPublishGallery();
    // Takes what the run's thread reported, in the order it reported it.
    void PumpGallery();
    // Stops a run and waits for its thread; its remaining boxes are dropped.
    void AbandonGallery();

    CGalerioApp& m_app;
    CGalerioView* m_pView = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QLabel* m_pPanes[5] = {};
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentAnchor = nullptr;  // the separator below the recent list
    std::vector<QAction*> m_recentActions;
    std::map<int, QAction*> m_actions;
    QBasicTimer m_timerCloseRetry;  // timer 105
    QBasicTimer m_timerStartup;     // timer 106
    bool m_bStartupTimerStarted = false;
    QBasicTimer m_timerSaveRect;      // coalesces the writes of "Screen"
    WindowRect m_rcWanted;            // the frame rectangle chosen at creation
    QMargins m_marginsAssumed;        // decorations assumed when it was applied
    QSize m_szApplied;                // the client size that gave it
    bool m_bMarginsReported = false;  // the window system has told its decorations
    // Menus and toolbar follow the view's state the way an idle loop would.
    QTimer m_timerUpdateUI;
    // Shared with the queued reports, which find it gone after a close.
    std::shared_ptr<GalleryJob> m_pGallery;
};

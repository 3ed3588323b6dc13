// SPDX-License-Identifier: MIT
// The main window's commands: actions, menus, enabling rules and handlers.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>

#include "app/about_box.h"
#include "app/command_table.h"
#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "app/recent_file_list.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "dialogs/choose_dir.h"
#include "platform/folder_dialog.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/shell_open.h"
#include "settings/settings_keys.h"

namespace {

const char* const kOpenFolderTitle = "Folder to search for JPGs";
const char* const kRecentPlaceholder = "Recent File";
const char* const kRecentPrompt = "Open this document";

}  // namespace

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : CommandTable()) {
        auto* pAction = new QAction(this);
        if (info.caption) pAction->setText(QString::fromLatin1(info.caption));
        if (!info.key.isEmpty()) {
            pAction->setShortcut(info.key);
            // Keys work wherever the focus is inside the main window.
            pAction->setShortcutContext(Qt::WindowShortcut);
        }
        pAction->setStatusTip(PromptStatusText(info.prompt));
        pAction->setToolTip(PromptToolTip(info.prompt));
        pAction->setWhatsThis(PromptStatusText(info.prompt));
        if (info.icon) pAction->setIcon(QIcon(QString::fromLatin1(info.icon)));
        pAction->setData(info.nId);
        const int nId = info.nId;
        if (nId == ID_VIEW_TOOLBAR || nId == ID_VIEW_STATUS_BAR) pAction->setCheckable(true);
        connect(pAction, &QAction::triggered, this, [this, nId] { OnCommand(nId); });
        // Commands without a menu entry still need the window to own their key.
        addAction(pAction);
        m_actions[nId] = pAction;
    }
}

QAction* CMainFrame::Action(int nId) const {
    const auto it = m_actions.find(nId);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateMenus() {
    QMenuBar* pBar = menuBar();
    m_pFileMenu = pBar->addMenu(QStringLiteral("&File"));
    m_pFileMenu->addAction(Action(ID_OPEN_FOLDER));
    m_pFileMenu->addAction(Action(ID_CLOSE_VIEW));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(ID_RESTORE_TIPS));
    m_pFileMenu->addSeparator();
    m_pRecentAnchor = m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(ID_APP_EXIT));
    // Last, so every item that was there keeps its place.
    m_pFileMenu->addAction(Action(ID_PUBLISH_GALLERY));

    QMenu* pEdit = pBar->addMenu(QStringLiteral("&Edit"));
    pEdit->addAction(Action(ID_DELETE_THUMB));
    pEdit->addAction(Action(ID_MOVE_THUMB));
    pEdit->addSeparator();
    pEdit->addAction(Action(ID_MAKE_THUMBS));
    pEdit->addAction(Action(ID_MAKE_PAGE));

    QMenu* pView = pBar->addMenu(QStringLiteral("&View"));
    pView->addAction(Action(ID_PREFERENCES));
    pView->addAction(Action(ID_REFRESH));
    pView->addAction(Action(ID_SHOW_DETAILS));
    pView->addSeparator();
    pView->addAction(Action(ID_SLIDE_SHOW));
    pView->addSeparator();
    pView->addAction(Action(ID_VIEW_TOOLBAR));
    pView->addAction(Action(ID_VIEW_STATUS_BAR));

    QMenu* pHelp = pBar->addMenu(QStringLiteral("&Help"));
    pHelp->addAction(Action(ID_HELP_FINDER));
    pHelp->addSeparator();
    pHelp->addAction(Action(ID_APP_ABOUT));

    // Opening a menu shows the state of this moment, not of the last poll.
    for (QMenu* pMenu : {m_pFileMenu, pEdit, pView, pHelp})
        connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    RebuildRecentMenu();
}

void CMainFrame::RebuildRecentMenu() {
    if (!m_pFileMenu) return;
    for (QAction* pAction : m_recentActions) {
        m_pFileMenu->removeAction(pAction);
        delete pAction;
    }
    m_recentActions.clear();
    const CRecentFileList* pList = m_app.RecentFileList();
    const std::vector<std::string> entries = pList ? pList->Entries() : std::vector<std::string>();
    if (entries.empty()) {
        // The place of the list shows, greyed, while the list is empty.
        auto* pAction = new QAction(QString::fromLatin1(kRecentPlaceholder), this);
        pAction->setEnabled(false);
        m_pFileMenu->insertAction(m_pRecentAnchor, pAction);
        m_recentActions.push_back(pAction);
        return;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int nIndex = static_cast<int>(i);
        auto* pAction = new QAction(RecentMenuCaption(nIndex, ToDisplay(entries[i])), this);
        pAction->setStatusTip(QString::fromLatin1(kRecentPrompt));
        pAction->setData(ID_FILE_MRU_FILE1 + nIndex);
        connect(pAction, &QAction::triggered, this, [this, nIndex] { OnOpenRecentFile(nIndex); });
        m_pFileMenu->insertAction(m_pRecentAnchor, pAction);
        m_recentActions.push_back(pAction);
    }
}

bool CMainFrame::IsCommandEnabled(int nId) const {
    const CommandInfo* pInfo = FindCommand(nId);
    if (!pInfo) return false;
    const CGalerioView* pView = m_pView;
    // One gallery at a time; the window stays usable while it is written.
    if (nId == ID_PUBLISH_GALLERY && IsGalleryBusy()) return false;
    switch (pInfo->rule) {
        case EnableRule::Always:
            return true;
        case EnableRule::ViewIdle:
            return pView && pView->IsIdle();
        case EnableRule::CatalogueAndIdle:
            // Idle first: the catalogue is not to be read while a worker fills it.
            return pView && pView->IsIdle() && !pView->Catalogue().empty();
        case EnableRule::Selection:
            return pView && pView->Selected() != nullptr;
        case EnableRule::SelectionNoRun:
            // A slide show may run; a search or thumbnail run may not.
            return pView && pView->CanEditFiles();
        case EnableRule::NotYetAvailable:
            return false;
    }
    return false;
}

void CMainFrame::UpdateCommandUI() {
    for (const auto& [nId, pAction] : m_actions) pAction->setEnabled(IsCommandEnabled(nId));
    if (QAction* pToolbar = Action(ID_VIEW_TOOLBAR)) pToolbar->setChecked(!m_pToolBar->isHidden());
    if (QAction* pStatus = Action(ID_VIEW_STATUS_BAR))
        pStatus->setChecked(!statusBar()->isHidden());
}

void CMainFrame::OnCommand(int nId) {
    // A key can arrive between two polls of the enabling rules.
    if (!IsCommandEnabled(nId)) return;
    switch (nId) {
        case ID_OPEN_FOLDER:
            OnOpenFolder();
            break;
        case ID_CLOSE_VIEW:
            OnCloseView();
            break;
        case ID_REFRESH:
            OnRefresh();
            break;
        case ID_SLIDE_SHOW:
            m_pView->OnStartSlideShow();
            break;
        case ID_SHOW_DETAILS:
            m_pView->OnShowDetails();
            break;
        case ID_DELETE_THUMB:
            m_pView->OnDeleteThumb();
            break;
        case ID_MOVE_THUMB:
            m_pView->OnMoveThumb();
            break;
        case ID_MAKE_THUMBS:
            RunMakeThumbs(false);
            break;
        case ID_MAKE_PAGE:
            RunMakeThumbs(true);
            break;
        case ID_PREFERENCES:
            OnPreferences();
            break;
        case ID_PUBLISH_GALLERY:
            OnPublishGallery();
            break;
        case ID_RESTORE_TIPS:
            OnRestoreTips();
            break;
        case ID_APP_EXIT:
            close();
            break;
        case ID_VIEW_TOOLBAR:
            m_pToolBar->setVisible(m_pToolBar->isHidden());
            break;
        case ID_VIEW_STATUS_BAR:
            statusBar()->setVisible(statusBar()->isHidden());
            break;
        case ID_HELP_FINDER:
        case ID_HELP:
            OnHelpFinder();
            break;
        case ID_CONTEXT_HELP:
            OnContextHelp();
            break;
        case ID_APP_ABOUT:
            OnAppAbout();
            break;
        case ID_FILE_NEW:
            OnFileNew();
            break;
        case ID_FILE_OPEN:
            OnFileOpen();
            break;
        case ID_FILE_PRINT:
            OnFilePrint();
            break;
        default:
            break;
    }
    UpdateCommandUI();
}

void CMainFrame::OnOpenFolder() {
    const SettingsStore& store = m_app.m_store;
    std::string folder;
    if (store.GetInt(kSectionSettings, kShellBrowse, kShellBrowseDefault) == 1) {
        // The desktop's chooser starts where the user's things are.
        QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
        const QString chosen = ChooseFolder(m_pView, QString::fromLatin1(kOpenFolderTitle), start);
        if (chosen.isEmpty()) return;
        folder = FromDisplay(chosen);
    } else {
        folder = ChooseDirectory(
            m_pView, store.GetString(kSectionSettings, kFolderPath, kFolderPathDefault));
        if (folder.empty()) return;
    }
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    m_app.SetDocumentPath(folder);
    store.PutString(kSectionSettings, kFolderPath, folder);
    m_pView->StartSearch(folder);
}

void CMainFrame::OnCloseView() {
    m_pView->FreeImageList();
    m_pView->SetScrolls(false);
    m_pView->viewport()->update();
    m_app.Document()->OnNewDocument();
    m_app.Document()->SetPathName(std::string());
}

void CMainFrame::OnRefresh() { m_pView->ReloadCatalogue(false); }

void CMainFrame::OnRestoreTips() { m_app.m_store.PutInt(kSectionNewbie, kNeedFullPath, 1); }

void CMainFrame::OnFileNew() {
    // A new document only forgets the folder; the view's initial update runs
    // as for every new document (its one-time part does not run again).
    if (!m_app.Document()->OnNewDocument()) return;
    m_app.Document()->SetPathName(std::string());
    m_pView->OnInitialUpdate();
}

void CMainFrame::OnFileOpen() {
    const QString chosen = ChooseFolder(this, QStringLiteral("Open"));
    if (chosen.isEmpty()) return;
    m_app.OpenDocumentFile(FromDisplay(chosen));
}

void CMainFrame::OnFilePrint() { m_pView->OnFilePrint(); }

void CMainFrame::OnHelpFinder() {
    const QString page = HelpPagePath();
    if (QFileInfo::exists(page) && OpenWithShell(page)) return;
    ShowMessage(QStringLiteral("Could not open the help page\n%1").arg(page));
}

void CMainFrame::OnContextHelp() { QWhatsThis::enterWhatsThisMode(); }

void CMainFrame::OnAppAbout() {
    CAboutBox box(m_app.m_linkVisited, this);
    box.exec();
}

void CMainFrame::OnOpenRecentFile(int nIndex) {
    const CRecentFileList* pList = m_app.RecentFileList();
    if (!pList || nIndex < 0 || nIndex >= static_cast<int>(pList->Entries().size())) return;
    // A copy: opening reorders the list.
    const std::string folder = pList->Entries()[static_cast<std::size_t>(nIndex)];
    // Refused while the view is busy; the entry stays on the list.
    m_app.OpenDocumentFile(folder);
}

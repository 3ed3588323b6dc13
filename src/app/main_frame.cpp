// SPDX-License-Identifier: MIT
#include "app/main_frame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimerEvent>
#include <QToolBar>
#include <QWindow>
#include <optional>

#include "app/command_table.h"
#include "app/galerio_app.h"
#include "browser/galerio_view.h"
#include "settings/settings_keys.h"
#include "viewer/image_win.h"

namespace {

std::optional<QSize> g_workAreaOverride;

// The initial texts of the information panes; each pane starts as wide as its text.
const char* const kPaneTexts[5] = {"", "filename", "filesize", "filedate", "imagesize"};

// Decorations the window system reports around the client area: on some
// platforms once the window exists, on others once it is shown or later; a
// system without them (no window manager, the offscreen platform configured
// so) reports none at all.
QMargins ReportedFrameMargins(const QWidget* pWidget) {
    const QWindow* pWindow = pWidget->windowHandle();
    return pWindow ? pWindow->frameMargins() : QMargins();
}

// The style's figures stand in until the window system reports its own.
QMargins GuessedFrameMargins(const QWidget* pWidget) {
    const int nBorder = pWidget->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const int nTitle = pWidget->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return {nBorder, nTitle + nBorder, nBorder, nBorder};
}

}  // namespace

CMainFrame::CMainFrame(CGalerioApp& app) : m_app(app) {
    setWindowTitle(QStringLiteral("Galerio"));
    PreCreateWindow();
    OnCreate();
    m_pView = new CGalerioView(m_app.m_store, this, this);
    m_pView->Slides().SetImageWindowFactory(
        [this]() -> IImageWindow* { return new CImageWin(m_pView, this); });
    setCentralWidget(m_pView);
    m_pView->setFocus();

    connect(&m_timerUpdateUI, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_timerUpdateUI.start(250);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    m_timerUpdateUI.stop();
    AbandonGallery();
    // A window destroyed without a close still leaves its last place behind.
    if (m_timerSaveRect.isActive()) SaveWindowRect();
    // The view joins its workers on destruction and may still report to the
    // frame, so it goes while the frame is whole.
    delete m_pView;
    m_pView = nullptr;
}

QSize CMainFrame::WorkAreaSize() {
    if (g_workAreaOverride) return *g_workAreaOverride;
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    return pScreen ? pScreen->availableGeometry().size() : QSize(1024, 768);
}

void CMainFrame::SetWorkAreaOverride(QSize size) {
    // Image windows are placed on the same work area.
    CImageWin::SetWorkAreaOverride(size);
    if (size.isEmpty())
        g_workAreaOverride.reset();
    else
        g_workAreaOverride = size;
}

void CMainFrame::PreCreateWindow() {
    const SettingsStore& store = m_app.m_store;
    WindowRect stored;
    stored.x = store.GetInt(kSectionScreen, kScreenX, kScreenDefault);
    stored.y = store.GetInt(kSectionScreen, kScreenY, kScreenDefault);
    stored.cx = store.GetInt(kSectionScreen, kScreenCx, kScreenDefault);
    stored.cy = store.GetInt(kSectionScreen, kScreenCy, kScreenDefault);
    const QSize work = WorkAreaSize();
    bool bReplaced = false;
    const WindowRect rect = InitialWindowRect(stored, work.width(), work.height(), bReplaced);
    if (bReplaced) {
        store.PutInt(kSectionScreen, kScreenX, rect.x);
        store.PutInt(kSectionScreen, kScreenY, rect.y);
        store.PutInt(kSectionScreen, kScreenCx, rect.cx);
        store.PutInt(kSectionScreen, kScreenCy, rect.cy);
    }
    m_rcWanted = rect;
    // The platform window is made now so its decorations can be asked for.
    winId();
    const QMargins reported = ReportedFrameMargins(this);
    m_bMarginsReported = !reported.isNull();
    ApplyFrameRect(m_bMarginsReported ? reported : GuessedFrameMargins(this));
}

void CMainFrame::ApplyFrameRect(const QMargins& margins) {
    // The stored rectangle is the frame's, decorations included; Qt places
    // the frame's corner but sizes the client area.
    m_marginsAssumed = margins;
    m_szApplied = QSize(std::max(m_rcWanted.cx - margins.left() - margins.right(), 1),
                        std::max(m_rcWanted.cy - margins.top() - margins.bottom(), 1));
    move(m_rcWanted.x, m_rcWanted.y);
    resize(m_szApplied);
}

bool CMainFrame::IsAsApplied() const {
    return windowState() == Qt::WindowNoState && pos() == QPoint(m_rcWanted.x, m_rcWanted.y) &&
           size() == m_szApplied;
}

void CMainFrame::AdoptFrameMargins() {
    // When the decorations turn out other than assumed, the placement is
    // redone so the frame gets the stored size; not once the user (or the
    // window manager) has resized the window. A shown window that reports no
    // decorations has none, so the guess is taken back, and redone once more
    // should a window manager report real ones later.
    if (m_bMarginsReported || !isVisible() || windowState() != Qt::WindowNoState ||
        size() != m_szApplied)
        return;
    const QMargins reported = ReportedFrameMargins(this);
    m_bMarginsReported = !reported.isNull();
    if (reported != m_marginsAssumed) ApplyFrameRect(reported);
}

void CMainFrame::setVisible(bool bVisible) {
    QMainWindow::setVisible(bVisible);
    if (bVisible) AdoptFrameMargins();
}

void CMainFrame::OnCreate() {
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
}

void CMainFrame::CreateToolBar() {
    m_pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int nId : ToolbarLayout()) {
        if (nId == 0)
            m_pToolBar->addSeparator();
        else
            m_pToolBar->addAction(Action(nId));
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    setDockNestingEnabled(true);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* pBar = statusBar();
    pBar->setObjectName(QStringLiteral("statusBar"));
    // Pane 0 is the status bar's own message area: prompts, stretching.
    for (int i = 1; i < 5; ++i) {
        m_pPanes[i] = new QLabel(pBar);
        m_pPanes[i]->setObjectName(QStringLiteral("pane%1").arg(i));
        m_pPanes[i]->setContentsMargins(0, 0, 0, 0);
        // Panes show file names, and a name may look like markup.
        m_pPanes[i]->setTextFormat(Qt::PlainText);
        pBar->addPermanentWidget(m_pPanes[i]);
        SetPaneTextSized(i, QString::fromLatin1(kPaneTexts[i]));
    }
}

QLabel* CMainFrame::Pane(int nPane) const {
    return nPane >= 1 && nPane < 5 ? m_pPanes[nPane] : nullptr;
}

bool CMainFrame::SetPaneTextSized(int nPane, const QString& text) {
    if (nPane == 0) {
        statusBar()->showMessage(text);
        return true;
    }
    QLabel* pPane = Pane(nPane);
    if (!pPane) return false;
    // Measured in the pane's own font, with a little air either side.
    pPane->setFixedWidth(pPane->fontMetrics().horizontalAdvance(text) + 2);
    pPane->setText(text);
    pPane->repaint();
    return true;
}

void CMainFrame::StartStartupTimer() {
    if (m_bStartupTimerStarted) return;
    m_bStartupTimerStarted = true;
    m_timerStartup.start(kStartupMs, this);
    // The wait only lets the window come up and be laid out first; once the
    // grid has been painted there is nothing left to wait for.
    if (m_pView) m_pView->viewport()->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* e) {
    if (e->type() == QEvent::Paint && m_pView && pWatched == m_pView->viewport()) {
        pWatched->removeEventFilter(this);
        // Fires once the paint now under way has reached the screen.
        if (m_timerStartup.isActive()) m_timerStartup.start(0, this);
    }
    return QMainWindow::eventFilter(pWatched, e);
}

void CMainFrame::RequestClose() { close(); }

void CMainFrame::SetWindowTitle(const QString& title) { setWindowTitle(title); }

void CMainFrame::AddToRecentFileList(const std::string& folder) {
    m_app.AddToRecentFileList(folder);
}

bool CMainFrame::SlideShowRequested() const { return m_app.CmdInfo().bSlideShow; }

void CMainFrame::StartSlideShow() {
    if (m_pView) m_pView->OnStartSlideShow();
}

void CMainFrame::RunViewCommand(ViewCommand command) {
    switch (command) {
        case ViewCommand::Preferences:
            // The context menu offers it at any time; what a busy view cannot
            // take now is stored and left for later.
            OnPreferences();
            UpdateCommandUI();
            break;
        case ViewCommand::MakeThumbs:
            OnCommand(ID_MAKE_THUMBS);
            break;
        case ViewCommand::MakePage:
            OnCommand(ID_MAKE_PAGE);
            break;
    }
}

void CMainFrame::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_timerStartup.timerId()) {
        m_timerStartup.stop();
        OnStartupTimer();
    } else if (e->timerId() == m_timerCloseRetry.timerId()) {
        m_timerCloseRetry.stop();
        close();
    } else if (e->timerId() == m_timerSaveRect.timerId()) {
        SaveWindowRect();
    } else {
        QMainWindow::timerEvent(e);
    }
}

void CMainFrame::OnStartupTimer() {
    const std::string& folder = m_app.CmdInfo().strFolder;
    if (folder.empty() || !m_pView) return;
    // The user may have opened a folder before the timer fired; a scan must
    // never start over a running one.
    if (!m_pView->IsIdle()) return;
    m_pView->StartSearch(folder);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    // A gallery stops between two photos, or inside the decode of one, so
    // waiting for its thread is short.
    AbandonGallery();
    if (m_pView && (m_pView->FindDlg() || m_pView->IsProcessing())) {
        // Work is under way: ask it to stop and try again shortly. The workers
        // are never waited on here, so the window stays responsive.
        m_pView->RequestStop();
        m_timerCloseRetry.start(kCloseRetryMs, this);
        e->ignore();
        return;
    }
    m_timerCloseRetry.stop();
    // The last move of a drag may still be waiting for its write.
    SaveWindowRect();
    QMainWindow::closeEvent(e);
}

void CMainFrame::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    AdoptFrameMargins();
    OnWindowPosChanged();
}

void CMainFrame::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    AdoptFrameMargins();
    OnWindowPosChanged();
}

void CMainFrame::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    // Coming back from the minimised state stores the restored rectangle.
    if (e->type() == QEvent::WindowStateChange) OnWindowPosChanged();
}

void CMainFrame::OnWindowPosChanged() {
    // Before the first show the geometry is only being set up.
    if (isVisible() && !m_timerSaveRect.isActive()) m_timerSaveRect.start(kSaveRectDelayMs, this);
}

void CMainFrame::SaveWindowRect() {
    m_timerSaveRect.stop();
    // A minimised window's rectangle means nothing to the next start.
    if (!isVisible() || isMinimized()) return;
    // Until it is moved or resized the window is where the stored rectangle
    // put it, and that rectangle is stored again as it was: measuring it back
    // through decorations that are guessed, or reported a little off, would
    // make the window creep or shrink from one start to the next.
    WindowRect saved = m_rcWanted;
    if (!IsAsApplied()) {
        const QRect frame = frameGeometry();
        const QSize work = WorkAreaSize();
        saved = ClampForSave({frame.x(), frame.y(), frame.width(), frame.height()}, work.width(),
                             work.height());
    }
    const SettingsStore& store = m_app.m_store;
    store.PutInt(kSectionScreen, kScreenX, saved.x);
    store.PutInt(kSectionScreen, kScreenY, saved.y);
    store.PutInt(kSectionScreen, kScreenCx, saved.cx);
    store.PutInt(kSectionScreen, kScreenCy, saved.cy);
}

QString CMainFrame::HelpPagePath() {
    // Installed as <prefix>/share/galerio/help/index.html beside <prefix>/bin;
    // the build tree mirrors that layout.
    const QString rel = QStringLiteral(GALERIO_HELP_RELPATH);
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + rel);
}

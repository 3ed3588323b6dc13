// SPDX-License-Identifier: MIT
#include "app/galerio_app.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/main_frame.h"
#include "app/recent_file_list.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "dialogs/warning_dialog.h"
#include "platform/message_box_ui.h"
#include "platform/paths.h"
#include "settings/settings_keys.h"

// The resources live in a static library; nothing would pull them into the
// program unless they are named once.
static void InitGalerioResources() { Q_INIT_RESOURCE(galerio); }

namespace {

constexpr const char* kAppName = "Galerio";

std::vector<std::string> Arguments(int argc, char* argv[]) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

// argv's index of the first "--", or argc when there is none.
int DoubleDashIndex(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--") == 0) return i;
    return argc;
}

// For the start-up benchmark only: with GALERIO_EXIT_AFTER_GRID set, the
// program prints "grid painted" and quits once the grid of a finished run
// has been painted. Without it nothing is installed.
class GridPaintedExit : public QObject {
public:
    explicit GridPaintedExit(CGalerioView& view) : QObject(&view), m_view(view) {
        view.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* pWatched, QEvent* e) override {
        // Seen before the paint; the queued call runs once it is done.
        if (e->type() == QEvent::Paint && m_view.IsIdle() && !m_view.Catalogue().empty()) {
            pWatched->removeEventFilter(this);
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    std::puts("grid painted");
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    CGalerioView& m_view;
};

// For the start-up benchmark only: with GALERIO_REPORT_FIRST_SCREEN set, the
// program prints "first screen painted" once a paint has shown a thumbnail
// in every cell of the screen, finished run or not.
class FirstScreenReport : public QObject {
public:
    explicit FirstScreenReport(CGalerioView& view) : QObject(&view), m_view(view) {
        view.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* pWatched, QEvent* e) override {
        // What the paint about to happen will show; the line comes after it.
        if (e->type() == QEvent::Paint && m_view.ScreenIsMade()) {
            pWatched->removeEventFilter(this);
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    std::puts("first screen painted");
                    std::fflush(stdout);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    CGalerioView& m_view;
};

}  // namespace

int RunGalerio(int argc, char* argv[]) {
    // Read before QApplication exists: it takes the options it knows (-reverse,
    // -style ...) out of argv, also those after "--", which are folder text.
    const std::vector<std::string> args = Arguments(argc, argv);
    // Answered before any window system is needed, so they also work over ssh.
    const CommandLineInfo early = ParseCommandLine(args);
    if (early.bHelp) {
        std::fputs(CommandLineUsage(), stdout);
        return 0;
    }
    if (early.bVersion) {
        std::printf("Galerio %s\n", GALERIO_VERSION);
        return 0;
    }

    // Qt sees only the arguments before "--", so nothing after it changes how
    // the program looks. QApplication keeps a reference to this count.
    const int nDashDash = DoubleDashIndex(argc, argv);
    int nQtArgc = nDashDash;
    QApplication app(nQtArgc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppName));
    QApplication::setApplicationVersion(QStringLiteral(GALERIO_VERSION));
    InitGalerioResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/galerio.png")));
    InstallDesktopMessageBoxes();
    InstallWarningDialog();

    // What Qt left of the arguments before "--", then "--" and the rest as given.
    std::vector<std::string> ours = Arguments(nQtArgc, argv);
    ours.insert(ours.end(), args.begin() + std::max(nDashDash - 1, 0), args.end());
    CGalerioApp theApp;
    if (!theApp.InitInstance(ParseCommandLine(ours))) return 1;
    if (std::getenv("GALERIO_EXIT_AFTER_GRID") && theApp.View())
        new GridPaintedExit(*theApp.View());
    // Installed last, so on a paint that shows both it speaks first.
    if (std::getenv("GALERIO_REPORT_FIRST_SCREEN") && theApp.View())
        new FirstScreenReport(*theApp.View());
    return app.exec();
}

CGalerioApp::CGalerioApp() { InitGalerioResources(); }

CGalerioApp::~CGalerioApp() {
    // The window (and the view's workers with it) goes before the document.
    m_pMainWnd.reset();
    m_pDocument.reset();
}

bool CGalerioApp::InitInstance(const CommandLineInfo& cmdInfo) {
    m_cmdInfo = cmdInfo;
    // A relative folder means the working directory of this start; the title,
    // the document and the recent list must name it from anywhere.
    m_cmdInfo.strFolder = AbsoluteFolder(cmdInfo.strFolder);
    bool bCreated = false;
    // A store that cannot be created still lets the program run on defaults.
    if (m_store.OpenProductKey(kAppName, bCreated) && bCreated)
        m_store.ImportLegacyProfile(kAppName);

    m_nMruCount = ClampRecentCount(m_store.GetInt(kSectionSettings, kMRU, kMRUDefault));
    m_pRecentFileList =
        std::make_unique<CRecentFileList>(CRecentFileList::DefaultProfilePath(), m_nMruCount);
    m_pRecentFileList->ReadList();

    m_pDocument = std::make_unique<CGalerioDoc>();
    m_pDocument->OnNewDocument();
    m_pMainWnd = std::make_unique<CMainFrame>(*this);
    m_pDocument->SetView(View());
    m_pRecentFileList->SetOnChanged([this] {
        if (m_pMainWnd) m_pMainWnd->RebuildRecentMenu();
    });

    // A command-line folder becomes the document at once, but its scan waits
    // for the start-up timer, when the window is up and laid out.
    if (!m_cmdInfo.strFolder.empty()) SetDocumentPath(m_cmdInfo.strFolder);

    m_pMainWnd->show();
    View()->OnInitialUpdate();
    return true;
}

CGalerioDoc* CGalerioApp::OpenDocumentFile(const std::string& folderIn) {
    CGalerioView* pView = View();
    if (m_pMainWnd && pView && !pView->IsIdle()) return nullptr;
    const std::string folder = AbsoluteFolder(folderIn);
    if (!m_pDocument || folder.empty()) return nullptr;
    m_pDocument->OnOpenDocument(folder);
    SetDocumentPath(folder);
    return m_pDocument.get();
}

void CGalerioApp::SetDocumentPath(const std::string& folderIn) {
    const std::string folder = AbsoluteFolder(folderIn);
    if (m_pDocument) m_pDocument->SetPathName(folder);
    AddToRecentFileList(folder);
}

void CGalerioApp::AddToRecentFileList(const std::string& folder) {
    if (m_pRecentFileList) m_pRecentFileList->Add(folder);
}

CGalerioView* CGalerioApp::View() const { return m_pMainWnd ? m_pMainWnd->View() : nullptr; }

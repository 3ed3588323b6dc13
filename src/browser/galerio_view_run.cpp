// SPDX-License-Identifier: MIT
// The run of one folder: the search, thumbnail production, their progress
// window and the hand-shake between the workers and the user-interface thread.
#include <QCoreApplication>
#include <thread>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "browser/catalogue/wait_for_ack.h"
#include "browser/find_files_dlg.h"
#include "browser/galerio_view.h"
#include "browser/view_events.h"
#include "browser/view_host.h"
#include "codec/display_bitmap.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/wait_cursor.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

const char* const kSearchingTitle = "Searching For Image Files";
const char* const kProcessingTitle = "Processing Image Files";
const char* const kNoFilesText = "No files found.";
// Clears a status pane while keeping its width for the coming texts.
const char* const kBlankPane = "          ";

// Counts a worker as running until its body returns, so the destructor knows
// when it may join without waiting on a thread that needs this one.
class WorkerScope {
public:
    explicit WorkerScope(std::atomic<int>& nRunning) : m_nRunning(nRunning) {}
    ~WorkerScope() { m_nRunning.fetch_sub(1, std::memory_order_acq_rel); }
    WorkerScope(const WorkerScope&) = delete;
    WorkerScope& operator=(const WorkerScope&) = delete;

private:
    std::atomic<int>& m_nRunning;
};

void PostToView(CGalerioView* pView, QEvent::Type type, long long wParam = 0,
                long long lParam = 0) {
    auto* pMessage = new CViewMessage(type, wParam, lParam);
    pView->m_nPostedMessages.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(pView, pMessage);
}

}  // namespace

CGalerioView::~CGalerioView() {
    m_bShutdown.store(true, std::memory_order_release);
    // A worker may be inside a message box that runs on this thread through a
    // queued call; deliver those calls while waiting, or the join would hang.
    while (m_nWorkersRunning.load(std::memory_order_acquire) > 0) {
        QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    JoinWorkers();
    delete m_pFindFDlg;
    m_pFindFDlg = nullptr;
    FreeImageList();
}

void CGalerioView::JoinWorkers() {
    if (m_threadSearch.joinable()) m_threadSearch.join();
    if (m_threadProcess.joinable()) m_threadProcess.join();
}

void CGalerioView::SortImages() { ::SortImages(m_listImages, m_nSortOption, m_nSortStyle); }

// User-interface thread only: the cached top-down copies go with the entries.
// The processing thread frees through the catalogue function directly.
void CGalerioView::FreeImageList() {
    ::FreeImageList(m_listImages, m_pSelected);
    InvalidateThumbCache();
}

void CGalerioView::StartSearch(std::string folder) {
    // Two runs at once would fill one catalogue from two threads.
    if (m_pFindFDlg || m_bSearching.load() || m_bProcessing.load()) return;
    CWaitCursor wait;
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();

    JoinWorkers();
    FreeImageList();

    m_pFindFDlg = new CFindFilesDlg(this);
    m_pFindFDlg->SetTitle(QString::fromLatin1(kSearchingTitle));
    m_pFindFDlg->Create(this);

    if (m_pHost) m_pHost->AddToRecentFileList(folder);
    m_strSearchFolder = folder;
    if (m_pHost) m_pHost->SetWindowTitle(QStringLiteral("Galerio - ") + ToDisplay(folder));

    // Set before the thread starts so the view is busy from this moment on.
    m_bSearching.store(true, std::memory_order_release);
    m_bSearchAck.store(true, std::memory_order_release);
    m_nWorkersRunning.fetch_add(1, std::memory_order_acq_rel);
    m_threadSearch = std::thread(&CGalerioView::SearchFiles, this);
}

// Runs on the searching thread.
void CGalerioView::SearchFiles(CGalerioView* pView) {
    WorkerScope scope(pView->m_nWorkersRunning);
    ScanOptions options;
    options.m_bTNSearch = pView->m_bTNSearch;
    options.m_strPostPend =
        pView->m_store.GetString(kSectionSettings, kPostPendText, kPostPendTextDefault);
    options.m_strPrePend =
        pView->m_store.GetString(kSectionSettings, kPrePendText, kPrePendTextDefault);

    auto report = [pView](const std::string& path) {
        if (!WaitForAck(pView->m_bSearchAck, pView->m_bShutdown, pView->m_msAckTimeout)) return;
        pView->m_bSearchAck.store(false, std::memory_order_release);
        {
            std::lock_guard lock(pView->m_mutexSlots);
            pView->m_strSearchFile = path;
        }
        PostToView(pView, WM_SEARCH_PROGRESS);
    };
    const bool bAnyMatch = ScanFolder(pView->m_strSearchFolder, options, pView->m_listImages,
                                      report, &pView->m_bShutdown);
    if (bAnyMatch) pView->SortImages();
    if (pView->m_bShutdown.load(std::memory_order_acquire)) return;
    const long long nNothing = bAnyMatch ? 0 : 1;
    PostToView(pView, WM_SEARCH_DONE, nNothing, nNothing);
}

void CGalerioView::OnSearchProgress() {
    if (m_pFindFDlg) {
        std::lock_guard lock(m_mutexSlots);
        m_pFindFDlg->SetText(ToDisplay(m_strSearchFile));
    }
    m_bSearchAck.store(true, std::memory_order_release);
}

void CGalerioView::OnSearchDone(long long wParam) {
    if (wParam != 0) ShowMessage(QString::fromLatin1(kNoFilesText));
    m_bSearching.store(false, std::memory_order_release);
    StartProcessing();
}

void CGalerioView::StartProcessing() {
    // The search thread has posted its last message; it is about to return.
    JoinWorkers();
    if (!m_pFindFDlg) {
        // A reprocessing run always has its window: hiding it is how the user stops.
        m_pFindFDlg = new CFindFilesDlg(this);
        m_pFindFDlg->Create(this);
    }
    m_pFindFDlg->SetTitle(QString::fromLatin1(kProcessingTitle));
    if (m_pHost)
        for (int nPane = 1; nPane <= 4; ++nPane)
            m_pHost->SetPaneTextSized(nPane, QString::fromLatin1(kBlankPane));

    m_bProcessing.store(true, std::memory_order_release);
    m_bProcessAck.store(true, std::memory_order_release);
    m_nWorkersRunning.fetch_add(1, std::memory_order_acq_rel);
    m_threadProcess = std::thread(&CGalerioView::ProcessImages, this);
}

// Runs on the processing thread.
void CGalerioView::ProcessImages(CGalerioView* pView) {
    WorkerScope scope(pView->m_nWorkersRunning);
    const int nPitch = pView->m_nPitch;
    const int nThumbSize = pView->m_nThumbSize;
    ImageList& list = pView->m_listImages;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (pView->m_bShutdown.load(std::memory_order_acquire)) return;
        if (pView->m_bStopRequested.load(std::memory_order_acquire) ||
            !pView->m_bFindDlgVisible.load(std::memory_order_acquire)) {
            ::FreeImageList(list, pView->m_pSelected);
            break;
        }
        ImageItem& item = *list[i];
        if (!WaitForAck(pView->m_bProcessAck, pView->m_bShutdown, pView->m_msAckTimeout)) return;
        pView->m_bProcessAck.store(false, std::memory_order_release);
        {
            std::lock_guard lock(pView->m_mutexSlots);
            pView->m_strProcessFile = item.m_strPath;
        }
        PostToView(pView, WM_PROCESS_PROGRESS);
        const bool bBuilt = pView->m_fnBuildThumbnail
                                ? pView->m_fnBuildThumbnail(item, nPitch, nThumbSize)
                                : BuildThumbnailBitmap(item, nPitch, nThumbSize);
        if (!bBuilt) {
            // A half-built catalogue would show gaps; the run ends with none.
            ::FreeImageList(list, pView->m_pSelected);
            break;
        }
    }
    if (pView->m_bShutdown.load(std::memory_order_acquire)) return;
    PostToView(pView, WM_PROCESS_DONE);
}

void CGalerioView::OnProcessProgress() {
    if (m_pFindFDlg) {
        std::lock_guard lock(m_mutexSlots);
        m_pFindFDlg->SetText(ToDisplay(m_strProcessFile));
    }
    m_bProcessAck.store(true, std::memory_order_release);
}

void CGalerioView::OnProcessDone() {
    // The processing thread posted this as its last act.
    JoinWorkers();
    DeleteFindDlg();
    viewport()->update();
    if (m_bStopRequested.load(std::memory_order_acquire) && m_pHost) m_pHost->RequestClose();
}

void CGalerioView::DeleteFindDlg() {
    delete m_pFindFDlg;
    m_pFindFDlg = nullptr;
    // Every entry may have new pixels, possibly at a freed entry's address.
    InvalidateThumbCache();
    SetScrolls(true);
    m_bProcessing.store(false, std::memory_order_release);
    if (m_pHost && m_pHost->SlideShowRequested()) m_pHost->StartSlideShow();
}

// SPDX-License-Identifier: MIT
// The run of one folder as the view sees it: starting the search and the
// processing, the progress window, and the workers' messages.
#include <QCoreApplication>
#include <QLocale>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <system_error>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/grid_layout.h"
#include "browser/catalogue/sort_images.h"
#include "browser/find_files_dlg.h"
#include "browser/galerio_view.h"
#include "browser/view_host.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/wait_cursor.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

const char* const kSearchingTitle = "Searching For Image Files";
const char* const kProcessingTitle = "Processing Image Files";
const char* const kNoFilesText = "No files found.";
const char* const kUnreadableFolderText = "Could not read folder\n%1\n%2";
const char* const kNoThreadText = "Galerio could not start a worker thread.\n%1";
const char* const kMakingText = "Making thumbnails: %1 of %2";
// The count changes at a readable pace; repainting the status bar for every
// thumbnail would take the time the thumbnails need.
constexpr int kMadeCountMs = 100;
// Clears a status pane while keeping its width for the coming texts.
const char* const kBlankPane = "          ";

QString SystemReason(int nError) {
    char buf[256];
    // The GNU strerror_r returns the text, which need not be in buf.
    return QString::fromLocal8Bit(strerror_r(nError, buf, sizeof buf));
}

}  // namespace

CGalerioView::~CGalerioView() {
    // Wakes every worker, also one waiting for an answer to a box, and joins.
    m_run.Shutdown();
    EndSlideShow();
    delete m_pFindFDlg;
    m_pFindFDlg = nullptr;
    FreeImageList();
}

void CGalerioView::SortImages() {
    ::SortImages(m_listImages, m_nSortOption, m_nSortStyle);
    CatalogueChanged(false);
}

void CGalerioView::FreeImageList() {
    ::FreeImageList(m_listImages, m_pSelected);
    emit CatalogueReplaced();
    CatalogueChanged(false);
}

void CGalerioView::CatalogueChanged(bool bScrollToTop) {
    // A worker may be filling the list: nothing of it is looked at now; the
    // run's end comes back here.
    if (m_pSelected && m_listImages.empty()) m_pSelected = nullptr;
    // The show follows the catalogue: it cannot go on without entries, and
    // its next entry must still be one of them.
    m_slides.CatalogueChanged();
    InvalidateThumbCache();
    m_ahead.Cancel();
    m_residency.CatalogueChanged();
    SetScrolls(bScrollToTop);
    viewport()->update();
}

void CGalerioView::SetPitch(int nPitch) {
    m_nPitch = nPitch;
    m_nThumbSize = nPitch - 3;
    CatalogueChanged(false);
}

template <typename Fn>
bool CGalerioView::StartWorker(Fn fnStart) {
    try {
        fnStart();
        return true;
    } catch (const std::system_error& error) {
        // Without its worker the run would never end; the view goes back to
        // idle with an empty grid.
        m_bSearching = false;
        m_bProcessing = false;
        if (m_bMakingInGrid && m_pHost) m_pHost->SetPaneTextSized(0, QString());
        m_bMakingInGrid = false;
        delete m_pFindFDlg;
        m_pFindFDlg = nullptr;
        ::FreeImageList(m_listImages, m_pSelected);
        emit CatalogueReplaced();
        CatalogueChanged(true);
        m_watch.Resume(true);
        ShowMessage(QString::fromLatin1(kNoThreadText).arg(QString::fromLocal8Bit(error.what())));
        return false;
    }
}

void CGalerioView::StartSearch(std::string folder) {
    // Two runs at once would fill one catalogue from two threads.
    if (m_pFindFDlg || m_bSearching || m_bProcessing) return;
    CWaitCursor wait;
    // A relative folder would mean another folder after any change of the
    // current directory, and on the recent list.
    folder = AbsoluteFolder(folder);
    if (folder.empty()) return;

    m_run.JoinFinished();
    FreeImageList();

    m_pFindFDlg = new CFindFilesDlg(this);
    m_pFindFDlg->SetTitle(QString::fromLatin1(kSearchingTitle));
    m_pFindFDlg->Create(this);

    if (m_pHost) m_pHost->AddToRecentFileList(folder);
    m_strSearchFolder = folder;
    if (m_pHost) m_pHost->SetWindowTitle(QStringLiteral("Galerio - ") + ToDisplay(folder));
    // Watched anew before the scan reads it, so no change falls between the two.
    m_watch.Stop();
    UpdateWatch(false);

    SearchSettings settings;
    settings.strFolder = folder;
    settings.scan = CurrentScanOptions();
    settings.nSortOption = m_nSortOption;
    settings.nSortStyle = m_nSortStyle;
    // Busy from this moment on, before the thread exists.
    m_bSearching = true;
    StartWorker([&] { m_run.StartSearch(settings); });
}

void CGalerioView::customEvent(QEvent* e) {
    // Pixels remade ahead go into their entries; a cell on the screen shows them.
    if (RestoreAhead::IsReadyEvent(*e))
        TakeRestored(true);
    else
        m_run.Dispatch(*e, *this);
}

void CGalerioView::OnSearchProgress(const std::string& path) {
    if (m_pFindFDlg) m_pFindFDlg->SetText(ToDisplay(path));
}

ScanOptions CGalerioView::CurrentScanOptions() const {
    ScanOptions scan;
    scan.m_bTNSearch = m_bTNSearch;
    scan.m_strPostPend = m_store.GetString(kSectionSettings, kPostPendText, kPostPendTextDefault);
    scan.m_strPrePend = m_store.GetString(kSectionSettings, kPrePendText, kPrePendTextDefault);
    scan.m_bExtraFormats = m_formats.bExtra;
    return scan;
}

void CGalerioView::ShowUnreadableFolder(int nError) {
    ShowMessage(QString::fromLatin1(kUnreadableFolderText)
                    .arg(ToDisplay(m_strSearchFolder), SystemReason(nError)));
}

void CGalerioView::OnSearchDone(bool bNothingFound, int nFolderError) {
    if (nFolderError != 0)
        ShowUnreadableFolder(nFolderError);
    else if (bNothingFound)
        ShowMessage(QString::fromLatin1(kNoFilesText));
    m_bSearching = false;
    StartProcessing();
}

void CGalerioView::StartProcessing() {
    if (m_bSearching || m_bProcessing) return;
    m_bMakingInGrid = m_browsing.bShowWhileMaking;
    m_run.SetShowWhileMaking(m_bMakingInGrid);
    // The search's window dismissed: the run stops before its first entry.
    const bool bDismissed = m_pFindFDlg && !m_pFindFDlg->isVisible();
    if (m_bMakingInGrid) {
        // The grid itself shows the progress; Escape in it stops the run.
        delete m_pFindFDlg;
        m_pFindFDlg = nullptr;
    } else if (!m_pFindFDlg) {
        // A reprocessing run always has its window: hiding it is how the user stops.
        m_pFindFDlg = new CFindFilesDlg(this);
        m_pFindFDlg->Create(this);
    }
    if (m_pFindFDlg) m_pFindFDlg->SetTitle(QString::fromLatin1(kProcessingTitle));
    if (m_pHost)
        for (int nPane = 1; nPane <= 4; ++nPane)
            m_pHost->SetPaneTextSized(nPane, QString::fromLatin1(kBlankPane));

    m_bProcessing = true;
    m_ahead.Cancel();
    m_dPixelRatio = ScreenPixelRatio();
    if (m_bMakingInGrid) {
        // Laid out now, every cell an empty frame until its thumbnail comes.
        m_run.SetWindowVisible(!bDismissed);
        CatalogueChanged(true);
        ShowMakingProgress(0);
    }
    m_residency.StartRun(m_pThumbCache, m_nPitch, m_nThumbSize, m_bRotateByTag, ScreenCells(),
                         m_bRemakeable, m_dPixelRatio);
    if (StartWorker([&] { m_run.StartProcessing(m_nPitch, m_nThumbSize, m_dPixelRatio); }) &&
        m_bMakingInGrid)
        AimRun();
}

void CGalerioView::ShowMakingProgress(std::size_t nMade) {
    if (!m_pHost) return;
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    m_pHost->SetPaneTextSized(0, QString::fromLatin1(kMakingText)
                                     .arg(english.toString(qulonglong(nMade)),
                                          english.toString(qulonglong(m_listImages.size()))));
}

void CGalerioView::AimRun() {
    if (!m_bMakingInGrid || !m_bProcessing) return;
    const std::size_t n = m_listImages.size();
    const int yTop = verticalScrollBar()->value();
    const IndexRange visible =
        GridEntriesInBand(n, std::max(1, m_nCols), m_nPitch, yTop, yTop + viewport()->height(), 0);
    // The screen, then the one below it, then the one above, nearest first.
    const std::size_t nScreen = std::max<std::size_t>(visible.last - visible.first, 1);
    std::vector<std::size_t> order;
    order.reserve(3 * nScreen);
    for (std::size_t i = visible.first; i < std::min(n, visible.last + nScreen); ++i)
        order.push_back(i);
    for (std::size_t i = visible.first; i > visible.first - std::min(visible.first, nScreen); --i)
        order.push_back(i - 1);
    m_run.Prefer(std::move(order));
    m_residency.KeepDuringRun(visible.first, visible.last);
}

void CGalerioView::OnThumbnailMade(std::size_t nIndex, std::size_t nMade) {
    const int nCols = std::max(1, m_nCols);
    const CellRect rc = GridCellRect(nIndex, nCols, m_nPitch);
    viewport()->update(QRect(rc.left - horizontalScrollBar()->value(),
                             rc.top - verticalScrollBar()->value(), rc.right - rc.left,
                             rc.bottom - rc.top));
    m_nMade = nMade;
    if (m_bMadeCountDue) return;
    m_bMadeCountDue = true;
    QTimer::singleShot(kMadeCountMs, this, [this] {
        m_bMadeCountDue = false;
        if (m_bMakingInGrid && m_bProcessing) ShowMakingProgress(m_nMade);
    });
}

bool CGalerioView::ReprocessAtPitch(int nPitch) {
    // A worker or a slide show still uses the entries' pixels.
    if (!IsIdle()) return false;
    SetPitch(nPitch);
    if (!m_browsing.bShowWhileMaking) {
        m_pFindFDlg = new CFindFilesDlg(this);
        m_pFindFDlg->Create(this);
        m_pFindFDlg->SetText(QStringLiteral("starting..."));
    }
    StartProcessing();
    return true;
}

void CGalerioView::OnProcessProgress(const std::string& path) {
    if (m_pFindFDlg) m_pFindFDlg->SetText(ToDisplay(path));
}

void CGalerioView::OnProcessDone() {
    m_run.JoinFinished();
    if (m_bMakingInGrid) {
        if (m_pHost) m_pHost->SetPaneTextSized(0, QString());
        // An image window opened during the run must not keep an entry of a
        // catalogue that a stop or a failure emptied.
        if (m_listImages.empty()) emit CatalogueReplaced();
    }
    DeleteFindDlg();
    if (m_run.IsStopRequested() && m_pHost) m_pHost->RequestClose();
}

void CGalerioView::DeleteFindDlg() {
    delete m_pFindFDlg;
    m_pFindFDlg = nullptr;
    m_bProcessing = false;
    // Every entry may have new pixels, possibly at a freed entry's address.
    // A grid the user watched and scrolled while it was made stays where it is.
    CatalogueChanged(!m_bMakingInGrid || m_listImages.empty());
    m_bMakingInGrid = false;
    // Changes seen during the run are applied now; a run that ended empty
    // (stopped, or an entry failed) is not refilled behind the user's back.
    m_watch.Resume(m_listImages.empty());
    if (m_pHost && m_pHost->SlideShowRequested()) m_pHost->StartSlideShow();
}

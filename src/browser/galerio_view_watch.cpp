// SPDX-License-Identifier: MIT
// The grid's side of the folder watch: which folder is watched, and what
// the grid does when photos come and go under it.
#include "browser/galerio_view.h"
#include "browser/view_host.h"

void CGalerioView::UpdateWatch(bool bCompareAll) {
    if (!m_browsing.bWatchFolder || m_strSearchFolder.empty()) {
        m_watch.Stop();
        return;
    }
    if (m_watch.IsWatching() && m_watch.Folder() == m_strSearchFolder)
        m_watch.SetScanOptions(CurrentScanOptions());
    else
        m_watch.Start(m_strSearchFolder, CurrentScanOptions(), bCompareAll);
}

CGalerioView::CatalogueHold::~CatalogueHold() {
    if (--m_view.m_nCatalogueHolds == 0) m_view.m_watch.Resume(false);
}

WatchBuild CGalerioView::CurrentBuild() const {
    WatchBuild build;
    build.nPitch = m_nPitch;
    build.nThumbSize = m_nThumbSize;
    build.bRotateByTag = m_bRotateByTag;
    build.dPixelRatio = m_dPixelRatio;
    build.pCache = m_pThumbCache;
    build.nSortOption = m_nSortOption;
    build.nSortStyle = m_nSortStyle;
    return build;
}

void CGalerioView::OnEntryLeaving(ImageItem* pItem) {
    m_slides.OnEntryLeaving(pItem);
    emit EntryLeaving(pItem);
    if (m_pSelected != pItem) return;
    // The panes described the photo that went.
    m_pSelected = nullptr;
    if (m_pHost)
        for (int nPane = 1; nPane <= 4; ++nPane)
            m_pHost->SetPaneTextSized(nPane, QString(10, QLatin1Char(' ')));
}

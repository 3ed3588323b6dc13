// SPDX-License-Identifier: MIT
#include "browser/galerio_view.h"

#include <algorithm>

#include "codec/display_bitmap.h"
#include "codec/photo_look.h"
#include "engine/ordered_engine.h"
#include "platform/color_ref.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

CGalerioView::CGalerioView(SettingsStore& store, IViewHost* pHost, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_store(store),
      m_pHost(pHost),
      m_slides(m_listImages, Settings()),
      m_files(m_listImages, m_pSelected, m_store, m_pHost, m_pThumbCache,
              {[this] { return WorkerOwnsCatalogue(); },
               [this](const ImageItem* pItem) {
                   m_slides.OnEntryLeaving(pItem);
                   emit EntryLeaving(pItem);
               },
               [this](bool bRemoved) {
                   if (bRemoved)
                       CatalogueChanged(false);
                   else
                       viewport()->update();
               },
               this}),
      m_run(this, m_listImages) {
    LoadSettings();
    m_run.SetThumbResidency(&m_residency);
    connect(this, &CGalerioView::CatalogueReplaced, this, [this] { m_files.CatalogueReplaced(); });
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void CGalerioView::LoadSettings() {
    const SettingsStore& s = m_store;
    Load(s);
    m_run.SetRotateByTag(m_bRotateByTag);
    m_files.SetUseTrash(m_browsing.bUseTrash);
    ApplyPhotoLook();
    const int nThreads = BuildThreadCount(
        s.GetInt(kSectionPerformance, kThumbnailThreads, kThumbnailThreadsDefault));
    m_run.SetThumbnailThreads(nThreads);
    m_ahead.SetThreads(nThreads);
    const bool bCache = s.GetInt(kSectionPerformance, kThumbCache, kThumbCacheDefault) != 0;
    const int nCacheMB =
        std::max(s.GetInt(kSectionPerformance, kThumbCacheMB, kThumbCacheMBDefault), 0);
    m_pThumbCache = bCache ? std::make_shared<const ThumbCache>() : nullptr;
    m_run.SetThumbCache(m_pThumbCache, std::uint64_t(nCacheMB) << 20);
}

void CGalerioView::TakeOptions(const ViewOptions& o) {
    Take(o);
    // Thumbnails follow from the next processing run on.
    m_run.SetRotateByTag(m_bRotateByTag);
    m_files.SetUseTrash(m_browsing.bUseTrash);
    ApplyPhotoLook();
    UpdateWatch(true);
}

void CGalerioView::ApplyPhotoLook() {
    // Thumbnails put transparent pixels over the grid's own background.
    SetPhotoLook({m_formats.bColorManage,
                  static_cast<std::uint32_t>(ColorFromRef(m_crBackColor).rgb() & 0xFFFFFFu)});
}

bool CGalerioView::IsIdle() const {
    return m_pFindFDlg == nullptr && m_slides.Window() == nullptr && !m_bSearching &&
           !m_bProcessing;
}

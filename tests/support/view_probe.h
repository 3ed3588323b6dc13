// SPDX-License-Identifier: MIT
#pragma once

#include "browser/galerio_view.h"
#include "support/view_probe.h"

// What tests read and set inside the grid view, beside its public interface:
// a catalogue laid in place without a run, the layout and the caches.
class ViewProbe {
public:
    static ImageList& Catalogue(CGalerioView& view) { return view.m_listImages; }
    static void CatalogueChanged(CGalerioView& view, bool bScrollToTop) {
        view.CatalogueChanged(bScrollToTop);
    }
    static ImageItem* HitTest(const CGalerioView& view, const QPoint& pt) {
        return view.HitTest(pt);
    }
    static const std::string& SearchFolder(const CGalerioView& view) {
        return view.m_strSearchFolder;
    }
    static int Cols(const CGalerioView& view) { return view.m_nCols; }
    static int Rows(const CGalerioView& view) { return view.m_nRows; }
    static const QFont& Font(const CGalerioView& view) { return view.m_font; }
    static bool IsInitialized(const CGalerioView& view) { return view.m_bInitialized; }
    static std::size_t ThumbCacheSize(const CGalerioView& view) { return view.m_thumbCache.size(); }
    static CatalogueRun& Run(CGalerioView& view) { return view.m_run; }
    static bool IsStopRequested(const CGalerioView& view) { return view.m_run.IsStopRequested(); }
    static void StartProcessing(CGalerioView& view) { view.StartProcessing(); }
    static void OnDraw(CGalerioView& view, QPainter& dc, const QRect& rcUpdate) {
        view.OnDraw(dc, rcUpdate);
    }
};

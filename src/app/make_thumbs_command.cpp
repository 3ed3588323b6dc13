// SPDX-License-Identifier: MIT
// Make Thumbs and Make Thumbs and Page: the sheet, then the thumbnail files
// and the page, with progress shown while they are written.
#include <QApplication>
#include <QProgressDialog>

#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "dialogs/make_thumbs_sheet.h"
#include "engine/ordered_engine.h"
#include "platform/paths.h"
#include "platform/wait_cursor.h"
#include "publish/name_clash.h"
#include "publish/publish_settings.h"

void CMainFrame::RunMakeThumbs(bool bPage) {
    CGalerioView& view = *m_pView;
    if (view.Catalogue().empty() || !view.IsIdle()) return;
    // The sheet and the progress run the event loop while the catalogue is read.
    const CGalerioView::CatalogueHold hold(view);
    const SettingsStore& store = m_app.m_store;
    PublishSettings data =
        LoadPublishSettings(store, view.Settings().m_nThumbSize, m_app.Document()->GetPathName());
    if (!view.Selected()) data.bDoAll = true;
    if (bPage && data.page.m_strFile.empty())
        data.page.m_strFile = DefaultPageFile(data.job.m_strFolder);
    MakeThumbsContext context;
    context.bSelection = view.Selected() != nullptr;
    context.nEntries = view.Catalogue().size();
    context.strImagesFolder = view.Catalogue().front()->m_strFolder;

    PublishSettings chosen;
    {
        CMakeThumbsSheet sheet(this, bPage, store, context, std::move(data));
        if (!ExecMakeThumbsSheet(sheet)) return;
        chosen = sheet.Data();
    }
    // The sheet ran the event loop; the catalogue it was set up for is the
    // one that is still shown, since nothing could start a run meanwhile.
    CWaitCursor wait;
    SaveThumbSettings(store, chosen);
    // Files are replaced without a question, so names that would make two
    // files one stop the run before the first is written; the choices made
    // in the sheet are kept all the same.
    if (RefuseThumbNameClash(view.Catalogue(), chosen.bDoAll, view.Selected(), chosen.job,
                             RunScanOptions(store, chosen.job))) {
        if (bPage) SavePageSettings(store, chosen);
        return;
    }
    const std::size_t nTotal = chosen.bDoAll ? view.Catalogue().size() : 1;
    QProgressDialog progress(QStringLiteral("Making thumbnails..."), QStringLiteral("Cancel"), 0,
                             int(nTotal), this);
    progress.setWindowTitle(QStringLiteral("Galerio"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const ThumbRunResult result = MakeThumbFiles(
        view.Catalogue(), chosen.bDoAll, view.Selected(), chosen.job, view.Settings().m_nPitch,
        [&progress, &view](std::size_t nIndex, std::size_t nCount, ImageItem& item) {
            progress.setLabelText(QStringLiteral("%1 of %2\n%3")
                                      .arg(nIndex + 1)
                                      .arg(nCount)
                                      .arg(ToDisplay(item.m_strName + item.m_strExt)));
            progress.setValue(int(nIndex));
            QApplication::processEvents();
            // Last, so no paint meanwhile releases them again: the file is
            // made from the grid's pixels.
            view.RestorePixels(item, nIndex);
            return !progress.wasCanceled();
        },
        BuildThreadCount(
            store.GetInt(kSectionPerformance, kThumbnailThreads, kThumbnailThreadsDefault)));
    progress.reset();
    // A stopped run writes no page over thumbnails that are not all there.
    if (bPage && result != ThumbRunResult::Cancelled) {
        SavePageSettings(store, chosen);
        WriteHtmlPage(view.Catalogue(), chosen.bDoAll, view.Selected(), chosen.page,
                      chosen.strBefore, chosen.strAfter, store);
    }
    if (chosen.job.m_nNaming == SourceName) view.ReloadCatalogue(true);
}

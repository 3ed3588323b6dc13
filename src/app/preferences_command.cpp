// SPDX-License-Identifier: MIT
// Preferences (F4, toolbar, the grid's context menu): the dialog filled from
// the view, and after OK every value stored and applied at once.
#include <QApplication>
#include <QPalette>

#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "browser/galerio_view.h"
#include "dialogs/preferences_dlg.h"
#include "platform/color_ref.h"
#include "platform/message_box.h"

namespace {

const char* const kBusyText =
    "Thumbnails are being made or a slide show is running, so the grid keeps its "
    "present %1 for now.\nThe new values are stored; %2.";

const char* const kFormatsBusyText =
    "Thumbnails are being made or a slide show is running, so the grid keeps its "
    "present files for now.\nThe new formats are shown at the next Open Folder or Refresh.";

}  // namespace

void CMainFrame::OnPreferences() {
    if (!m_pView) return;
    CGalerioView& view = *m_pView;
    const SettingsStore& store = m_app.m_store;
    PreferencesData chosen;
    {
        PreferencesData data =
            FillPreferences(view.Settings().Options(), m_app.m_nMruCount, view.viewport()->width());
        data.gallery = LoadGalleryPreferences(store);
        CPreferencesDlg dlg(store, data, this);
        if (!ExecPreferencesDlg(dlg)) return;
        chosen = dlg.Data();
    }

    // The dialog ran the event loop: a run may have started or ended meanwhile.
    const bool bIdle = view.IsIdle();
    const QPalette pal = QApplication::palette();
    // An empty catalogue has nothing to sort; during a run it is not to be read.
    const bool bEmpty = bIdle ? view.Catalogue().empty() : false;
    const PreferencesOutcome out =
        ApplyPreferences(chosen, view.Settings().Options(), RefFromColor(pal.color(QPalette::Base)),
                         RefFromColor(pal.color(QPalette::ButtonText)), bEmpty);
    StorePreferences(store, out);
    view.TakeOptions(out.view);
    // The recent list keeps its length until the next start.
    m_app.m_nMruCount = out.nMruCount;

    // Other files are photos now, or no longer: the folder is searched again.
    if (out.bRescanForFormats && !view.SearchFolder().empty()) {
        if (bIdle) view.ReloadCatalogue(false);
        else ShowMessage(QString::fromLatin1(kFormatsBusyText));
        UpdateCommandUI();
        return;
    }
    if (!bIdle) {
        // A worker fills the catalogue, or the slide show walks it and shows its
        // entries: it is neither re-sorted nor re-made now.
        const bool bPitch = out.bReprocess;
        const bool bSort = out.bResort;
        if (bPitch || bSort) {
            const QString what = bPitch && bSort ? QStringLiteral("pitch and order")
                                 : bPitch        ? QStringLiteral("pitch")
                                                 : QStringLiteral("order");
            QString when;
            if (bPitch) when = QStringLiteral("the pitch takes effect at the next start");
            if (bSort) {
                if (!when.isEmpty()) when += QStringLiteral(", ");
                when += QStringLiteral("the order at the next Open Folder or Refresh");
            }
            ShowMessage(QString::fromLatin1(kBusyText).arg(what, when));
        }
        view.viewport()->update();
        return;
    }
    if (out.bResort) view.SortImages();
    // Turning photos upright or back needs every thumbnail made again, as a
    // new pitch does.
    if (out.bReprocess || out.bRemakeForRotation || out.bRemakeForLook)
        view.ReprocessAtPitch(out.view.nPitch);
    else if (out.bRepaint)
        view.viewport()->update();
    UpdateCommandUI();
}

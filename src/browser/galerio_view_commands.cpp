// SPDX-License-Identifier: MIT
// The grid's commands on the catalogue and its files: the details list,
// delete, move or rename (carried out by FileCommands), reload, and the
// context menu that offers them.
#include <QAction>
#include <QMenu>
#include <QScrollBar>

#include "browser/galerio_view.h"
#include "browser/view_host.h"
#include "platform/message_box.h"
#include "platform/popup_menu.h"

namespace {

const char* const kReloadText = "Images have changed and will be reloaded now.";

enum ContextCommand {
    kCmdPreferences,
    kCmdSlideShow,
    kCmdDelete,
    kCmdMove,
    kCmdMakeThumbs,
    kCmdMakePage
};

}  // namespace

bool CGalerioView::CanEditFiles() const { return m_files.CanEditFiles(); }

void CGalerioView::OnShowDetails() { m_files.OnShowDetails(); }

void CGalerioView::OnDeleteThumb() { m_files.OnDeleteThumb(); }

void CGalerioView::OnMoveThumb() { m_files.OnMoveThumb(); }

void CGalerioView::ReloadCatalogue(bool bMessage) {
    if (bMessage) ShowMessage(QString::fromLatin1(kReloadText));
    FreeImageList();
    StartSearch(m_strSearchFolder);
}

void CGalerioView::ShowContextMenu(const QPoint& ptWindow) {
    QMenu menu(this);
    const auto add = [&menu](const char* text, int nCommand, bool bEnabled) {
        QAction* pAction = menu.addAction(QString::fromLatin1(text));
        pAction->setData(nCommand);
        pAction->setEnabled(bEnabled);
    };
    // The catalogue is read only while no worker fills it.
    const bool bCanShow = !m_slides.Window() && IsIdle() && !m_listImages.empty();
    add("&Preferences...", kCmdPreferences, true);
    add("&Start Slide Show", kCmdSlideShow, bCanShow);
    menu.addSeparator();
    add("&Delete Thumb", kCmdDelete, CanEditFiles());
    add("&Move or Rename Thumb...", kCmdMove, CanEditFiles());
    add("M&ake Thumbs...", kCmdMakeThumbs, bCanShow);
    add("Make Thumbs and Pa&ge...", kCmdMakePage, bCanShow);
    QAction* pChosen = ExecPopupMenu(menu, viewport()->mapToGlobal(ptWindow));
    if (!pChosen) return;
    switch (pChosen->data().toInt()) {
        case kCmdPreferences:
            if (m_pHost) m_pHost->RunViewCommand(ViewCommand::Preferences);
            break;
        case kCmdSlideShow:
            OnStartSlideShow();
            break;
        case kCmdDelete:
            OnDeleteThumb();
            break;
        case kCmdMove:
            OnMoveThumb();
            break;
        case kCmdMakeThumbs:
            if (m_pHost) m_pHost->RunViewCommand(ViewCommand::MakeThumbs);
            break;
        case kCmdMakePage:
            if (m_pHost) m_pHost->RunViewCommand(ViewCommand::MakePage);
            break;
        default:
            break;
    }
}

void CGalerioView::ShowContextMenuForSelection() {
    if (!m_pSelected) return;
    // The selection is kept through a run at a new pitch, but the worker may
    // free its entry: the menu then opens in the corner, nothing read.
    if (WorkerOwnsCatalogue()) {
        ShowContextMenu(QPoint(0, 0));
        return;
    }
    if (m_listImages.empty()) return;
    // The selected cell comes to the top-left corner as far as the scroll
    // range allows, and the menu opens on the cell where it now is.
    const CellRect& rc = m_pSelected->m_rcCell;
    horizontalScrollBar()->setValue(rc.left);
    verticalScrollBar()->setValue(rc.top);
    ShowContextMenu(
        QPoint(rc.left - horizontalScrollBar()->value(), rc.top - verticalScrollBar()->value()));
}

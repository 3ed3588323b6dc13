// SPDX-License-Identifier: MIT
// The grid's mouse and keys, and the image windows and slide show started
// from it.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <iterator>
#include <utility>

#include "browser/catalogue/grid_layout.h"
#include "browser/galerio_view.h"
#include "browser/view_host.h"
#include "platform/paths.h"

void CGalerioView::OnStartSlideShow() {
    if (m_listImages.empty() || !IsIdle()) return;
    m_slides.Start();
}

void CGalerioView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        if (ImageItem* pItem = HitTest(e->position().toPoint())) m_slides.OpenImageWindow(*pItem);
    QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void CGalerioView::mousePressEvent(QMouseEvent* e) {
    QAbstractScrollArea::mousePressEvent(e);
    // The menu acts on the selection; the entry under the pointer is not selected.
    if (e->button() == Qt::RightButton) ShowContextMenu(e->position().toPoint());
    if (e->button() != Qt::LeftButton) return;
    // Empty space between or after the thumbnails keeps the selection.
    if (ImageItem* pHit = HitTest(e->position().toPoint())) Select(pHit);
}

void CGalerioView::Select(ImageItem* pItem) {
    if (m_pSelected) InvalidateCell(*m_pSelected);
    m_pSelected = pItem;
    InvalidateCell(*pItem);
    ShowEntryPanes(m_pHost, *pItem);
}

bool CGalerioView::KeySelect(int nKey) {
    static constexpr std::pair<int, SelectMove> kMoves[] = {
        {Qt::Key_Left, SelectMove::Left},       {Qt::Key_Right, SelectMove::Right},
        {Qt::Key_Up, SelectMove::Up},           {Qt::Key_Down, SelectMove::Down},
        {Qt::Key_PageUp, SelectMove::PageUp},   {Qt::Key_PageDown, SelectMove::PageDown},
        {Qt::Key_Home, SelectMove::Home},       {Qt::Key_End, SelectMove::End}};
    if (nKey == Qt::Key_Return || nKey == Qt::Key_Enter) {
        if (m_pSelected) m_slides.OpenImageWindow(*m_pSelected);
        return true;
    }
    const auto* pMove = std::find_if(std::begin(kMoves), std::end(kMoves),
                                     [nKey](const auto& m) { return m.first == nKey; });
    if (pMove == std::end(kMoves)) return false;
    const auto itSelected =
        std::find_if(m_listImages.begin(), m_listImages.end(),
                     [this](const auto& p) { return p.get() == m_pSelected; });
    const std::ptrdiff_t nCurrent =
        itSelected == m_listImages.end() ? -1 : itSelected - m_listImages.begin();
    const int nPageRows = viewport()->height() / std::max(m_nPitch, 1);
    const std::ptrdiff_t nTarget =
        GridSelectTarget(pMove->second, nCurrent, m_listImages.size(), m_nCols, nPageRows);
    if (nTarget < 0) return true;
    ImageItem* pTarget = m_listImages[static_cast<std::size_t>(nTarget)].get();
    // The cell is scrolled just far enough to show it whole.
    const CellRect rc = GridCellRect(static_cast<std::size_t>(nTarget), m_nCols, m_nPitch);
    QScrollBar* pV = verticalScrollBar();
    if (rc.bottom > pV->value() + viewport()->height())
        pV->setValue(rc.bottom - viewport()->height());
    if (rc.top < pV->value()) pV->setValue(rc.top);
    QScrollBar* pH = horizontalScrollBar();
    if (rc.right > pH->value() + viewport()->width()) pH->setValue(rc.right - viewport()->width());
    if (rc.left < pH->value()) pH->setValue(rc.left);
    if (pTarget != m_pSelected) Select(pTarget);
    return true;
}

void CGalerioView::InvalidateCell(const ImageItem& item) {
    const CellRect& rc = item.m_rcCell;
    viewport()->update(QRect(rc.left - horizontalScrollBar()->value(),
                             rc.top - verticalScrollBar()->value(), rc.right - rc.left,
                             rc.bottom - rc.top));
}

void CGalerioView::keyPressEvent(QKeyEvent* e) {
    if (m_browsing.bUseTrash && e->matches(QKeySequence::Undo)) {
        m_files.UndoTrash();
        e->accept();
        return;
    }
    if (m_browsing.bKeyboardSelect && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        KeySelect(e->key())) {
        e->accept();
        return;
    }
    // The grid scrolls by page and by line up and down; every other key,
    // Home, End, Left and Right included, does nothing here.
    QScrollBar* pV = verticalScrollBar();
    switch (e->key()) {
        case Qt::Key_PageUp:
            pV->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case Qt::Key_PageDown:
            pV->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        case Qt::Key_Up:
            pV->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case Qt::Key_Down:
            pV->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case Qt::Key_Escape:
            if (m_slides.Window())
                EndSlideShow();
            else if (m_bMakingInGrid && m_bProcessing)
                // As dismissing the progress window: the run stops before its
                // next entry and the program goes on.
                m_run.SetWindowVisible(false);
            break;
        case Qt::Key_Menu:
            break;  // the menu opens when the key is released
        default:
            e->ignore();
            return;
    }
    e->accept();
}

void CGalerioView::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() != Qt::Key_Menu || e->isAutoRepeat()) {
        QAbstractScrollArea::keyReleaseEvent(e);
        return;
    }
    e->accept();
    ShowContextMenuForSelection();
}

void CGalerioView::contextMenuEvent(QContextMenuEvent* e) {
    // The right button and the menu key are handled above; the window
    // around must not offer its own menu for the grid.
    e->accept();
}

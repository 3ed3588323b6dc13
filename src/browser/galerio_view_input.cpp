// SPDX-License-Identifier: MIT
// The grid's mouse and keys, and the image windows and slide show started
// from it.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

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
    ImageItem* pHit = HitTest(e->position().toPoint());
    if (!pHit) return;
    if (m_pSelected) InvalidateCell(*m_pSelected);
    m_pSelected = pHit;
    InvalidateCell(*pHit);
    if (m_pHost) {
        m_pHost->SetPaneTextSized(1, ToDisplay(pHit->m_strName));
        m_pHost->SetPaneTextSized(2, ToDisplay(pHit->m_strSize));
        m_pHost->SetPaneTextSized(3, ToDisplay(pHit->m_strDate));
        m_pHost->SetPaneTextSized(4, ToDisplay(pHit->m_strDim));
    }
}

void CGalerioView::InvalidateCell(const ImageItem& item) {
    const CellRect& rc = item.m_rcCell;
    viewport()->update(QRect(rc.left - horizontalScrollBar()->value(),
                             rc.top - verticalScrollBar()->value(), rc.right - rc.left,
                             rc.bottom - rc.top));
}

void CGalerioView::keyPressEvent(QKeyEvent* e) {
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

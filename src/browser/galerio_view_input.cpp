// SPDX-License-Identifier: MIT
// The grid's mouse and keys, image windows opened from it, and the slide
// show that drives one of them with timer 101.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimerEvent>

#include "browser/galerio_view.h"
#include "browser/view_host.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace {

constexpr int kFirstSlideMs = 100;
const char* const kNoWindowText = "Error: could not create window";

}  // namespace

void CGalerioView::OpenImageWindow(const ImageItem& item) {
    if (!m_fnMakeImageWindow) return;
    IImageWindow* pWin = m_fnMakeImageWindow();
    if (!pWin) return;
    if (!pWin->OpenImage(item, false, m_bFit)) {
        delete pWin;
        ShowMessage(QString::fromLatin1(kNoWindowText));
    }
}

void CGalerioView::OnStartSlideShow() {
    if (m_listImages.empty() || !IsIdle()) return;
    m_bSlidePaused = false;
    m_bSlideStarted = false;
    m_posSlide = nullptr;
    m_timerSlide.start(kFirstSlideMs, this);
}

void CGalerioView::StopSlideTimer() { m_timerSlide.stop(); }

void CGalerioView::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_timerSlide.timerId())
        OnSlideTimer();
    else
        QAbstractScrollArea::timerEvent(e);
}

ImageItem* CGalerioView::NextSlide(bool bFirst) {
    const int n = static_cast<int>(m_listImages.size());
    if (n == 0) return nullptr;
    if (m_bRandom) return m_listImages[std::size_t(m_slideOrder.GetRandomSlide(bFirst, n))].get();
    // The entry the show goes on with; after the last one it wraps around.
    std::size_t nIndex = 0;
    if (!bFirst && m_posSlide) {
        for (std::size_t i = 0; i < m_listImages.size(); ++i)
            if (m_listImages[i].get() == m_posSlide) nIndex = i;
    }
    ImageItem* pItem = m_listImages[nIndex].get();
    m_posSlide = nIndex + 1 < m_listImages.size() ? m_listImages[nIndex + 1].get() : nullptr;
    return pItem;
}

void CGalerioView::OnSlideTimer() {
    if (m_bSlidePaused) return;
    if (!m_bSlideStarted) {
        m_timerSlide.stop();
        if (m_pImageWin || !m_fnMakeImageWindow) return;
        ImageItem* pItem = NextSlide(true);
        if (!pItem) return;
        m_pImageWin = m_fnMakeImageWindow();
        if (!m_pImageWin || !m_pImageWin->OpenImage(*pItem, true, m_bFit)) {
            ShowMessage(QString::fromLatin1(kNoWindowText));
            delete m_pImageWin;
            m_pImageWin = nullptr;
            return;
        }
        m_bSlideStarted = true;
        m_timerSlide.start(SlideIntervalMs(), this);
    } else if (m_pImageWin) {
        m_timerSlide.stop();
        ImageItem* pItem = NextSlide(false);
        if (!pItem) {
            EndSlideShow();
            return;
        }
        m_pImageWin->ShowImage(*pItem);
        // The interval runs from the moment the image is shown.
        if (m_pImageWin) m_timerSlide.start(SlideIntervalMs(), this);
    }
    // A show whose window was closed by other means ticks on without effect
    // until Escape or the next start.
}

void CGalerioView::EndSlideShow() {
    m_timerSlide.stop();
    if (IImageWindow* pWin = std::exchange(m_pImageWin, nullptr)) pWin->DestroyWindow();
}

void CGalerioView::OnImageWindowDestroyed(IImageWindow* pWin) {
    if (pWin && pWin == m_pImageWin) m_pImageWin = nullptr;
}

void CGalerioView::OnEntryLeaving(const ImageItem* pItem) {
    if (!pItem || pItem != m_posSlide) return;
    std::size_t i = 0;
    while (i < m_listImages.size() && m_listImages[i].get() != pItem) ++i;
    m_posSlide = i + 1 < m_listImages.size() ? m_listImages[i + 1].get() : nullptr;
}

void CGalerioView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        if (ImageItem* pItem = HitTest(e->position().toPoint())) OpenImageWindow(*pItem);
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
            if (m_pImageWin) EndSlideShow();
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

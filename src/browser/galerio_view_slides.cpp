// SPDX-License-Identifier: MIT
// Image windows opened from the grid, and the slide show that drives one of
// them with timer 101.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimerEvent>

#include "browser/galerio_view.h"
#include "platform/message_box.h"

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

void CGalerioView::keyPressEvent(QKeyEvent* e) {
    QAbstractScrollArea::keyPressEvent(e);
    if (e->key() == Qt::Key_Escape && m_pImageWin) EndSlideShow();
}

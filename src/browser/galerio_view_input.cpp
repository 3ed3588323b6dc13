// SPDX-License-Identifier: MIT
// The grid's mouse and keys, image windows opened from it, and the slide
// show that drives one of them with timer 101.
#include <unistd.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimerEvent>
#include <cstdio>

#include "browser/catalogue/catalogue.h"
#include "browser/galerio_view.h"
#include "browser/view_host.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/replace_file.h"
#include "platform/shell_open.h"
#include "platform/warning_question.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

constexpr int kFirstSlideMs = 100;
const char* const kNoWindowText = "Error: could not create window";
const char* const kDetailsOpenText = "Error opening file.";
const char* const kDeleteQuestion =
    "You are about to permamently delete this JPEG.\n\nAre you sure you want to do this?";
const char* const kDeleteFailedText = "Could not delete file\n%1";
const char* const kDetailsWriteText = "Could not write %1";

}  // namespace

void CGalerioView::OnShowDetails() {
    if (m_listImages.empty()) return;
    const std::string strPath = "details.txt";
    CReplacingFile file(strPath);
    std::FILE* pFile = file.Open();
    if (!pFile) {
        ShowMessage(QString::fromLatin1(kDetailsOpenText));
        return;
    }
    const std::string text = FormatDetails(m_listImages);
    const bool bWritten = std::fwrite(text.data(), 1, text.size(), pFile) == text.size();
    // An old list survives a failed write; saying so beats opening it as new.
    if (!file.Commit(pFile) || !bWritten) {
        ShowMessage(QString::fromLatin1(kDetailsWriteText).arg(ToDisplay(AbsoluteFolder(strPath))));
        return;
    }
    OpenWithShell(ToDisplay(AbsoluteFolder(strPath)));
}

void CGalerioView::OnDeleteThumb() {
    // A worker may be walking the catalogue (a run after a change of pitch
    // keeps the selection); the grid changes only when none does.
    if (!m_pSelected || m_pFindFDlg || m_bSearching || m_bProcessing) return;
    if (m_store.GetInt(kSectionSettings, kNoDelDlg, kNoDelDlgDefault) == 0) {
        const WarningAnswer answer = AskWarning(QString::fromLatin1(kDeleteQuestion));
        if (!answer.bYes || !m_pSelected) return;
        if (answer.bDontShowAgain) m_store.PutInt(kSectionSettings, kNoDelDlg, 1);
    }
    ImageItem* pItem = m_pSelected;
    if (::unlink(pItem->m_strPath.c_str()) != 0) {
        ShowMessage(QString::fromLatin1(kDeleteFailedText).arg(ToDisplay(pItem->m_strPath)));
        return;
    }
    OnEntryLeaving(pItem);
    m_pSelected = nullptr;
    std::erase_if(m_listImages, [pItem](const auto& p) { return p.get() == pItem; });
    if (m_pHost)
        for (int nPane = 1; nPane <= 4; ++nPane)
            m_pHost->SetPaneTextSized(nPane, QString(10, QLatin1Char(' ')));
    CatalogueChanged(false);
}

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
        default:
            e->ignore();
            return;
    }
    e->accept();
}

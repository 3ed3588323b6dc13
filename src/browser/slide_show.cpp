// SPDX-License-Identifier: MIT
#include "browser/slide_show.h"

#include <QTime>
#include <QTimerEvent>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "browser/view_settings.h"
#include "platform/message_box.h"

namespace {

constexpr int kFirstSlideMs = 100;
const char* const kNoWindowText = "Error: could not create window";

}  // namespace

SlideShow::SlideShow(const ImageList& list, const ViewSettings& settings)
    : m_listImages(list), m_settings(settings) {
    // Seeds the random slide order with the millisecond part of the time.
    std::srand(static_cast<unsigned>(QTime::currentTime().msec()));
}

void SlideShow::OpenImageWindow(const ImageItem& item) {
    if (!m_fnMakeImageWindow) return;
    IImageWindow* pWin = m_fnMakeImageWindow();
    if (!pWin) return;
    if (!pWin->OpenImage(item, false, m_settings.m_bFit)) {
        delete pWin;
        ShowMessage(QString::fromLatin1(kNoWindowText));
    }
}

void SlideShow::Start() {
    m_bSlidePaused = false;
    m_bSlideStarted = false;
    m_posSlide = nullptr;
    m_timerSlide.start(kFirstSlideMs, this);
}

void SlideShow::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_timerSlide.timerId())
        OnSlideTimer();
    else
        QObject::timerEvent(e);
}

ImageItem* SlideShow::NextSlide(bool bFirst) {
    const int n = static_cast<int>(m_listImages.size());
    if (n == 0) return nullptr;
    if (m_settings.m_bRandom)
        return m_listImages[std::size_t(m_slideOrder.GetRandomSlide(bFirst, n))].get();
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

void SlideShow::OnSlideTimer() {
    if (m_bSlidePaused) return;
    if (!m_bSlideStarted) {
        m_timerSlide.stop();
        if (m_pImageWin || !m_fnMakeImageWindow) return;
        ImageItem* pItem = NextSlide(true);
        if (!pItem) return;
        m_pImageWin = m_fnMakeImageWindow();
        if (!m_pImageWin || !m_pImageWin->OpenImage(*pItem, true, m_settings.m_bFit)) {
            ShowMessage(QString::fromLatin1(kNoWindowText));
            delete m_pImageWin;
            m_pImageWin = nullptr;
            return;
        }
        m_bSlideStarted = true;
        m_timerSlide.start(m_settings.SlideIntervalMs(), this);
    } else if (m_pImageWin) {
        m_timerSlide.stop();
        ImageItem* pItem = NextSlide(false);
        if (!pItem) {
            End();
            return;
        }
        m_pImageWin->ShowImage(*pItem);
        // The interval runs from the moment the image is shown.
        if (m_pImageWin) m_timerSlide.start(m_settings.SlideIntervalMs(), this);
    }
    // A show whose window was closed by other means ticks on without effect
    // until Escape or the next start.
}

void SlideShow::End() {
    m_timerSlide.stop();
    if (IImageWindow* pWin = std::exchange(m_pImageWin, nullptr)) pWin->DestroyWindow();
}

void SlideShow::OnImageWindowDestroyed(IImageWindow* pWin) {
    if (pWin && pWin == m_pImageWin) m_pImageWin = nullptr;
}

void SlideShow::OnEntryLeaving(const ImageItem* pItem) {
    if (!pItem || pItem != m_posSlide) return;
    std::size_t i = 0;
    while (i < m_listImages.size() && m_listImages[i].get() != pItem) ++i;
    m_posSlide = i + 1 < m_listImages.size() ? m_listImages[i + 1].get() : nullptr;
}

void SlideShow::CatalogueChanged() {
    if (m_posSlide && std::none_of(m_listImages.begin(), m_listImages.end(),
                                   [this](const auto& p) { return p.get() == m_posSlide; }))
        m_posSlide = nullptr;
    if (m_listImages.empty() && m_pImageWin) End();
}

void SlideShow::OnUserStep(const ImageItem* pShown) {
    if (!m_settings.m_bRandom) {
        const auto it = std::find_if(m_listImages.begin(), m_listImages.end(),
                                     [pShown](const auto& p) { return p.get() == pShown; });
        if (it != m_listImages.end())
            m_posSlide = it + 1 != m_listImages.end() ? (it + 1)->get() : nullptr;
    }
    if (m_timerSlide.isActive()) m_timerSlide.start(m_settings.SlideIntervalMs(), this);
}

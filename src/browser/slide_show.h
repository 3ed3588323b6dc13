// SPDX-License-Identifier: MIT
#pragma once

#include <QBasicTimer>
#include <QObject>
#include <utility>

#include "browser/catalogue/slide_order.h"
#include "browser/image_window.h"
#include "model/image_item.h"

struct ViewSettings;

// The slide show over the catalogue: which entry comes next, in catalogue
// order or at random, the one window that shows them, and the timer that
// paces it. The catalogue and the settings are the view's; the show reads them.
class SlideShow : public QObject {
public:
    SlideShow(const ImageList& list, const ViewSettings& settings);

    // Image windows are made through this (the frame installs the real one).
    void SetImageWindowFactory(ImageWindowFactory fn) { m_fnMakeImageWindow = std::move(fn); }
    // Opens a plain window on the entry, fitted as "Fit" says (a double click).
    void OpenImageWindow(const ImageItem& item);
    // A new show from the first entry; its window opens at the first tick.
    void Start();
    // Escape in any image window: the show does not advance any more.
    void StopTimer() { m_timerSlide.stop(); }
    // Space in any image window pauses or resumes the show.
    void TogglePause() { m_bSlidePaused = !m_bSlidePaused; }
    bool IsPaused() const { return m_bSlidePaused; }
    bool IsTimerActive() const { return m_timerSlide.isActive(); }
    // The open show window, else null.
    IImageWindow* Window() const { return m_pImageWin; }
    // Stops the timer and closes the show's window.
    void End();
    // The window tells the show it is being destroyed; it is then forgotten,
    // so the commands come back at once.
    void OnImageWindowDestroyed(IImageWindow* pWin);
    // Before an entry leaves the catalogue (delete, move): the show goes on
    // with the entry that followed it.
    void OnEntryLeaving(const ImageItem* pItem);
    // After any change of the catalogue: the next entry must still be one of
    // its entries, and the show cannot go on without entries.
    void CatalogueChanged();
    // The user stepped the show's window to this entry: in catalogue order
    // the show goes on after it, and the interval starts again.
    void OnUserStep(const ImageItem* pShown);

protected:
    void timerEvent(QTimerEvent* e) override;

private:
    void OnSlideTimer();
    // The next entry of the show, in the order the settings ask for.
    ImageItem* NextSlide(bool bFirst);

    const ImageList& m_listImages;
    const ViewSettings& m_settings;
    ImageWindowFactory m_fnMakeImageWindow;
    IImageWindow* m_pImageWin = nullptr;  // the open slide-show window, else null
    QBasicTimer m_timerSlide;
    const ImageItem* m_posSlide = nullptr;  // the next entry in catalogue order
    SlideOrder m_slideOrder;
    bool m_bSlideStarted = false;
    bool m_bSlidePaused = false;
};

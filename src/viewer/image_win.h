// SPDX-License-Identifier: MIT
#pragma once

#include <QMargins>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <memory>
#include <vector>

#include "browser/image_window.h"
#include "viewer/image_stepper.h"
#include "viewer/look_ahead.h"
#include "viewer/place_window.h"

class CGalerioView;
class CScrollVu;

// A top-level window showing one catalogue image: a plain one opened by a
// double click, or the slide show's. Owned by the main window, deleted when
// closed.
class CImageWin : public QWidget, public IImageWindow {
    Q_OBJECT
public:
    // pGridView: the grid whose slide show and captions the window follows
    // (it may go away first). pMainWindow: the owner, may be null.
    CImageWin(CGalerioView* pGridView, QWidget* pMainWindow);
    ~CImageWin() override;

    bool OpenImage(const ImageItem& item, bool bSlideShow, bool bFit) override;
    void ShowImage(const ImageItem& item) override;
    void DestroyWindow() override;

    // The window rectangle for the entry's full image size; with bMove the
    // window is also moved there and repainted.
    void PlaceWindow(const ImageItem& item, PlacedRect& rc, bool bMove, bool bFit);

    // What the frame adds to the client area across (width) and down (height).
    QSize FrameAllowance() const;
    // The primary screen's work area, or the override.
    static QSize WorkAreaSize();
    // Tests and odd desktops fix the work area; an empty size lifts it.
    static void SetWorkAreaOverride(QSize size);

    // Full screen on the window's screen, or back to the window it was.
    void SetFullScreen(bool bOn);
    void ToggleFullScreen() { SetFullScreen(!isFullScreen()); }

    CScrollVu* View() const { return m_pView; }
    bool IsSlideShow() const { return m_bSlideShow; }

    // Shows the catalogue entry a step reaches, without hiding the window:
    // the bitmap decoded ahead, else one decoded now as opening does. False
    // when the window has no catalogue to step through.
    bool Step(StepKind kind);
    // True while the neighbours of the photo shown are being decoded.
    bool IsLookingAhead() const { return m_pLookAhead && !m_pLookAhead->IsIdle(); }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    // Copies the texts the view shows from the grid's entry.
    void CopyEntryTexts(const ImageItem& item);
    void ApplyRect(const PlacedRect& rc);
    QSize ClientSizeFor(const PlacedRect& rc) const;

    // The grid's catalogue while nothing else fills or walks it, else null.
    const ImageList* Catalogue() const;
    // The entry the window was opened or last shown on, once the catalogue
    // can be read.
    void FollowShown(const ImageList& list);
    // What the window's bitmap of a catalogue entry is made from, for the
    // client area it would be placed with.
    ViewRequest RequestFor(const ImageItem& entry);
    // Keeps the shown bitmap for a step back, in place of an empty view.
    void KeepShownBitmap();
    // Tells the view another photo comes: a zoom kept for the same size, else
    // the window's own mode back.
    void ImageChanging(const ImageItem& next);
    // Shows a step's photo without hiding the window.
    void ShowStep(const ImageItem& entry, LookAhead::Result result);
    // Asks the look-ahead for the neighbours of the entry shown.
    void LookAround();
    void OnEntryLeaving(const ImageItem* pItem);
    void OnCatalogueReplaced();

    bool m_bSlideShow = false;
    QPointer<CGalerioView> m_pGridView;
    CScrollVu* m_pView = nullptr;

    ImageStepper m_stepper;
    const ImageItem* m_pToFollow = nullptr;  // shown, not yet found in the catalogue
    std::unique_ptr<LookAhead> m_pLookAhead;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <QMargins>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include "browser/image_window.h"
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

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    // Copies the texts the view shows from the grid's entry.
    void CopyEntryTexts(const ImageItem& item);
    void ApplyRect(const PlacedRect& rc);

    bool m_bSlideShow = false;
    QPointer<CGalerioView> m_pGridView;
    CScrollVu* m_pView = nullptr;
};

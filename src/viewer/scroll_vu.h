// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>

#include "model/image_item.h"
#include "viewer/image_stepper.h"
#include "viewer/view_decode.h"
#include "viewer/zoom_state.h"

class CFactsPanel;
class CGalerioView;
class QPainter;
class QTimer;

// The view inside an image window: one image at its pixel size with scroll
// bars, or fitted to the client area, with up to four corner captions. It
// keeps its own copy of the entry's texts and its own display bitmap, so the
// grid may change while the window is open.
class CScrollVu : public QAbstractScrollArea {
    Q_OBJECT
public:
    CScrollVu(CGalerioView* pGridView, QWidget* parent);
    ~CScrollVu() override;

    // Creates the caption font, stores the fit flag and loads the image.
    void SetFitAndLoad(bool bFit);
    // Builds the display bitmap; on success sets the scrolling and repaints.
    void Reload();
    // True if a display bitmap was built.
    bool BuildViewBitmap();
    // Drops the display bitmap (the next image replaces it).
    void ReleaseBitmap();
    // What this view's display bitmap of the entry is made from, for a
    // client area of the given size.
    ViewRequest Request(const ImageItem& entry, QSize client) const;
    // Shows a bitmap made elsewhere as Reload shows its own.
    void ShowBitmap(ViewBitmap bitmap);
    // Hands the display bitmap over; the view is left empty.
    ViewBitmap TakeBitmap();
    // Paints in logical coordinates: the visible area, the bitmap, captions.
    void OnDraw(QPainter& dc);

    // The visible area in logical coordinates (right and bottom exclusive).
    QRect VisibleArea() const;
    // The text of the "ShowDim" caption for the current visible area.
    QString DimCaption() const;

    ImageItem& Item() { return m_item; }
    const ImageItem& Item() const { return m_item; }
    bool IsFit() const { return m_bFit; }
    const QFont& CaptionFont() const { return m_fontCaption; }

    // To be called before another photo is loaded into the view: one of the
    // same size keeps the zoom and pan, any other brings the usual mode back.
    void OnImageChanged(QSize oldSize, QSize newSize);
    // The full screen's look, set by the frame: black around the photo,
    // fitted, and the cursor hidden while the mouse is still.
    void SetFullScreen(bool bOn);
    bool IsFullScreen() const { return m_bFullScreen; }
    // The photo's device pixels on the screen per pixel of its own (at 1 a
    // dense screen shows it pixel for pixel, not enlarged).
    double ShownScale() const;
    bool IsZoomed() const { return m_zoom.IsZoomed(); }

    // Every image window decodes through this; an empty function restores
    // LoadImagePixels.
    static void SetPixelLoader(PixelLoader fn);

    // Where the step keys and the wheel at a scroll end go: true when the
    // window steps through a catalogue, false to let the keys scroll.
    void SetStepHandler(std::function<bool(StepKind)> fn) { m_fnStep = std::move(fn); }

signals:
    // F or a double click: the frame goes into full screen or out of it.
    void FullScreenToggled();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    // Takes the bitmap's rows and sizes; false when it holds no rows.
    bool AdoptBitmap(ViewBitmap bitmap);
    // Scroll bars, paint and the facts panel follow a new bitmap.
    void BitmapChanged();
    void SetScrolls();
    // What the bitmap is fitted to: the view's client area (no bars when fitted).
    QSize ClientSize() const;
    // Device pixels to a pixel of the screen the view is on, at least 1.
    double PixelRatio() const;
    // ShownScale in the view's own (logical) pixels, which lay the photo out.
    double LayoutScale() const { return ShownScale() / PixelRatio(); }
    // Where the bitmap held at its size covers, one pixel to a device pixel.
    QSize BitmapExtent() const;
    // The captions aligned in rcAnchor; each corner's only while its image
    // pixel is on the screen (top left, top right, bottom left, bottom right).
    void DrawCaptions(QPainter& dc, const QRect& rcAnchor, const bool (&bCorner)[4],
                      const QString& strDim);

    // Zoomed or full screen: the photo keeps its shape, placed by m_zoom.
    bool FreeLayout() const { return m_zoom.IsZoomed() || m_bFullScreen; }
    QSize PhotoSize() const;
    QPoint ScrollPos() const;
    void SetScrollPolicy();
    void SetFreeScrolls();
    void DrawFree(QPainter& dc);
    void DrawPhotoPart(QPainter& dc, const QRect& rcPhoto, const QRect& rcShown);
    // m_imageFree for the layout, made on its first paint; null where the
    // display rows are drawn instead.
    const QImage& FreeImage();
    void ZoomTo(double dScale, QPoint anchor);
    void ZoomBy(int nSteps, QPoint anchor);
    void ResetZoom();
    // Loads again when the bitmap held is not the one the layout needs.
    void MatchBitmapToLayout();
    void ToggleFacts();
    void MouseMoved();
    void HideIdleCursor();
    QPointer<CGalerioView> m_pGridView;
    ImageItem m_item;
    QFont m_fontCaption;
    bool m_bFit = false;
    // The display rows as the painter reads them, without a copy.
    QImage m_image;
    // The bitmap was shrunk to the client area for the fitted mode.
    bool m_bShrunk = false;
    // The photo top-down in the painter's own format while it is zoomed
    // (scaled and smoothed, it is read several times faster), or shrunk to
    // the full screen's fitted size.
    QImage m_imageFree;
    ZoomState m_zoom;
    bool m_bFullScreen = false;
    // Ctrl+wheel turns not yet spent on a zoom step (fine-grained wheels).
    int m_nWheelZoom = 0;
    bool m_bDragging = false;
    QPoint m_ptDragStart, m_ptScrollAtDragStart;
    IdleCursor m_idleCursor;
    QElapsedTimer m_clock;
    QTimer* m_pCursorTimer = nullptr;
    CFactsPanel* m_pFacts = nullptr;
    ViewRequest m_request;  // what the display rows were made from
    // Asks for a step unless the input queued up while the last one was
    // being shown (bDroppable: a held key's repeat, or the wheel); false
    // when the window does not step.
    bool RequestStep(StepKind kind, bool bDroppable, quint64 nTimestamp);
    // The wheel without Ctrl: scrolls, or steps at a scroll end.
    void WheelScrollOrStep(QWheelEvent* e);

    std::function<bool(StepKind)> m_fnStep;
    // Wheel turns not yet worth a step, at a scroll end.
    int m_nWheelRest = 0;
    // The input's time (its own clock) until which the last step kept the
    // window busy.
    quint64 m_nStepBusyUntil = 0;
};

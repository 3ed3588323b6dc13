// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
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

class CGalerioView;
class QPainter;

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

    // Every image window decodes through this; an empty function restores
    // LoadImagePixels.
    static void SetPixelLoader(PixelLoader fn);

    // Where the step keys and the wheel at a scroll end go: true when the
    // window steps through a catalogue, false to let the keys scroll.
    void SetStepHandler(std::function<bool(StepKind)> fn) { m_fnStep = std::move(fn); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Takes the bitmap's rows and sizes; false when it holds no rows.
    bool AdoptBitmap(ViewBitmap bitmap);
    void SetScrolls();
    // What the bitmap is fitted to: the view's client area (no bars when fitted).
    QSize ClientSize() const;
    void DrawCaptions(QPainter& dc, const QRect& rcVisible);

    QPointer<CGalerioView> m_pGridView;
    ImageItem m_item;
    QFont m_fontCaption;
    bool m_bFit = false;
    // The display rows as the painter reads them, without a copy.
    QImage m_image;
    ViewRequest m_request;  // what the display rows were made from
    // Asks for a step unless the input queued up while the last one was
    // being shown (bDroppable: a held key's repeat, or the wheel); false
    // when the window does not step.
    bool RequestStep(StepKind kind, bool bDroppable, quint64 nTimestamp);

    std::function<bool(StepKind)> m_fnStep;
    // Wheel turns not yet worth a step, at a scroll end.
    int m_nWheelRest = 0;
    // The input's time (its own clock) until which the last step kept the
    // window busy.
    quint64 m_nStepBusyUntil = 0;
};

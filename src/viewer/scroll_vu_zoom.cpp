// SPDX-License-Identifier: MIT
// The image window's view when the user takes over: zoom steps around a
// point, panning by dragging, the full screen's look and its hidden cursor,
// and the facts panel.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "codec/display_bitmap.h"
#include "viewer/facts_panel.h"
#include "viewer/scroll_vu.h"

namespace {

// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;
// The most a zoomed photo's fast copy may take (a 64-megapixel photo); a
// larger one is drawn from its display rows, more slowly.
constexpr std::uint64_t kFreeCopyBudget = std::uint64_t(256) << 20;

// Display rows (bottom-up, blue-green-red, nStride bytes a row) as top-down
// 32-bit pixels, in one pass.
QImage TopDownCopy(const std::uint8_t* pRows, QSize size, qsizetype nStride) {
    const int w = size.width(), h = size.height();
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h && !image.isNull(); ++y) {
        const std::uint8_t* pSrc = pRows + qsizetype(h - 1 - y) * nStride;
        auto* pDst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x, pSrc += 3) pDst[x] = qRgb(pSrc[2], pSrc[1], pSrc[0]);
    }
    return image;
}

}  // namespace

QSize CScrollVu::PhotoSize() const {
    return {int(m_item.m_nImageWidth), int(m_item.m_nImageHeight)};
}

QPoint CScrollVu::ScrollPos() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

double CScrollVu::ShownScale() const {
    const double r = PixelRatio();
    const QSize photo = PhotoSize(), client = viewport()->size() * r;
    if (photo.isEmpty()) return 1.0;
    if (m_zoom.IsZoomed()) return m_zoom.Scale();
    if (m_bFullScreen) return ZoomState::FitScale(photo, client);
    // The usual fitted mode stretches to the client; its smaller stretch is
    // where a zoom starts from.
    if (m_bFit)
        return std::min(double(client.width()) / photo.width(),
                        double(client.height()) / photo.height());
    return double(m_item.m_nThumbWidth) / photo.width();
}

void CScrollVu::SetScrollPolicy() {
    // A fitted image is mapped onto the whole client area: nothing to scroll.
    // The full screen shows no bars, though a zoomed photo still pans.
    const bool bBars = m_zoom.IsZoomed() ? !m_bFullScreen : !m_bFit && !m_bFullScreen;
    const Qt::ScrollBarPolicy policy = bBars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

void CScrollVu::SetFreeScrolls() {
    const QSize client = viewport()->size();
    const QSize range = ZoomState::ScrollRange(PhotoSize(), client, LayoutScale());
    QScrollBar* pH = horizontalScrollBar();
    QScrollBar* pV = verticalScrollBar();
    pH->setRange(0, range.width());
    pV->setRange(0, range.height());
    pH->setPageStep(std::max(1, client.width() * 9 / 10));
    pV->setPageStep(std::max(1, client.height() * 9 / 10));
    pH->setSingleStep(std::max(1, client.width() / 20));
    pV->setSingleStep(std::max(1, client.height() / 20));
}

void CScrollVu::MatchBitmapToLayout() {
    if (!FreeLayout()) m_imageFree = QImage();
    if (!m_item.m_pBits) return;
    const QSize client = ClientSize() * PixelRatio();
    // The shrunk bitmap cannot be zoomed into; the whole one is not what
    // the fitted mode shows.
    const bool bTooBig =
        m_item.m_nThumbWidth > client.width() || m_item.m_nThumbHeight > client.height();
    if (FreeLayout() ? m_bShrunk : m_bFit && bTooBig) {
        Reload();
        return;
    }
    SetScrolls();
    viewport()->update();
}

void CScrollVu::ZoomTo(double dScale, QPoint anchor) {
    if (!m_item.m_pBits) return;
    const QSize photo = PhotoSize();
    // Where the photo is drawn now: placed by the zoom, stretched over the
    // client by the usual fitted mode, or at the bitmap's size and scrolled.
    const QRect rcOld =
        FreeLayout() ? ZoomState::PhotoRect(photo, viewport()->size(), LayoutScale(), ScrollPos())
        : m_bFit     ? QRect(QPoint(0, 0), viewport()->size())
                     : QRect(-ScrollPos(), BitmapExtent());
    m_zoom.SetScale(dScale);
    SetScrollPolicy();
    MatchBitmapToLayout();
    const QPoint scroll =
        ZoomState::AnchoredScroll(rcOld, photo, viewport()->size(), LayoutScale(), anchor);
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
    viewport()->update();
}

void CScrollVu::ZoomBy(int nSteps, QPoint anchor) {
    ZoomTo(ZoomState::StepScale(ShownScale(), nSteps), anchor);
}

void CScrollVu::ResetZoom() {
    if (!m_zoom.IsZoomed()) return;
    m_zoom.Reset();
    SetScrollPolicy();
    MatchBitmapToLayout();
}

void CScrollVu::OnImageChanged(QSize oldSize, QSize newSize) {
    if (m_zoom.OnImageChanged(oldSize, newSize)) return;
    // The caller loads the new photo next, for the mode that is back.
    SetScrollPolicy();
}

void CScrollVu::SetFullScreen(bool bOn) {
    if (bOn == m_bFullScreen) return;
    m_bFullScreen = bOn;
    viewport()->setMouseTracking(bOn);
    if (!m_pCursorTimer) {
        m_pCursorTimer = new QTimer(this);
        m_pCursorTimer->setSingleShot(true);
        connect(m_pCursorTimer, &QTimer::timeout, this, &CScrollVu::HideIdleCursor);
        m_clock.start();
    }
    if (bOn) {
        MouseMoved();
    } else {
        m_pCursorTimer->stop();
        viewport()->unsetCursor();
    }
    SetScrollPolicy();
    MatchBitmapToLayout();
}

void CScrollVu::MouseMoved() {
    if (!m_bFullScreen) return;
    m_idleCursor.Moved(m_clock.elapsed());
    if (!m_bDragging) viewport()->unsetCursor();
    if (!m_pCursorTimer->isActive()) m_pCursorTimer->start(int(IdleCursor::kHideAfterMs));
}

void CScrollVu::HideIdleCursor() {
    const std::int64_t nNow = m_clock.elapsed();
    if (m_idleCursor.Hidden(nNow))
        viewport()->setCursor(Qt::BlankCursor);
    else
        m_pCursorTimer->start(int(m_idleCursor.MsUntilHidden(nNow)));
}

void CScrollVu::ToggleFacts() {
    if (!m_pFacts) m_pFacts = new CFactsPanel(viewport());
    if (m_pFacts->isVisible())
        m_pFacts->hide();
    else
        m_pFacts->ShowFacts(m_item);
}

void CScrollVu::DrawFree(QPainter& dc) {
    const QSize photo = PhotoSize(), client = viewport()->size();
    const double dScale = LayoutScale();
    const QPoint scroll = ScrollPos();
    const QRect rcClient(QPoint(0, 0), client);
    dc.fillRect(rcClient,
                m_bFullScreen ? QColor(Qt::black) : QApplication::palette().color(QPalette::Base));
    const QRect rcPhoto = ZoomState::PhotoRect(photo, client, dScale, scroll);
    const QRect rcShown = ZoomState::VisiblePhoto(photo, client, dScale, scroll);
    if (rcShown.isEmpty()) return;
    DrawPhotoPart(dc, rcPhoto, rcShown);

    const int w = photo.width(), h = photo.height();
    const bool bCorner[4] = {rcShown.contains(0, 0), rcShown.contains(w - 1, 0),
                             rcShown.contains(0, h - 1), rcShown.contains(w - 1, h - 1)};
    const QString strDim = QString::asprintf("%d x %d", rcShown.x() + rcShown.width() + 1,
                                             rcShown.y() + rcShown.height() + 1);
    DrawCaptions(dc, rcPhoto.intersected(rcClient), bCorner, strDim);
}

void CScrollVu::DrawPhotoPart(QPainter& dc, const QRect& rcPhoto, const QRect& rcShown) {
    const QImage& fast = FreeImage();
    const QImage& src = fast.isNull() ? m_image : fast;
    // Only the rows and columns on the screen are handed to the painter, so
    // the cost follows the client area, not the photo.
    const int nBw = src.width(), nBh = src.height();
    const double fx = double(nBw) / PhotoSize().width(), fy = double(nBh) / PhotoSize().height();
    const int x0 = std::clamp(int(std::floor(rcShown.left() * fx)), 0, nBw - 1);
    const int y0 = std::clamp(int(std::floor(rcShown.top() * fy)), 0, nBh - 1);
    const int x1 = std::clamp(int(std::ceil((rcShown.right() + 1) * fx)), x0 + 1, nBw);
    const int y1 = std::clamp(int(std::ceil((rcShown.bottom() + 1) * fy)), y0 + 1, nBh);
    const double kx = double(rcPhoto.width()) / nBw, ky = double(rcPhoto.height()) / nBh;

    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, ZoomState::SmoothAt(ShownScale()));
    if (!fast.isNull()) {
        dc.translate(rcPhoto.left() + x0 * kx, rcPhoto.top() + y0 * ky);
        dc.scale(kx, ky);
        dc.drawImage(QPointF(0, 0), fast, QRectF(x0, y0, x1 - x0, y1 - y0));
    } else {
        // Display rows are bottom-up: the band's lowest row comes first.
        dc.translate(rcPhoto.left() + x0 * kx, rcPhoto.top() + y1 * ky);
        dc.scale(kx, -ky);
        dc.drawImage(QPointF(0, 0), m_image, QRectF(x0, nBh - y1, x1 - x0, y1 - y0));
    }
    dc.restore();
}

const QImage& CScrollVu::FreeImage() {
    const QSize whole = m_image.size();
    QSize want = whole;
    if (!m_zoom.IsZoomed()) {
        // The full screen's fitted photo, block-averaged once to its size on
        // the screen as a fitted window's is; one no larger is drawn as it is.
        want = ZoomState::ContentSize(PhotoSize(), ShownScale());
        if (want.width() >= whole.width() || want.height() >= whole.height()) want = QSize();
    } else if (std::uint64_t(whole.width()) * whole.height() * 4 > kFreeCopyBudget) {
        want = QSize();
    }
    if (want.isEmpty()) {
        m_imageFree = QImage();
    } else if (m_imageFree.size() != want) {
        std::unique_ptr<std::uint8_t[]> pShrunk;
        if (want != whole)
            pShrunk = ShrinkDisplayRows(m_image.constBits(), std::uint32_t(whole.width()),
                                        std::uint32_t(whole.height()), std::uint32_t(want.width()),
                                        std::uint32_t(want.height()));
        m_imageFree = pShrunk ? TopDownCopy(pShrunk.get(), want, DisplayStride(want.width()))
                      : want == whole
                          ? TopDownCopy(m_image.constBits(), whole, m_image.bytesPerLine())
                          : QImage();
    }
    return m_imageFree;
}

void CScrollVu::wheelEvent(QWheelEvent* e) {
    if (!(e->modifiers() & Qt::ControlModifier)) {
        WheelScrollOrStep(e);
        return;
    }
    e->accept();
    m_nWheelZoom += e->angleDelta().y();
    const int nSteps = m_nWheelZoom / kWheelNotch;
    m_nWheelZoom -= nSteps * kWheelNotch;
    if (nSteps != 0) ZoomBy(nSteps, e->position().toPoint());
}

void CScrollVu::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    m_bDragging = true;
    m_ptDragStart = e->position().toPoint();
    m_ptScrollAtDragStart = ScrollPos();
    e->accept();
}

void CScrollVu::mouseMoveEvent(QMouseEvent* e) {
    MouseMoved();
    if (!m_bDragging) {
        QAbstractScrollArea::mouseMoveEvent(e);
        return;
    }
    // The photo follows the hand: it moves as far as the pointer does.
    const QPoint scroll = m_ptScrollAtDragStart - (e->position().toPoint() - m_ptDragStart);
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
    e->accept();
}

void CScrollVu::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_bDragging = false;
    QAbstractScrollArea::mouseReleaseEvent(e);
}

void CScrollVu::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(e);
        return;
    }
    m_bDragging = false;
    e->accept();
    emit FullScreenToggled();
}

// SPDX-License-Identifier: MIT
// The image window's view: building the display bitmap, scrolling or
// fitting it, painting it with its captions, and the keys that reach the
// slide show.
#include "viewer/scroll_vu.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "browser/galerio_view.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "viewer/facts_panel.h"

namespace {

// Captions are neither clipped nor shortened: the box they are aligned in is
// larger than any text.
constexpr qreal kCaptionRoom = 1 << 20;
// Captions keep this far from the visible area's edges.
constexpr int kCaptionInset = 2;

}  // namespace

void CScrollVu::SetPixelLoader(PixelLoader fn) { SetViewPixelLoader(std::move(fn)); }

CScrollVu::CScrollVu(CGalerioView* pGridView, QWidget* parent)
    : QAbstractScrollArea(parent), m_pGridView(pGridView) {
    // The view is the whole client area: no frame of its own.
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setPalette(QApplication::palette());
    setFocusPolicy(Qt::StrongFocus);
}

CScrollVu::~CScrollVu() = default;

void CScrollVu::SetFitAndLoad(bool bFit) {
    // "arial" is usually missing on Linux; fontconfig then picks the
    // desktop's sans face at the same size.
    m_fontCaption = QFont(QStringLiteral("arial"));
    m_fontCaption.setPointSizeF(10.0);
    m_fontCaption.setWeight(QFont::Normal);
    m_bFit = bFit;
    SetScrollPolicy();
    Reload();
}

void CScrollVu::Reload() {
    if (BuildViewBitmap()) BitmapChanged();
}

void CScrollVu::BitmapChanged() {
    SetScrolls();
    viewport()->update();
    if (m_pFacts && m_pFacts->isVisible()) m_pFacts->ShowFacts(m_item);
}

void CScrollVu::ReleaseBitmap() {
    m_image = QImage();  // it reads the rows below
    m_imageFree = QImage();
    m_item.m_pBits.reset();
    m_item.m_nThumbWidth = 0;
    m_item.m_nThumbHeight = 0;
}

QSize CScrollVu::ClientSize() const {
    // Before the first show the viewport has not been laid out yet, but the
    // view's own size is already the client area's when there are no bars.
    return m_bFit ? size() : viewport()->size();
}

double CScrollVu::PixelRatio() const { return std::max(1.0, devicePixelRatioF()); }

QSize CScrollVu::BitmapExtent() const {
    const double r = PixelRatio();
    return {int(std::ceil(m_item.m_nThumbWidth / r)), int(std::ceil(m_item.m_nThumbHeight / r))};
}

ViewRequest CScrollVu::Request(const ImageItem& entry, QSize client) const {
    ViewRequest request;
    request.strPath = entry.m_strPath;
    request.nKind = entry.m_nKind;
    request.bRotateByTag = m_pGridView && m_pGridView->Settings().m_bRotateByTag;
    request.rgbBackground = QApplication::palette().color(QPalette::Base).rgb() & 0xFFFFFFu;
    // A zoomed or full-screen photo is drawn from the whole picture.
    request.bFit = m_bFit && !FreeLayout();
    if (request.bFit) {
        // Fitted to the client's device pixels, so a dense screen shows it sharp.
        const double r = PixelRatio();
        request.nClientWidth =
            static_cast<std::uint32_t>(std::max(std::ceil(client.width() * r), 1.0));
        request.nClientHeight =
            static_cast<std::uint32_t>(std::max(std::ceil(client.height() * r), 1.0));
    }
    request.nImageWidth = entry.m_nImageWidth;
    request.nImageHeight = entry.m_nImageHeight;
    return request;
}

bool CScrollVu::BuildViewBitmap() {
    ReleaseBitmap();
    CodecContext context;
    ViewBitmap bitmap = DecodeViewBitmap(Request(m_item, ClientSize()), context);
    context.ShowAll();
    return AdoptBitmap(std::move(bitmap));
}

void CScrollVu::ShowBitmap(ViewBitmap bitmap) {
    if (AdoptBitmap(std::move(bitmap))) BitmapChanged();
}

bool CScrollVu::AdoptBitmap(ViewBitmap bitmap) {
    ReleaseBitmap();
    m_request = std::move(bitmap.request);
    m_bShrunk = bitmap.bShrunk;
    m_item.m_nImageWidth = bitmap.nImageWidth;
    m_item.m_nImageHeight = bitmap.nImageHeight;
    if (!bitmap.pRows) return false;
    m_item.m_pBits = std::move(bitmap.pRows);
    m_item.m_nThumbWidth = static_cast<std::int32_t>(bitmap.nWidth);
    m_item.m_nThumbHeight = static_cast<std::int32_t>(bitmap.nHeight);
    // The painter reads the display rows where they are (bottom-up, turned
    // by its transform), so a large photo is not held a second time.
    m_image = QImage(m_item.m_pBits.get(), int(bitmap.nWidth), int(bitmap.nHeight),
                     qsizetype(DisplayStride(bitmap.nWidth)), QImage::Format_BGR888);
    return true;
}

ViewBitmap CScrollVu::TakeBitmap() {
    ViewBitmap bitmap;
    bitmap.nImageWidth = m_item.m_nImageWidth;
    bitmap.nImageHeight = m_item.m_nImageHeight;
    bitmap.nWidth = static_cast<std::uint32_t>(std::max(m_item.m_nThumbWidth, 0));
    bitmap.nHeight = static_cast<std::uint32_t>(std::max(m_item.m_nThumbHeight, 0));
    bitmap.request = m_request;
    bitmap.bShrunk = m_bShrunk;
    m_image = QImage();  // it reads the rows handed over
    bitmap.pRows = std::move(m_item.m_pBits);
    ReleaseBitmap();
    return bitmap;
}

void CScrollVu::SetScrolls() {
    QScrollBar* pH = horizontalScrollBar();
    QScrollBar* pV = verticalScrollBar();
    if (FreeLayout() && m_item.m_pBits) {
        SetFreeScrolls();
        return;
    }
    if (m_bFit || !m_item.m_pBits) {
        pH->setRange(0, 0);
        pV->setRange(0, 0);
        return;
    }
    const int nTotalW = BitmapExtent().width();
    const int nTotalH = BitmapExtent().height();
    const QSize client = viewport()->size();
    pH->setRange(0, std::max(0, nTotalW - client.width()));
    pV->setRange(0, std::max(0, nTotalH - client.height()));
    // A page is a tenth of the whole, a line a tenth of a page; never 0, so
    // the arrows always move.
    pH->setPageStep(std::max(1, nTotalW / 10));
    pV->setPageStep(std::max(1, nTotalH / 10));
    pH->setSingleStep(std::max(1, nTotalW / 100));
    pV->setSingleStep(std::max(1, nTotalH / 100));
}

QRect CScrollVu::VisibleArea() const {
    if (m_bFit) return QRect(QPoint(0, 0), BitmapExtent());
    return QRect(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()),
                 viewport()->size());
}

QString CScrollVu::DimCaption() const {
    // The exclusive right and bottom edges, each plus one. A picture held
    // reduced still speaks of its own pixels.
    const QRect rc = VisibleArea();
    qint64 nRight = rc.x() + rc.width(), nBottom = rc.y() + rc.height();
    if (!m_bFit && m_item.m_nThumbWidth > 0 && m_item.m_nThumbHeight > 0) {
        // The view's pixels are the bitmap's only on a screen of ratio 1.
        const double r = PixelRatio();
        nRight = qint64(std::ceil(nRight * r)) * m_item.m_nImageWidth / m_item.m_nThumbWidth;
        nBottom = qint64(std::ceil(nBottom * r)) * m_item.m_nImageHeight / m_item.m_nThumbHeight;
    }
    return QString::asprintf("%lld x %lld", nRight + 1, nBottom + 1);
}

void CScrollVu::OnDraw(QPainter& dc) {
    if (!m_item.m_pBits || m_image.isNull() || window()->isMinimized()) return;
    if (FreeLayout()) {
        DrawFree(dc);
        return;
    }
    const QRect rcVisible = VisibleArea();
    dc.save();
    if (m_bFit) {
        // Scale to fit: the whole bitmap covers the client area, stretched
        // after a resize rather than decoded again.
        const QSize client = viewport()->size();
        dc.scale(double(client.width()) / m_item.m_nThumbWidth,
                 double(client.height()) / m_item.m_nThumbHeight);
    } else {
        dc.translate(-rcVisible.topLeft());
    }
    dc.fillRect(rcVisible, QApplication::palette().color(QPalette::Base));
    // Display rows are bottom-up: drawn turned over, row 0 at the bottom.
    // Unfitted, one bitmap pixel covers one device pixel.
    dc.save();
    if (!m_bFit) dc.scale(1 / PixelRatio(), 1 / PixelRatio());
    dc.translate(0, m_item.m_nThumbHeight);
    dc.scale(1, -1);
    dc.drawImage(QPoint(0, 0), m_image);
    dc.restore();
    const int w = m_bFit ? m_item.m_nThumbWidth : BitmapExtent().width();
    const int h = m_bFit ? m_item.m_nThumbHeight : BitmapExtent().height();
    const bool bCorner[4] = {rcVisible.contains(0, 0), rcVisible.contains(w - 1, 0),
                             rcVisible.contains(0, h - 1), rcVisible.contains(w - 1, h - 1)};
    DrawCaptions(dc, rcVisible, bCorner, DimCaption());
    dc.restore();
}

void CScrollVu::DrawCaptions(QPainter& dc, const QRect& rcAnchor, const bool (&bCorner)[4],
                             const QString& strDim) {
    if (!m_pGridView) return;
    const bool bDim = m_pGridView->Settings().m_bShowDim;
    const bool bSize = m_pGridView->Settings().m_bShowFileSize;
    const bool bName = m_pGridView->Settings().m_bShowFileName;
    const bool bDate = m_pGridView->Settings().m_bShowFileDate;
    if (!bDim && !bSize && !bName && !bDate) return;

    dc.setFont(m_fontCaption);
    dc.setPen(QColor(0, 0, 0));
    const qreal nLeft = rcAnchor.x() + kCaptionInset;
    const qreal nTop = rcAnchor.y() + kCaptionInset;
    const qreal nRight = rcAnchor.x() + rcAnchor.width() - kCaptionInset;
    const qreal nBottom = rcAnchor.y() + rcAnchor.height() - kCaptionInset;
    // A caption belongs to an image corner and is drawn only while that
    // corner's pixel is on the screen.
    if (bDim && bCorner[0])
        dc.drawText(QRectF(nLeft, nTop, kCaptionRoom, kCaptionRoom), Qt::AlignLeft | Qt::AlignTop,
                    strDim);
    if (bSize && bCorner[1])
        dc.drawText(QRectF(nRight - kCaptionRoom, nTop, kCaptionRoom, kCaptionRoom),
                    Qt::AlignRight | Qt::AlignTop, ToDisplay(m_item.m_strSize));
    if (bName && bCorner[2])
        dc.drawText(QRectF(nLeft, nBottom - kCaptionRoom, kCaptionRoom, kCaptionRoom),
                    Qt::AlignLeft | Qt::AlignBottom, ToDisplay(m_item.m_strName));
    if (bDate && bCorner[3])
        dc.drawText(
            QRectF(nRight - kCaptionRoom, nBottom - kCaptionRoom, kCaptionRoom, kCaptionRoom),
            Qt::AlignRight | Qt::AlignBottom, ToDisplay(m_item.m_strDate));
}

void CScrollVu::paintEvent(QPaintEvent*) {
    QPainter dc(viewport());
    OnDraw(dc);
}

void CScrollVu::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    // The bitmap stays: a fitted one is stretched, a full-size one scrolls.
    SetScrolls();
    viewport()->update();
}

void CScrollVu::scrollContentsBy(int, int) { viewport()->update(); }

void CScrollVu::keyPressEvent(QKeyEvent* e) {
    // The arrows and page keys step through the catalogue instead of
    // scrolling; Home and End go to its ends.
    const auto step = [this, e](StepKind kind) {
        return RequestStep(kind, e->isAutoRepeat(), e->timestamp());
    };
    switch (e->key()) {
        case Qt::Key_Escape:
            // Full screen is left first; the next Escape closes.
            if (window()->isFullScreen()) {
                e->accept();
                emit FullScreenToggled();
                return;
            }
            // Whatever window this is, the show stops advancing.
            if (m_pGridView) m_pGridView->Slides().StopTimer();
            e->accept();
            window()->close();
            return;
        case Qt::Key_Space:
            if (m_pGridView) m_pGridView->Slides().TogglePause();
            break;
        case Qt::Key_Plus:
            ZoomBy(1, viewport()->rect().center());
            return;
        case Qt::Key_Minus:
            ZoomBy(-1, viewport()->rect().center());
            return;
        case Qt::Key_1:
            ZoomTo(1.0, viewport()->rect().center());
            return;
        case Qt::Key_0:
        case Qt::Key_Asterisk:
            ResetZoom();
            return;
        case Qt::Key_F:
            emit FullScreenToggled();
            return;
        case Qt::Key_I:
            ToggleFacts();
            return;
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            if (step(StepKind::Next)) return e->accept();
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            if (step(StepKind::Previous)) return e->accept();
            break;
        case Qt::Key_Home:
            if (step(StepKind::First)) return e->accept();
            break;
        case Qt::Key_End:
            if (step(StepKind::Last)) return e->accept();
            break;
        default:
            break;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

void CScrollVu::WheelScrollOrStep(QWheelEvent* e) {
    // The wheel scrolls while there is something to scroll its way; at the
    // end it steps, one entry per notch (a touchpad's small turns add up).
    const int nDelta = e->angleDelta().y();
    const QScrollBar* pBar = verticalScrollBar();
    const bool bAtEnd =
        nDelta < 0 ? pBar->value() >= pBar->maximum() : pBar->value() <= pBar->minimum();
    if (nDelta == 0 || !bAtEnd) {
        m_nWheelRest = 0;
        QAbstractScrollArea::wheelEvent(e);
        return;
    }
    e->accept();
    if ((m_nWheelRest < 0) != (nDelta < 0)) m_nWheelRest = 0;
    m_nWheelRest += nDelta;
    constexpr int kNotch = 120;
    if (std::abs(m_nWheelRest) < kNotch) return;
    m_nWheelRest = 0;
    RequestStep(nDelta < 0 ? StepKind::Next : StepKind::Previous, true, e->timestamp());
}

bool CScrollVu::RequestStep(StepKind kind, bool bDroppable, quint64 nTimestamp) {
    // Input made while the last photo was being decoded waited in the queue;
    // steps for it would go on after a held key is released.
    if (bDroppable && nTimestamp < m_nStepBusyUntil) return true;
    QElapsedTimer timer;
    timer.start();
    if (!m_fnStep || !m_fnStep(kind)) return false;
    m_nStepBusyUntil = nTimestamp + quint64(timer.elapsed()) + 1;
    return true;
}

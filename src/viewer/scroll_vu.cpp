// SPDX-License-Identifier: MIT
// The image window's view: building the display bitmap, scrolling or
// fitting it, painting it with its captions, and the keys that reach the
// slide show.
#include "viewer/scroll_vu.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <algorithm>

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

PixelLoader& LoaderSlot() {
    static PixelLoader s_loader;
    return s_loader;
}

std::unique_ptr<std::uint8_t[]> LoadPixels(const ImageItem& item, std::uint32_t& nWidth,
                                           std::uint32_t& nHeight, int nReduction) {
    const PixelLoader& fn = LoaderSlot();
    return fn ? fn(item, nWidth, nHeight, 1, nReduction)
              : LoadImagePixels(item, nWidth, nHeight, 1, nReduction);
}

constexpr const char* kTooLargeText = "%1\nis too large to show: %2 x %3 pixels.";

}  // namespace

void CScrollVu::SetPixelLoader(PixelLoader fn) { LoaderSlot() = std::move(fn); }

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
    if (!BuildViewBitmap()) return;
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

void CScrollVu::ShowTooLarge() const {
    // One pass over the text, so a "%2" in the file's name stays as it is.
    ShowMessage(QString::fromLatin1(kTooLargeText)
                    .arg(ToDisplay(m_item.m_strPath), QString::number(m_item.m_nImageWidth),
                         QString::number(m_item.m_nImageHeight)));
}

std::unique_ptr<std::uint8_t[]> CScrollVu::LoadDisplayRows(int nOrientation, std::uint64_t nBudget,
                                                           std::uint32_t& w, std::uint32_t& h) {
    if (m_item.m_nKind == IMAGE_JPEG && !LoaderSlot()) {
        // Decoded straight into display rows, upright and reduced as the
        // budget asks: no other buffer of the picture's size.
        JpegFile::ViewRows rows;
        auto pRows = JpegFile::ReadJpegDisplayRows(m_item.m_strPath, nOrientation, nBudget, rows);
        m_item.m_nImageWidth = rows.nFullWidth;
        m_item.m_nImageHeight = rows.nFullHeight;
        if (rows.bTooLarge) ShowTooLarge();
        w = rows.nWidth;
        h = rows.nHeight;
        return pRows;
    }
    // Bitmap files, read whole: the header decides before a pixel is read.
    if (!GetImageSize(m_item, m_item.m_nImageWidth, m_item.m_nImageHeight)) return nullptr;
    if (OrientationSwapsSides(nOrientation)) std::swap(m_item.m_nImageWidth, m_item.m_nImageHeight);
    const int nReduction = ChooseViewReduction(m_item, nBudget);
    if (nReduction == 0) {
        ShowTooLarge();
        return nullptr;
    }
    std::unique_ptr<std::uint8_t[]> pPixels = LoadPixels(m_item, w, h, nReduction);
    pPixels = OrientPixels(std::move(pPixels), w, h, nOrientation);
    if (!pPixels) return nullptr;
    if (m_item.m_nKind != IMAGE_BMP) SwapRedBlue(pPixels.get(), w, h);
    FlipRowsVertically(pPixels.get(), w * 3, h);
    // Rows already ending on a 4-byte boundary (every width divisible by 4,
    // as camera sizes are) are display rows as they stand.
    if (w * 3 % 4 == 0) return pPixels;
    std::uint32_t nStride = 0;
    return AlignRowsToDword(pPixels.get(), w, h, nStride);
}

bool CScrollVu::BuildViewBitmap() {
    ReleaseBitmap();
    const bool bRotate = m_pGridView && m_pGridView->Settings().m_bRotateByTag;
    const int nOrientation = bRotate ? ReadOrientation(m_item) : kOrientationAsStored;
    const QSize client = ClientSize();
    const std::uint32_t cw = static_cast<std::uint32_t>(std::max(client.width(), 1));
    const std::uint32_t ch = static_cast<std::uint32_t>(std::max(client.height(), 1));
    // Fitting makes a copy of at most the client's size beside the picture.
    const bool bShrink = m_bFit && !FreeLayout();
    const std::uint64_t nFitted = bShrink ? std::uint64_t(DisplayStride(cw)) * ch : 0;
    std::uint32_t w = 0, h = 0;
    std::unique_ptr<std::uint8_t[]> pRows =
        LoadDisplayRows(nOrientation, kViewPixelBudget - std::min(nFitted, kViewPixelBudget), w, h);
    if (!pRows) return false;
    m_bShrunk = bShrink && (w > cw || h > ch);
    if (m_bShrunk) {
        // Never wider or higher than the image: a client area larger in one
        // direction keeps the image's own extent there, so every pixel shown
        // comes from the image and the mapping stretches it.
        const std::uint32_t nDispW = std::min(cw, w), nDispH = std::min(ch, h);
        pRows = ShrinkDisplayRows(pRows.get(), w, h, nDispW, nDispH);
        if (!pRows) return false;
        w = nDispW;
        h = nDispH;
    }
    m_item.m_pBits = std::move(pRows);
    m_item.m_nThumbWidth = static_cast<std::int32_t>(w);
    m_item.m_nThumbHeight = static_cast<std::int32_t>(h);
    // The painter reads the display rows where they are (bottom-up, turned
    // by its transform), so a large photo is not held a second time.
    m_image = QImage(m_item.m_pBits.get(), int(w), int(h), qsizetype(DisplayStride(w)),
                     QImage::Format_BGR888);
    return true;
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
    const int nTotalW = m_item.m_nThumbWidth;
    const int nTotalH = m_item.m_nThumbHeight;
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
    if (m_bFit) return QRect(0, 0, m_item.m_nThumbWidth, m_item.m_nThumbHeight);
    return QRect(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()),
                 viewport()->size());
}

QString CScrollVu::DimCaption() const {
    // The exclusive right and bottom edges, each plus one. A picture held
    // reduced still speaks of its own pixels.
    const QRect rc = VisibleArea();
    qint64 nRight = rc.x() + rc.width(), nBottom = rc.y() + rc.height();
    if (!m_bFit && m_item.m_nThumbWidth > 0 && m_item.m_nThumbHeight > 0) {
        nRight = nRight * m_item.m_nImageWidth / m_item.m_nThumbWidth;
        nBottom = nBottom * m_item.m_nImageHeight / m_item.m_nThumbHeight;
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
    dc.save();
    dc.translate(0, m_item.m_nThumbHeight);
    dc.scale(1, -1);
    dc.drawImage(QPoint(0, 0), m_image);
    dc.restore();
    const int w = m_item.m_nThumbWidth, h = m_item.m_nThumbHeight;
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
        default:
            break;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

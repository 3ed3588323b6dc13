// SPDX-License-Identifier: MIT
// The grid: layout, scroll sizes, painting, hit-testing and printing.
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "browser/catalogue/grid_layout.h"
#include "browser/galerio_view.h"
#include "browser/view_host.h"
#include "platform/paths.h"
#include "platform/print_dialog.h"

namespace {

// Painted copies kept at most; past it the cache starts afresh, so browsing a
// huge folder does not end up holding a second copy of every thumbnail.
constexpr std::size_t kThumbCacheLimit = 4096;

// Room given to a caption: captions are neither clipped nor shortened, so the
// box they are aligned in must be larger than any text.
constexpr qreal kCaptionRoom = 1 << 20;

// Solid fills rather than pen lines: a fill covers exactly the pixels asked
// for, whatever the pen's cap and end-point rules.
void FillCellLines(QPainter& dc, int x, int y, int nPitch) {
    if (nPitch <= 0) return;
    dc.fillRect(QRect(x, y + nPitch - 1, nPitch, 1), Qt::black);
    dc.fillRect(QRect(x + nPitch - 1, y, 1, nPitch), Qt::black);
}

// One pixel inside (left, top, right, bottom), right and bottom exclusive.
void FrameRect(QPainter& dc, int left, int top, int right, int bottom, const QColor& color) {
    const int cx = right - left;
    const int cy = bottom - top;
    if (cx <= 0 || cy <= 0) return;
    dc.fillRect(QRect(left, top, cx, 1), color);
    dc.fillRect(QRect(left, bottom - 1, cx, 1), color);
    dc.fillRect(QRect(left, top, 1, cy), color);
    dc.fillRect(QRect(right - 1, top, 1, cy), color);
}

// The entry's display rows as an image the painter copies without
// conversion, made once per entry and pixel buffer.
const QImage* CachedThumb(
    std::unordered_map<const ImageItem*, CGalerioView::ThumbCacheEntry>& cache,
    const ImageItem& item) {
    const int w = item.BitsWidth();
    const int h = item.BitsHeight();
    if (!item.m_pBits || w <= 0 || h <= 0) return nullptr;
    CGalerioView::ThumbCacheEntry& entry = cache[&item];
    // The pixels may have been released and rebuilt since the copy was made
    // (a new run, a changed pitch): the copy only counts for the same buffer.
    if (entry.pBits != item.m_pBits.get() || entry.nWidth != w || entry.nHeight != h ||
        entry.image.isNull()) {
        entry.image = PaintedCopy(item.m_pBits.get(), w, h);
        entry.pBits = item.m_pBits.get();
        entry.nWidth = w;
        entry.nHeight = h;
    }
    return &entry.image;
}

}  // namespace

void CGalerioView::OnInitialUpdate() {
    if (!m_bInitialized) {
        SetScrolls(false);
        // "arial" is usually missing on Linux; fontconfig then picks the
        // desktop's sans face at the same size.
        m_font = QFont(QStringLiteral("arial"));
        m_font.setPointSizeF(10.0);
        m_font.setWeight(QFont::Normal);
        m_font.setItalic(false);
        m_font.setUnderline(false);
        m_font.setStrikeOut(false);
        if (m_pHost) {
            for (int nPane = 1; nPane <= 4; ++nPane)
                m_pHost->SetPaneTextSized(nPane, QString(10, QLatin1Char(' ')));
        }
        m_bInitialized = true;
    }
    if (m_pHost) m_pHost->StartStartupTimer();
}

void CGalerioView::SetScrolls(bool bScrollToTop) {
    const QSize client = viewport()->size();
    // A worker may be filling the catalogue while the progress window exists;
    // until the run ends the view lays out nothing.
    const std::size_t nEntries = m_pFindFDlg ? 0 : m_listImages.size();
    const GridSizes sizes =
        ComputeGridSizes(nEntries, m_nPitch, client.width(), client.height(), m_nCols, m_nRows);
    m_nCols = sizes.nCols;
    m_nRows = sizes.nRows;
    // Called after every run and catalogue change: an entry made at the
    // address of a freed one must still get its cell.
    m_bCellsCurrent = false;

    // A scroll bar runs over the part of the document that does not fit. A
    // step of 0 would make the arrows dead, so every step is at least 1.
    QScrollBar* pH = horizontalScrollBar();
    QScrollBar* pV = verticalScrollBar();
    pH->setRange(0, std::max(0, sizes.cxDoc - client.width()));
    pV->setRange(0, std::max(0, sizes.cyDoc - client.height()));
    pH->setPageStep(std::max(1, sizes.cxPage));
    pV->setPageStep(std::max(1, sizes.cyPage));
    pH->setSingleStep(std::max(1, sizes.cxLine));
    pV->setSingleStep(std::max(1, sizes.cyLine));
    if (bScrollToTop) {
        pH->setValue(0);
        pV->setValue(0);
    }
}

void CGalerioView::InvalidateThumbCache() {
    m_thumbCache.clear();
    m_bCellsCurrent = false;
}

std::size_t CGalerioView::ScreenCells() const {
    const QSize client = viewport()->size();
    const int P = std::max(m_nPitch, 1);
    // Rows cut by the top and the bottom edge count as well.
    return std::size_t(std::max(client.width() / P, 1)) * std::size_t(client.height() / P + 2);
}

void CGalerioView::TrimPixels() {
    const int yTop = verticalScrollBar()->value();
    const IndexRange visible = GridEntriesInBand(m_listImages.size(), std::max(1, m_nCols),
                                                 m_nPitch, yTop, yTop + viewport()->height(), 0);
    if (!WorkerOwnsCatalogue()) m_ahead.Request(visible.first, visible.last);
    if (!m_residency.Trim(m_listImages, visible.first, visible.last)) return;
    // A painted copy goes with its pixels.
    std::erase_if(m_thumbCache,
                  [](const auto& kv) { return kv.first->m_pBits.get() != kv.second.pBits; });
}

bool CGalerioView::RestorePixels(ImageItem& item, std::size_t nIndexHint) {
    if (WorkerOwnsCatalogue()) return item.m_pBits != nullptr;
    if (nIndexHint >= m_listImages.size() || m_listImages[nIndexHint].get() != &item)
        nIndexHint = ThumbResidency::kUnknownIndex;
    // Writing every thumbnail file must not bring every entry's pixels back;
    // the trim comes first, so it cannot take this entry's again.
    TrimPixels();
    return m_residency.Restore(item, nIndexHint);
}

void CGalerioView::TakeRestored(bool bEvent) {
    const auto fnRestored = [this, bEvent](std::size_t i, QImage&& painted) {
        const ImageItem& item = *m_listImages[i];
        m_thumbCache[&item] = {item.m_pBits.get(), item.BitsWidth(), item.BitsHeight(),
                               std::move(painted)};
        // A paint shows them anyway.
        if (bEvent) InvalidateCell(item);
    };
    if (bEvent)
        m_ahead.OnEvent(m_listImages, m_residency, fnRestored);
    else
        m_ahead.TakeReady(m_listImages, m_residency, fnRestored);
}

void CGalerioView::OnDraw(QPainter& dc, const QRect& rcUpdate) {
    const int P = m_nPitch;
    const QColor back = ColorFromRef(m_crBackColor);
    const QSize client = viewport()->size();
    const bool bPrinting = dc.device() && dc.device()->devType() == QInternal::Printer;

    dc.save();
    dc.setClipRect(rcUpdate, Qt::IntersectClip);
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    dc.setBackgroundMode(Qt::TransparentMode);

    // On screen the whole area being repainted starts as background, also
    // when scrolled (nothing else erases it); on paper only the client-sized
    // area at the origin does, the rest stays paper.
    dc.fillRect(bPrinting ? QRect(QPoint(0, 0), client) : rcUpdate, back);

    // During a run the workers own the catalogue: background only.
    if (m_pFindFDlg != nullptr) {
        dc.restore();
        return;
    }

    const std::size_t n = m_listImages.size();
    const int nCols = std::max(1, m_nCols);
    // Every entry's cell must be current after a paint (hit-testing reads
    // them). Comparing the list with the one the cells were made for reads
    // two compact arrays; walking the entries themselves would touch memory
    // scattered over the whole catalogue on every scroll step. The walk also
    // confirms the selection is still in the catalogue before its cell is read.
    const ImageItem* pSelected = nullptr;
    bool bCellsCurrent =
        m_bCellsCurrent && nCols == m_nCellCols && P == m_nCellPitch && m_vecCellOwners.size() == n;
    for (std::size_t i = 0; i < n; ++i) {
        const ImageItem* pItem = m_listImages[i].get();
        if (bCellsCurrent && m_vecCellOwners[i] != pItem) bCellsCurrent = false;
        if (pItem == m_pSelected) pSelected = pItem;
    }
    if (!bCellsCurrent) {
        m_vecCellOwners.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            m_listImages[i]->m_rcCell = GridCellRect(i, nCols, P);
            m_vecCellOwners[i] = m_listImages[i].get();
        }
        m_nCellCols = nCols;
        m_nCellPitch = P;
        m_bCellsCurrent = true;
    }

    const bool bCaptions = m_bShowDim || m_bShowFileSize || m_bShowFileName || m_bShowFileDate;
    // Captions taller than a cell reach into the rows above and below; those
    // rows are drawn too (and clipped), so a partial repaint matches a full
    // one. Thumbnails always fit their cells, so only captions count; a few
    // pixels more than the line height allow for glyphs that overhang it.
    int nMarginRows = 0;
    if (bCaptions && P > 0) {
        const int nReach = QFontMetrics(m_font, dc.device()).height() + 4 + 2 - P;
        if (nReach > 0) nMarginRows = (nReach + P - 1) / P;
    }
    // Copies for a denser screen are larger: the limit holds about as many bytes.
    const double dArea = std::max(1.0, m_dPixelRatio * m_dPixelRatio);
    if (double(m_thumbCache.size()) > kThumbCacheLimit / dArea) m_thumbCache.clear();

    const IndexRange range = GridEntriesInBand(n, nCols, P, rcUpdate.top(),
                                               rcUpdate.top() + rcUpdate.height(), nMarginRows);
    // What was remade ahead need not be made again; this paint shows it.
    if (!bPrinting) TakeRestored(false);
    if (bCaptions) {
        dc.setFont(m_font);
        dc.setPen(ColorFromRef(m_crTextColor));
    }
    const int nTextFlags = Qt::TextDontClip | Qt::TextSingleLine;
    // The square and the row's rest that the walk last filled, for the fill
    // after the last entry.
    QRect rcLastFill;
    for (std::size_t i = range.first; i < range.last; ++i) {
        const ImageItem& item = *m_listImages[i];
        const int x = item.m_rcCell.left;
        const int y = item.m_rcCell.top;
        dc.fillRect(QRect(x, y, P, P), back);
        FillCellLines(dc, x, y, P);
        m_residency.Restore(*m_listImages[i], i);
        if (const QImage* pThumb = CachedThumb(m_thumbCache, item)) {
            const int w = item.m_nThumbWidth, h = item.m_nThumbHeight;
            const ThumbOffset off = GridThumbOffset(P, w, h);
            // Rows made for a denser screen fill the same square, one row
            // pixel to a device pixel.
            if (pThumb->width() == w && pThumb->height() == h)
                dc.drawImage(QPoint(x + off.dx, y + off.dy), *pThumb);
            else
                dc.drawImage(QRect(x + off.dx, y + off.dy, w, h), *pThumb);
        }
        if (bCaptions) {
            // Each caption sits 2 pixels in from its corner of the cell.
            if (m_bShowDim)
                dc.drawText(QRectF(x + 2, y + 2, kCaptionRoom, kCaptionRoom),
                            Qt::AlignLeft | Qt::AlignTop | nTextFlags, ToDisplay(item.m_strDim));
            if (m_bShowFileSize)
                dc.drawText(QRectF(x + P - 2 - kCaptionRoom, y + 2, kCaptionRoom, kCaptionRoom),
                            Qt::AlignRight | Qt::AlignTop | nTextFlags, ToDisplay(item.m_strSize));
            if (m_bShowFileName)
                dc.drawText(QRectF(x + 2, y + P - 2 - kCaptionRoom, kCaptionRoom, kCaptionRoom),
                            Qt::AlignLeft | Qt::AlignBottom | nTextFlags,
                            ToDisplay(item.m_strName));
            if (m_bShowFileDate)
                dc.drawText(QRectF(x + P - 2 - kCaptionRoom, y + P - 2 - kCaptionRoom, kCaptionRoom,
                                   kCaptionRoom),
                            Qt::AlignRight | Qt::AlignBottom | nTextFlags,
                            ToDisplay(item.m_strDate));
        }
        rcLastFill = QRect(x, y, P, P);
        if ((i + 1) % static_cast<std::size_t>(nCols) == 0) {
            // A full row: clear the start of the strip right of the grid in
            // the next row, under any caption that spilled down into it.
            rcLastFill = QRect(x + P, y + P, P, P);
            dc.fillRect(rcLastFill, back);
        }
    }
    // The rest of the last row, right of the last square, covers what the
    // last captions spilled there.
    if (n > 0 && range.last == n && P > 0) {
        const int xFrom = rcLastFill.left() + P;
        if (client.width() > xFrom)
            dc.fillRect(QRect(xFrom, rcLastFill.top(), client.width() - xFrom, P), back);
    }

    if (pSelected) {
        const CellRect& rc = pSelected->m_rcCell;
        // Inside the black lines: the frame's rectangle stops one pixel short.
        FrameRect(dc, rc.left, rc.top, rc.right - 1, rc.bottom - 1, QColor(255, 0, 0));
    }
    dc.restore();
    // A page printed from the top is no reason to forget the screen's neighbours.
    if (!bPrinting) TrimPixels();
}

ImageItem* CGalerioView::HitTest(const QPoint& ptWindow) const {
    if (m_pFindFDlg != nullptr) return nullptr;
    const int x = ptWindow.x() + horizontalScrollBar()->value();
    const int y = ptWindow.y() + verticalScrollBar()->value();
    // The cells are those of the last paint, so an entry never painted (an
    // empty cell) is never hit.
    for (const auto& pItem : m_listImages) {
        if (pItem->m_rcCell.Contains(x, y)) return pItem.get();
    }
    return nullptr;
}

void CGalerioView::paintEvent(QPaintEvent* e) {
    // A change of screen while a run or a slide show held the view busy is
    // taken up once it is idle again, which is when it repaints.
    if (ScreenPixelRatio() != m_dPixelRatio && !m_bRatioCheckQueued) {
        m_bRatioCheckQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_bRatioCheckQueued = false;
            PixelRatioChanged();
        });
    }
    QPainter dc(viewport());
    const QPoint ptScroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    dc.translate(-ptScroll);
    OnDraw(dc, e->rect().translated(ptScroll));
}

double CGalerioView::ScreenPixelRatio() const { return std::max(1.0, devicePixelRatioF()); }

bool CGalerioView::event(QEvent* e) {
    const bool bDone = QAbstractScrollArea::event(e);
    // Qt 6.6 and later also say when the density of the same screen changes.
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (e->type() == QEvent::DevicePixelRatioChange) PixelRatioChanged();
#endif
    if (e->type() == QEvent::ScreenChangeInternal) PixelRatioChanged();
    return bDone;
}

void CGalerioView::PixelRatioChanged() {
    // A view busy with a run or a slide show keeps its pixels for now; an
    // empty one has none to make again.
    if (ScreenPixelRatio() == m_dPixelRatio || !IsIdle()) return;
    if (m_listImages.empty())
        m_dPixelRatio = ScreenPixelRatio();
    else
        ReprocessAtPitch(m_nPitch);
}

void CGalerioView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    SetScrolls(false);
    AimRun();
}

void CGalerioView::scrollContentsBy(int dx, int dy) {
    // The drawing depends only on document coordinates, so what is already
    // on screen is moved and only the uncovered strip is painted.
    viewport()->scroll(dx, dy);
    // Thumbnails still to be made: those now on the screen come first.
    AimRun();
}

bool CGalerioView::ScreenIsMade() const {
    if (m_pFindFDlg || m_bSearching || m_listImages.empty()) return false;
    const int yTop = verticalScrollBar()->value();
    const IndexRange visible = GridEntriesInBand(m_listImages.size(), std::max(1, m_nCols),
                                                 m_nPitch, yTop, yTop + viewport()->height(), 0);
    return std::all_of(m_listImages.begin() + std::ptrdiff_t(visible.first),
                       m_listImages.begin() + std::ptrdiff_t(visible.last),
                       [](const auto& pItem) { return pItem->m_pBits || pItem->m_bBitsReleased; });
}

void CGalerioView::OnFilePrint() {
    // Screen resolution keeps one document unit one screen pixel in size,
    // so the printed grid looks like the one on screen.
    QPrinter printer(QPrinter::ScreenResolution);
    if (!AskForPrinter(printer, this)) return;
    QPainter dc;
    if (!dc.begin(&printer)) return;
    // The document from its origin, as far as the page reaches; the scroll
    // position does not matter on paper.
    const QRect rcPage(QPoint(0, 0),
                       printer.pageLayout().paintRectPixels(printer.resolution()).size());
    OnDraw(dc, rcPage);
    dc.end();
}

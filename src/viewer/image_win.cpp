// SPDX-License-Identifier: MIT
// The image window's frame: creation, placement on the screen, and telling
// the grid when the slide show's window goes.
#include "viewer/image_win.h"

#include <QApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "browser/galerio_view.h"
#include "codec/display_bitmap.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "viewer/scroll_vu.h"

namespace {

std::optional<QSize> g_workAreaOverride;

}  // namespace

CImageWin::CImageWin(CGalerioView* pGridView, QWidget* pMainWindow)
    : QWidget(pMainWindow, Qt::Window), m_pGridView(pGridView) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QApplication::windowIcon());
    // The platform window is made now, so a window system that knows its
    // decorations before the first show can report them to the placement.
    winId();
}

CImageWin::~CImageWin() {
    // The worker stops before the window it reports to goes.
    m_pLookAhead.reset();
    // The flag is read while this object is whole; the grid forgets its
    // show window so its commands come back at once.
    if (m_bSlideShow && m_pGridView) m_pGridView->Slides().OnImageWindowDestroyed(this);
}

QSize CImageWin::WorkAreaSize() {
    if (g_workAreaOverride) return *g_workAreaOverride;
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    return pScreen ? pScreen->availableGeometry().size() : QSize(1024, 768);
}

void CImageWin::SetWorkAreaOverride(QSize size) {
    if (size.isEmpty())
        g_workAreaOverride.reset();
    else
        g_workAreaOverride = size;
}

QSize CImageWin::FrameAllowance() const {
    // The window system's decorations once it reports them; until then (or
    // where it reports none) the style's figures stand in.
    const QWindow* pWindow = windowHandle();
    QMargins margins = pWindow ? pWindow->frameMargins() : QMargins();
    if (margins.isNull()) {
        const int nBorder = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        const int nTitle = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        margins = QMargins(nBorder, nTitle + nBorder, nBorder, nBorder);
    }
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

void CImageWin::PlaceWindow(const ImageItem& item, PlacedRect& rc, bool bMove, bool bFit) {
    const QSize frame = FrameAllowance();
    const QSize work = WorkAreaSize();
    // A picture the window holds reduced is placed for the size it is shown
    // at, on a dense screen one picture pixel to a device pixel.
    const double dShrink = std::max(ChooseViewReduction(item, kViewPixelBudget), 1) *
                           std::max(1.0, devicePixelRatioF());
    rc = PlaceWindowRect(static_cast<std::uint32_t>(std::ceil(item.m_nImageWidth / dShrink)),
                         static_cast<std::uint32_t>(std::ceil(item.m_nImageHeight / dShrink)),
                         frame.width(), frame.height(), work.width(), work.height(), bFit);
    if (!bMove) return;
    ApplyRect(rc);
    update();
}

QSize CImageWin::ClientSizeFor(const PlacedRect& rc) const {
    const QSize frame = FrameAllowance();
    return {std::max(rc.cx - frame.width(), 1), std::max(rc.cy - frame.height(), 1)};
}

void CImageWin::ApplyRect(const PlacedRect& rc) {
    // Qt places the frame's corner but sizes the client area.
    const QSize client = ClientSizeFor(rc);
    move(rc.x, rc.y);
    resize(client);
    // A hidden window gets its resize event only when shown; the view must
    // have the client size before the next image is fitted to it.
    if (m_pView) m_pView->setGeometry(0, 0, client.width(), client.height());
}

void CImageWin::CopyEntryTexts(const ImageItem& item) {
    ImageItem& mine = m_pView->Item();
    mine.m_nKind = item.m_nKind;
    mine.m_strSize = item.m_strSize;
    mine.m_strName = item.m_strName;
    mine.m_strDate = item.m_strDate;
    mine.m_strPath = item.m_strPath;
}

bool CImageWin::OpenImage(const ImageItem& item, bool bSlideShow, bool bFit) {
    PlacedRect rc;
    PlaceWindow(item, rc, false, bFit);
    ApplyRect(rc);
    // The show may open full screen at once: no window flashes first, and
    // the photo is decoded once, for the full screen.
    const bool bFullScreen =
        bSlideShow && m_pGridView && m_pGridView->Settings().m_browsing.bSlideShowFullScreen;
    if (bFullScreen)
        showFullScreen();
    else
        show();
    m_bSlideShow = bSlideShow;
    setWindowTitle(ToDisplay(item.m_strName));

    m_pView = new CScrollVu(m_pGridView, this);
    m_pView->setGeometry(rect());
    m_pView->show();
    // Nothing of another entry may leak into the copy: numbers 0, texts
    // empty, no bitmap.
    m_pView->Item() = ImageItem();
    CopyEntryTexts(item);
    connect(m_pView, &CScrollVu::FullScreenToggled, this, &CImageWin::ToggleFullScreen);
    m_pView->SetFullScreen(bFullScreen);
    m_pView->SetFitAndLoad(bFit);
    m_pView->setFocus();
    m_pView->SetStepHandler([this](StepKind kind) { return Step(kind); });
    if (m_pGridView) {
        connect(m_pGridView, &CGalerioView::EntryLeaving, this, &CImageWin::OnEntryLeaving);
        connect(m_pGridView, &CGalerioView::CatalogueReplaced, this,
                &CImageWin::OnCatalogueReplaced);
        m_pLookAhead = std::make_unique<LookAhead>(DecodeViewBitmapAhead);
    }
    m_pToFollow = &item;
    LookAround();
    // A file that cannot be read still leaves a titled, empty window.
    return true;
}

void CImageWin::ShowImage(const ImageItem& item) {
    if (!m_pView) return;
    // First, as the mode it leaves decides what the new photo is decoded for.
    ImageChanging(item);
    std::optional<LookAhead::Result> ready;
    if (m_pLookAhead && Catalogue() && !HasOwnPixelLoader())
        ready = m_pLookAhead->Take(&item, RequestFor(item));
    KeepShownBitmap();
    // A full screen stays where it is; only a window is placed anew.
    const bool bPlace = !isFullScreen();
    if (bPlace) {
        hide();
        PlacedRect rc;
        PlaceWindow(item, rc, true, m_pView->IsFit());
    }
    CopyEntryTexts(item);
    if (ready) {
        m_pView->ShowBitmap(std::move(ready->bitmap));
        for (const MessageRequest& request : ready->messages) ShowMessage(request);
    } else {
        m_pView->Reload();
    }
    setWindowTitle(ToDisplay(m_pView->Item().m_strName));
    if (bPlace) show();
    m_pToFollow = &item;
    LookAround();
}

void CImageWin::ImageChanging(const ImageItem& next) {
    const ImageItem& shown = m_pView->Item();
    m_pView->OnImageChanged(QSize(int(shown.m_nImageWidth), int(shown.m_nImageHeight)),
                            QSize(int(next.m_nImageWidth), int(next.m_nImageHeight)));
}

void CImageWin::SetFullScreen(bool bOn) {
    if (!m_pView) return;
    if (bOn) {
        showFullScreen();
    } else {
        showNormal();
        // Photos shown meanwhile may differ in size: the window is placed
        // for the one it shows now, and the view gets that size at once.
        PlacedRect rc;
        PlaceWindow(m_pView->Item(), rc, true, m_pView->IsFit());
    }
    m_pView->SetFullScreen(bOn);
}

const ImageList* CImageWin::Catalogue() const {
    if (!m_pGridView || m_pGridView->IsSearching() || m_pGridView->IsProcessing() ||
        m_pGridView->FindDlg())
        return nullptr;
    return &m_pGridView->Catalogue();
}

void CImageWin::FollowShown(const ImageList& list) {
    if (m_pToFollow) m_stepper.Follow(list, std::exchange(m_pToFollow, nullptr));
}

ViewRequest CImageWin::RequestFor(const ImageItem& entry) {
    PlacedRect rc;
    PlaceWindow(entry, rc, false, m_pView->IsFit());
    return m_pView->Request(entry, ClientSizeFor(rc));
}

void CImageWin::KeepShownBitmap() {
    const ImageItem* pShown = m_stepper.Shown();
    ViewBitmap bitmap = m_pView->TakeBitmap();
    if (m_pLookAhead && pShown && !m_pToFollow && bitmap.pRows)
        m_pLookAhead->Put({pShown, bitmap.request}, {std::move(bitmap), {}});
}

bool CImageWin::Step(StepKind kind) {
    const ImageList* pList = Catalogue();
    if (!pList || !m_pView) return false;
    FollowShown(*pList);
    if (!m_stepper.CanStep()) return false;
    // At either end the key does nothing: no wrap, no scroll.
    const ImageItem* pTarget = m_stepper.Target(*pList, kind);
    if (!pTarget) return true;
    ImageChanging(*pTarget);
    const ViewRequest request = RequestFor(*pTarget);
    std::optional<LookAhead::Result> ready;
    if (m_pLookAhead && !HasOwnPixelLoader()) ready = m_pLookAhead->Take(pTarget, request);
    if (!ready) {
        // The worker waits meanwhile, so the two decodes share neither the
        // cores nor the memory.
        if (m_pLookAhead) m_pLookAhead->Hold();
        CodecContext context;
        ready.emplace();
        ready->bitmap = DecodeViewBitmap(request, context);
        ready->messages = std::move(context.messages);
    }
    ShowStep(*pTarget, std::move(*ready));
    return true;
}

void CImageWin::ShowStep(const ImageItem& entry, LookAhead::Result result) {
    KeepShownBitmap();
    // A full screen stays where it is; only a window is placed anew.
    if (!isFullScreen()) {
        PlacedRect rc;
        PlaceWindow(entry, rc, true, m_pView->IsFit());
    }
    CopyEntryTexts(entry);
    m_pView->ShowBitmap(std::move(result.bitmap));
    setWindowTitle(ToDisplay(m_pView->Item().m_strName));
    m_pToFollow = &entry;
    if (m_bSlideShow && m_pGridView) m_pGridView->Slides().OnUserStep(&entry);
    // The neighbours are decoded once the photo has been painted, so the
    // worker does not compete with the paint.
    QMetaObject::invokeMethod(this, &CImageWin::LookAround, Qt::QueuedConnection);
    // Last: a box runs its own event loop, and everything is in place by then.
    for (const MessageRequest& request : result.messages) ShowMessage(request);
}

void CImageWin::LookAround() {
    const ImageList* pList = Catalogue();
    if (!pList || !m_pLookAhead || !m_pView || HasOwnPixelLoader()) return;
    FollowShown(*pList);
    std::vector<LookAhead::Want> vWanted;
    for (const StepKind kind : {StepKind::Next, StepKind::Previous})
        if (const ImageItem* pEntry = m_stepper.Target(*pList, kind))
            vWanted.push_back({pEntry, RequestFor(*pEntry)});
    m_pLookAhead->Keep(vWanted);
}

void CImageWin::OnEntryLeaving(const ImageItem* pItem) {
    if (const ImageList* pList = Catalogue()) {
        FollowShown(*pList);
        m_stepper.OnEntryLeaving(*pList, pItem);
    }
    if (m_pLookAhead) m_pLookAhead->Forget(pItem);
    // The neighbours are looked for once the entry has gone.
    QMetaObject::invokeMethod(this, &CImageWin::LookAround, Qt::QueuedConnection);
}

void CImageWin::OnCatalogueReplaced() {
    // The window keeps its photo but has no catalogue to step through.
    m_stepper.OnCatalogueReplaced();
    m_pToFollow = nullptr;
    if (m_pLookAhead) m_pLookAhead->Forget(nullptr);
}

void CImageWin::DestroyWindow() { close(); }

void CImageWin::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // The view fills the client area; its bitmap is not rebuilt.
    if (m_pView) {
        m_pView->setGeometry(0, 0, e->size().width(), e->size().height());
        m_pView->viewport()->update();
    }
}

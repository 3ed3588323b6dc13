// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "browser/catalogue/catalogue_run.h"
#include "browser/catalogue/folder_watch.h"
#include "browser/catalogue/thumb_residency.h"
#include "browser/file_commands.h"
#include "browser/image_window.h"
#include "browser/restore_ahead.h"
#include "browser/slide_show.h"
#include "browser/view_settings.h"
#include "model/image_item.h"
#include "model/view_options.h"
#include "platform/color_ref.h"

class CFindFilesDlg;
class IViewHost;
class SettingsStore;
class QPainter;

// The main window's only view: the catalogue of one folder as a scrolling grid
// of thumbnails. It owns the catalogue, the two worker threads and the
// progress window. The settings are a private base, so drawing and the run
// read them by their own names; others read them through Settings().
class CGalerioView : public QAbstractScrollArea,
                     private ViewSettings,
                     private IRunListener,
                     private IWatchListener {
    Q_OBJECT
public:
    CGalerioView(SettingsStore& store, IViewHost* pHost, QWidget* parent = nullptr);
    ~CGalerioView() override;

    // Catalogue and folder scan.
    void StartSearch(std::string folder);
    void SortImages();
    void FreeImageList();

    // Thumbnail production.
    bool IsIdle() const;
    // The folder the catalogue was searched from; empty before the first.
    const std::string& SearchFolder() const { return m_strSearchFolder; }
    // Makes every thumbnail again at a new pitch, in catalogue order, with a
    // new progress window that says "starting..." until the run reports.
    // Only while the view is idle: false when it refused.
    bool ReprocessAtPitch(int nPitch);
    // Thumbnails of a builder of the caller's own cannot be made again, so
    // every entry keeps its pixels.
    void SetThumbnailBuilder(ThumbnailBuilder fn) {
        m_run.SetThumbnailBuilder(std::move(fn));
        m_bRemakeable = false;
    }
    // Asks a run in progress to stop (the user closed a window).
    void RequestStop() { m_run.RequestStop(); }
    bool IsSearching() const { return m_bSearching; }
    bool IsProcessing() const { return m_bProcessing; }
    // The progress window's visibility, which the run's stop follows.
    void SetFindDlgVisible(bool bVisible) { m_run.SetWindowVisible(bVisible); }
    // Every cell on the screen shows its thumbnail (what start-up timing waits for).
    bool ScreenIsMade() const;

    // Grid layout and painting.
    void OnInitialUpdate();
    void SetScrolls(bool bScrollToTop);
    // Gives an entry whose pixels were released to save memory its pixels
    // back, before something other than painting reads them (writing
    // thumbnail files). nIndexHint: where it probably is in the catalogue.
    // True when the entry has pixels.
    bool RestorePixels(ImageItem& item, std::size_t nIndexHint);
    void OnFilePrint();

    // Writes "details.txt" into the current directory and has the desktop
    // open it; nothing happens with an empty catalogue.
    void OnShowDetails();
    // Deletes the selected photo's file for good, after the warning unless
    // "NoDelDlg" is set, and takes its entry out of the grid.
    void OnDeleteThumb();
    // Moves or renames the selected photo's file through the save dialog,
    // never over another file; a file that left the folder leaves the grid.
    void OnMoveThumb();
    // True when the selected entry's file may be deleted or moved now: an
    // entry is selected and no worker walks the catalogue.
    bool CanEditFiles() const;
    // Scans the folder shown again, after telling the user why when asked to.
    void ReloadCatalogue(bool bMessage);

    // While one lives, changes made by other programs wait: its owner walks
    // the catalogue and lets the event loop run meanwhile (Make Thumbs).
    class CatalogueHold {
    public:
        explicit CatalogueHold(CGalerioView& view) : m_view(view) { ++m_view.m_nCatalogueHolds; }
        ~CatalogueHold();
        CatalogueHold(const CatalogueHold&) = delete;
        CatalogueHold& operator=(const CatalogueHold&) = delete;

    private:
        CGalerioView& m_view;
    };

signals:
    // Before an entry leaves the catalogue (delete, move); open image
    // windows step past it.
    void EntryLeaving(const ImageItem* pItem);
    // The catalogue was emptied for a new scan: its entries are gone.
    void CatalogueReplaced();

public:
    // Starts the slide show over the catalogue when the view is idle.
    void OnStartSlideShow();
    // The slide show and the image windows opened from the grid.
    SlideShow& Slides() { return m_slides; }

    // The view's settings; the image windows read their captions here.
    const ViewSettings& Settings() const { return *this; }
    // The options Preferences edits. TakeOptions keeps the pitch (a new one
    // goes through ReprocessAtPitch) and neither sorts nor repaints: the
    // caller knows which is due.
    void TakeOptions(const ViewOptions& options);
    // The look new decodes start from: colour management and the background
    // transparent pixels are put over.
    void ApplyPhotoLook();

    // ---- What the frame and the commands read ----
    // Only while the view is idle: a worker fills it during a run.
    const ImageList& Catalogue() const { return m_listImages; }
    ImageItem* Selected() const { return m_pSelected; }
    CFindFilesDlg* FindDlg() const { return m_pFindFDlg; }

    // A painted copy of one entry's display rows, top-down, made once. The
    // pointer and size it was made from let a paint notice a stale copy.
    struct ThumbCacheEntry {
        const std::uint8_t* pBits = nullptr;
        int nWidth = 0;
        int nHeight = 0;
        QImage image;
    };

protected:
    void customEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Tests look inside through a probe of their own; nothing here is public
    // for their sake.
    friend class ViewProbe;

    // The one way the catalogue is declared changed (run end, free, delete,
    // move, re-sort, pitch): the cells are laid out anew, painted copies of
    // old pixels are dropped and the view is repainted.
    void CatalogueChanged(bool bScrollToTop);
    void DeleteFindDlg();
    // The entry whose cell holds the viewport's point, as last painted.
    ImageItem* HitTest(const QPoint& ptWindow) const;
    // Processes the catalogue again (a changed pitch); makes the progress
    // window when none is open.
    void StartProcessing();
    // Paints in document coordinates; rcUpdate is the area that needs it.
    void OnDraw(QPainter& dc, const QRect& rcUpdate);

    // Handlers of the workers' messages.
    void OnSearchProgress(const std::string& path) override;
    void OnSearchDone(bool bNothingFound, int nFolderError) override;
    void OnProcessProgress(const std::string& path) override;
    void OnProcessDone() override;
    void OnThumbnailMade(std::size_t nIndex, std::size_t nMade) override;
    // A run that shows thumbnails as they are made: the status bar's count,
    // and the entries on and near the screen made first.
    void ShowMakingProgress(std::size_t nMade);
    void AimRun();
    // Starts a worker; on failure the view is made idle again and the user told.
    template <typename Fn>
    bool StartWorker(Fn fnStart);
    void InvalidateThumbCache();
    // The cells one screen shows, partly visible rows included.
    std::size_t ScreenCells() const;
    // Releases the pixels (and painted copies) of entries far from the
    // screen, and has the screens next to it remade ahead.
    void TrimPixels();
    // Puts the pixels remade ahead, and their painted copies, in place: on
    // the helpers' event (which also starts the work asked for), or before
    // a paint.
    void TakeRestored(bool bEvent);
    // Selects an entry, as a click on its cell does.
    void Select(ImageItem* pItem);
    // A key that moves the selection, or Enter that opens it; false for
    // any other key.
    bool KeySelect(int nKey);
    // Repaints one entry's cell, without erasing the rest.
    void InvalidateCell(const ImageItem& item);
    void EndSlideShow() { m_slides.End(); }
    // Reads the view's settings from the store and hands the run its part.
    void LoadSettings();
    // A new grid pitch; the thumbnails are made again by StartProcessing.
    void SetPitch(int nPitch);
    // Device pixels to a pixel of the screen the view is on, at least 1.
    double ScreenPixelRatio() const;
    // The view moved to a screen of another density: an idle grid makes its
    // thumbnails again, as for a new pitch, so they stay sharp.
    void PixelRatioChanged();
    // The popup menu of the grid at a point of the viewport.
    void ShowContextMenu(const QPoint& ptWindow);
    // The menu key: the selected cell is scrolled into the corner first.
    void ShowContextMenuForSelection();
    // A worker fills or walks the catalogue, and may free its entries.
    bool WorkerOwnsCatalogue() const { return m_pFindFDlg || m_bSearching || m_bProcessing; }
    // "Could not read folder" with the folder shown and the system's reason.
    void ShowUnreadableFolder(int nError);
    // What a scan of the folder accepts, from the settings as they are now.
    ScanOptions CurrentScanOptions() const;
    // Watches the folder shown when the user chose so, else nothing.
    // bCompareAll: the catalogue may be out of step with the folder already.
    void UpdateWatch(bool bCompareAll);

    // The folder watch's questions and news.
    bool CanChangeCatalogue() const override {
        return !WorkerOwnsCatalogue() && m_nCatalogueHolds == 0;
    }
    WatchBuild CurrentBuild() const override;
    void OnEntryLeaving(ImageItem* pItem) override;
    void OnWatchedChange() override { CatalogueChanged(false); }
    void OnFolderUnreadable(int nError) override { ShowUnreadableFolder(nError); }

    SettingsStore& m_store;
    IViewHost* m_pHost;

    // ---- Catalogue (changed only by the running worker during a run) ----
    ImageList m_listImages;
    ImageItem* m_pSelected = nullptr;
    std::string m_strSearchFolder;

    // ---- Run state (user-interface thread only) ----
    CFindFilesDlg* m_pFindFDlg = nullptr;
    bool m_bSearching = false;
    bool m_bProcessing = false;
    // The run in progress shows its thumbnails in the grid as they come,
    // without a progress window.
    bool m_bMakingInGrid = false;
    // Thumbnails it has made, and whether the status bar's count is due.
    std::size_t m_nMade = 0;
    bool m_bMadeCountDue = false;

    // Thumbnails kept between runs; a deleted or moved photo's record goes.
    std::shared_ptr<const ThumbCache> m_pThumbCache;

    SlideShow m_slides;
    // Delete, move or rename and the details list, on the catalogue above.
    FileCommands m_files;

    // ---- Grid ----
    int m_nCols = 1;
    int m_nRows = 0;
    QFont m_font;
    bool m_bInitialized = false;
    std::unordered_map<const ImageItem*, ThumbCacheEntry> m_thumbCache;
    // Which entries hold pixels; the run applies it as it fills entries.
    ThumbResidency m_residency;
    bool m_bRemakeable = true;
    // The screen density the catalogue's pixels were made for.
    double m_dPixelRatio = 1.0;
    bool m_bRatioCheckQueued = false;
    // The pixels of the screens next to the shown one, remade while the
    // user looks at it.
    RestoreAhead m_ahead{this};
    // The entries and layout the cells were last computed for: a paint that
    // finds them unchanged skips touching every entry again.
    std::vector<const ImageItem*> m_vecCellOwners;
    int m_nCellCols = 0;
    int m_nCellPitch = 0;
    bool m_bCellsCurrent = false;

    // Photos other programs add, replace or remove, while the user chose so.
    FolderWatch m_watch{m_listImages, *this};
    int m_nCatalogueHolds = 0;

    // Declared last: its destructor joins the workers while everything they
    // use still exists.
    CatalogueRun m_run;
};

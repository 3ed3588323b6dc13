// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QImage>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "model/image_item.h"

class CFindFilesDlg;
class IViewHost;
class SettingsStore;
class QPainter;

// The per-entry thumbnail operation the processing thread calls; the real one
// is BuildThumbnailBitmap, tests put in a scripted one.
using ThumbnailBuilder = std::function<bool(ImageItem& item, int nPitch, int nThumbSize)>;

// Colour values are stored as 0x00BBGGRR (red in the low byte).
QColor ColorFromRef(int cr);
int RefFromColor(const QColor& color);

// The main window's only view: the catalogue of one folder as a scrolling grid
// of thumbnails. It owns the catalogue, the two worker threads and the
// progress window.
class CGalerioView : public QAbstractScrollArea {
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
    void StartProcessing();
    void DeleteFindDlg();
    void SetThumbnailBuilder(ThumbnailBuilder fn) { m_fnBuildThumbnail = std::move(fn); }

    // Grid layout and painting.
    void OnInitialUpdate();
    void SetScrolls(bool bScrollToTop);
    // Paints in document coordinates; rcUpdate is the area that needs it.
    void OnDraw(QPainter& dc, const QRect& rcUpdate);
    ImageItem* HitTest(const QPoint& ptWindow) const;
    void OnFilePrint();
    // Drops the painted copies of the thumbnails; call on the user-interface
    // thread whenever a run starts or ends or the catalogue changes.
    void InvalidateThumbCache();

    // The slide interval in milliseconds, from "SlideTime".
    int SlideIntervalMs() const { return m_nSlideTime * 1000; }

    SettingsStore& Store() const { return m_store; }
    IViewHost* Host() const { return m_pHost; }

    // ---- Catalogue (changed only by the running worker during a run) ----
    ImageList m_listImages;
    ImageItem* m_pSelected = nullptr;
    std::string m_strSearchFolder;

    // ---- Run state ----
    CFindFilesDlg* m_pFindFDlg = nullptr;
    QWidget* m_pImageWin = nullptr;  // the open slide-show window, else null
    std::atomic<bool> m_bSearching{false};
    std::atomic<bool> m_bProcessing{false};
    std::atomic<bool> m_bStopRequested{false};
    std::atomic<bool> m_bSearchAck{true};
    std::atomic<bool> m_bProcessAck{true};
    // Mirrors the progress window's visibility for the processing thread,
    // which must not ask the widget itself.
    std::atomic<bool> m_bFindDlgVisible{false};
    std::string m_strSearchFile;
    std::string m_strProcessFile;
    // Guards the two text slots for the one case the hand-shake cannot: a
    // worker that gave up waiting writes while the handler may still read.
    std::mutex m_mutexSlots;
    // Set by the destructor: waiting workers give up at once so it can join them.
    std::atomic<bool> m_bShutdown{false};
    std::atomic<int> m_nWorkersRunning{0};
    // Counts messages posted by the workers. Qt's event queue locks with
    // futexes that ThreadSanitizer cannot see; this release/acquire pair makes
    // the hand-over of each message object visible to it.
    std::atomic<unsigned> m_nPostedMessages{0};
    // How long a worker waits for the hand-shake before asking the user;
    // tests shorten it.
    std::chrono::milliseconds m_msAckTimeout{15000};

    // ---- Settings held by the view ----
    int m_nSortStyle = 0;
    int m_nSortOption = 0;
    int m_nPitch = 103;
    int m_nThumbSize = 100;
    bool m_bColorCheck = true;
    int m_crBackColor = 0;
    int m_crTextColor = 0;
    bool m_bShowDim = false;
    bool m_bShowFileName = true;
    bool m_bShowFileSize = false;
    bool m_bShowFileDate = false;
    bool m_bTNSearch = false;
    int m_nSlideTime = 5;  // seconds
    bool m_bRandom = false;
    bool m_bFit = false;
    int m_nShellBrowse = 1;
    int m_nCreateHere = 0;

    // ---- Grid ----
    int m_nCols = 1;
    int m_nRows = 0;
    QFont m_font;
    bool m_bInitialized = false;
    // A painted copy of one entry's display rows, top-down, made once. The
    // pointer and size it was made from let a paint notice a stale copy.
    struct ThumbCacheEntry {
        const std::uint8_t* pBits = nullptr;
        int nWidth = 0;
        int nHeight = 0;
        QImage image;
    };
    std::unordered_map<const ImageItem*, ThumbCacheEntry> m_thumbCache;
    // The entries and layout the cells were last computed for: a paint that
    // finds them unchanged skips touching every entry again.
    std::vector<const ImageItem*> m_vecCellOwners;
    int m_nCellCols = 0;
    int m_nCellPitch = 0;
    bool m_bCellsCurrent = false;

    // Reads the settings above from the store (constructor and Preferences).
    void LoadSettings();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Handlers of the workers' messages.
    void OnSearchProgress();
    void OnSearchDone(long long wParam);
    void OnProcessProgress();
    void OnProcessDone();
    // Thread bodies.
    static void SearchFiles(CGalerioView* pView);
    static void ProcessImages(CGalerioView* pView);
    void JoinWorkers();

    SettingsStore& m_store;
    IViewHost* m_pHost;
    ThumbnailBuilder m_fnBuildThumbnail;
    std::thread m_threadSearch;
    std::thread m_threadProcess;
};

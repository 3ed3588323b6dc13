// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/thumb_cache.h"
#include "browser/catalogue/thumb_residency.h"
#include "codec/codec_context.h"
#include "platform/message_box.h"

class QObject;
template <class Result>
class OrderedEngine;

// The events the run posts to its receiver; the values are fixed.
inline constexpr QEvent::Type WM_PROCESS_DONE = static_cast<QEvent::Type>(0x8004);
inline constexpr QEvent::Type WM_PROCESS_PROGRESS = static_cast<QEvent::Type>(0x8008);
inline constexpr QEvent::Type WM_SEARCH_DONE = static_cast<QEvent::Type>(0x800C);
inline constexpr QEvent::Type WM_SEARCH_PROGRESS = static_cast<QEvent::Type>(0x8010);

// The box shown when a bitmap file cannot be read; the library's own boxes
// already explain a JPEG file that fails.
inline constexpr const char* kUnreadableImageText = "Could not read image\n%1";

// The per-entry thumbnail operation the run's helpers call; the real one is
// BuildThumbnailBitmap, tests put in a scripted one. Its boxes are said in
// the context, whose stop token is the run's.
using ThumbnailBuilder =
    std::function<bool(ImageItem& item, int nPitch, int nThumbSize, CodecContext& context)>;
// Starts a worker thread; tests put in one that fails.
using ThreadStarter = std::function<std::thread(std::function<void()> fnBody)>;

// What a search needs to know, copied when it starts so the worker reads
// nothing that the user-interface thread may change.
struct SearchSettings {
    std::string strFolder;
    ScanOptions scan;
    int nSortOption = 0;
    int nSortStyle = 0;
};

// What the user-interface thread hears of a run, in the order it happened.
class IRunListener {
public:
    virtual ~IRunListener() = default;
    // A file the search accepted.
    virtual void OnSearchProgress(const std::string& path) = 0;
    // The catalogue is filled and sorted; bNothingFound: no name matched any
    // pattern; nFolderError: errno when the folder could not be read.
    virtual void OnSearchDone(bool bNothingFound, int nFolderError) = 0;
    // The entry whose thumbnail is being made now.
    virtual void OnProcessProgress(const std::string& path) = 0;
    virtual void OnProcessDone() = 0;
    // A run that shows thumbnails as they are made put entry nIndex's in
    // place; nMade of the catalogue's entries have theirs now.
    virtual void OnThumbnailMade(std::size_t nIndex, std::size_t nMade) {
        static_cast<void>(nIndex);
        static_cast<void>(nMade);
    }
};

// The run of one folder without any widget. The searching thread fills a
// catalogue of its own and hands it over whole at its end; helper threads
// (OrderedEngine) make the thumbnails from copies of what they read, and the
// user-interface thread puts each result into its entry, and shows its boxes,
// in catalogue order. So the catalogue has one owner at a time: the search
// while it fills it, the user-interface thread afterwards. The workers talk
// to the user-interface thread only through events posted to the receiver,
// which hands them to Dispatch, and hear from it only through the run's one
// stop token. Every public function runs on the user-interface thread.
class CatalogueRun {
public:
    CatalogueRun(QObject* pReceiver, ImageList& listImages);
    ~CatalogueRun();
    CatalogueRun(const CatalogueRun&) = delete;
    CatalogueRun& operator=(const CatalogueRun&) = delete;

    // Starts the searching thread over an empty catalogue. Throws
    // std::system_error when the thread cannot start.
    void StartSearch(const SearchSettings& settings);
    // Makes the thumbnails of the catalogue as it stands. Throws
    // std::system_error when no helper thread can start.
    void StartProcessing(int nPitch, int nThumbSize, double dPixelRatio = 1.0);

    // Takes one of the run's events to the listener: progress, the end of a
    // phase, and each entry's result with its boxes shown in turn. False for
    // an event that is not the run's.
    bool Dispatch(const QEvent& e, IRunListener& listener);
    // Joins a searching thread that has ended.
    void JoinFinished();

    // Processing stops before its next entry, and a decode in progress is
    // abandoned, once a stop is requested or the progress window is hidden.
    void RequestStop();
    bool IsStopRequested() const { return m_bStopRequested; }
    void SetWindowVisible(bool bVisible);

    // Stops every worker and joins them; nothing is posted after it.
    void Shutdown();

    // A builder of the test's own replaces the real one, and the cache with it.
    void SetThumbnailBuilder(ThumbnailBuilder fn) {
        m_fnBuild = std::move(fn);
        m_bRealBuilder = false;
    }
    // Thumbnails kept between runs (null: none), trimmed to nMaxBytes after
    // a run that added to them. Taken by the next processing run.
    void SetThumbCache(std::shared_ptr<const ThumbCache> pCache, std::uint64_t nMaxBytes) {
        m_pCache = std::move(pCache);
        m_nCacheMaxBytes = nMaxBytes;
    }
    void SetThreadStarter(ThreadStarter fn) { m_fnStartThread = std::move(fn); }
    // How many threads make thumbnails in the next processing run.
    void SetThumbnailThreads(int nThreads) { m_nThumbnailThreads = std::max(nThreads, 1); }
    // Whether the next processing run turns photos upright by their
    // orientation tag; every thread of that run keeps the value it started with.
    void SetRotateByTag(bool bRotate) { m_bRotateByTag = bRotate; }
    // Whether the next processing run puts each thumbnail in place as soon
    // as it is made, in the order Prefer asks for, instead of in catalogue
    // order. The boxes still come in catalogue order.
    void SetShowWhileMaking(bool bShow) { m_bShowWhileMaking = bShow; }
    // The entries the run in progress is to make before the others, most
    // wanted first (those on the screen); a run in catalogue order ignores it.
    void Prefer(std::vector<std::size_t> vecFirst);
    // Which entries keep their pixels once made; null keeps them all.
    void SetThumbResidency(const ThumbResidency* pResidency) { m_pResidency = pResidency; }

private:
    struct Built;
    // Runs on the searching thread.
    void SearchFiles(SearchSettings settings);
    void Post(QEvent::Type type, std::function<void(IRunListener&)> fnDeliver) const;
    // Puts every ready result into its entry, in order, until one is missing.
    void TakeResults(IRunListener& listener);
    // The same for a run that shows each result as it comes.
    void TakeResultsAsMade(IRunListener& listener);
    // Shows the boxes of entry m_nApplied on, in order, while their results
    // are in; false when the run shut down meanwhile.
    bool ShowBoxesInOrder();
    // What a result that failed says; the run ends at it.
    void FailAt(const ImageItem& item);
    void EndProcessing(IRunListener& listener, bool bEmpty);
    // With a stop requested: cancels the engine, ends the run once no job
    // is in progress, and returns true.
    bool StoppedBeforeNext(IRunListener& listener);
    void UpdateStop();

    QObject* m_pReceiver;
    ImageList& m_listImages;
    ThumbnailBuilder m_fnBuild;
    ThreadStarter m_fnStartThread;
    int m_nThumbnailThreads = 1;
    bool m_bRotateByTag = false;
    bool m_bRealBuilder = true;
    std::shared_ptr<const ThumbCache> m_pCache;
    std::uint64_t m_nCacheMaxBytes = 0;
    const ThumbResidency* m_pResidency = nullptr;

    // The one stop token the workers read: set while a stop is requested,
    // the progress window is hidden, or the run shuts down. The flags it
    // comes from belong to the user-interface thread.
    std::atomic<bool> m_bStop{true};
    bool m_bStopRequested = false;
    bool m_bWindowVisible = false;
    bool m_bShutdown = false;
    bool m_bProcessing = false;  // the search's part is over
    bool m_bFailed = false;      // an entry failed: the run ends without its catalogue

    std::thread m_threadSearch;
    // The processing run in progress, with what it shares with its helpers.
    std::unique_ptr<OrderedEngine<Built>> m_pEngine;
    std::size_t m_nApplied = 0;
    bool m_bTaking = false;  // results are being put in place (a box may be open)
    bool m_bStored = false;  // a result added a cache record
    bool m_bShowWhileMaking = false;
    // A run showing results as they come: which entries are in, and those
    // whose boxes (or failure) wait for the entries before them.
    bool m_bAsMade = false;
    std::vector<bool> m_vecArrived;
    std::map<std::size_t, std::unique_ptr<Built>> m_mapWaiting;
    std::size_t m_nMade = 0;
};

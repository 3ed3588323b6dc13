// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/thumb_cache.h"
#include "browser/catalogue/thumb_residency.h"
#include "codec/codec_context.h"
#include "platform/message_box.h"

class QObject;

// The workers' messages to the view, posted with QCoreApplication::postEvent;
// the values are fixed.
inline constexpr QEvent::Type WM_PROCESS_DONE = static_cast<QEvent::Type>(0x8004);
inline constexpr QEvent::Type WM_PROCESS_PROGRESS = static_cast<QEvent::Type>(0x8008);
inline constexpr QEvent::Type WM_SEARCH_DONE = static_cast<QEvent::Type>(0x800C);
inline constexpr QEvent::Type WM_SEARCH_PROGRESS = static_cast<QEvent::Type>(0x8010);
// A worker's question to the user, shown by the view on its own thread.
inline constexpr QEvent::Type WM_RUN_ASK = static_cast<QEvent::Type>(0x8014);

inline constexpr std::chrono::milliseconds kAckTimeout{15000};
// The box a worker shows when the user-interface thread has not taken its
// last report within the time limit.
inline constexpr const char* kUnlockText = "Click OK to unlock Galerio and proceed.";
// The box shown when a bitmap file cannot be read; the library's own boxes
// already explain a JPEG file that fails.
inline constexpr const char* kUnreadableImageText = "Could not read image\n%1";

// The per-entry thumbnail operation the run's threads call; the real one
// is BuildThumbnailBitmap, tests put in a scripted one. Its boxes are said in
// the context, whose stop token is the run's.
using ThumbnailBuilder =
    std::function<bool(ImageItem& item, int nPitch, int nThumbSize, CodecContext& context)>;
// Starts a worker thread; tests put in one that fails.
using ThreadStarter = std::function<std::thread(std::function<void()> fnBody)>;

// One posted message, as the view takes it out of the run's mailbox.
struct RunMessage {
    int nType = 0;
    std::string strText;         // progress: the path just reported
    bool bNothingFound = false;  // search done: no name matched any pattern
    int nFolderError = 0;        // search done: errno when the folder could not be read
    MessageRequest request;      // a worker's question
};

// What a search needs to know, copied when it starts so the worker reads
// nothing that the user-interface thread may change.
struct SearchSettings {
    std::string strFolder;
    ScanOptions scan;
    int nSortOption = 0;
    int nSortStyle = 0;
};

// The run of one folder without any widget: the searching and processing
// threads, the one-slot hand-shake that keeps them from outrunning the
// user-interface thread, and stopping. It fills and empties the catalogue it
// is given; while one of its workers runs, nobody else touches that list.
// Every public function but the worker bodies runs on the user-interface
// thread; messages go to the receiver as posted events and are taken out
// with Receive.
class CatalogueRun {
public:
    CatalogueRun(QObject* pReceiver, ImageList& listImages);
    ~CatalogueRun();
    CatalogueRun(const CatalogueRun&) = delete;
    CatalogueRun& operator=(const CatalogueRun&) = delete;

    // Starts the searching thread, which fills the (empty) catalogue, sorts
    // it and posts WM_SEARCH_DONE. Throws std::system_error when the thread
    // cannot start.
    void StartSearch(const SearchSettings& settings);
    // Starts the processing thread over the catalogue as it stands. Throws
    // std::system_error when the thread cannot start.
    void StartProcessing(int nPitch, int nThumbSize);

    // Takes a posted message out of the mailbox; a progress message is
    // acknowledged at once, so the worker may go on to the next file.
    RunMessage Receive(const QEvent& e);
    // Hands the user's answer to the worker that asked.
    void Answer(MsgResult result);
    // Joins the worker that has posted its last message.
    void JoinFinished();

    // Processing stops before its next entry, and a decode in progress is
    // abandoned, once a stop is requested or the progress window is hidden.
    void RequestStop();
    bool IsStopRequested() const;
    void SetWindowVisible(bool bVisible);

    // Wakes every waiting worker and joins them; nothing is posted after it.
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
    void SetAckTimeout(std::chrono::milliseconds timeout) { m_msAckTimeout = timeout; }
    void SetThreadStarter(ThreadStarter fn) { m_fnStartThread = std::move(fn); }
    // How many threads build thumbnails in the next processing run, this
    // run's own thread included; 1 builds them all on it.
    void SetThumbnailThreads(int nThreads) { m_nThumbnailThreads = std::max(nThreads, 1); }
    // Whether the next processing run turns photos upright by their
    // orientation tag; every thread of that run keeps the value it started with.
    void SetRotateByTag(bool bRotate) { m_bRotateByTag = bRotate; }
    // Which entries keep their pixels as processing takes them (null: all).
    void SetThumbResidency(const ThumbResidency* pResidency) { m_pResidency = pResidency; }

private:
    // Runs on the searching thread.
    void SearchFiles(SearchSettings settings);
    // Runs on the processing thread.
    void ProcessImages(int nPitch, int nThumbSize, int nThreads, bool bRotateByTag,
                       std::shared_ptr<const ThumbCache> pCache);
    // Run on a worker thread.
    bool Report(QEvent::Type type, const std::string& path);
    MsgResult Ask(const MessageRequest& request);
    void Post(QEvent::Type type, RunMessage message, std::unique_lock<std::mutex>& lock);
    void UpdateAbort();
    std::thread Start(std::function<void()> fnBody);

    QObject* m_pReceiver;
    ImageList& m_listImages;
    ThumbnailBuilder m_fnBuild;
    ThreadStarter m_fnStartThread;
    std::chrono::milliseconds m_msAckTimeout{kAckTimeout};
    int m_nThumbnailThreads = 1;
    bool m_bRotateByTag = false;
    bool m_bRealBuilder = true;
    std::shared_ptr<const ThumbCache> m_pCache;
    std::uint64_t m_nCacheMaxBytes = 0;
    const ThumbResidency* m_pResidency = nullptr;

    // The mailbox. One lock orders everything the workers and the
    // user-interface thread share, posted messages included.
    mutable std::mutex m_mutex;
    std::condition_variable m_cvAck;     // the slot was taken, or shutdown
    std::condition_variable m_cvAnswer;  // the user answered, or shutdown
    bool m_bAck = true;
    bool m_bAnswered = false;
    MsgResult m_answer = MsgResult::Ok;
    bool m_bShutdown = false;
    bool m_bStopRequested = false;
    bool m_bWindowVisible = false;
    // stop || hidden || shutdown, for the checks a worker makes between
    // entries and that a decode makes between rows.
    std::atomic<bool> m_bAbort{false};
    std::atomic<bool> m_bShutdownFlag{false};

    std::thread m_threadSearch;
    std::thread m_threadProcess;
};

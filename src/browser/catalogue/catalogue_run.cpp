// SPDX-License-Identifier: MIT
// The search and processing threads and their hand-shake with the
// user-interface thread.
#include "browser/catalogue/catalogue_run.h"

#include <QCoreApplication>
#include <QObject>

#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "codec/display_bitmap.h"
#include "engine/ordered_engine.h"
#include "platform/paths.h"

namespace {

// A posted message with its parameters. It is made while the mailbox is
// locked and read only under the same lock, so the hand-over between the
// threads is ordered by that lock and not only by Qt's event queue.
class CRunEvent : public QEvent {
public:
    CRunEvent(QEvent::Type type, RunMessage message)
        : QEvent(type), m_message(std::move(message)) {}
    RunMessage m_message;
};

// What a helper made of one entry, on a copy of what the builder reads: the
// catalogue entry itself is written by the processing thread only.
struct BuiltThumb {
    ImageItem item;
    bool bOk = false;
    std::vector<MessageRequest> messages;
};

void CopyInputs(const ImageItem& from, ImageItem& to) {
    to.m_nKind = from.m_nKind;
    to.m_strPath = from.m_strPath;
    to.m_strFolder = from.m_strFolder;
    to.m_strName = from.m_strName;
    to.m_strExt = from.m_strExt;
    to.m_nFileSize = from.m_nFileSize;
    to.m_dwSize = from.m_dwSize;
}

void MoveResult(ImageItem& from, ImageItem& to) {
    to.m_pBits = std::move(from.m_pBits);
    to.m_nImageWidth = from.m_nImageWidth;
    to.m_nImageHeight = from.m_nImageHeight;
    to.m_nThumbWidth = from.m_nThumbWidth;
    to.m_nThumbHeight = from.m_nThumbHeight;
    to.m_nScaleNum = from.m_nScaleNum;
    to.m_nScaleDenom = from.m_nScaleDenom;
    to.m_strDim = std::move(from.m_strDim);
}

// How far helpers build ahead of the entry being reported.
constexpr std::size_t kAheadPerHelper = 4;

bool BuildPlain(ImageItem& item, int nPitch, int nThumbSize, CodecContext& context) {
    return BuildOrientedThumbnail(item, nPitch, nThumbSize, false, context);
}

}  // namespace

CatalogueRun::CatalogueRun(QObject* pReceiver, ImageList& listImages)
    : m_pReceiver(pReceiver), m_listImages(listImages), m_fnBuild(BuildPlain) {}

CatalogueRun::~CatalogueRun() { Shutdown(); }

std::thread CatalogueRun::Start(std::function<void()> fnBody) {
    if (m_fnStartThread) return m_fnStartThread(std::move(fnBody));
    return std::thread(std::move(fnBody));
}

void CatalogueRun::StartSearch(const SearchSettings& settings) {
    JoinFinished();
    {
        std::lock_guard lock(m_mutex);
        m_bAck = true;
    }
    m_threadSearch = Start([this, settings] { SearchFiles(settings); });
}

void CatalogueRun::StartProcessing(int nPitch, int nThumbSize) {
    JoinFinished();
    {
        std::lock_guard lock(m_mutex);
        m_bAck = true;
    }
    const int nThreads = m_nThumbnailThreads;
    const bool bRotateByTag = m_bRotateByTag;
    std::shared_ptr<const ThumbCache> pCache = m_bRealBuilder ? m_pCache : nullptr;
    m_threadProcess = Start([this, nPitch, nThumbSize, nThreads, bRotateByTag, pCache] {
        ProcessImages(nPitch, nThumbSize, nThreads, bRotateByTag, pCache);
    });
}

void CatalogueRun::JoinFinished() {
    if (m_threadSearch.joinable()) m_threadSearch.join();
    if (m_threadProcess.joinable()) m_threadProcess.join();
}

void CatalogueRun::Shutdown() {
    {
        std::lock_guard lock(m_mutex);
        m_bShutdown = true;
        m_bShutdownFlag.store(true, std::memory_order_release);
        UpdateAbort();
    }
    m_cvAck.notify_all();
    m_cvAnswer.notify_all();
    JoinFinished();
}

void CatalogueRun::RequestStop() {
    std::lock_guard lock(m_mutex);
    m_bStopRequested = true;
    UpdateAbort();
}

bool CatalogueRun::IsStopRequested() const {
    std::lock_guard lock(m_mutex);
    return m_bStopRequested;
}

void CatalogueRun::SetWindowVisible(bool bVisible) {
    std::lock_guard lock(m_mutex);
    m_bWindowVisible = bVisible;
    UpdateAbort();
}

// Called with the mailbox locked.
void CatalogueRun::UpdateAbort() {
    m_bAbort.store(m_bShutdown || m_bStopRequested || !m_bWindowVisible, std::memory_order_release);
}

RunMessage CatalogueRun::Receive(const QEvent& e) {
    std::lock_guard lock(m_mutex);
    // Read under the lock: the worker made the event while holding it.
    const int nType = e.type();
    if (nType != WM_SEARCH_PROGRESS && nType != WM_SEARCH_DONE && nType != WM_PROCESS_PROGRESS &&
        nType != WM_PROCESS_DONE && nType != WM_RUN_ASK)
        return {};
    RunMessage message = static_cast<const CRunEvent&>(e).m_message;
    if (message.nType == WM_SEARCH_PROGRESS || message.nType == WM_PROCESS_PROGRESS) {
        m_bAck = true;
        m_cvAck.notify_one();
    }
    return message;
}

void CatalogueRun::Answer(MsgResult result) {
    {
        std::lock_guard lock(m_mutex);
        m_answer = result;
        m_bAnswered = true;
    }
    m_cvAnswer.notify_one();
}

// Runs on a worker thread, with the mailbox locked; returns with it unlocked.
void CatalogueRun::Post(QEvent::Type type, RunMessage message, std::unique_lock<std::mutex>& lock) {
    message.nType = type;
    auto* pEvent = new CRunEvent(type, std::move(message));
    lock.unlock();
    QCoreApplication::postEvent(m_pReceiver, pEvent);
}

// Runs on a worker thread. Waits until the last report was taken, then posts
// this one. False when the run is being shut down.
bool CatalogueRun::Report(QEvent::Type type, const std::string& path) {
    std::unique_lock lock(m_mutex);
    const bool bTaken =
        m_cvAck.wait_for(lock, m_msAckTimeout, [this] { return m_bAck || m_bShutdown; });
    if (!bTaken) {
        // The user-interface thread has not handled messages for a long
        // time; the user decides when to go on.
        lock.unlock();
        Ask({QString::fromLatin1(kUnlockText), QString::fromLatin1(kAppCaption)});
        lock.lock();
    }
    if (m_bShutdown) return false;
    m_bAck = false;
    RunMessage message;
    message.strText = path;
    Post(type, std::move(message), lock);
    return true;
}

// Runs on a worker thread. Every box a worker needs (its own, the codec's)
// is shown by the view on the user-interface thread; the worker waits for
// the answer, or gives up when the run is shut down.
MsgResult CatalogueRun::Ask(const MessageRequest& request) {
    std::unique_lock lock(m_mutex);
    if (m_bShutdown) return MsgResult::Cancel;
    m_bAnswered = false;
    RunMessage message;
    message.request = request;
    Post(WM_RUN_ASK, std::move(message), lock);
    lock.lock();
    m_cvAnswer.wait(lock, [this] { return m_bAnswered || m_bShutdown; });
    return m_bAnswered ? m_answer : MsgResult::Cancel;
}

// Runs on the searching thread.
void CatalogueRun::SearchFiles(SearchSettings settings) {
    int nFolderError = 0;
    const bool bAnyMatch = ScanFolder(
        settings.strFolder, settings.scan, m_listImages,
        [this](const std::string& path) { Report(WM_SEARCH_PROGRESS, path); }, &m_bShutdownFlag,
        &nFolderError);
    if (bAnyMatch) SortImages(m_listImages, settings.nSortOption, settings.nSortStyle);

    std::unique_lock lock(m_mutex);
    if (m_bShutdown) return;
    RunMessage message;
    message.bNothingFound = !bAnyMatch;
    message.nFolderError = nFolderError;
    Post(WM_SEARCH_DONE, std::move(message), lock);
}

// Runs on the processing thread.
void CatalogueRun::ProcessImages(int nPitch, int nThumbSize, int nThreads, bool bRotateByTag,
                                 std::shared_ptr<const ThumbCache> pCache) {
    // An unchanged file's thumbnail comes from the cache instead of a decode.
    std::atomic<bool> bStored{false};
    // The helpers get the orientation choice as a value in their builder,
    // so a change of the setting meanwhile cannot mix two kinds in one grid.
    ThumbnailBuilder fnBuild = m_fnBuild;
    if (m_bRealBuilder)
        fnBuild = [bRotateByTag](ImageItem& item, int nP, int nT, CodecContext& context) {
            return BuildOrientedThumbnail(item, nP, nT, bRotateByTag, context);
        };
    if (pCache)
        fnBuild = [pCache, &bStored, bRotateByTag](ImageItem& item, int nP, int nT,
                                                   CodecContext& context) {
            return BuildThumbnailCached(*pCache, item, nP, nT, &bStored, bRotateByTag, &context);
        };
    // A stop request does not wait for the decode of a huge image to end.
    const auto build = [&](std::size_t i) {
        BuiltThumb built;
        CopyInputs(*m_listImages[i], built.item);
        CodecContext context(&m_bAbort);
        built.bOk = !m_bAbort.load(std::memory_order_acquire) &&
                    fnBuild(built.item, nPitch, nThumbSize, context);
        built.messages = std::move(context.messages);
        return built;
    };
    // Helpers build ahead; this thread still reports and takes every entry in order.
    const int nHelpers = std::min<int>(nThreads - 1, int(m_listImages.size()) - 1);
    OrderedEngine<BuiltThumb> engine(m_listImages.size(), build, nHelpers,
                                     std::size_t(std::max(nHelpers, 0)) * kAheadPerHelper);
    ImageItem* pNoSelection = nullptr;
    for (std::size_t i = 0; i < m_listImages.size(); ++i) {
        if (m_bShutdownFlag.load(std::memory_order_acquire)) return;
        if (m_bAbort.load(std::memory_order_acquire)) {
            engine.Stop();
            FreeImageList(m_listImages, pNoSelection);
            break;
        }
        ImageItem& item = *m_listImages[i];
        if (!Report(WM_PROCESS_PROGRESS, item.m_strPath)) return;
        BuiltThumb built = engine.TakeNext();
        // The boxes the entry met, in turn, as one thread would have met them.
        for (const MessageRequest& request : built.messages) Ask(request);
        MoveResult(built.item, item);
        if (!built.bOk) {
            // Nothing built ahead of a failure outlives it.
            engine.Stop();
            // A stopped decode needs no explanation; a bitmap file gets no
            // box from the codec, so the user would not know why the grid
            // is empty.
            if (item.m_nKind == IMAGE_BMP && !m_bAbort.load(std::memory_order_acquire))
                Ask({QString::fromLatin1(kUnreadableImageText).arg(ToDisplay(item.m_strPath)),
                     QString::fromLatin1(kAppCaption)});
            // A half-built catalogue would show gaps; the run ends with none.
            FreeImageList(m_listImages, pNoSelection);
            break;
        }
        // The run's memory must not grow with the folder.
        if (m_pResidency) m_pResidency->ReleaseAfterBuild(i, item);
    }
    engine.Stop();
    // Only a run that added records can have made the cache too big.
    if (pCache && bStored.load()) pCache->Trim(m_nCacheMaxBytes);
    std::unique_lock lock(m_mutex);
    if (m_bShutdown) return;
    Post(WM_PROCESS_DONE, RunMessage{}, lock);
}

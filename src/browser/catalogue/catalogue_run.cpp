// SPDX-License-Identifier: MIT
// The searching thread, the helpers that make thumbnails, and what the
// user-interface thread does with what they have to say.
#include "browser/catalogue/catalogue_run.h"

#include <QCoreApplication>
#include <QObject>
#include <exception>
#include <system_error>
#include <vector>

#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "codec/display_bitmap.h"
#include "engine/ordered_engine.h"
#include "platform/handed_event.h"
#include "platform/paths.h"

namespace {

// A posted message: what the listener is to hear, made on the worker and
// run (or dropped) on the user-interface thread. Everything it carries is its
// own.
using CRunEvent = HandedEvent<std::function<void(IRunListener&)>>;

// What a helper reads of an entry, copied before the helpers start.
struct ThumbInput {
    std::int32_t nKind = IMAGE_UNKNOWN;
    std::string strPath;
    std::uint64_t nFileSize = 0;
};

// How far helpers build ahead of the entry being put in place.
constexpr std::size_t kAheadPerHelper = 4;

bool BuildPlain(ImageItem& item, int nPitch, int nThumbSize, CodecContext& context) {
    return BuildOrientedThumbnail(item, nPitch, nThumbSize, false, context);
}

}  // namespace

// One entry's thumbnail as a helper made it, on an entry of its own.
struct CatalogueRun::Built {
    ImageItem item;
    bool bOk = false;
    bool bStored = false;  // a record was added to the cache
    std::vector<MessageRequest> messages;
};

CatalogueRun::CatalogueRun(QObject* pReceiver, ImageList& listImages)
    : m_pReceiver(pReceiver), m_listImages(listImages), m_fnBuild(BuildPlain) {}

CatalogueRun::~CatalogueRun() { Shutdown(); }

void CatalogueRun::Post(QEvent::Type type, std::function<void(IRunListener&)> fnDeliver) const {
    QCoreApplication::postEvent(m_pReceiver, new CRunEvent(type, std::move(fnDeliver)));
}

bool CatalogueRun::Dispatch(const QEvent& e, IRunListener& listener) {
    const auto* pfnDeliver = CRunEvent::Take(e);
    if (!pfnDeliver) return false;
    (*pfnDeliver)(listener);
    return true;
}

void CatalogueRun::UpdateStop() {
    // A search goes on to its end unless the run shuts down: the stop request
    // and the window are looked at from the first entry processed on.
    m_bStop.store(m_bShutdown ||
                  (m_bProcessing && (m_bStopRequested || !m_bWindowVisible || m_bFailed)));
    // Helpers whose results are all taken wait for nothing; the user-interface
    // thread looks at the stop at its next result or at this wake.
    if (m_bStop.load() && m_pEngine)
        Post(WM_PROCESS_PROGRESS, [this](IRunListener& listener) {
            if (m_bAsMade)
                TakeResultsAsMade(listener);
            else
                TakeResults(listener);
        });
}

void CatalogueRun::Prefer(std::vector<std::size_t> vecFirst) {
    if (m_pEngine && m_bAsMade) m_pEngine->Prefer(std::move(vecFirst));
}

void CatalogueRun::RequestStop() {
    m_bStopRequested = true;
    UpdateStop();
}

void CatalogueRun::SetWindowVisible(bool bVisible) {
    m_bWindowVisible = bVisible;
    UpdateStop();
}

void CatalogueRun::JoinFinished() {
    if (m_threadSearch.joinable()) m_threadSearch.join();
}

void CatalogueRun::Shutdown() {
    m_bShutdown = true;
    m_bStop.store(true);
    JoinFinished();
    m_pEngine.reset();
}

void CatalogueRun::StartSearch(const SearchSettings& settings) {
    JoinFinished();
    m_bProcessing = false;
    UpdateStop();
    auto fnBody = [this, settings] { SearchFiles(settings); };
    m_threadSearch = m_fnStartThread ? m_fnStartThread(fnBody) : std::thread(fnBody);
}

// Runs on the searching thread, which fills a catalogue of its own.
void CatalogueRun::SearchFiles(SearchSettings settings) {
    auto pFound = std::make_shared<ImageList>();
    int nFolderError = 0;
    const bool bAnyMatch = ScanFolder(
        settings.strFolder, settings.scan, *pFound,
        [this](const std::string& path) {
            Post(WM_SEARCH_PROGRESS,
                 [path](IRunListener& listener) { listener.OnSearchProgress(path); });
        },
        &m_bStop, &nFolderError);
    if (bAnyMatch) SortImages(*pFound, settings.nSortOption, settings.nSortStyle);
    // A search cut short by the run's end found nothing to tell about.
    const bool bNothingFound = !bAnyMatch && !m_bStop.load();
    Post(WM_SEARCH_DONE, [this, pFound, bNothingFound, nFolderError](IRunListener& listener) {
        m_listImages = std::move(*pFound);
        listener.OnSearchDone(bNothingFound, nFolderError);
    });
}

void CatalogueRun::StartProcessing(int nPitch, int nThumbSize, double dPixelRatio) {
    JoinFinished();
    m_nApplied = 0;
    m_nMade = 0;
    m_bAsMade = m_bShowWhileMaking;
    m_mapWaiting.clear();
    m_vecArrived.assign(m_bAsMade ? m_listImages.size() : 0, false);
    // A cell shows a frame until its new thumbnail comes, never an old one
    // of another size; nothing is remade from the last run's settings.
    if (m_bAsMade)
        for (const auto& pItem : m_listImages) {
            pItem->m_pBits.reset();
            pItem->m_bBitsReleased = false;
        }
    m_bProcessing = true;
    m_bFailed = false;
    UpdateStop();
    // Stopped already: it ends before its first entry.
    if (m_listImages.empty() || m_bStop.load()) {
        ImageItem* pNoSelection = nullptr;
        FreeImageList(m_listImages, pNoSelection);
        Post(WM_PROCESS_DONE, [](IRunListener& listener) { listener.OnProcessDone(); });
        return;
    }
    // The helpers read these copies, never the catalogue.
    auto pInputs = std::make_shared<std::vector<ThumbInput>>();
    pInputs->reserve(m_listImages.size());
    for (const auto& pItem : m_listImages)
        pInputs->push_back({pItem->m_nKind, pItem->m_strPath, pItem->m_nFileSize});
    m_bStored = false;
    // The orientation choice is a value in the builder, so a change of the
    // setting meanwhile cannot mix two kinds in one grid.
    ThumbnailBuilder fnBuild = m_fnBuild;
    // An unchanged file's thumbnail comes from the cache instead of a decode.
    std::shared_ptr<const ThumbCache> pCache = m_bRealBuilder ? m_pCache : nullptr;
    if (m_bRealBuilder) {
        fnBuild = [bRotate = m_bRotateByTag, dPixelRatio](ImageItem& item, int nP, int nT,
                                                          CodecContext& context) {
            return BuildOrientedThumbnail(item, nP, nT, bRotate, context, dPixelRatio);
        };
    }
    const std::atomic<bool>* pStop = &m_bStop;
    auto fnJob = [pInputs, fnBuild, pCache, bRotate = m_bRotateByTag, nPitch, nThumbSize,
                  dPixelRatio, pStop](std::size_t i) {
        Built built;
        const ThumbInput& input = (*pInputs)[i];
        built.item.m_nKind = input.nKind;
        built.item.m_strPath = input.strPath;
        built.item.m_nFileSize = input.nFileSize;
        built.item.m_dwSize = static_cast<std::uint32_t>(input.nFileSize);
        // A stop request ends the decode in progress.
        CodecContext context(pStop);
        if (context.Stopped()) return built;
        if (pCache) {
            std::atomic<bool> bStored{false};
            built.bOk = BuildThumbnailCached(*pCache, built.item, nPitch, nThumbSize, &bStored,
                                             bRotate, &context, dPixelRatio);
            built.bStored = bStored.load();
        } else {
            built.bOk = fnBuild(built.item, nPitch, nThumbSize, context);
        }
        built.messages = std::move(context.messages);
        return built;
    };
    // Told before the helpers start, so it comes before any result.
    Post(WM_PROCESS_PROGRESS, [path = m_listImages.front()->m_strPath](IRunListener& listener) {
        listener.OnProcessProgress(path);
    });
    const int nHelpers = std::min<int>(m_nThumbnailThreads, int(m_listImages.size()));
    // The reason the first helper could not start, for the user.
    std::exception_ptr pNoThread;
    const auto fnStart = [this, &pNoThread](std::function<void()> fnBody) {
        try {
            return m_fnStartThread ? m_fnStartThread(std::move(fnBody))
                                   : std::thread(std::move(fnBody));
        } catch (const std::system_error&) {
            if (!pNoThread) pNoThread = std::current_exception();
            throw;
        }
    };
    m_pEngine = std::make_unique<OrderedEngine<Built>>(
        m_listImages.size(), std::move(fnJob), nHelpers, std::size_t(nHelpers) * kAheadPerHelper,
        [this] {
            Post(WM_PROCESS_PROGRESS, [this](IRunListener& listener) {
                if (m_bAsMade)
                    TakeResultsAsMade(listener);
                else
                    TakeResults(listener);
            });
        },
        fnStart, m_bAsMade);
    if (m_pEngine->HelperCount() == 0) {
        m_pEngine.reset();
        std::rethrow_exception(pNoThread);
    }
}

void CatalogueRun::TakeResults(IRunListener& listener) {
    // While a box of an earlier entry is open, its own loop goes on after it.
    if (!m_pEngine || m_bTaking) return;
    m_bTaking = true;
    while (m_pEngine && !StoppedBeforeNext(listener)) {
        const std::unique_ptr<Built> pBuilt = m_pEngine->TryTakeNext();
        if (!pBuilt) break;
        const std::size_t i = m_nApplied++;
        // The boxes the entry met, in turn, as one thread would have met them.
        for (const MessageRequest& request : pBuilt->messages) {
            ShowMessage(request);
            if (!m_pEngine) break;  // shut down meanwhile
        }
        if (!m_pEngine) break;
        ImageItem& item = *m_listImages[i];
        MoveThumbnail(pBuilt->item, item);
        m_bStored |= pBuilt->bStored;
        if (!pBuilt->bOk) {
            FailAt(item);
            continue;
        }
        // The run's memory must not grow with the folder.
        if (m_pResidency) m_pResidency->ReleaseAfterBuild(i, item);
        if (m_nApplied == m_listImages.size()) {
            EndProcessing(listener, false);
            break;
        }
        listener.OnProcessProgress(m_listImages[m_nApplied]->m_strPath);
    }
    m_bTaking = false;
}

bool CatalogueRun::StoppedBeforeNext(IRunListener& listener) {
    // Processing stops before its next entry, once the helpers' jobs in
    // progress have returned; the last one to return says so.
    if (!m_bStop.load()) return false;
    m_pEngine->Cancel();
    if (!m_pEngine->Busy()) EndProcessing(listener, true);
    return true;
}

void CatalogueRun::FailAt(const ImageItem& item) {
    // A stopped decode needs no explanation; a bitmap file gets no box from
    // the codec, so the user would not know why the grid is empty.
    if (item.m_nKind == IMAGE_BMP && !m_bStop.load())
        ShowMessage(QString::fromLatin1(kUnreadableImageText).arg(ToDisplay(item.m_strPath)));
    // A half-built catalogue would show gaps; the run ends with none, and
    // what was built ahead is not used.
    m_bFailed = true;
    UpdateStop();
}

void CatalogueRun::TakeResultsAsMade(IRunListener& listener) {
    if (!m_pEngine || m_bTaking) return;
    m_bTaking = true;
    while (m_pEngine && !StoppedBeforeNext(listener)) {
        std::size_t i = 0;
        std::unique_ptr<Built> pBuilt = m_pEngine->TryTakeAny(i);
        if (!pBuilt) break;
        m_vecArrived[i] = true;
        if (pBuilt->bOk) {
            // On the screen at once, even while an earlier entry is still
            // being made; its boxes wait for that entry's.
            ImageItem& item = *m_listImages[i];
            MoveThumbnail(pBuilt->item, item);
            m_bStored |= pBuilt->bStored;
            if (m_pResidency) m_pResidency->ReleaseAfterBuild(i, item);
            listener.OnThumbnailMade(i, ++m_nMade);
        }
        if (!pBuilt->bOk || !pBuilt->messages.empty()) m_mapWaiting[i] = std::move(pBuilt);
        if (!ShowBoxesInOrder()) break;
        if (m_nApplied == m_listImages.size() && !m_bStop.load()) {
            EndProcessing(listener, false);
            break;
        }
    }
    m_bTaking = false;
}

bool CatalogueRun::ShowBoxesInOrder() {
    while (m_nApplied < m_vecArrived.size() && m_vecArrived[m_nApplied] && !m_bFailed) {
        const std::size_t i = m_nApplied++;
        const auto it = m_mapWaiting.find(i);
        if (it == m_mapWaiting.end()) continue;
        const std::unique_ptr<Built> pBuilt = std::move(it->second);
        m_mapWaiting.erase(it);
        for (const MessageRequest& request : pBuilt->messages) {
            ShowMessage(request);
            if (!m_pEngine) return false;  // shut down meanwhile
        }
        if (!pBuilt->bOk) FailAt(*m_listImages[i]);
    }
    return m_pEngine != nullptr;
}

void CatalogueRun::EndProcessing(IRunListener& listener, bool bEmpty) {
    // No job is in progress: the helpers end at once.
    m_pEngine.reset();
    m_mapWaiting.clear();
    if (bEmpty) {
        ImageItem* pNoSelection = nullptr;
        FreeImageList(m_listImages, pNoSelection);
    }
    // Only a run that added records can have made the cache too big.
    if (m_pCache && m_bStored) m_pCache->Trim(m_nCacheMaxBytes);
    m_bStored = false;
    listener.OnProcessDone();
}

// SPDX-License-Identifier: MIT
#include "browser/catalogue/folder_watch.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <utility>

#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "codec/display_bitmap.h"
#include "engine/ordered_engine.h"

namespace {

// A helper's word that a thumbnail is ready. Qt's queue hands it over under
// a lock a thread checker cannot see; the flag makes the hand-over explicit.
constexpr QEvent::Type WM_WATCH_BUILT = static_cast<QEvent::Type>(0x8018);

class CWatchEvent : public QEvent {
public:
    explicit CWatchEvent(std::uint64_t nGeneration)
        : QEvent(WM_WATCH_BUILT), m_nGeneration(nGeneration) {
        m_bPosted.store(true, std::memory_order_release);
    }
    ~CWatchEvent() override { m_bPosted.load(std::memory_order_acquire); }
    std::uint64_t Generation() const {
        return m_bPosted.load(std::memory_order_acquire) ? m_nGeneration : 0;
    }

private:
    std::uint64_t m_nGeneration;
    std::atomic<bool> m_bPosted{false};
};

// What the kernel is asked to tell. Creating or writing a file says nothing
// yet: only its close, or a rename into the folder, makes it complete.
constexpr std::uint32_t kWatchMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                     IN_CREATE | IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ONLYDIR;
// The events that make a name worth comparing with its entry.
constexpr std::uint32_t kSettled =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;
// The events after which a name is no longer being written.
constexpr std::uint32_t kWriteEnded = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    return path + name;
}

// The record a scan would make of the name now; none when it would skip it.
std::optional<FindRecord> LookAt(const std::string& folder, const std::string& name,
                                 const ScanOptions& scan) {
    if (name.empty() || name[0] == '.' || !MatchesScanPattern(name, scan))
        return std::nullopt;
    if (scan.m_bTNSearch && IsThumbnailName(name, scan.m_strPostPend, scan.m_strPrePend))
        return std::nullopt;
    struct stat st {};
    if (::stat(JoinPath(folder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FindRecord record;
    record.m_strName = name;
    record.m_nSize = static_cast<std::uint64_t>(st.st_size);
    record.m_tModified = st.st_mtim.tv_sec;
    record.m_nModifiedNsec = st.st_mtim.tv_nsec;
    return record;
}

}  // namespace

// One photo to make a thumbnail of, as it was when the change was seen.
struct FolderWatch::Job {
    FindRecord record;
    int nPitch = 0;
    int nThumbSize = 0;
};

struct FolderWatch::Built {
    ImageItem item;
    bool bOk = false;
};

FolderWatch::FolderWatch(ImageList& list, IWatchListener& listener)
    : m_listImages(list), m_listener(listener) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &FolderWatch::Flush);
}

FolderWatch::~FolderWatch() { Stop(); }

bool FolderWatch::Start(const std::string& folder, const ScanOptions& scan, bool bCompareAll) {
    Stop();
    m_strFolder = folder;
    m_scan = scan;
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) return false;
    m_nWatch = ::inotify_add_watch(m_fd, folder.c_str(), kWatchMask);
    if (m_nWatch < 0) {
        // The search that follows says why the folder cannot be read.
        CloseWatch();
        return false;
    }
    m_pNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &FolderWatch::ReadEvents);
    if (bCompareAll) {
        m_bCompareAll = true;
        Schedule();
    }
    return true;
}

void FolderWatch::CloseWatch() {
    m_pNotifier.reset();
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_nWatch = -1;
}

void FolderWatch::Stop() {
    CloseWatch();
    m_timer.stop();
    m_bStop.store(true);
    m_pEngine.reset();
    m_bStop.store(false);
    // Events of the batch just dropped are told apart by their generation.
    ++m_nGeneration;
    m_vecJobs.clear();
    m_nTaken = 0;
    m_setPending.clear();
    m_setWriting.clear();
    m_bCompareAll = false;
    m_bCheckFolder = false;
    m_bRewatch = false;
    m_bOverflowed = false;
}

void FolderWatch::ReadEvents() {
    alignas(inotify_event) char buf[16384];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n <= 0) break;
        for (const char* p = buf; p < buf + n;) {
            const auto* pEvent = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + pEvent->len;
            if (pEvent->mask & IN_Q_OVERFLOW) {
                // Closes were lost with the rest: which files are still being
                // written is judged by their age until the folder settles.
                m_bCompareAll = true;
                m_bOverflowed = true;
                m_setWriting.clear();
            } else if (pEvent->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
                m_bCheckFolder = true;
                m_bRewatch = true;
            } else if (pEvent->len == 0) {
                // The folder's own permissions may have changed.
                m_bCheckFolder = m_bCheckFolder || (pEvent->mask & IN_ATTRIB);
            } else {
                Note(pEvent->name, pEvent->mask);
            }
        }
    }
    if (m_bCompareAll || m_bCheckFolder || !m_setPending.empty()) Schedule();
}

void FolderWatch::Note(const std::string& name, std::uint32_t nMask) {
    if (!MatchesScanPattern(name, m_scan)) return;
    if (nMask & IN_MODIFY) m_setWriting.insert(name);
    if (nMask & kWriteEnded) m_setWriting.erase(name);
    bool bSettled = (nMask & kSettled) != 0;
    if (nMask & IN_CREATE) {
        // A link is complete when it is made; a new file is not before its close.
        struct stat st {};
        bSettled = ::lstat(JoinPath(m_strFolder, name).c_str(), &st) == 0 &&
                   (S_ISLNK(st.st_mode) || st.st_nlink > 1);
    }
    if (!bSettled || m_bCompareAll) return;
    m_setPending.insert(name);
    if (m_setPending.size() > kMaxNames) {
        m_setPending.clear();
        m_bCompareAll = true;
    }
}

void FolderWatch::Schedule() {
    if (!m_sinceFirst.isValid()) m_sinceFirst.start();
    // A steady stream of changes still shows up: the wait is bounded.
    if (m_timer.isActive() && m_sinceFirst.elapsed() >= kMaxWaitMs) return;
    m_timer.start(kQuietMs);
}

int FolderWatch::CheckFolder() {
    const int fd = ::open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    ::close(fd);
    if (m_bRewatch) {
        // Another folder now has the name: it is watched and compared whole.
        m_nWatch = ::inotify_add_watch(m_fd, m_strFolder.c_str(), kWatchMask);
        if (m_nWatch < 0) return errno;
        m_bRewatch = false;
        m_bCompareAll = true;
    }
    return 0;
}

void FolderWatch::Flush() {
    if (m_fd < 0) return;
    // A run owns the catalogue, or a batch is still being made: later.
    if (!m_listener.CanChangeCatalogue() || m_pEngine) return;
    m_sinceFirst.invalidate();
    if (m_bCheckFolder) {
        m_bCheckFolder = false;
        if (const int nError = CheckFolder(); nError != 0) {
            // Told once: the watch ends here, and a new scan starts another.
            Stop();
            m_listener.OnFolderUnreadable(nError);
            return;
        }
    }

    std::unordered_map<std::string, ImageItem*> entries;
    entries.reserve(m_listImages.size());
    for (const auto& pItem : m_listImages) entries.emplace(pItem->m_strPath, pItem.get());

    // The names to compare, with what the folder holds for each now.
    std::vector<std::pair<std::string, std::optional<FindRecord>>> seen;
    if (m_bCompareAll) {
        std::unordered_set<std::string> setFound;
        for (const char* ext : ScanPatterns(m_scan))
            EnumerateMatches(m_strFolder, ext, [&](const FindRecord& record) {
                const std::string& name = record.m_strName;
                if (name[0] == '.' ||
                    (m_scan.m_bTNSearch &&
                     IsThumbnailName(name, m_scan.m_strPostPend, m_scan.m_strPrePend)))
                    return;
                setFound.insert(JoinPath(m_strFolder, name));
                seen.emplace_back(name, record);
            });
        for (const auto& pItem : m_listImages)
            if (!setFound.contains(pItem->m_strPath))
                seen.emplace_back(pItem->m_strPath.substr(pItem->m_strPath.rfind('/') + 1),
                                  std::nullopt);
    } else {
        for (const std::string& name : m_setPending)
            seen.emplace_back(name, LookAt(m_strFolder, name, m_scan));
    }
    m_setPending.clear();
    m_bCompareAll = false;

    const WatchBuild build = m_listener.CurrentBuild();
    std::vector<Job> vecJobs;
    std::vector<std::string> vecYoung;
    const bool bJudgeByAge = std::exchange(m_bOverflowed, false);
    const std::int64_t nNow = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
    bool bRemoved = false;
    for (auto& [name, record] : seen) {
        // Still being written: its close brings it back here.
        if (m_setWriting.contains(name)) continue;
        if (bJudgeByAge && record &&
            nNow - (std::int64_t(record->m_tModified) * 1000000000 + record->m_nModifiedNsec) <
                std::int64_t(kSteadyMs) * 1000000) {
            vecYoung.push_back(name);
            continue;
        }
        const auto it = entries.find(JoinPath(m_strFolder, name));
        ImageItem* pItem = it == entries.end() ? nullptr : it->second;
        if (!record) {
            if (pItem) {
                RemoveEntry(pItem);
                entries.erase(it);
                bRemoved = true;
            }
            continue;
        }
        if (pItem && pItem->m_nFileSize == record->m_nSize &&
            pItem->m_ftModified == UtcFileTicks(record->m_tModified, record->m_nModifiedNsec))
            continue;  // unchanged, or a change Galerio made itself
        vecJobs.push_back({std::move(*record), build.nPitch, build.nThumbSize});
    }
    if (!vecYoung.empty()) {
        // Looked at again once it has stayed unchanged for a while.
        m_bOverflowed = true;
        m_setPending.insert(vecYoung.begin(), vecYoung.end());
        Schedule();
    }
    if (bRemoved) m_listener.OnWatchedChange();
    if (!vecJobs.empty()) StartBuilds(std::move(vecJobs));
}

void FolderWatch::RemoveEntry(ImageItem* pItem) {
    m_listener.OnEntryLeaving(pItem);
    std::erase_if(m_listImages, [pItem](const auto& p) { return p.get() == pItem; });
}

void FolderWatch::StartBuilds(std::vector<Job> vecJobs) {
    const WatchBuild build = m_listener.CurrentBuild();
    // The helper reads these copies, never the catalogue.
    auto pInputs = std::make_shared<std::vector<ImageItem>>(vecJobs.size());
    for (std::size_t i = 0; i < vecJobs.size(); ++i) {
        ImageItem& input = (*pInputs)[i];
        input.m_strPath = JoinPath(m_strFolder, vecJobs[i].record.m_strName);
        input.m_nKind = KindFromPath(input.m_strPath);
        input.m_nFileSize = vecJobs[i].record.m_nSize;
        input.m_dwSize = static_cast<std::uint32_t>(input.m_nFileSize);
    }
    const std::atomic<bool>* pStop = &m_bStop;
    // Runs on the helper thread. The boxes a photo met are not shown: the
    // user did not ask for it, and it simply stays out of the grid.
    auto fnJob = [pInputs, build, pStop](std::size_t i) {
        Built built;
        const ImageItem& input = (*pInputs)[i];
        built.item.m_nKind = input.m_nKind;
        built.item.m_strPath = input.m_strPath;
        built.item.m_nFileSize = input.m_nFileSize;
        built.item.m_dwSize = input.m_dwSize;
        CodecContext context(pStop);
        if (build.pCache)
            built.bOk =
                BuildThumbnailCached(*build.pCache, built.item, build.nPitch, build.nThumbSize,
                                     nullptr, build.bRotateByTag, &context, build.dPixelRatio);
        else
            built.bOk = BuildOrientedThumbnail(built.item, build.nPitch, build.nThumbSize,
                                               build.bRotateByTag, context, build.dPixelRatio);
        return built;
    };
    m_vecJobs = std::move(vecJobs);
    m_nTaken = 0;
    const std::uint64_t nGeneration = m_nGeneration;
    m_pEngine = std::make_unique<OrderedEngine<Built>>(
        m_vecJobs.size(), std::move(fnJob), 1, 8,
        // Runs on the helper thread.
        [this, nGeneration] { QCoreApplication::postEvent(this, new CWatchEvent(nGeneration)); });
    if (m_pEngine->HelperCount() == 0) {
        // No thread: the names are compared again at the next change.
        m_pEngine.reset();
        m_vecJobs.clear();
    }
}

void FolderWatch::customEvent(QEvent* e) {
    const auto* pEvent = dynamic_cast<const CWatchEvent*>(e);
    if (pEvent && pEvent->Generation() == m_nGeneration) TakeBuilt();
}

void FolderWatch::TakeBuilt() {
    if (!m_pEngine || !m_listener.CanChangeCatalogue()) return;
    const WatchBuild build = m_listener.CurrentBuild();
    bool bChanged = false;
    while (const std::unique_ptr<Built> pBuilt = m_pEngine->TryTakeNext())
        bChanged |= Apply(m_vecJobs[m_nTaken++], *pBuilt, build);
    if (m_nTaken == m_vecJobs.size()) {
        m_pEngine.reset();
        m_vecJobs.clear();
        ++m_nGeneration;
        if (m_bCompareAll || m_bCheckFolder || !m_setPending.empty()) Schedule();
    }
    if (bChanged) m_listener.OnWatchedChange();
}

bool FolderWatch::Apply(const Job& job, Built& built, const WatchBuild& build) {
    const std::string& name = job.record.m_strName;
    if (job.nPitch != build.nPitch || job.nThumbSize != build.nThumbSize) {
        // Made for another cell size: made again at the next comparison.
        m_setPending.insert(name);
        return false;
    }
    const std::string path = JoinPath(m_strFolder, name);
    const auto it = std::find_if(m_listImages.begin(), m_listImages.end(),
                                 [&path](const auto& p) { return p->m_strPath == path; });
    ImageItem* pItem = it == m_listImages.end() ? nullptr : it->get();
    if (!built.bOk) {
        // A photo that cannot be read now stays out of the grid.
        if (pItem) RemoveEntry(pItem);
        return pItem != nullptr;
    }
    ImageList fresh;
    AddImageItem(fresh, m_strFolder, job.record, ScanOptions{}, {});
    SplitImagePath(*fresh.front());
    MoveThumbnail(built.item, *fresh.front());
    fresh.front()->m_bBitsReleased = false;
    std::unique_ptr<ImageItem> pEntry = std::move(fresh.front());
    std::size_t nOld = m_listImages.size();
    if (pItem) {
        // The entry keeps its address, so the selection and windows on it stay.
        nOld = static_cast<std::size_t>(it - m_listImages.begin());
        *pItem = std::move(*pEntry);
        pEntry = std::move(*it);
        m_listImages.erase(it);
    }
    // Unsorted, a replaced photo keeps its place and a new one comes last.
    std::size_t nPlace = SortedPlace(m_listImages, *pEntry, build.nSortOption, build.nSortStyle);
    if (nPlace == m_listImages.size() && build.nSortOption != kSortByName &&
        build.nSortOption != kSortBySize && build.nSortOption != kSortByDate)
        nPlace = nOld;
    m_listImages.insert(m_listImages.begin() + static_cast<std::ptrdiff_t>(nPlace),
                        std::move(pEntry));
    return true;
}

void FolderWatch::Resume(bool bForget) {
    if (bForget) {
        m_bStop.store(true);
        m_pEngine.reset();
        m_bStop.store(false);
        ++m_nGeneration;
        m_vecJobs.clear();
        m_setPending.clear();
        m_bCompareAll = false;
    }
    if (m_pEngine)
        TakeBuilt();
    else if (m_bCompareAll || m_bCheckFolder || !m_setPending.empty())
        Schedule();
}

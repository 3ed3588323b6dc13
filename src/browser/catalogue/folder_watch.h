// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/thumb_cache.h"

class QSocketNotifier;
template <class Result>
class OrderedEngine;

// How a thumbnail of a changed photo is made and where it goes, as the grid
// stands when the change is applied.
struct WatchBuild {
    int nPitch = 103;
    int nThumbSize = 100;
    bool bRotateByTag = false;
    double dPixelRatio = 1.0;  // device pixels to a pixel of the grid
    std::shared_ptr<const ThumbCache> pCache;
    int nSortOption = 0;
    int nSortStyle = 0;
};

// What the watch asks of the catalogue's owner. Every call comes on the
// user-interface thread.
class IWatchListener {
public:
    virtual ~IWatchListener() = default;
    // False while a run fills or walks the catalogue: changes wait for its end.
    virtual bool CanChangeCatalogue() const = 0;
    virtual WatchBuild CurrentBuild() const = 0;
    // Before an entry leaves the catalogue.
    virtual void OnEntryLeaving(ImageItem* pItem) = 0;
    // Entries were added, replaced or removed.
    virtual void OnWatchedChange() = 0;
    // The folder cannot be read any more (errno); the watch has stopped.
    virtual void OnFolderUnreadable(int nError) = 0;
};

// Keeps a catalogue in step with its folder while other programs add,
// replace, rename or remove photos, without scanning it again. The kernel
// tells which names changed (inotify); they are collected until the folder
// has been quiet for a moment, then each is compared with its entry. A file
// still open for writing is not looked at before it is closed. New and
// replaced photos get their thumbnails on a helper thread and go where the
// sort puts them; the other entries, and the selection, stay as they are.
// Runs on the user-interface thread, which alone changes the catalogue.
class FolderWatch : public QObject {
public:
    FolderWatch(ImageList& list, IWatchListener& listener);
    ~FolderWatch() override;

    // Watches folder (forgetting any earlier one) for the names a scan with
    // these options accepts. bCompareAll: the catalogue may already be out of
    // step, so every name is compared once. False when it cannot be watched.
    bool Start(const std::string& folder, const ScanOptions& scan, bool bCompareAll = false);
    void Stop();
    bool IsWatching() const { return m_fd >= 0; }
    const std::string& Folder() const { return m_strFolder; }
    void SetScanOptions(const ScanOptions& scan) { m_scan = scan; }
    // A run that owned the catalogue has ended: what waited is applied now.
    // bForget: the run left the catalogue empty on purpose; what changed
    // before its end is not brought back.
    void Resume(bool bForget);

    // A quiet moment this long ends a burst of changes.
    static constexpr int kQuietMs = 100;
    // Changes wait at most about this long for a quiet moment.
    static constexpr int kMaxWaitMs = 400;
    // More changed names than this are not kept one by one: the whole folder
    // is compared instead, so a burst costs no memory.
    static constexpr std::size_t kMaxNames = 512;
    // When the kernel lost events, a file unchanged this long is taken as
    // complete.
    static constexpr int kSteadyMs = 1000;

protected:
    void customEvent(QEvent* e) override;

private:
    struct Job;
    struct Built;
    void ReadEvents();
    void Note(const std::string& name, std::uint32_t nMask);
    void Schedule();
    void Flush();
    // errno when the folder cannot be read (again), else 0.
    int CheckFolder();
    void StartBuilds(std::vector<Job> vecJobs);
    void TakeBuilt();
    bool Apply(const Job& job, Built& built, const WatchBuild& build);
    void RemoveEntry(ImageItem* pItem);
    void CloseWatch();

    ImageList& m_listImages;
    IWatchListener& m_listener;
    std::string m_strFolder;
    ScanOptions m_scan;

    int m_fd = -1;
    int m_nWatch = -1;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    QTimer m_timer;
    QElapsedTimer m_sinceFirst;

    // Names changed since the last comparison, unless the whole folder is due.
    std::unordered_set<std::string> m_setPending;
    bool m_bCompareAll = false;
    // Names written to and not yet closed.
    std::unordered_set<std::string> m_setWriting;
    bool m_bCheckFolder = false;  // the folder itself changed or went
    bool m_bRewatch = false;      // the kernel dropped the folder's watch
    bool m_bOverflowed = false;   // the kernel's queue overflowed

    // Thumbnails of new and replaced photos being made; one batch at a time.
    std::unique_ptr<OrderedEngine<Built>> m_pEngine;
    std::vector<Job> m_vecJobs;
    std::size_t m_nTaken = 0;
    std::atomic<bool> m_bStop{false};
    std::uint64_t m_nGeneration = 0;
};

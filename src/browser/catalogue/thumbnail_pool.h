// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "model/image_item.h"
#include "platform/message_box.h"

// Builds the thumbnails of the entries ahead of the processing thread on
// extra threads, so that several cores decode while the processing thread
// keeps its order, its reports and its hand-shake. A worker's boxes are not
// shown: they are kept with its result and shown by the processing thread
// when it reaches that entry, so the user sees what a single thread would
// have shown, in the same order. Memory is bounded by the window, not by
// the folder: no worker runs more than the window ahead.
class ThumbnailPool {
public:
    using Builder = std::function<bool(ImageItem& item, int nPitch, int nThumbSize)>;

    // Starts nWorkers threads (0: none) over the list, which must keep its
    // entries until Stop. Decodes end early once bAbort is set.
    ThumbnailPool(const ImageList& list, Builder fnBuild, int nPitch, int nThumbSize, int nWorkers,
                  const std::atomic<bool>& bAbort);
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    // Runs on the processing thread, for i = 0, 1, 2, ... in order. Fills the
    // entry's thumbnail fields: from a worker's result when one has started
    // it (waiting for it to end), else by building it here. Boxes a worker
    // met are shown now, through the calling thread's message handler.
    bool Take(std::size_t i, ImageItem& item);
    // Stops and joins the workers; results not taken are dropped.
    void Stop();

    int WorkerCount() const { return static_cast<int>(m_threads.size()); }

private:
    enum class State { Waiting, Building, Ready };
    struct Slot {
        State state = State::Waiting;
        bool bOk = false;
        ImageItem result;
        std::vector<MessageRequest> messages;
    };

    // Runs on a pool thread.
    void WorkerLoop();
    bool CanClaim() const;
    void BuildAhead(std::unique_lock<std::mutex>& lock);

    const ImageList& m_list;
    Builder m_fnBuild;
    int m_nPitch;
    int m_nThumbSize;
    const std::atomic<bool>& m_bAbort;
    std::size_t m_nWindow;

    std::mutex m_mutex;
    std::condition_variable m_cvWork;   // the window moved on, or stop
    std::condition_variable m_cvReady;  // a result is ready
    std::vector<std::unique_ptr<Slot>> m_slots;  // one per entry, made when claimed
    std::size_t m_nNext = 0;     // the next entry a worker may claim
    std::size_t m_nTaken = 0;    // entries the processing thread has taken
    bool m_bStop = false;
    std::vector<std::thread> m_threads;
};

// The number of threads that build thumbnails, the processing thread
// included, for a stored setting: 0 or less means one per core.
int ThumbnailThreadCount(int nSetting);

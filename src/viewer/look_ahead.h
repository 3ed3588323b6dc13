// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "viewer/view_decode.h"

// Makes image windows' display bitmaps ahead of time on one worker thread
// and holds the few that are wanted next. The owner says which entries it
// wants, most wanted first; everything else is dropped and a decode of it is
// stopped through its own stop token. The worker sees only copies of the
// requests, never the catalogue, and says nothing: the boxes a decode met
// travel with its bitmap and are shown only if the photo is.
class LookAhead {
public:
    // An entry's identity, compared and never read.
    using Key = const ImageItem*;
    using Decoder = std::function<ViewBitmap(const ViewRequest&, CodecContext&)>;
    struct Want {
        Key key = nullptr;
        ViewRequest request;
    };
    struct Result {
        ViewBitmap bitmap;
        std::vector<MessageRequest> messages;
    };

    explicit LookAhead(Decoder fnDecode);
    ~LookAhead();
    LookAhead(const LookAhead&) = delete;
    LookAhead& operator=(const LookAhead&) = delete;

    // The entries to hold or make, most wanted first; the worker goes on.
    void Keep(const std::vector<Want>& vWanted);
    // Stops the decode in progress (it is made again later) and holds the
    // worker until the next Keep.
    void Hold();
    // Holds a bitmap made elsewhere, such as the one a window steps away from.
    void Put(const Want& want, Result result);
    // The finished bitmap of the entry, if it was made for this request.
    std::optional<Result> Take(Key key, const ViewRequest& request);
    // True when no decode runs or is about to.
    bool IsIdle() const;
    // Drops the entry (it left the catalogue); all of them for a null key.
    void Forget(Key key);

private:
    enum class State { Queued, Running, Done };
    struct Slot {
        Want want;
        State state = State::Queued;
        std::uint64_t nJob = 0;
        std::shared_ptr<std::atomic<bool>> pStop = std::make_shared<std::atomic<bool>>(false);
        Result result;
    };

    // Worker thread: runs the first queued slot until told to quit.
    void WorkerLoop();
    // Takes the slots out under the lock and stops their decodes; the caller
    // frees them after unlocking.
    std::vector<Slot> RemoveIf(const std::function<bool(const Slot&)>& fnDrop);

    const Decoder m_fnDecode;
    mutable std::mutex m_mutex;
    std::condition_variable m_cvWork;
    std::vector<Slot> m_vSlots;  // most wanted first
    std::uint64_t m_nNextJob = 1;
    bool m_bQuit = false;
    bool m_bHeld = false;
    // Declared last: started once everything above exists.
    std::thread m_worker;
};

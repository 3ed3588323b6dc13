// SPDX-License-Identifier: MIT
#include "viewer/look_ahead.h"

#include <algorithm>
#include <system_error>

LookAhead::LookAhead(Decoder fnDecode) : m_fnDecode(std::move(fnDecode)) {
    try {
        m_worker = std::thread([this] { WorkerLoop(); });
    } catch (const std::system_error&) {
        // Without a worker every photo is decoded when it is shown.
    }
}

LookAhead::~LookAhead() {
    std::vector<Slot> vDropped;
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
        for (Slot& slot : m_vSlots) slot.pStop->store(true);
        vDropped = std::move(m_vSlots);
    }
    m_cvWork.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

std::vector<LookAhead::Slot> LookAhead::RemoveIf(const std::function<bool(const Slot&)>& fnDrop) {
    std::vector<Slot> vDropped;
    auto it = std::stable_partition(m_vSlots.begin(), m_vSlots.end(),
                                    [&](const Slot& slot) { return !fnDrop(slot); });
    for (auto i = it; i != m_vSlots.end(); ++i) {
        i->pStop->store(true);
        vDropped.push_back(std::move(*i));
    }
    m_vSlots.erase(it, m_vSlots.end());
    return vDropped;
}

void LookAhead::Keep(const std::vector<Want>& vWanted) {
    std::vector<Slot> vDropped;
    {
        std::lock_guard lock(m_mutex);
        m_bHeld = false;
        const auto wanted = [&](const Slot& slot) {
            return std::any_of(vWanted.begin(), vWanted.end(), [&](const Want& want) {
                return want.key == slot.want.key && want.request == slot.want.request;
            });
        };
        vDropped = RemoveIf([&](const Slot& slot) { return !wanted(slot); });
        std::vector<Slot> vOrdered;
        for (const Want& want : vWanted) {
            auto it = std::find_if(m_vSlots.begin(), m_vSlots.end(),
                                   [&](const Slot& slot) { return slot.want.key == want.key; });
            if (it != m_vSlots.end()) {
                vOrdered.push_back(std::move(*it));
                m_vSlots.erase(it);
            } else if (m_worker.joinable()) {
                Slot slot;
                slot.want = want;
                slot.nJob = m_nNextJob++;
                vOrdered.push_back(std::move(slot));
            }
        }
        m_vSlots = std::move(vOrdered);
    }
    m_cvWork.notify_all();
}

void LookAhead::Hold() {
    std::lock_guard lock(m_mutex);
    m_bHeld = true;
    for (Slot& slot : m_vSlots) {
        if (slot.state != State::Running) continue;
        // The worker drops what the stopped job gives: its number is gone.
        slot.pStop->store(true);
        slot.pStop = std::make_shared<std::atomic<bool>>(false);
        slot.state = State::Queued;
        slot.nJob = m_nNextJob++;
    }
}

void LookAhead::Put(const Want& want, Result result) {
    std::vector<Slot> vDropped;
    std::lock_guard lock(m_mutex);
    vDropped = RemoveIf([&](const Slot& slot) { return slot.want.key == want.key; });
    Slot slot;
    slot.want = want;
    slot.state = State::Done;
    slot.result = std::move(result);
    m_vSlots.push_back(std::move(slot));
}

std::optional<LookAhead::Result> LookAhead::Take(Key key, const ViewRequest& request) {
    std::vector<Slot> vTaken;
    {
        std::lock_guard lock(m_mutex);
        vTaken = RemoveIf(
            [&](const Slot& slot) { return slot.want.key == key && slot.state == State::Done; });
    }
    if (vTaken.empty() || !(vTaken.front().want.request == request)) return std::nullopt;
    return std::move(vTaken.front().result);
}

bool LookAhead::IsIdle() const {
    std::lock_guard lock(m_mutex);
    return std::all_of(m_vSlots.begin(), m_vSlots.end(), [this](const Slot& slot) {
        return slot.state == State::Done || (slot.state == State::Queued && m_bHeld);
    });
}

void LookAhead::Forget(Key key) {
    std::vector<Slot> vDropped;
    std::lock_guard lock(m_mutex);
    vDropped = RemoveIf([&](const Slot& slot) { return !key || slot.want.key == key; });
}

void LookAhead::WorkerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        auto it = m_vSlots.end();
        m_cvWork.wait(lock, [&] {
            it = std::find_if(m_vSlots.begin(), m_vSlots.end(),
                              [](const Slot& slot) { return slot.state == State::Queued; });
            return m_bQuit || (!m_bHeld && it != m_vSlots.end());
        });
        if (m_bQuit) return;
        it->state = State::Running;
        const ViewRequest request = it->want.request;
        const std::uint64_t nJob = it->nJob;
        const std::shared_ptr<std::atomic<bool>> pStop = it->pStop;
        lock.unlock();

        Result result;
        {
            CodecContext context(pStop.get());
            result.bitmap = m_fnDecode(request, context);
            result.messages = std::move(context.messages);
        }
        lock.lock();
        it = std::find_if(m_vSlots.begin(), m_vSlots.end(),
                          [&](const Slot& slot) { return slot.nJob == nJob; });
        // A stopped decode gives nothing worth keeping.
        if (it != m_vSlots.end() && !pStop->load()) {
            it->state = State::Done;
            it->result = std::move(result);
        }
        lock.unlock();
        result = Result();
        lock.lock();
    }
}

// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// The number of threads that build, the taking thread included, for a
// stored setting: 0 or less means one per core.
int BuildThreadCount(int nSetting);

// Builds the results of entries 0 .. nCount-1 ahead on helper threads and
// hands them to one taking thread in entry order, so several cores work
// while the taker keeps the order a single thread would have: the same
// results, the same messages in the same order. A job must make its result
// from its entry alone and must not touch what the taker changes; whatever
// it has to say travels inside its result. A taker that waits (TakeNext)
// builds an entry itself when no helper has come that far, and builds ahead
// while it waits, so with no helpers it is simply a loop. A taker that must
// not wait, the user-interface thread, is told through fnReady (called on a
// helper) when the next result is ready, and once cancelled when the last
// job in progress has returned, and takes results with TryTakeNext. Helpers run at most nWindow entries
// ahead of the taker, which bounds the memory held in results. Stopping is
// the jobs' business: they share their run's stop token and return early.
// An engine made with bAnyOrder hands its results over as they are made
// (TryTakeAny), and builds the entries the taker names with Prefer first,
// then the rest in entry order; at most nWindow results are then built or
// waiting at once.
template <class Result>
class OrderedEngine {
public:
    using Job = std::function<Result(std::size_t nIndex)>;
    // Starts a helper thread; tests put in one that fails.
    using ThreadStarter = std::function<std::thread(std::function<void()> fnBody)>;

    // Starts up to nHelpers threads; fewer when the system refuses some.
    OrderedEngine(std::size_t nCount, Job fnJob, int nHelpers, std::size_t nWindow,
                  std::function<void()> fnReady = {}, const ThreadStarter& fnStart = {},
                  bool bAnyOrder = false)
        : m_fnJob(std::move(fnJob)),
          m_fnReady(std::move(fnReady)),
          m_slots(nCount),
          m_nWindow(std::max<std::size_t>(nWindow, 1)),
          m_bAnyOrder(bAnyOrder) {
        const std::size_t nStart = std::min<std::size_t>(std::max(nHelpers, 0), nCount);
        for (std::size_t i = 0; i < nStart; ++i) {
            try {
                auto fnBody = [this] { HelperLoop(); };
                m_threads.push_back(fnStart ? fnStart(fnBody) : std::thread(fnBody));
            } catch (const std::system_error&) {
                break;  // the taker builds what the helpers do not
            }
        }
    }
    ~OrderedEngine() { Stop(); }
    OrderedEngine(const OrderedEngine&) = delete;
    OrderedEngine& operator=(const OrderedEngine&) = delete;

    std::size_t Count() const { return m_slots.size(); }
    int HelperCount() const { return static_cast<int>(m_threads.size()); }

    // The result of the next entry in order (0, 1, 2, ... on each call),
    // waiting for a helper that builds it or building it here.
    Result TakeNext() {
        std::unique_lock lock(m_mutex);
        const std::size_t i = m_nTaken++;
        m_cvWork.notify_all();  // the window moved on
        while (m_slots[i].state != State::Ready) {
            if (m_slots[i].state == State::Waiting || CanClaim())
                BuildNext(lock);  // the entry itself, or one ahead while a helper has it
            else
                m_cvReady.wait(lock);
        }
        const std::unique_ptr<Result> pResult = std::move(m_slots[i].result);
        return std::move(*pResult);
    }

    // The next result in order if it is ready, without waiting or building.
    std::unique_ptr<Result> TryTakeNext() {
        std::lock_guard lock(m_mutex);
        if (m_nTaken >= m_slots.size() || m_slots[m_nTaken].state != State::Ready) return nullptr;
        m_cvWork.notify_all();  // the window moves on
        return std::move(m_slots[m_nTaken++].result);
    }

    // Any result that is ready, with its entry, without waiting or building;
    // null when none is. For an engine made with bAnyOrder.
    std::unique_ptr<Result> TryTakeAny(std::size_t& nIndex) {
        std::lock_guard lock(m_mutex);
        if (m_readyOrder.empty()) return nullptr;
        nIndex = m_readyOrder.front();
        m_readyOrder.pop_front();
        --m_nHeld;
        ++m_nTaken;
        m_cvWork.notify_all();  // room for one more
        return std::move(m_slots[nIndex].result);
    }

    // The entries to build before any other, most wanted first; replaces the
    // last such list. Entries built or being built already are passed over.
    void Prefer(std::vector<std::size_t> vecFirst) {
        std::lock_guard lock(m_mutex);
        m_preferred = std::move(vecFirst);
        m_nPreferred = 0;
    }

    // The helpers take no new entry and end once their jobs return; the job
    // that returns last calls fnReady. Returns at once: a job that does not
    // look at its stop token may still run for a while (see Busy).
    void Cancel() {
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_cvWork.notify_all();
    }

    // A job is in progress.
    bool Busy() {
        std::lock_guard lock(m_mutex);
        return m_nBuilding > 0;
    }

    // Cancels, and joins the helpers once their jobs return; results not
    // taken are dropped.
    void Stop() {
        Cancel();
        for (std::thread& thread : m_threads) thread.join();
        m_threads.clear();
        for (Slot& slot : m_slots) slot.result.reset();
    }

private:
    enum class State { Waiting, Building, Ready };
    struct Slot {
        State state = State::Waiting;
        std::unique_ptr<Result> result;  // small while empty: folders are large
    };

    // With the lock held.
    bool CanClaim() const {
        if (m_bAnyOrder) return !m_bStop && m_nClaimed < m_slots.size() && m_nHeld < m_nWindow;
        return !m_bStop && m_nNext < m_slots.size() && m_nNext < m_nTaken + m_nWindow;
    }

    // With the lock held: the entry to build next, marked as claimed.
    std::size_t Claim() {
        if (!m_bAnyOrder) return m_nNext++;
        std::size_t i = m_slots.size();
        while (m_nPreferred < m_preferred.size() && i == m_slots.size()) {
            const std::size_t j = m_preferred[m_nPreferred++];
            if (j < m_slots.size() && m_slots[j].state == State::Waiting) i = j;
        }
        if (i == m_slots.size()) {
            while (m_slots[m_nNext].state != State::Waiting) ++m_nNext;
            i = m_nNext;
        }
        ++m_nClaimed;
        ++m_nHeld;
        return i;
    }

    // With the lock held; builds the next unclaimed entry, unlocked meanwhile.
    void BuildNext(std::unique_lock<std::mutex>& lock) {
        const std::size_t i = Claim();
        m_slots[i].state = State::Building;
        ++m_nBuilding;
        lock.unlock();
        auto pResult = std::make_unique<Result>(m_fnJob(i));
        lock.lock();
        --m_nBuilding;
        m_slots[i].result = std::move(pResult);
        m_slots[i].state = State::Ready;
        m_cvReady.notify_all();
        // Taken in any order, the results are all collected at one call:
        // the taker hears of the first one waiting only.
        bool bTell = i == m_nTaken;
        if (m_bAnyOrder) {
            m_readyOrder.push_back(i);
            bTell = m_readyOrder.size() == 1;
        }
        if (m_fnReady && (m_bStop ? m_nBuilding == 0 : bTell)) {
            lock.unlock();
            m_fnReady();
            lock.lock();
        }
    }

    void HelperLoop() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_cvWork.wait(lock, [this] { return m_bStop || CanClaim(); });
            if (m_bStop) return;
            BuildNext(lock);
        }
    }

    Job m_fnJob;
    std::function<void()> m_fnReady;
    std::mutex m_mutex;
    std::condition_variable m_cvWork;   // the window moved on, or stop
    std::condition_variable m_cvReady;  // a result is ready
    std::vector<Slot> m_slots;
    std::size_t m_nWindow;
    std::size_t m_nNext = 0;   // the next entry nobody has claimed
    std::size_t m_nTaken = 0;  // entries handed to the taker
    int m_nBuilding = 0;       // jobs in progress
    bool m_bStop = false;
    // Taken in any order: the entries wanted first, the results not taken
    // yet in the order they were made, and how many entries were claimed
    // and are built or waiting.
    const bool m_bAnyOrder;
    std::vector<std::size_t> m_preferred;
    std::size_t m_nPreferred = 0;
    std::deque<std::size_t> m_readyOrder;
    std::size_t m_nClaimed = 0;
    std::size_t m_nHeld = 0;
    std::vector<std::thread> m_threads;
};

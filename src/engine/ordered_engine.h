// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
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
template <class Result>
class OrderedEngine {
public:
    using Job = std::function<Result(std::size_t nIndex)>;
    // Starts a helper thread; tests put in one that fails.
    using ThreadStarter = std::function<std::thread(std::function<void()> fnBody)>;

    // Starts up to nHelpers threads; fewer when the system refuses some.
    OrderedEngine(std::size_t nCount, Job fnJob, int nHelpers, std::size_t nWindow,
                  std::function<void()> fnReady = {}, const ThreadStarter& fnStart = {})
        : m_fnJob(std::move(fnJob)),
          m_fnReady(std::move(fnReady)),
          m_slots(nCount),
          m_nWindow(std::max<std::size_t>(nWindow, 1)) {
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
        return !m_bStop && m_nNext < m_slots.size() && m_nNext < m_nTaken + m_nWindow;
    }

    // With the lock held; builds the next unclaimed entry, unlocked meanwhile.
    void BuildNext(std::unique_lock<std::mutex>& lock) {
        const std::size_t i = m_nNext++;
        m_slots[i].state = State::Building;
        ++m_nBuilding;
        lock.unlock();
        auto pResult = std::make_unique<Result>(m_fnJob(i));
        lock.lock();
        --m_nBuilding;
        m_slots[i].result = std::move(pResult);
        m_slots[i].state = State::Ready;
        m_cvReady.notify_all();
        if (m_fnReady && (m_bStop ? m_nBuilding == 0 : i == m_nTaken)) {
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
    std::vector<std::thread> m_threads;
};

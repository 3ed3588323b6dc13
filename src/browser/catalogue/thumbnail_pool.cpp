// SPDX-License-Identifier: MIT
#include "browser/catalogue/thumbnail_pool.h"

#include <algorithm>
#include <system_error>

#include "codec/decode_abort.h"

namespace {

// A worker builds on a copy that holds what the builder reads, so the
// catalogue entry is written by the processing thread only.
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

}  // namespace

int ThumbnailThreadCount(int nSetting) {
    if (nSetting > 0) return std::min(nSetting, 64);
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

ThumbnailPool::ThumbnailPool(const ImageList& list, Builder fnBuild, int nPitch, int nThumbSize,
                             int nWorkers, const std::atomic<bool>& bAbort)
    : m_list(list),
      m_fnBuild(std::move(fnBuild)),
      m_nPitch(nPitch),
      m_nThumbSize(nThumbSize),
      m_bAbort(bAbort),
      m_nWindow(std::size_t(std::max(nWorkers, 0)) * 4),
      m_slots(list.size()) {
    for (int i = 0; i < nWorkers; ++i) {
        try {
            m_threads.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
            break;  // fewer helpers; the processing thread builds the rest
        }
    }
}

ThumbnailPool::~ThumbnailPool() { Stop(); }

void ThumbnailPool::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_cvWork.notify_all();
    for (std::thread& thread : m_threads)
        if (thread.joinable()) thread.join();
    m_threads.clear();
}

// Runs on a pool thread.
void ThumbnailPool::WorkerLoop() {
    ScopedDecodeAbort abortDecodes(m_bAbort);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cvWork.wait(lock, [this] { return m_bStop || CanClaim(); });
        if (m_bStop) return;
        BuildAhead(lock);
    }
}

// Called with the lock held.
bool ThumbnailPool::CanClaim() const {
    return m_nNext < m_list.size() && m_nNext < m_nTaken + m_nWindow;
}

// Called with the lock held; builds the next unclaimed entry into its slot,
// unlocked meanwhile. Its boxes are kept to be shown when it is taken.
void ThumbnailPool::BuildAhead(std::unique_lock<std::mutex>& lock) {
    const std::size_t i = m_nNext++;
    m_slots[i] = std::make_unique<Slot>();
    Slot& slot = *m_slots[i];
    slot.state = State::Building;
    CopyInputs(*m_list[i], slot.result);
    lock.unlock();
    {
        ScopedThreadMessageHandler keep([&slot](const MessageRequest& request) {
            slot.messages.push_back(request);
            return MsgResult::Ok;
        });
        slot.bOk = !m_bAbort.load(std::memory_order_acquire) &&
                   m_fnBuild(slot.result, m_nPitch, m_nThumbSize);
    }
    lock.lock();
    slot.state = State::Ready;
    m_cvReady.notify_all();
}

bool ThumbnailPool::Take(std::size_t i, ImageItem& item) {
    std::unique_lock lock(m_mutex);
    m_nTaken = i + 1;
    if (i >= m_nNext) {
        // No worker has come this far: build here, as a single thread would.
        m_nNext = i + 1;
        lock.unlock();
        m_cvWork.notify_all();
        return m_fnBuild(item, m_nPitch, m_nThumbSize);
    }
    m_cvWork.notify_all();
    // While a helper builds this entry, this thread builds ahead too, so
    // every core decodes.
    const auto canHelp = [this] { return CanClaim() && !m_bAbort.load(std::memory_order_acquire); };
    while (m_slots[i]->state != State::Ready) {
        if (canHelp())
            BuildAhead(lock);
        else
            m_cvReady.wait(lock, [&] { return m_slots[i]->state == State::Ready || canHelp(); });
    }
    const std::unique_ptr<Slot> pSlot = std::move(m_slots[i]);
    lock.unlock();
    for (const MessageRequest& request : pSlot->messages) ShowMessage(request);
    MoveResult(pSlot->result, item);
    return pSlot->bOk;
}

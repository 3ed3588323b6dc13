// SPDX-License-Identifier: MIT
#include "batch/ordered_thumbs.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "batch/batch_console.h"
#include "codec/decode_abort.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "platform/replace_file.h"
#include "publish/run_options.h"

namespace {

// What an entry held of its thumbnail file before the run; an entry the run
// did not reach gets it back.
struct ThumbFileFields {
    std::string strPath;
    std::string strName;
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;

    explicit ThumbFileFields(const ImageItem& item)
        : strPath(item.m_strThumbFilePath),
          strName(item.m_strThumbFileName),
          nWidth(item.m_nThumbFileWidth),
          nHeight(item.m_nThumbFileHeight) {}
    void RestoreSize(ImageItem& item) const {
        item.m_nThumbFileWidth = nWidth;
        item.m_nThumbFileHeight = nHeight;
    }
    void Restore(ImageItem& item) const {
        item.m_strThumbFilePath = strPath;
        item.m_strThumbFileName = strName;
        RestoreSize(item);
    }
};

// How far the helpers may run ahead of the entry being put in place: each
// finished entry waits as a temporary file beside its target.
std::size_t Window(int nJobs) { return std::size_t(nJobs) * 2; }

// While alive, the boxes of the constructing thread are kept for the
// caller instead of shown, each answered as nobody there would answer it.
class ScopedKeepMessages {
public:
    explicit ScopedKeepMessages(std::vector<MessageRequest>& vMessages)
        : m_handler([&vMessages](const MessageRequest& request) {
              vMessages.push_back(request);
              return SafeAnswer(request.buttons);
          }) {}

private:
    ScopedThreadMessageHandler m_handler;
};

std::size_t MakeInTurn(ImageList& listImages, const ThumbJob& job, int nPitch,
                       const std::atomic<bool>& bInterrupt, const EntryDone& fnDone) {
    ScopedDecodeAbort abort(bInterrupt);
    for (std::size_t i = 0; i < listImages.size(); ++i) {
        if (bInterrupt.load()) return i;
        ImageItem& item = *listImages[i];
        std::vector<MessageRequest> vMessages;
        bool bOk = false;
        {
            ScopedKeepMessages keep(vMessages);
            bOk = MakeEntryThumb(item, job, nPitch);
        }
        fnDone(i, item, bOk, vMessages);
        if (!bOk) return i;
    }
    return listImages.size();
}

class OrderedRun {
public:
    OrderedRun(ImageList& listImages, const ThumbJob& job, int nPitch, int nJobs)
        : m_list(listImages), m_job(job), m_nPitch(nPitch), m_nWindow(Window(nJobs)) {
        m_slots.reserve(listImages.size());
        for (std::size_t i = 0; i < listImages.size(); ++i)
            m_slots.push_back(std::make_unique<Slot>(*listImages[i]));
        try {
            for (int n = 0; n < nJobs; ++n) m_threads.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
            // The helpers that did start do the run; without any, the caller
            // makes it in turn.
            if (m_threads.empty()) throw;
        }
    }

    ~OrderedRun() { Stop(); }

    std::size_t Run(const std::atomic<bool>& bInterrupt, const EntryDone& fnDone) {
        std::size_t nMade = 0;
        for (; nMade < m_list.size(); ++nMade) {
            Slot& slot = *m_slots[nMade];
            if (!WaitFor(nMade, bInterrupt)) break;
            ImageItem& item = *m_list[nMade];
            bool bOk = slot.bOk;
            if (bOk) {
                std::string strFailed;
                bOk = slot.files.Publish(strFailed);
                if (!bOk) {
                    // As when the encoder's own rename fails: the names are
                    // the new ones, the size stays the old.
                    ScopedKeepMessages keep(slot.messages);
                    JpegFile::ShowWriteFailed(strFailed, slot.files.Error());
                    slot.before.RestoreSize(item);
                }
            }
            {
                std::lock_guard lock(m_mutex);
                m_nPublished = nMade + 1;
            }
            m_cvWork.notify_all();
            // The boxes the helper met, in turn, as one thread would have met them.
            fnDone(nMade, item, bOk, slot.messages);
            if (!bOk) break;
        }
        Stop();
        // The entries after the last one made were never reached.
        for (std::size_t i = nMade + 1; i < m_list.size(); ++i) {
            m_slots[i]->files.Discard();
            m_slots[i]->before.Restore(*m_list[i]);
            m_list[i]->m_pBits.reset();
        }
        if (nMade < m_list.size() && bInterrupt.load()) {
            m_slots[nMade]->files.Discard();
            m_slots[nMade]->before.Restore(*m_list[nMade]);
        }
        return nMade;
    }

private:
    enum class State { Waiting, Building, Done };
    struct Slot {
        explicit Slot(const ImageItem& item) : before(item) {}
        State state = State::Waiting;
        bool bOk = false;
        std::vector<MessageRequest> messages;
        CDeferredReplacements files;
        ThumbFileFields before;
    };

    // False when interrupted before the entry was done.
    bool WaitFor(std::size_t i, const std::atomic<bool>& bInterrupt) {
        std::unique_lock lock(m_mutex);
        // The signal handler cannot wake us; a short wait notices it soon.
        while (m_slots[i]->state != State::Done) {
            if (bInterrupt.load()) return false;
            m_cvReady.wait_for(lock, std::chrono::milliseconds(50));
        }
        return !bInterrupt.load();
    }

    // Runs on a helper thread.
    void WorkerLoop() {
        ScopedDecodeAbort abort(m_bAbort);
        for (;;) {
            std::size_t i = 0;
            {
                std::unique_lock lock(m_mutex);
                m_cvWork.wait(lock, [&] {
                    return m_bStop ||
                           (m_nNext < m_slots.size() && m_nNext < m_nPublished + m_nWindow);
                });
                if (m_bStop) return;
                i = m_nNext++;
                m_slots[i]->state = State::Building;
            }
            Slot& slot = *m_slots[i];
            bool bOk = false;
            {
                ScopedKeepMessages keep(slot.messages);
                ScopedDeferredReplace deferred(slot.files);
                bOk = MakeEntryThumb(*m_list[i], m_job, m_nPitch);
            }
            {
                std::lock_guard lock(m_mutex);
                slot.bOk = bOk;
                slot.state = State::Done;
            }
            m_cvReady.notify_all();
        }
    }

    void Stop() {
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_bAbort.store(true);
        m_cvWork.notify_all();
        for (std::thread& thread : m_threads) thread.join();
        m_threads.clear();
    }

    ImageList& m_list;
    const ThumbJob& m_job;
    int m_nPitch;
    std::size_t m_nWindow;
    std::atomic<bool> m_bAbort{false};

    std::mutex m_mutex;
    std::condition_variable m_cvWork;   // an entry was put in place, or stop
    std::condition_variable m_cvReady;  // a helper finished an entry
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::size_t m_nNext = 0;       // the next entry a helper may claim
    std::size_t m_nPublished = 0;  // entries put in place (or failed) in turn
    bool m_bStop = false;
    std::vector<std::thread> m_threads;
};

}  // namespace

bool MakeEntryThumb(ImageItem& item, const ThumbJob& job, int nPitch) {
    // A failure leaves no grid pixels, and MakeOneThumb refuses the entry.
    BuildOrientedThumbnail(item, nPitch, GridThumbSize(nPitch), job.m_bRotateByTag);
    const bool bOk = MakeOneThumb(item, job, nPitch);
    item.m_pBits.reset();
    return bOk;
}

std::size_t MakeThumbFilesOrdered(ImageList& listImages, const ThumbJob& job, int nPitch, int nJobs,
                                  const std::atomic<bool>& bInterrupt, const EntryDone& fnDone) {
    if (nJobs <= 1 || listImages.size() <= 1)
        return MakeInTurn(listImages, job, nPitch, bInterrupt, fnDone);
    std::unique_ptr<OrderedRun> pRun;
    try {
        pRun = std::make_unique<OrderedRun>(listImages, job, nPitch,
                                            std::min<int>(nJobs, int(listImages.size())));
    } catch (const std::system_error&) {
        return MakeInTurn(listImages, job, nPitch, bInterrupt, fnDone);
    }
    return pRun->Run(bInterrupt, fnDone);
}

// SPDX-License-Identifier: MIT
#include "browser/restore_ahead.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QObject>
#include <algorithm>

#include "codec/display_bitmap.h"
#include "engine/ordered_engine.h"
#include "platform/handed_event.h"

namespace {

// Work for later must not take the processor from the paint it prepares.
constexpr int kHelperNice = 10;

}  // namespace

QImage PaintedCopy(const std::uint8_t* pBits, int nWidth, int nHeight) {
    const QImage rows(pBits, nWidth, nHeight, static_cast<qsizetype>(DisplayStride(nWidth)),
                      QImage::Format_BGR888);
    // Display rows are bottom-up; the copy is top-down and in the painter's
    // native format, so painting is a plain copy.
    return rows.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

namespace {

// Posted by a helper, or by the user-interface thread itself.
using CPixelsReadyEvent = HandedEvent<>;

void PostReady(QObject* pReceiver) {
    QCoreApplication::postEvent(pReceiver, new CPixelsReadyEvent(WM_PIXELS_READY));
}

}  // namespace

bool RestoreAhead::IsReadyEvent(const QEvent& e) {
    // The flag first: until it is read, nothing of the event may be.
    return CPixelsReadyEvent::Take(e) && e.type() == WM_PIXELS_READY;
}

struct RestoreAhead::Remade {
    std::unique_ptr<std::uint8_t[]> pBits;
    QImage painted;
};

RestoreAhead::RestoreAhead(QObject* pReceiver) : m_pReceiver(pReceiver) {}

RestoreAhead::~RestoreAhead() { Cancel(); }

void RestoreAhead::Cancel() {
    m_bStop.store(true);
    // A remake checks the token between rows, so the helpers end at once.
    m_pEngine.reset();
    m_vecIndices.clear();
    m_vecEntries.clear();
    m_nTaken = 0;
    m_bStartWanted = false;
}

void RestoreAhead::Request(std::size_t nFirst, std::size_t nLast) {
    if (nFirst != m_nFirst) m_bDownwards = nFirst > m_nFirst;
    m_nFirst = nFirst;
    m_nLast = std::max(nFirst, nLast);
    StartWhenIdle();
}

void RestoreAhead::StartWhenIdle() {
    m_bStartWanted = true;
    if (m_bStartPosted) return;
    // Behind the events already queued: while paints follow each other
    // closely (a thumb dragged fast), none of them waits for helpers.
    m_bStartPosted = true;
    PostReady(m_pReceiver);
}

void RestoreAhead::OnEvent(const ImageList& list, ThumbResidency& residency,
                           const Restored& fnRestored) {
    m_bStartPosted = false;
    TakeReady(list, residency, fnRestored);
    if (!std::exchange(m_bStartWanted, false)) return;
    // Work whose entries are still near the screen is worth finishing; it
    // asks again when it is done.
    if (m_pEngine && m_nTaken < m_vecIndices.size() && m_nFirst >= m_nBandFirst &&
        m_nLast <= m_nBandLast)
        return;
    Start(residency, list);
}

void RestoreAhead::Start(const ThumbResidency& residency, const ImageList& list) {
    Cancel();
    const std::size_t nScreen = std::max<std::size_t>(m_nLast - m_nFirst, 1);
    const std::size_t nBelowLast = std::min(list.size(), m_nLast + nScreen);
    const std::size_t nAboveFirst = m_nFirst > nScreen ? m_nFirst - nScreen : 0;
    const auto fnAdd = [&](std::size_t i) {
        if (!ThumbResidency::IsReleased(*list[i])) return;
        m_vecIndices.push_back(i);
        m_vecEntries.push_back(list[i].get());
    };
    // The screen itself (the paint may have been clipped), then the way the
    // grid moves, nearest first, then the other way.
    for (std::size_t i = m_nFirst; i < std::min(m_nLast, list.size()); ++i) fnAdd(i);
    if (m_bDownwards) {
        for (std::size_t i = m_nLast; i < nBelowLast; ++i) fnAdd(i);
        for (std::size_t i = m_nFirst; i-- > nAboveFirst;) fnAdd(i);
    } else {
        for (std::size_t i = m_nFirst; i-- > nAboveFirst;) fnAdd(i);
        for (std::size_t i = m_nLast; i < nBelowLast; ++i) fnAdd(i);
    }
    // The band this work serves: while the screen stays inside it, a new
    // request lets it finish.
    m_nBandFirst = nAboveFirst;
    m_nBandLast = nBelowLast;
    if (m_vecIndices.empty()) return;

    auto pOrders = std::make_shared<std::vector<ThumbResidency::RemakeOrder>>();
    pOrders->reserve(m_vecIndices.size());
    for (std::size_t i : m_vecIndices) pOrders->push_back(residency.OrderFor(*list[i]));
    m_bStop.store(false);
    const std::atomic<bool>* pStop = &m_bStop;
    QObject* pReceiver = m_pReceiver;
    m_pEngine = std::make_unique<OrderedEngine<Remade>>(
        m_vecIndices.size(),
        [pOrders, pStop](std::size_t i) {
            const ImageItem& entry = (*pOrders)[i].entry;
            Remade remade{ThumbResidency::Remake((*pOrders)[i], pStop), {}};
            if (remade.pBits)
                remade.painted =
                    PaintedCopy(remade.pBits.get(), entry.BitsWidth(), entry.BitsHeight());
            return remade;
        },
        m_nHelpers, m_vecIndices.size(), [pReceiver] { PostReady(pReceiver); },
        [](std::function<void()> fnBody) {
            return std::thread([fnBody = std::move(fnBody)] {
                // Linux keeps a nice value per thread; lowering one's own
                // needs no privilege, and a refusal changes nothing else.
                setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kHelperNice);
                fnBody();
            });
        });
    // No helper could start: the paint remakes what it shows, as without this.
    if (m_pEngine->HelperCount() == 0) Cancel();
}

void RestoreAhead::TakeReady(const ImageList& list, ThumbResidency& residency,
                             const Restored& fnRestored) {
    while (m_pEngine) {
        const std::unique_ptr<Remade> pRemade = m_pEngine->TryTakeNext();
        if (!pRemade) break;
        const std::size_t k = m_nTaken++;
        const std::size_t i = m_vecIndices[k];
        // A failed remake is final, as it is for the paint. The catalogue
        // cannot have changed under the work (that cancels it); the check is
        // cheap insurance.
        if (i < list.size() && list[i].get() == m_vecEntries[k] &&
            residency.Install(*list[i], i, std::move(pRemade->pBits)))
            fnRestored(i, std::move(pRemade->painted));
    }
    // All done: the screen may have moved meanwhile.
    if (m_pEngine && m_nTaken == m_vecIndices.size()) {
        m_pEngine.reset();
        StartWhenIdle();
    }
}

// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>
#include <QImage>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "browser/catalogue/thumb_residency.h"

// The display rows of a thumbnail as an image the painter copies without
// converting: top-down, in its native format.
QImage PaintedCopy(const std::uint8_t* pBits, int nWidth, int nHeight);

class QObject;
template <class Result>
class OrderedEngine;

// The event a helper posts when remade pixels are ready; the value is fixed.
inline constexpr QEvent::Type WM_PIXELS_READY = static_cast<QEvent::Type>(0x8014);

// Gives the entries a screen away from the shown one their pixels back on
// helper threads, while the user looks at the screen, so that the next one
// is painted without waiting for the cache or the decoder. The screen the
// grid moves towards comes first. The pixels are the ones the paint would
// have made (ThumbResidency::Remake), and the user-interface thread puts
// them in place; helpers read copies only. Every public function runs on the
// user-interface thread.
class RestoreAhead {
public:
    explicit RestoreAhead(QObject* pReceiver);
    ~RestoreAhead();
    RestoreAhead(const RestoreAhead&) = delete;
    RestoreAhead& operator=(const RestoreAhead&) = delete;

    // How many threads may build thumbnails; one of them is left to the
    // user-interface thread, and the helpers yield to it.
    void SetThreads(int nThreads) { m_nHelpers = std::max(nThreads - 1, 1); }

    // After the cells [nFirst, nLast) were shown. Once the events queued
    // now are handled, work already under way goes on while the screen it
    // serves stays near; otherwise it is abandoned for the new screen's
    // neighbours.
    void Request(std::size_t nFirst, std::size_t nLast);
    // Hears an entry that got its pixels back, with their painted copy.
    using Restored = std::function<void(std::size_t nIndex, QImage&& painted)>;
    // Whether a posted event is one of ours. The run's events are told apart
    // by their class as well, never by reading the event first: a worker
    // made it, and only the class's own flag orders that for a checker.
    static bool IsReadyEvent(const QEvent& e);
    // Takes a WM_PIXELS_READY event: the ready pixels go into their
    // entries, and the work a request asked for starts.
    void OnEvent(const ImageList& list, ThumbResidency& residency, const Restored& fnRestored);
    // Puts the pixels ready now into their entries, before a paint that
    // would otherwise make them again.
    void TakeReady(const ImageList& list, ThumbResidency& residency, const Restored& fnRestored);
    // The catalogue or the way thumbnails are made changed: nothing of the
    // work under way may be used.
    void Cancel();

private:
    struct Remade;
    void Start(const ThumbResidency& residency, const ImageList& list);
    void StartWhenIdle();

    QObject* m_pReceiver;
    int m_nHelpers = 1;
    // The screen last shown, and the one before, for the direction.
    std::size_t m_nFirst = 0;
    std::size_t m_nLast = 0;
    bool m_bDownwards = true;
    // The work under way: the entries it remakes, in order, and the band of
    // catalogue places it serves.
    std::unique_ptr<OrderedEngine<Remade>> m_pEngine;
    std::vector<std::size_t> m_vecIndices;
    std::vector<const ImageItem*> m_vecEntries;
    std::size_t m_nTaken = 0;
    std::size_t m_nBandFirst = 0;
    std::size_t m_nBandLast = 0;
    std::atomic<bool> m_bStop{false};
    bool m_bStartWanted = false;  // a request waits for the next event
    bool m_bStartPosted = false;  // and that event is on its way
};

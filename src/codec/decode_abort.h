// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>

// A stop request for the image reads of one thread. The thread that reads
// images installs its run's flag for as long as the run lasts; any thread may
// then set the flag. A JPEG decode in progress leaves within about a row of
// the image (also while a file of several scans is read in before its first
// row), bitmap reads before and after Qt reads the pixels, and a read that
// has not begun fails at once. A stopped read fails like an unreadable file
// (null or false, nothing left behind) but shows no message box.
class ScopedDecodeAbort {
public:
    // While alive, reads on this thread stop soon after bAbort becomes true.
    // Scopes nest: the flags of all scopes alive on the thread count.
    explicit ScopedDecodeAbort(const std::atomic<bool>& bAbort);
    // On the thread that made it, innermost scope first, as scopes end.
    ~ScopedDecodeAbort();
    ScopedDecodeAbort(const ScopedDecodeAbort&) = delete;
    ScopedDecodeAbort& operator=(const ScopedDecodeAbort&) = delete;

private:
    friend bool DecodeAborted();
    const std::atomic<bool>& m_bAbort;
    const ScopedDecodeAbort* m_pOuter;
};

// True when the flag of a scope alive on this thread is set.
bool DecodeAborted();

// SPDX-License-Identifier: MIT
#include "codec/decode_abort.h"

namespace {

// The innermost scope of this thread; each scope links to the one it nests in.
thread_local const ScopedDecodeAbort* t_pInnermost = nullptr;

}  // namespace

ScopedDecodeAbort::ScopedDecodeAbort(const std::atomic<bool>& bAbort)
    : m_bAbort(bAbort), m_pOuter(t_pInnermost) {
    t_pInnermost = this;
}

ScopedDecodeAbort::~ScopedDecodeAbort() { t_pInnermost = m_pOuter; }

bool DecodeAborted() {
    // The flag carries no data with it, so no ordering beyond its own value
    // is needed; this runs once a row.
    for (const ScopedDecodeAbort* p = t_pInnermost; p; p = p->m_pOuter)
        if (p->m_bAbort.load(std::memory_order_relaxed)) return true;
    return false;
}

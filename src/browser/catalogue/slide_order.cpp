// SPDX-License-Identifier: MIT
#include "browser/catalogue/slide_order.h"

#include <cstdint>
#include <cstdlib>

SlideOrder::SlideOrder() : m_fnRandom([] { return std::rand() & 0x7FFF; }) {}

void SlideOrder::SetRandom(SlideRandom fn) {
    m_fnRandom = fn ? std::move(fn) : SlideRandom([] { return std::rand() & 0x7FFF; });
}

namespace {

// Up to this many entries one 15-bit draw, scaled in single precision,
// reaches every entry (checked over all 32,768 draws); from 32,710 on the
// rounding skips some, and a round could never end.
constexpr int kSingleDrawEntries = 32709;

}  // namespace

int SlideOrder::Draw(int n) {
    if (n <= kSingleDrawEntries) {
        const float f = static_cast<float>(m_fnRandom()) / 32767.0f;
        return static_cast<int>(static_cast<float>(n) * f);
    }
    // Two draws make 30 bits, more than any catalogue has entries, so every
    // entry has its share of the draws.
    const std::uint64_t r = (std::uint64_t(m_fnRandom() & 0x7FFF) << 15) | (m_fnRandom() & 0x7FFF);
    return static_cast<int>((r * std::uint64_t(n)) >> 30);
}

int SlideOrder::GetRandomSlide(bool bReset, int n) {
    if (n < 1) return -1;
    const std::size_t nSize = static_cast<std::size_t>(n);
    if (bReset) {
        m_strSlidesShown.assign(nSize, '0');
        m_nLastSlide = -1;
    }
    // Entries may have left or joined the catalogue since the last slide.
    m_strSlidesShown.resize(nSize, '0');
    if (m_nLastSlide >= n) m_nLastSlide = -1;
    if (m_strSlidesShown.find('0') == std::string::npos) m_strSlidesShown.assign(nSize, '0');
    for (;;) {
        int i = Draw(n);
        if (i >= n) i = n - 1;
        if (i < 0) i = 0;
        if ((m_strSlidesShown[static_cast<std::size_t>(i)] == '0' && i != m_nLastSlide) || n == 1) {
            m_strSlidesShown[static_cast<std::size_t>(i)] = '1';
            m_nLastSlide = i;
            return i;
        }
    }
}

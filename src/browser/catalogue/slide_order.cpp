// SPDX-License-Identifier: MIT
#include "browser/catalogue/slide_order.h"

#include <cstdlib>

SlideOrder::SlideOrder() : m_fnRandom([] { return std::rand() & 0x7FFF; }) {}

void SlideOrder::SetRandom(SlideRandom fn) {
    m_fnRandom = fn ? std::move(fn) : SlideRandom([] { return std::rand() & 0x7FFF; });
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
        const int r = m_fnRandom();
        const float f = static_cast<float>(r) / 32767.0f;
        int i = static_cast<int>(static_cast<float>(n) * f);
        if (i >= n) i = n - 1;
        if (i < 0) i = 0;
        if ((m_strSlidesShown[static_cast<std::size_t>(i)] == '0' && i != m_nLastSlide) || n == 1) {
            m_strSlidesShown[static_cast<std::size_t>(i)] = '1';
            m_nLastSlide = i;
            return i;
        }
    }
}

// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

// Random numbers 0..32767, as the C library's rand gives them.
using SlideRandom = std::function<int()>;

// The random order of a slide show: rounds in which every entry is shown
// once, a round never starting with the entry that ended the last one.
class SlideOrder {
public:
    SlideOrder();
    // Tests fix the sequence; null goes back to the C library's rand.
    void SetRandom(SlideRandom fn);
    // The index (0..n-1) of the next entry; bReset starts a new show. n must
    // be at least 1. A catalogue that changed size since the last call keeps
    // what it knows of the entries that are still counted.
    int GetRandomSlide(bool bReset, int n);
    const std::string& SlidesShown() const { return m_strSlidesShown; }

private:
    int Draw(int n);  // an index 0..n-1 from the generator

    SlideRandom m_fnRandom;
    std::string m_strSlidesShown;  // "0" not yet shown this round, "1" shown
    int m_nLastSlide = -1;
};

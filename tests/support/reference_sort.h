// SPDX-License-Identifier: MIT
#pragma once

#include <iterator>
#include <list>
#include <memory>

#include "browser/catalogue/sort_images.h"
#include "model/image_item.h"

// The catalogue order as it was first defined, step by step: take the extreme
// entry nearest the head (greatest key ascending, smallest descending), move
// it to the head of a second list, repeat, then hand the second list back.
// Quadratic; the tests and benchmarks hold SortImages to it.
inline bool ReferenceKeyGreater(const ImageItem& a, const ImageItem& b, int nOption) {
    switch (nOption) {
        case kSortByName:
            return NameSortKey(b.m_strName) < NameSortKey(a.m_strName);
        case kSortBySize:
            return a.m_nFileSize > b.m_nFileSize;
        default:
            return a.m_ftModified > b.m_ftModified;
    }
}

inline void ReferenceSelectionSort(ImageList& list, int nOption, int nStyle) {
    if (nOption < kSortByName || nOption > kSortByDate) return;
    std::list<std::unique_ptr<ImageItem>> source;
    for (auto& p : list) source.push_back(std::move(p));
    std::list<std::unique_ptr<ImageItem>> second;
    while (!source.empty()) {
        auto best = source.begin();
        for (auto it = std::next(source.begin()); it != source.end(); ++it) {
            const bool bReplace = nStyle == 0 ? ReferenceKeyGreater(**it, **best, nOption)
                                              : ReferenceKeyGreater(**best, **it, nOption);
            if (bReplace) best = it;
        }
        second.push_front(std::move(*best));
        source.erase(best);
    }
    list.clear();
    for (auto& p : second) list.push_back(std::move(p));
}

// SPDX-License-Identifier: MIT
#include "browser/catalogue/sort_images.h"

#include <algorithm>
#include <cstring>

std::string NameSortKey(const std::string& name) {
    std::string key = name;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

namespace {

// Byte-wise as unsigned characters; a proper prefix sorts first.
bool NameLess(const std::string& a, const std::string& b) {
    const int r = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return r != 0 ? r < 0 : a.size() < b.size();
}

// Sorts keyed entries. The described order is that of a selection sort that
// leaves equal keys reversed; reversing first and then sorting stably gives
// exactly that order in O(n log n), so a large folder does not wait on it.
template <typename Key, typename Less>
void SortByKey(ImageList& list, Key key, Less less, bool bDescending) {
    using K = decltype(key(*list.front()));
    std::vector<std::pair<K, std::unique_ptr<ImageItem>>> keyed;
    keyed.reserve(list.size());
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        K k = key(**it);
        keyed.emplace_back(std::move(k), std::move(*it));
    }
    if (bDescending)
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&less](const auto& a, const auto& b) { return less(b.first, a.first); });
    else
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&less](const auto& a, const auto& b) { return less(a.first, b.first); });
    for (std::size_t i = 0; i < keyed.size(); ++i) list[i] = std::move(keyed[i].second);
}

template <typename Key, typename Less>
std::size_t PlaceByKey(const ImageList& list, const ImageItem& item, Key key, Less less,
                       bool bDescending) {
    const auto k = key(item);
    const auto it = std::partition_point(list.begin(), list.end(), [&](const auto& p) {
        return bDescending ? less(k, key(*p)) : less(key(*p), k);
    });
    return static_cast<std::size_t>(it - list.begin());
}

}  // namespace

std::size_t SortedPlace(const ImageList& list, const ImageItem& item, int nSortOption,
                        int nSortStyle) {
    const bool bDescending = nSortStyle != 0;
    switch (nSortOption) {
        case kSortByName:
            return PlaceByKey(
                list, item, [](const ImageItem& e) { return NameSortKey(e.m_strName); }, NameLess,
                bDescending);
        case kSortBySize:
            return PlaceByKey(
                list, item, [](const ImageItem& e) { return e.m_nFileSize; },
                std::less<std::uint64_t>(), bDescending);
        case kSortByDate:
            return PlaceByKey(
                list, item, [](const ImageItem& e) { return e.m_ftModified; },
                std::less<std::uint64_t>(), bDescending);
        default:
            return list.size();
    }
}

void SortImages(ImageList& list, int nSortOption, int nSortStyle) {
    if (list.empty()) return;
    const bool bDescending = nSortStyle != 0;
    switch (nSortOption) {
        case kSortByName:
            SortByKey(list, [](const ImageItem& item) { return NameSortKey(item.m_strName); },
                      NameLess, bDescending);
            break;
        case kSortBySize:
            SortByKey(list, [](const ImageItem& item) { return item.m_nFileSize; },
                      std::less<std::uint64_t>(), bDescending);
            break;
        case kSortByDate:
            SortByKey(list, [](const ImageItem& item) { return item.m_ftModified; },
                      std::less<std::uint64_t>(), bDescending);
            break;
        default:
            break;
    }
}

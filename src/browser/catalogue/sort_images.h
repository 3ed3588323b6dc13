// SPDX-License-Identifier: MIT
#pragma once

#include "model/image_item.h"

// Sort keys of the "SortOption" setting; any other value keeps the order.
inline constexpr int kSortByName = 1;
inline constexpr int kSortBySize = 2;
inline constexpr int kSortByDate = 3;

// Orders the catalogue by nSortOption, ascending when nSortStyle is 0, else
// descending. Entries with equal keys end in the reverse of their order
// before the call, as they always have, so a sort repeated on its own result
// flips the runs of equal keys.
void SortImages(ImageList& list, int nSortOption, int nSortStyle);

// Where a new entry goes in a catalogue sorted by the same choice: before
// the entries whose key equals its own; at the end when nothing is sorted.
std::size_t SortedPlace(const ImageList& list, const ImageItem& item, int nSortOption,
                        int nSortStyle);

// The name key: ASCII letters lowered, every other byte kept, so the order
// does not depend on the locale. Compared byte-wise as unsigned characters.
std::string NameSortKey(const std::string& name);

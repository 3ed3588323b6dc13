// SPDX-License-Identifier: MIT
// The catalogue order: checked against the selection sort the order was
// defined by, on random catalogues full of equal keys.
#include <gtest/gtest.h>

#include <random>

#include "browser/catalogue/sort_images.h"
#include "support/reference_sort.h"

namespace {

std::unique_ptr<ImageItem> MakeItem(const std::string& name, const std::string& ext,
                                    std::uint64_t nSize = 0, std::uint64_t ftModified = 0) {
    auto item = std::make_unique<ImageItem>();
    item->m_strName = name;
    item->m_strExt = ext;
    item->m_strPath = "/p/" + name + ext;
    item->m_nFileSize = nSize;
    item->m_dwSize = static_cast<std::uint32_t>(nSize);
    item->m_ftModified = ftModified;
    return item;
}

std::vector<std::string> Paths(const ImageList& list) {
    std::vector<std::string> out;
    for (const auto& p : list) out.push_back(p->m_strPath);
    return out;
}

ImageList RandomCatalogue(std::mt19937& rng, int n) {
    // Few distinct keys so that runs of equal keys are everywhere.
    static const char* names[] = {"a", "A", "b", "Beach", "beach", "beach2", "z", "\xc3\xa9t\xc3\xa9"};
    static const char* exts[] = {".jpg", ".JPEG", ".bmp"};
    ImageList list;
    for (int i = 0; i < n; ++i) {
        auto item = MakeItem(names[rng() % 8], exts[rng() % 3], (rng() % 4) * 0x80000000ull,
                             rng() % 5);
        item->m_strPath += "#" + std::to_string(i);  // tells equal entries apart
        list.push_back(std::move(item));
    }
    return list;
}

class SortMatchesSelectionSort : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(SortMatchesSelectionSort, OnRandomCataloguesWithManyEqualKeys) {
    const auto [nOption, nStyle] = GetParam();
    std::mt19937 rng(1234 + nOption * 7 + nStyle);
    for (int round = 0; round < 200; ++round) {
        const int n = static_cast<int>(rng() % 40);
        ImageList a = RandomCatalogue(rng, n);
        ImageList b;
        for (const auto& p : a) {
            b.push_back(MakeItem(p->m_strName, p->m_strExt, p->m_nFileSize, p->m_ftModified));
            b.back()->m_strPath = p->m_strPath;
        }
        SortImages(a, nOption, nStyle);
        ReferenceSelectionSort(b, nOption, nStyle);
        ASSERT_EQ(Paths(a), Paths(b)) << "option " << nOption << " style " << nStyle;
    }
}

INSTANTIATE_TEST_SUITE_P(KeysAndDirections, SortMatchesSelectionSort,
                         ::testing::Combine(::testing::Values(kSortByName, kSortBySize, kSortByDate),
                                            ::testing::Values(0, 1, -3)));

class OtherOptionsKeepOrder : public ::testing::TestWithParam<int> {};

TEST_P(OtherOptionsKeepOrder, ForEitherDirection) {
    std::mt19937 rng(99);
    ImageList list = RandomCatalogue(rng, 25);
    const auto before = Paths(list);
    SortImages(list, GetParam(), 0);
    EXPECT_EQ(Paths(list), before);
    SortImages(list, GetParam(), 1);
    EXPECT_EQ(Paths(list), before);
}

INSTANTIATE_TEST_SUITE_P(Options, OtherOptionsKeepOrder, ::testing::Values(0, 4, -1, 100));

TEST(SortImages, NameIgnoresCaseAndExtensionAndReversesEqualNames) {
    ImageList list;
    list.push_back(MakeItem("Cherry", ".jpg"));
    list.push_back(MakeItem("a", ".jpg"));
    list.push_back(MakeItem("banana", ".jpg"));
    list.push_back(MakeItem("a", ".bmp"));
    SortImages(list, kSortByName, 0);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/p/a.bmp", "/p/a.jpg", "/p/banana.jpg",
                                                     "/p/Cherry.jpg"}));
}

TEST(SortImages, NameBytesCompareUnsignedAndPrefixFirst) {
    ImageList list;
    list.push_back(MakeItem("\xc3\xa9t\xc3\xa9", ".jpg"));  // "été" in UTF-8
    list.push_back(MakeItem("abc", ".jpg"));
    list.push_back(MakeItem("z", ".jpg"));
    list.push_back(MakeItem("ab", ".jpg"));
    SortImages(list, kSortByName, 0);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/p/ab.jpg", "/p/abc.jpg", "/p/z.jpg",
                                                     "/p/\xc3\xa9t\xc3\xa9.jpg"}));
}

TEST(SortImages, SizeDescendingUsesTheWholeSize) {
    ImageList list;
    list.push_back(MakeItem("small", ".jpg", 10));
    list.push_back(MakeItem("huge", ".jpg", 0x100000001ull));  // low half is 1
    list.push_back(MakeItem("big", ".jpg", 0x80000000ull));
    SortImages(list, kSortBySize, 1);
    EXPECT_EQ(Paths(list),
              (std::vector<std::string>{"/p/huge.jpg", "/p/big.jpg", "/p/small.jpg"}));
}

TEST(SortImages, DateAscendingByExactTicks) {
    ImageList list;
    list.push_back(MakeItem("later", ".jpg", 0, 1000000005));
    list.push_back(MakeItem("earlier", ".jpg", 0, 1000000004));
    list.push_back(MakeItem("high", ".jpg", 0, 0x100000000ull));  // high half decides
    SortImages(list, kSortByDate, 0);
    EXPECT_EQ(Paths(list),
              (std::vector<std::string>{"/p/earlier.jpg", "/p/later.jpg", "/p/high.jpg"}));
}

}  // namespace

// SPDX-License-Identifier: MIT
// The catalogue order on large folders, against the selection sort it was
// first defined by.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "support/reference_sort.h"

namespace {

// Many photos share a camera's name pattern, size class and minute.
ImageList MakeCatalogue(std::size_t n) {
    std::mt19937 rng(42);
    ImageList list;
    list.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto item = std::make_unique<ImageItem>();
        item->m_strName = (rng() % 2 ? "IMG_" : "img_") + std::to_string(rng() % (n / 2 + 1));
        item->m_strExt = ".jpg";
        item->m_nFileSize = 100000 + rng() % 5000;
        item->m_dwSize = static_cast<std::uint32_t>(item->m_nFileSize);
        item->m_ftModified = 132000000000000000ull + (rng() % 100000) * 10000000ull;
        list.push_back(std::move(item));
    }
    return list;
}

ImageList Copy(const ImageList& list) {
    ImageList out;
    out.reserve(list.size());
    for (const auto& p : list) {
        auto item = std::make_unique<ImageItem>();
        item->m_strName = p->m_strName;
        item->m_nFileSize = p->m_nFileSize;
        item->m_ftModified = p->m_ftModified;
        out.push_back(std::move(item));
    }
    return out;
}

void BM_SortImages(benchmark::State& state) {
    const ImageList prototype = MakeCatalogue(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        ImageList list = Copy(prototype);
        state.ResumeTiming();
        SortImages(list, static_cast<int>(state.range(1)), 0);
        benchmark::DoNotOptimize(list.data());
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortImages)
    ->ArgNames({"n", "key"})
    ->ArgsProduct({{10000, 100000}, {kSortByName, kSortBySize, kSortByDate}})
    ->Unit(benchmark::kMillisecond);

void BM_SelectionSortReference(benchmark::State& state) {
    const ImageList prototype = MakeCatalogue(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        ImageList list = Copy(prototype);
        state.ResumeTiming();
        ReferenceSelectionSort(list, static_cast<int>(state.range(1)), 0);
        benchmark::DoNotOptimize(list.data());
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SelectionSortReference)
    ->ArgNames({"n", "key"})
    ->ArgsProduct({{10000}, {kSortByName, kSortBySize, kSortByDate}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

// SPDX-License-Identifier: MIT
// The catalogue order on large folders, against the selection sort it was
// first defined by, and the folder scan on a folder of 20,000 files.
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

// A folder of 20,000 empty photos, made once and kept for later runs.
std::string ScanFolderPath() {
    const std::string dir = "/tmp/galerio-bench-scan-20000";
    const std::string done = dir + "/.complete";
    if (::access(done.c_str(), F_OK) == 0) return dir;
    ::mkdir(dir.c_str(), 0755);
    static const char* exts[] = {".jpg", ".JPG", ".jpeg", ".bmp"};
    for (int i = 0; i < 20000; ++i) {
        const std::string path = dir + "/photo_" + std::to_string(i) + exts[i % 4];
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0) ::close(fd);
    }
    const int fd = ::open(done.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd >= 0) ::close(fd);
    return dir;
}

void BM_ScanFolder(benchmark::State& state) {
    const std::string dir = ScanFolderPath();
    std::size_t nEntries = 0;
    for (auto _ : state) {
        ImageList list;
        ScanFolder(dir, ScanOptions{}, list, [](const std::string&) {});
        nEntries = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["entries"] = static_cast<double>(nEntries);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(nEntries));
}
BENCHMARK(BM_ScanFolder)->Unit(benchmark::kMillisecond);

}  // namespace

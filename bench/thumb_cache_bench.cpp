// SPDX-License-Identifier: MIT
// A thumbnail from the disk cache against BuildThumbnailBitmap of the same
// photo, image by image and interleaved in one run, so the machine's load
// affects both sides alike. The lookup is the whole processing step on a hit
// (stat of the photo, open, one read, checksum, marking the record used), with
// the record in the page cache as it is on a second visit to a folder.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "browser/catalogue/thumb_cache.h"
#include "codec/display_bitmap.h"
#include "platform/message_box.h"

namespace {

constexpr int kPitch = 103;
constexpr int kThumb = kPitch - 3;

// A cache folder of its own, removed with everything in it afterwards.
class ScratchCache {
public:
    ScratchCache() {
        char szTemplate[] = "/tmp/galerio-cache-bench-XXXXXX";
        if (mkdtemp(szTemplate)) m_strFolder = szTemplate;
    }
    ~ScratchCache() {
        std::error_code ec;
        if (!m_strFolder.empty()) std::filesystem::remove_all(m_strFolder, ec);
    }
    const std::string& Folder() const { return m_strFolder; }

private:
    std::string m_strFolder;
};

void BM_CachedVsBuild(benchmark::State& state, const char* pszPrefix) {
    const std::vector<std::string> vFiles = CorpusFiles(pszPrefix);
    ScratchCache scratch;
    if (vFiles.empty() || scratch.Folder().empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });  // the corpus is sound
    const ThumbCache cache(scratch.Folder() + "/galerio");
    // Every record made once, before timing.
    for (const std::string& strPath : vFiles) {
        ImageItem item;
        item.m_nKind = IMAGE_JPEG;
        item.m_strPath = strPath;
        BuildThumbnailCached(cache, item, kPitch, kThumb);
    }
    std::vector<double> vRatios, vBuilds, vLookups;
    double fBuild = 0, fLookup = 0;
    std::size_t i = 0, nMisses = 0;
    for (auto _ : state) {
        const std::string& strPath = vFiles[i % vFiles.size()];
        double fB = 0, fL = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            ImageItem item;
            item.m_nKind = IMAGE_JPEG;
            item.m_strPath = strPath;
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (i % 2 == 0)) {
                BuildThumbnailBitmap(item, kPitch, kThumb);
                fB = Seconds(t0);
            } else {
                const std::optional<ThumbKey> key = MakeThumbKey(item, kPitch, kThumb);
                if (!key || !cache.Load(item, *key)) ++nMisses;
                fL = Seconds(t0);
            }
            benchmark::DoNotOptimize(item.m_pBits.get());
        }
        state.SetIterationTime(fL);
        fBuild += fB;
        fLookup += fL;
        vRatios.push_back(fB / fL);
        vBuilds.push_back(fB);
        vLookups.push_back(fL);
        ++i;
    }
    if (nMisses) state.SkipWithError("a lookup missed: the records were not made");
    state.counters["build_ms"] = 1e3 * fBuild / double(i);
    state.counters["lookup_ms"] = 1e3 * fLookup / double(i);
    state.counters["build_over_lookup"] = fBuild / fLookup;
    state.counters["median_ratio"] = Median(vRatios);
    state.counters["build_median_ms"] = 1e3 * Median(vBuilds);
    state.counters["lookup_median_us"] = 1e6 * Median(vLookups);
    SetMessageHandler({});
}

// The trim after a run over a full cache of default size: 256 MiB of
// 100 × 75 thumbnails is about 11,000 records. Nothing is over the limit, so
// this is the listing every run pays; the files are empty stand-ins.
void BM_TrimFullCache(benchmark::State& state) {
    ScratchCache scratch;
    const std::string strFolder = scratch.Folder() + "/galerio";
    mkdir(strFolder.c_str(), 0700);
    const int nRecords = static_cast<int>(state.range(0));
    for (int i = 0; i < nRecords; ++i) {
        char szBucket[8], szName[40];
        std::snprintf(szBucket, sizeof szBucket, "/%02x", i % 256);
        std::snprintf(szName, sizeof szName, "/%02x%014x-103-100", i % 256, i);
        mkdir((strFolder + szBucket).c_str(), 0700);
        std::fclose(std::fopen((strFolder + szBucket + szName).c_str(), "w"));
    }
    const ThumbCache cache(strFolder);
    for (auto _ : state) cache.Trim(std::uint64_t(256) << 20);
    state.SetItemsProcessed(state.iterations() * nRecords);
}
BENCHMARK(BM_TrimFullCache)->Arg(11000)->Unit(benchmark::kMillisecond);

}  // namespace

// Every corpus image at least once, so each photograph counts alike.
BENCHMARK_CAPTURE(BM_CachedVsBuild, large_4000x3000, "large")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(100);
BENCHMARK_CAPTURE(BM_CachedVsBuild, medium_1600x1200, "medium")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(200);

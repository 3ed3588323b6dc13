// SPDX-License-Identifier: MIT
// Whole runs as the user waits for them: StartSearch to the end of
// processing, with the real search and processing threads, their hand-shake
// and the progress window on a live user-interface thread (offscreen).
//  - photos of 4000 x 3000 and 1600 x 1200 against the sum of the bare
//    per-image decodes measured in the same iteration;
//  - 2,000 tiny JPEGs, where the per-file cost of the pipeline shows;
//  - 20,000 empty files: how fast the search and the hand-shakes go when
//    no picture is made.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_corpus.h"
#include "browser/find_files_dlg.h"
#include "browser/galerio_view.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

constexpr int kThumb = 100;  // the default pitch 103 less 3

// A shown view over its own settings, with every box answered.
class RunFixture {
public:
    // nThreads: the stored ThumbnailThreads (0: one per core). The cache,
    // when on, is a fresh one of the fixture's own.
    explicit RunFixture(int nThreads = 0, bool bCache = false) {
        setenv("XDG_CONFIG_HOME", (m_dir.path().toStdString() + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (m_dir.path().toStdString() + "/cache").c_str(), 1);
        bool bCreated = false;
        m_store.OpenProductKey("Galerio", bCreated);
        m_store.PutInt(kSectionPerformance, kThumbnailThreads, nThreads);
        m_store.PutInt(kSectionPerformance, kThumbCache, bCache ? 1 : 0);
        m_previous = SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });
        m_pView = std::make_unique<CGalerioView>(m_store, nullptr);
        m_pView->resize(1280, 1024);
        m_pView->show();
    }
    ~RunFixture() {
        m_pView.reset();
        SetMessageHandler(m_previous);
    }

    std::string Folder(const char* name) const {
        const std::string folder = m_dir.path().toStdString() + "/" + name;
        QDir().mkpath(QString::fromStdString(folder));
        return folder;
    }

    // Seconds from the request to an idle view; searchSeconds is when the
    // progress window was retitled for processing.
    double Run(const std::string& folder, double& fSearchSeconds) {
        const auto t0 = std::chrono::steady_clock::now();
        m_pView->StartSearch(folder);
        fSearchSeconds = 0;
        if (CFindFilesDlg* pDlg = m_pView->FindDlg())
            QObject::connect(pDlg, &CFindFilesDlg::TitleChanged,
                             [&, t0] { fSearchSeconds = Seconds(t0); });
        // Sleeps between events as the program's own event loop does. The
        // timed form of processEvents drops WaitForMoreEvents and would spin,
        // taking a core from the decoders.
        while (!m_pView->IsIdle()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return Seconds(t0);
    }

    CGalerioView& View() { return *m_pView; }

private:
    QTemporaryDir m_dir;
    SettingsStore m_store;
    MessageHandler m_previous;
    std::unique_ptr<CGalerioView> m_pView;
};

// The same bare decodes shared out over every core, each thread taking the
// next file: what this machine can give at best when every core decodes.
// A virtual machine's cores need not add up (a busy host, shared caches), so
// an all-core run is judged against this as well as against the sum.
double ParallelFloor(const std::vector<std::string>& vFiles, const std::vector<int>& vReductions) {
    const unsigned nThreads = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<std::size_t> nNext{0};
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < nThreads; ++t)
        threads.emplace_back([&] {
            for (std::size_t i; (i = nNext.fetch_add(1)) < vFiles.size();)
                BareDecode(vFiles[i], vReductions[i]);
        });
    for (std::thread& thread : threads) thread.join();
    return Seconds(t0);
}

// A run over the files against the sum of their bare decodes, timed in the
// same iteration.
void RunAgainstFloor(benchmark::State& state, RunFixture& fixture, const std::string& folder,
                     const std::vector<std::string>& vFiles, bool bAllCores) {
    std::vector<int> vReductions;
    for (const std::string& strPath : vFiles) {
        std::uint32_t w = 0, h = 0;
        JpegFile::ReadJpegSize(strPath, w, h);
        vReductions.push_back(JpegFile::ChooseJpegReduction(kThumb, std::int32_t(std::max(w, h))));
    }
    double fRun = 0, fFloor = 0;
    int nRuns = 0;
    std::vector<double> vRatios, vCeilings, vAgainstCeiling;
    for (auto _ : state) {
        double fSearch = 0;
        const double fR = fixture.Run(folder, fSearch);
        if (fixture.View().Catalogue().size() != vFiles.size()) {
            state.SkipWithError("the run did not make every thumbnail");
            return;
        }
        const auto t1 = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < vFiles.size(); ++i) BareDecode(vFiles[i], vReductions[i]);
        const double fF = Seconds(t1);
        if (bAllCores) {
            const double fP = ParallelFloor(vFiles, vReductions);
            vCeilings.push_back(fP / fF);
            vAgainstCeiling.push_back(fR / fP);
        }
        state.SetIterationTime(fR);
        fRun += fR;
        fFloor += fF;
        vRatios.push_back(fR / fF);
        ++nRuns;
    }
    // The median of the per-iteration ratios: a virtual machine's stolen
    // time hits single iterations, and a run and its floor are close in time.
    std::sort(vRatios.begin(), vRatios.end());
    state.counters["median_ratio"] = vRatios[vRatios.size() / 2];
    if (bAllCores) {
        // The parallel floor against the sum, and the run against the parallel floor.
        state.counters["ceiling_ratio"] = Median(vCeilings);
        state.counters["vs_ceiling"] = Median(vAgainstCeiling);
    }
    const double n = static_cast<double>(vFiles.size());
    state.counters["run_ms"] = 1e3 * fRun / nRuns;
    state.counters["floor_sum_ms"] = 1e3 * fFloor / nRuns;
    state.counters["ratio"] = fRun / fFloor;
    state.counters["added_us_per_file"] = 1e6 * (fRun - fFloor) / nRuns / n;
}

// bWarm: the cache is on and filled by one run before the timed ones.
void BM_WholeFolderVsFloor(benchmark::State& state, const char* pszPrefix, int nThreads,
                           bool bWarm) {
    const std::vector<std::string> vFiles = CorpusFiles(pszPrefix);
    if (vFiles.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    RunFixture fixture(nThreads, bWarm);
    state.counters["cores"] = std::thread::hardware_concurrency();
    // A folder holding only these photographs, as links into the corpus.
    const std::string folder = fixture.Folder("photos");
    for (const std::string& strPath : vFiles) {
        const std::string strLink = folder + strPath.substr(strPath.rfind('/'));
        if (symlink(strPath.c_str(), strLink.c_str()) != 0) {
            state.SkipWithError("cannot link the corpus into a folder");
            return;
        }
    }
    if (bWarm) {
        double fSearch = 0;
        fixture.Run(folder, fSearch);
    }
    RunAgainstFloor(state, fixture, folder, vFiles, nThreads != 1 && !bWarm);
}

// Peak memory of a cold run over 200 large photos on every core: the
// process's high-water mark before and after. Meaningful when it runs alone
// (--benchmark_filter=PeakMemory), since the mark only ever rises.
void BM_PeakMemory200Large(benchmark::State& state) {
    const std::vector<std::string> vFiles = CorpusFiles("large");
    if (vFiles.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    RunFixture fixture(0, false);
    const std::string folder = fixture.Folder("photos200");
    for (int i = 0; i < 200; ++i) {
        const std::string& strPath = vFiles[std::size_t(i) % vFiles.size()];
        const std::string strLink = folder + "/" + std::to_string(i) + ".jpg";
        if (symlink(strPath.c_str(), strLink.c_str()) != 0) {
            state.SkipWithError("cannot link the corpus into a folder");
            return;
        }
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (auto _ : state) {
        double fSearch = 0;
        state.SetIterationTime(fixture.Run(folder, fSearch));
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    state.counters["maxrss_before_MiB"] = double(before.ru_maxrss) / 1024;
    state.counters["maxrss_after_MiB"] = double(after.ru_maxrss) / 1024;
    state.counters["cores"] = std::thread::hardware_concurrency();
}

// Small enough that decoding costs little: what is left is the pipeline.
void BM_TinyJpegsVsFloor(benchmark::State& state) {
    RunFixture fixture;
    const std::string folder = fixture.Folder("tiny");
    std::vector<std::uint8_t> pixels(16 * 16 * 3);
    std::vector<std::string> vFiles;
    for (int i = 0; i < 2000; ++i) {
        for (std::size_t b = 0; b < pixels.size(); ++b) pixels[b] = std::uint8_t(b * 7 + i);
        vFiles.push_back(folder + "/tiny_" + std::to_string(10000 + i) + ".jpg");
        if (!JpegFile::WriteJpegFile(vFiles.back(), pixels.data(), 16, 16, 90)) {
            state.SkipWithError("cannot write the tiny photos");
            return;
        }
    }
    RunAgainstFloor(state, fixture, folder, vFiles, true);
}

// No picture is made, so every millisecond is the search, the entries, the
// sort and the two hand-shakes per file with the user-interface thread.
void BM_SearchAndHandShakes20000(benchmark::State& state) {
    RunFixture fixture;
    const std::string folder = fixture.Folder("empty");
    static const char* exts[] = {".jpg", ".JPG", ".jpeg", ".bmp"};
    for (int i = 0; i < 20000; ++i) {
        const std::string path = folder + "/photo_" + std::to_string(i) + exts[i % 4];
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0) ::close(fd);
    }
    fixture.View().SetThumbnailBuilder([](ImageItem&, int, int, CodecContext&) { return true; });
    double fTotal = 0, fSearchTotal = 0;
    for (auto _ : state) {
        double fSearch = 0;
        const double f = fixture.Run(folder, fSearch);
        state.SetIterationTime(f);
        fTotal += f;
        fSearchTotal += fSearch;
    }
    const double nRuns = static_cast<double>(state.iterations());
    state.counters["search_entries_per_s"] = 20000 * nRuns / fSearchTotal;
    state.counters["run_entries_per_s"] = 20000 * nRuns / fTotal;
    state.counters["us_per_file"] = 1e6 * fTotal / nRuns / 20000;
}

}  // namespace

// One building thread, as before helpers existed, and one per core, with
// no cache; then the second open of the same folders, from a warm cache.
BENCHMARK_CAPTURE(BM_WholeFolderVsFloor, 4000x3000_1thread, "large", 1, false)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFolderVsFloor, 4000x3000_allcores, "large", 0, false)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFolderVsFloor, 4000x3000_warmcache, "large", 0, true)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFolderVsFloor, 1600x1200_1thread, "medium", 1, false)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFolderVsFloor, 1600x1200_allcores, "medium", 0, false)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFolderVsFloor, 1600x1200_warmcache, "medium", 0, true)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory200Large)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyJpegsVsFloor)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchAndHandShakes20000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

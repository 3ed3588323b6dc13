// SPDX-License-Identifier: MIT
// Memory of the grid for big folders, with the real view, the real run and
// real files: peak memory of the run, the paint and a scroll to the end and
// back; the time of each screen while scrolling (pixels coming back from the
// cache), back to back and at the pace of a held key; the search and sort of 100,000 entries. Each
// case is meant to run alone (--benchmark_filter=...), since peak memory is the process's.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_corpus.h"
#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/sort_images.h"
#include "browser/galerio_view.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

constexpr int kSmallFiles = 100000;
constexpr int kPhotoLinks = 5000;

// A kB figure of /proc/self/status ("VmRSS", "VmHWM").
double StatusMiB(const char* pszField) {
    std::ifstream in("/proc/self/status");
    std::string strLine;
    while (std::getline(in, strLine))
        if (strLine.rfind(pszField, 0) == 0)
            return std::atof(strLine.c_str() + std::strlen(pszField) + 1) / 1024;
    return 0;
}

// Starts the high-water mark afresh at the memory in use now.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// 100,000 JPEGs of 200 x 150 beside the executable, made once: 64 different
// pictures written again and again (the memory does not depend on which).
std::string SmallFolder() {
    const std::string strFolder = CorpusFolder() + "/../grid100k";
    if (access((strFolder + "/.complete").c_str(), F_OK) == 0) return strFolder;
    QDir().mkpath(QString::fromStdString(strFolder));
    std::vector<std::string> vEncoded;
    const std::string strTemp = strFolder + "/.encoding.jpg";
    for (int k = 0; k < 64; ++k) {
        std::vector<std::uint8_t> px(200 * 150 * 3);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                for (int c = 0; c < 3; ++c)
                    px[(y * 200 + x) * 3 + c] = std::uint8_t(x * (c + 1) + y * k / 4 + k * 40 * c);
        JpegFile::WriteJpegFile(strTemp, px.data(), 200, 150, 85);
        std::ifstream in(strTemp, std::ios::binary);
        vEncoded.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::remove(strTemp.c_str());
    for (int i = 0; i < kSmallFiles; ++i) {
        char szName[32];
        std::snprintf(szName, sizeof szName, "/img_%06d.jpg", i);
        std::ofstream(strFolder + szName, std::ios::binary) << vEncoded[std::size_t(i) % 64];
    }
    std::ofstream(strFolder + "/.complete");
    return strFolder;
}

// A shown 1280 x 1024 view over settings of its own, the thumbnail cache on
// (a fresh one), every box answered.
class GridFixture {
public:
    GridFixture() {
        setenv("XDG_CONFIG_HOME", (m_dir.path().toStdString() + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (m_dir.path().toStdString() + "/cache").c_str(), 1);
        bool bCreated = false;
        m_store.OpenProductKey("Galerio", bCreated);
        m_store.PutInt(kSectionPerformance, kThumbCache, 1);
        m_store.PutInt(kSectionPerformance, kThumbCacheMB, 4096);
        m_previous = SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });
        m_pView = std::make_unique<CGalerioView>(m_store, nullptr);
        m_pView->resize(1280, 1024);
        m_pView->show();
    }
    ~GridFixture() {
        m_pView.reset();
        SetMessageHandler(m_previous);
    }
    std::string Folder(const char* pszName) const {
        const std::string strFolder = m_dir.path().toStdString() + "/" + pszName;
        QDir().mkpath(QString::fromStdString(strFolder));
        return strFolder;
    }
    void Run(const std::string& strFolder) {
        m_pView->StartSearch(strFolder);
        while (!m_pView->IsIdle()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // Pages to the end and back to the top, each screen painted at once;
    // the milliseconds of each screen. With nGapMs the events of that long
    // are handled after each screen, as between the steps of a held key.
    std::vector<double> ScrollThrough(int nGapMs = 0) {
        QScrollBar* pV = m_pView->verticalScrollBar();
        std::vector<int> vY;
        for (int y = 0; y < pV->maximum(); y += pV->pageStep()) vY.push_back(y);
        vY.push_back(pV->maximum());
        const std::vector<int> vDown = vY;
        vY.insert(vY.end(), vDown.rbegin(), vDown.rend());
        std::vector<double> vMs;
        for (int y : vY) {
            const auto t0 = std::chrono::steady_clock::now();
            pV->setValue(y);
            m_pView->viewport()->repaint();
            vMs.push_back(1e3 * Seconds(t0));
            const int nLeftMs = nGapMs - int(Seconds(t0) * 1e3);
            if (nLeftMs <= 0) continue;
            // Sleeps between events, as the real loop does.
            QEventLoop loop;
            QTimer::singleShot(nLeftMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return vMs;
    }
    // The same screen again: every pixel and painted copy is there already.
    double RepaintMs() {
        const auto t0 = std::chrono::steady_clock::now();
        m_pView->viewport()->repaint();
        return 1e3 * Seconds(t0);
    }
    CGalerioView& View() { return *m_pView; }

private:
    QTemporaryDir m_dir;
    SettingsStore m_store;
    MessageHandler m_previous;
    std::unique_ptr<CGalerioView> m_pView;
};

// What every entry's pixels and painted copy take when all are kept.
double AllThumbnailsMiB(const ImageList& list) {
    double f = 0;
    for (const auto& p : list)
        f += double(DisplayStride(p->m_nThumbWidth)) * p->m_nThumbHeight +
             4.0 * p->m_nThumbWidth * p->m_nThumbHeight;
    return f / (1 << 20);
}

// A key held down repeats about 30 times a second; paging at 40 screens a
// second leaves a little less time than that between screens.
constexpr int kKeyRepeatGapMs = 25;

void ReportScroll(benchmark::State& state, GridFixture& fixture, const std::vector<double>& vMs,
                  const std::vector<double>& vPaced) {
    std::vector<double> vFloor;
    for (int i = 0; i < 15; ++i) vFloor.push_back(fixture.RepaintMs());
    state.counters["screens"] = double(vMs.size());
    state.counters["screen_worst_ms"] = *std::max_element(vMs.begin(), vMs.end());
    state.counters["screen_median_ms"] = Median(vMs);
    state.counters["paced_worst_ms"] = *std::max_element(vPaced.begin(), vPaced.end());
    state.counters["paced_median_ms"] = Median(vPaced);
    state.counters["paced_over_16ms"] =
        double(std::count_if(vPaced.begin(), vPaced.end(), [](double f) { return f > 16; }));
    state.counters["repaint_floor_ms"] = Median(vFloor);
    state.counters["median_vs_floor"] = Median(vMs) / Median(vFloor);
}

// The run, the first paint and a scroll through the whole grid and back.
void RunPaintScroll(benchmark::State& state, GridFixture& fixture, const std::string& strFolder,
                    std::size_t nExpected) {
    const double fBefore = StatusMiB("VmRSS:");
    ResetPeak();
    double fRunPeak = 0;
    std::vector<double> vMs;
    std::vector<double> vPaced;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        fixture.Run(strFolder);
        state.SetIterationTime(Seconds(t0));
        fRunPeak = StatusMiB("VmHWM:");
        if (fixture.View().Catalogue().size() != nExpected) {
            state.SkipWithError("the run did not make every thumbnail");
            return;
        }
        fixture.View().viewport()->repaint();
        // Back to back: nothing is remade ahead. Then paced, on pixels
        // released again by the first pass.
        vMs = fixture.ScrollThrough();
        vPaced = fixture.ScrollThrough(kKeyRepeatGapMs);
    }
    state.counters["rss_before_MiB"] = fBefore;
    state.counters["peak_run_MiB"] = fRunPeak;
    state.counters["peak_all_MiB"] = StatusMiB("VmHWM:");
    state.counters["rss_after_MiB"] = StatusMiB("VmRSS:");
    state.counters["all_thumbs_MiB"] = AllThumbnailsMiB(fixture.View().Catalogue());
    ReportScroll(state, fixture, vMs, vPaced);
}

void BM_Grid100kSmallJpegs(benchmark::State& state) {
    const std::string strFolder = SmallFolder();
    GridFixture fixture;
    RunPaintScroll(state, fixture, strFolder, kSmallFiles);
}

void BM_Grid5000Photos1600x1200(benchmark::State& state) {
    const std::vector<std::string> vFiles = CorpusFiles("medium");
    if (vFiles.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    GridFixture fixture;
    const std::string strFolder = fixture.Folder("photos5000");
    for (int i = 0; i < kPhotoLinks; ++i) {
        const std::string strLink = strFolder + "/" + std::to_string(10000 + i) + ".jpg";
        if (symlink(vFiles[std::size_t(i) % vFiles.size()].c_str(), strLink.c_str()) != 0) {
            state.SkipWithError("cannot link the corpus into a folder");
            return;
        }
    }
    RunPaintScroll(state, fixture, strFolder, kPhotoLinks);
}

// The search and sort of 100,000 entries as the searching thread does them,
// against the floor of reading the folder's names once per pattern.
void BM_ScanSort100k(benchmark::State& state) {
    const std::string strFolder = SmallFolder();
    std::vector<double> vRatios;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ImageList list;
        ScanFolder(strFolder, ScanOptions{}, list, {});
        SortImages(list, 0, 0);
        const double fScan = Seconds(t0);
        state.SetIterationTime(fScan);
        if (list.size() != std::size_t(kSmallFiles)) {
            state.SkipWithError("the scan missed entries");
            return;
        }
        const auto t1 = std::chrono::steady_clock::now();
        std::size_t nNames = 0;
        for (std::size_t k = 0; k < std::size(kScanPatterns); ++k) {
            DIR* pDir = opendir(strFolder.c_str());
            while (const dirent* pEntry = readdir(pDir)) nNames += pEntry->d_name[0] != 0;
            closedir(pDir);
        }
        benchmark::DoNotOptimize(nNames);
        vRatios.push_back(fScan / Seconds(t1));
    }
    state.counters["vs_readdir_floor"] = Median(vRatios);
}

}  // namespace

BENCHMARK(BM_Grid100kSmallJpegs)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Grid5000Photos1600x1200)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ScanSort100k)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

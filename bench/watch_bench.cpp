// SPDX-License-Identifier: MIT
// A watched folder as the user sees it, on a live user-interface thread
// (offscreen):
//  - from the close of a 1600 x 1200 photo to its thumbnail in the grid,
//    against building that thumbnail alone, timed in the same iteration;
//  - a burst of 1,000 files created and deleted: the resident memory at its
//    peak while the grid settles, against the memory before the burst.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "bench_corpus.h"
#include "browser/galerio_view.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

// Resident memory now, in kilobytes.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// A shown view watching a fresh folder of its own, every box answered.
class WatchFixture {
public:
    WatchFixture() {
        setenv("XDG_CONFIG_HOME", (m_dir.path().toStdString() + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (m_dir.path().toStdString() + "/cache").c_str(), 1);
        bool bCreated = false;
        m_store.OpenProductKey("Galerio", bCreated);
        m_store.PutInt(kSectionBrowsing, kWatchFolder, 1);
        m_previous = SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });
        m_strFolder = m_dir.path().toStdString();
        m_pView = std::make_unique<CGalerioView>(m_store, nullptr);
        m_pView->resize(1280, 1024);
        m_pView->show();
        m_pView->StartSearch(m_strFolder);
        Pump([this] { return m_pView->IsIdle(); });
    }
    ~WatchFixture() {
        m_pView.reset();
        SetMessageHandler(m_previous);
    }
    template <typename Pred>
    void Pump(Pred pred) {
        while (!pred()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    bool Shows(const std::string& name) const {
        for (const auto& p : m_pView->Catalogue())
            if (p->m_strName + p->m_strExt == name) return p->m_pBits != nullptr;
        return false;
    }
    std::string Path(const std::string& name) const { return m_strFolder + "/" + name; }
    CGalerioView& View() { return *m_pView; }

private:
    QTemporaryDir m_dir;
    SettingsStore m_store;
    MessageHandler m_previous;
    std::string m_strFolder;
    std::unique_ptr<CGalerioView> m_pView;
};

void BM_WatchCloseToGrid(benchmark::State& state) {
    WatchFixture fixture;
    const std::vector<std::uint8_t> pixels = PhotoLikePixels(1600, 1200);
    std::vector<double> vRatios;
    double fTotal = 0;
    for (auto _ : state) {
        const std::string path = fixture.Path("new.jpg");
        JpegFile::WriteJpegFile(path, pixels.data(), 1600, 1200, 90);
        const auto t0 = std::chrono::steady_clock::now();
        fixture.Pump([&] { return fixture.Shows("new.jpg"); });
        const double fShown = Seconds(t0);
        const auto t1 = std::chrono::steady_clock::now();
        ImageItem item;
        item.m_strPath = path;
        item.m_nKind = IMAGE_JPEG;
        BuildThumbnailBitmap(item, 103, 100);
        vRatios.push_back(fShown / Seconds(t1));
        state.SetIterationTime(fShown);
        fTotal += fShown;
        std::remove(path.c_str());
        fixture.Pump([&] { return fixture.View().Catalogue().empty(); });
    }
    state.counters["close_to_grid_ms"] = 1000 * fTotal / double(state.iterations());
    state.counters["vs_build_alone"] = Median(vRatios);
}

void BM_WatchBurstMemory(benchmark::State& state) {
    WatchFixture fixture;
    const std::vector<std::uint8_t> pixels = PhotoLikePixels(64, 48);
    std::vector<double> vRatios;
    for (auto _ : state) {
        const long nBefore = ResidentKb();
        long nPeak = nBefore;
        const auto t0 = std::chrono::steady_clock::now();
        for (int n = 0; n < 1000; ++n) {
            const std::string path = fixture.Path("burst" + std::to_string(n) + ".jpg");
            JpegFile::WriteJpegFile(path, pixels.data(), 64, 48, 90);
            std::remove(path.c_str());
        }
        JpegFile::WriteJpegFile(fixture.Path("last.jpg"), pixels.data(), 64, 48, 90);
        fixture.Pump([&] {
            nPeak = std::max(nPeak, ResidentKb());
            return fixture.Shows("last.jpg");
        });
        state.SetIterationTime(Seconds(t0));
        vRatios.push_back(double(nPeak) / double(nBefore));
        std::remove(fixture.Path("last.jpg").c_str());
        fixture.Pump([&] { return fixture.View().Catalogue().empty(); });
    }
    state.counters["peak_vs_before"] = Median(vRatios);
}

}  // namespace

BENCHMARK(BM_WatchCloseToGrid)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WatchBurstMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

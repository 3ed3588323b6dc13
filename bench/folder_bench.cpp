// SPDX-License-Identifier: MIT
// A whole folder from StartSearch to the end of processing, with the
// hand-shake and the progress window running (offscreen), against the sum of
// the bare per-image decodes measured in the same iteration. The difference
// is what the pipeline adds around the decoder: scan, sort, hand-shakes,
// progress texts, shrink and display rows.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "browser/galerio_view.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "settings/settings_store.h"

namespace {

constexpr int kThumb = 100;  // the default pitch 103 less 3

double SecondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_WholeFolderVsFloor(benchmark::State& state) {
    const std::vector<std::string> vFiles = CorpusFiles("large");
    if (vFiles.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    // A folder holding only the large photographs, as links into the corpus.
    QTemporaryDir dir;
    const std::string strFolder = dir.path().toStdString() + "/photos";
    QDir().mkpath(QString::fromStdString(strFolder));
    std::vector<int> vReductions;
    for (const std::string& strPath : vFiles) {
        const std::string strLink = strFolder + strPath.substr(strPath.rfind('/'));
        if (symlink(strPath.c_str(), strLink.c_str()) != 0) {
            state.SkipWithError("cannot link the corpus into a folder");
            return;
        }
        std::uint32_t w = 0, h = 0;
        JpegFile::ReadJpegSize(strPath, w, h);
        vReductions.push_back(JpegFile::ChooseJpegReduction(kThumb, std::int32_t(std::max(w, h))));
    }
    setenv("XDG_CONFIG_HOME", (dir.path().toStdString() + "/config").c_str(), 1);
    SettingsStore store;
    bool bCreated = false;
    store.OpenProductKey("Galerio", bCreated);
    MessageHandler previous = SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });

    CGalerioView view(store, nullptr);
    view.resize(1280, 1024);
    view.show();
    double fRun = 0, fFloor = 0;
    int nRuns = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        view.StartSearch(strFolder);
        while (!view.IsIdle()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double fR = SecondsSince(t0);
        if (view.Catalogue().size() != vFiles.size()) {
            state.SkipWithError("the run did not make every thumbnail");
            break;
        }
        const auto t1 = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < vFiles.size(); ++i) BareDecode(vFiles[i], vReductions[i]);
        const double fF = SecondsSince(t1);
        state.SetIterationTime(fR);
        fRun += fR;
        fFloor += fF;
        ++nRuns;
    }
    if (nRuns > 0) {
        state.counters["run_ms"] = 1e3 * fRun / nRuns;
        state.counters["floor_sum_ms"] = 1e3 * fFloor / nRuns;
        state.counters["ratio"] = fRun / fFloor;
    }
    SetMessageHandler(previous);
}

}  // namespace

BENCHMARK(BM_WholeFolderVsFloor)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

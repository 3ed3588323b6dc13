// SPDX-License-Identifier: MIT
// `galerio --make-thumbs` over the 100 photographs of the corpus (50 of
// 4000 x 3000, 50 of 1600 x 1200): the whole command in this process, with
// its real scan, decodes and writes, once with one job and once with one
// job per core, interleaved in every iteration so both meet the same machine.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_run.h"
#include "bench_corpus.h"

namespace {

void EmptyFolder(const std::string& strFolder) {
    DIR* pDir = opendir(strFolder.c_str());
    if (!pDir) return;
    while (const dirent* entry = readdir(pDir))
        if (entry->d_name[0] != '.') unlink((strFolder + "/" + entry->d_name).c_str());
    closedir(pDir);
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Seconds of one command, from an empty thumbnail folder; fCpu is the CPU
// time all its threads used.
double RunCommand(const std::string& strPhotos, const std::string& strOut, int nJobs, bool& bOk,
                  double& fCpu) {
    EmptyFolder(strOut);
    std::FILE* pErr = std::fopen("/dev/null", "w");
    const double fCpu0 = ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const int nStatus =
        RunMakeThumbsCommand({strPhotos, "--out", strOut, "--size", "200", "--quality", "90",
                              "--page", strOut + "/index.html", "--jobs", std::to_string(nJobs)},
                             stdout, pErr);
    const double f = Seconds(t0);
    fCpu = ProcessCpuSeconds() - fCpu0;
    std::fclose(pErr);
    bOk = nStatus == 0;
    return f;
}

void BM_MakeThumbsCommand100Photos(benchmark::State& state) {
    std::vector<std::string> vFiles = CorpusFiles("large");
    const std::vector<std::string> vMedium = CorpusFiles("medium");
    vFiles.insert(vFiles.end(), vMedium.begin(), vMedium.end());
    if (vFiles.size() != 100) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    QTemporaryDir dir;
    setenv("XDG_CONFIG_HOME", (dir.path().toStdString() + "/config").c_str(), 1);
    const std::string strPhotos = dir.path().toStdString() + "/photos";
    const std::string strOut = dir.path().toStdString() + "/out";
    mkdir(strPhotos.c_str(), 0755);
    mkdir(strOut.c_str(), 0755);
    for (const std::string& strPath : vFiles) {
        const std::string strLink = strPhotos + strPath.substr(strPath.rfind('/'));
        if (symlink(strPath.c_str(), strLink.c_str()) != 0) {
            state.SkipWithError("cannot link the corpus into a folder");
            return;
        }
    }
    const int nCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<double> vOne, vAll, vSpeedUps, vCpuRatios;
    for (auto _ : state) {
        bool bOne = false, bAll = false;
        double fCpuOne = 0, fCpuAll = 0;
        const double fOne = RunCommand(strPhotos, strOut, 1, bOne, fCpuOne);
        const double fAll = RunCommand(strPhotos, strOut, nCores, bAll, fCpuAll);
        if (!bOne || !bAll) {
            state.SkipWithError("the command failed");
            return;
        }
        state.SetIterationTime(fOne + fAll);
        vOne.push_back(fOne);
        vAll.push_back(fAll);
        vSpeedUps.push_back(fOne / fAll);
        vCpuRatios.push_back(fCpuAll / fCpuOne);
    }
    EmptyFolder(strOut);
    state.counters["cores"] = nCores;
    // Other work on the machine takes cores from the run with several jobs.
    double fLoad[1] = {0};
    if (getloadavg(fLoad, 1) == 1) state.counters["load_avg_1min"] = fLoad[0];
    state.counters["jobs1_ms"] = 1e3 * Median(vOne);
    state.counters["jobsN_ms"] = 1e3 * Median(vAll);
    // The median of the per-iteration ratios, and what the target asks of it.
    state.counters["speed_up"] = Median(vSpeedUps);
    state.counters["speed_up_per_core"] = Median(vSpeedUps) / nCores;
    // The CPU time the parallel run spends for the same work, against one
    // job: what running on several cores costs, whatever else the machine
    // is doing. On idle cores the speed-up approaches cores / this.
    state.counters["cpu_ratio_N_to_1"] = Median(vCpuRatios);
}

}  // namespace

BENCHMARK(BM_MakeThumbsCommand100Photos)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

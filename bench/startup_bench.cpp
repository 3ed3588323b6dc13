// SPDX-License-Identifier: MIT
// Launch to the first painted grid: the real program started on a folder of
// 200 photos whose thumbnails are already in the cache, until it has painted
// the finished grid, against a minimal Qt Widgets window started the same way
// in the same iteration. Both run as their own processes on the offscreen
// platform, with a home, settings, cache and runtime folder of their own.
// And a cold start on 5,000 photos: the first screenful and the whole grid
// with thumbnails shown as they are made, against the whole grid without.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "codec/jpeg_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

extern char** environ;

namespace {

constexpr int kPhotos = 200;
constexpr int kPhotoWidth = 1024;
constexpr int kPhotoHeight = 768;
// A program that has not painted by then never will.
constexpr int kLaunchTimeoutMs = 300000;

class LaunchFixture {
public:
    explicit LaunchFixture(bool bReportFirstScreen = false) {
        const std::string root = m_dir.path().toStdString();
        for (const char* pszSub : {"/home", "/config", "/cache", "/data", "/state", "/photos"})
            QDir().mkpath(QString::fromStdString(root + pszSub));
        // Qt wants a runtime folder only its user may enter.
        mkdir((root + "/runtime").c_str(), 0700);
        const std::pair<const char*, std::string> ours[] = {
            {"HOME", root + "/home"},
            {"XDG_CONFIG_HOME", root + "/config"},
            {"XDG_CACHE_HOME", root + "/cache"},
            {"XDG_DATA_HOME", root + "/data"},
            {"XDG_STATE_HOME", root + "/state"},
            {"XDG_RUNTIME_DIR", root + "/runtime"},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"GALERIO_EXIT_AFTER_GRID", "1"},
            {"GALERIO_REPORT_FIRST_SCREEN", bReportFirstScreen ? "1" : ""}};
        for (char** pp = environ; *pp; ++pp) {
            const std::string entry = *pp;
            const std::string name = entry.substr(0, entry.find('='));
            if (std::none_of(std::begin(ours), std::end(ours),
                             [&](const auto& o) { return name == o.first; }))
                m_env.push_back(entry);
        }
        for (const auto& [pszName, value] : ours)
            if (!value.empty()) m_env.push_back(std::string(pszName) + "=" + value);
    }

    // Paints kPhotos distinct photo-sized JPEGs; false when one cannot be written.
    bool WritePhotos() const {
        std::vector<std::uint8_t> rgb(std::size_t(kPhotoWidth) * kPhotoHeight * 3);
        for (int i = 0; i < kPhotos; ++i) {
            for (int y = 0; y < kPhotoHeight; ++y)
                for (int x = 0; x < kPhotoWidth; ++x) {
                    std::uint8_t* p = &rgb[(std::size_t(y) * kPhotoWidth + x) * 3];
                    p[0] = std::uint8_t(x / 4 + i);
                    p[1] = std::uint8_t(y / 3 + 2 * i);
                    p[2] = std::uint8_t((x ^ y) + 3 * i);
                }
            char szName[32];
            std::snprintf(szName, sizeof szName, "/photo_%03d.jpg", i);
            if (!JpegFile::WriteJpegFile(Photos() + szName, rgb.data(), kPhotoWidth, kPhotoHeight,
                                         85))
                return false;
        }
        return true;
    }

    std::string Photos() const { return m_dir.path().toStdString() + "/photos"; }

    // Thumbnail records the cache holds.
    int CachedRecords() const {
        int n = 0;
        QDirIterator it(m_dir.path() + "/cache/galerio", QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            ++n;
        }
        return n;
    }

    // Thumbnails shown as they are made, or not, from the next start on;
    // false before a start has made the settings file.
    bool SetShowWhileMaking(bool bShow) const {
        QDirIterator it(m_dir.path() + "/config", {QStringLiteral("Galerio.ini")}, QDir::Files,
                        QDirIterator::Subdirectories);
        if (!it.hasNext()) return false;
        SettingsStore store;
        store.SetFilePath(it.next().toStdString());
        return store.PutInt(kSectionBrowsing, kShowWhileMaking, bShow ? 1 : 0);
    }

    // The next start finds no thumbnail in the cache.
    void EmptyCache() const { QDir(m_dir.path() + "/cache/galerio").removeRecursively(); }

    // Seconds from starting exe until it prints its first line other than
    // "first screen painted", whose time goes to *pfFirstScreen; negative
    // when it could not be started or ends or times out without one. The
    // program's peak resident memory goes to *pfPeakMiB.
    double Launch(const std::string& exe, const std::vector<std::string>& args,
                  double* pfFirstScreen = nullptr, double* pfPeakMiB = nullptr) const {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return -1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        // Qt's offscreen platform chats on stderr.
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> argStrings{exe};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv, envp;
        for (const std::string& s : argStrings) argv.push_back(const_cast<char*>(s.c_str()));
        for (const std::string& s : m_env) envp.push_back(const_cast<char*>(s.c_str()));
        argv.push_back(nullptr);
        envp.push_back(nullptr);

        const auto t0 = std::chrono::steady_clock::now();
        pid_t pid = 0;
        const int nSpawn =
            posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (nSpawn != 0) {
            close(fds[0]);
            return -1;
        }
        double fSeconds = -1;
        pollfd pfd{fds[0], POLLIN, 0};
        char c = 0;
        std::string line;
        while (poll(&pfd, 1, kLaunchTimeoutMs) == 1 && read(fds[0], &c, 1) == 1) {
            if (c != '\n') {
                line += c;
                continue;
            }
            if (line != "first screen painted") {
                fSeconds = Seconds(t0);
                break;
            }
            if (pfFirstScreen) *pfFirstScreen = Seconds(t0);
            line.clear();
        }
        if (fSeconds < 0) kill(pid, SIGKILL);
        close(fds[0]);
        int nStatus = 0;
        rusage usage{};
        wait4(pid, &nStatus, 0, &usage);
        if (pfPeakMiB) *pfPeakMiB = usage.ru_maxrss / 1024.0;
        return fSeconds;
    }

private:
    QTemporaryDir m_dir;
    std::vector<std::string> m_env;
};

void BM_LaunchToGridVsMinimalWindow(benchmark::State& state) {
    LaunchFixture fixture;
    if (!fixture.WritePhotos()) {
        state.SkipWithError("cannot write the photos");
        return;
    }
    const std::vector<std::string> galerioArgs{fixture.Photos()};
    // The first start makes the settings and fills the cache; the second is
    // the first of an ordinary user's starts. Both also bring the programs
    // and libraries into memory.
    for (int i = 0; i < 2; ++i)
        if (fixture.Launch(GALERIO_EXE, galerioArgs) < 0 ||
            fixture.Launch(MINIMAL_WINDOW_EXE, {}) < 0) {
            state.SkipWithError("a program did not report its first paint");
            return;
        }
    if (fixture.CachedRecords() < kPhotos) {
        state.SkipWithError("the first start did not fill the thumbnail cache");
        return;
    }
    // Another build of the program (an older one, say) timed in the same
    // iterations, on the same folder and cache.
    const char* pszCompare = std::getenv("GALERIO_BENCH_COMPARE_EXE");
    std::vector<double> vGrid, vMinimal, vRatios, vCompare, vCompareRatios;
    for (auto _ : state) {
        const double fMinimal = fixture.Launch(MINIMAL_WINDOW_EXE, {});
        const double fGrid = fixture.Launch(GALERIO_EXE, galerioArgs);
        const double fCompare = pszCompare ? fixture.Launch(pszCompare, galerioArgs) : 1;
        if (fMinimal <= 0 || fGrid <= 0 || fCompare <= 0) {
            state.SkipWithError("a program did not report its first paint");
            return;
        }
        state.SetIterationTime(fGrid);
        vGrid.push_back(fGrid);
        vMinimal.push_back(fMinimal);
        vRatios.push_back(fGrid / fMinimal);
        vCompare.push_back(fCompare);
        vCompareRatios.push_back(fCompare / fMinimal);
    }
    // Medians: a virtual machine's stolen time hits single launches.
    state.counters["launch_to_grid_ms"] = 1e3 * Median(vGrid);
    state.counters["minimal_window_ms"] = 1e3 * Median(vMinimal);
    state.counters["ratio"] = Median(vRatios);
    if (pszCompare) {
        state.counters["compare_to_grid_ms"] = 1e3 * Median(vCompare);
        state.counters["compare_ratio"] = Median(vCompareRatios);
    }
}

constexpr int kColdPhotos = 5000;
constexpr std::uint32_t kColdWidth = 1600;
constexpr std::uint32_t kColdHeight = 1200;

// The cold folder, written once beside the corpus; empty when it cannot be.
std::string ColdFolder() {
    const std::string folder = CorpusFolder() + "/cold5k";
    if (QFileInfo::exists(QString::fromStdString(folder + "/.complete"))) return folder;
    if (!QDir().mkpath(QString::fromStdString(folder))) return {};
    std::vector<std::uint8_t> rgb = PhotoLikePixels(kColdWidth, kColdHeight);
    for (int i = 0; i < kColdPhotos; ++i) {
        // Each photo its own: the first rows differ.
        for (std::size_t k = 0; k < 16 * kColdWidth * 3; ++k) rgb[k] = std::uint8_t(k * 7 + i);
        char szName[32];
        std::snprintf(szName, sizeof szName, "/cold_%04d.jpg", i);
        if (!JpegFile::WriteJpegFile(folder + szName, rgb.data(), kColdWidth, kColdHeight, 85))
            return {};
    }
    QFile(QString::fromStdString(folder + "/.complete")).open(QIODevice::WriteOnly);
    return folder;
}

// Cold: no thumbnail in the cache; the photos themselves are in memory.
void BM_ColdFolderFirstScreen(benchmark::State& state) {
    const std::string folder = ColdFolder();
    if (folder.empty()) {
        state.SkipWithError("cannot write the cold folder");
        return;
    }
    LaunchFixture fixture(true);
    const std::vector<std::string> args{folder};
    // Makes the settings file and brings the program and the photos into memory.
    if (fixture.Launch(GALERIO_EXE, args) < 0 || !fixture.SetShowWhileMaking(true)) {
        state.SkipWithError("the program did not report its grid");
        return;
    }
    std::vector<double> vFirst, vGridOn, vGridOff, vRatios, vFirstRatios, vPeakOn, vPeakOff;
    for (auto _ : state) {
        double fFirst = -1;
        fixture.SetShowWhileMaking(true);
        fixture.EmptyCache();
        const double fGridOn = fixture.Launch(GALERIO_EXE, args, &fFirst, &vPeakOn.emplace_back());
        fixture.SetShowWhileMaking(false);
        fixture.EmptyCache();
        const double fGridOff = fixture.Launch(GALERIO_EXE, args, nullptr, &vPeakOff.emplace_back());
        if (fFirst <= 0 || fGridOn <= 0 || fGridOff <= 0) {
            state.SkipWithError("the program did not report its first screen or grid");
            return;
        }
        state.SetIterationTime(fFirst);
        vFirst.push_back(fFirst);
        vGridOn.push_back(fGridOn);
        vGridOff.push_back(fGridOff);
        vRatios.push_back(fGridOn / fGridOff);
        vFirstRatios.push_back(fFirst / fGridOff);
    }
    state.counters["first_screen_ms"] = 1e3 * Median(vFirst);
    state.counters["grid_shown_while_made_ms"] = 1e3 * Median(vGridOn);
    state.counters["grid_made_first_ms"] = 1e3 * Median(vGridOff);
    state.counters["grid_ratio"] = Median(vRatios);
    state.counters["first_screen_ratio"] = Median(vFirstRatios);
    state.counters["peak_rss_shown_while_made_mib"] = Median(vPeakOn);
    state.counters["peak_rss_made_first_mib"] = Median(vPeakOff);
}

}  // namespace

BENCHMARK(BM_ColdFolderFirstScreen)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_LaunchToGridVsMinimalWindow)
    ->UseManualTime()
    ->Iterations(21)
    ->Unit(benchmark::kMillisecond);

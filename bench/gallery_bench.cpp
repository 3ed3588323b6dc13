// SPDX-License-Identifier: MIT
// The web gallery, made cold and made again.
// Cold: 200 photos of 12 MP published into an empty folder on every core,
// against the least any gallery writer must do for the same images, timed in
// the same run and alternating which goes first: for each photo a bare
// libjpeg decode at the DCT reduction the gallery uses, a box shrink to the
// web size, an encode, shrinks to the 2x and 1x thumbnail sizes and their
// encodes, the photos shared over as many plain threads.
// Again: the program run a second time on an unchanged folder of 1,000
// photos, timed as the user waits (start to exit), against the same program
// only printing its options, and beside it the folder listed and stat'ed.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_corpus.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "publish/gallery.h"

extern char** environ;

namespace {

constexpr int kColdPhotos = 200;
constexpr int kRerunPhotos = 1000;
// The re-run is meant to take no longer than this, whatever the machine.
constexpr double kRerunGoalSeconds = 2.0;

bool MakeFolder(const std::string& strFolder) {
    return QDir().mkpath(QString::fromStdString(strFolder));
}

void RemoveFolder(const std::string& strFolder) {
    QDir(QString::fromStdString(strFolder)).removeRecursively();
}

// A folder made once beside the corpus and kept, marked complete at the end
// so that an interrupted start is redone; empty when it cannot be made.
template <typename Fill>
std::string KeptFolder(const char* pszName, Fill fnFill) {
    const std::string strFolder = CorpusFolder() + "/" + pszName;
    if (access((strFolder + "/.complete").c_str(), F_OK) == 0) return strFolder;
    RemoveFolder(strFolder);
    if (!MakeFolder(strFolder) || !fnFill(strFolder)) return {};
    QFile(QString::fromStdString(strFolder + "/.complete")).open(QIODevice::WriteOnly);
    return strFolder;
}

// 200 photos of 4000 x 3000: the corpus' 50 large photographs four times
// over, as links where the file system allows (only their pixels matter).
std::string ColdFolder() {
    const std::vector<std::string> vLarge = CorpusFiles("large");
    if (vLarge.empty()) return {};
    return KeptFolder("gallery200", [&](const std::string& strFolder) {
        for (int i = 0; i < kColdPhotos; ++i) {
            char szName[32];
            std::snprintf(szName, sizeof szName, "/photo_%03d.jpg", i);
            const std::string& strFrom = vLarge[std::size_t(i) % vLarge.size()];
            const std::string strTo = strFolder + szName;
            if (link(strFrom.c_str(), strTo.c_str()) != 0 &&
                !QFile::copy(QString::fromStdString(strFrom), QString::fromStdString(strTo)))
                return false;
        }
        return true;
    });
}

// 1,000 small photos, each its own: the re-run opens none of them.
std::string RerunFolder() {
    return KeptFolder("gallery1k", [](const std::string& strFolder) {
        constexpr std::uint32_t w = 320, h = 240;
        std::vector<std::uint8_t> rgb = PhotoLikePixels(w, h);
        for (int i = 0; i < kRerunPhotos; ++i) {
            for (std::size_t k = 0; k < 8 * w * 3; ++k) rgb[k] = std::uint8_t(k * 5 + i);
            char szName[32];
            std::snprintf(szName, sizeof szName, "/photo_%04d.jpg", i);
            if (!JpegFile::WriteJpegFile(strFolder + szName, rgb.data(), w, h, 85)) return false;
        }
        return true;
    });
}

// The strongest reduction of 1/1, 1/2, 1/4 and 1/8 whose long side, as
// libjpeg rounds it, still reaches the web size.
int WebReduction(std::uint32_t nWidth, std::uint32_t nHeight, int nWebSize) {
    const std::uint32_t nLong = std::max(nWidth, nHeight);
    int nReduction = 1;
    while (nReduction < 8 &&
           (nLong + 2 * nReduction - 1) / (2 * nReduction) >= std::uint32_t(nWebSize))
        nReduction *= 2;
    return nReduction;
}

// Shrinks the packed image in place of its buffer when larger than nSide.
void FitInto(std::unique_ptr<std::uint8_t[]>& p, std::uint32_t& w, std::uint32_t& h, int nSide) {
    std::uint32_t tw = 0, th = 0;
    if (!FitWithinSquare(w, h, nSide, tw, th)) return;
    std::unique_ptr<std::uint8_t[]> pSmall(new std::uint8_t[std::size_t(tw) * th * 3]);
    BoxShrink(p.get(), pSmall.get(), w, h, tw, th);
    p = std::move(pSmall), w = tw, h = th;
}

// One photo's three images, bare; each size shrunk from the one before.
void BareGalleryPhoto(const std::string& strPath, int nReduction, const std::string& strOut,
                      const std::string& strName, const GalleryOptions& options) {
    std::uint32_t w = 0, h = 0;
    auto p = BareDecodePacked(strPath, nReduction, w, h);
    if (!p) return;
    const struct {
        const char* pszFolder;
        int nSide;
    } aSteps[] = {{kGalleryWebFolder, options.nWebSize},
                  {kGalleryThumb2xFolder, 2 * options.nThumbSize},
                  {kGalleryThumbFolder, options.nThumbSize}};
    for (const auto& step : aSteps) {
        FitInto(p, w, h, step.nSide);
        BareEncode(strOut + "/" + step.pszFolder + "/" + strName, p.get(), w, h, kGalleryQuality);
    }
}

// The bare work shared over nJobs threads, each taking the next photo.
void BareGallery(const GalleryRun& run, const std::vector<int>& vReductions) {
    for (const char* pszFolder : {kGalleryWebFolder, kGalleryThumb2xFolder, kGalleryThumbFolder})
        MakeFolder(run.strOut + "/" + pszFolder);
    std::atomic<std::size_t> nNext{0};
    std::vector<std::thread> vThreads;
    for (int t = 0; t < run.nJobs; ++t)
        vThreads.emplace_back([&] {
            for (std::size_t i; (i = nNext++) < run.vSources.size();)
                BareGalleryPhoto(run.vSources[i].strPath, vReductions[i], run.strOut,
                                 run.vSources[i].strFileName, run.options);
        });
    for (std::thread& thread : vThreads) thread.join();
}

void BM_GalleryColdVsBare(benchmark::State& state) {
    const std::string strPhotos = ColdFolder();
    if (strPhotos.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    QTemporaryDir dir;
    GalleryRun run;
    run.strPhotos = strPhotos;
    run.nJobs = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<int> vReductions;
    for (int i = 0; i < kColdPhotos; ++i) {
        char szName[32];
        std::snprintf(szName, sizeof szName, "photo_%03d.jpg", i);
        run.vSources.push_back({strPhotos + "/" + szName, szName, IMAGE_JPEG});
        std::uint32_t w = 0, h = 0;
        JpegFile::ReadJpegSize(run.vSources.back().strPath, w, h);
        vReductions.push_back(WebReduction(w, h, run.options.nWebSize));
    }
    const std::atomic<bool> bStop{false};
    std::vector<double> vGallery, vBare, vRatios;
    for (auto _ : state) {
        double fGallery = 0, fBare = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            GalleryRun thisRun = run;
            thisRun.strOut = dir.path().toStdString() + "/out";
            RemoveFolder(thisRun.strOut);
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (vGallery.size() % 2 == 0)) {
                const GalleryOutcome outcome = PublishGallery(thisRun, bStop, {});
                fGallery = Seconds(t0);
                if (outcome.result != GalleryResult::Done || outcome.nMade != run.vSources.size())
                    return state.SkipWithError("PublishGallery did not make every photo");
            } else {
                BareGallery(thisRun, vReductions);
                fBare = Seconds(t0);
            }
        }
        state.SetIterationTime(fGallery);
        vGallery.push_back(fGallery);
        vBare.push_back(fBare);
        vRatios.push_back(fGallery / fBare);
    }
    state.counters["gallery_s"] = Median(vGallery);
    state.counters["bare_s"] = Median(vBare);
    state.counters["ratio"] = Median(vRatios);
    state.counters["jobs"] = run.nJobs;
}

// Seconds from starting the program until it ends; negative when it could
// not be started or failed. Its output goes nowhere.
double RunToExit(const std::vector<std::string>& vArgs, const std::vector<std::string>& vEnv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv, envp;
    for (const std::string& s : vArgs) argv.push_back(const_cast<char*>(s.c_str()));
    for (const std::string& s : vEnv) envp.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int nStatus = -1;
    const bool bStarted =
        posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (bStarted) waitpid(pid, &nStatus, 0);
    const double fSeconds = Seconds(t0);
    return bStarted && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 ? fSeconds : -1;
}

// The floor of any re-run that looks at every photo: list the folder and
// stat each entry.
double ListAndStat(const std::string& strFolder) {
    const auto t0 = std::chrono::steady_clock::now();
    DIR* pDir = opendir(strFolder.c_str());
    if (!pDir) return -1;
    std::size_t nFiles = 0;
    while (const dirent* pEntry = readdir(pDir)) {
        struct stat st {};
        if (stat((strFolder + "/" + pEntry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ++nFiles;
    }
    closedir(pDir);
    benchmark::DoNotOptimize(nFiles);
    return Seconds(t0);
}

void BM_GalleryRerunVsHelp(benchmark::State& state) {
    const std::string strPhotos = RerunFolder();
    if (strPhotos.empty()) return state.SkipWithError("cannot write the photos");
    QTemporaryDir dir;
    const std::string strRoot = dir.path().toStdString();
    // Settings and caches of its own, so a run reads nothing of the user's.
    std::vector<std::string> vEnv{"QT_QPA_PLATFORM=offscreen", "HOME=" + strRoot,
                                  "XDG_CONFIG_HOME=" + strRoot + "/config",
                                  "XDG_CACHE_HOME=" + strRoot + "/cache"};
    for (char** pp = environ; *pp; ++pp)
        if (std::string(*pp).rfind("PATH=", 0) == 0) vEnv.push_back(*pp);
    const std::vector<std::string> vGallery{GALERIO_EXE,      "--make-thumbs", strPhotos, "--out",
                                            strRoot + "/out", "--style",       "gallery"};
    const std::vector<std::string> vHelp{GALERIO_EXE, "--make-thumbs", "--help"};
    if (!MakeFolder(strRoot + "/out") || RunToExit(vGallery, vEnv) < 0)
        return state.SkipWithError("the first run failed");
    std::vector<double> vRerun, vHelpTimes, vList, vRatios;
    for (auto _ : state) {
        double fRerun = 0, fHelp = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn)
            if ((nTurn == 0) == (vRerun.size() % 2 == 0))
                fRerun = RunToExit(vGallery, vEnv);
            else
                fHelp = RunToExit(vHelp, vEnv);
        if (fRerun < 0 || fHelp < 0) return state.SkipWithError("a run failed");
        state.SetIterationTime(fRerun);
        vRerun.push_back(fRerun);
        vHelpTimes.push_back(fHelp);
        vRatios.push_back(fRerun / fHelp);
        vList.push_back(ListAndStat(strPhotos));
    }
    state.counters["rerun_s"] = Median(vRerun);
    state.counters["help_s"] = Median(vHelpTimes);
    state.counters["ratio"] = Median(vRatios);
    state.counters["list_stat_ms"] = 1e3 * Median(vList);
    state.counters["within_goal"] = Median(vRerun) <= kRerunGoalSeconds;
}

}  // namespace

// A cold run takes many seconds on each side: a few rounds.
BENCHMARK(BM_GalleryColdVsBare)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK(BM_GalleryRerunVsHelp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

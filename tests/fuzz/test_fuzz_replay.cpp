// SPDX-License-Identifier: MIT
// Every seed of the fuzz corpora and every file that once hurt goes through
// the fuzz targets' bodies in a child process of its own, held to the
// fuzzer's bounds: no crash or sanitizer report, at most 1 GiB and 10 s of
// processor time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_targets.h"

namespace {

namespace fs = std::filesystem;
using FuzzFunction = int (*)(const std::uint8_t*, std::size_t);

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers reserve terabytes of address space, so a limit on it would
// stop every child at once; their builds are also several times slower.
constexpr bool kLimitAddressSpace = false;
constexpr int kTimeFactor = 6;
#else
constexpr bool kLimitAddressSpace = true;
constexpr int kTimeFactor = 1;
#endif
#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer's shadow of every touched byte counts as resident too.
constexpr long kMemoryFactor = 2;
#else
constexpr long kMemoryFactor = 1;
#endif

constexpr long kMemoryLimitMb = 1024 * kMemoryFactor;
constexpr int kTimeLimitSeconds = 10;
// The time bound is on processor time, which a busy machine does not
// stretch; a child is killed only when the clock on the wall runs this many
// times over, so one that waits for ever is stopped too.
constexpr int kWallFactor = 6;

struct Bounds {
    long nMemoryMb = kMemoryLimitMb;
    std::chrono::milliseconds time{kTimeLimitSeconds * 1000 * kTimeFactor};
};

std::chrono::milliseconds CpuTime(const rusage& usage) {
    using std::chrono::milliseconds;
    auto Ms = [](const timeval& tv) { return milliseconds(tv.tv_sec * 1000 + tv.tv_usec / 1000); };
    return Ms(usage.ru_utime) + Ms(usage.ru_stime);
}

// What became of one child: empty when it kept within its bounds.
std::string RunBounded(const std::function<void()>& fnWork, const Bounds& bounds) {
    // The child starts from the parent's address space; the limit is what it
    // may add to it.
    // A child also starts with the parent's resident pages, so its peak is
    // measured from those.
    long nPages = 0, nResidentPages = 0;
    std::ifstream("/proc/self/statm") >> nPages >> nResidentPages;
    const rlim_t nBase = rlim_t(nPages) * rlim_t(sysconf(_SC_PAGESIZE));
    const long nBaseRssKb = nResidentPages * (sysconf(_SC_PAGESIZE) / 1024);

    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        if (kLimitAddressSpace) {
            const rlim_t nLimit = nBase + rlim_t(bounds.nMemoryMb) * 1024 * 1024;
            const rlimit limit{nLimit, nLimit};
            setrlimit(RLIMIT_AS, &limit);
        }
        fnWork();
        std::fflush(nullptr);
        _exit(0);
    }
    const auto start = std::chrono::steady_clock::now();
    int nStatus = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(pid, &nStatus, WNOHANG, &usage);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() - start > bounds.time * kWallFactor) {
            kill(pid, SIGKILL);
            wait4(pid, &nStatus, 0, &usage);
            return "still running after " + std::to_string(bounds.time.count() * kWallFactor) +
                   " ms";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (CpuTime(usage) > bounds.time)
        return "took " + std::to_string(CpuTime(usage).count()) + " ms of processor time";
    if (WIFSIGNALED(nStatus)) return std::string("died of ") + strsignal(WTERMSIG(nStatus));
    if (WEXITSTATUS(nStatus) != 0) return "exited with " + std::to_string(WEXITSTATUS(nStatus));
    // ru_maxrss is in KiB.
    const long nGrowthMb = (usage.ru_maxrss - nBaseRssKb) / 1024;
    if (nGrowthMb > bounds.nMemoryMb) return "grew by " + std::to_string(nGrowthMb) + " MiB";
    return {};
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Target {
    const char* pszName;  // corpus folder, and the start of its regressions' names
    FuzzFunction fnRun;
};

void PrintTo(const Target& target, std::ostream* pOut) { *pOut << target.pszName; }

const Target kTargets[] = {
    {"jpeg", FuzzJpegFile},           {"bmp", FuzzBmpFile},
    {"qt_photo", FuzzQtPhoto},
    {"settings", FuzzSettingsFile},   {"command_line", FuzzCommandLine},
    {"page_writer", FuzzPageWriter},  {"thumb_writer", FuzzThumbWriter},
    {"raw", FuzzRawPhoto},
    {"heif", FuzzHeifPhoto},
};

const fs::path kFuzzDir = GALERIO_FUZZ_DIR;

// A regression belongs to the target its name starts with: "jpeg-...".
bool BelongsTo(const fs::path& file, const char* pszTarget) {
    return file.filename().string().starts_with(std::string(pszTarget) + "-");
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> vFiles;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) vFiles.push_back(entry.path());
    std::sort(vFiles.begin(), vFiles.end());
    return vFiles;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {
protected:
    void SetUp() override {
        // The targets' own folders go under this one, so nothing a killed
        // child leaves behind outlives the test.
        ASSERT_TRUE(m_tmp.isValid());
        m_strOldTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        setenv("TMPDIR", m_tmp.path().toLocal8Bit().constData(), 1);
    }
    void TearDown() override {
        if (m_strOldTmp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", m_strOldTmp.c_str(), 1);
    }

    QTemporaryDir m_tmp;
    std::string m_strOldTmp;
};

TEST_P(FuzzReplay, EverySeedAndRegressionStaysWithinBounds) {
    const Target& target = GetParam();
    std::vector<fs::path> vInputs = FilesIn(kFuzzDir / "corpus" / target.pszName);
    ASSERT_FALSE(vInputs.empty()) << "no seeds for " << target.pszName;
    for (const fs::path& file : FilesIn(kFuzzDir / "regressions"))
        if (BelongsTo(file, target.pszName)) vInputs.push_back(file);

    for (const fs::path& file : vInputs) {
        const std::string strBytes = ReadAll(file);
        const std::string strFault = RunBounded(
            [&] {
                target.fnRun(reinterpret_cast<const std::uint8_t*>(strBytes.data()),
                             strBytes.size());
            },
            Bounds{});
        EXPECT_EQ(strFault, "") << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST(FuzzReplayFiles, EveryRegressionNamesItsTarget) {
    const std::vector<fs::path> vFiles = FilesIn(kFuzzDir / "regressions");
    ASSERT_GE(vFiles.size(), 5u);
    for (const fs::path& file : vFiles) {
        if (file.filename() == "README.md") continue;
        const bool bNamed = std::any_of(std::begin(kTargets), std::end(kTargets),
                                        [&](const Target& t) { return BelongsTo(file, t.pszName); });
        EXPECT_TRUE(bNamed) << file << " would never be replayed";
    }
}

// The bounds catch what they are there for: a crash, a runaway allocation,
// an input that never finishes.
TEST(FuzzReplayBounds, AChildOutsideItsBoundsIsReported) {
    EXPECT_EQ(RunBounded([] {}, Bounds{}), "");
    EXPECT_EQ(RunBounded([] { std::abort(); }, Bounds{}), "died of Aborted");

    const Bounds tight{64, std::chrono::milliseconds(1000 * kTimeFactor)};
    const std::string strMemory = RunBounded(
        [] {
            // Touched page by page so it is resident, not only reserved.
            const std::size_t nBytes = std::size_t(256) << 20;
            auto* p = static_cast<volatile char*>(std::malloc(nBytes));
            if (!p) std::abort();
            for (std::size_t i = 0; i < nBytes; i += 4096) p[i] = 1;
            std::free(const_cast<char*>(p));
        },
        tight);
    EXPECT_NE(strMemory, "");

    const std::string strStuck =
        RunBounded([] { std::this_thread::sleep_for(std::chrono::seconds(30)); },
                   Bounds{64, std::chrono::milliseconds(50)});
    EXPECT_EQ(strStuck, "still running after " + std::to_string(50 * kWallFactor) + " ms");

    const std::string strBusy = RunBounded(
        [] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            volatile unsigned n = 0;
            while (std::chrono::steady_clock::now() < end) n = n + 1;
        },
        Bounds{64, std::chrono::milliseconds(100)});
    EXPECT_NE(strBusy, "") << "a busy child must be stopped, one way or the other";
}

}  // namespace

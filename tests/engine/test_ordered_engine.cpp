// SPDX-License-Identifier: MIT
// Helper threads build ahead; the taker gets every result once, in order,
// as a single thread would have made them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/ordered_engine.h"

namespace {

using namespace std::chrono_literals;

struct Made {
    std::size_t nIndex = 0;
    std::thread::id builder;
    std::vector<std::string> messages;  // what the job had to say, travelling with it
};

Made MakeOne(std::size_t i) {
    // Later entries finish first, so only the engine can put them in order.
    std::this_thread::sleep_for(std::chrono::microseconds((40 - i % 40) * 20));
    return {i, std::this_thread::get_id(), {"a" + std::to_string(i), "b" + std::to_string(i)}};
}

class EngineOrder : public ::testing::TestWithParam<int> {};

TEST_P(EngineOrder, EveryResultOnceInOrderWithItsMessages) {
    std::atomic<int> nBuilt{0};
    OrderedEngine<Made> engine(120, [&](std::size_t i) { return ++nBuilt, MakeOne(i); },
                               GetParam(), 8);
    EXPECT_EQ(engine.HelperCount(), GetParam());
    std::vector<std::string> said;
    bool bHelped = false;
    for (std::size_t i = 0; i < 120; ++i) {
        const Made made = engine.TakeNext();
        ASSERT_EQ(made.nIndex, i);
        said.insert(said.end(), made.messages.begin(), made.messages.end());
        bHelped |= made.builder != std::this_thread::get_id();
    }
    EXPECT_EQ(nBuilt, 120);
    EXPECT_EQ(said.size(), 240u);
    EXPECT_EQ(said[3], "b1");
    EXPECT_EQ(bHelped, GetParam() > 0);
}

INSTANTIATE_TEST_SUITE_P(Helpers, EngineOrder, ::testing::Values(0, 1, 3));

// Memory follows the window, not the folder: helpers wait for the taker.
TEST(OrderedEngine, HelpersStayWithinTheirWindow) {
    std::atomic<int> nCalls{0};
    OrderedEngine<int> engine(200, [&](std::size_t i) { return ++nCalls, int(i); }, 2, 8);
    while (nCalls < 8) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(nCalls, 8);
    EXPECT_EQ(engine.TakeNext(), 0);
    while (nCalls < 9) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(nCalls, 9);
}

// The run's stop token ends the jobs in progress; stopping the engine then
// returns at once and drops what was not taken.
TEST(OrderedEngine, StopTokenEndsJobsAndStopDropsResults) {
    std::atomic<bool> bStop{false};
    std::atomic<int> nRunning{0};
    auto pAlive = std::make_shared<int>(0);
    {
        OrderedEngine<std::shared_ptr<int>> engine(
            6,
            [&](std::size_t) {
                ++nRunning;
                const auto start = std::chrono::steady_clock::now();
                while (!bStop && std::chrono::steady_clock::now() - start < 20s)
                    std::this_thread::sleep_for(1ms);
                return pAlive;
            },
            3, 6);
        while (nRunning < 3) std::this_thread::sleep_for(1ms);
        bStop = true;
        engine.Stop();
        EXPECT_EQ(pAlive.use_count(), 1);
    }
}

TEST(OrderedEngine, ThreadCountSetting) {
    EXPECT_EQ(BuildThreadCount(1), 1);
    EXPECT_EQ(BuildThreadCount(6), 6);
    EXPECT_EQ(BuildThreadCount(100000), 64);
    const int nCores = int(std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(BuildThreadCount(0), nCores);
    EXPECT_EQ(BuildThreadCount(-3), nCores);
}

}  // namespace

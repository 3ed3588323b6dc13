// SPDX-License-Identifier: MIT
// The random order of a slide show: rounds without repeats.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "browser/catalogue/slide_order.h"

namespace {

class SlideRounds : public ::testing::TestWithParam<int> {};

// Every round of n slides shows each entry exactly once, and a round never
// begins with the entry that ended the one before.
TEST_P(SlideRounds, EachRoundShowsEveryEntryOnceWithoutRepeatingAcrossRounds) {
    const int n = GetParam();
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 gen(seed);
        SlideOrder order;
        order.SetRandom([&gen] { return static_cast<int>(gen() % 32768); });
        int nLast = -1;
        for (int round = 0; round < 4; ++round) {
            std::set<int> seen;
            for (int k = 0; k < n; ++k) {
                const int i = order.GetRandomSlide(round == 0 && k == 0, n);
                ASSERT_GE(i, 0);
                ASSERT_LT(i, n);
                EXPECT_NE(i, nLast) << "seed " << seed;
                EXPECT_TRUE(seen.insert(i).second) << "seed " << seed << " round " << round;
                nLast = i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SlideRounds, ::testing::Values(2, 3, 7, 40));

// A round of a large folder must reach every entry, or it never ends: a
// budget of draws turns such a hang into a failure.
TEST(SlideOrder, ARoundOfALargeFolderEnds) {
    for (const int n : {32709, 32710, 100000}) {
        std::mt19937 gen(3);
        long nDraws = 0;
        SlideOrder order;
        order.SetRandom([&] {
            return ++nDraws > 40L * n ? throw n : int(gen() % 32768);
        });
        std::set<int> seen;
        for (int k = 0; k < n; ++k) ASSERT_NO_THROW(seen.insert(order.GetRandomSlide(k == 0, n)));
        EXPECT_TRUE(seen.size() == std::size_t(n) && *seen.rbegin() == n - 1) << n;
    }
}

TEST(SlideOrder, OneEntryRepeatsAndTwoAlternate) {
    SlideOrder order;
    order.SetRandom([] { return 32767; });  // the highest draw maps to the last entry
    EXPECT_EQ(order.GetRandomSlide(true, 1), 0);
    EXPECT_EQ(order.GetRandomSlide(false, 1), 0);
    int nDraw = 0;
    order.SetRandom([&nDraw] { return (nDraw++ % 3) * 16000; });
    int nPrev = order.GetRandomSlide(true, 2);
    for (int k = 0; k < 10; ++k) {
        const int i = order.GetRandomSlide(false, 2);
        EXPECT_NE(i, nPrev);
        nPrev = i;
    }
}

// Entries can leave the catalogue while a show runs: the order follows the
// new count and never names an entry past its end.
TEST(SlideOrder, FollowsACatalogueThatShrinks) {
    std::mt19937 gen(7);
    SlideOrder order;
    order.SetRandom([&gen] { return static_cast<int>(gen() % 32768); });
    order.GetRandomSlide(true, 10);
    for (int n = 9; n >= 1; --n) {
        const int i = order.GetRandomSlide(false, n);
        EXPECT_LT(i, n);
        EXPECT_EQ(order.SlidesShown().size(), static_cast<std::size_t>(n));
    }
    EXPECT_EQ(order.GetRandomSlide(false, 0), -1);
}

}  // namespace

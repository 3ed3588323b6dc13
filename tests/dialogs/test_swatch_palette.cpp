// SPDX-License-Identifier: MIT
// The palette the colour pickers share: its first contents, the
// move-to-front ranks and the slot a colour from the full dialog takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "dialogs/swatch_palette.h"

namespace {

int Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

class PaletteTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPalette(); }
    void TearDown() override { ResetPalette(); }
};

bool RanksArePermutation() {
    std::vector<int> ranks(g_paletteRank.begin(), g_paletteRank.end());
    std::sort(ranks.begin(), ranks.end());
    for (int i = 0; i < kPaletteSize; ++i) {
        if (ranks[i] != i + 1) return false;
    }
    return true;
}

struct InitialSlot {
    int r, g, b, nRank;
};

// Red, green and blue as the user sees them; the table keeps 0x00BBGGRR.
TEST_F(PaletteTest, StartsWithTheBasicColoursRankedFromBothEnds) {
    const InitialSlot slots[kPaletteSize] = {
        {0, 0, 0, 1},        {128, 0, 0, 3},      {0, 128, 0, 5},      {128, 128, 0, 7},
        {0, 0, 128, 9},      {128, 0, 128, 11},   {0, 128, 128, 13},   {192, 192, 192, 15},
        {192, 220, 192, 17}, {166, 202, 240, 19}, {255, 251, 240, 20}, {160, 160, 164, 18},
        {128, 128, 128, 16}, {255, 0, 0, 14},     {0, 255, 0, 12},     {255, 255, 0, 10},
        {0, 0, 255, 8},      {255, 0, 255, 6},    {0, 255, 255, 4},    {255, 255, 255, 2}};
    for (int k = 0; k < kPaletteSize; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(g_palette[k], Rgb(slots[k].r, slots[k].g, slots[k].b));
        EXPECT_EQ(g_paletteRank[k], slots[k].nRank);
    }
}

TEST_F(PaletteTest, ResetUndoesEveryChange) {
    const auto palette = g_palette;
    const auto ranks = g_paletteRank;
    UpdatePaletteRank(TakeColorIntoPalette(0x123456));
    UpdatePaletteRank(4);
    ResetPalette();
    EXPECT_EQ(g_palette, palette);
    EXPECT_EQ(g_paletteRank, ranks);
}

TEST_F(PaletteTest, ChoosingSlot3MovesOnlyTheSixSlotsRankedBeforeIt) {
    const auto before = g_paletteRank;
    UpdatePaletteRank(3);
    const std::vector<int> moved = {0, 1, 2, 17, 18, 19};
    for (int k = 0; k < kPaletteSize; ++k) {
        SCOPED_TRACE(k);
        const bool bMoved = std::find(moved.begin(), moved.end(), k) != moved.end();
        if (k == 3) {
            EXPECT_EQ(g_paletteRank[k], 1);
        } else {
            EXPECT_EQ(g_paletteRank[k], before[k] + (bMoved ? 1 : 0));
        }
    }
}

// Each row: the slots chosen in turn, then the slots from rank 1 onwards.
struct RankCase {
    const char* name;
    std::vector<int> chosen;
    std::vector<int> byRank;  // the first slots by rank, most recent first
};

void PrintTo(const RankCase& c, std::ostream* os) { *os << c.name; }

class RankTable : public PaletteTest, public ::testing::WithParamInterface<RankCase> {};

TEST_P(RankTable, MovesTheChosenSlotToTheFrontAndKeepsAPermutation) {
    const RankCase& c = GetParam();
    for (int k : c.chosen) {
        UpdatePaletteRank(k);
        ASSERT_TRUE(RanksArePermutation());
    }
    for (size_t i = 0; i < c.byRank.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(g_paletteRank[c.byRank[i]], i + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, RankTable,
                         ::testing::Values(RankCase{"FrontSlotAgain", {0}, {0, 19, 1, 18}},
                                           RankCase{"LastSlot", {10}, {10, 0, 19, 1}},
                                           RankCase{"TwoInTurn", {10, 3}, {3, 10, 0, 19, 1}},
                                           RankCase{"SameTwice", {5, 5}, {5, 0, 19, 1}},
                                           RankCase{"BackAndForth", {7, 12, 7}, {7, 12, 0, 19}},
                                           RankCase{
                                               "OutsideThePalette", {-1, 20, 255}, {0, 19, 1, 18}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaletteTest, AColourAlreadyThereTakesItsOwnSlotAndChangesNothing) {
    const auto palette = g_palette;
    EXPECT_EQ(TakeColorIntoPalette(0x808080), 12);
    EXPECT_EQ(TakeColorIntoPalette(0xFFFFFF), 19);
    EXPECT_EQ(g_palette, palette);
}

TEST_F(PaletteTest, TheFirstOfTwoEqualSlotsIsTaken) {
    g_palette[15] = 0x0000FF;  // as slot 13
    EXPECT_EQ(FindPaletteSlot(0x0000FF), 13);
    EXPECT_EQ(TakeColorIntoPalette(0x0000FF), 13);
}

// A new colour replaces the slot chosen longest ago: slot 10 first, then
// slot 9 once 10 has been moved to the front.
TEST_F(PaletteTest, NewColoursReplaceTheLeastRecentSlotsInTurn) {
    const auto before = g_palette;
    const int k1 = TakeColorIntoPalette(0x010203);
    UpdatePaletteRank(k1);
    const int k2 = TakeColorIntoPalette(0x040506);
    UpdatePaletteRank(k2);
    EXPECT_EQ(k1, 10);
    EXPECT_EQ(k2, 9);
    EXPECT_EQ(g_palette[10], 0x010203);
    EXPECT_EQ(g_palette[9], 0x040506);
    for (int k = 0; k < kPaletteSize; ++k) {
        if (k != 9 && k != 10) {
            EXPECT_EQ(g_palette[k], before[k]) << k;
        }
    }
    EXPECT_EQ(LeastRecentPaletteSlot(), 11);
}

}  // namespace

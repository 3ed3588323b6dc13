// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "browser/catalogue/grid_layout.h"

namespace {

struct GridCase {
    const char* name;
    std::size_t nEntries;
    int nPitch;
    int cxClient;
    int cyClient;
    GridSizes expected;
};

// Prints the case name in failure messages and test names.
std::ostream& operator<<(std::ostream& os, const GridCase& c) { return os << c.name; }

class GridSizesTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridSizesTest, ColumnsRowsAndScrollSizes) {
    const GridCase& c = GetParam();
    // 7 and 9 stand for whatever the last layout left; only an empty
    // catalogue may hand them back.
    const GridSizes got = ComputeGridSizes(c.nEntries, c.nPitch, c.cxClient, c.cyClient, 7, 9);
    EXPECT_EQ(got.nCols, c.expected.nCols);
    EXPECT_EQ(got.nRows, c.expected.nRows);
    EXPECT_EQ(got.cxDoc, c.expected.cxDoc);
    EXPECT_EQ(got.cyDoc, c.expected.cyDoc);
    EXPECT_EQ(got.cxPage, c.expected.cxPage);
    EXPECT_EQ(got.cyPage, c.expected.cyPage);
    EXPECT_EQ(got.cxLine, c.expected.cxLine);
    EXPECT_EQ(got.cyLine, c.expected.cyLine);
}

// {cols, rows, cxDoc, cyDoc, cxPage, cyPage, cxLine, cyLine}
INSTANTIATE_TEST_SUITE_P(
    Examples, GridSizesTest,
    ::testing::Values(
        GridCase{"FourColumnsThreeRows", 10, 103, 500, 400, {4, 3, 412, 309, 103, 309, 10, 30}},
        GridCase{"FullLastRow", 8, 103, 500, 400, {4, 2, 412, 206, 103, 309, 10, 30}},
        GridCase{"ExactWidthFitsFiveColumns", 5, 100, 500, 400, {5, 1, 500, 100, 100, 400, 10, 40}},
        GridCase{"NarrowerThanOneCell", 6, 103, 90, 400, {1, 6, 103, 618, 103, 309, 10, 30}},
        GridCase{"OneEntry", 1, 103, 90, 400, {1, 1, 103, 103, 103, 309, 10, 30}},
        GridCase{"EmptyKeepsColumnsAndRows", 0, 103, 500, 400, {7, 9, 100, 100, 103, 309, 10, 30}},
        GridCase{"LowerThanOneCell", 10, 103, 500, 60, {4, 3, 412, 309, 103, 30, 10, 3}},
        GridCase{"LowerThanOneCellEmpty", 0, 103, 500, 60, {7, 9, 100, 100, 103, 10, 10, 1}},
        GridCase{"PitchZeroEmpty", 0, 0, 500, 400, {7, 9, 100, 100, 100, 100, 10, 10}},
        // A zero pitch with entries must not divide by zero: one column.
        GridCase{"PitchZeroWithEntries", 3, 0, 500, 400, {1, 3, 0, 0, 100, 100, 10, 10}},
        GridCase{"NegativePitchOneColumn", 2, -4, 500, 400, {1, 2, -4, -8, -4, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<GridCase>& info) { return std::string(info.param.name); });

TEST(GridSizes, ManyEntriesDoNotOverflow) {
    const GridSizes got = ComputeGridSizes(20000, 103, 90, 400, 1, 1);
    EXPECT_EQ(got.nRows, 20000);
    EXPECT_EQ(got.cyDoc, 2060000);
}

TEST(GridCell, RowMajorCellsOfOnePitch) {
    // Index 0, the last of the first row, the first of the second, one later.
    const CellRect first = GridCellRect(0, 4, 103);
    EXPECT_EQ((std::array{first.left, first.top, first.right, first.bottom}),
              (std::array{0, 0, 103, 103}));
    const CellRect endOfRow = GridCellRect(3, 4, 103);
    EXPECT_EQ((std::array{endOfRow.left, endOfRow.top, endOfRow.right, endOfRow.bottom}),
              (std::array{309, 0, 412, 103}));
    const CellRect wrapped = GridCellRect(4, 4, 103);
    EXPECT_EQ((std::array{wrapped.left, wrapped.top, wrapped.right, wrapped.bottom}),
              (std::array{0, 103, 103, 206}));
    const CellRect later = GridCellRect(9, 4, 103);
    EXPECT_EQ((std::array{later.left, later.top, later.right, later.bottom}),
              (std::array{103, 206, 206, 309}));
    // A single column stacks every entry.
    const CellRect stacked = GridCellRect(5, 1, 103);
    EXPECT_EQ((std::array{stacked.left, stacked.top}), (std::array{0, 515}));
}

TEST(GridThumbOffset, CentredWithTruncation) {
    EXPECT_EQ(GridThumbOffset(103, 100, 75).dx, 1);
    EXPECT_EQ(GridThumbOffset(103, 100, 75).dy, 14);
    EXPECT_EQ(GridThumbOffset(103, 75, 100).dx, 14);
    EXPECT_EQ(GridThumbOffset(103, 90, 60).dy, 21);
    EXPECT_EQ(GridThumbOffset(103, 0, 0).dx, 51);
    // Larger than the cell: -17 / 2 truncates to -8, not -9.
    EXPECT_EQ(GridThumbOffset(103, 120, 103).dx, -8);
    EXPECT_EQ(GridThumbOffset(103, 120, 103).dy, 0);
}

struct BandCase {
    const char* name;
    std::size_t nEntries;
    int nCols;
    int nPitch;
    int yTop;
    int yBottom;
    int nMargin;
    std::size_t first;
    std::size_t last;
};

std::ostream& operator<<(std::ostream& os, const BandCase& c) { return os << c.name; }

class GridBandTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(GridBandTest, EntriesWhoseRowsMeetTheBand) {
    const BandCase& c = GetParam();
    const IndexRange got =
        GridEntriesInBand(c.nEntries, c.nCols, c.nPitch, c.yTop, c.yBottom, c.nMargin);
    EXPECT_EQ(got.first, c.first);
    EXPECT_EQ(got.last, c.last);
}

INSTANTIATE_TEST_SUITE_P(
    Bands, GridBandTest,
    ::testing::Values(BandCase{"FirstRowOnly", 10, 4, 103, 0, 103, 0, 0, 4},
                      // y 103 is the first line of row 1, so [0, 104) meets rows 0 and 1.
                      BandCase{"OnePixelIntoSecondRow", 10, 4, 103, 0, 104, 0, 0, 8},
                      BandCase{"MarginAddsNeighbourRows", 40, 4, 103, 206, 309, 1, 4, 16},
                      BandCase{"MarginClampedAtEnds", 10, 4, 103, 0, 1000, 2, 0, 10},
                      BandCase{"PartialLastRow", 10, 4, 103, 206, 300, 0, 8, 10},
                      BandCase{"BelowTheGrid", 10, 4, 103, 400, 500, 0, 0, 0},
                      BandCase{"AboveTheGrid", 10, 4, 103, -300, -10, 0, 0, 0},
                      BandCase{"AboveWithMarginReachesFirstRow", 10, 4, 103, -103, -10, 1, 0, 4},
                      BandCase{"EmptyBand", 10, 4, 103, 50, 50, 3, 0, 0},
                      // Rows 825..835 of 1667, widened by one: the cost stays with the band.
                      BandCase{"MiddleOfTwentyThousand", 20000, 12, 103, 85000, 86024, 1, 9888,
                               10044},
                      BandCase{"PitchZeroTakesAll", 10, 4, 0, 0, 100, 0, 0, 10}),
    [](const ::testing::TestParamInfo<BandCase>& info) { return std::string(info.param.name); });

}  // namespace

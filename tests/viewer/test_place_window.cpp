// SPDX-License-Identifier: MIT
// Where an image window goes on the screen, from plain numbers.
#include <gtest/gtest.h>

#include <ostream>

#include "viewer/place_window.h"

namespace {

struct PlaceCase {
    const char* name;
    unsigned w, h;
    int fw, fh, nWorkW, nWorkH;
    bool bFit;
    PlacedRect expected;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class PlaceWindowTable : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceWindowTable, GivesTheWindowRectangle) {
    const PlaceCase& c = GetParam();
    const PlacedRect rc = PlaceWindowRect(c.w, c.h, c.fw, c.fh, c.nWorkW, c.nWorkH, c.bFit);
    EXPECT_EQ(rc.x, c.expected.x);
    EXPECT_EQ(rc.y, c.expected.y);
    EXPECT_EQ(rc.cx, c.expected.cx);
    EXPECT_EQ(rc.cy, c.expected.cy);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, PlaceWindowTable,
    ::testing::Values(
        // Client 1216 × 810: the image at 95 % of the ratio that fits it.
        PlaceCase{
            "FitLargeWorkedExample", 3000, 2000, 12, 31, 1280, 984, true, {26, 71, 1228, 841}},
        PlaceCase{"FitTallImage", 1000, 3000, 12, 31, 1280, 984, true, {478, 9, 323, 965}},
        PlaceCase{"FitWideImage", 2000, 500, 12, 31, 1280, 984, true, {26, 324, 1228, 335}},
        // The image fits but not with its frame: fitted all the same.
        PlaceCase{"FitFrameTooWide", 1270, 900, 12, 31, 1280, 984, true, {26, 46, 1228, 892}},
        // Centred, client area the image's size.
        PlaceCase{"PlainSmallCentred", 640, 480, 12, 31, 1280, 984, false, {314, 236, 652, 511}},
        PlaceCase{"FitSmallAsPlain", 640, 480, 12, 31, 1280, 984, true, {314, 236, 652, 511}},
        // An oversized direction takes the work area from the screen's edge.
        PlaceCase{"PlainLargeBoth", 3000, 2000, 12, 31, 1280, 984, false, {0, 0, 1280, 984}},
        PlaceCase{"PlainWideOnly", 2000, 500, 12, 31, 1280, 984, false, {0, 226, 1280, 531}},
        PlaceCase{"PlainTallOnly", 800, 1500, 12, 31, 1280, 984, false, {234, 0, 812, 984}},
        // Odd leftovers are truncated toward zero.
        PlaceCase{"PlainOddLeftover", 101, 101, 0, 0, 200, 200, false, {49, 49, 101, 101}}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

}  // namespace

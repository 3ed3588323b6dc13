// SPDX-License-Identifier: MIT
// Photos turned upright by their EXIF orientation tag: where every quarter
// of an asymmetric picture lands for each of the 8 tags, the upright size and
// caption, blocks that say nothing usable, and the choice switched off.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>
#include <tuple>

#include "codec/codec_fixtures.h"
#include "codec/display_bitmap.h"
#include "codec/orientation.h"
#include "support/message_recorder.h"

namespace {

constexpr int kPitch = 103;
constexpr int kThumb = kPitch - 3;
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// The stored picture is red, green (top), blue, white (bottom); these are
// the colours at the upright picture's corners.
struct TagCase {
    int nTag;
    Rgb topLeft, topRight, bottomLeft, bottomRight;
};
std::ostream& operator<<(std::ostream& os, const TagCase& c) { return os << "tag " << c.nTag; }

const TagCase kAsStored{1, kRed, kGreen, kBlue, kWhite};
const TagCase kTags[] = {
    kAsStored,
    {2, kGreen, kRed, kWhite, kBlue},  // mirrored left to right
    {3, kWhite, kBlue, kGreen, kRed},  // upside down
    {4, kBlue, kWhite, kRed, kGreen},  // mirrored top to bottom
    {5, kRed, kBlue, kGreen, kWhite},  // mirrored along the main diagonal
    {6, kBlue, kRed, kWhite, kGreen},  // stored a quarter turn left: turned right
    {7, kWhite, kGreen, kBlue, kRed},  // mirrored along the other diagonal
    {8, kGreen, kWhite, kRed, kBlue},  // stored a quarter turn right: turned left
};

void ExpectNear(const Rgb& got, const Rgb& want, const char* pszWhere) {
    // JPEG blurs the quarters' edges only; their middles keep the colour.
    EXPECT_NEAR(got.r, want.r, 40) << pszWhere;
    EXPECT_NEAR(got.g, want.g, 40) << pszWhere;
    EXPECT_NEAR(got.b, want.b, 40) << pszWhere;
}

void ExpectCorners(const ImageItem& item, const TagCase& c) {
    const int w = item.m_nThumbWidth, h = item.m_nThumbHeight;
    ASSERT_TRUE(item.m_pBits);
    const std::uint8_t* p = item.m_pBits.get();
    ExpectNear(DisplayPixel(p, w, h, w / 4, h / 4), c.topLeft, "top left");
    ExpectNear(DisplayPixel(p, w, h, 3 * w / 4, h / 4), c.topRight, "top right");
    ExpectNear(DisplayPixel(p, w, h, w / 4, 3 * h / 4), c.bottomLeft, "bottom left");
    ExpectNear(DisplayPixel(p, w, h, 3 * w / 4, 3 * h / 4), c.bottomRight, "bottom right");
}

ImageItem Entry(const std::string& strPath) {
    ImageItem item;
    item.m_strPath = strPath;
    item.m_nKind = IMAGE_JPEG;
    return item;
}

// ---- Every tag, at full decoding size and through the decoder's reduction ----

class OrientationTag : public ::testing::TestWithParam<std::tuple<TagCase, std::pair<int, int>>> {
protected:
    QTemporaryDir m_dir;
    MessageRecorder m_recorder;
};

TEST_P(OrientationTag, ThumbnailStandsUprightWithTheUprightSizesAndCaption) {
    const auto& [c, size] = GetParam();
    const auto [w, h] = size;
    const std::string strPath = WriteQuadrantJpegWithApp1(m_dir.path().toStdString() + "/photo.jpg",
                                                          w, h, ExifOrientationBlock(c.nTag));
    ASSERT_FALSE(strPath.empty());
    EXPECT_EQ(ReadJpegOrientation(strPath), c.nTag);

    const bool bSwap = c.nTag >= 5;
    ImageItem item = Entry(strPath);
    ASSERT_TRUE(BuildOrientedThumbnail(item, kPitch, kThumb, true));
    EXPECT_EQ(item.m_nImageWidth, std::uint32_t(bSwap ? h : w));
    EXPECT_EQ(item.m_nImageHeight, std::uint32_t(bSwap ? w : h));
    EXPECT_EQ(item.m_nThumbWidth, bSwap ? 50 : 100);
    EXPECT_EQ(item.m_nThumbHeight, bSwap ? 100 : 50);
    EXPECT_EQ(item.m_strDim, bSwap ? "50 x 100" : "100 x 50");
    ExpectCorners(item, c);

    // Switched off (the default), the tag is not looked at.
    ImageItem stored = Entry(strPath);
    ASSERT_TRUE(BuildThumbnailBitmap(stored, kPitch, kThumb));
    EXPECT_EQ(stored.m_nImageWidth, std::uint32_t(w));
    EXPECT_EQ(stored.m_strDim, "100 x 50");
    ExpectCorners(stored, kAsStored);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

// 160 × 80 is decoded whole and shrunk after the turn; 800 × 400 is reduced
// to 1/8 by the decoder and turned at that size.
INSTANTIATE_TEST_SUITE_P(AllTags, OrientationTag,
                         ::testing::Combine(::testing::ValuesIn(kTags),
                                            ::testing::Values(std::pair{160, 80},
                                                              std::pair{800, 400})));

TEST(OrientationTagBytes, MotorolaByteOrderIsReadToo) {
    const std::string strBlock = ExifOrientationBlock(6, true);
    ASSERT_EQ(strBlock.substr(6, 2), "MM");
    EXPECT_EQ(OrientationFromExif(reinterpret_cast<const std::uint8_t*>(strBlock.data()),
                                  strBlock.size()),
              6);
}

// ---- Blocks that say nothing usable: shown as stored, without a word ----

struct BrokenCase {
    const char* name;
    std::string strApp1;  // empty: no APP1 segment at all
};
std::ostream& operator<<(std::ostream& os, const BrokenCase& c) { return os << c.name; }

class BrokenExif : public ::testing::TestWithParam<BrokenCase> {
protected:
    QTemporaryDir m_dir;
    MessageRecorder m_recorder;
};

TEST_P(BrokenExif, PhotoIsShownAsStoredWithoutAMessage) {
    const std::string strPath = WriteQuadrantJpegWithApp1(m_dir.path().toStdString() + "/photo.jpg",
                                                          160, 80, GetParam().strApp1);
    ASSERT_FALSE(strPath.empty());
    EXPECT_EQ(ReadJpegOrientation(strPath), 1);
    ImageItem item = Entry(strPath);
    ASSERT_TRUE(BuildOrientedThumbnail(item, kPitch, kThumb, true));
    EXPECT_EQ(item.m_strDim, "100 x 50");
    ExpectCorners(item, kAsStored);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(char(b));
    return s;
}

// "Exif\0\0", an Intel TIFF header and an IFD0 of one entry: Orientation
// (0x0112) as a LONG with the value 6, where the standard asks for a SHORT.
const std::string kLongTag =
    std::string("Exif\0\0II*\0", 10) +
    Bytes({8, 0, 0, 0, 1, 0, 0x12, 0x01, 4, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0});

INSTANTIATE_TEST_SUITE_P(
    Blocks, BrokenExif,
    ::testing::Values(BrokenCase{"NoExifBlock", ""},
                      BrokenCase{"OtherApp1", "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"},
                      BrokenCase{"HeaderOnly", std::string("Exif\0\0", 6)},
                      BrokenCase{"Garbage", std::string("Exif\0\0II*\0\xff\xff\xff\x7f", 14) +
                                                std::string(40, '\xee')},
                      BrokenCase{"CutShort", ExifOrientationBlock(6).substr(0, 16)},
                      BrokenCase{"ValueZero", ExifOrientationBlock(0)},
                      BrokenCase{"ValueNine", ExifOrientationBlock(9)},
                      BrokenCase{"ValueHuge", ExifOrientationBlock(0xFFFF)},
                      BrokenCase{"LongInsteadOfShort", kLongTag}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// SPDX-License-Identifier: MIT
// The facts panel's text from EXIF blocks made here with libexif.
#include <gtest/gtest.h>
#include <libexif/exif-data.h>

#include <QTemporaryDir>
#include <cstring>

#include "codec/codec_fixtures.h"
#include "codec/photo_facts.h"

namespace {

const std::vector<ExifField> kCamera = {
    {EXIF_IFD_0, EXIF_TAG_MAKE, EXIF_FORMAT_ASCII, "Canon"},
    {EXIF_IFD_0, EXIF_TAG_MODEL, EXIF_FORMAT_ASCII, "Canon EOS R5"},
    {EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_FORMAT_ASCII, "2024:05:17 14:03:09"},
    {EXIF_IFD_EXIF, 0xA434, EXIF_FORMAT_ASCII, "RF 50mm <F1.8>"},
    {EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, EXIF_FORMAT_RATIONAL, "", 1, 250},
    {EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, EXIF_FORMAT_RATIONAL, "", 28, 10},
    {EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, EXIF_FORMAT_SHORT, "", 400},
    {EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, EXIF_FORMAT_RATIONAL, "", 50, 1},
    {EXIF_IFD_GPS, 0x0002, EXIF_FORMAT_RATIONAL, "", 48, 1}};
const std::vector<ExifField> kNikon = {
    {EXIF_IFD_0, EXIF_TAG_MAKE, EXIF_FORMAT_ASCII, "NIKON"},
    {EXIF_IFD_0, EXIF_TAG_MODEL, EXIF_FORMAT_ASCII, "Z 6"},
    {EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, EXIF_FORMAT_RATIONAL, "", 5, 2}};
// A zero denominator and a number stored as text are left out.
const std::vector<ExifField> kOdd = {
    {EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, EXIF_FORMAT_RATIONAL, "", 28, 0},
    {EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, EXIF_FORMAT_ASCII, "400"},
    {EXIF_IFD_0, EXIF_TAG_MODEL, EXIF_FORMAT_ASCII, "X100  "}};
constexpr const char* kCameraText =
    "4000 x 3000 pixels\nTaken: 2024-05-17 14:03:09\nCamera: Canon EOS R5\n"
    "Lens: RF 50mm <F1.8>\nExposure: 1/250 s\nAperture: f/2.8\nISO: 400\n"
    "Focal length: 50 mm\nGPS position recorded";

struct FactsCase {
    const char* name;
    std::vector<ExifField> fields;
    bool bBigEndian;
    double dKeep;  // the share of the block left, to damage it
    const char* expected;
};
std::ostream& operator<<(std::ostream& os, const FactsCase& c) { return os << c.name; }
class ExifFacts : public ::testing::TestWithParam<FactsCase> {};

TEST_P(ExifFacts, ListWhatTheBlockHoldsAndLeaveOutTheRest) {
    const FactsCase& c = GetParam();
    std::string strBlock = ExifBlock(c.fields, c.bBigEndian);
    strBlock.resize(std::size_t(strBlock.size() * c.dKeep));
    PhotoFacts facts;
    facts.nWidth = 4000;
    facts.nHeight = 3000;
    ReadExifFacts(reinterpret_cast<const std::uint8_t*>(strBlock.data()), strBlock.size(), facts);
    EXPECT_EQ(PhotoFactsText(facts).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ExifFacts,
    ::testing::Values(
        FactsCase{"EveryField", kCamera, false, 1.0, kCameraText},
        FactsCase{"EveryFieldMotorola", kCamera, true, 1.0, kCameraText},
        FactsCase{"MakeNotInModel", kNikon, false, 1.0,
                  "4000 x 3000 pixels\nCamera: NIKON Z 6\nExposure: 2.5 s"},
        FactsCase{"OddValuesLeftOut", kOdd, false, 1.0, "4000 x 3000 pixels\nCamera: X100"},
        FactsCase{"NoBlock", {}, false, 0.0, "4000 x 3000 pixels"},
        // Cut inside the EXIF sub-directory: the camera's names survive.
        FactsCase{"CutShort", kCamera, false, 0.45, "4000 x 3000 pixels\nCamera: Canon EOS R5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PhotoFactsFile, JpegGivesItsFileSizeDateAndExifAndAMissingFileOnlyItsPixels) {
    QTemporaryDir dir;
    const std::string strPath = dir.path().toStdString() + "/cam.jpg";
    ASSERT_FALSE(WriteQuadrantJpegWithApp1(strPath, 32, 16, ExifBlock(kCamera, false)).empty());
    const PhotoFacts facts = ReadPhotoFacts(strPath, true, 32, 16);
    EXPECT_EQ(facts.nFileBytes, ReadBytes(strPath).size());
    EXPECT_EQ(facts.strModel, "Canon EOS R5");
    EXPECT_TRUE(PhotoFactsText(facts).startsWith(
        QString("32 x 16 pixels\nFile size: %1 bytes\nFile date: 20").arg(facts.nFileBytes)));
    EXPECT_EQ(PhotoFactsText(ReadPhotoFacts(strPath + "x", true, 32, 16)), "32 x 16 pixels");
}

}  // namespace

// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "codec/codec_fixtures.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "support/message_recorder.h"

namespace {

class JpegFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strName) const {
        return m_dir.path().toStdString() + "/" + strName;
    }
    QTemporaryDir m_dir;
    MessageRecorder m_recorder;
};

void ExpectOneBox(const MessageRecorder& recorder, const QString& strCaption,
                  const QString& strText, MsgIcon icon, bool bOwned = true) {
    const std::vector<MessageRequest> v = recorder.Messages();
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].caption, strCaption);
    EXPECT_EQ(v[0].text, strText);
    EXPECT_EQ(v[0].icon, icon);
    EXPECT_EQ(v[0].bOwnedByActiveWindow, bOwned);
}

struct ScaleCase {
    int w, h, num, denom, outW, outH;
};
std::ostream& operator<<(std::ostream& os, const ScaleCase& c) {
    return os << c.w << "x" << c.h << " at " << c.num << "/" << c.denom;
}

class JpegScaleTest : public JpegFileTest, public ::testing::WithParamInterface<ScaleCase> {};

// Only the reductions 1/1, 1/2, 1/4 and 1/8 may occur, rounded up, never an enlargement.
TEST_P(JpegScaleTest, DecodesAtTheChosenReduction) {
    const ScaleCase c = GetParam();
    const std::string strPath = WriteQuadrantJpeg(m_dir.path().toStdString(), "s.jpg", c.w, c.h);
    std::uint32_t w = 99, h = 99;
    auto p = JpegFile::ReadJpegRgb(strPath, w, h, c.num, c.denom);
    ASSERT_TRUE(p);
    EXPECT_EQ(w, std::uint32_t(c.outW));
    EXPECT_EQ(h, std::uint32_t(c.outH));
    // Still the same picture, in red-green-blue order.
    const std::uint8_t* pTopLeft = p.get() + (std::size_t(h / 4) * w + w / 4) * 3;
    EXPECT_GT(pTopLeft[0], 230);
    EXPECT_LT(pTopLeft[2], 25);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Examples, JpegScaleTest,
                         ::testing::Values(ScaleCase{1600, 1200, 100, 1600, 200, 150},
                                           ScaleCase{700, 500, 100, 700, 175, 125},
                                           ScaleCase{300, 200, 100, 300, 150, 100},
                                           ScaleCase{640, 480, 100, 640, 160, 120},
                                           ScaleCase{1601, 1201, 1, 8, 201, 151},
                                           ScaleCase{120, 80, 1, 1, 120, 80},
                                           ScaleCase{120, 80, 3, 1, 120, 80}));

TEST_F(JpegFileTest, GreyscaleComesBackAsEqualTriples) {
    std::vector<std::uint8_t> v(64 * 16);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = std::uint8_t((i % 64) * 4);
    ASSERT_TRUE(WriteRawJpeg(Path("g.jpg"), 64, 16, JCS_GRAYSCALE, 1, v.data(), false));
    std::uint32_t w = 0, h = 0;
    auto p = JpegFile::ReadJpegRgb(Path("g.jpg"), w, h, 1, 1);
    ASSERT_TRUE(p);
    ASSERT_EQ(w * h, 64u * 16);
    for (std::size_t i = 0; i < v.size(); ++i) {
        ASSERT_EQ(p[i * 3], p[i * 3 + 1]);
        ASSERT_EQ(p[i * 3], p[i * 3 + 2]);
        ASSERT_NEAR(p[i * 3], v[i], 12);
    }
}

// Photo software writes CMYK inverted with an Adobe marker; other writers
// store plain ink amounts. Both must show their real colours.
class JpegCmykTest : public JpegFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(JpegCmykTest, FourComponentImagesAreConvertedToRgb) {
    const bool bAdobe = GetParam();
    const int w = 32, h = 32;
    std::vector<std::uint8_t> v;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = QuadrantColour(x, y, w, h);
            const int k = 255 - std::max({c.r, c.g, c.b});
            std::initializer_list<int> ink = {255 - c.r - k, 255 - c.g - k, 255 - c.b - k, k};
            for (int n : ink) v.push_back(std::uint8_t(bAdobe ? 255 - n : n));
        }
    ASSERT_TRUE(WriteRawJpeg(Path("c.jpg"), w, h, JCS_CMYK, 4, v.data(), bAdobe));
    std::uint32_t dw = 0, dh = 0;
    auto p = JpegFile::ReadJpegRgb(Path("c.jpg"), dw, dh, 1, 1);
    ASSERT_TRUE(p);
    ASSERT_EQ(dw, 32u);
    for (auto [x, y] : {std::pair{4, 4}, {28, 4}, {4, 28}, {28, 28}}) {
        const Rgb c = QuadrantColour(x, y, w, h);
        const std::uint8_t* q = p.get() + (y * w + x) * 3;
        EXPECT_NEAR(q[0], c.r, 20) << x << "," << y;
        EXPECT_NEAR(q[1], c.g, 20) << x << "," << y;
        EXPECT_NEAR(q[2], c.b, 20) << x << "," << y;
    }
    EXPECT_EQ(m_recorder.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Inversion, JpegCmykTest, ::testing::Bool());

TEST_F(JpegFileTest, NonJpegShowsTheLibrarysFatalMessage) {
    WriteBytes(Path("x.jpg"), "hello, not a picture");
    std::uint32_t w = 7, h = 7;
    EXPECT_FALSE(JpegFile::ReadJpegRgb(Path("x.jpg"), w, h, 1, 1));
    EXPECT_EQ(w, 0u);
    EXPECT_EQ(h, 0u);
    ExpectOneBox(m_recorder, "JPEG Fatal Error", "Not a JPEG file: starts with 0x68 0x65",
                 MsgIcon::Error, false);

    w = h = 7;
    EXPECT_FALSE(JpegFile::ReadJpegSize(Path("x.jpg"), w, h));
    EXPECT_EQ(w, 7u);  // untouched on failure
    EXPECT_EQ(m_recorder.Count(), 2u);
}

TEST_F(JpegFileTest, TruncatedFileWarnsOnceAndStillDecodes) {
    const std::string strPath = WriteQuadrantJpeg(m_dir.path().toStdString(), "t.jpg", 200, 160);
    const std::string strBytes = ReadBytes(strPath);
    WriteBytes(strPath, strBytes.substr(0, strBytes.size() / 2));
    std::uint32_t w = 0, h = 0;
    EXPECT_TRUE(JpegFile::ReadJpegRgb(strPath, w, h, 1, 1));
    EXPECT_EQ(w, 200u);
    EXPECT_EQ(h, 160u);
    ExpectOneBox(m_recorder, "JPEG Library Error", "Premature end of JPEG file", MsgIcon::Error,
                 true);
}

// Once the data has run out at the end of the file, the rest is repeated
// rather than decoded: the same pixels as when a marker other than the end
// makes the library decode every empty block.
TEST_F(JpegFileTest, RowsAfterTheDataRanOutAreThoseTheLibraryDecodes) {
    std::vector<std::uint8_t> v(160 * 120 * 4);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = std::uint8_t(i * 37 % 251);
    for (int nComponents : {3, 4}) {
        std::string strFile = EncodeJpeg(160, 120, nComponents, JpegLayout::Baseline, v.data());
        const std::size_t nScan = strFile.find("\xFF\xDA");
        strFile.resize(nScan + (strFile.size() - nScan) / 3);  // a third of the scan
        WriteBytes(Path("cut.jpg"), strFile);
        WriteBytes(Path("marker.jpg"), strFile + std::string("\xFF\xFE\x00\x02\xFF\xD9", 6));
        std::unique_ptr<std::uint8_t[]> pCut, pWhole;
        for (int nDenom : {1, 8}) {
            std::uint32_t w = 0, h = 0, w2 = 0, h2 = 0;
            pCut = JpegFile::ReadJpegRgb(Path("cut.jpg"), w, h, 1, nDenom);
            pWhole = JpegFile::ReadJpegRgb(Path("marker.jpg"), w2, h2, 1, nDenom);
            ASSERT_TRUE(pCut && pWhole && w == w2 && h == h2);
            EXPECT_EQ(std::memcmp(pCut.get(), pWhole.get(), std::size_t(w) * h * 3), 0) << nDenom;
        }
        JpegFile::ViewRows rows, rows2;  // turned a quarter as the rows are placed
        pCut = JpegFile::ReadJpegDisplayRows(Path("cut.jpg"), 6, kViewPixelBudget, rows);
        pWhole = JpegFile::ReadJpegDisplayRows(Path("marker.jpg"), 6, kViewPixelBudget, rows2);
        ASSERT_TRUE(pCut && pWhole);
        EXPECT_EQ(std::memcmp(pCut.get(), pWhole.get(), DisplayStride(rows.nWidth) * rows.nHeight),
                  0);
    }
}

TEST_F(JpegFileTest, MissingFileShowsCantOpen) {
    const std::string strPath = Path("gone.jpg");
    std::uint32_t w = 0, h = 0;
    EXPECT_FALSE(JpegFile::ReadJpegRgb(strPath, w, h, 1, 1));
    EXPECT_FALSE(JpegFile::ReadJpegSize(strPath, w, h));
    ASSERT_EQ(m_recorder.Count(), 2u);
    for (const MessageRequest& m : m_recorder.Messages()) {
        EXPECT_EQ(m.text, QString::fromStdString("JPEG :\nCan't open " + strPath + "\n"));
        EXPECT_EQ(m.caption, "Galerio");
        EXPECT_EQ(m.icon, MsgIcon::Exclamation);
    }
}

// A header may claim more than the 32-bit buffer sizes can hold: the
// allocation fails cleanly instead of overflowing.
TEST_F(JpegFileTest, HugeHeaderReportsOutOfMemory) {
    const std::string strPath = WriteQuadrantJpeg(m_dir.path().toStdString(), "big.jpg", 16, 16);
    std::string strBytes = ReadBytes(strPath);
    const std::size_t nSof = strBytes.find("\xFF\xC0");
    ASSERT_NE(nSof, std::string::npos);
    strBytes.replace(nSof + 5, 4, "\xFF\xDC\xFF\xDC");  // 65500 × 65500
    WriteBytes(strPath, strBytes);
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(JpegFile::ReadJpegSize(strPath, w, h));
    EXPECT_EQ(w, 65500u);
    EXPECT_FALSE(JpegFile::ReadJpegRgb(strPath, w, h, 1, 1));
    EXPECT_EQ(w, 0u);
    ExpectOneBox(m_recorder, "Galerio", "JpegFile :\nOut of memory", MsgIcon::Error);
}

// Forged files must fail long before they cost this much.
constexpr long kMemoryBoundMb = 100;
constexpr auto kTimeBound = std::chrono::seconds(2);

struct ForgedJpegCase {
    const char* pszName;
    JpegLayout layout;
    int nComponents, nWidth, nHeight;
};
std::ostream& operator<<(std::ostream& os, const ForgedJpegCase& c) { return os << c.pszName; }

class ForgedMultiScanTest : public JpegFileTest,
                            public ::testing::WithParamInterface<ForgedJpegCase> {};

// Files of several scans need buffers for the whole image before the first
// row: a few forged bytes must not make the library reserve gigabytes. The
// decode fails at once with the library's own fatal error.
TEST_P(ForgedMultiScanTest, FailsWithTheLibrarysErrorInsteadOfAllocating) {
    const ForgedJpegCase c = GetParam();
    WriteBytes(Path("f.jpg"), ForgedJpeg(c.layout, c.nComponents, c.nWidth, c.nHeight));
    const PeakMemoryProbe memory;
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t w = 7, h = 7;
    EXPECT_FALSE(JpegFile::ReadJpegRgb(Path("f.jpg"), w, h, 1, 8));
    EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeBound);
    EXPECT_LT(memory.GrowthMb(), kMemoryBoundMb);
    EXPECT_EQ(w, 0u);
    ExpectOneBox(m_recorder, "JPEG Fatal Error", "Backing store not supported", MsgIcon::Error,
                 false);
}

INSTANTIATE_TEST_SUITE_P(Headers, ForgedMultiScanTest,
                         ::testing::Values(ForgedJpegCase{"CMYK scan by scan 45864 x 32798",
                                                          JpegLayout::MultiScan, 4, 45864, 32798},
                                           ForgedJpegCase{"progressive 65500 x 65500",
                                                          JpegLayout::Progressive, 3, 65500, 65500},
                                           ForgedJpegCase{"progressive grey just over the bound",
                                                          JpegLayout::Progressive, 1, 16500,
                                                          16500}));

// The bound leaves real progressive photos alone.
TEST_F(JpegFileTest, ProgressivePhotoStillDecodes) {
    const std::vector<std::uint8_t> v = QuadrantPixels(4000, 3000);
    WriteBytes(Path("p.jpg"), EncodeJpeg(4000, 3000, 3, JpegLayout::Progressive, v.data()));
    std::uint32_t w = 0, h = 0;
    auto p = JpegFile::ReadJpegRgb(Path("p.jpg"), w, h, 1, 8);
    ASSERT_TRUE(p);
    EXPECT_EQ(w, 500u);
    EXPECT_EQ(h, 375u);
    const std::uint8_t* pWhite = p.get() + (std::size_t(300) * w + 400) * 3;  // bottom right
    EXPECT_GT(std::min({pWhite[0], pWhite[1], pWhite[2]}), 230);
    EXPECT_EQ(m_recorder.Count(), 0u);
}

// A stop request meets the decode from another thread a little after the
// start; the forged files that warn do so at the first row of blocks they
// decode, usually before it.
struct StopCase {
    ForgedJpegCase file;
    const char* pszWarning;  // the one box expected, if any
};
std::ostream& operator<<(std::ostream& os, const StopCase& c) { return os << c.file; }

class JpegStopTest : public JpegFileTest, public ::testing::WithParamInterface<StopCase> {};

// A forged size can keep a decode busy for seconds, in jpeg_start_decompress
// of a file of several scans or in the rows of a single scan. A stop request
// ends it soon, quietly and with nothing left behind.
TEST_P(JpegStopTest, StopRequestEndsTheDecodeQuietly) {
    const StopCase c = GetParam();
    const ForgedJpegCase& f = c.file;
    WriteBytes(Path("f.jpg"), ForgedJpeg(f.layout, f.nComponents, f.nWidth, f.nHeight));
    std::atomic<bool> bStop{false};
    std::chrono::steady_clock::time_point tStop;
    auto RequestStop = [&] {
        tStop = std::chrono::steady_clock::now();
        bStop = true;
    };
    const PeakMemoryProbe memory;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        RequestStop();
    });
    std::uint32_t w = 7, h = 7;
    std::unique_ptr<std::uint8_t[]> p;
    CodecContext context(&bStop);
    p = JpegFile::ReadJpegRgb(Path("f.jpg"), w, h, 1, 8, context);
    const auto tEnd = std::chrono::steady_clock::now();
    context.ShowAll();
    stopper.join();
    ASSERT_TRUE(bStop) << "decoded without a stop request";
    EXPECT_FALSE(p);
    EXPECT_EQ(w, 0u);
    EXPECT_LT(tEnd - tStop, kTimeBound);
    EXPECT_LT(memory.GrowthMb(), kMemoryBoundMb);
    // The warning, if the file has one, comes only when the decode got that
    // far before the stop; nothing else is said.
    const QStringList warning =
        c.pszWarning ? QStringList{QString::fromLatin1(c.pszWarning)} : QStringList{};
    if (m_recorder.Count() > 0) {
        EXPECT_EQ(m_recorder.Texts(), warning);
    }
}

constexpr const char* kDataEnds = "Corrupt JPEG data: premature end of data segment";

INSTANTIATE_TEST_SUITE_P(
    Files, JpegStopTest,
    ::testing::Values(
        StopCase{{"baseline CMYK 65326 x 63721", JpegLayout::Baseline, 4, 65326, 63721}, kDataEnds},
        StopCase{{"arithmetic CMYK 65326 x 63721", JpegLayout::Arithmetic, 4, 65326, 63721}, nullptr},
        StopCase{{"704 scans, grey 8000 x 8000", JpegLayout::ManyScans, 1, 8000, 8000}, kDataEnds}));

// A request belongs to the context that carries it. Reads that have not
// begun fail at once, without the box a missing file would bring.
TEST_F(JpegFileTest, StopRequestBelongsToItsContext) {
    const std::string strGood = WriteQuadrantJpeg(m_dir.path().toStdString(), "a.jpg", 64, 48);
    std::atomic<bool> bStop{true};
    std::uint32_t w = 0, h = 0;
    CodecContext stopped(&bStop), other;
    EXPECT_TRUE(JpegFile::ReadJpegRgb(strGood, w, h, 1, 1, other));
    EXPECT_FALSE(JpegFile::ReadJpegRgb(strGood, w, h, 1, 1, stopped));
    EXPECT_FALSE(JpegFile::ReadJpegSize(Path("gone.jpg"), w, h, stopped));
    EXPECT_TRUE(stopped.messages.empty());
    bStop = false;
    EXPECT_TRUE(JpegFile::ReadJpegRgb(strGood, w, h, 1, 1, stopped));
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(JpegFileTest, EncoderRefusesEmptyImagesWithoutCreatingAFile) {
    const std::vector<std::uint8_t> v(300, 0);
    EXPECT_FALSE(JpegFile::WriteJpegFile(Path("a.jpg"), v.data(), 0, 10, 75));
    EXPECT_FALSE(JpegFile::WriteJpegFile(Path("a.jpg"), v.data(), 10, 0, 75));
    EXPECT_FALSE(JpegFile::WriteJpegFile(Path("a.jpg"), nullptr, 10, 10, 75));
    EXPECT_TRUE(ListFolder(m_dir.path().toStdString()).empty());
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(JpegFileTest, EncoderReplacesAFileKeepingItsMode) {
    const std::string strPath = Path("p.jpg");
    WriteBytes(strPath, "old");
    ASSERT_EQ(chmod(strPath.c_str(), 0640), 0);
    const std::vector<std::uint8_t> v = QuadrantPixels(40, 30);
    ASSERT_TRUE(JpegFile::WriteJpegFile(strPath, v.data(), 40, 30, 90));
    struct stat st {};
    ASSERT_EQ(stat(strPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    std::uint32_t w = 0, h = 0;
    EXPECT_TRUE(JpegFile::ReadJpegSize(strPath, w, h));
    EXPECT_EQ(w, 40u);
    EXPECT_EQ(ListFolder(m_dir.path().toStdString()), std::vector<std::string>{"p.jpg"});
}

// Every way a write can fail leaves the existing file byte for byte as it
// was, and no temporary file behind. Root ignores permissions, so the
// failures are a fatal library error, a real write error (file size limit),
// a folder in the way and a missing folder.
enum class WriteFault { TooWide, FileSizeLimit, DirectoryInTheWay, MissingFolder };

class JpegWriteFaultTest : public JpegFileTest, public ::testing::WithParamInterface<WriteFault> {};

TEST_P(JpegWriteFaultTest, FailedWriteLeavesTheTargetIntact) {
    const std::string strOld = "precious photograph bytes";
    std::string strTarget = Path("photo.jpg");
    WriteBytes(strTarget, strOld);
    std::uint32_t nWidth = 300, nHeight = 300;
    std::vector<std::uint8_t> v;
    rlimit oldLimit{};
    switch (GetParam()) {
        case WriteFault::TooWide:
            nWidth = 70000, nHeight = 1;
            break;
        case WriteFault::FileSizeLimit:
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &oldLimit);
            break;
        case WriteFault::DirectoryInTheWay:
            strTarget = Path("folder.jpg");
            ASSERT_EQ(mkdir(strTarget.c_str(), 0755), 0);
            break;
        case WriteFault::MissingFolder:
            strTarget = Path("nowhere/photo.jpg");
            break;
    }
    v.resize(std::size_t(nWidth) * nHeight * 3);
    std::srand(7);
    for (auto& b : v) b = std::uint8_t(std::rand());  // noise compresses badly: many writes
    if (GetParam() == WriteFault::FileSizeLimit) {
        rlimit small = oldLimit;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    const bool bWritten = JpegFile::WriteJpegFile(strTarget, v.data(), nWidth, nHeight, 90);
    if (GetParam() == WriteFault::FileSizeLimit) setrlimit(RLIMIT_FSIZE, &oldLimit);

    EXPECT_FALSE(bWritten);
    EXPECT_EQ(ReadBytes(Path("photo.jpg")), strOld);
    const auto vFiles = ListFolder(m_dir.path().toStdString());
    EXPECT_EQ(vFiles.size(), GetParam() == WriteFault::DirectoryInTheWay ? 2u : 1u);
    const QString strCantOpen =
        QString::fromStdString("JpegFile :\nCan't open " + strTarget + "\n");
    switch (GetParam()) {
        case WriteFault::TooWide:
            ExpectOneBox(m_recorder, "JPEG Fatal Error",
                         "Maximum supported image dimension is 65500 pixels", MsgIcon::Error,
                         false);
            break;
        case WriteFault::FileSizeLimit:
            ExpectOneBox(m_recorder, "JPEG Fatal Error",
                         "Output file write error --- out of disk space?", MsgIcon::Error, false);
            break;
        default:
            ExpectOneBox(m_recorder, "Galerio", strCantOpen, MsgIcon::Exclamation);
            EXPECT_TRUE(ListFolder(strTarget).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, JpegWriteFaultTest,
                         ::testing::Values(WriteFault::TooWide, WriteFault::FileSizeLimit,
                                           WriteFault::DirectoryInTheWay,
                                           WriteFault::MissingFolder));

TEST(JpegBufferTest, RowOperations) {
    std::uint8_t a[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(JpegFile::FlipRowsVertically(a, 3, 1));
    EXPECT_EQ(a[0], 1);
    ASSERT_TRUE(JpegFile::FlipRowsVertically(a, 3, 3));
    EXPECT_EQ(std::vector<int>(a, a + 9), (std::vector<int>{7, 8, 9, 4, 5, 6, 1, 2, 3}));
    ASSERT_TRUE(JpegFile::SwapRedBlue(a, 3, 1));
    EXPECT_EQ(std::vector<int>(a, a + 9), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_FALSE(JpegFile::FlipRowsVertically(nullptr, 3, 3));
    EXPECT_FALSE(JpegFile::SwapRedBlue(nullptr, 3, 3));

    std::uint32_t nStride = 0;
    std::vector<std::uint8_t> v(5 * 3 * 2);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = std::uint8_t(i + 1);
    auto p = JpegFile::AlignRowsToDword(v.data(), 4, 2, nStride);
    ASSERT_TRUE(p);
    EXPECT_EQ(nStride, 12u);
    EXPECT_EQ(p[12], 13);
    p = JpegFile::AlignRowsToDword(v.data(), 5, 2, nStride);
    ASSERT_TRUE(p);
    EXPECT_EQ(nStride, 16u);
    EXPECT_EQ(std::vector<int>(p.get() + 14, p.get() + 17), (std::vector<int>{15, 0, 16}));
    nStride = 3;
    EXPECT_FALSE(JpegFile::AlignRowsToDword(nullptr, 5, 2, nStride));
    EXPECT_EQ(nStride, 3u);
}

// Two threads decode at once, one of them through fatal errors: neither may
// disturb the other.
TEST_F(JpegFileTest, ConcurrentDecodesShareNothing) {
    const std::string strGood = WriteQuadrantJpeg(m_dir.path().toStdString(), "a.jpg", 320, 240);
    WriteBytes(Path("bad.jpg"), "GIF89a");
    int nGood = 0, nBadFailed = 0;
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            std::uint32_t w = 0, h = 0;
            nBadFailed += !JpegFile::ReadJpegRgb(Path("bad.jpg"), w, h, 1, 1);
        }
    });
    for (int i = 0; i < 20; ++i) {
        std::uint32_t w = 0, h = 0;
        auto p = JpegFile::ReadJpegRgb(strGood, w, h, 1, 2);
        nGood += p && w == 160 && h == 120 && p[0] > 230;
    }
    worker.join();
    EXPECT_EQ(nGood, 20);
    EXPECT_EQ(nBadFailed, 20);
    EXPECT_EQ(m_recorder.Count(), 20u);
}

struct DisplayRowsCase {
    const char* name;
    int w;
    int h;
    int nComponents;  // 3 colour, 1 grey, 4 CMYK
    int nOrientation = 1;
};

void PrintTo(const DisplayRowsCase& c, std::ostream* os) { *os << c.name; }

class DisplayRows : public ::testing::TestWithParam<DisplayRowsCase> {};

// The direct road to display rows gives exactly the grid's steps over the
// packed decode: turn, swap, flip, align with zero padding.
TEST_P(DisplayRows, AreThePackedDecodeTurnedIntoDisplayRows) {
    const DisplayRowsCase& c = GetParam();
    MessageRecorder messages;
    QTemporaryDir dir;
    const std::string strPath = dir.path().toStdString() + "/photo.jpg";
    std::vector<std::uint8_t> samples(std::size_t(c.w) * c.h * c.nComponents);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = std::uint8_t(i * 37 % 251);
    if (c.nComponents == 3)
        ASSERT_TRUE(JpegFile::WriteJpegFile(strPath, samples.data(), c.w, c.h, 90));
    else
        ASSERT_TRUE(WriteRawJpeg(strPath, c.w, c.h, c.nComponents == 1 ? JCS_GRAYSCALE : JCS_CMYK,
                                 c.nComponents, samples.data(), false));

    std::uint32_t w = 0, h = 0;
    auto pPacked = JpegFile::ReadJpegRgb(strPath, w, h, 1, 1);
    pPacked = OrientPixels(std::move(pPacked), w, h, c.nOrientation);
    ASSERT_NE(pPacked, nullptr);
    JpegFile::SwapRedBlue(pPacked.get(), w, h);
    JpegFile::FlipRowsVertically(pPacked.get(), w * 3, h);
    std::uint32_t nStride = 0;
    auto pExpected = JpegFile::AlignRowsToDword(pPacked.get(), w, h, nStride);

    JpegFile::ViewRows rows;
    auto pRows = JpegFile::ReadJpegDisplayRows(strPath, c.nOrientation, kViewPixelBudget, rows);
    ASSERT_NE(pRows, nullptr);
    EXPECT_EQ(rows.nWidth, w);
    EXPECT_EQ(rows.nHeight, h);
    EXPECT_EQ(std::memcmp(pRows.get(), pExpected.get(), std::size_t(nStride) * h), 0);
    EXPECT_EQ(messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, DisplayRows,
                         ::testing::Values(DisplayRowsCase{"AlignedColour", 64, 48, 3},
                                           DisplayRowsCase{"PaddedColour", 37, 21, 3},
                                           DisplayRowsCase{"Grey", 37, 21, 1},
                                           DisplayRowsCase{"Cmyk", 30, 17, 4},
                                           DisplayRowsCase{"MirroredGrey", 37, 21, 1, 2},
                                           DisplayRowsCase{"UpsideDown", 37, 21, 3, 3},
                                           DisplayRowsCase{"Transposed", 37, 21, 3, 5},
                                           DisplayRowsCase{"TurnedRight", 30, 17, 4, 6},
                                           DisplayRowsCase{"TurnedLeft", 37, 21, 3, 8}));

}  // namespace

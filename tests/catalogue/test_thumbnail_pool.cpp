// SPDX-License-Identifier: MIT
// Helper threads build thumbnails ahead of the processing thread: the
// entries, their pixels and the boxes the user sees are those of one thread.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "browser/catalogue/thumbnail_pool.h"
#include "codec/decode_abort.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "support/message_recorder.h"

namespace {

using namespace std::chrono_literals;

ImageList MakeList(const std::vector<std::string>& paths) {
    ImageList list;
    for (const std::string& path : paths) {
        auto item = std::make_unique<ImageItem>();
        item->m_strPath = path;
        item->m_nKind = IMAGE_JPEG;
        list.push_back(std::move(item));
    }
    return list;
}

// Takes every entry in order, as the processing thread does; false at the
// first failure, like the run.
bool TakeAll(ImageList& list, ThumbnailPool::Builder fn, int nWorkers,
             const std::atomic<bool>& bAbort) {
    ThumbnailPool pool(list, std::move(fn), 103, 100, nWorkers, bAbort);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!pool.Take(i, *list[i])) return false;
    return true;
}

void ExpectSameThumbnails(const ImageList& a, const ImageList& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        const ImageItem& x = *a[i];
        const ImageItem& y = *b[i];
        EXPECT_EQ(x.m_nImageWidth, y.m_nImageWidth) << i;
        EXPECT_EQ(x.m_nImageHeight, y.m_nImageHeight) << i;
        EXPECT_EQ(x.m_nThumbWidth, y.m_nThumbWidth) << i;
        EXPECT_EQ(x.m_nThumbHeight, y.m_nThumbHeight) << i;
        EXPECT_EQ(x.m_nScaleNum, y.m_nScaleNum) << i;
        EXPECT_EQ(x.m_nScaleDenom, y.m_nScaleDenom) << i;
        EXPECT_EQ(x.m_strDim, y.m_strDim) << i;
        ASSERT_TRUE(x.m_pBits && y.m_pBits) << i;
        const std::size_t nBytes = DisplayStride(std::uint32_t(x.m_nThumbWidth)) * x.m_nThumbHeight;
        EXPECT_EQ(std::memcmp(x.m_pBits.get(), y.m_pBits.get(), nBytes), 0) << i;
    }
}

TEST(ThumbnailPool, RealPhotosComeOutAsFromOneThread) {
    QTemporaryDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) {
        const std::uint32_t w = 120 + 37 * i, h = 90 + 23 * i;
        std::vector<std::uint8_t> pixels(std::size_t(w) * h * 3);
        for (std::size_t p = 0; p < pixels.size(); ++p) pixels[p] = std::uint8_t(p * (i + 3) / 7);
        paths.push_back(dir.path().toStdString() + "/p" + std::to_string(i) + ".jpg");
        ASSERT_TRUE(JpegFile::WriteJpegFile(paths.back(), pixels.data(), w, h, 85));
    }
    const std::atomic<bool> bAbort{false};
    ImageList one = MakeList(paths);
    ImageList many = MakeList(paths);
    ASSERT_TRUE(TakeAll(one, BuildThumbnailBitmap, 0, bAbort));
    ASSERT_TRUE(TakeAll(many, BuildThumbnailBitmap, 3, bAbort));
    ExpectSameThumbnails(one, many);
}

// A box met by a helper is shown when the processing thread takes that
// entry, through the processing thread's own handler, in catalogue order.
TEST(ThumbnailPool, BoxesWaitForTheirEntryAndComeInOrder) {
    MessageRecorder boxes;
    ImageList list = MakeList({"a", "b", "c", "d", "e", "f"});
    std::atomic<int> nBuilt{0};
    const auto fn = [&](ImageItem& item, int, int) {
        if (item.m_strPath != "c") ShowMessage(QString::fromStdString("box " + item.m_strPath));
        item.m_nThumbWidth = 1;
        ++nBuilt;
        return true;
    };
    const std::atomic<bool> bAbort{false};
    ThumbnailPool pool(list, fn, 103, 100, 3, bAbort);
    ASSERT_TRUE(pool.Take(0, *list[0]));
    while (nBuilt < 6) std::this_thread::sleep_for(1ms);  // helpers got ahead
    EXPECT_EQ(boxes.Texts(), QStringList{"box a"});
    for (std::size_t i = 1; i < list.size(); ++i) ASSERT_TRUE(pool.Take(i, *list[i]));
    EXPECT_EQ(boxes.Texts(), (QStringList{"box a", "box b", "box d", "box e", "box f"}));
    for (const auto& item : list) EXPECT_EQ(item->m_nThumbWidth, 1);
}

// Helpers stay within a window ahead of the processing thread, so memory
// follows the window and not the folder.
TEST(ThumbnailPool, HelpersStayWithinTheirWindow) {
    std::vector<std::string> paths(200, "x");
    ImageList list = MakeList(paths);
    std::atomic<int> nCalls{0};
    const auto fn = [&](ImageItem&, int, int) {
        ++nCalls;
        return true;
    };
    const std::atomic<bool> bAbort{false};
    ThumbnailPool pool(list, fn, 103, 100, 2, bAbort);
    while (nCalls < 8) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(nCalls, 8);  // two helpers, four entries each
    ASSERT_TRUE(pool.Take(0, *list[0]));
    while (nCalls < 9) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(nCalls, 9);
}

// A stop ends the helpers' decodes at once; nothing they made is kept.
TEST(ThumbnailPool, AbortEndsTheHelpersDecodes) {
    ImageList list = MakeList({"a", "b", "c", "d"});
    std::atomic<int> nDecoding{0};
    const auto fn = [&](ImageItem&, int, int) {
        ++nDecoding;
        const auto start = std::chrono::steady_clock::now();
        while (!DecodeAborted())
            if (std::chrono::steady_clock::now() - start > 20s) return true;
        return false;
    };
    std::atomic<bool> bAbort{false};
    const auto start = std::chrono::steady_clock::now();
    {
        ThumbnailPool pool(list, fn, 103, 100, 3, bAbort);
        while (nDecoding < 3) std::this_thread::sleep_for(1ms);
        bAbort = true;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    for (const auto& item : list) EXPECT_EQ(item->m_pBits, nullptr);
}

TEST(ThumbnailPool, ThreadCountSetting) {
    EXPECT_EQ(ThumbnailThreadCount(1), 1);
    EXPECT_EQ(ThumbnailThreadCount(6), 6);
    EXPECT_EQ(ThumbnailThreadCount(100000), 64);
    const int nCores = int(std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(ThumbnailThreadCount(0), nCores);
    EXPECT_EQ(ThumbnailThreadCount(-3), nCores);
}

}  // namespace

// SPDX-License-Identifier: MIT
// Opening a 4000 × 3000 photograph in an image window against what the
// library alone needs for the same pixels, measured in the same iteration
// with the order alternating, so the machine's load affects both sides alike:
//  - fit off: a bare full-size decode;
//  - fit on (1280 × 1024 work area): the bare decode plus the block shrink to
//    the window's client size.
// Also one slide-show step (ShowImage) on an open window.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "viewer/image_win.h"
#include "viewer/scroll_vu.h"

namespace {

constexpr std::uint32_t kWidth = 4000;
constexpr std::uint32_t kHeight = 3000;

// The test photograph, written once per process.
struct LargeJpeg {
    QTemporaryDir dir;
    std::string strPath;
    std::vector<std::uint8_t> pixels;  // decoded once, for the shrink baseline
    LargeJpeg() {
        strPath = dir.path().toStdString() + "/large.jpg";
        const std::vector<std::uint8_t> v = PhotoLikePixels(kWidth, kHeight);
        JpegFile::WriteJpegFile(strPath, v.data(), kWidth, kHeight, 90);
        std::uint32_t w = 0, h = 0;
        auto p = JpegFile::ReadJpegRgb(strPath, w, h, 1, 1);
        if (p) pixels.assign(p.get(), p.get() + std::size_t(w) * h * 3);
    }
};

LargeJpeg& Photo() {
    static LargeJpeg s_photo;
    return s_photo;
}

ImageItem PhotoEntry() {
    ImageItem item;
    item.m_nKind = IMAGE_JPEG;
    item.m_strPath = Photo().strPath;
    item.m_strName = "large";
    item.m_nImageWidth = kWidth;
    item.m_nImageHeight = kHeight;
    return item;
}

void RunOpenAgainst(benchmark::State& state, bool bFit) {
    SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });
    CImageWin::SetWorkAreaOverride(QSize(1280, 1024));
    const ImageItem item = PhotoEntry();
    if (Photo().pixels.empty()) {
        state.SkipWithError("the test photograph could not be written");
        return;
    }
    // The client size a fitted window gets, for the shrink baseline.
    QSize client;
    {
        CImageWin win(nullptr, nullptr);
        win.OpenImage(item, false, bFit);
        client = QSize(win.View()->Item().m_nThumbWidth, win.View()->Item().m_nThumbHeight);
    }
    std::vector<std::uint8_t> vShrunk(std::size_t(client.width()) * client.height() * 3);
    std::vector<double> vRatios, vHeldRatios;
    double fOpen = 0, fBase = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        double fO = 0, fB = 0;
        // The same decode into a fresh buffer the size of the image: what
        // holding the picture costs on its own (first touch of its pages).
        const auto tHeld = std::chrono::steady_clock::now();
        {
            std::uint32_t w = 0, h = 0;
            auto pHeld = JpegFile::ReadJpegRgb(Photo().strPath, w, h, 1, 1);
            benchmark::DoNotOptimize(pHeld.get());
        }
        const double fHeld = Seconds(tHeld);
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (i % 2 == 0)) {
                auto pWin = std::make_unique<CImageWin>(nullptr, nullptr);
                pWin->OpenImage(item, false, bFit);
                benchmark::DoNotOptimize(pWin->View()->Item().m_pBits.get());
                pWin.reset();
                fO = Seconds(t0);
            } else {
                BareDecode(Photo().strPath, 1);
                if (bFit)
                    BoxShrink(Photo().pixels.data(), vShrunk.data(), kWidth, kHeight,
                              std::uint32_t(client.width()), std::uint32_t(client.height()));
                fB = Seconds(t0);
            }
        }
        state.SetIterationTime(fO);
        fOpen += fO;
        fBase += fB;
        vRatios.push_back(fO / fB);
        vHeldRatios.push_back(fO / fHeld);
        ++i;
    }
    state.counters["open_ms"] = 1e3 * fOpen / double(i);
    state.counters[bFit ? "decode_shrink_ms" : "decode_ms"] = 1e3 * fBase / double(i);
    state.counters["median_ratio"] = Median(vRatios);
    state.counters["median_ratio_vs_held_decode"] = Median(vHeldRatios);
    CImageWin::SetWorkAreaOverride({});
    SetMessageHandler({});
}

void BM_OpenPlainWindowVsDecode(benchmark::State& state) { RunOpenAgainst(state, false); }
void BM_OpenFittedWindowVsDecodeShrink(benchmark::State& state) { RunOpenAgainst(state, true); }

// One slide: the window hidden, placed, loaded, retitled and shown again.
void BM_ShowImageStep(benchmark::State& state) {
    SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });
    const ImageItem item = PhotoEntry();
    CImageWin win(nullptr, nullptr);
    win.OpenImage(item, true, false);
    for (auto _ : state) win.ShowImage(item);
    SetMessageHandler({});
}

}  // namespace

BENCHMARK(BM_OpenPlainWindowVsDecode)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_OpenFittedWindowVsDecodeShrink)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_ShowImageStep)->Unit(benchmark::kMillisecond)->Iterations(10);

// SPDX-License-Identifier: MIT
// Thumbnail making against two baselines measured in the same run, image by
// image and interleaved, so the machine's load affects both sides alike:
//  - the floor: a bare libjpeg decode at the same DCT reduction into a
//    discarded row (what no thumbnail maker can beat);
//  - a full-size decode followed by the same shrink (what the reduction saves).
// The corpus is made by bench/prepare_corpus.sh beside the executable
// (or in $GALERIO_BENCH_CORPUS).
#include <benchmark/benchmark.h>
// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on
#include <unistd.h>

#include <QColorSpace>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"

namespace {

constexpr int kPitch = 103;
constexpr int kThumb = kPitch - 3;

// The alternative without DCT reduction: full decode, then the same shrink
// and display-row preparation as a thumbnail.
void FullDecodeAndShrink(const std::string& strPath) {
    std::uint32_t w = 0, h = 0, tw = 0, th = 0, nStride = 0;
    auto p = JpegFile::ReadJpegRgb(strPath, w, h, 1, 1);
    if (!p) return;
    FitWithinSquare(w, h, kThumb, tw, th);
    p = ShrinkToNewBuffer(std::move(p), w, h, tw, th);
    JpegFile::SwapRedBlue(p.get(), tw, th);
    JpegFile::FlipRowsVertically(p.get(), tw * 3, th);
    benchmark::DoNotOptimize(JpegFile::AlignRowsToDword(p.get(), tw, th, nStride));
}

// One iteration = one corpus image through BuildThumbnailBitmap (the timed
// figure) and through the baseline, alternating which goes first.
void RunThumbnailAgainst(benchmark::State& state, const char* pszPrefix, bool bFullBaseline) {
    const std::vector<std::string> vFiles = CorpusFiles(pszPrefix);
    if (vFiles.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });  // the corpus is sound
    // The reduction BuildThumbnailBitmap will ask for, worked out before timing.
    std::vector<int> vReductions;
    for (const std::string& strPath : vFiles) {
        std::uint32_t w = 0, h = 0;
        JpegFile::ReadJpegSize(strPath, w, h);
        vReductions.push_back(JpegFile::ChooseJpegReduction(kThumb, std::int32_t(std::max(w, h))));
    }
    std::vector<double> vRatios;
    double fThumb = 0, fBase = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& strPath = vFiles[i % vFiles.size()];
        ImageItem item;
        item.m_nKind = IMAGE_JPEG;
        item.m_strPath = strPath;
        double fT = 0, fB = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (i % 2 == 0)) {
                BuildThumbnailBitmap(item, kPitch, kThumb);
                fT = Seconds(t0);
            } else {
                if (bFullBaseline) {
                    FullDecodeAndShrink(strPath);
                } else {
                    BareDecode(strPath, vReductions[i % vFiles.size()]);
                }
                fB = Seconds(t0);
            }
        }
        state.SetIterationTime(fT);
        fThumb += fT;
        fBase += fB;
        vRatios.push_back(fT / fB);
        ++i;
    }
    state.counters["thumb_ms"] = 1e3 * fThumb / double(i);
    state.counters[bFullBaseline ? "full_ms" : "floor_ms"] = 1e3 * fBase / double(i);
    state.counters["ratio"] = fThumb / fBase;
    state.counters["median_ratio"] = Median(vRatios);
    SetMessageHandler({});
}

void BM_ThumbnailVsFloor(benchmark::State& state, const char* pszPrefix) {
    RunThumbnailAgainst(state, pszPrefix, false);
}

void BM_ThumbnailVsFullDecode(benchmark::State& state, const char* pszPrefix) {
    RunThumbnailAgainst(state, pszPrefix, true);
}

// A thumbnail's decode (1/8) of a photo with an embedded Adobe RGB profile,
// colour management on (the timed figure) against off, interleaved. The
// photo is painted here: the corpus's photos carry no profile.
void BM_ThumbnailColorManaged(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string strPath = dir.filePath("adobe.jpg").toStdString();
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / 4000, y * 255 / 3000, (x ^ y) & 255));
    image.setColorSpace(QColorSpace::AdobeRgb);
    if (!image.save(QString::fromStdString(strPath), "jpeg", 90)) {
        state.SkipWithError("cannot write the photo");
        return;
    }
    std::vector<double> vRatios;
    double fOn = 0, fOff = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        double afTime[2] = {};
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            const bool bOn = (nTurn == 0) == (i % 2 == 0);
            CodecContext context;
            context.look.bColorManage = bOn;
            std::uint32_t w = 0, h = 0;
            const auto t0 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(JpegFile::ReadJpegRgb(strPath, w, h, 1, 8, context));
            afTime[bOn ? 0 : 1] = Seconds(t0);
        }
        state.SetIterationTime(afTime[0]);
        fOn += afTime[0];
        fOff += afTime[1];
        vRatios.push_back(afTime[0] / afTime[1]);
        ++i;
    }
    state.counters["on_ms"] = 1e3 * fOn / double(i);
    state.counters["off_ms"] = 1e3 * fOff / double(i);
    state.counters["ratio"] = fOn / fOff;
    state.counters["median_ratio"] = Median(vRatios);
}

}  // namespace

BENCHMARK(BM_ThumbnailColorManaged)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// Every corpus image at least once, so each photograph counts alike.
BENCHMARK_CAPTURE(BM_ThumbnailVsFloor, large, "large")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);
BENCHMARK_CAPTURE(BM_ThumbnailVsFloor, medium, "medium")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK_CAPTURE(BM_ThumbnailVsFullDecode, large, "large")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);
BENCHMARK_CAPTURE(BM_ThumbnailVsFullDecode, medium, "medium")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);

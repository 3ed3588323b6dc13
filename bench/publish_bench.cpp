// SPDX-License-Identifier: MIT
// Thumbnail files against the least any writer must do, measured in the same
// run, image by image and interleaved so the machine's load affects both
// sides alike: a bare libjpeg decode at the same DCT reduction into a packed
// buffer, the same block shrink, and a bare libjpeg encode into a new file.
// Both sides write a new file each time (the old one is removed untimed): a
// file that replaces another is synced first, which measures the disk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "browser/catalogue/catalogue.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "publish/thumb_writer.h"

namespace {

constexpr int kPitch = 103;
constexpr int kLimit = 200;
constexpr int kQuality = 90;

// The floor: decode at the reduction MakeOneThumb's scale leads to, shrink
// if the result is still larger than the limit, encode.
void BareThumb(const std::string& strPath, int nReduction, const std::string& strOut) {
    std::uint32_t w = 0, h = 0, tw = 0, th = 0;
    auto p = BareDecodePacked(strPath, nReduction, w, h);
    if (!p) return;
    if (FitWithinSquare(w, h, kLimit, tw, th)) {
        std::unique_ptr<std::uint8_t[]> pSmall(new std::uint8_t[std::size_t(tw) * th * 3]);
        BoxShrink(p.get(), pSmall.get(), w, h, tw, th);
        p = std::move(pSmall);
    }
    BareEncode(strOut, p.get(), tw, th, kQuality);
}

void BM_ThumbFileVsFloor(benchmark::State& state, const char* pszPrefix) {
    const std::vector<std::string> vFiles = CorpusFiles(pszPrefix);
    if (vFiles.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    QTemporaryDir dir;
    SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });  // the corpus is sound
    ThumbJob job;
    job.m_nSizeLimit = kLimit;
    job.m_nNaming = AppendText;
    job.m_strFolder = dir.path().toStdString();
    job.m_strSuffix = "_tn";
    job.m_nQuality = kQuality;
    const std::string strFloorOut = job.m_strFolder + "/floor.jpg";

    // The entries as the grid left them, and the reduction each will get.
    std::vector<std::unique_ptr<ImageItem>> vItems;
    std::vector<int> vReductions;
    for (const std::string& strPath : vFiles) {
        auto pItem = std::make_unique<ImageItem>();
        pItem->m_nKind = IMAGE_JPEG;
        pItem->m_strPath = strPath;
        SplitImagePath(*pItem);
        BuildThumbnailBitmap(*pItem, kPitch, kPitch - 3);
        const DecodeScale scale = ChooseDecodeScale(*pItem, kPitch, kLimit);
        vReductions.push_back(JpegFile::ChooseJpegReduction(scale.nNum, scale.nDenom));
        vItems.push_back(std::move(pItem));
    }

    std::vector<double> vRatios;
    double fThumb = 0, fBase = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        ImageItem& item = *vItems[i % vItems.size()];
        ::unlink((job.m_strFolder + "/" + item.m_strName + "_tn.jpg").c_str());
        ::unlink(strFloorOut.c_str());
        double fT = 0, fB = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (i % 2 == 0)) {
                if (!MakeOneThumb(item, job, kPitch)) state.SkipWithError("MakeOneThumb failed");
                fT = Seconds(t0);
            } else {
                BareThumb(item.m_strPath, vReductions[i % vItems.size()], strFloorOut);
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
    state.counters["floor_ms"] = 1e3 * fBase / double(i);
    state.counters["ratio"] = fThumb / fBase;
    state.counters["median_ratio"] = Median(vRatios);
    SetMessageHandler({});
}

}  // namespace

// Every corpus image at least twice, so each photograph counts alike.
BENCHMARK_CAPTURE(BM_ThumbFileVsFloor, large, "large")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);
BENCHMARK_CAPTURE(BM_ThumbFileVsFloor, medium, "medium")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);

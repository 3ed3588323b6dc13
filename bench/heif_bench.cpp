// SPDX-License-Identifier: MIT
// A HEIF thumbnail as the grid makes it (ReadHeifPhoto, then the box shrink
// into the square) against the floor: libheif alone decoding the same file
// to interleaved RGB. Both are timed in the same run, alternating which goes
// first, on a 12 MP photograph of the corpus encoded by heif-enc without an
// embedded thumbnail (bench/prepare_corpus.sh).
#include <benchmark/benchmark.h>
#include <libheif/heif.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "codec/display_bitmap.h"
#include "codec/photo_reader.h"

namespace {

constexpr int kThumb = 100;

void GridThumbnail(const std::string& strPath) {
    PhotoRequest request;
    request.strPath = strPath;
    request.nMinSide = kThumb;
    PhotoPixels pixels;
    CodecContext context;
    if (!ReadHeifPhoto(request, pixels, context)) return;
    std::uint32_t tw = 0, th = 0;
    FitWithinSquare(pixels.nWidth, pixels.nHeight, kThumb, tw, th);
    benchmark::DoNotOptimize(
        ShrinkToNewBuffer(std::move(pixels.pPixels), pixels.nWidth, pixels.nHeight, tw, th));
}

void BareLibheif(const std::string& strPath) {
    heif_context* pContext = heif_context_alloc();
    heif_image_handle* pHandle = nullptr;
    heif_image* pImage = nullptr;
    if (heif_context_read_from_file(pContext, strPath.c_str(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(pContext, &pHandle).code == heif_error_Ok)
        heif_decode_image(pHandle, &pImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          nullptr);
    benchmark::DoNotOptimize(pImage);
    if (pImage) heif_image_release(pImage);
    if (pHandle) heif_image_handle_release(pHandle);
    heif_context_free(pContext);
}

void BM_HeifThumbnailVsBare(benchmark::State& state) {
    const std::string strPath = CorpusFolder() + "/heif_12mp.heic";
    if (access(strPath.c_str(), R_OK) != 0) {
        state.SkipWithError("no HEIF photo: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    std::vector<double> vRatios;
    double fThumb = 0, fBare = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        double fT = 0, fB = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (i % 2 == 0)) {
                GridThumbnail(strPath);
                fT = Seconds(t0);
            } else {
                BareLibheif(strPath);
                fB = Seconds(t0);
            }
        }
        state.SetIterationTime(fT);
        fThumb += fT;
        fBare += fB;
        vRatios.push_back(fT / fB);
        ++i;
    }
    state.counters["thumb_ms"] = 1e3 * fThumb / double(i);
    state.counters["bare_ms"] = 1e3 * fBare / double(i);
    state.counters["ratio"] = fThumb / fBare;
    state.counters["median_ratio"] = Median(vRatios);
}

}  // namespace

// A decode takes seconds: a few rounds give a steady median.
BENCHMARK(BM_HeifThumbnailVsBare)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

// SPDX-License-Identifier: MIT
// Thumbnails of camera raw files against a full LibRaw decode of the same
// file (unpack and demosaic), alternated image by image in one run, and
// against the floor: libjpeg alone decoding the preview, kept beside the
// raw file, at the thumbnail's reduction. The raw
// files are 24-megapixel DNGs written by the project's DNG writer into the
// corpus folder the first time: 6000 × 4000 Bayer samples and a full-size
// preview, a corpus photograph scaled up with Qt.
#include <benchmark/benchmark.h>
#include <libraw/libraw.h>
#include <sys/stat.h>

#include <QImage>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/photo_reader.h"
#include "dng_writer.h"

namespace {

constexpr std::uint32_t kRawWidth = 6000, kRawHeight = 4000;
constexpr int kThumb = 100;
constexpr unsigned kRawFiles = 3;

std::string ReadWhole(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string PreviewOf(const std::string& strRaw) { return strRaw + ".preview.jpg"; }

// The DNG made from corpus photograph strSource, unless it is there already.
bool MakeRawFile(const std::string& strSource, const std::string& strPath) {
    struct stat st {};
    if (stat(strPath.c_str(), &st) == 0 && st.st_size > 0) return true;
    const QImage photo =
        QImage(QString::fromStdString(strSource))
            .scaled(kRawWidth, kRawHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB888);
    std::vector<std::uint8_t> vRgb(std::size_t(kRawWidth) * kRawHeight * 3);
    for (std::uint32_t y = 0; y < kRawHeight; ++y)
        std::copy_n(photo.constScanLine(int(y)), kRawWidth * 3, vRgb.data() + y * kRawWidth * 3);
    const std::string strJpeg = PreviewOf(strPath);
    if (photo.isNull() || !JpegFile::WriteJpegFile(strJpeg, vRgb.data(), kRawWidth, kRawHeight, 90))
        return false;
    DngPicture picture;
    picture.strPreviewJpeg = ReadWhole(strJpeg);
    picture.nPreviewWidth = kRawWidth;
    picture.nPreviewHeight = kRawHeight;
    picture.nRawWidth = kRawWidth;
    picture.nRawHeight = kRawHeight;
    std::ofstream(strPath + ".part", std::ios::binary) << MakeDng(picture);
    return std::rename((strPath + ".part").c_str(), strPath.c_str()) == 0;
}

std::vector<std::string> RawCorpus() {
    const std::vector<std::string> vSources = CorpusFiles("large");
    std::vector<std::string> vFiles;
    for (unsigned i = 0; i < kRawFiles && i < vSources.size(); ++i) {
        const std::string strPath = CorpusFolder() + "/raw_" + std::to_string(i) + ".dng";
        if (MakeRawFile(vSources[i], strPath)) vFiles.push_back(strPath);
    }
    return vFiles;
}

// What the grid does with a raw file: the preview at the square's reduction,
// then the box shrink into the square.
void RawThumbnail(const std::string& strPath) {
    CodecContext context;
    PhotoPixels pixels;
    if (!ReadRawPhoto(PhotoRequest{strPath, kThumb}, pixels, context)) return;
    std::uint32_t tw = 0, th = 0;
    FitWithinSquare(pixels.nWidth, pixels.nHeight, kThumb, tw, th);
    benchmark::DoNotOptimize(
        ShrinkToNewBuffer(std::move(pixels.pPixels), pixels.nWidth, pixels.nHeight, tw, th));
}

// The baseline: what showing the raw data itself would cost.
void FullRawDecode(const std::string& strPath) {
    auto pRaw = std::make_unique<LibRaw>();
    if (pRaw->open_file(strPath.c_str()) == LIBRAW_SUCCESS && pRaw->unpack() == LIBRAW_SUCCESS)
        benchmark::DoNotOptimize(pRaw->dcraw_process());
}

void BM_RawThumbnailVsFullDecode(benchmark::State& state) {
    const std::vector<std::string> vFiles = RawCorpus();
    if (vFiles.empty()) {
        state.SkipWithError("no corpus: run `make bench` (bench/prepare_corpus.sh) first");
        return;
    }
    std::vector<double> vThumb, vFull, vFloor;
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& strPath = vFiles[i % vFiles.size()];
        const auto tFloor = std::chrono::steady_clock::now();
        BareDecode(PreviewOf(strPath), JpegFile::ChooseJpegReduction(kThumb, kRawWidth));
        vFloor.push_back(Seconds(tFloor));
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (i % 2 == 0)) {
                RawThumbnail(strPath);
                vThumb.push_back(Seconds(t0));
            } else {
                FullRawDecode(strPath);
                vFull.push_back(Seconds(t0));
            }
        }
        state.SetIterationTime(vThumb.back());
        ++i;
    }
    state.counters["thumb_median_ms"] = 1e3 * Median(vThumb);
    state.counters["full_median_ms"] = 1e3 * Median(vFull);
    state.counters["floor_median_ms"] = 1e3 * Median(vFloor);
    state.counters["ratio"] = Median(vThumb) / Median(vFull);
    state.counters["ratio_to_floor"] = Median(vThumb) / Median(vFloor);
}

}  // namespace

// Each file twice; a full decode takes seconds.
BENCHMARK(BM_RawThumbnailVsFullDecode)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2 * kRawFiles);

// SPDX-License-Identifier: MIT
// Stepping the image window through a catalogue of 4000 × 3000 photographs,
// fitted to a 1280 × 1024 work area, against opening a window on one of them,
// measured in the same iteration with the order alternating:
//  - a step to a photo decoded ahead (the neighbour on either side): from the
//    key press until the photo has been painted;
//  - a step to a photo not decoded yet (Home and End across the catalogue),
//    decoded when the key comes.
// Opening is from the key press's point of view the same work: construct,
// place, decode, shrink, paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_corpus.h"
#include "browser/galerio_view.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "settings/settings_store.h"
#include "support/view_probe.h"
#include "viewer/image_win.h"
#include "viewer/scroll_vu.h"

namespace {

constexpr std::uint32_t kWidth = 4000;
constexpr std::uint32_t kHeight = 3000;
constexpr int kPhotos = 4;

// Photographs with fine detail, each a little different, so the decoder has
// real work and no two files are the same.
struct StepCatalogue {
    QTemporaryDir dir;
    std::vector<std::string> paths;
    StepCatalogue() {
        std::vector<std::uint8_t> v(std::size_t(kWidth) * kHeight * 3);
        for (int n = 0; n < kPhotos; ++n) {
            std::size_t i = 0;
            for (std::uint32_t y = 0; y < kHeight; ++y)
                for (std::uint32_t x = 0; x < kWidth; ++x) {
                    v[i++] = std::uint8_t((x * 255) / kWidth ^ (y & 7) ^ n);
                    v[i++] = std::uint8_t((y * 255) / kHeight + ((x * y + n) & 15));
                    v[i++] = std::uint8_t(((x + y + n) * 3) & 0xFF);
                }
            paths.push_back(dir.path().toStdString() + "/photo" + std::to_string(n) + ".jpg");
            JpegFile::WriteJpegFile(paths.back(), v.data(), kWidth, kHeight, 90);
        }
    }
};

StepCatalogue& Photos() {
    static StepCatalogue s_photos;
    return s_photos;
}

// A grid view holding the photographs, with settings of its own.
struct StepGrid {
    QTemporaryDir dir;
    SettingsStore store;
    std::unique_ptr<CGalerioView> pView;
    StepGrid() {
        store.SetFilePath((dir.path() + "/Galerio.ini").toStdString());
        pView = std::make_unique<CGalerioView>(store, nullptr);
        for (int n = 0; n < kPhotos; ++n) {
            auto pItem = std::make_unique<ImageItem>();
            pItem->m_nKind = IMAGE_JPEG;
            pItem->m_strPath = Photos().paths[std::size_t(n)];
            pItem->m_strName = "photo" + std::to_string(n);
            pItem->m_nImageWidth = kWidth;
            pItem->m_nImageHeight = kHeight;
            ViewProbe::Catalogue(*pView).push_back(std::move(pItem));
        }
    }
    const ImageItem& Entry(int n) const { return *pView->Catalogue()[std::size_t(n)]; }
};

void WaitWhile(const std::function<bool()>& fnBusy) {
    QCoreApplication::processEvents();
    while (fnBusy()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QCoreApplication::processEvents();
    }
}

void Press(CImageWin& win, Qt::Key key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(win.View(), &e);
}

// Paints the photo as the screen would get it. A window just shown may not
// be exposed yet offscreen, so its repaint could be skipped: both sides
// render the view the same way instead.
void Paint(CImageWin& win) {
    QImage image(win.View()->viewport()->size(), QImage::Format_RGB32);
    win.View()->viewport()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

// Opening a fitted window on the photo and painting it, in seconds.
double OpenSeconds(const ImageItem& item) {
    const auto t0 = std::chrono::steady_clock::now();
    auto pWin = std::make_unique<CImageWin>(nullptr, nullptr);
    pWin->OpenImage(item, false, true);
    Paint(*pWin);
    const double f = Seconds(t0);
    pWin.reset();
    return f;
}

// Alternates fnKey(i) (the key of iteration i) with opening a window, both
// measured to the painted photo, and reports their medians and ratio.
void RunStepAgainstOpen(benchmark::State& state, int nStart,
                        const std::function<Qt::Key(std::size_t)>& fnKey) {
    SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });
    CImageWin::SetWorkAreaOverride(QSize(1280, 1024));
    StepGrid grid;
    auto* pWin = new CImageWin(grid.pView.get(), nullptr);
    pWin->OpenImage(grid.Entry(nStart), false, true);
    std::vector<double> vStep, vOpen, vRatio;
    std::size_t i = 0;
    for (auto _ : state) {
        // The last step's look-ahead starts after its paint, and is done
        // before the next key, as between a user's key presses.
        WaitWhile([&] { return pWin->IsLookingAhead(); });
        double fStep = 0, fOpen = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            if ((nTurn == 0) == (i % 2 == 0)) {
                const auto t0 = std::chrono::steady_clock::now();
                Press(*pWin, fnKey(i));
                Paint(*pWin);
                fStep = Seconds(t0);
            } else {
                fOpen = OpenSeconds(grid.Entry(nStart));
            }
        }
        state.SetIterationTime(fStep);
        vStep.push_back(fStep);
        vOpen.push_back(fOpen);
        vRatio.push_back(fStep / fOpen);
        ++i;
    }
    state.counters["step_ms"] = 1e3 * Median(vStep);
    state.counters["open_ms"] = 1e3 * Median(vOpen);
    state.counters["median_ratio"] = Median(vRatio);
    state.counters["ratio_of_medians"] = Median(vStep) / Median(vOpen);
    delete pWin;
    CImageWin::SetWorkAreaOverride({});
    SetMessageHandler({});
}

// Back and forth between two neighbours: each is decoded ahead (or kept
// from the step before) by the time its key comes.
void BM_StepToPhotoDecodedAheadVsOpen(benchmark::State& state) {
    RunStepAgainstOpen(state, 1,
                       [](std::size_t i) { return i % 2 ? Qt::Key_Left : Qt::Key_Right; });
}

// From one end of the catalogue to the other: never a neighbour.
void BM_StepToPhotoNotDecodedVsOpen(benchmark::State& state) {
    RunStepAgainstOpen(state, 0, [](std::size_t i) { return i % 2 ? Qt::Key_Home : Qt::Key_End; });
}

}  // namespace

BENCHMARK(BM_StepToPhotoDecodedAheadVsOpen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(12);
BENCHMARK(BM_StepToPhotoNotDecodedVsOpen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(24);

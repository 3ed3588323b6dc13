// SPDX-License-Identifier: MIT
// One zoom step on a 4000 × 3000 photograph in a fitted image window (work
// area 1280 × 1024): the key that changes the level and the repaint of the
// client area, against a repaint of the same photo fitted, measured in the
// same iteration with the order alternating. The level pairs cover smooth
// sampling (1/2 and 2/3), around 100 % (1 and 1.5) and sharp pixels (3 and 4).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "codec/jpeg_file.h"
#include "platform/message_box.h"
#include "viewer/image_win.h"
#include "viewer/scroll_vu.h"

namespace {

constexpr std::uint32_t kWidth = 4000;
constexpr std::uint32_t kHeight = 3000;

// A photograph-like picture, as a 4000 x 3000 JPEG.
struct ZoomPhoto {
    QTemporaryDir dir;
    ImageItem item;
    ZoomPhoto() {
        const std::vector<std::uint8_t> v = PhotoLikePixels(kWidth, kHeight);
        item.m_nKind = IMAGE_JPEG;
        item.m_strPath = dir.path().toStdString() + "/zoom.jpg";
        item.m_strName = "zoom";
        item.m_nImageWidth = kWidth;
        item.m_nImageHeight = kHeight;
        JpegFile::WriteJpegFile(item.m_strPath, v.data(), kWidth, kHeight, 90);
    }
};

void Key(CScrollVu* pVu, int nKey) {
    QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier);
    QCoreApplication::sendEvent(pVu, &press);
}

// The view's whole client area painted into an image, as a repaint does.
void Repaint(CScrollVu* pVu, QImage& target) {
    QPainter dc(&target);
    pVu->OnDraw(dc);
}

// state.range(0): the lower level of the pair in percent.
void BM_ZoomStepVsFittedRepaint(benchmark::State& state) {
    SetMessageHandler([](const MessageRequest&) { return MsgResult::Ok; });
    CImageWin::SetWorkAreaOverride(QSize(1280, 1024));
    static ZoomPhoto s_photo;
    CImageWin fitted(nullptr, nullptr), zoomed(nullptr, nullptr);
    fitted.OpenImage(s_photo.item, false, true);
    zoomed.OpenImage(s_photo.item, false, true);
    CScrollVu* pZoom = zoomed.View();
    // From the fitted level up to the pair's lower level, the pointer at the
    // centre, so the photo's middle is on the screen.
    Key(pZoom, Qt::Key_1);
    const double dLow = double(state.range(0)) / 100;
    while (pZoom->ShownScale() < dLow - 1e-9) Key(pZoom, Qt::Key_Plus);
    while (pZoom->ShownScale() > dLow + 1e-9) Key(pZoom, Qt::Key_Minus);
    QImage target(pZoom->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QImage fittedTarget(fitted.View()->viewport()->size(), QImage::Format_ARGB32_Premultiplied);

    std::vector<double> vRatios, vStepMs;
    double fFit = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        double fZ = 0, fF = 0;
        for (int nTurn = 0; nTurn < 2; ++nTurn) {
            const auto t0 = std::chrono::steady_clock::now();
            if ((nTurn == 0) == (i % 2 == 0)) {
                Key(pZoom, i % 2 == 0 ? Qt::Key_Plus : Qt::Key_Minus);
                Repaint(pZoom, target);
                fZ = Seconds(t0);
            } else {
                Repaint(fitted.View(), fittedTarget);
                fF = Seconds(t0);
            }
        }
        state.SetIterationTime(fZ);
        vStepMs.push_back(1e3 * fZ);
        fFit += fF;
        vRatios.push_back(fZ / fF);
        ++i;
    }
    state.counters["median_step_ms"] = Median(vStepMs);
    // The first step also makes the zoom's fast copy of the photo.
    state.counters["first_step_ms"] = vStepMs.empty() ? 0 : vStepMs.front();
    state.counters["fitted_repaint_ms"] = 1e3 * fFit / double(i);
    state.counters["median_ratio"] = Median(vRatios);
    CImageWin::SetWorkAreaOverride({});
    SetMessageHandler({});
}

}  // namespace

BENCHMARK(BM_ZoomStepVsFittedRepaint)
    ->Arg(50)
    ->Arg(100)
    ->Arg(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

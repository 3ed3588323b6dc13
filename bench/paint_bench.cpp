// SPDX-License-Identifier: MIT
// One full repaint of a 1280 x 1024 grid. The cost must not grow with the
// catalogue: compare the 100-entry run with the 20,000-entry one.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstring>
#include <memory>

#include "browser/galerio_view.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/view_probe.h"

namespace {

// Like a run: the search makes every entry first, processing then gives each
// its 100 x 75 thumbnail rows.
void FillCatalogue(ImageList& list, int nEntries) {
    for (int i = 0; i < nEntries; ++i) {
        auto pItem = std::make_unique<ImageItem>();
        pItem->m_strName = "photo" + std::to_string(i);
        list.push_back(std::move(pItem));
    }
    constexpr int w = 100;
    constexpr int h = 75;
    const std::size_t nBytes = static_cast<std::size_t>(DisplayStride(w)) * h;
    for (int i = 0; i < nEntries; ++i) {
        ImageItem& item = *list[i];
        item.m_nThumbWidth = w;
        item.m_nThumbHeight = h;
        item.m_pBits = std::make_unique<std::uint8_t[]>(nBytes);
        for (std::size_t k = 0; k < nBytes; ++k)
            item.m_pBits[k] = static_cast<std::uint8_t>(k * 7 + i);
    }
}

void BM_FullRepaint(benchmark::State& state) {
    const int nEntries = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    SettingsStore store;
    store.SetFilePath((dir.path() + "/Galerio.ini").toStdString());
    store.PutInt(kSectionSettings, kColorCheck, 0);
    CGalerioView view(store, nullptr);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.resize(1280 + 2 * view.frameWidth(), 1024 + 2 * view.frameWidth());
    view.show();
    view.OnInitialUpdate();
    FillCatalogue(ViewProbe::Catalogue(view), nEntries);
    view.SetScrolls(true);
    QScrollBar* pV = view.verticalScrollBar();
    pV->setValue(pV->maximum() / 2);

    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    const QPoint ptScroll(0, pV->value());
    const QRect rcDoc = image.rect().translated(ptScroll);
    for (auto _ : state) {
        QPainter dc(&image);
        dc.translate(-ptScroll);
        ViewProbe::OnDraw(view, dc, rcDoc);
        dc.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["entries"] = nEntries;
}

BENCHMARK(BM_FullRepaint)->Arg(100)->Arg(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

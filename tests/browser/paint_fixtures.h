// SPDX-License-Identifier: MIT
#pragma once

// Catalogue entries with known pixels and a recording host, for checking the
// painted grid pixel by pixel.
#include <QImage>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "browser/view_host.h"
#include "model/image_item.h"

// The colour entry nIndex shows at (x, y) of its thumbnail, counted from the
// top-left. Every position of every entry differs from its neighbours, so a
// flipped, mirrored, shifted or mixed-up thumbnail shows.
QRgb PaintThumbColour(int nIndex, int x, int y);

// An entry with a w x h thumbnail of PaintThumbColour in display rows
// (bottom-up, blue-green-red, rows padded with junk bytes); no pixels when w
// or h is 0.
std::unique_ptr<ImageItem> PaintMakeItem(int nIndex, int w, int h);

// Rewrites an entry's rows in place with the colours of another index.
void PaintRefill(ImageItem& item, int nIndex);

// Records what the view asks of the window around it.
class PaintHostRecorder : public IViewHost {
public:
    bool SetPaneTextSized(int nPane, const QString& text) override {
        m_panes.emplace_back(nPane, text);
        return true;
    }
    void StartStartupTimer() override { ++m_nStartupTimers; }
    void RequestClose() override {}
    void SetWindowTitle(const QString&) override {}
    void AddToRecentFileList(const std::string&) override {}
    bool SlideShowRequested() const override { return false; }
    void StartSlideShow() override {}
    void RunViewCommand(ViewCommand) override {}

    std::vector<std::pair<int, QString>> m_panes;
    int m_nStartupTimers = 0;
};

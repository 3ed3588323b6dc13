// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "browser/image_window.h"

// What the image windows made by FakeImageWindows were asked to do.
struct ImageWindowLog {
    std::vector<std::string> shown;  // every path opened or shown, in order
    std::vector<bool> slideShow;     // per opened window
    std::vector<bool> fit;           // per opened window
    int nDestroyed = 0;
    bool bFailOpen = false;
};

// Stands in for the real image window where a test needs the grid view's
// side of it only.
class FakeImageWindow : public IImageWindow {
public:
    explicit FakeImageWindow(std::shared_ptr<ImageWindowLog> pLog) : m_pLog(std::move(pLog)) {}
    bool OpenImage(const ImageItem& item, bool bSlideShow, bool bFit) override {
        m_pLog->shown.push_back(item.m_strPath);
        m_pLog->slideShow.push_back(bSlideShow);
        m_pLog->fit.push_back(bFit);
        return !m_pLog->bFailOpen;
    }
    void ShowImage(const ImageItem& item) override { m_pLog->shown.push_back(item.m_strPath); }
    void DestroyWindow() override {
        ++m_pLog->nDestroyed;
        delete this;
    }

private:
    std::shared_ptr<ImageWindowLog> m_pLog;
};

inline ImageWindowFactory FakeImageWindows(const std::shared_ptr<ImageWindowLog>& pLog) {
    return [pLog]() -> IImageWindow* { return new FakeImageWindow(pLog); };
}

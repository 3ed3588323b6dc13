// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "model/image_item.h"

// A top-level window that shows one catalogue image full size: a plain one
// opened by a double click, or the slide show's. The grid view knows windows
// only through this, so the viewer can build on the view and not the other
// way round.
class IImageWindow {
public:
    virtual ~IImageWindow() = default;
    // Creates, titles and fills the window from the entry (which it copies:
    // the catalogue may change while the window stays open). False when the
    // window could not be created; an image that cannot be read still gives
    // an empty window titled with its name.
    virtual bool OpenImage(const ImageItem& item, bool bSlideShow, bool bFit) = 0;
    // Shows another entry in the open window: hidden, placed for the new
    // image, loaded, retitled, shown again (a full-screen window stays put).
    virtual void ShowImage(const ImageItem& item) = 0;
    // Closes the window; the object goes with it.
    virtual void DestroyWindow() = 0;
};

// Makes a new, not yet opened, image window.
using ImageWindowFactory = std::function<IImageWindow*()>;

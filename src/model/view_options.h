// SPDX-License-Identifier: MIT
#pragma once

// The thumbnail view's own copies of the options the Preferences dialog
// changes: plain data, so the dialog's rules and the view share it without
// knowing each other.
struct ViewOptions {
    int nPitch = 103;
    bool bColorCheck = true;
    int crBackColor = 0;
    int crTextColor = 0;
    bool bShowDim = false;
    bool bShowFileName = true;
    bool bShowFileSize = false;
    bool bShowFileDate = false;
    bool bTNSearch = false;
    int nSortStyle = 0;
    int nSortOption = 0;
    int nSlideTime = 5;  // seconds
    bool bRandom = false;
    bool bFit = false;
    int nShellBrowse = 1;
    int nCreateHere = 0;
    bool bRotateByTag = false;          // photos turned upright by their orientation tag
    bool bSlideShowFullScreen = false;  // the slide show opens its window full screen
};

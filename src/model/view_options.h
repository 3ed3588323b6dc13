// SPDX-License-Identifier: MIT
#pragma once

#include "settings/settings_keys.h"

// The choices of the "Browsing" section, each off unless the user picks it.
struct BrowsingOptions {
    bool bSlideShowFullScreen = false;  // the slide show opens its window full screen
    bool bShowWhileMaking = false;      // thumbnails shown as they are made
    bool bWatchFolder = false;          // changes by other programs show up
    bool bKeyboardSelect = false;       // arrow keys move the grid's selection
    bool bUseTrash = false;             // Delete moves to the Trash
    bool operator==(const BrowsingOptions&) const = default;
};

// One choice of the section: its stored name, its member and the text of
// its box in Preferences, in the order the boxes show.
struct BrowsingChoice {
    const char* pszKey;
    bool BrowsingOptions::*pMember;
    const char* pszLabel;
};
inline constexpr BrowsingChoice kBrowsingChoices[] = {
    {kSlideShowFullScreen, &BrowsingOptions::bSlideShowFullScreen,
     "Start Slide Show Full Screen"},
    {kShowWhileMaking, &BrowsingOptions::bShowWhileMaking, "Show Thumbnails as They Are Made"},
    {kWatchFolder, &BrowsingOptions::bWatchFolder, "Show Changes Made by Other Programs"},
    {kKeyboardSelect, &BrowsingOptions::bKeyboardSelect, "Select with the Arrow Keys"},
    {kUseTrash, &BrowsingOptions::bUseTrash, "Delete to the Trash"},
};

// The choices of the "Formats" section, each off unless the user picks it.
struct FormatsOptions {
    bool bExtra = false;        // PNG, GIF, TIFF, WebP, HEIF, AVIF and raw files are found
    bool bColorManage = false;  // colour profiles other than sRGB are converted to sRGB
    bool operator==(const FormatsOptions&) const = default;
};

struct FormatsChoice {
    const char* pszKey;
    bool FormatsOptions::*pMember;
    const char* pszLabel;
};
inline constexpr FormatsChoice kFormatsChoices[] = {
    {kExtraFormats, &FormatsOptions::bExtra,
     "Also show PNG, GIF, TIFF, WebP, HEIC, AVIF and camera raw files"},
    {kColorManage, &FormatsOptions::bColorManage, "Convert Colour Profiles to sRGB"},
};

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
    bool bRotateByTag = false;  // photos turned upright by their orientation tag
    BrowsingOptions browsing;
    FormatsOptions formats;
};

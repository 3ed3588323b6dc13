// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "model/view_options.h"
#include "settings/settings_keys.h"

class SettingsStore;

// The "Gallery" box: the web gallery's choices that stay from one gallery to
// the next. The others (folder, title, sizes of the copies, captions) are
// made in the command's own dialog.
struct GalleryPreferences {
    bool bLinkOriginals = kGalleryLinkOriginalsDefault != 0;
    int nThumbSize = kGalleryThumbSizeDefault;
    bool operator==(const GalleryPreferences&) const = default;
};
GalleryPreferences LoadGalleryPreferences(const SettingsStore& store);

// The values the Preferences dialog edits: a copy filled from the view, read
// back from the controls on OK.
struct PreferencesData {
    int nPitch = 103;
    int nPitchMin = 50;
    int nPitchMax = 50;
    int crBackColor = 0;
    int crTextColor = 0;
    bool bUseDefaultColor = true;
    int nSortStyle = 0;   // 0 ascending, 1 descending
    int nSortOption = 0;  // 0 none, 1 name, 2 size, 3 date
    bool bRandom = false;
    bool bFitToScreen = false;
    bool bShowDim = false;
    bool bShowFileName = true;
    bool bShowFileSize = false;
    bool bShowFileDate = false;
    bool bIgnoreTagged = false;
    std::string strSlideTime = "5";
    int nMruCount = 8;
    int nOpenFolderChoice = 1;    // 0 previous folder, 1 desktop
    int nThumbsFolderChoice = 0;  // 0 previous folder, 1 current folder
    bool bRotateByTag = false;
    BrowsingOptions browsing;
    FormatsOptions formats;
    GalleryPreferences gallery;  // not the view's: filled from the store by the caller
};

inline constexpr int kPreferencesPitchMin = 50;
inline constexpr int kMruCountMin = 1;
inline constexpr int kMruCountMax = 16;

// The dialog's copy as the view's values and the width of its client area
// give it; the slider runs from 50 to that width, never below 50.
PreferencesData FillPreferences(const ViewOptions& view, int nMruCount, int nClientWidth);

// The pitch as the labels under the slider show it: lowered to even.
inline int EvenPitch(int nPitch) { return nPitch & ~1; }

// How the slider moved; only page steps and drags show in the "Current" label.
enum class SliderMove { PageStep, Drag, SingleStep, ToEnd, DragEnd };
inline bool SliderMoveShowsValue(SliderMove move) {
    return move == SliderMove::PageStep || move == SliderMove::Drag;
}

// "Restore Defaults": the controls' values; the MRU count and the slider's
// range stay. The pitch is twice the minimum the "Min" label shows.
void RestoreDefaults(PreferencesData& data);
// What "Restore Defaults" writes at once: both warnings show again.
void ResetWarnings(const SettingsStore& store);

// The MRU field's text: a whole number from 1 to 16, else false.
bool ParseMruCount(const QString& text, int& nCount);
// The message that refuses another MRU count; it names both limits.
QString MruRangeText();

// One value written to the "Settings" section, as text.
struct PreferenceWrite {
    std::string strName;
    std::string strValue;
    bool operator==(const PreferenceWrite&) const = default;
};

// What OK does to the view, in the order it is to be done.
struct PreferencesOutcome {
    ViewOptions view;                     // the view's new values
    int nMruCount = 8;                    // the application's new count (list length at next start)
    bool bResort = false;                 // the catalogue is to be sorted again
    bool bRepaint = false;                // the whole view is to be repainted
    bool bReprocess = false;              // every thumbnail is to be made again at view.nPitch
    std::vector<PreferenceWrite> writes;  // in the order they are stored
    // The orientation choice changed: it is stored in its own section, and
    // every thumbnail is to be made again (unless the catalogue is empty).
    bool bRotateChanged = false;
    bool bRemakeForRotation = false;
    // The browsing and formats choices before OK: only those that changed
    // are stored.
    BrowsingOptions browsingBefore;
    FormatsOptions formatsBefore;
    // The folder is to be searched again: other files are photos now.
    bool bRescanForFormats = false;
    // Every thumbnail is to be made again: colours are rendered otherwise
    // (unless the catalogue is empty).
    bool bRemakeForLook = false;
    // Stored in [Gallery], each value only when it differs from what is there.
    GalleryPreferences gallery;
};

// Works out the result of OK: crSystemBack and crSystemText are the desktop's
// window and button-text colours, used when "Use Default Color" is ticked.
PreferencesOutcome ApplyPreferences(const PreferencesData& chosen, const ViewOptions& before,
                                    int crSystemBack, int crSystemText, bool bCatalogueEmpty);
// Stores the outcome's values in their order, then the orientation,
// browsing, formats and gallery choices that changed; a failed write is not
// reported.
void StorePreferences(const SettingsStore& store, const PreferencesOutcome& outcome);

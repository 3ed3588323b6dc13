// SPDX-License-Identifier: MIT
#include "dialogs/preferences_rules.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "publish/gallery.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

// The longest interval whose milliseconds still fit an int.
constexpr int kSlideSecondsMax = INT_MAX / 1000;

std::string IntText(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", n);
    return buf;
}

}  // namespace

PreferencesData FillPreferences(const ViewOptions& view, int nMruCount, int nClientWidth) {
    PreferencesData data;
    data.nMruCount = nMruCount;
    data.crBackColor = view.crBackColor;
    data.crTextColor = view.crTextColor;
    data.bUseDefaultColor = view.bColorCheck;
    data.nSortStyle = view.nSortStyle;
    data.nSortOption = view.nSortOption;
    data.bRandom = view.bRandom;
    data.bFitToScreen = view.bFit;
    data.bShowDim = view.bShowDim;
    data.bShowFileName = view.bShowFileName;
    data.bShowFileSize = view.bShowFileSize;
    data.bShowFileDate = view.bShowFileDate;
    data.bIgnoreTagged = view.bTNSearch;
    data.nPitch = view.nPitch;
    data.nPitchMin = kPreferencesPitchMin;
    // A view narrower than the smallest pitch still offers that pitch.
    data.nPitchMax = std::max(nClientWidth, kPreferencesPitchMin);
    data.strSlideTime = IntText(view.nSlideTime);
    data.nOpenFolderChoice = view.nShellBrowse;
    data.nThumbsFolderChoice = view.nCreateHere;
    data.bRotateByTag = view.bRotateByTag;
    data.browsing = view.browsing;
    data.formats = view.formats;
    return data;
}

GalleryPreferences LoadGalleryPreferences(const SettingsStore& store) {
    const GalleryOptions options = LoadGalleryOptions(store);
    return {options.bLinkOriginals, options.nThumbSize};
}

void RestoreDefaults(PreferencesData& data) {
    data.bFitToScreen = false;
    data.bRandom = false;
    data.bUseDefaultColor = true;
    data.nSortOption = 0;
    data.nSortStyle = 0;
    data.strSlideTime = IntText(kSlideSecondsDefault);
    data.nPitch = 2 * EvenPitch(data.nPitchMin);
    data.bShowDim = false;
    data.bShowFileName = true;
    data.bShowFileSize = false;
    data.bShowFileDate = false;
    data.bIgnoreTagged = false;
    data.nOpenFolderChoice = 1;
    data.nThumbsFolderChoice = 0;
    data.bRotateByTag = kRotateByTagDefault != 0;
    data.browsing = BrowsingOptions{};
    data.formats = FormatsOptions{};
    data.gallery = GalleryPreferences{};
}

void ResetWarnings(const SettingsStore& store) {
    store.PutInt(kSectionSettings, kNoDelDlg, 0);
    store.PutInt(kSectionSettings, kNoOverDlg, 0);
    // Written only when ticked, so a profile that never used the Trash
    // stays as it was.
    if (store.GetInt(kSectionBrowsing, kNoTrashDlg, kNoTrashDlgDefault) != 0)
        store.PutInt(kSectionBrowsing, kNoTrashDlg, 0);
}

bool ParseMruCount(const QString& text, int& nCount) {
    bool bOk = false;
    const int n = text.trimmed().toInt(&bOk, 10);
    if (!bOk || n < kMruCountMin || n > kMruCountMax) return false;
    nCount = n;
    return true;
}

QString MruRangeText() {
    return QStringLiteral("Please enter an integer between %1 and %2.")
        .arg(kMruCountMin)
        .arg(kMruCountMax);
}

PreferencesOutcome ApplyPreferences(const PreferencesData& chosen, const ViewOptions& before,
                                    int crSystemBack, int crSystemText, bool bCatalogueEmpty) {
    PreferencesOutcome out;
    ViewOptions& view = out.view;
    view = before;
    auto write = [&out](const char* name, const std::string& value) {
        out.writes.push_back({name, value});
    };
    auto writeInt = [&write](const char* name, int n) { write(name, IntText(n)); };

    // The slider's position is stored as it stands; the grid uses it even.
    writeInt(kPitch, chosen.nPitch);

    view.bColorCheck = chosen.bUseDefaultColor;
    writeInt(kColorCheck, chosen.bUseDefaultColor ? 1 : 0);
    view.crBackColor = chosen.bUseDefaultColor ? crSystemBack : chosen.crBackColor;
    view.crTextColor = chosen.bUseDefaultColor ? crSystemText : chosen.crTextColor;
    writeInt(kBackColor, view.crBackColor);
    writeInt(kTextColor, view.crTextColor);

    out.bRepaint = view.crBackColor != before.crBackColor ||
                   view.crTextColor != before.crTextColor || chosen.bShowDim != before.bShowDim ||
                   chosen.bShowFileName != before.bShowFileName ||
                   chosen.bShowFileSize != before.bShowFileSize ||
                   chosen.bShowFileDate != before.bShowFileDate;

    view.bShowDim = chosen.bShowDim;
    view.bShowFileName = chosen.bShowFileName;
    view.bShowFileSize = chosen.bShowFileSize;
    view.bShowFileDate = chosen.bShowFileDate;
    view.bTNSearch = chosen.bIgnoreTagged;
    writeInt(kShowDim, chosen.bShowDim ? 1 : 0);
    writeInt(kShowFileName, chosen.bShowFileName ? 1 : 0);
    writeInt(kShowFileSize, chosen.bShowFileSize ? 1 : 0);
    writeInt(kShowFileDate, chosen.bShowFileDate ? 1 : 0);
    writeInt(kTNSearch, chosen.bIgnoreTagged ? 1 : 0);

    const bool bSortChanged =
        chosen.nSortStyle != before.nSortStyle || chosen.nSortOption != before.nSortOption;
    view.nSortStyle = chosen.nSortStyle;
    view.nSortOption = chosen.nSortOption;
    writeInt(kSortStyle, chosen.nSortStyle);
    writeInt(kSortOption, chosen.nSortOption);
    if (bSortChanged && !bCatalogueEmpty) {
        out.bResort = true;
        out.bRepaint = true;
    }

    // A text without a number keeps the interval; the text is stored as typed.
    int nSeconds = 0;
    if (ParseLeadingInt(chosen.strSlideTime, nSeconds) && nSeconds >= 0)
        view.nSlideTime = std::min(nSeconds, kSlideSecondsMax);
    write(kSlideTime, chosen.strSlideTime);

    out.nMruCount = chosen.nMruCount;
    writeInt(kMRU, chosen.nMruCount);

    view.bRandom = chosen.bRandom;
    view.bFit = chosen.bFitToScreen;
    view.nShellBrowse = chosen.nOpenFolderChoice;
    view.nCreateHere = chosen.nThumbsFolderChoice;
    writeInt(kRandom, chosen.bRandom ? 1 : 0);
    writeInt(kFit, chosen.bFitToScreen ? 1 : 0);
    writeInt(kShellBrowse, chosen.nOpenFolderChoice);
    writeInt(kCreateHere, chosen.nThumbsFolderChoice);

    // Only a change is written, so a settings file that never had the
    // choice keeps the default without naming it.
    view.bRotateByTag = chosen.bRotateByTag;
    out.bRotateChanged = chosen.bRotateByTag != before.bRotateByTag;
    out.bRemakeForRotation = out.bRotateChanged && !bCatalogueEmpty;
    view.browsing = chosen.browsing;
    out.browsingBefore = before.browsing;
    view.formats = chosen.formats;
    out.formatsBefore = before.formats;
    out.bRescanForFormats = chosen.formats.bExtra != before.formats.bExtra;
    // Transparent pixels of the other formats are put over the background
    // when thumbnails are made, so a new colour needs them made again.
    const bool bLook = chosen.formats.bColorManage != before.formats.bColorManage ||
                       (chosen.formats.bExtra && view.crBackColor != before.crBackColor);
    out.bRemakeForLook = bLook && !out.bRescanForFormats && !bCatalogueEmpty;
    out.gallery = chosen.gallery;

    if (chosen.nPitch != before.nPitch) {
        view.nPitch = EvenPitch(chosen.nPitch);
        out.bReprocess = true;
    }
    return out;
}

void StorePreferences(const SettingsStore& store, const PreferencesOutcome& outcome) {
    for (const PreferenceWrite& w : outcome.writes)
        store.PutString(kSectionSettings, w.strName, w.strValue);
    if (outcome.bRotateChanged)
        store.PutInt(kSectionOrientation, kRotateByTag, outcome.view.bRotateByTag ? 1 : 0);
    for (const BrowsingChoice& c : kBrowsingChoices) {
        const bool bOn = outcome.view.browsing.*c.pMember;
        if (bOn != outcome.browsingBefore.*c.pMember)
            store.PutInt(kSectionBrowsing, c.pszKey, bOn ? 1 : 0);
    }
    for (const FormatsChoice& c : kFormatsChoices) {
        const bool bOn = outcome.view.formats.*c.pMember;
        if (bOn != outcome.formatsBefore.*c.pMember)
            store.PutInt(kSectionFormats, c.pszKey, bOn ? 1 : 0);
    }
    // The gallery's other choices and its folder go back as they were, so
    // they are not written.
    GalleryOptions gallery = LoadGalleryOptions(store);
    gallery.bLinkOriginals = outcome.gallery.bLinkOriginals;
    gallery.nThumbSize = outcome.gallery.nThumbSize;
    SaveGalleryOptions(store, gallery, LoadGalleryFolder(store));
}

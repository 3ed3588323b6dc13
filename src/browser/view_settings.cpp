// SPDX-License-Identifier: MIT
#include "browser/view_settings.h"

#include <QGuiApplication>
#include <QPalette>
#include <climits>
#include <string>

#include "platform/color_ref.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

// Pitches the view accepts from the store: a thumbnail needs at least one
// pixel inside its 3-pixel border, and no screen is wider than the top.
constexpr int kPitchMin = 4;
constexpr int kPitchMax = 16384;
// The longest slide interval whose milliseconds still fit an int.
constexpr int kSlideSecondsMax = INT_MAX / 1000;

}  // namespace

void ViewSettings::Load(const SettingsStore& s) {
    m_nSortStyle = s.GetInt(kSectionSettings, kSortStyle, kSortStyleDefault);
    m_nSortOption = s.GetInt(kSectionSettings, kSortOption, kSortOptionDefault);
    m_nPitch = s.GetInt(kSectionSettings, kPitch, kPitchDefault);
    // A pitch of 3 or less leaves no room for a thumbnail, and one beyond
    // any screen only makes the grid's sums overflow.
    if (m_nPitch < kPitchMin || m_nPitch > kPitchMax) m_nPitch = kPitchDefault;
    m_nThumbSize = m_nPitch - 3;
    m_bColorCheck = s.GetInt(kSectionSettings, kColorCheck, kColorCheckDefault) != 0;
    m_crBackColor = s.GetInt(kSectionSettings, kBackColor, kBackColorDefault);
    m_crTextColor = s.GetInt(kSectionSettings, kTextColor, kTextColorDefault);
    if (m_bColorCheck) {
        // The system colours win at every start, and are remembered.
        const QPalette pal = QGuiApplication::palette();
        m_crBackColor = RefFromColor(pal.color(QPalette::Base));
        m_crTextColor = RefFromColor(pal.color(QPalette::ButtonText));
        s.PutInt(kSectionSettings, kBackColor, m_crBackColor);
        s.PutInt(kSectionSettings, kTextColor, m_crTextColor);
    }
    m_bShowDim = s.GetInt(kSectionSettings, kShowDim, kShowDimDefault) != 0;
    m_bShowFileName = s.GetInt(kSectionSettings, kShowFileName, kShowFileNameDefault) != 0;
    m_bShowFileSize = s.GetInt(kSectionSettings, kShowFileSize, kShowFileSizeDefault) != 0;
    m_bShowFileDate = s.GetInt(kSectionSettings, kShowFileDate, kShowFileDateDefault) != 0;
    m_bTNSearch = s.GetInt(kSectionSettings, kTNSearch, kTNSearchDefault) != 0;

    std::string slide = s.GetString(kSectionSettings, kSlideTime, kSlideTimeDefault);
    if (slide.find('.') != std::string::npos) slide = "1";
    int nSeconds = 0;
    // A text with no number (an emptied field) falls back to the default.
    m_nSlideTime = ParseLeadingInt(slide, nSeconds) ? nSeconds : kSlideSecondsDefault;
    // The interval is counted in milliseconds in an int.
    if (m_nSlideTime < 0) m_nSlideTime = kSlideSecondsDefault;
    m_nSlideTime = std::min(m_nSlideTime, kSlideSecondsMax);

    m_bRandom = s.GetInt(kSectionSettings, kRandom, kRandomDefault) != 0;
    m_bFit = s.GetInt(kSectionSettings, kFit, kFitDefault) != 0;
    m_nShellBrowse = s.GetInt(kSectionSettings, kShellBrowse, kShellBrowseDefault);
    m_nCreateHere = s.GetInt(kSectionSettings, kCreateHere, kCreateHereDefault);
    m_bRotateByTag = s.GetInt(kSectionOrientation, kRotateByTag, kRotateByTagDefault) != 0;
    for (const BrowsingChoice& c : kBrowsingChoices)
        m_browsing.*c.pMember = s.GetInt(kSectionBrowsing, c.pszKey, kBrowsingOptionDefault) != 0;
    for (const FormatsChoice& c : kFormatsChoices)
        m_formats.*c.pMember = s.GetInt(kSectionFormats, c.pszKey, kFormatsOptionDefault) != 0;
}

ViewOptions ViewSettings::Options() const {
    ViewOptions o;
    o.nPitch = m_nPitch;
    o.bColorCheck = m_bColorCheck;
    o.crBackColor = m_crBackColor;
    o.crTextColor = m_crTextColor;
    o.bShowDim = m_bShowDim;
    o.bShowFileName = m_bShowFileName;
    o.bShowFileSize = m_bShowFileSize;
    o.bShowFileDate = m_bShowFileDate;
    o.bTNSearch = m_bTNSearch;
    o.nSortStyle = m_nSortStyle;
    o.nSortOption = m_nSortOption;
    o.nSlideTime = m_nSlideTime;
    o.bRandom = m_bRandom;
    o.bFit = m_bFit;
    o.nShellBrowse = m_nShellBrowse;
    o.nCreateHere = m_nCreateHere;
    o.bRotateByTag = m_bRotateByTag;
    o.browsing = m_browsing;
    o.formats = m_formats;
    return o;
}

void ViewSettings::Take(const ViewOptions& o) {
    m_bColorCheck = o.bColorCheck;
    m_crBackColor = o.crBackColor;
    m_crTextColor = o.crTextColor;
    m_bShowDim = o.bShowDim;
    m_bShowFileName = o.bShowFileName;
    m_bShowFileSize = o.bShowFileSize;
    m_bShowFileDate = o.bShowFileDate;
    m_bTNSearch = o.bTNSearch;
    m_nSortStyle = o.nSortStyle;
    m_nSortOption = o.nSortOption;
    // The interval is counted in milliseconds in an int.
    m_nSlideTime = std::clamp(o.nSlideTime, 0, kSlideSecondsMax);
    m_bRandom = o.bRandom;
    m_bFit = o.bFit;
    m_nShellBrowse = o.nShellBrowse;
    m_nCreateHere = o.nCreateHere;
    m_bRotateByTag = o.bRotateByTag;
    m_browsing = o.browsing;
    m_formats = o.formats;
}

void ViewSettings::SetPitch(int nPitch) {
    m_nPitch = nPitch;
    m_nThumbSize = nPitch - 3;
}

// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>

#include "model/view_options.h"

class SettingsStore;

// The grid view's settings: pitch, colours, captions, sort, the slide show's
// pace and order, and how photos are turned. Read from the store at start and
// changed by Preferences; the image windows read their captions here too.
struct ViewSettings {
    // Reads every value. With "ColorCheck" set the system colours replace the
    // stored ones at every start, and are written back.
    void Load(const SettingsStore& store);
    // The options Preferences edits. Take keeps the pitch (SetPitch changes it).
    ViewOptions Options() const;
    void Take(const ViewOptions& options);
    void SetPitch(int nPitch);

    // The slide interval in milliseconds, from "SlideTime". An interval of 0
    // still waits a little, so the show cannot starve the window of events.
    static constexpr int kSlideMinMs = 100;
    int SlideIntervalMs() const { return std::max(m_nSlideTime * 1000, kSlideMinMs); }

    int m_nSortStyle = 0;
    int m_nSortOption = 0;
    int m_nPitch = 103;
    int m_nThumbSize = 100;
    bool m_bColorCheck = true;
    int m_crBackColor = 0;
    int m_crTextColor = 0;
    bool m_bShowDim = false;
    bool m_bShowFileName = true;
    bool m_bShowFileSize = false;
    bool m_bShowFileDate = false;
    bool m_bTNSearch = false;
    int m_nSlideTime = 5;  // seconds
    bool m_bRandom = false;
    bool m_bFit = false;
    int m_nShellBrowse = 1;
    int m_nCreateHere = 0;
    bool m_bRotateByTag = false;
    BrowsingOptions m_browsing;
    FormatsOptions m_formats;
};

// SPDX-License-Identifier: MIT
#include "browser/galerio_view.h"

#include <QApplication>
#include <QDateTime>
#include <QPalette>
#include <cstdlib>

#include "browser/view_events.h"
#include "codec/display_bitmap.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

QColor ColorFromRef(int cr) { return QColor(cr & 0xFF, (cr >> 8) & 0xFF, (cr >> 16) & 0xFF); }

int RefFromColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

CGalerioView::CGalerioView(SettingsStore& store, IViewHost* pHost, QWidget* parent)
    : QAbstractScrollArea(parent), m_store(store), m_pHost(pHost) {
    m_fnBuildThumbnail = BuildThumbnailBitmap;
    LoadSettings();
    // Seeds the random slide order with the millisecond part of the time.
    std::srand(static_cast<unsigned>(QTime::currentTime().msec()));
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void CGalerioView::LoadSettings() {
    const SettingsStore& s = m_store;
    m_nSortStyle = s.GetInt(kSectionSettings, kSortStyle, kSortStyleDefault);
    m_nSortOption = s.GetInt(kSectionSettings, kSortOption, kSortOptionDefault);
    m_nPitch = s.GetInt(kSectionSettings, kPitch, kPitchDefault);
    m_nThumbSize = m_nPitch - 3;
    m_bColorCheck = s.GetInt(kSectionSettings, kColorCheck, kColorCheckDefault) != 0;
    m_crBackColor = s.GetInt(kSectionSettings, kBackColor, kBackColorDefault);
    m_crTextColor = s.GetInt(kSectionSettings, kTextColor, kTextColorDefault);
    if (m_bColorCheck) {
        // The system colours win at every start, and are remembered.
        const QPalette pal = QApplication::palette();
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

    m_bRandom = s.GetInt(kSectionSettings, kRandom, kRandomDefault) != 0;
    m_bFit = s.GetInt(kSectionSettings, kFit, kFitDefault) != 0;
    m_nShellBrowse = s.GetInt(kSectionSettings, kShellBrowse, kShellBrowseDefault);
    m_nCreateHere = s.GetInt(kSectionSettings, kCreateHere, kCreateHereDefault);
}

bool CGalerioView::IsIdle() const {
    return m_pFindFDlg == nullptr && m_pImageWin == nullptr && !m_bSearching.load() &&
           !m_bProcessing.load();
}

bool CGalerioView::event(QEvent* e) {
    // Pairs with the worker's release before it posted (see m_nPostedMessages).
    m_nPostedMessages.load(std::memory_order_acquire);
    // The workers' message types lie outside the QEvent::Type enumerators.
    switch (static_cast<int>(e->type())) {
        case WM_SEARCH_PROGRESS:
            OnSearchProgress();
            return true;
        case WM_SEARCH_DONE:
            OnSearchDone(static_cast<CViewMessage*>(e)->m_wParam);
            return true;
        case WM_PROCESS_PROGRESS:
            OnProcessProgress();
            return true;
        case WM_PROCESS_DONE:
            OnProcessDone();
            return true;
        default:
            return QAbstractScrollArea::event(e);
    }
}

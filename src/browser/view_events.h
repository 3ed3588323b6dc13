// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>

// The workers' private messages to the view, posted with
// QCoreApplication::postEvent; the values are fixed.
inline constexpr QEvent::Type WM_PROCESS_DONE = static_cast<QEvent::Type>(0x8004);
inline constexpr QEvent::Type WM_PROCESS_PROGRESS = static_cast<QEvent::Type>(0x8008);
inline constexpr QEvent::Type WM_SEARCH_DONE = static_cast<QEvent::Type>(0x800C);
inline constexpr QEvent::Type WM_SEARCH_PROGRESS = static_cast<QEvent::Type>(0x8010);

class CViewMessage : public QEvent {
public:
    CViewMessage(QEvent::Type type, long long wParam = 0, long long lParam = 0)
        : QEvent(type), m_wParam(wParam), m_lParam(lParam) {}
    long long m_wParam;
    long long m_lParam;
};

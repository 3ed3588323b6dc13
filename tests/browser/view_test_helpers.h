// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "browser/view_host.h"

// Runs the event loop until pred holds or the time is up; true when it held.
// Worker threads post to the view, so tests of a run wait through this.
bool PumpUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Runs the event loop for a fixed time.
void PumpFor(std::chrono::milliseconds duration);

// An IViewHost that records every request of the view.
class RecordingHost : public IViewHost {
public:
    bool SetPaneTextSized(int nPane, const QString& text) override;
    void StartStartupTimer() override { ++m_nStartupTimers; }
    void RequestClose() override { ++m_nCloseRequests; }
    void SetWindowTitle(const QString& title) override { m_titles.push_back(title); }
    void AddToRecentFileList(const std::string& folder) override { m_recent.push_back(folder); }
    bool SlideShowRequested() const override { return m_bSlideShowRequested; }
    void StartSlideShow() override { ++m_nSlideShows; }
    void RunViewCommand(ViewCommand command) override { m_commands.push_back(command); }

    std::vector<std::pair<int, QString>> m_panes;
    int m_nStartupTimers = 0;
    int m_nCloseRequests = 0;
    QStringList m_titles;
    std::vector<std::string> m_recent;
    bool m_bSlideShowRequested = false;
    int m_nSlideShows = 0;
    std::vector<ViewCommand> m_commands;
};

// Readable failure output for QString and QStringList in assertions.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << "{";
    for (const QString& s : list) *os << " \"" << s.toStdString() << "\"";
    *os << " }";
}

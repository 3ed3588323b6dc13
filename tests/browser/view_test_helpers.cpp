// SPDX-License-Identifier: MIT
#include "view_test_helpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <thread>

bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() >= timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void PumpFor(std::chrono::milliseconds duration) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool RecordingHost::SetPaneTextSized(int nPane, const QString& text) {
    m_panes.emplace_back(nPane, text);
    return true;
}

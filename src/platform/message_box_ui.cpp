// SPDX-License-Identifier: MIT
#include "platform/message_box_ui.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/message_box.h"

namespace {

// A worker's box waits here until the user-interface thread shows it. The
// queue's lock orders everything the two threads share, the posted event
// included, so the hand-over does not rest on Qt's event queue alone.
struct PendingBox {
    MessageRequest request;
    bool bDone = false;
    MsgResult result = MsgResult::Ok;
};

constexpr QEvent::Type kShowBoxEvent = static_cast<QEvent::Type>(QEvent::User + 0x100);

std::mutex g_boxMutex;
std::condition_variable g_boxAnswered;
std::deque<PendingBox*> g_boxQueue;

MsgResult RunBox(const MessageRequest& request);

// Lives on the user-interface thread and shows the boxes workers ask for.
class BoxCourier : public QObject {
protected:
    void customEvent(QEvent*) override {
        PendingBox* pPending = nullptr;
        MessageRequest request;
        {
            std::lock_guard lock(g_boxMutex);
            if (g_boxQueue.empty()) return;
            pPending = g_boxQueue.front();
            g_boxQueue.pop_front();
            request = pPending->request;
        }
        const MsgResult result = RunBox(request);
        {
            std::lock_guard lock(g_boxMutex);
            pPending->result = result;
            pPending->bDone = true;
        }
        g_boxAnswered.notify_all();
    }
};

BoxCourier* g_pCourier = nullptr;

// Runs on a worker thread: the box runs on the user-interface thread and the
// worker waits in it as that thread would.
MsgResult AskUserInterfaceThread(const MessageRequest& request) {
    PendingBox pending;
    pending.request = request;
    std::unique_lock lock(g_boxMutex);
    g_boxQueue.push_back(&pending);
    auto* pEvent = new QEvent(kShowBoxEvent);
    lock.unlock();
    QCoreApplication::postEvent(g_pCourier, pEvent);
    lock.lock();
    g_boxAnswered.wait(lock, [&] { return pending.bDone; });
    return pending.result;
}

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QMessageBox::NoIcon;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Error:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QMessageBox::Ok;
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MsgResult FromQt(int answer) {
    switch (answer) {
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        default:
            return MsgResult::Ok;
    }
}

MsgResult RunBox(const MessageRequest& request) {
    QWidget* pOwner = request.bOwnedByActiveWindow ? QApplication::activeWindow() : nullptr;
    return FromQt(BuildMessageBox(request, pOwner)->exec());
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageRequest& request, QWidget* pOwner) {
    auto pBox = std::make_unique<QMessageBox>(ToQtIcon(request.icon), request.caption, QString(),
                                              ToQtButtons(request.buttons), pOwner);
    // A text that merely looks like markup ("<b>...") would otherwise be drawn
    // as rich text; names with angle brackets are legal on this platform.
    pBox->setTextFormat(Qt::PlainText);
    pBox->setText(request.text);
    return pBox;
}

void InstallDesktopMessageBoxes() {
    // Made once, on the user-interface thread, and kept for the process.
    if (!g_pCourier) g_pCourier = new BoxCourier;
    SetMessageHandler([](const MessageRequest& request) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread()) return RunBox(request);
        return AskUserInterfaceThread(request);
    });
    SetBeepHandler([] { QApplication::beep(); });
}

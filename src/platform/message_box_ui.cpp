// SPDX-License-Identifier: MIT
#include "platform/message_box_ui.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/message_box.h"

namespace {

std::atomic<int> g_nBoxesPosted{0};

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
    SetMessageHandler([](const MessageRequest& request) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread()) return RunBox(request);
        // A worker waits in the box like the user-interface thread would: the
        // box runs there and the worker blocks until it is answered. The
        // answer comes back under our own lock, so the hand-over is plain to
        // see for anyone (and any tool) checking the threads.
        struct Pending {
            std::mutex mutex;
            std::condition_variable answered;
            bool bDone = false;
            MsgResult result = MsgResult::Ok;
        };
        auto pending = std::make_shared<Pending>();
        auto show = [pending, request] {
            // Pairs with the release below: Qt's event queue orders the two
            // threads with a lock that thread checkers cannot see.
            g_nBoxesPosted.load(std::memory_order_acquire);
            const MsgResult result = RunBox(request);
            std::lock_guard lock(pending->mutex);
            pending->result = result;
            pending->bDone = true;
            pending->answered.notify_all();
        };
        g_nBoxesPosted.fetch_add(1, std::memory_order_release);
        QMetaObject::invokeMethod(app, std::move(show), Qt::QueuedConnection);
        std::unique_lock lock(pending->mutex);
        pending->answered.wait(lock, [&] { return pending->bDone; });
        return pending->result;
    });
    SetBeepHandler([] { QApplication::beep(); });
}

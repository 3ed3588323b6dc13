// SPDX-License-Identifier: MIT
#include "platform/message_box_ui.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "platform/message_box.h"

namespace {

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
    QWidget* owner = request.bOwnedByActiveWindow ? QApplication::activeWindow() : nullptr;
    QMessageBox box(ToQtIcon(request.icon), request.caption, request.text,
                    ToQtButtons(request.buttons), owner);
    return FromQt(box.exec());
}

}  // namespace

void InstallDesktopMessageBoxes() {
    SetMessageHandler([](const MessageRequest& request) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread()) return RunBox(request);
        // A worker waits in the box like the user-interface thread would: the
        // box runs there and the worker blocks until it is answered.
        MsgResult result = MsgResult::Ok;
        QMetaObject::invokeMethod(
            app, [&] { result = RunBox(request); }, Qt::BlockingQueuedConnection);
        return result;
    });
    SetBeepHandler([] { QApplication::beep(); });
}

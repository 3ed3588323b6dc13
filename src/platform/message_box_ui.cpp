// SPDX-License-Identifier: MIT
#include "platform/message_box_ui.h"

#include <QApplication>
#include <QMessageBox>
#include <memory>

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
    // Workers never show boxes: what they meet travels with their results
    // to the user-interface thread, which shows it.
    SetMessageHandler([](const MessageRequest& request) { return RunBox(request); });
    SetBeepHandler([] { QApplication::beep(); });
}

// SPDX-License-Identifier: MIT
#include "platform/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;
MessageHandler g_handler;
std::function<void()> g_beep;

MsgResult DefaultAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel:
            return MsgResult::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgResult::Yes;
    }
    return MsgResult::Ok;
}

}  // namespace

MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                      MsgButtons buttons) {
    MessageRequest request;
    request.text = text;
    request.caption = caption;
    request.icon = icon;
    request.buttons = buttons;
    return ShowMessage(request);
}

MsgResult ShowMessage(const MessageRequest& request) {
    MessageHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    if (handler) return handler(request);
    // Without a desktop (a library used on its own) the text still reaches the user.
    std::fprintf(stderr, "%s: %s\n", request.caption.toLocal8Bit().constData(),
                 request.text.toLocal8Bit().constData());
    return DefaultAnswer(request.buttons);
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

void Beep() {
    std::function<void()> beep;
    {
        std::lock_guard lock(g_mutex);
        beep = g_beep;
    }
    if (beep) beep();
}

std::function<void()> SetBeepHandler(std::function<void()> handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_beep, handler);
    return handler;
}

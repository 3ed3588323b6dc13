// SPDX-License-Identifier: MIT
#include "platform/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;
MessageHandler g_handler;
std::function<void()> g_beep;
thread_local MessageHandler t_handler;
thread_local std::uint64_t t_nMessages = 0;

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
    ++t_nMessages;
    if (t_handler) return t_handler(request);
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

std::uint64_t ThreadMessageCount() { return t_nMessages; }

MessageHandler SetMessageHandler(MessageHandler handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

ScopedThreadMessageHandler::ScopedThreadMessageHandler(MessageHandler handler)
    : m_previous(std::exchange(t_handler, std::move(handler))) {}

ScopedThreadMessageHandler::~ScopedThreadMessageHandler() { t_handler = std::move(m_previous); }

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

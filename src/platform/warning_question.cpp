// SPDX-License-Identifier: MIT
#include "platform/warning_question.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;
WarningHandler g_handler;

}  // namespace

WarningAnswer AskWarning(const QString& text) {
    WarningHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    // Nobody to ask: nothing is deleted or overwritten.
    return handler ? handler(text) : WarningAnswer{};
}

WarningHandler SetWarningHandler(WarningHandler handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <utility>
#include <vector>

#include "codec/photo_look.h"
#include "platform/message_box.h"

class CDeferredReplacements;

// What one read or write of the codec is given and what it gives back. The
// codec never shows a box itself: it says what went wrong here, in the
// order it arose, and its caller shows or prints that where and when the
// user should see it. Any thread may use its own context; a context is not
// shared between threads, except its stop token, which anybody may set.
struct CodecContext {
    // Once set, a read in progress leaves soon (a JPEG decode within about a
    // row, a bitmap file before and after Qt reads its pixels) and fails
    // like an unreadable file, but says nothing.
    const std::atomic<bool>* pStop = nullptr;
    // Where files written through CReplacingFile wait, under their
    // temporary names, to be put in place by the owner in its own order;
    // null puts each file in place as soon as it is complete.
    CDeferredReplacements* pDeferred = nullptr;
    // The boxes the calls met, in order.
    std::vector<MessageRequest> messages;
    // How the pixels are rendered: the program's look when the context was made.
    PhotoLook look = CurrentPhotoLook();

    CodecContext() = default;
    explicit CodecContext(const std::atomic<bool>* pStopToken) : pStop(pStopToken) {}

    bool Stopped() const { return pStop && pStop->load(std::memory_order_relaxed); }
    void Say(MessageRequest request) { messages.push_back(std::move(request)); }
    // Shows the boxes met so far through ShowMessage, in order, and forgets
    // them: for callers on the user-interface thread.
    void ShowAll() {
        std::vector<MessageRequest> vShown = std::exchange(messages, {});
        for (const MessageRequest& request : vShown) ShowMessage(request);
    }
};

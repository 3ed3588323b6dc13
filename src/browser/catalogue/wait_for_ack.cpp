// SPDX-License-Identifier: MIT
#include "browser/catalogue/wait_for_ack.h"

#include <thread>

#include "platform/message_box.h"

// Runs on a worker thread.
bool WaitForAck(std::atomic<bool>& bAck, const std::atomic<bool>& bShutdown,
                std::chrono::milliseconds nTimeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    // Acquire pairs with the handler's release, so the handler has finished
    // reading the text slot before the worker writes it again.
    while (!bAck.load(std::memory_order_acquire)) {
        if (bShutdown.load(std::memory_order_acquire)) return false;
        if (Clock::now() - start >= nTimeout) {
            ShowMessage(QString::fromLatin1(kUnlockText));
            if (bShutdown.load(std::memory_order_acquire)) return false;
            bAck.store(true, std::memory_order_release);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return !bShutdown.load(std::memory_order_acquire);
}

// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <chrono>

inline constexpr std::chrono::milliseconds kAckTimeout{15000};

// The text of the box a worker shows when the user-interface thread has not
// taken its last report within the time limit.
inline constexpr const char* kUnlockText = "Click OK to unlock Galerio and proceed.";

// Runs on a worker thread. Waits until bAck is set; after nTimeout without it,
// asks the user through the message seam, then sets the flag and goes on.
// Returns false at once, without a box, when bShutdown is set.
bool WaitForAck(std::atomic<bool>& bAck, const std::atomic<bool>& bShutdown,
                std::chrono::milliseconds nTimeout = kAckTimeout);

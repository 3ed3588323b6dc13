// SPDX-License-Identifier: MIT
#include "app/font_config.h"

#include <fontconfig/fontconfig.h>

#include <future>

namespace {

// Started and waited for on the user-interface thread only.
std::future<void> g_fontConfig;

}  // namespace

void StartFontConfigLoad() {
    if (!g_fontConfig.valid()) g_fontConfig = std::async(std::launch::async, [] { FcInit(); });
}

void WaitForFontConfig() {
    if (g_fontConfig.valid()) g_fontConfig.get();
}

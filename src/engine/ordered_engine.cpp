// SPDX-License-Identifier: MIT
#include "engine/ordered_engine.h"

int BuildThreadCount(int nSetting) {
    if (nSetting > 0) return std::min(nSetting, 64);
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

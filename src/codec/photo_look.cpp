// SPDX-License-Identifier: MIT
#include "codec/photo_look.h"

#include <mutex>

namespace {

std::mutex g_lookMutex;
PhotoLook g_look;

}  // namespace

PhotoLook CurrentPhotoLook() {
    std::lock_guard<std::mutex> lock(g_lookMutex);
    return g_look;
}

void SetPhotoLook(const PhotoLook& look) {
    std::lock_guard<std::mutex> lock(g_lookMutex);
    g_look = look;
}

// SPDX-License-Identifier: MIT
// libFuzzer's entry point for one target; the build names the target's body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_targets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Qt must never look for a display, and the image readers need none.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    return GALERIO_FUZZ_TARGET(pData, nSize);
}

// SPDX-License-Identifier: MIT
#include "codec/display_bitmap.h"

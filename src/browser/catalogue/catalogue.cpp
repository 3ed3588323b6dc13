// SPDX-License-Identifier: MIT
#include "model/image_item.h"

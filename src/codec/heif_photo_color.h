// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

struct heif_color_profile_nclx;

// An ICC profile for a HEIF file's nclx colour description, so its pixels can
// go through the same conversion to sRGB as an embedded profile. Empty when
// the primaries are sRGB's (BT.709), unspecified or unusable: such pixels are
// left alone. Any thread.
std::vector<std::uint8_t> HeifNclxProfile(const heif_color_profile_nclx& nclx);

// SPDX-License-Identifier: MIT
#pragma once

// The About box's texts, in one place.
inline constexpr const char* kAboutTitle = "About Galerio";
inline constexpr const char* kAboutWhatGroup = "What Galerio Does";
inline constexpr const char* kAboutWhatText = "Galerio is a JPEG ThumbNail viewer and manager";
inline constexpr const char* kAboutLegalGroup = "Legal";
inline constexpr const char* kAboutLegalText =
    "Free software under the MIT licence: you may use, copy, change and pass it on. "
    "It comes without any warranty.";
inline constexpr const char* kAboutVersionPrefix = "Galerio Version ";
inline constexpr const char* kAboutCopyright = "Copyright (c) 2026 The Galerio developers";
inline constexpr const char* kAboutCredit = "Written by\nthe Galerio developers";
inline constexpr const char* kAboutBits = "A 32 bit application";
inline constexpr const char* kAboutEmail = "galerio@example.org";
inline constexpr const char* kAboutWeb = "https://galerio.example.org/";
inline constexpr const char* kAboutOk = "OK";

// The program's version number, as the build gives it.
const char* GalerioVersion();

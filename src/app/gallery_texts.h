// SPDX-License-Identifier: MIT
#pragma once

// What Publish Gallery says while and after it runs.
inline constexpr const char* kGalleryProgressText = "Publishing the gallery...";
inline constexpr const char* kGalleryCancelText = "Cancel";
// %1: the system's reason.
inline constexpr const char* kGalleryNoThreadText =
    "The gallery could not be published: Galerio could not start a worker thread.\n%1";
// %1: the gallery's folder, %2: photos made, %3: photos kept as they were.
inline constexpr const char* kGalleryPublishedText =
    "The gallery was published:\n%1/index.html\n\n%2 photos made, %3 up to date.";

// SPDX-License-Identifier: MIT
#pragma once

// How a Make Thumbs run's values are checked, and the texts of its
// refusals, for every way of starting one.

// The ranges the run's numbers are held to.
inline constexpr int kSizeLimitMin = 10;
inline constexpr int kSizeLimitMax = 5000;
inline constexpr int kQualityMin = 1;
inline constexpr int kQualityMax = 100;
inline constexpr int kHrefStyleMax = 2;
inline constexpr int kRowCountMin = 2;
inline constexpr int kRowCountMax = 2000;
inline constexpr int kBorderMin = 0;
inline constexpr int kBorderMax = 10;
inline constexpr int kCellMin = 0;
inline constexpr int kCellMax = 10;

// The texts of a run's refusals and failures.
inline constexpr const char* kRunFailedText = "Error: MakeOneThumb";
// %1 is the folder as given.
inline constexpr const char* kFolderMissingText =
    "Error: Folder\n\n%1\n\ndoes not exist. \nPlease select an exisitng folder.";
inline constexpr const char* kBlankSuffixText =
    "You chose to PostPend a name but the field is blank";
inline constexpr const char* kBlankPrefixText =
    "You chose to PrePend a name but the field is blank";
inline constexpr const char* kOverwriteOriginalsText =
    "The option you have chosen will cause your original JPEGs to be overwritten. Your original "
    "images will be destroyed.\n\nAre you sure you want to do this?";
// %1 and %2 are the photos, %3 the one file both thumbnails would be.
inline constexpr const char* kThumbNamesClashText =
    "The thumbnails of\n%1\nand\n%2\nwould both be written to the same file\n%3\n\nNothing was "
    "written. Please choose other names or another folder for the thumbnails.";
// %1 is the photo, %2 the other photo its thumbnail would replace.
inline constexpr const char* kThumbOverPhotoText =
    "The thumbnail of\n%1\nwould be written over the photo\n%2\n\nNothing was written. Please "
    "choose other names or another folder for the thumbnails. If that photo is a thumbnail an "
    "earlier run left, tick \"Ignore Pre/Post pended files when searching\" in Preferences.";

// The grid's thumbnail side for a pitch: the size limit a run starts from.
inline int GridThumbSize(int nPitch) { return nPitch - 3; }

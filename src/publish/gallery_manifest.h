// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What a gallery remembers of each photo between runs: enough to tell that
// its images are still those of the photo as it is now, and to write the
// page without opening the photo again.
struct GalleryRecord {
    std::string strFileName;  // the photo's name in its folder
    std::uint64_t nBytes = 0;
    std::int64_t nModified = 0;  // nanoseconds since 1970
    std::string strImagesKey;    // the options the images were made with
    std::string strOutName;      // the images' name in each of the gallery's folders
    std::uint32_t nThumbWidth = 0, nThumbHeight = 0;
    std::uint32_t nThumb2xWidth = 0, nThumb2xHeight = 0;
    std::uint32_t nWebWidth = 0, nWebHeight = 0;  // 0: no web copy
    // What the camera wrote, as UTF-8; empty when it did not say.
    std::string strDescription, strTaken, strCamera, strExposure;
};

// The records by photo name. A line that is damaged, or names an image
// that could lead outside the gallery's folders, is left out: its photo is
// then simply made again.
std::map<std::string, GalleryRecord> ReadGalleryManifest(const std::string& strPath);
// Replaces the manifest only once it is complete; false with errno in nError.
bool WriteGalleryManifest(const std::string& strPath, const std::vector<GalleryRecord>& vRecords,
                          int& nError);

// A name that stays inside the folder it is joined to.
bool IsPlainFileName(const std::string& strName);

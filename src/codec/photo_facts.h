// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

// What the image window's facts panel tells about a photo: its file and what
// its camera wrote into the EXIF block. A text is empty when the file or the
// block does not say it.
struct PhotoFacts {
    std::uint32_t nWidth = 0, nHeight = 0;  // the real pixels, upright
    bool bFileKnown = false;
    std::uint64_t nFileBytes = 0;
    QString strFileDate;
    QString strDescription;  // the photo's own title or description
    QString strTaken, strMake, strModel, strLens;
    QString strExposure, strFNumber, strIso, strFocalLength;
    bool bGps = false;
};

// Fills the EXIF part of facts from a JPEG file's beginning or an APP1
// payload. A broken block gives whatever could be read before the damage.
void ReadExifFacts(const std::uint8_t* pData, std::size_t nLength, PhotoFacts& facts);

// The facts of the file at strPath shown at nWidth × nHeight: its size and
// date, and for a JPEG its EXIF block.
PhotoFacts ReadPhotoFacts(const std::string& strPath, bool bJpeg, std::uint32_t nWidth,
                          std::uint32_t nHeight);

// The camera's maker and model, the maker only once.
QString CameraText(const PhotoFacts& facts);

// The panel's plain text, one fact a line, the absent ones left out.
QString PhotoFactsText(const PhotoFacts& facts);

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pictures decoded by ImageMagick, the independent reader the tests hold the
// program's readers to, and the tools that make files of the other formats.

// Packed red-green-blue rows, top-down.
struct ReferencePicture {
    int nWidth = 0, nHeight = 0;
    std::vector<std::uint8_t> vRgb;
};

// ImageMagick's decode of the file's first frame or page, transparency put
// over rgbBackground (0xRRGGBB), then strOptions applied (such as "-scale 50%",
// an average over blocks); no pixels when it cannot read the file.
ReferencePicture ReferenceDecode(const std::string& strPath, std::uint32_t rgbBackground = 0xFFFFFF,
                                 const std::string& strOptions = {});

// Runs a command line through the shell; true when it exits with 0. Its
// output is dropped.
bool RunTool(const std::string& strCommand);

// ImageMagick's convert, by the name that is the real one here.
std::string ImageMagick();

// The largest difference of one byte between the two, over the pixels of
// equal size; 255 when the sizes differ.
int MaxByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth, int nHeight);
// The mean difference of a byte, as MaxByteDifference compares.
double MeanByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth,
                          int nHeight);

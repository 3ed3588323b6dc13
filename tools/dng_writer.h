// SPDX-License-Identifier: MIT
#pragma once

// Writes small DNG files the way cameras lay them out, for the tests, the
// fuzz seeds and the benchmark of the raw reader: IFD0 is the reduced
// preview (a JPEG), its SubIFD the raw Bayer samples. Without a preview,
// IFD0 is the raw image itself.
#include <cstdint>
#include <string>

struct DngPicture {
    // The preview's JPEG bytes and the size its tags claim; no preview when empty.
    std::string strPreviewJpeg;
    std::uint32_t nPreviewWidth = 0, nPreviewHeight = 0;
    // The raw image: 16-bit RGGB samples, uncompressed, in one strip.
    std::uint32_t nRawWidth = 64, nRawHeight = 48;
    // The Orientation tag, 1 to 8.
    int nOrientation = 1;
    // False leaves the raw samples out: the strip's tags point past the
    // file's end, as in a file cut short.
    bool bRawSamples = true;
    // The preview's StripByteCounts as written; 0 writes its true length.
    std::uint32_t nPreviewLengthTag = 0;
};

// The whole file's bytes.
std::string MakeDng(const DngPicture& picture);

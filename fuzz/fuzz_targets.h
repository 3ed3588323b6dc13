// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// The bodies of the fuzz targets: each takes one input as libFuzzer hands it
// over and runs it through the program's own entry points. They return 0;
// a broken promise of the code under test aborts with a line on stderr, so
// the fuzzer and the replay test both see it as a crash. Every message box
// is answered through the message seam, and every file an input needs lives
// in a private folder that is gone again when the call returns.

// The bytes as a JPEG file: the header read, the decode at each reduction
// and the grid thumbnail.
int FuzzJpegFile(const std::uint8_t* pData, std::size_t nSize);

// The bytes as a bitmap file: the header read, the pixels and the grid thumbnail.
int FuzzBmpFile(const std::uint8_t* pData, std::size_t nSize);

// The bytes as a PNG, GIF, TIFF and WebP file, read under each name once:
// for a thumbnail and for the image window, colour management off and on.
int FuzzQtPhoto(const std::uint8_t* pData, std::size_t nSize);

// The bytes as an old profile imported into a new settings file, and as the
// settings file itself, each read back setting by setting.
int FuzzSettingsFile(const std::uint8_t* pData, std::size_t nSize);

// The bytes as a command line, split at NUL bytes: the desktop program's
// options and those of --make-thumbs.
int FuzzCommandLine(const std::uint8_t* pData, std::size_t nSize);

// Entries whose names, the page's options and its head and tail texts come
// from the bytes: each entry's markup and the whole page, checked as HTML.
int FuzzPageWriter(const std::uint8_t* pData, std::size_t nSize);

// The bytes as a camera raw file: its preview read for a thumbnail and for
// the image window.
int FuzzRawPhoto(const std::uint8_t* pData, std::size_t nSize);

// A thumbnail file written from a fuzzed source image under fuzzed limits
// and naming.
int FuzzThumbWriter(const std::uint8_t* pData, std::size_t nSize);

// The bytes as a HEIF/HEIC or AVIF file: a grid thumbnail and the image
// window's read.
int FuzzHeifPhoto(const std::uint8_t* pData, std::size_t nSize);

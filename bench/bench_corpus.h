// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The benchmark corpus made by bench/prepare_corpus.sh beside the executable
// (or in $GALERIO_BENCH_CORPUS): 50 files "<prefix>_NN.jpg" per prefix.
std::string CorpusFolder();
std::vector<std::string> CorpusFiles(const char* pszPrefix);

// The floor of any thumbnail maker: the library alone at the given DCT
// reduction (1, 2, 4 or 8), rows thrown away.
void BareDecode(const std::string& strPath, int nReduction);

// The same floor into packed RGB rows, and a bare libjpeg encode of packed
// RGB rows into a new file: what any writer of JPEG files must do.
std::unique_ptr<std::uint8_t[]> BareDecodePacked(const std::string& strPath, int nReduction,
                                                 std::uint32_t& nWidth, std::uint32_t& nHeight);
void BareEncode(const std::string& strPath, const std::uint8_t* pPixels, std::uint32_t nWidth,
                std::uint32_t nHeight, int nQuality);

// A photograph-like picture in RGB rows: smooth gradients with fine detail,
// so the entropy decoder has real work, unlike a flat fill.
std::vector<std::uint8_t> PhotoLikePixels(std::uint32_t nWidth, std::uint32_t nHeight);

// Seconds since t0, and the median of a set of per-iteration figures (a
// stolen time slice on a virtual machine skews single iterations).
double Seconds(const std::chrono::steady_clock::time_point& t0);
double Median(std::vector<double> v);

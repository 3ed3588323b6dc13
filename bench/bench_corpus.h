// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// The benchmark corpus made by bench/prepare_corpus.sh beside the executable
// (or in $GALERIO_BENCH_CORPUS): 50 files "<prefix>_NN.jpg" per prefix.
std::string CorpusFolder();
std::vector<std::string> CorpusFiles(const char* pszPrefix);

// The floor of any thumbnail maker: the library alone at the given DCT
// reduction (1, 2, 4 or 8), rows thrown away.
void BareDecode(const std::string& strPath, int nReduction);

// SPDX-License-Identifier: MIT
#include "dialogs/swatch_palette.h"

namespace {

constexpr std::array<int, kPaletteSize> kInitialPalette = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
    0xC0C0C0, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0, 0x808080, 0x0000FF,
    0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// The ranks run from both ends of the table towards its middle, so colours
// from "Other..." replace the pale tints there before any basic colour.
constexpr std::array<std::uint8_t, kPaletteSize> kInitialRank = {
    1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2};

}  // namespace

std::array<int, kPaletteSize> g_palette = kInitialPalette;
std::array<std::uint8_t, kPaletteSize> g_paletteRank = kInitialRank;

void ResetPalette() {
    g_palette = kInitialPalette;
    g_paletteRank = kInitialRank;
}

void UpdatePaletteRank(int k) {
    if (k < 0 || k >= kPaletteSize) return;
    const std::uint8_t nRank = g_paletteRank[k];
    for (std::uint8_t& nOther : g_paletteRank) {
        if (nOther < nRank) ++nOther;
    }
    g_paletteRank[k] = 1;
}

int FindPaletteSlot(int cr) {
    for (int k = 0; k < kPaletteSize; ++k) {
        if (g_palette[k] == cr) return k;
    }
    return -1;
}

int LeastRecentPaletteSlot() {
    // The highest rank is 20 while the ranks are a permutation; taking the
    // highest still names one slot should they ever not be.
    int nSlot = 0;
    for (int k = 1; k < kPaletteSize; ++k) {
        if (g_paletteRank[k] > g_paletteRank[nSlot]) nSlot = k;
    }
    return nSlot;
}

int TakeColorIntoPalette(int cr) {
    int k = FindPaletteSlot(cr);
    if (k < 0) {
        k = LeastRecentPaletteSlot();
        g_palette[k] = cr;
    }
    return k;
}

// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

// The swatches every colour picker of the process shares, kept only for the
// life of the process. Colours are 0x00BBGGRR.
inline constexpr int kPaletteSize = 20;

// Slot 0 to 19.
extern std::array<int, kPaletteSize> g_palette;
// One rank per slot: 1 for the slot chosen last up to 20 for the one chosen
// longest ago; always a permutation of 1 to 20.
extern std::array<std::uint8_t, kPaletteSize> g_paletteRank;

// Puts back the colours and ranks the process starts with.
void ResetPalette();

// Moves slot k to the front: every slot ranked before it moves back one
// place and k gets rank 1. A slot outside 0..19 changes nothing.
void UpdatePaletteRank(int k);

// The first slot holding colour cr, or -1.
int FindPaletteSlot(int cr);

// The slot chosen longest ago (rank 20).
int LeastRecentPaletteSlot();

// The slot a colour from the full colour dialog takes: the first slot that
// already holds it, else the slot chosen longest ago, which is given the
// colour. The ranks are left to UpdatePaletteRank.
int TakeColorIntoPalette(int cr);

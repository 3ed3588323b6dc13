// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "model/image_item.h"

// The thumbnail grid's arithmetic, kept apart from the widget so it can be
// checked without a display. One document unit is one pixel.

// Columns, rows and scroll sizes of the grid for one client size.
struct GridSizes {
    int nCols = 1;
    int nRows = 0;
    int cxDoc = 0;
    int cyDoc = 0;
    int cxPage = 0;
    int cyPage = 0;
    int cxLine = 0;
    int cyLine = 0;
};

// nColsNow/nRowsNow are returned unchanged for an empty catalogue, which keeps
// the last layout's values.
GridSizes ComputeGridSizes(std::size_t nEntries, int nPitch, int cxClient, int cyClient,
                           int nColsNow, int nRowsNow);

// Cell of entry nIndex (catalogue order, left to right, top to bottom).
CellRect GridCellRect(std::size_t nIndex, int nCols, int nPitch);

// Where a w x h thumbnail sits inside its cell: centred, halves rounded
// toward zero, so a thumbnail larger than the cell gets a negative offset.
struct ThumbOffset {
    int dx = 0;
    int dy = 0;
};
ThumbOffset GridThumbOffset(int nPitch, int nWidth, int nHeight);

// Half-open range of catalogue indices.
struct IndexRange {
    std::size_t first = 0;
    std::size_t last = 0;
};

// The entries whose rows meet the document band [yTop, yBottom) widened by
// nMarginRows rows on each side; painting needs the neighbours because
// captions may reach past their own cell. All entries when the pitch is not
// positive, as the cells then have no rows to speak of.
IndexRange GridEntriesInBand(std::size_t nEntries, int nCols, int nPitch, int yTop, int yBottom,
                             int nMarginRows);

// The ways a key moves the grid's selection.
enum class SelectMove { Left, Right, Up, Down, PageUp, PageDown, Home, End };

// The entry the selection moves to from nCurrent (-1: none selected, where
// every move but End starts at the first entry). A move stops at the edges
// of the grid; Down from a row above a shorter last row lands on the last
// entry. nPageRows: the rows a page moves, at least one. -1 for an empty grid.
std::ptrdiff_t GridSelectTarget(SelectMove move, std::ptrdiff_t nCurrent, std::size_t nEntries,
                                int nCols, int nPageRows);

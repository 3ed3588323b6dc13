// SPDX-License-Identifier: MIT
#include "browser/catalogue/grid_layout.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

}  // namespace

GridSizes ComputeGridSizes(std::size_t nEntries, int nPitch, int cxClient, int cyClient,
                           int nColsNow, int nRowsNow) {
    GridSizes sizes;
    const std::int64_t pitch = nPitch;
    // The division is unsigned, so a negative pitch (a hand-edited setting)
    // gives 0 columns like a too-narrow window does. A pitch of 0 is taken the
    // same way instead of dividing by zero.
    const auto cxUnsigned = static_cast<std::uint32_t>(cxClient);
    const auto cyUnsigned = static_cast<std::uint32_t>(cyClient);
    const auto pitchUnsigned = static_cast<std::uint32_t>(nPitch);

    if (nEntries > 0) {
        std::int64_t cols = pitchUnsigned == 0 ? 0 : cxUnsigned / pitchUnsigned;
        if (cols == 0) cols = 1;
        const auto n = static_cast<std::int64_t>(nEntries);
        std::int64_t rows = n / cols + (n % cols != 0 ? 1 : 0);
        sizes.nCols = ClampToInt(cols);
        sizes.nRows = ClampToInt(rows);
        sizes.cxDoc = ClampToInt(pitch * cols);
        sizes.cyDoc = ClampToInt(pitch * rows);
    } else {
        sizes.nCols = nColsNow;
        sizes.nRows = nRowsNow;
        sizes.cxDoc = 100;
        sizes.cyDoc = 100;
    }

    if (nPitch == 0) {
        sizes.cxPage = 100;
        sizes.cyPage = 100;
    } else {
        // Whole rows only, so a page down never cuts a row in half.
        sizes.cxPage = nPitch;
        sizes.cyPage = ClampToInt(static_cast<std::int64_t>(cyUnsigned / pitchUnsigned) * pitch);
    }
    // A window lower (or narrower) than one cell still pages by something.
    if (sizes.cxPage == 0) sizes.cxPage = sizes.cxDoc / 10;
    if (sizes.cyPage == 0) sizes.cyPage = sizes.cyDoc / 10;
    sizes.cxLine = sizes.cxPage / 10;
    sizes.cyLine = sizes.cyPage / 10;
    return sizes;
}

CellRect GridCellRect(std::size_t nIndex, int nCols, int nPitch) {
    const std::size_t cols = nCols > 0 ? static_cast<std::size_t>(nCols) : 1;
    const std::int64_t x = static_cast<std::int64_t>(nIndex % cols) * nPitch;
    const std::int64_t y = static_cast<std::int64_t>(nIndex / cols) * nPitch;
    CellRect rc;
    rc.left = ClampToInt(x);
    rc.top = ClampToInt(y);
    rc.right = ClampToInt(x + nPitch);
    rc.bottom = ClampToInt(y + nPitch);
    return rc;
}

ThumbOffset GridThumbOffset(int nPitch, int nWidth, int nHeight) {
    // C++ integer division truncates toward zero, which is the rounding wanted.
    return ThumbOffset{(nPitch - nWidth) / 2, (nPitch - nHeight) / 2};
}

IndexRange GridEntriesInBand(std::size_t nEntries, int nCols, int nPitch, int yTop, int yBottom,
                             int nMarginRows) {
    if (nPitch <= 0 || nEntries == 0) return IndexRange{0, nEntries};
    if (yBottom <= yTop) return IndexRange{0, 0};
    const std::int64_t cols = nCols > 0 ? nCols : 1;
    const std::int64_t margin = std::max(nMarginRows, 0);
    const std::int64_t nRows = (static_cast<std::int64_t>(nEntries) + cols - 1) / cols;
    // Floor division, so a band above the document gives row -1, not 0.
    auto rowOf = [nPitch](std::int64_t y) {
        return y >= 0 ? y / nPitch : -((-y + nPitch - 1) / nPitch);
    };
    const std::int64_t firstRow = std::max<std::int64_t>(rowOf(yTop) - margin, 0);
    const std::int64_t lastRow =
        std::min<std::int64_t>(rowOf(std::int64_t{yBottom} - 1) + margin, nRows - 1);
    if (firstRow > lastRow) return IndexRange{0, 0};
    const auto first = static_cast<std::size_t>(firstRow * cols);
    const auto last = std::min(nEntries, static_cast<std::size_t>((lastRow + 1) * cols));
    return IndexRange{first, last};
}

std::ptrdiff_t GridSelectTarget(SelectMove move, std::ptrdiff_t nCurrent, std::size_t nEntries,
                                int nCols, int nPageRows) {
    if (nEntries == 0) return -1;
    const std::ptrdiff_t nLast = static_cast<std::ptrdiff_t>(nEntries) - 1;
    if (move == SelectMove::End) return nLast;
    if (nCurrent < 0 || nCurrent > nLast || move == SelectMove::Home) return 0;
    const std::ptrdiff_t cols = std::max(nCols, 1);
    const std::ptrdiff_t page = cols * std::max(nPageRows, 1);
    switch (move) {
        case SelectMove::Left:
            return std::max<std::ptrdiff_t>(nCurrent - 1, 0);
        case SelectMove::Right:
            return std::min(nCurrent + 1, nLast);
        case SelectMove::Up:
            return nCurrent >= cols ? nCurrent - cols : nCurrent;
        case SelectMove::Down:
            return nCurrent / cols < nLast / cols ? std::min(nCurrent + cols, nLast) : nCurrent;
        case SelectMove::PageUp:
            return nCurrent >= cols ? std::max(nCurrent - page, nCurrent % cols) : nCurrent;
        case SelectMove::PageDown:
            return nCurrent / cols < nLast / cols ? std::min(nCurrent + page, nLast) : nCurrent;
        default:
            return nCurrent;
    }
}

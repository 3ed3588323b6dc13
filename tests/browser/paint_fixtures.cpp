// SPDX-License-Identifier: MIT
#include "paint_fixtures.h"

#include <cstring>

QRgb PaintThumbColour(int nIndex, int x, int y) {
    return qRgb((x * 2 + nIndex * 29) & 0xFF, (y * 3 + 1) & 0xFF,
                (nIndex * 53 + x / 16 * 7 + 60) & 0xFF);
}

void PaintRefill(ImageItem& item, int nIndex) {
    const int w = item.m_nThumbWidth;
    const int h = item.m_nThumbHeight;
    const std::uint32_t stride = DisplayStride(static_cast<std::uint32_t>(w));
    std::uint8_t* pBits = item.m_pBits.get();
    // Junk in the padding: a painter that ignores the stride shows it.
    std::memset(pBits, 0xA5, static_cast<std::size_t>(stride) * h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* pRow = pBits + static_cast<std::size_t>(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const QRgb c = PaintThumbColour(nIndex, x, y);
            pRow[x * 3 + 0] = static_cast<std::uint8_t>(qBlue(c));
            pRow[x * 3 + 1] = static_cast<std::uint8_t>(qGreen(c));
            pRow[x * 3 + 2] = static_cast<std::uint8_t>(qRed(c));
        }
    }
}

std::unique_ptr<ImageItem> PaintMakeItem(int nIndex, int w, int h) {
    auto pItem = std::make_unique<ImageItem>();
    pItem->m_nKind = IMAGE_JPEG;
    pItem->m_strName = "image" + std::to_string(nIndex);
    if (w > 0 && h > 0) {
        pItem->m_nThumbWidth = w;
        pItem->m_nThumbHeight = h;
        pItem->m_pBits =
            std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(DisplayStride(w)) * h);
        PaintRefill(*pItem, nIndex);
    }
    return pItem;
}

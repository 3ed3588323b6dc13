// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

// Colour values are stored as 0x00BBGGRR (red in the low byte), in the
// settings as in the colour pickers' palette.
inline QColor ColorFromRef(int cr) {
    return QColor(cr & 0xFF, (cr >> 8) & 0xFF, (cr >> 16) & 0xFF);
}

inline int RefFromColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

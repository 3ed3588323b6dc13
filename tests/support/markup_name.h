// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

// A file name that is also valid markup; it must be shown as it is spelled.
inline const QString kMarkupName = QStringLiteral("<h1>BIG <font color=red>RED.jpg");

// Markup would draw the name's "RED" in pure red; nothing else Galerio
// shows around a name is red.
inline bool ShowsRed(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 160 && c.green() < 90 && c.blue() < 90) return true;
        }
    return false;
}

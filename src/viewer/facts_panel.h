// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

struct ImageItem;

// The photo's facts over the top left of the image window: plain text, so a
// name or an EXIF text holding markup shows as written.
class CFactsPanel : public QLabel {
    Q_OBJECT
public:
    explicit CFactsPanel(QWidget* pParent);
    // Reads the facts of the photo the view holds and shows them.
    void ShowFacts(const ImageItem& item);
};

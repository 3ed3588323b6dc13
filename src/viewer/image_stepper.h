// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "model/image_item.h"

// Where a step of the image window goes.
enum class StepKind { Next, Previous, First, Last };

// Which catalogue entry an image window shows and which entries a step
// reaches from it. The window follows the grid's catalogue: entries that
// leave it are skipped, and once the catalogue is replaced the window keeps
// its photo but no longer steps. Entries are compared, never read.
class ImageStepper {
public:
    // The window now shows this catalogue entry (null: one not in it).
    void Follow(const ImageList& list, const ImageItem* pShown);
    // The entry a step reaches from the one shown (or from pFrom when it is
    // given), null at either end of the catalogue or when stepping stopped.
    const ImageItem* Target(const ImageList& list, StepKind kind,
                            const ImageItem* pFrom = nullptr) const;
    const ImageItem* Shown() const { return m_pShown; }
    bool CanStep() const { return !m_bStopped; }

    // Before an entry leaves the catalogue (delete, move).
    void OnEntryLeaving(const ImageList& list, const ImageItem* pItem);
    // The catalogue was emptied for another folder or a new scan.
    void OnCatalogueReplaced();

private:
    // The shown entry's index, or where the next entry is when it left;
    // size() when the window follows no entry.
    std::size_t Position(const ImageList& list, const ImageItem* pFrom, bool& bInList) const;

    const ImageItem* m_pShown = nullptr;
    // Where the shown entry was (a hint), or the gap it left behind.
    mutable std::size_t m_nIndex = 0;
    bool m_bLeft = false;  // the shown entry left the catalogue
    bool m_bStopped = true;
};

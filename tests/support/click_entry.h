// SPDX-License-Identifier: MIT
#pragma once

#include <QScrollBar>
#include <QTest>

#include "browser/galerio_view.h"

// Selects catalogue entry i as the user does: its cell scrolled into view and
// clicked; the scroll position is put back. A paint first lays the cells out.
inline void ClickEntry(CGalerioView& view, std::size_t i) {
    view.viewport()->grab();
    const CellRect& rc = view.Catalogue()[i]->m_rcCell;
    QScrollBar* pV = view.verticalScrollBar();
    const int nOld = pV->value();
    pV->setValue(rc.top);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      QPoint(rc.left + 1, rc.top - pV->value() + 1));
    pV->setValue(nOld);
}

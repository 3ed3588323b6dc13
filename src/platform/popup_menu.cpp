// SPDX-License-Identifier: MIT
#include "platform/popup_menu.h"

#include <QMenu>

namespace {

// Only the user-interface thread shows menus, so no lock is needed.
PopupMenuHandler g_handler;

}  // namespace

QAction* ExecPopupMenu(QMenu& menu, const QPoint& ptScreen) {
    if (g_handler) return g_handler(menu, ptScreen);
    return menu.exec(ptScreen);
}

PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}

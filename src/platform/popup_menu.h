// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <functional>

class QAction;
class QMenu;

// Shows a popup menu at a screen point and returns the action the user
// chose, or null. Tests replace the handler to look at the menu and choose.
QAction* ExecPopupMenu(QMenu& menu, const QPoint& ptScreen);

using PopupMenuHandler = std::function<QAction*(QMenu& menu, const QPoint& ptScreen)>;
// Replaces the handler; returns the previous one. Empty restores the real menu.
PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler);

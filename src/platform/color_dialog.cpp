// SPDX-License-Identifier: MIT
#include "platform/color_dialog.h"

#include <QColorDialog>

#include "platform/color_ref.h"

namespace {

// Only the user-interface thread shows dialogs, so no lock is needed.
ColorDialogHandler g_handler;

}  // namespace

std::optional<int> ChooseColor(QWidget* pOwner, std::optional<int> initial) {
    if (g_handler) return g_handler(pOwner, initial);
    // Qt's dialog always shows its custom colours beside the basic ones.
    QColorDialog dlg(pOwner);
    if (initial) dlg.setCurrentColor(ColorFromRef(*initial));
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    const QColor color = dlg.selectedColor();
    if (!color.isValid()) return std::nullopt;
    return RefFromColor(color);
}

ColorDialogHandler SetColorDialogHandler(ColorDialogHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}

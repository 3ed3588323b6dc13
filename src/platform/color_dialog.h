// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>

class QWidget;

// The desktop's full colour dialog, run modally. Colours are 0x00BBGGRR.
// Without an initial colour the dialog opens at its own default. Returns the
// chosen colour, or nothing when the user cancelled. Tests replace the
// handler to script answers.
std::optional<int> ChooseColor(QWidget* pOwner, std::optional<int> initial = std::nullopt);

using ColorDialogHandler =
    std::function<std::optional<int>(QWidget* pOwner, std::optional<int> initial)>;
// Replaces the handler; returns the previous one. Empty restores the real dialog.
ColorDialogHandler SetColorDialogHandler(ColorDialogHandler handler);

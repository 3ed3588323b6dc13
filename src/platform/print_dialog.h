// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

class QPrinter;
class QWidget;

// Asks the user which printer to use and how, filling in the printer. False
// when the user cancels. The real dialog is a QPrintDialog; tests install a
// scripted answer so printing runs headless.
bool AskForPrinter(QPrinter& printer, QWidget* pParent);

using PrintDialogHandler = std::function<bool(QPrinter& printer, QWidget* pParent)>;

// Replaces the dialog; an empty handler puts the real one back. Returns the
// previous handler so a scope can restore it.
PrintDialogHandler SetPrintDialogHandler(PrintDialogHandler handler);

// SPDX-License-Identifier: MIT
#include "platform/print_dialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <utility>

namespace {

// Only the user-interface thread prints, so the handler needs no lock.
PrintDialogHandler& Handler() {
    static PrintDialogHandler handler;
    return handler;
}

}  // namespace

bool AskForPrinter(QPrinter& printer, QWidget* pParent) {
    if (const PrintDialogHandler& handler = Handler()) return handler(printer, pParent);
    QPrintDialog dialog(&printer, pParent);
    return dialog.exec() == QDialog::Accepted;
}

PrintDialogHandler SetPrintDialogHandler(PrintDialogHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

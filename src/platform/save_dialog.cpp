// SPDX-License-Identifier: MIT
#include "platform/save_dialog.h"

#include <QFileDialog>

namespace {

// Only the user-interface thread shows dialogs, so no lock is needed.
SaveDialogHandler g_handler;

}  // namespace

QString ChooseSaveFile(QWidget* pOwner, const SaveDialogRequest& request) {
    if (g_handler) return g_handler(pOwner, request);
    QFileDialog dialog(pOwner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.bConfirmOverwrite);
    dialog.setNameFilters(request.filters);
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}

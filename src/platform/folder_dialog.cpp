// SPDX-License-Identifier: MIT
#include "platform/folder_dialog.h"

#include <QFileDialog>

namespace {

// Only the user-interface thread shows dialogs, so no lock is needed.
FolderDialogHandler g_handler;

}  // namespace

QString ChooseFolder(QWidget* pOwner, const QString& title, const QString& startFolder) {
    if (g_handler) return g_handler(pOwner, title, startFolder);
    return QFileDialog::getExistingDirectory(pOwner, title, startFolder,
                                             QFileDialog::ShowDirsOnly);
}

FolderDialogHandler SetFolderDialogHandler(FolderDialogHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}

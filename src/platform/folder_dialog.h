// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

class QWidget;

// The desktop's folder chooser. Returns the chosen folder's path, or an empty
// text when the user cancelled. Tests replace the handler to script answers.
QString ChooseFolder(QWidget* pOwner, const QString& title, const QString& startFolder = QString());

using FolderDialogHandler =
    std::function<QString(QWidget* pOwner, const QString& title, const QString& startFolder)>;
// Replaces the handler; returns the previous one. Empty restores the real dialog.
FolderDialogHandler SetFolderDialogHandler(FolderDialogHandler handler);

// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// What the save-file dialog opens with.
struct SaveDialogRequest {
    QString initialPath;    // the file name shown first, with its folder
    QStringList filters;    // name filters, the first one selected
    QString defaultSuffix;  // added to a name typed without one; empty: none
    bool bConfirmOverwrite = false;  // the dialog asks before an existing file is chosen
};

// The desktop's save-file dialog. Unless asked to, it asks nothing about
// replacing a file: the caller decides what an existing name means. Returns the chosen path,
// or an empty text when the user cancelled.
QString ChooseSaveFile(QWidget* pOwner, const SaveDialogRequest& request);

using SaveDialogHandler = std::function<QString(QWidget* pOwner, const SaveDialogRequest& request)>;
// Replaces the handler; returns the previous one. Empty restores the real dialog.
SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler);

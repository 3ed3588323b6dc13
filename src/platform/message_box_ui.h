// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

class QMessageBox;
class QWidget;
struct MessageRequest;

// Installs the real message boxes behind ShowMessage and the real beep.
// Called once by the application after the QApplication exists.
void InstallDesktopMessageBoxes();

// The box a request is shown in, not yet run. Its text is plain text: the
// file and folder names in it are shown as they are spelled, never as markup.
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageRequest& request, QWidget* pOwner);

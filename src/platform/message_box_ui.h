// SPDX-License-Identifier: MIT
#pragma once

// Installs the real message boxes behind ShowMessage and the real beep.
// Called once by the application after the QApplication exists.
void InstallDesktopMessageBoxes();

// SPDX-License-Identifier: MIT
#pragma once

// Reading the font configuration takes several milliseconds, and nothing of
// start-up needs it before the main window measures its first text. The
// program starts loading it on a thread of its own at once; the window waits
// for it just before that first text, so Qt's font database finds it loaded
// rather than reading it a second time. Without a start, waiting does nothing.
void StartFontConfigLoad();
void WaitForFontConfig();

// SPDX-License-Identifier: MIT
#pragma once

// The program: start-up, main window, message loop. Returns the exit code.
int RunGalerio(int argc, char* argv[]);

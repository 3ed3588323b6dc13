// SPDX-License-Identifier: MIT
#include "app/galerio_app.h"

int main(int argc, char* argv[]) { return RunGalerio(argc, argv); }

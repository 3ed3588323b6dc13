// SPDX-License-Identifier: MIT
#include "app/galerio_app.h"

#include <QApplication>

int RunGalerio(int argc, char* argv[]) {
    QApplication app(argc, argv);
    return 0;
}

// SPDX-License-Identifier: MIT
// One QApplication for every test executable, headless.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // CI runs without a login session; give Qt the private runtime folder it
    // expects instead of a warning in every test's output.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string dir = "/tmp/galerio-test-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

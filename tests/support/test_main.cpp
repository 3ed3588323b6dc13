// SPDX-License-Identifier: MIT
// One QApplication for every test executable, headless.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
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
    // No test writes to the user's own thumbnail cache.
    QTemporaryDir cacheHome;
    setenv("XDG_CACHE_HOME", cacheHome.path().toLocal8Bit().constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

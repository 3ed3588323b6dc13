// SPDX-License-Identifier: MIT
// Folders are made absolute and clean before they are shown, stored or scanned.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/paths.h"

namespace {

struct FolderCase {
    const char* path;
    const char* base;
    const char* expected;
};

class AbsoluteFolderTable : public ::testing::TestWithParam<FolderCase> {};

TEST_P(AbsoluteFolderTable, GivesTheCleanAbsoluteFolder) {
    const FolderCase& c = GetParam();
    EXPECT_EQ(AbsoluteFolder(c.path, c.base), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbsoluteFolderTable,
    ::testing::Values(FolderCase{"/home/ann/Pics", "", "/home/ann/Pics"},
                      FolderCase{"/home/ann/Pics/", "", "/home/ann/Pics"},
                      FolderCase{"/home//ann/./Pics///", "", "/home/ann/Pics"},
                      FolderCase{"/home/ann/../bob/Pics", "", "/home/bob/Pics"},
                      FolderCase{"/../..", "", "/"}, FolderCase{"/", "", "/"},
                      FolderCase{".", "/home/ann", "/home/ann"},
                      FolderCase{"Pics", "/home/ann/", "/home/ann/Pics"},
                      FolderCase{"../bob", "/home/ann", "/home/bob"},
                      FolderCase{"-reverse", "/tmp", "/tmp/-reverse"},
                      FolderCase{"my pics/\xff\xfe", "/tmp", "/tmp/my pics/\xff\xfe"},
                      FolderCase{"", "/tmp", ""}));

TEST(AbsoluteFolder, RelativePathStartsAtTheCurrentDirectory) {
    char buf[4096];
    ASSERT_NE(::getcwd(buf, sizeof buf), nullptr);
    EXPECT_EQ(AbsoluteFolder("sub/./x"), AbsoluteFolder(std::string(buf) + "/sub/x"));
    EXPECT_EQ(AbsoluteFolder("."), AbsoluteFolder(buf));
}

}  // namespace

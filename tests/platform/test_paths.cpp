// SPDX-License-Identifier: MIT
// Folders are made absolute and clean before they are shown, stored or scanned.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
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

// Two spellings of one folder are the same folder; letter case is not.
struct SameFolderCase {
    const char* a;  // relative to a fresh folder holding "Pics" and a link "Link" to it
    const char* b;
    bool bSame;
};

class SameFolderTable : public ::testing::TestWithParam<SameFolderCase> {};

TEST_P(SameFolderTable, ComparesTheFoldersOnDisk) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    ASSERT_EQ(::mkdir((root + "/Pics").c_str(), 0755), 0);
    ASSERT_EQ(::symlink((root + "/Pics").c_str(), (root + "/Link").c_str()), 0);
    const SameFolderCase& c = GetParam();
    EXPECT_EQ(SameFolder(root + "/" + c.a, root + "/" + c.b), c.bSame) << c.a << " vs " << c.b;
}

INSTANTIATE_TEST_SUITE_P(Cases, SameFolderTable,
                         ::testing::Values(SameFolderCase{"Pics", "Pics", true},
                                           SameFolderCase{"Pics/", "Pics", true},
                                           SameFolderCase{"Pics/.", "./Pics//", true},
                                           SameFolderCase{"Pics/../Pics", "Pics", true},
                                           SameFolderCase{"Link", "Pics/", true},
                                           SameFolderCase{"pics", "Pics", false},
                                           SameFolderCase{"Pics", ".", false},
                                           SameFolderCase{"Missing/", "Missing", true},
                                           SameFolderCase{"Missing", "Pics", false}));

}  // namespace

// SPDX-License-Identifier: MIT
// Moving a photo never replaces another file and never loses the source:
// within a folder, between folders, and across file systems.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/move_file.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

class MoveFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = m_dir.path().toStdString();
        ASSERT_EQ(::mkdir((m_root + "/other").c_str(), 0755), 0);
        // Large enough for more than one chunk of the copy.
        m_content.assign((3 << 20) + 123, '\0');
        for (std::size_t i = 0; i < m_content.size(); ++i) m_content[i] = char(i * 7 + i / 4096);
        m_from = m_root + "/a b \"c\".jpg";
        std::ofstream(m_from, std::ios::binary) << m_content;
        ::chmod(m_from.c_str(), 0640);
        const struct timespec times[2] = {{1000000000, 0}, {1100000000, 500}};
        ::utimensat(AT_FDCWD, m_from.c_str(), times, 0);
    }
    void TearDown() override { SetMoveFileOps({}); }

    // Makes every rename look like one across file systems.
    static void ForceCopy() {
        SetMoveFileOps({[](const char*, const char*) { return EXDEV; }, {}, {}});
    }

    void ExpectMovedWithItsDate(const std::string& to) {
        EXPECT_FALSE(Exists(m_from));
        EXPECT_EQ(ReadAll(to), m_content);
        struct stat st {};
        ASSERT_EQ(::stat(to.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
    }

    QTemporaryDir m_dir;
    std::string m_root;
    std::string m_from;
    std::string m_content;
};

TEST_F(MoveFileTest, RenamesWithinAndMovesBetweenFolders) {
    const std::string renamed = m_root + "/-b\n.jpg";
    ASSERT_EQ(MoveFileNoReplace(m_from, renamed), 0);
    EXPECT_EQ(ReadAll(renamed), m_content);
    EXPECT_FALSE(Exists(m_from));
    ASSERT_EQ(MoveFileNoReplace(renamed, m_root + "/other/\xff.jpg"), 0);
    EXPECT_EQ(ReadAll(m_root + "/other/\xff.jpg"), m_content);
}

class MoveOntoExisting : public MoveFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MoveOntoExisting, IsRefusedAndBothFilesStay) {
    if (GetParam()) ForceCopy();
    const std::string to = m_root + "/other/taken.jpg";
    std::ofstream(to) << "someone else's photo";
    EXPECT_EQ(MoveFileNoReplace(m_from, to), EEXIST);
    EXPECT_EQ(ReadAll(to), "someone else's photo");
    EXPECT_EQ(ReadAll(m_from), m_content);
}

INSTANTIATE_TEST_SUITE_P(SameOrOtherFileSystem, MoveOntoExisting, ::testing::Bool());

TEST_F(MoveFileTest, AcrossFileSystemsCopiesThenDeletesTheSource) {
    ForceCopy();
    const std::string to = m_root + "/other/moved.jpg";
    ASSERT_EQ(MoveFileNoReplace(m_from, to), 0);
    ExpectMovedWithItsDate(to);
}

TEST_F(MoveFileTest, ToARealSecondFileSystem) {
    struct stat here {
    }, shm{};
    if (::stat(m_root.c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system";
    QTemporaryDir other(QStringLiteral("/dev/shm/galerio-move-XXXXXX"));
    ASSERT_TRUE(other.isValid());
    const std::string to = other.path().toStdString() + "/moved.jpg";
    ASSERT_EQ(MoveFileNoReplace(m_from, to), 0);
    ExpectMovedWithItsDate(to);
}

// A full disk half-way through the copy: the partial copy goes, the source stays.
TEST_F(MoveFileTest, AFailedCopyLeavesTheSourceAndNoPartialFile) {
    int nWrites = 0;
    SetMoveFileOps({[](const char*, const char*) { return EXDEV; },
                    [&nWrites](int fd, const void* pData, size_t nSize) -> ssize_t {
                        if (++nWrites == 2) {
                            errno = ENOSPC;
                            return -1;
                        }
                        return ::write(fd, pData, nSize);
                    },
                    {}});
    const std::string to = m_root + "/other/moved.jpg";
    EXPECT_EQ(MoveFileNoReplace(m_from, to), ENOSPC);
    EXPECT_EQ(nWrites, 2);
    EXPECT_FALSE(Exists(to));
    EXPECT_EQ(ReadAll(m_from), m_content);
}

TEST_F(MoveFileTest, AMissingSourceOrFolderFails) {
    EXPECT_EQ(MoveFileNoReplace(m_root + "/gone.jpg", m_root + "/x.jpg"), ENOENT);
    EXPECT_EQ(MoveFileNoReplace(m_from, m_root + "/no such folder/x.jpg"), ENOENT);
    ForceCopy();
    EXPECT_EQ(MoveFileNoReplace(m_from, m_root + "/no such folder/x.jpg"), ENOENT);
    EXPECT_EQ(ReadAll(m_from), m_content);
}

// A source that cannot be deleted after the copy: one file stays, not two.
TEST_F(MoveFileTest, ASourceThatCannotBeDeletedKeepsOnlyTheSource) {
    SetMoveFileOps({[](const char*, const char*) { return EXDEV; },
                    {},
                    [](const char*) {
                        errno = EACCES;
                        return -1;
                    }});
    const std::string to = m_root + "/other/moved.jpg";
    EXPECT_EQ(MoveFileNoReplace(m_from, to), EACCES);
    EXPECT_FALSE(Exists(to));
    EXPECT_EQ(ReadAll(m_from), m_content);
}

}  // namespace

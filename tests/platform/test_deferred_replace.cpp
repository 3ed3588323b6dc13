// SPDX-License-Identifier: MIT
// Files written on one thread and put in place later: nothing replaces its
// target before Publish, and what is never published leaves no trace.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/replace_file.h"

namespace {

class DeferredReplaceTest : public ::testing::Test {
protected:
    std::string Path(const char* pszName) const {
        return m_dir.path().toStdString() + "/" + pszName;
    }

    // Writes the text through a CReplacingFile, as the encoder and the page do.
    bool Write(const std::string& strPath, const std::string& strText,
               CDeferredReplacements* pDeferred = nullptr) {
        CReplacingFile file(strPath, pDeferred);
        std::FILE* pFile = file.Open();
        if (!pFile) return false;
        std::fputs(strText.c_str(), pFile);
        return file.Commit(pFile);
    }

    std::string Read(const char* pszName) const {
        std::ifstream file(Path(pszName));
        std::ostringstream text;
        text << file.rdbuf();
        return file ? text.str() : std::string("<none>");
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> v;
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(m_dir.path().toLocal8Bit().constData()),
                                                &closedir);
        while (const dirent* entry = readdir(dir.get()))
            if (entry->d_name[0] != '.' || entry->d_name[1] > '.') v.push_back(entry->d_name);
        std::sort(v.begin(), v.end());
        return v;
    }

    QTemporaryDir m_dir;
};

TEST_F(DeferredReplaceTest, CommitsOnAnotherThreadWaitForPublishInTheirOrder) {
    ASSERT_TRUE(Write(Path("a.jpg"), "old"));
    CDeferredReplacements files;
    std::thread writer([&] {
        EXPECT_TRUE(Write(Path("a.jpg"), "first", &files));
        EXPECT_TRUE(Write(Path("b.jpg"), "b", &files));
        EXPECT_TRUE(Write(Path("a.jpg"), "second", &files));
    });
    writer.join();
    // Only the file written without the list is in place; the others wait.
    EXPECT_EQ(Read("a.jpg"), "old");
    EXPECT_EQ(Read("b.jpg"), "<none>");
    EXPECT_TRUE(Write(Path("c.jpg"), "c"));
    EXPECT_EQ(Read("c.jpg"), "c");

    std::string strFailed;
    EXPECT_TRUE(files.Publish(strFailed));
    EXPECT_EQ(Read("a.jpg"), "second");
    EXPECT_EQ(Read("b.jpg"), "b");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(DeferredReplaceTest, WhatIsNotPublishedIsRemovedAndTheOldFileStays) {
    ASSERT_TRUE(Write(Path("a.jpg"), "old"));
    {
        CDeferredReplacements files;
        EXPECT_TRUE(Write(Path("a.jpg"), "new", &files));
        EXPECT_TRUE(Write(Path("b.jpg"), "new", &files));
        EXPECT_EQ(Names().size(), 3u);  // a.jpg and two temporary files
    }
    EXPECT_EQ(Read("a.jpg"), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"a.jpg"});
}

TEST_F(DeferredReplaceTest, APublishThatCannotRenameNamesTheTargetAndDropsTheRest) {
    CDeferredReplacements files;
    EXPECT_TRUE(Write(Path("a.jpg"), "a", &files));
    EXPECT_TRUE(Write(Path("b.jpg"), "b", &files));
    EXPECT_TRUE(Write(Path("c.jpg"), "c", &files));
    // A folder appears in the way of the second file after it was written.
    ASSERT_EQ(mkdir(Path("b.jpg").c_str(), 0755), 0);
    ASSERT_TRUE(Write(Path("b.jpg/x"), "x"));
    std::string strFailed;
    EXPECT_FALSE(files.Publish(strFailed));
    EXPECT_EQ(strFailed, Path("b.jpg"));
    EXPECT_EQ(Read("a.jpg"), "a");
    EXPECT_EQ(Read("c.jpg"), "<none>");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

// A link planted under the target's name is replaced itself, and the file
// it pointed to is left alone; a link to a folder is refused like the folder.
TEST_F(DeferredReplaceTest, ALinkIsReplacedNeverTheFileItPointsTo) {
    ASSERT_EQ(mkdir(Path("victim").c_str(), 0700), 0);
    ASSERT_TRUE(Write(Path("victim/notes.txt"), "secret"));
    ASSERT_EQ(symlink("victim/notes.txt", Path("index.html").c_str()), 0);
    ASSERT_EQ(symlink("victim", Path("folder.html").c_str()), 0);
    EXPECT_TRUE(Write(Path("index.html"), "page"));
    EXPECT_FALSE(Write(Path("folder.html"), "x"));
    EXPECT_EQ(Read("victim/notes.txt"), "secret");
    struct stat st {};
    ASSERT_EQ(lstat(Path("index.html").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(Read("index.html"), "page");
}

}  // namespace

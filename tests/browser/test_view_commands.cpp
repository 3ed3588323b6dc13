// SPDX-License-Identifier: MIT
// The grid's commands that act on the catalogue: the details list, delete.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "browser/galerio_view.h"
#include "platform/shell_open.h"
#include "platform/warning_question.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"
#include "view_test_helpers.h"

namespace {

class DetailsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.SetFilePath(m_config.ConfigDir() + "/galerio-test.ini");
        char old[4096];
        ASSERT_NE(::getcwd(old, sizeof old), nullptr);
        m_strOldDir = old;
        ASSERT_EQ(::chdir(m_config.WorkDir().c_str()), 0);
        m_previousShell = SetShellOpenHandler([this](const QString& target) {
            m_opened << target;
            return true;
        });
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
    }
    void TearDown() override {
        SetShellOpenHandler(m_previousShell);
        EXPECT_EQ(::chdir(m_strOldDir.c_str()), 0);
    }

    void Add(const std::string& name, const std::string& size, const std::string& dim) {
        auto item = std::make_unique<ImageItem>();
        item->m_strName = name;
        item->m_strSize = size;
        item->m_strDate = "3/7/2004 2:05 PM";
        item->m_strDim = dim;
        m_pView->Catalogue().push_back(std::move(item));
    }

    std::string Details() const {
        std::ifstream in(m_config.WorkDir() + "/details.txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
    RecordingHost m_host;
    std::string m_strOldDir;
    ShellOpenHandler m_previousShell;
    QStringList m_opened;
    std::unique_ptr<CGalerioView> m_pView;
};

TEST_F(DetailsTest, OneLineOfFourTabSeparatedFieldsPerEntryThenOpened) {
    {
        std::ofstream old(m_config.WorkDir() + "/details.txt");
        old << "an older, longer list that must not survive in part\n";
    }
    Add("beach", "1234", "100 x 75");
    Add("my \"best\" -shot", "99", "75 x 100");
    Add("caf\xe9", "5", "60 x 40");  // not UTF-8: written as the bytes it is
    m_pView->OnShowDetails();
    EXPECT_EQ(Details(),
              "beach\t1234\t3/7/2004 2:05 PM\t100 x 75\n"
              "my \"best\" -shot\t99\t3/7/2004 2:05 PM\t75 x 100\n"
              "caf\xe9\t5\t3/7/2004 2:05 PM\t60 x 40\n");
    EXPECT_EQ(m_opened, QStringList{QString::fromStdString(m_config.WorkDir() + "/details.txt")});
    EXPECT_EQ(m_messages.Count(), 0u);
}

TEST_F(DetailsTest, AFolderInTheWayIsReportedAndNothingOpened) {
    ASSERT_EQ(::mkdir((m_config.WorkDir() + "/details.txt").c_str(), 0755), 0);
    Add("beach", "1234", "100 x 75");
    m_pView->OnShowDetails();
    EXPECT_EQ(m_messages.Texts(), QStringList{"Error opening file."});
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(DetailsTest, AnEmptyCatalogueWritesNothing) {
    m_pView->OnShowDetails();
    EXPECT_EQ(::access((m_config.WorkDir() + "/details.txt").c_str(), F_OK), -1);
    EXPECT_TRUE(m_opened.isEmpty());
}

// ---- Delete Thumb ----

struct DeleteCase {
    const char* name;
    int nNoDelDlg;  // stored before
    bool bAnswerYes;
    bool bTickDontShow;
    bool bAsked;  // the warning was shown
    bool bDeleted;
    int nNoDelDlgAfter;
};

void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.name; }

class DeleteThumb : public DetailsTest, public ::testing::WithParamInterface<DeleteCase> {
protected:
    void SetUp() override {
        DetailsTest::SetUp();
        m_previousWarning = SetWarningHandler([this](const QString& text) {
            m_questions << text;
            return WarningAnswer{GetParam().bAnswerYes, GetParam().bTickDontShow};
        });
    }
    void TearDown() override {
        SetWarningHandler(m_previousWarning);
        DetailsTest::TearDown();
    }
    // Two photos on disk, the second selected.
    std::string AddFiles() {
        for (const char* name : {"a", "b b"}) {
            const std::string path = m_config.WorkDir() + "/" + name + ".jpg";
            std::ofstream(path) << "x";
            Add(name, "1", "1 x 1");
            m_pView->Catalogue().back()->m_strPath = path;
        }
        m_pView->SetSelected(m_pView->Catalogue()[1].get());
        return m_pView->Catalogue()[1]->m_strPath;
    }
    WarningHandler m_previousWarning;
    QStringList m_questions;
};

TEST_P(DeleteThumb, AsksUnlessToldNotToThenDeletesForGood) {
    const DeleteCase& c = GetParam();
    m_store.PutInt(kSectionSettings, kNoDelDlg, c.nNoDelDlg);
    const std::string path = AddFiles();
    m_pView->OnDeleteThumb();
    EXPECT_EQ(m_questions,
              c.bAsked ? QStringList{"You are about to permamently delete this JPEG.\n\nAre you "
                                     "sure you want to do this?"}
                       : QStringList{});
    EXPECT_EQ(::access(path.c_str(), F_OK) != 0, c.bDeleted);
    EXPECT_EQ(m_pView->Catalogue().size(), c.bDeleted ? 1u : 2u);
    EXPECT_EQ(m_pView->Selected() == nullptr, c.bDeleted);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kNoDelDlg, -1), c.nNoDelDlgAfter);
    EXPECT_EQ(m_messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteThumb,
                         ::testing::Values(DeleteCase{"Yes", 0, true, false, true, true, 0},
                                           DeleteCase{"YesAndDontAskAgain", 0, true, true, true,
                                                      true, 1},
                                           DeleteCase{"No", 0, false, true, true, false, 0},
                                           DeleteCase{"NotAsked", 1, false, false, false, true, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

class DeleteFailure : public DeleteThumb {};

TEST_P(DeleteFailure, AFileThatCannotBeDeletedStaysSelected) {
    const std::string path = AddFiles();
    ::unlink(path.c_str());  // someone else was quicker
    m_pView->OnDeleteThumb();
    EXPECT_EQ(m_messages.Texts(),
              QStringList{"Could not delete file\n" + QString::fromStdString(path)});
    EXPECT_EQ(m_pView->Catalogue().size(), 2u);
    EXPECT_EQ(m_pView->Selected(), m_pView->Catalogue()[1].get());
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteFailure,
                         ::testing::Values(DeleteCase{"Yes", 0, true, false, true, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

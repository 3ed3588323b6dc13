// SPDX-License-Identifier: MIT
// The Make Thumbs sheet: its pages, the checks made when a page is left, the
// warning before originals are overwritten, and the page-file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <memory>

#include "dialogs/make_thumbs_sheet.h"
#include "platform/save_dialog.h"
#include "platform/warning_question.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

namespace {

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.SetFilePath(m_config.ConfigDir() + "/galerio-test.ini");
        m_strPics = m_config.WorkDir() + "/pics";
        m_strOut = m_config.WorkDir() + "/out";
        ASSERT_EQ(::mkdir(m_strPics.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(m_strOut.c_str(), 0755), 0);
        ASSERT_EQ(::symlink(m_strPics.c_str(), (m_config.WorkDir() + "/link").c_str()), 0);
        m_previousWarning = SetWarningHandler([this](const QString& text) {
            m_questions << text;
            return WarningAnswer{m_bAnswerYes, m_bTick};
        });
    }
    void TearDown() override { SetWarningHandler(m_previousWarning); }

    CMakeThumbsSheet& MakeSheet(bool bPage, bool bSelection = true, std::size_t nEntries = 3) {
        MakeThumbsContext context;
        context.bSelection = bSelection;
        context.nEntries = nEntries;
        context.strImagesFolder = m_strPics + "/";
        PublishSettings data = LoadPublishSettings(m_store, 100, m_strPics);
        data.job.m_strFolder = m_strOut;
        m_pSheet = std::make_unique<CMakeThumbsSheet>(nullptr, bPage, m_store, context, data);
        return *m_pSheet;
    }

    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
    std::string m_strPics;
    std::string m_strOut;
    WarningHandler m_previousWarning;
    QStringList m_questions;
    bool m_bAnswerYes = true;
    bool m_bTick = false;
    std::unique_ptr<CMakeThumbsSheet> m_pSheet;
};

const QString kOverwrite =
    "The option you have chosen will cause your original JPEGs to be overwritten. Your original "
    "images will be destroyed.\n\nAre you sure you want to do this?";

struct OverwriteCase {
    const char* name;
    const char* folder;  // below the work folder
    int nNoOverDlg;
    bool bYes;
    bool bTick;
    bool bAsked;
    bool bProceed;
    int nNoOverDlgAfter;
};

void PrintTo(const OverwriteCase& c, std::ostream* os) { *os << c.name; }

class Overwrite : public SheetTest, public ::testing::WithParamInterface<OverwriteCase> {};

// Every spelling of the images' own folder gets the warning; letter case
// names another folder on Linux.
TEST_P(Overwrite, AsksOnlyForTheImagesOwnFolder) {
    const OverwriteCase& c = GetParam();
    m_store.PutInt(kSectionSettings, kNoOverDlg, c.nNoOverDlg);
    m_bAnswerYes = c.bYes;
    m_bTick = c.bTick;
    EXPECT_EQ(CheckOverwrite(m_store, m_strPics + "/", m_config.WorkDir() + "/" + c.folder),
              c.bProceed);
    EXPECT_EQ(m_questions, c.bAsked ? QStringList{kOverwrite} : QStringList{});
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kNoOverDlg, -1), c.nNoOverDlgAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Overwrite,
    ::testing::Values(OverwriteCase{"SameNo", "pics", 0, false, true, true, false, 0},
                      OverwriteCase{"SameYes", "pics", 0, true, false, true, true, 0},
                      OverwriteCase{"SameYesDontAsk", "pics", 0, true, true, true, true, 1},
                      OverwriteCase{"TrailingSlash", "pics/", 0, false, false, true, false, 0},
                      OverwriteCase{"DotParts", "out/../pics/.", 0, false, false, true, false, 0},
                      OverwriteCase{"ThroughALink", "link", 0, false, false, true, false, 0},
                      OverwriteCase{"OtherCase", "PICS", 0, false, false, false, true, 0},
                      OverwriteCase{"OtherFolder", "out", 0, false, false, false, true, 0},
                      OverwriteCase{"NotAskedAgain", "pics", 1, false, false, false, true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SheetTest, TitlesAndPagesFollowTheCommand) {
    EXPECT_EQ(MakeSheet(false).windowTitle(), "Create Thumbs");
    ASSERT_EQ(m_pSheet->Tabs()->count(), 1);
    EXPECT_EQ(m_pSheet->Tabs()->tabText(0), "Thumbs");
    EXPECT_EQ(MakeSheet(true).windowTitle(), "Create Thumbs and Page");
    ASSERT_EQ(m_pSheet->Tabs()->count(), 3);
    EXPECT_EQ(m_pSheet->Tabs()->tabText(1), "Page");
    EXPECT_EQ(m_pSheet->Tabs()->tabText(2), "Extras");
}

TEST_F(SheetTest, WithoutASelectionEveryImageIsMadeWhateverWasStored) {
    m_store.PutInt(kSectionSettings, kDoAll, 0);
    CMakeThumbsSheet& sheet = MakeSheet(false, false);
    EXPECT_FALSE(sheet.ThumbsPage()->AllImagesBox()->isVisibleTo(&sheet));
    EXPECT_TRUE(sheet.ThumbsPage()->AllImagesLabel()->isVisibleTo(&sheet));
    EXPECT_EQ(sheet.ThumbsPage()->AllImagesLabel()->text(),
              "ThumbNails will be created for all Images in this Folder");
    sheet.accept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(sheet.Data().bDoAll);
}

// Choosing the source names in the images' folder warns once per showing of
// the sheet; "No" puts the first naming choice back.
TEST_F(SheetTest, SourceNamesWarnOnceAndNoPutsTheFirstChoiceBack) {
    CMakeThumbsSheet& sheet = MakeSheet(false);
    CMakeTh& page = *sheet.ThumbsPage();
    page.FolderEdit()->setText(QString::fromStdString(m_strPics + "/"));
    m_bAnswerYes = false;
    page.NamingRadio(SourceName)->click();
    EXPECT_EQ(m_questions, QStringList{kOverwrite});
    EXPECT_TRUE(page.NamingRadio(AppendText)->isChecked());
    m_bAnswerYes = true;
    page.NamingRadio(SourceName)->click();
    page.NamingRadio(AppendText)->click();
    page.NamingRadio(SourceName)->click();
    EXPECT_EQ(m_questions.size(), 2);
    EXPECT_TRUE(page.NamingRadio(SourceName)->isChecked());
    sheet.accept();  // leaving the page asks no more: the user was warned
    EXPECT_EQ(m_questions.size(), 2);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(sheet.Data().job.m_nNaming, SourceName);
}

// Source names chosen for another folder ask nothing, but pointing the folder
// at the photos afterwards must still ask before OK writes over them.
TEST_F(SheetTest, SourceNamesAskAgainWhenTheFolderBecomesTheImagesOwn) {
    CMakeThumbsSheet& sheet = MakeSheet(false);
    sheet.ThumbsPage()->NamingRadio(SourceName)->click();  // into "out": nothing asked
    sheet.ThumbsPage()->FolderEdit()->setText(QString::fromStdString(m_strPics));
    m_bAnswerYes = false;
    sheet.accept();
    EXPECT_EQ(m_questions, QStringList{kOverwrite});
    EXPECT_NE(sheet.result(), QDialog::Accepted);
}

struct LeaveCase {
    const char* name;
    const char* folder;  // below the work folder
    int nNaming;
    const char* suffix;
    const char* prefix;
    const char* size;
    const char* quality;
    QStringList messages;  // %1: the folder as typed
};

void PrintTo(const LeaveCase& c, std::ostream* os) { *os << c.name; }

class LeaveThumbs : public SheetTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveThumbs, RefusesWithTheMessagesInOrder) {
    const LeaveCase& c = GetParam();
    CMakeThumbsSheet& sheet = MakeSheet(true);
    CMakeTh& page = *sheet.ThumbsPage();
    const QString folder = QString::fromStdString(m_config.WorkDir() + "/" + c.folder);
    page.FolderEdit()->setText(folder);
    page.NamingRadio(c.nNaming)->setChecked(true);
    page.SuffixEdit()->setText(c.suffix);
    page.PrefixEdit()->setText(c.prefix);
    page.SizeEdit()->setText(c.size);
    page.QualityEdit()->setText(c.quality);
    sheet.Tabs()->setCurrentIndex(1);
    QStringList expected;
    for (const QString& text : c.messages) expected << QString(text).replace("%1", folder);
    EXPECT_EQ(m_messages.Texts(), expected);
    EXPECT_EQ(sheet.Tabs()->currentIndex(), expected.isEmpty() ? 1 : 0);
}

const QString kNoFolder =
    "Error: Folder\n\n%1\n\ndoes not exist. \nPlease select an exisitng folder.";

INSTANTIATE_TEST_SUITE_P(
    Fields, LeaveThumbs,
    ::testing::Values(
        LeaveCase{"AllGood", "out", 0, "_tn", "", "100", "90", {}},
        LeaveCase{"MissingFolder", "none", 1, "_tn", "tn_", "100", "90", {kNoFolder}},
        LeaveCase{"MissingFolderAndBlankSuffix", "none", 0, "", "tn_", "100", "90",
                  {kNoFolder, "You chose to PostPend a name but the field is blank"}},
        LeaveCase{"BlankPrefix", "out", 1, "_tn", "", "100", "90",
                  {"You chose to PrePend a name but the field is blank"}},
        LeaveCase{"SizeTooSmall", "out", 0, "_tn", "", "9", "90",
                  {"Please enter an integer between 10 and 5000."}},
        LeaveCase{"QualityNotANumber", "out", 0, "_tn", "", "5000", "best",
                  {"Please enter an integer between 1 and 100."}}),
    [](const auto& info) { return std::string(info.param.name); });

// The table can be chosen only for all of several images; its numbers only
// with it; the link's style and text anchor only with the link.
TEST_F(SheetTest, PageControlsFollowTheScopeTheTableAndTheLink) {
    m_store.PutInt(kSectionSettings, kTable, 1);
    struct Case {
        std::size_t nEntries;
        bool bDoAll;
        bool bTableAllowed;
    };
    for (const Case& c : {Case{3, true, true}, Case{1, true, false}, Case{3, false, false}}) {
        CMakeThumbsSheet& sheet = MakeSheet(true, true, c.nEntries);
        sheet.ThumbsPage()->AllImagesBox()->setChecked(c.bDoAll);
        sheet.Tabs()->setCurrentIndex(1);
        CMakePg1& page = *sheet.PagePage();
        EXPECT_EQ(page.TableBox()->isEnabled(), c.bTableAllowed) << c.nEntries << c.bDoAll;
        EXPECT_EQ(page.TableBox()->isChecked(), c.bTableAllowed);
        EXPECT_EQ(page.RowsEdit()->isEnabled(), c.bTableAllowed);
        EXPECT_FALSE(page.StyleRadio(1)->isEnabled());  // "Href" is off
        page.LinkBox()->click();
        EXPECT_TRUE(page.StyleRadio(1)->isEnabled());
        EXPECT_TRUE(page.TextAnchorBox()->isEnabled());
    }
    CMakePg1& page = *m_pSheet->PagePage();
    page.TableBox()->click();
    EXPECT_FALSE(page.PadEdit()->isEnabled());
}

TEST_F(SheetTest, SameFolderButtonAndBrowseSetThePageFile) {
    CMakeThumbsSheet& sheet = MakeSheet(true);
    sheet.Tabs()->setCurrentIndex(1);
    CMakePg1& page = *sheet.PagePage();
    const QString out = QString::fromStdString(m_strOut);
    page.FileEdit()->setText("/somewhere/else/album.htm");
    page.SameFolderButton()->click();
    EXPECT_EQ(page.FileEdit()->text(), out + "/album.htm");
    page.FileEdit()->clear();
    page.SameFolderButton()->click();
    EXPECT_EQ(page.FileEdit()->text(), out + "/temp.html");

    std::vector<SaveDialogRequest> requests;
    const SaveDialogHandler previous =
        SetSaveDialogHandler([&](QWidget*, const SaveDialogRequest& r) {
            requests.push_back(r);
            return out + "/chosen.htm";
        });
    page.BrowseButton()->click();
    SetSaveDialogHandler(previous);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].initialPath, out + "/temp.html");
    EXPECT_EQ(requests[0].filters,
              (QStringList{"Htm Files (*.htm)", "Html Files (*.html)", "Text Files (*.txt)",
                           "All Files (*)"}));
    EXPECT_EQ(requests[0].defaultSuffix, "htm");
    EXPECT_TRUE(requests[0].bConfirmOverwrite);
    EXPECT_EQ(page.FileEdit()->text(), out + "/chosen.htm");
    sheet.accept();
    EXPECT_EQ(sheet.Data().page.m_strFile, m_strOut + "/chosen.htm");
    EXPECT_EQ(m_messages.Count(), 0u);

    // Without a thumbnail folder there is nothing to put the page beside.
    sheet.Tabs()->setCurrentIndex(0);
    sheet.ThumbsPage()->FolderEdit()->clear();
    MakeSheet(true);
    m_pSheet->ThumbsPage()->FolderEdit()->clear();
    m_pSheet->ThumbsPage()->ReadControls();
    m_pSheet->PagePage()->SameFolderButton()->click();
    EXPECT_EQ(m_messages.Texts(),
              QStringList{"First, please specify a Folder for the ThumbNails.\n\n(On the first "
                          "tab.))"});
}

TEST(PageFile, FirstProposalIsMyPageInTheThumbnailFolder) {
    EXPECT_EQ(DefaultPageFile("/home/ann/thumbs"), "/home/ann/thumbs/MyPage.html");
    EXPECT_EQ(DefaultPageFile("/home/ann/thumbs/"), "/home/ann/thumbs/MyPage.html");
    EXPECT_EQ(DefaultPageFile("/"), "/MyPage.html");
}

}  // namespace

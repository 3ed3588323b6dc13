// SPDX-License-Identifier: MIT
// The recent-folder list: kept in the application profile, most recent first,
// without duplicates, as long as "MRU" says, and never opened while busy.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "app/recent_file_list.h"
#include "app_fixture.h"
#include "browser/galerio_doc.h"
#include "browser/galerio_view.h"
#include "settings/settings_keys.h"
#include "support/fake_image_window.h"
#include "support/view_probe.h"

namespace {

QString ProfilePath() { return QString::fromStdString(CRecentFileList::DefaultProfilePath()); }

QStringList ProfileEntries() {
    QSettings profile(ProfilePath(), QSettings::IniFormat);
    profile.beginGroup("Recent File List");
    QStringList entries;
    for (const QString& key : profile.childKeys())
        entries << key + "=" + profile.value(key).toString();
    entries.sort();
    return entries;
}

void WriteProfile(const QStringList& lines) {
    QFile file(ProfilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Recent File List]\n");
    for (const QString& line : lines) file.write((line + "\n").toUtf8());
}

QStringList MenuTexts(CMainFrame& frame) {
    QStringList texts;
    for (QAction* pAction : frame.RecentActions()) texts << pAction->text();
    return texts;
}

void SetMru(int nMru) {
    SettingsStore store;
    bool bCreated = false;
    ASSERT_TRUE(store.OpenProductKey("Galerio", bCreated));
    store.PutInt(kSectionSettings, kMRU, nMru);
}

TEST(RecentFileList, WrittenToTheProfileAtEveryChange) {
    TempConfig config;
    EXPECT_EQ(CRecentFileList::DefaultProfilePath(),
              config.ConfigDir() + "/Halvane Software/galerio-profile.ini");
    CRecentFileList list(CRecentFileList::DefaultProfilePath(), 3);
    list.Add("/a");
    list.Add("/b");
    EXPECT_EQ(ProfileEntries(), (QStringList{"File1=/b", "File2=/a"}));
    list.Add("/c");
    list.Add("/d");
    EXPECT_EQ(ProfileEntries(), (QStringList{"File1=/d", "File2=/c", "File3=/b"}));

    CRecentFileList again(CRecentFileList::DefaultProfilePath(), 3);
    again.ReadList();
    EXPECT_EQ(again.Entries(), (std::vector<std::string>{"/d", "/c", "/b"}));

    // The group is named as it reads, not percent-encoded.
    QFile file(ProfilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("[Recent File List]\nFile1=/d\nFile2=/c\nFile3=/b\n"));
}

TEST(RecentFileList, OtherGroupsOfTheProfileAreKept) {
    TempConfig config;
    CRecentFileList(CRecentFileList::DefaultProfilePath(), 1).WriteList();
    {
        QFile file(ProfilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Other]\nKey=Value\n[Recent File List]\nFile1=/old\n[Tail]\nA=1\n");
    }
    CRecentFileList list(CRecentFileList::DefaultProfilePath(), 4);
    list.ReadList();
    list.Add("/new");
    QSettings profile(ProfilePath(), QSettings::IniFormat);
    EXPECT_EQ(profile.value("Other/Key").toString(), "Value");
    EXPECT_EQ(profile.value("Tail/A").toString(), "1");
    EXPECT_EQ(ProfileEntries(), (QStringList{"File1=/new", "File2=/old"}));
}

TEST(RecentFileList, ReadingTrimsToTheSizeAndClosesGaps) {
    TempConfig config;
    CRecentFileList(CRecentFileList::DefaultProfilePath(), 1).WriteList();  // makes the folder
    WriteProfile({"File1=/one", "File3=/three", "File4=/one", "File5=/five", "File6=/six"});
    CRecentFileList list(CRecentFileList::DefaultProfilePath(), 3);
    list.ReadList();
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/one", "/three", "/five"}));
}

TEST(RecentFileList, PathThatIsNotUtf8ReadsBackUnchanged) {
    TempConfig config;
    const std::string odd = "/photos/caf\xe9";
    CRecentFileList list(CRecentFileList::DefaultProfilePath(), 4);
    list.Add(odd);
    CRecentFileList again(CRecentFileList::DefaultProfilePath(), 4);
    again.ReadList();
    ASSERT_EQ(again.Entries().size(), 1u);
    EXPECT_EQ(again.Entries()[0], odd);
}

TEST(RecentFolders, LoadedAtStartAndShownInTheFileMenu) {
    AppFixture f;
    CRecentFileList(CRecentFileList::DefaultProfilePath(), 1).WriteList();
    WriteProfile({"File1=/home/ann/Pics", "File2=/data/Tom & Jerry"});
    f.Start();
    EXPECT_EQ(MenuTexts(f.Frame()), (QStringList{"&1 /home/ann/Pics", "&2 /data/Tom && Jerry"}));
    EXPECT_EQ(f.Frame().RecentActions()[0]->statusTip(), "Open this document");
}

TEST(RecentFolders, CommandLineFolderGoesOnTheListAtOnce) {
    AppFixture f;
    f.Start({"/nowhere/pics-summer", "-S"});
    EXPECT_EQ(MenuTexts(f.Frame()), QStringList{"&1 /nowhere/pics-summer"});
    EXPECT_EQ(ProfileEntries(), QStringList{"File1=/nowhere/pics-summer"});
}

// A folder given relative to the working directory is stored absolute, so
// the title, the document and the recent entry name it from anywhere.
enum class Entry { CommandLine, OpenDocument, RecentList };

struct RelativeCase {
    const char* name;
    Entry entry;
    const char* cwd;  // below the work folder
    const char* folder;
};
void PrintTo(const RelativeCase& c, std::ostream* os) { *os << c.name; }

class RelativeFolder : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeFolder, IsStoredAbsolute) {
    const RelativeCase& c = GetParam();
    AppFixture f;
    const std::string pics = f.MakeImageFolder("pics", 1);
    QDir().mkpath(QString::fromStdString(pics + "/sub"));
    const std::string expected =
        QFileInfo(QString::fromStdString(pics)).canonicalFilePath().toStdString();
    {
        CurrentDirScope cwd(f.m_config.WorkDir() + "/" + c.cwd);
        if (c.entry == Entry::CommandLine) {
            f.Start({c.folder});
        } else {
            f.Start();
            if (c.entry == Entry::OpenDocument)
                ASSERT_NE(f.App().OpenDocumentFile(c.folder), nullptr);
            else
                f.App().AddToRecentFileList(c.folder);
        }
    }
    EXPECT_EQ(ProfileEntries(), QStringList{QString::fromStdString("File1=" + expected)});
    EXPECT_EQ(MenuTexts(f.Frame()), QStringList{QString::fromStdString("&1 " + expected)});
    if (c.entry == Entry::RecentList) return;
    EXPECT_EQ(f.App().Document()->GetPathName(), expected);
    // The scan, at once or after the start-up timer, names the folder in the title.
    const QString title = QString::fromStdString("Galerio - " + expected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Frame().windowTitle() == title; }, 5000))
        << f.Frame().windowTitle().toStdString();
    EXPECT_TRUE(f.WaitIdle());
    EXPECT_EQ(f.m_messages.Texts(), QStringList());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, RelativeFolder,
    ::testing::Values(
        RelativeCase{"CommandLineDot", Entry::CommandLine, "pics", "."},
        RelativeCase{"CommandLineRelative", Entry::CommandLine, "", "pics"},
        RelativeCase{"CommandLineDotsAndSlashes", Entry::CommandLine, "", "./pics//sub/../"},
        RelativeCase{"CommandLineParent", Entry::CommandLine, "pics/sub", ".."},
        RelativeCase{"OpenDot", Entry::OpenDocument, "pics", "."},
        RelativeCase{"OpenRelative", Entry::OpenDocument, "", "pics/"},
        RelativeCase{"RecentDot", Entry::RecentList, "pics", "."},
        RelativeCase{"RecentParent", Entry::RecentList, "pics/sub", "../"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(RecentFolders, ListFollowsTheMruSetting) {
    AppFixture f;
    SetMru(2);
    f.Start();
    EXPECT_EQ(f.App().m_nMruCount, 2);
    for (const char* folder : {"/a", "/b", "/c", "/b/"}) f.App().AddToRecentFileList(folder);
    EXPECT_EQ(MenuTexts(f.Frame()), (QStringList{"&1 /b", "&2 /c"}));
    EXPECT_EQ(ProfileEntries(), (QStringList{"File1=/b", "File2=/c"}));
}

TEST(RecentFolders, MruSettingClampedToOneToSixteen) {
    {
        AppFixture f;
        SetMru(0);
        f.Start();
        EXPECT_EQ(f.App().m_nMruCount, 1);
    }
    {
        AppFixture f;
        SetMru(99);
        f.Start();
        EXPECT_EQ(f.App().m_nMruCount, 16);
        for (int i = 0; i < 20; ++i) f.App().AddToRecentFileList("/f" + std::to_string(i));
        EXPECT_EQ(f.Frame().RecentActions().size(), 16u);
        EXPECT_EQ(f.Frame().RecentActions()[9]->text(), "1&0 /f10");
    }
}

TEST(RecentFolders, ChoosingAnEntryOpensItAndMovesItToTheTop) {
    AppFixture f;
    f.Start();
    const std::string older = f.MakeImageFolder("older", 2);
    const std::string newer = f.MakeImageFolder("newer", 1);
    f.App().AddToRecentFileList(older);
    f.App().AddToRecentFileList(newer);
    f.Frame().RecentActions()[1]->trigger();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), older);
    EXPECT_EQ(f.View().Catalogue().size(), 2u);
    EXPECT_EQ(f.App().Document()->GetPathName(), older);
    EXPECT_EQ(MenuTexts(f.Frame()), (QStringList{QString::fromStdString("&1 " + older),
                                                 QString::fromStdString("&2 " + newer)}));
}

TEST(RecentFolders, IgnoredWhileTheViewIsBusyAndTheEntryStays) {
    AppFixture f;
    f.Start();
    const std::string first = f.MakeImageFolder("first", 1);
    const std::string second = f.MakeImageFolder("second", 1);
    f.App().AddToRecentFileList(second);
    f.App().OpenDocumentFile(first);
    ASSERT_TRUE(f.WaitIdle());
    const QStringList before = MenuTexts(f.Frame());

    // A slide show holds the view.
    auto pLog = std::make_shared<ImageWindowLog>();
    f.View().Slides().SetImageWindowFactory(FakeImageWindows(pLog));
    f.View().OnStartSlideShow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.View().Slides().Window() != nullptr; }, 3000));
    f.Frame().RecentActions()[1]->trigger();
    EXPECT_EQ(f.App().OpenDocumentFile(second), nullptr);
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), first);
    EXPECT_EQ(f.View().FindDlg(), nullptr);
    EXPECT_EQ(f.App().Document()->GetPathName(), first);
    EXPECT_EQ(MenuTexts(f.Frame()), before);
    QTest::keyClick(&f.View(), Qt::Key_Escape);  // the show ends

    // Once idle again the same entry opens.
    f.Frame().RecentActions()[1]->trigger();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(ViewProbe::SearchFolder(f.View()), second);
}

TEST(RecentFolders, EmptyListShowsAGreyedPlace) {
    AppFixture f;
    f.Start();
    ASSERT_EQ(f.Frame().RecentActions().size(), 1u);
    EXPECT_EQ(f.Frame().RecentActions()[0]->text(), "Recent File");
    EXPECT_FALSE(f.Frame().RecentActions()[0]->isEnabled());
}

}  // namespace

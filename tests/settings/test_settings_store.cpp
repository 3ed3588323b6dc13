// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_config.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void WriteProfile(const std::string& text) {
        std::ofstream(m_config.ConfigDir() + "/Galerio.INI", std::ios::binary) << text;
    }
    bool Open() {
        bool bCreated = false;
        EXPECT_TRUE(m_store.OpenProductKey("Galerio", bCreated));
        if (bCreated) m_store.ImportLegacyProfile("Galerio");
        return bCreated;
    }
    // Every "group/name=value" of the store, sorted.
    std::vector<std::string> StoredEntries() {
        QSettings store(QString::fromStdString(m_store.FilePath()), QSettings::IniFormat);
        QStringList keys = store.allKeys();
        keys.sort();
        std::vector<std::string> entries;
        for (const QString& key : keys)
            entries.push_back((key + '=' + store.value(key).toString()).toStdString());
        return entries;
    }
    std::string StoreText() {
        QFile f(QString::fromStdString(m_store.FilePath()));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }

    TempConfig m_config;
    SettingsStore m_store;
};

TEST_F(SettingsStoreTest, StoreFileLivesUnderTheMakersFolderAndIsCreatedOnce) {
    EXPECT_TRUE(Open());
    EXPECT_EQ(m_store.FilePath(), m_config.ConfigDir() + "/Halvane Software/Galerio.ini");
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(m_store.FilePath())));
    EXPECT_FALSE(Open());
}

TEST_F(SettingsStoreTest, IntegersAreDecimalTextAndReadWithTheirLeadingNumber) {
    Open();
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kPitch, kPitchDefault), 103);
    EXPECT_TRUE(m_store.PutInt(kSectionSettings, kPitch, -42));
    EXPECT_EQ(m_store.GetString(kSectionSettings, kPitch, ""), "-42");
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kPitch, kPitchDefault), -42);

    const struct {
        const char* stored;
        int expected;
    } cases[] = {{"12abc", 12}, {"  7", 7}, {"+5x", 5},   {"abc", 103},
                 {"", 103},     {"-", 103}, {"0012", 12}, {"99999999999", 2147483647}};
    for (const auto& c : cases) {
        m_store.PutString(kSectionSettings, kPitch, c.stored);
        EXPECT_EQ(m_store.GetInt(kSectionSettings, kPitch, 103), c.expected) << c.stored;
    }
}

TEST_F(SettingsStoreTest, TextsOfAnyLengthAndContentReadBackUnchanged) {
    Open();
    std::string longHead(5000, 'h');
    longHead += "\n<TITLE>\"quoted\", with commas</TITLE>\t";
    const std::string texts[] = {kBeforeDefault,
                                 longHead,
                                 "",
                                 "@not a variant",
                                 "a,b,c",
                                 "caf\xc3\xa9",
                                 std::string("bad \xff\xfe utf8", 12),
                                 "/home/ann/My Pics/",
                                 "semi;colon=equals"};
    for (const std::string& text : texts) {
        EXPECT_TRUE(m_store.PutString(kSectionSettings, kBefore, text));
        EXPECT_EQ(m_store.GetString(kSectionSettings, kBefore, "default"), text);
    }
}

// A write replaces the file; one that stores what is already there (the
// system colours at every start) leaves it alone.
TEST_F(SettingsStoreTest, WritingTheStoredValueAgainLeavesTheFileAlone) {
    Open();
    const auto inode = [this] {
        struct stat st {};
        EXPECT_EQ(stat(m_store.FilePath().c_str(), &st), 0);
        return st.st_ino;
    };
    ASSERT_TRUE(m_store.PutInt(kSectionSettings, kBackColor, 255));
    const ino_t written = inode();
    EXPECT_TRUE(m_store.PutString(kSectionSettings, kBackColor, "255"));
    EXPECT_EQ(inode(), written);
    EXPECT_TRUE(m_store.PutInt(kSectionSettings, kBackColor, 254));
    EXPECT_NE(inode(), written);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kBackColor, 0), 254);
}

TEST_F(SettingsStoreTest, ReadsGiveTheDefaultAndCreateNothing) {
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kMRU, kMRUDefault), 8);
    EXPECT_FALSE(m_store.PutInt(kSectionSettings, kMRU, 3));  // no store opened yet
    bool bCreated = false;
    m_store.OpenProductKey("Galerio", bCreated);
    QFile::remove(QString::fromStdString(m_store.FilePath()));
    EXPECT_EQ(m_store.GetString(kSectionSettings, kAfter, kAfterDefault), kAfterDefault);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(m_store.FilePath())));
    // Writing creates the section on the way.
    EXPECT_TRUE(m_store.PutInt(kSectionScreen, kScreenCx, 972));
    EXPECT_EQ(m_store.GetInt(kSectionScreen, kScreenCx, 0), 972);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kScreenCx, -1), -1);  // sections are apart
}

TEST_F(SettingsStoreTest, LegacyProfileIsCopiedLineByLineOnFirstStart) {
    WriteProfile(
        "Orphan=dropped\n"
        "[Settings]\n"
        "Pitch = 80\n"
        "SortOption=2\n"
        "ShowDim=1=still one value\n"
        "no equals sign here\n"
        "  [Screen]  \r\n"
        "cx=640\r\n"
        "[ Odd ] Section]\n"
        "y=5\n"
        "[  Spaced  ]\n"
        "k=v  \n");
    EXPECT_TRUE(Open());
    // Name and value are taken as they stand around the '='.
    EXPECT_EQ(m_store.GetString(kSectionSettings, "Pitch ", ""), " 80");
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kPitch, kPitchDefault), 103);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kSortOption, 0), 2);
    EXPECT_EQ(m_store.GetString(kSectionSettings, kShowDim, ""), "1=still one value");
    EXPECT_EQ(m_store.GetString(kSectionSettings, "Orphan", "none"), "none");
    EXPECT_EQ(m_store.GetInt(kSectionScreen, kScreenCx, 0), 640);
    // "]" before the last character: not a header, so y stays in Screen.
    EXPECT_EQ(m_store.GetInt(kSectionScreen, kScreenY, 0), 5);
    EXPECT_EQ(m_store.GetString("Spaced", "k", ""), "v");
    // What the profile did not hold reads as its default.
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kShowFileName, kShowFileNameDefault), 1);
}

TEST_F(SettingsStoreTest, LegacyLinesLongerThan519CharactersAreReadInPieces) {
    WriteProfile("[Settings]\n" + std::string(519, 'x') + "Tail=yes\n");
    Open();
    EXPECT_EQ(m_store.GetString(kSectionSettings, "Tail", ""), "yes");
}

TEST_F(SettingsStoreTest, LegacyProfileIsImportedOnlyWhenTheStoreIsNew) {
    WriteProfile("[Settings]\nPitch=80\n");
    EXPECT_TRUE(Open());
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kPitch, 103), 80);
    WriteProfile("[Settings]\nPitch=60\n");
    EXPECT_FALSE(Open());
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kPitch, 103), 80);
}

TEST_F(SettingsStoreTest, MissingLegacyProfileLeavesAnEmptyStore) {
    EXPECT_TRUE(Open());
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kPitch, 103), 103);
    EXPECT_EQ(StoreText(), "");
}

// The old platform matched profile names without regard to letter case, so
// a hand-written "[settings]" still set the program's "Settings".
struct LegacyNameCase {
    const char* name;
    const char* profile;
    std::vector<std::string> stored;
};
void PrintTo(const LegacyNameCase& c, std::ostream* os) { *os << c.name; }

class LegacyNameSpelling : public SettingsStoreTest,
                           public ::testing::WithParamInterface<LegacyNameCase> {};

TEST_P(LegacyNameSpelling, ImportedUnderTheNameTheProgramReads) {
    WriteProfile(GetParam().profile);
    ASSERT_TRUE(Open());
    EXPECT_EQ(StoredEntries(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LegacyNameSpelling,
    ::testing::Values(
        LegacyNameCase{"LowerCase",
                       "[settings]\npitch=80\nshowfilename=0\n",
                       {"Settings/Pitch=80", "Settings/ShowFileName=0"}},
        LegacyNameCase{
            "UpperCase", "[SCREEN]\nCX=640\nCY=480\n", {"Screen/cx=640", "Screen/cy=480"}},
        LegacyNameCase{"MixedCase", "[nEwBiE]\nneedFULLpath=0\n", {"Newbie/NeedFullPath=0"}},
        LegacyNameCase{"TextSetting",
                       "[Settings]\npostpendtext=_small\nmru=4\n",
                       {"Settings/MRU=4", "Settings/PostPendText=_small"}},
        // Two spellings are one setting; the later line wins, as a repeated line does.
        LegacyNameCase{"TwoSpellingsOneSetting",
                       "[Settings]\nPitch=80\n[SETTINGS]\nPITCH=90\n",
                       {"Settings/Pitch=90"}},
        LegacyNameCase{"UnknownNamesKept",
                       "[extra]\nfoo=1\n[settings]\nMyOwn=5\n",
                       {"Settings/MyOwn=5", "extra/foo=1"}},
        // Only A-Z fold: the Kelvin sign, a dotless i and a long s are other letters.
        LegacyNameCase{"NonAsciiLookAlikesKept",
                       "[Settings]\nBac\u212aColor=7\nP\u0131tch=9\n[\u017fcreen]\ncx=1\n",
                       {"Settings/Bac\u212aColor=7", "Settings/P\u0131tch=9",
                        "\u017f"
                        "creen/cx=1"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The folder scan reads the name texts on its own thread while the window
// may be writing other settings.
TEST_F(SettingsStoreTest, ConcurrentReadersAndWritersSeeWholeValues) {
    Open();
    m_store.PutString(kSectionSettings, kPostPendText, "_tn");
    std::thread reader([this] {
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(m_store.GetString(kSectionSettings, kPostPendText, "?"), "_tn");
    });
    for (int i = 0; i < 200; ++i) m_store.PutInt(kSectionScreen, kScreenX, i);
    reader.join();
    EXPECT_EQ(m_store.GetInt(kSectionScreen, kScreenX, 0), 199);
}

}  // namespace

// SPDX-License-Identifier: MIT
// Rules of the main window that need no widgets: window rectangle, command
// line, recent-folder list and the link's "mailto:" rule.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/frame_rules.h"
#include "app_fixture.h"

namespace {

// ---- Window rectangle on start-up ----

struct RectCase {
    const char* name;
    WindowRect stored;
    int W, H;
    WindowRect expected;
    bool bReplaced;
};

class InitialRectTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(InitialRectTest, ChoosesStoredOrCentred) {
    const RectCase& c = GetParam();
    bool bReplaced = !c.bReplaced;
    const WindowRect rect = InitialWindowRect(c.stored, c.W, c.H, bReplaced);
    EXPECT_EQ(rect, c.expected);
    EXPECT_EQ(bReplaced, c.bReplaced);
}

// One case a line.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, InitialRectTest,
    ::testing::Values(
        RectCase{"FirstStart", {0, 0, 0, 0}, 1024, 738, {26, 18, 972, 701}, true},
        RectCase{"ZeroWidth", {10, 10, 0, 500}, 1024, 738, {26, 18, 972, 701}, true},
        RectCase{"LeftBeyondWorkArea", {1100, 10, 400, 300}, 1024, 738, {26, 18, 972, 701}, true},
        RectCase{"NegativeTop", {10, -1, 400, 300}, 1024, 738, {26, 18, 972, 701}, true},
        RectCase{"TallerThanWorkArea", {10, 10, 400, 739}, 1024, 738, {26, 18, 972, 701}, true},
        // Only each value is tested, not the right or bottom edge.
        RectCase{"RightEdgeBeyond", {900, 600, 1000, 700}, 1024, 738, {900, 600, 1000, 700}, false},
        RectCase{"CornerOnTheEdge", {1024, 738, 1024, 738}, 1024, 738, {1024, 738, 1024, 738}, false},
        RectCase{"Ordinary", {40, 30, 800, 600}, 1920, 1050, {40, 30, 800, 600}, false},
        // 20 x 0.949999988 is just below 19: a float product would round up to 19.
        RectCase{"SinglePrecisionFactor", {0, 0, 0, 0}, 20, 40, {1, 1, 18, 37}, true},
        RectCase{"FullHd", {0, 0, 0, 0}, 1920, 1080, {48, 27, 1823, 1025}, true}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---- Rectangle stored after a move or resize ----

TEST(ClampForSave, KeepsTheWindowOnTheWorkArea) {
    // Partly off the left and top edges: stored at 0.
    EXPECT_EQ(ClampForSave({-40, -5, 500, 400}, 1024, 738), (WindowRect{0, 0, 500, 400}));
    // Wider and taller than the work area: stored at the work area's size.
    EXPECT_EQ(ClampForSave({10, 20, 1300, 900}, 1024, 738), (WindowRect{10, 20, 1024, 738}));
    // Off the right edge is allowed, as on start-up.
    EXPECT_EQ(ClampForSave({900, 700, 400, 300}, 1024, 738), (WindowRect{900, 700, 400, 300}));
}

TEST(ClampForSave, SavedRectangleIsUsedUnchangedOnTheNextStart) {
    const WindowRect saved = ClampForSave({-300, 50, 5000, 5000}, 1024, 738);
    bool bReplaced = true;
    EXPECT_EQ(InitialWindowRect(saved, 1024, 738, bReplaced), saved);
    EXPECT_FALSE(bReplaced);
}

// ---- Command line ----

struct CmdCase {
    const char* name;
    std::vector<std::string> args;
    std::string folder;
    bool bSlideShow;
    bool bHelp;
    bool bVersion;
};

class CommandLineTest : public ::testing::TestWithParam<CmdCase> {};

TEST_P(CommandLineTest, Parses) {
    const CmdCase& c = GetParam();
    const CommandLineInfo info = ParseCommandLine(c.args);
    EXPECT_EQ(info.strFolder, c.folder);
    EXPECT_EQ(info.bSlideShow, c.bSlideShow);
    EXPECT_EQ(info.bHelp, c.bHelp);
    EXPECT_EQ(info.bVersion, c.bVersion);
}

// One case a line.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(
        CmdCase{"NoArguments", {}, "", false, false, false},
        CmdCase{"FolderAlone", {"/home/ann/Pics"}, "/home/ann/Pics", false, false, false},
        CmdCase{"FolderAndSlideShow", {"/home/ann/Pics", "-S"}, "/home/ann/Pics", true, false, false},
        CmdCase{"LowerCaseSwitchIgnored", {"/home/ann/Pics", "-s"}, "/home/ann/Pics", false, false, false},
        CmdCase{"SwitchBeforeFolder", {"-S", "/pics"}, "/pics", true, false, false},
        CmdCase{"SwitchAlone", {"-S"}, "", true, false, false},
        // The old program cut the folder at the first "-s" anywhere.
        CmdCase{"DashSInsideName", {"/data/pics-summer"}, "/data/pics-summer", false, false, false},
        CmdCase{"DashCapitalSInsideName", {"/data/old-Scans", "-S"}, "/data/old-Scans", true, false, false},
        CmdCase{"UnquotedBlanksJoined", {"/data/My", "Holiday"}, "/data/My Holiday", false, false, false},
        CmdCase{"QuotedFolderWithBlanks", {"\"/data/My Holiday\""}, "/data/My Holiday", false, false, false},
        CmdCase{"QuotesSplitByShell", {"\"/data/My", "Holiday\"", "-S"}, "/data/My Holiday", true, false, false},
        CmdCase{"OnlyTwoQuotesRemoved", {"\"a\"b\""}, "a b\"", false, false, false},
        CmdCase{"BlanksStripped", {"  /pics  "}, "/pics", false, false, false},
        CmdCase{"Help", {"--help"}, "", false, true, false},
        CmdCase{"ShortHelp", {"/pics", "-h"}, "/pics", false, true, false},
        CmdCase{"Version", {"/pics", "--version"}, "/pics", false, false, true},
        CmdCase{"DoubleDashEndsOptions", {"--", "-S", "--help", "-h"}, "-S --help -h", false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(CommandLine, UsageNamesTheSwitch) {
    const std::string usage = CommandLineUsage();
    EXPECT_NE(usage.find("galerio [folder] [-S]"), std::string::npos);
}

// ---- Recent-folder list ----

TEST(RecentList, MostRecentFirstWithoutDuplicatesAndTrimmed) {
    std::vector<std::string> list;
    AddRecentFolder(list, "/a", 3);
    AddRecentFolder(list, "/b", 3);
    AddRecentFolder(list, "/c", 3);
    EXPECT_EQ(list, (std::vector<std::string>{"/c", "/b", "/a"}));
    // Choosing an entry again moves it to the head instead of adding it twice.
    AddRecentFolder(list, "/a", 3);
    EXPECT_EQ(list, (std::vector<std::string>{"/a", "/c", "/b"}));
    // A fourth folder pushes the oldest out.
    AddRecentFolder(list, "/d", 3);
    EXPECT_EQ(list, (std::vector<std::string>{"/d", "/a", "/c"}));
}

TEST(RecentList, TrailingSlashAndEmptyFolder) {
    std::vector<std::string> list{"/pics"};
    AddRecentFolder(list, "/pics/", 8);
    EXPECT_EQ(list, (std::vector<std::string>{"/pics"}));
    AddRecentFolder(list, "", 8);
    EXPECT_EQ(list, (std::vector<std::string>{"/pics"}));
    AddRecentFolder(list, "/", 8);
    EXPECT_EQ(list, (std::vector<std::string>{"/", "/pics"}));
    // Letter case counts on Linux: these are two folders.
    AddRecentFolder(list, "/PICS", 8);
    EXPECT_EQ(list.size(), 3u);
}

// An entry is absolute and clean, so it opens the same folder from whatever
// working directory the program is started in later.
struct RecentFolderCase {
    const char* name;
    const char* folder;
    const char* expected;  // "$CWD" stands for the working directory
};
void PrintTo(const RecentFolderCase& c, std::ostream* os) { *os << c.name; }

class RecentFolderSpelling : public ::testing::TestWithParam<RecentFolderCase> {
protected:
    QTemporaryDir m_dir;
    CurrentDirScope m_cwd{m_dir.path().toStdString()};
};

TEST_P(RecentFolderSpelling, EntryIsTheCleanAbsoluteFolder) {
    const RecentFolderCase& c = GetParam();
    const std::string expected = QString::fromLatin1(c.expected)
                                     .replace("$CWD", QDir::current().canonicalPath())
                                     .toStdString();
    std::vector<std::string> list{"/other"};
    AddRecentFolder(list, c.folder, 8);
    EXPECT_EQ(list, (std::vector<std::string>{expected, "/other"}));
    // The clean spelling is the same entry, not a second one.
    AddRecentFolder(list, expected, 8);
    EXPECT_EQ(list.size(), 2u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, RecentFolderSpelling,
    ::testing::Values(
        RecentFolderCase{"Absolute", "/pics", "/pics"},
        RecentFolderCase{"TrailingSlash", "/pics/", "/pics"},
        RecentFolderCase{"SlashesAndDots", "/data//pics/./summer/", "/data/pics/summer"},
        RecentFolderCase{"Parent", "/data/pics/../scans", "/data/scans"},
        RecentFolderCase{"Root", "/", "/"},
        RecentFolderCase{"Dot", ".", "$CWD"},
        RecentFolderCase{"Relative", "pics", "$CWD/pics"},
        RecentFolderCase{"RelativeWithParent", "pics/../scans/", "$CWD/scans"},
        RecentFolderCase{"LooksLikeAnOption", "-reverse", "$CWD/-reverse"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(RecentList, CountClampedToOneToSixteen) {
    EXPECT_EQ(ClampRecentCount(8), 8);
    EXPECT_EQ(ClampRecentCount(0), 1);
    EXPECT_EQ(ClampRecentCount(-3), 1);
    EXPECT_EQ(ClampRecentCount(16), 16);
    EXPECT_EQ(ClampRecentCount(40), 16);
}

TEST(RecentList, MenuCaptions) {
    EXPECT_EQ(RecentMenuCaption(0, "/pics"), "&1 /pics");
    EXPECT_EQ(RecentMenuCaption(8, "/x"), "&9 /x");
    EXPECT_EQ(RecentMenuCaption(9, "/x"), "1&0 /x");
    EXPECT_EQ(RecentMenuCaption(15, "/x"), "16 /x");
    // An ampersand in a folder name is shown, not taken as a mnemonic.
    EXPECT_EQ(RecentMenuCaption(1, "/Tom & Jerry"), "&2 /Tom && Jerry");
}

// ---- "mailto:" rule ----

struct MailCase {
    const char* name;
    const char* link;
    const char* expected;
};

class MailtoTest : public ::testing::TestWithParam<MailCase> {};

TEST_P(MailtoTest, PrefixesContactAddressOnly) {
    EXPECT_EQ(ApplyMailtoRule(GetParam().link, "galerio"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MailtoTest,
    ::testing::Values(
        MailCase{"Address", "galerio@example.org", "mailto:galerio@example.org"},
        MailCase{"AlreadyPrefixed", "mailto:galerio@example.org", "mailto:galerio@example.org"},
        MailCase{"WebPage", "https://galerio.example.org/", "https://galerio.example.org/"},
        MailCase{"OtherUser", "someone@example.org", "someone@example.org"},
        MailCase{"UserWithoutAt", "galerio.example.org", "galerio.example.org"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

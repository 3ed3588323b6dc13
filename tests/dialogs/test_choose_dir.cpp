// SPDX-License-Identifier: MIT
// The directory chooser's OK checks, each rule as a table, and the dialog
// itself driven offscreen.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/choose_dir.h"
#include "platform/paths.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A work folder holding "one/two", the oddly named "a:b\c" and a file
// "photo.jpg"; "@" in a case stands for the work folder.
class ChooseDirBase : public ::testing::Test {
protected:
    void SetUp() override {
        m_strWork = AbsoluteFolder(m_config.WorkDir());
        QDir work(ToDisplay(m_strWork));
        ASSERT_TRUE(work.mkpath(QStringLiteral("one/two")));
        ASSERT_TRUE(work.mkpath(QStringLiteral("a:b\\c")));
        QFile file(work.filePath(QStringLiteral("photo.jpg")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    std::string At(const std::string& text) const {
        std::string out;
        for (char c : text) out += c == '@' ? m_strWork : std::string(1, c);
        return out;
    }

    TempConfig m_config;
    MessageRecorder m_recorder;
    std::string m_strWork;
};

template <class T>
class ChooseDirTable : public ChooseDirBase, public ::testing::WithParamInterface<T> {};

// --- Refused characters ------------------------------------------------------

using InvalidCharTable = ChooseDirTable<char>;

TEST_P(InvalidCharTable, RefusesThePathWithoutCreatingIt) {
    const std::string typed = At("@/new") + GetParam() + "name";
    std::string result = "unchanged";
    EXPECT_EQ(CheckChosenDirectory(typed, m_strWork, result), ChooseDirOutcome::Stay);
    EXPECT_EQ(result, "unchanged");
    const std::vector<MessageRequest> boxes = m_recorder.Messages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ToDisplay(typed) + " is not a valid pathname.");
    EXPECT_EQ(boxes[0].caption, "Galerio");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);
    EXPECT_FALSE(QFileInfo::exists(ToDisplay(typed)));
}

INSTANTIATE_TEST_SUITE_P(Characters, InvalidCharTable,
                         ::testing::Values('*', '?', '|', '<', '>', '"'));

// --- Existing folders are accepted without a question ------------------------

struct ExistingCase {
    const char* typed;
    const char* listFolder;
    const char* expected;
};

void PrintTo(const ExistingCase& c, std::ostream* os) { *os << '"' << c.typed << '"'; }

using ExistingFolderTable = ChooseDirTable<ExistingCase>;

TEST_P(ExistingFolderTable, AcceptsSilently) {
    const ExistingCase& c = GetParam();
    std::string result;
    EXPECT_EQ(CheckChosenDirectory(At(c.typed), At(c.listFolder), result),
              ChooseDirOutcome::Accept);
    EXPECT_EQ(result, At(c.expected));
    EXPECT_EQ(m_recorder.Count(), 0u) << m_recorder.Texts().join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExistingFolderTable,
    ::testing::Values(ExistingCase{"@/one/two", "/", "@/one/two"},   // slashes allowed
                      ExistingCase{"@/a:b\\c", "/", "@/a:b\\c"},     // colon, backslash
                      ExistingCase{"/", "@", "/"},                   // root stays "/"
                      ExistingCase{"@/one/two/", "@", "@/one/two"},  // trailing "/" dropped
                      ExistingCase{"@/one//", "@", "@/one"},
                      ExistingCase{"two", "@/one", "@/one/two"},  // from the list's folder
                      ExistingCase{"one/two/", "@/", "@/one/two"}));

// --- Missing folders: the question, creation and its failure -----------------

struct MissingCase {
    const char* typed;
    MsgResult answer;
    const char* created;  // the folder made and returned, or "" when the dialog stays
    bool bFailureBox;
};

void PrintTo(const MissingCase& c, std::ostream* os) {
    *os << '"' << c.typed << (c.answer == MsgResult::Yes ? "\" Yes" : "\" No");
}

using MissingFolderTable = ChooseDirTable<MissingCase>;

TEST_P(MissingFolderTable, AsksAndCreatesOneLevel) {
    const MissingCase& c = GetParam();
    m_recorder.QueueAnswer(c.answer);
    std::string result = "unchanged";
    const ChooseDirOutcome outcome = CheckChosenDirectory(At(c.typed), m_strWork, result);
    EXPECT_EQ(outcome, *c.created ? ChooseDirOutcome::Accept : ChooseDirOutcome::Stay);
    EXPECT_EQ(result, *c.created ? At(c.created) : "unchanged");
    EXPECT_EQ(IsDirectory(At(c.created)), *c.created != 0);
    if (*c.typed == '@') {
        EXPECT_EQ(IsDirectory(At(c.typed)), *c.created != 0);
    }

    const QString typed = ToDisplay(At(c.typed));
    const std::vector<MessageRequest> boxes = m_recorder.Messages();
    ASSERT_EQ(boxes.size(), c.bFailureBox ? 2u : 1u);
    EXPECT_EQ(boxes[0].text, "Directory " + typed + " does not exist.\nCreate this directory?");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::YesNo);
    if (c.bFailureBox) {
        EXPECT_EQ(boxes[1].text, "There was a problem creating " + typed +
                                     ".\nThe new directory was not created.");
        EXPECT_EQ(boxes[1].icon, MsgIcon::Information);
        EXPECT_EQ(boxes[1].buttons, MsgButtons::Ok);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MissingFolderTable,
                         ::testing::Values(MissingCase{"@/new", MsgResult::Yes, "@/new", false},
                                           MissingCase{"@/new/", MsgResult::Yes, "@/new", false},
                                           MissingCase{"fresh", MsgResult::Yes, "@/fresh", false},
                                           MissingCase{"@/1%s", MsgResult::Yes, "@/1%s", false},
                                           MissingCase{"@/new", MsgResult::No, "", false},
                                           MissingCase{"@/no/new", MsgResult::Yes, "", true},
                                           MissingCase{"@/photo.jpg", MsgResult::Yes, "", true},
                                           MissingCase{"", MsgResult::Yes, "", true},
                                           MissingCase{"", MsgResult::No, "", false}));

// --- Starting places ----------------------------------------------------------

TEST_F(ChooseDirBase, StartingPlacesBeginAtTheRootAndHomeWithoutRepeats) {
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(m_strWork + "/one/"));
    const std::vector<std::string> places = StartingPlaces();
    qputenv("HOME", oldHome);
    ASSERT_GE(places.size(), 2u);
    EXPECT_EQ(places[0], "/");
    EXPECT_EQ(places[1], At("@/one"));
    for (const std::string& place : places) {
        EXPECT_EQ(std::count(places.begin(), places.end(), place), 1) << place;
        EXPECT_NE(place.rfind("/proc", 0), 0u) << place;
        EXPECT_NE(place.rfind("/sys", 0), 0u) << place;
    }
}

// --- The dialog --------------------------------------------------------------

TEST_F(ChooseDirBase, ListsTheChainAndSubfoldersAndAcceptsAClickedFolder) {
    CChooseDir dialog(nullptr, At("@/"));
    EXPECT_EQ(dialog.windowTitle(), "Choose Directory");
    EXPECT_EQ(dialog.PathEdit()->text(), ToDisplay(m_strWork));

    QStringList expected{QStringLiteral("/")};
    expected += ToDisplay(m_strWork).split('/', Qt::SkipEmptyParts);
    const int nChain = static_cast<int>(expected.size());
    expected << QStringLiteral("a:b\\c") << QStringLiteral("one");  // no file, sorted
    QStringList shown;
    for (int i = 0; i < dialog.DirList()->count(); ++i) shown << dialog.DirList()->item(i)->text();
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(dialog.DirList()->currentRow(), nChain - 1);

    dialog.show();
    QListWidget* pList = dialog.DirList();
    QListWidgetItem* pOne = pList->item(nChain + 1);
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, pList->visualItemRect(pOne).center());
    EXPECT_EQ(dialog.OpenFolder(), At("@/one"));
    EXPECT_EQ(dialog.PathEdit()->text(), ToDisplay(At("@/one")));
    ASSERT_EQ(pList->count(), nChain + 2);
    EXPECT_EQ(pList->item(nChain)->text(), "one");
    EXPECT_EQ(pList->item(nChain + 1)->text(), "two");

    // Enter opens the selected entry rather than pressing OK.
    pList->setCurrentRow(nChain + 1);
    pList->setFocus();
    QTest::keyClick(pList, Qt::Key_Return);
    EXPECT_EQ(dialog.OpenFolder(), At("@/one/two"));
    EXPECT_TRUE(dialog.isVisible());

    QPushButton* pOk = nullptr;
    for (QPushButton* pButton : dialog.findChildren<QPushButton*>())
        if (pButton->text() == "OK") pOk = pButton;
    ASSERT_NE(pOk, nullptr);
    QTest::mouseClick(pOk, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenFolder(), At("@/one/two"));
    EXPECT_EQ(m_recorder.Count(), 0u);
}

TEST_F(ChooseDirBase, OkWithARefusedPathKeepsTheDialogOpen) {
    CChooseDir dialog(nullptr, m_strWork);
    dialog.show();
    dialog.PathEdit()->setText(QStringLiteral("pics*"));
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.PathEdit()->text(), "pics*");
    EXPECT_EQ(m_recorder.Texts(), QStringList{"pics* is not a valid pathname."});
    EXPECT_TRUE(dialog.ChosenFolder().empty());
}

}  // namespace

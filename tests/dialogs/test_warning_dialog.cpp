// SPDX-License-Identifier: MIT
// The "Warning!" question behind AskWarning.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "dialogs/warning_dialog.h"
#include "platform/warning_question.h"

namespace {

struct WarningCase {
    const char* name;
    bool bTick;
    bool bYes;
    bool bDontShowAfter;
};

void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.name; }

class WarningDialogTable : public ::testing::TestWithParam<WarningCase> {};

// The box is read back only when the user says Yes.
TEST_P(WarningDialogTable, AnswersWithTheBoxOnlyOnYes) {
    const WarningCase& c = GetParam();
    InstallWarningDialog();
    QTimer::singleShot(0, [&c] {
        auto* pDlg = qobject_cast<WarningDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(pDlg, nullptr);
        EXPECT_EQ(pDlg->windowTitle(), "Warning!");
        EXPECT_EQ(pDlg->findChild<QGroupBox*>()->title(), "Question");
        EXPECT_EQ(pDlg->findChild<QLabel*>()->text(), "Delete <b>it</b>?\n\nSure?");
        EXPECT_EQ(pDlg->findChild<QLabel*>()->textFormat(), Qt::PlainText);
        EXPECT_EQ(pDlg->DontShowBox()->text(), "Dont' show this warning in the future.");
        pDlg->DontShowBox()->setChecked(c.bTick);
        for (QPushButton* pButton : pDlg->findChildren<QPushButton*>()) {
            if (pButton->text() == "Yes") EXPECT_TRUE(pButton->isDefault());
            if (pButton->text() == (c.bYes ? "Yes" : "No")) pButton->click();
        }
    });
    const WarningAnswer answer = AskWarning(QStringLiteral("Delete <b>it</b>?\n\nSure?"));
    EXPECT_EQ(answer.bYes, c.bYes);
    EXPECT_EQ(answer.bDontShowAgain, c.bDontShowAfter);
    SetWarningHandler({});
}

INSTANTIATE_TEST_SUITE_P(Answers, WarningDialogTable,
                         ::testing::Values(WarningCase{"Yes", false, true, false},
                                           WarningCase{"YesTicked", true, true, true},
                                           WarningCase{"NoTicked", true, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WarningQuestion, WithoutAHandlerNothingIsDeleted) {
    SetWarningHandler({});
    EXPECT_FALSE(AskWarning(QStringLiteral("Delete?")).bYes);
}

}  // namespace

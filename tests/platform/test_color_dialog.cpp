// SPDX-License-Identifier: MIT
// The colour dialog behind ChooseColor: the real one driven offscreen, and a
// scripted handler in its place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QTimer>

#include "platform/color_dialog.h"

namespace {

struct DialogCase {
    const char* name;
    std::optional<int> initial;
    std::optional<QColor> chosen;  // nothing: the user cancels
    std::optional<int> expected;
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }

class RealColorDialog : public ::testing::TestWithParam<DialogCase> {};

// Colours come back as 0x00BBGGRR: red in the low byte.
TEST_P(RealColorDialog, ReturnsTheChosenColourOrNothing) {
    const DialogCase& c = GetParam();
    SetColorDialogHandler({});
    QColor shown;
    QTimer::singleShot(0, [&] {
        auto* pDlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(pDlg, nullptr);
        shown = pDlg->currentColor();
        if (!c.chosen) {
            pDlg->reject();
            return;
        }
        pDlg->setCurrentColor(*c.chosen);
        pDlg->accept();
    });
    EXPECT_EQ(ChooseColor(nullptr, c.initial), c.expected);
    if (c.initial) {
        EXPECT_EQ(shown, QColor(*c.initial & 0xFF, (*c.initial >> 8) & 0xFF, *c.initial >> 16));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RealColorDialog,
    ::testing::Values(DialogCase{"Red", std::nullopt, QColor(255, 0, 0), 0x0000FF},
                      DialogCase{"Mixed", std::nullopt, QColor(0x12, 0x34, 0x56), 0x563412},
                      DialogCase{"OpensAtTheInitialColour", 0x80FF00, QColor(0, 0, 255), 0xFF0000},
                      DialogCase{"Cancelled", 0x123456, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColorDialogHandler, ReplacesTheDialogUntilRestored) {
    QWidget owner;
    QWidget* pSeenOwner = nullptr;
    std::optional<int> seenInitial;
    const ColorDialogHandler previous =
        SetColorDialogHandler([&](QWidget* pOwner, std::optional<int> initial) {
            pSeenOwner = pOwner;
            seenInitial = initial;
            return std::optional<int>(0x010203);
        });
    EXPECT_EQ(ChooseColor(&owner, 0x0A0B0C), 0x010203);
    EXPECT_EQ(pSeenOwner, &owner);
    EXPECT_EQ(seenInitial, 0x0A0B0C);
    // Handing back the previous handler hands back the real dialog.
    SetColorDialogHandler(previous);
    QTimer::singleShot(0, [] {
        auto* pDlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(pDlg, nullptr);
        pDlg->reject();
    });
    EXPECT_EQ(ChooseColor(nullptr), std::nullopt);
}

}  // namespace

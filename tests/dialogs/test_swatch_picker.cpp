// SPDX-License-Identifier: MIT
// The colour picker driven offscreen: the popup's swatches, "Other...", its
// place on the screen and the mouse it holds, and the button's drawing read
// back pixel by pixel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "dialogs/swatch_button.h"
#include "dialogs/swatch_palette.h"
#include "dialogs/swatch_popup.h"
#include "platform/color_dialog.h"
#include "platform/color_ref.h"

namespace {

// The offscreen platform has no pointer or keyboard to grab and says so at
// every grab; Qt still sends both to the grabbing widget, which is what counts.
const QtMessageHandler g_prevMessageHandler = qInstallMessageHandler(
    [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text == QLatin1String("This plugin does not support grabbing the mouse") ||
            text == QLatin1String("This plugin does not support grabbing the keyboard")) {
            return;
        }
        if (g_prevMessageHandler) g_prevMessageHandler(type, context, text);
    });

// --- Placement ---------------------------------------------------------------

struct PlaceCase {
    const char* name;
    QRect rcButton;
    QRect rcScreen;
    QPoint expected;  // the popup's top-left corner; the popup is 80 x 120
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class PlaceTable : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceTable, OpensUnderTheButtonUnlessAnEdgeIsInTheWay) {
    const PlaceCase& c = GetParam();
    const QRect rc = PlaceSwatchPopup(c.rcButton, QSize(80, 120), c.rcScreen);
    EXPECT_EQ(rc.topLeft(), c.expected);
    EXPECT_EQ(rc.size(), QSize(80, 120));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, PlaceTable,
    ::testing::Values(
        PlaceCase{"Under", {100, 200, 60, 23}, {0, 0, 800, 600}, {100, 223}},
        // 223 + 120 = 343 just fits, 224 + 120 does not.
        PlaceCase{"BottomJustFits", {100, 200, 60, 23}, {0, 0, 800, 343}, {100, 223}},
        PlaceCase{"BottomOnePixelShort", {100, 201, 60, 23}, {0, 0, 800, 343}, {100, 81}},
        PlaceCase{"NearBottomGoesAbove", {100, 560, 60, 23}, {0, 0, 800, 600}, {100, 440}},
        PlaceCase{"RightJustFits", {720, 200, 60, 23}, {0, 0, 800, 600}, {720, 223}},
        PlaceCase{"NearRightShiftsLeft", {750, 200, 40, 23}, {0, 0, 800, 600}, {720, 223}},
        PlaceCase{"BottomRightCorner", {770, 580, 30, 20}, {0, 0, 800, 600}, {720, 460}},
        // A work area below a top panel and left of a side panel.
        PlaceCase{"WorkAreaOffset", {700, 650, 60, 23}, {0, 32, 760, 700}, {680, 530}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The picker in a window --------------------------------------------------

class SwatchPickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPalette();
        m_prevArea = SetSwatchScreenArea([this] { return m_rcScreen; });
        m_prevDialog = SetColorDialogHandler([this](QWidget* pOwner, std::optional<int> initial) {
            m_dialogCalls.push_back(
                {pOwner, initial, m_pOpenPopup ? m_pOpenPopup->IsCaptured() : true});
            std::optional<int> answer;
            if (!m_answers.empty()) {
                answer = m_answers.front();
                m_answers.pop_front();
            }
            return answer;
        });
        m_host.setGeometry(100, 100, 300, 200);
        m_pButton = new CSwatchButton(&m_host);
        m_pButton->setGeometry(20, 30, 60, 23);
        m_host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_host));
    }

    void TearDown() override {
        SetSwatchScreenArea(m_prevArea);
        SetColorDialogHandler(m_prevDialog);
        ResetPalette();
    }

    // Clicks the button and runs act on the popup once it is open. A popup
    // that act leaves open is cancelled, so a failing test cannot hang.
    void WithPopup(CSwatchButton* pButton, const std::function<void(CSwatchPopup*)>& act) {
        bool bRan = false;
        QTimer::singleShot(0, [&] {
            auto* pPopup = qobject_cast<CSwatchPopup*>(QApplication::activeModalWidget());
            bRan = true;
            if (!pPopup) {
                ADD_FAILURE() << "no popup";
                return;
            }
            m_pOpenPopup = pPopup;
            // Keys reach the popup once the application has made it active.
            EXPECT_TRUE(
                QTest::qWaitFor([pPopup] { return QApplication::activeWindow() == pPopup; }));
            act(pPopup);
            if (pPopup->isVisible()) {
                ADD_FAILURE() << "popup left open";
                pPopup->reject();
            }
            m_pOpenPopup = nullptr;
        });
        pButton->click();
        EXPECT_TRUE(bRan);
    }

    // A press and release at a point of the popup, given in its own
    // coordinates, as the window system delivers them.
    static void ClickAt(CSwatchPopup* pPopup, QPoint pt) {
        QTest::mousePress(pPopup->windowHandle(), Qt::LeftButton, {}, pt);
        QTest::mouseRelease(pPopup->windowHandle(), Qt::LeftButton, {}, pt);
    }

    static QPoint CentreOf(QWidget* pChild) { return pChild->geometry().center(); }

    static QRgb PixelOf(QWidget* pWidget, QPoint pt) {
        QImage image(pWidget->size(), QImage::Format_RGB32);
        image.setDevicePixelRatio(1);
        pWidget->render(&image);
        return image.pixel(pt);
    }

    struct DialogCall {
        QWidget* pOwner;
        std::optional<int> initial;
        bool bCaptured;  // whether the popup still held the mouse
    };

    QRect m_rcScreen{0, 0, 1024, 768};
    std::deque<std::optional<int>> m_answers;
    std::vector<DialogCall> m_dialogCalls;
    CSwatchPopup* m_pOpenPopup = nullptr;
    QWidget m_host;
    CSwatchButton* m_pButton = nullptr;
    ScreenAreaSource m_prevArea;
    ColorDialogHandler m_prevDialog;
};

TEST_F(SwatchPickerTest, StartsWhiteAndReportsOnlyRealChanges) {
    EXPECT_EQ(m_pButton->Color(), 0xFFFFFF);
    std::vector<int> changes;
    QObject::connect(m_pButton, &CSwatchButton::ColorChanged,
                     [&](int cr) { changes.push_back(cr); });
    m_pButton->SetColor(0x123456);
    m_pButton->SetColor(0x123456);
    EXPECT_EQ(m_pButton->Color(), 0x123456);
    EXPECT_EQ(changes, std::vector<int>{0x123456});
}

TEST_F(SwatchPickerTest, PopupShowsThePaletteInFourColumnsAndFiveRows) {
    g_palette[6] = 0x3070B0;
    WithPopup(m_pButton, [](CSwatchPopup* pPopup) {
        for (int k = 0; k < kPaletteSize; ++k) {
            SCOPED_TRACE(k);
            CSwatch* pSwatch = pPopup->Swatch(k);
            EXPECT_EQ(pSwatch->objectName(), QString::number(5101 + k));
            EXPECT_EQ(pSwatch->x(), pPopup->Swatch(k % 4)->x());
            EXPECT_EQ(pSwatch->y(), pPopup->Swatch(k - k % 4)->y());
            if (k % 4 > 0) {
                EXPECT_GT(pSwatch->x(), pPopup->Swatch(k - 1)->geometry().right());
            }
            if (k >= 4) {
                EXPECT_GT(pSwatch->y(), pPopup->Swatch(k - 4)->geometry().bottom());
            }
            // The whole swatch, corners included, is its slot's colour.
            const QRgb expected = ColorFromRef(g_palette[k]).rgb();
            EXPECT_EQ(PixelOf(pSwatch, {0, 0}), expected);
            EXPECT_EQ(PixelOf(pSwatch, {pSwatch->width() - 1, pSwatch->height() - 1}), expected);
        }
        QPushButton* pOther = pPopup->OtherButton();
        EXPECT_EQ(pOther->text(), "Other...");
        EXPECT_EQ(pOther->objectName(), "5121");
        EXPECT_GT(pOther->y(), pPopup->Swatch(19)->geometry().bottom());
        EXPECT_TRUE(pPopup->IsCaptured());
        EXPECT_EQ(QWidget::mouseGrabber(), pPopup);
        pPopup->reject();
    });
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

// The window system reports clicks on the swatches to the popup, which holds
// the mouse; it hands them on to the swatch under the pointer.
TEST_F(SwatchPickerTest, ClickedSwatchBecomesTheColourAndMovesToTheFront) {
    std::vector<int> changes;
    QObject::connect(m_pButton, &CSwatchButton::ColorChanged,
                     [&](int cr) { changes.push_back(cr); });
    WithPopup(m_pButton,
              [](CSwatchPopup* pPopup) { ClickAt(pPopup, CentreOf(pPopup->Swatch(3))); });
    EXPECT_EQ(m_pButton->Color(), 0x008080);
    EXPECT_EQ(changes, std::vector<int>{0x008080});
    EXPECT_EQ(g_paletteRank[3], 1);
    EXPECT_EQ(g_paletteRank[0], 2);
    EXPECT_EQ(g_paletteRank[10], 20);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(SwatchPickerTest, PressOnASwatchReleasedElsewhereChoosesNothing) {
    m_pButton->SetColor(0x0000FF);
    WithPopup(m_pButton, [](CSwatchPopup* pPopup) {
        QTest::mousePress(pPopup->windowHandle(), Qt::LeftButton, {}, CentreOf(pPopup->Swatch(5)));
        EXPECT_TRUE(pPopup->Swatch(5)->isDown());
        QTest::mouseRelease(pPopup->windowHandle(), Qt::LeftButton, {},
                            CentreOf(pPopup->Swatch(6)));
        EXPECT_TRUE(pPopup->isVisible());
        EXPECT_FALSE(pPopup->Swatch(5)->isDown());
        QTest::keyClick(pPopup, Qt::Key_Escape);
    });
    EXPECT_EQ(m_pButton->Color(), 0x0000FF);
    EXPECT_EQ(g_paletteRank[5], 11);
}

struct OutsideCase {
    const char* name;
    int dx, dy;  // from the popup's top-left corner, in its coordinates
};

void PrintTo(const OutsideCase& c, std::ostream* os) { *os << c.name; }

class OutsideTable : public SwatchPickerTest, public ::testing::WithParamInterface<OutsideCase> {};

TEST_P(OutsideTable, PressOutsideCancelsWithoutChangingAnything) {
    const OutsideCase& c = GetParam();
    m_pButton->SetColor(0x00FF00);
    const auto palette = g_palette;
    const auto ranks = g_paletteRank;
    WithPopup(m_pButton, [&](CSwatchPopup* pPopup) {
        const QPoint pt(c.dx < 0 ? c.dx : pPopup->width() + c.dx,
                        c.dy < 0 ? c.dy : pPopup->height() + c.dy);
        QTest::mousePress(pPopup->windowHandle(), Qt::LeftButton, {}, pt);
        EXPECT_FALSE(pPopup->isVisible());
        EXPECT_EQ(pPopup->result(), QDialog::Rejected);
    });
    EXPECT_EQ(m_pButton->Color(), 0x00FF00);
    EXPECT_EQ(g_palette, palette);
    EXPECT_EQ(g_paletteRank, ranks);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

// dx, dy >= 0 count from the right and bottom edges (exclusive).
INSTANTIATE_TEST_SUITE_P(Sides, OutsideTable,
                         ::testing::Values(OutsideCase{"AboveLeft", -1, -1},
                                           OutsideCase{"OnTheButton", -30, -10},
                                           OutsideCase{"JustRight", 0, -40},
                                           OutsideCase{"JustBelow", -40, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// A press on the frame does nothing; released over a swatch, it presses
// the swatch, and the swatch's own release then chooses it.
TEST_F(SwatchPickerTest, PressOnThePopupsFrameKeepsItOpen) {
    WithPopup(m_pButton, [](CSwatchPopup* pPopup) {
        QWindow* pWindow = pPopup->windowHandle();
        ClickAt(pPopup, {1, 1});
        EXPECT_TRUE(pPopup->isVisible());
        EXPECT_TRUE(pPopup->IsCaptured());
        QTest::mousePress(pWindow, Qt::LeftButton, {}, {1, 1});
        QTest::mouseRelease(pWindow, Qt::LeftButton, {}, CentreOf(pPopup->Swatch(4)));
        EXPECT_TRUE(pPopup->isVisible());
        EXPECT_TRUE(pPopup->Swatch(4)->isDown());
        ClickAt(pPopup, CentreOf(pPopup->Swatch(4)));
    });
    EXPECT_EQ(m_pButton->Color(), 0x800000);
}

// Keys, as the window system delivers them, go to the popup, which holds
// the keyboard.
TEST_F(SwatchPickerTest, EscapeCancels) {
    WithPopup(m_pButton, [](CSwatchPopup* pPopup) {
        EXPECT_EQ(QWidget::keyboardGrabber(), pPopup);
        QTest::keyClick(pPopup->windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(pPopup->isVisible());
    });
    EXPECT_EQ(m_pButton->Color(), 0xFFFFFF);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

struct KeyCase {
    const char* name;
    int nFocus;  // the swatch given the focus first, or -1 for none
    std::vector<Qt::Key> keys;
    int crExpected;  // 0xFFFFFF: nothing chosen
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class KeyTable : public SwatchPickerTest, public ::testing::WithParamInterface<KeyCase> {};

// The popup opens with the focus on the first swatch, shown only once the
// keyboard moves it; Tab reaches the swatches and "Other...", and Space or
// Enter presses the one with the focus.
TEST_P(KeyTable, KeysPressTheControlWithTheFocus) {
    const KeyCase& c = GetParam();
    m_answers = {0x0A0B0C};
    WithPopup(m_pButton, [&](CSwatchPopup* pPopup) {
        if (c.nFocus >= 0) pPopup->Swatch(c.nFocus)->setFocus(Qt::OtherFocusReason);
        for (Qt::Key key : c.keys) {
            if (!pPopup->isVisible()) break;
            QTest::keyClick(pPopup->windowHandle(), key);
        }
        if (pPopup->isVisible()) QTest::keyClick(pPopup->windowHandle(), Qt::Key_Escape);
    });
    EXPECT_EQ(m_pButton->Color(), c.crExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTable,
    ::testing::Values(KeyCase{"SpaceAtOpeningChoosesSlot0", -1, {Qt::Key_Space}, 0x000000},
                      KeyCase{"TabReachesSlot1", -1, {Qt::Key_Tab, Qt::Key_Return}, 0x000080},
                      KeyCase{"EscapeAfterTab", -1, {Qt::Key_Tab, Qt::Key_Escape}, 0xFFFFFF},
                      KeyCase{"SpaceOnSlot12", 12, {Qt::Key_Space}, 0x808080},
                      KeyCase{"TabThenEnter", 12, {Qt::Key_Tab, Qt::Key_Enter}, 0x0000FF},
                      KeyCase{"BacktabThenSpace", 12, {Qt::Key_Backtab, Qt::Key_Space}, 0xA4A0A0},
                      KeyCase{"TabToOtherThenEnter",
                              12,
                              {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab,
                               Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return},
                              0x0A0B0C},
                      KeyCase{"LetterChoosesNothing", 12, {Qt::Key_A}, 0xFFFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

// A dotted frame in black or white, whichever shows on the swatch's colour.
TEST_F(SwatchPickerTest, SwatchReachedByTabShowsAFocusFrame) {
    WithPopup(m_pButton, [](CSwatchPopup* pPopup) {
        CSwatch* pDark = pPopup->Swatch(1);
        CSwatch* pWhite = pPopup->Swatch(19);
        EXPECT_EQ(PixelOf(pPopup->Swatch(0), {1, 1}), qRgb(0, 0, 0));
        EXPECT_EQ(PixelOf(pDark, {1, 1}), qRgb(128, 0, 0));
        QTest::keyClick(pPopup->windowHandle(), Qt::Key_Tab);
        ASSERT_TRUE(pDark->hasFocus());
        EXPECT_EQ(PixelOf(pDark, {1, 1}), qRgb(255, 255, 255));
        pWhite->setFocus(Qt::BacktabFocusReason);
        EXPECT_EQ(PixelOf(pDark, {1, 1}), qRgb(128, 0, 0));
        EXPECT_EQ(PixelOf(pWhite, {1, 1}), qRgb(0, 0, 0));
        // Given by the mouse, the focus shows no frame.
        pDark->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(PixelOf(pDark, {1, 1}), qRgb(128, 0, 0));
        pPopup->reject();
    });
}

// --- "Other..." --------------------------------------------------------------

struct OtherCase {
    const char* name;
    std::vector<std::optional<int>> answers;  // one per click of "Other..."
    int nSlot;                                // the slot chosen at the end
    int crSlot10, crSlot9;                    // the two least recent slots afterwards
};

void PrintTo(const OtherCase& c, std::ostream* os) { *os << c.name; }

class OtherTable : public SwatchPickerTest, public ::testing::WithParamInterface<OtherCase> {};

TEST_P(OtherTable, ChosenColourTakesItsSlotOrTheLeastRecentOne) {
    const OtherCase& c = GetParam();
    const auto before = g_palette;
    for (const auto& answer : c.answers) m_answers.push_back(answer);
    std::vector<int> colours;
    // Each answer but a cancel ends one popup.
    for (const auto& answer : c.answers) {
        if (!answer) continue;
        WithPopup(m_pButton, [&](CSwatchPopup* pPopup) {
            for (size_t i = 0; i < c.answers.size() && pPopup->isVisible(); ++i) {
                ClickAt(pPopup, CentreOf(pPopup->OtherButton()));
                if (pPopup->isVisible()) {
                    EXPECT_TRUE(pPopup->IsCaptured());
                }
            }
        });
        colours.push_back(m_pButton->Color());
    }
    ASSERT_FALSE(colours.empty());
    EXPECT_EQ(m_pButton->Color(), g_palette[c.nSlot]);
    EXPECT_EQ(g_paletteRank[c.nSlot], 1);
    EXPECT_EQ(g_palette[10], c.crSlot10);
    EXPECT_EQ(g_palette[9], c.crSlot9);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(g_palette[k], before[k]) << k;
    for (int k = 11; k < kPaletteSize; ++k) EXPECT_EQ(g_palette[k], before[k]) << k;
    // The full dialog opens without an owner and without a colour, while
    // the popup has let go of the mouse.
    ASSERT_EQ(m_dialogCalls.size(), c.answers.size());
    for (const DialogCall& call : m_dialogCalls) {
        EXPECT_EQ(call.pOwner, nullptr);
        EXPECT_FALSE(call.initial.has_value());
        EXPECT_FALSE(call.bCaptured);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OtherTable,
    ::testing::Values(
        OtherCase{"InThePalette", {0x808000}, 6, 0xF0FBFF, 0xF0CAA6},
        OtherCase{"NewReplacesSlot10", {0x123456}, 10, 0x123456, 0xF0CAA6},
        OtherCase{"SecondNewReplacesSlot9", {0x123456, 0x654321}, 9, 0x123456, 0x654321},
        OtherCase{"NewThenAgainKeepsSlot10", {0x123456, 0x123456}, 10, 0x123456, 0xF0CAA6},
        OtherCase{"CancelReturnsToThePopup", {std::nullopt, 0x0A0B0C}, 10, 0x0A0B0C, 0xF0CAA6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SwatchPickerTest, CancelledDialogLeavesThePopupOpenAndHoldingTheMouse) {
    m_answers = {std::nullopt};
    WithPopup(m_pButton, [](CSwatchPopup* pPopup) {
        ClickAt(pPopup, CentreOf(pPopup->OtherButton()));
        EXPECT_TRUE(pPopup->isVisible());
        EXPECT_TRUE(pPopup->IsCaptured());
        EXPECT_EQ(QWidget::mouseGrabber(), pPopup);
        // Still the popup: a press outside now cancels it.
        QTest::mousePress(pPopup->windowHandle(), Qt::LeftButton, {}, {-5, -5});
        EXPECT_FALSE(pPopup->isVisible());
    });
    EXPECT_EQ(m_dialogCalls.size(), 1u);
    EXPECT_EQ(m_pButton->Color(), 0xFFFFFF);
}

// A colour added through one picker is in the other's popup.
TEST_F(SwatchPickerTest, TwoPickersShareThePalette) {
    auto* pSecond = new CSwatchButton(&m_host);
    pSecond->setGeometry(120, 30, 60, 23);
    pSecond->show();
    m_answers = {0x2468AC};
    WithPopup(m_pButton,
              [](CSwatchPopup* pPopup) { ClickAt(pPopup, CentreOf(pPopup->OtherButton())); });
    EXPECT_EQ(m_pButton->Color(), 0x2468AC);
    WithPopup(pSecond, [](CSwatchPopup* pPopup) {
        CSwatch* pSwatch = pPopup->Swatch(10);
        EXPECT_EQ(PixelOf(pSwatch, CentreOf(pSwatch) - pSwatch->pos()),
                  ColorFromRef(0x2468AC).rgb());
        ClickAt(pPopup, CentreOf(pSwatch));
    });
    EXPECT_EQ(pSecond->Color(), 0x2468AC);
    // The next new colour goes to slot 9, whichever picker adds it.
    m_answers = {0x13579B};
    WithPopup(pSecond,
              [](CSwatchPopup* pPopup) { ClickAt(pPopup, CentreOf(pPopup->OtherButton())); });
    EXPECT_EQ(g_palette[9], 0x13579B);
}

// --- Placement on the screen -------------------------------------------------

TEST_F(SwatchPickerTest, PopupOpensUnderTheButton) {
    WithPopup(m_pButton, [this](CSwatchPopup* pPopup) {
        EXPECT_EQ(pPopup->geometry().topLeft(), m_pButton->mapToGlobal(QPoint(0, 23)));
        pPopup->reject();
    });
}

TEST_F(SwatchPickerTest, PopupNearTheBottomRightOpensAboveAndShiftedLeft) {
    // The button's bottom edge at 60 + 153 = 213, its right edge at 80 + 120 = 200.
    m_host.move(120, 160);
    m_pButton->move(60, 30);
    const QPoint buttonTop = m_pButton->mapToGlobal(QPoint(0, 0));
    m_rcScreen = QRect(0, 0, buttonTop.x() + 70, buttonTop.y() + 23 + 10);
    WithPopup(m_pButton, [&](CSwatchPopup* pPopup) {
        const QRect rc = pPopup->geometry();
        EXPECT_EQ(rc.bottom() + 1, buttonTop.y());
        EXPECT_EQ(rc.right() + 1, m_rcScreen.width());
        pPopup->reject();
    });
}

}  // namespace

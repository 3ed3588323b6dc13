// SPDX-License-Identifier: MIT
// The Preferences dialog: its rules without widgets (filling, defaults, the
// MRU check, what OK stores and in which order), then the dialog itself
// offscreen (slider labels, live enabling, Restore Defaults, OK and Cancel).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include "dialogs/preferences_dlg.h"
#include "dialogs/preferences_rules.h"
#include "dialogs/swatch_button.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

namespace {

constexpr int kSysBack = 0xF0F0F0;
constexpr int kSysText = 0x101010;

ViewOptions SomeView() {
    ViewOptions v;
    v.nPitch = 103;
    v.bColorCheck = false;
    v.crBackColor = 0x112233;
    v.crTextColor = 0x445566;
    v.nSlideTime = 7;
    v.nSortOption = 2;
    v.nSortStyle = 1;
    v.bShowDim = true;
    v.bTNSearch = true;
    v.bRandom = true;
    v.nShellBrowse = 0;
    v.nCreateHere = 1;
    return v;
}

// ---- Filling ----

struct WidthCase {
    int nClientWidth;
    int nPitchMax;
};

class SliderRange : public ::testing::TestWithParam<WidthCase> {};

TEST_P(SliderRange, RunsFromFiftyToTheClientWidthButNeverBelowFifty) {
    const PreferencesData d = FillPreferences(SomeView(), 8, GetParam().nClientWidth);
    EXPECT_EQ(d.nPitchMin, 50);
    EXPECT_EQ(d.nPitchMax, GetParam().nPitchMax);
}

INSTANTIATE_TEST_SUITE_P(Widths, SliderRange,
                         ::testing::Values(WidthCase{1000, 1000}, WidthCase{51, 51},
                                           WidthCase{50, 50}, WidthCase{30, 50}, WidthCase{0, 50}));

TEST(FillPreferences, CopiesTheViewsValuesAndWritesTheIntervalAsDecimalText) {
    const PreferencesData d = FillPreferences(SomeView(), 12, 800);
    EXPECT_EQ(d.nPitch, 103);
    EXPECT_EQ(d.strSlideTime, "7");
    EXPECT_EQ(d.nMruCount, 12);
    EXPECT_FALSE(d.bUseDefaultColor);
    EXPECT_EQ(d.crBackColor, 0x112233);
    EXPECT_EQ(d.crTextColor, 0x445566);
    EXPECT_EQ(d.nSortOption, 2);
    EXPECT_EQ(d.nSortStyle, 1);
    EXPECT_TRUE(d.bShowDim);
    EXPECT_TRUE(d.bIgnoreTagged);
    EXPECT_TRUE(d.bRandom);
    EXPECT_EQ(d.nOpenFolderChoice, 0);
    EXPECT_EQ(d.nThumbsFolderChoice, 1);
}

// ---- The MRU count ----

struct MruCase {
    const char* text;
    bool bAccepted;
    int nCount;
};

class MruCheck : public ::testing::TestWithParam<MruCase> {};

TEST_P(MruCheck, TakesOnlyWholeNumbersFromOneToSixteen) {
    int n = -1;
    EXPECT_EQ(ParseMruCount(QString::fromLatin1(GetParam().text), n), GetParam().bAccepted);
    if (GetParam().bAccepted) {
        EXPECT_EQ(n, GetParam().nCount);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, MruCheck,
                         ::testing::Values(MruCase{"1", true, 1}, MruCase{"16", true, 16},
                                           MruCase{"08", true, 8}, MruCase{"0", false, 0},
                                           MruCase{"17", false, 0}, MruCase{"", false, 0},
                                           MruCase{"99999999999", false, 0},
                                           MruCase{"4x", false, 0}));

// ---- Applying ----

TEST(ApplyPreferences, StoresEveryValueInOrderPitchAsChosenAndSlideTimeAsTyped) {
    PreferencesData d = FillPreferences(SomeView(), 8, 1000);
    d.nPitch = 151;
    d.strSlideTime = "09";
    d.nMruCount = 4;
    const PreferencesOutcome out = ApplyPreferences(d, SomeView(), kSysBack, kSysText, false);
    const std::vector<PreferenceWrite> expected = {{"Pitch", "151"},
                                                   {"ColorCheck", "0"},
                                                   {"BackColor", "1122867"},
                                                   {"TextColor", "4478310"},
                                                   {"ShowDim", "1"},
                                                   {"ShowFileName", "1"},
                                                   {"ShowFileSize", "0"},
                                                   {"ShowFileDate", "0"},
                                                   {"TNSearch", "1"},
                                                   {"SortStyle", "1"},
                                                   {"SortOption", "2"},
                                                   {"SlideTime", "09"},
                                                   {"MRU", "4"},
                                                   {"Random", "1"},
                                                   {"Fit", "0"},
                                                   {"ShellBrowse", "0"},
                                                   {"CreateHere", "1"}};
    EXPECT_EQ(out.writes, expected);
    // Stored odd, used even, and every thumbnail made again.
    EXPECT_EQ(out.view.nPitch, 150);
    EXPECT_TRUE(out.bReprocess);
    EXPECT_EQ(out.view.nSlideTime, 9);
    EXPECT_EQ(out.nMruCount, 4);
    EXPECT_FALSE(out.bResort);
    EXPECT_FALSE(out.bRepaint);
}

TEST(ApplyPreferences, AnUnmovedOddPitchStaysAndRemakesNothing) {
    const PreferencesData d = FillPreferences(SomeView(), 8, 1000);
    const PreferencesOutcome out = ApplyPreferences(d, SomeView(), kSysBack, kSysText, false);
    EXPECT_EQ(out.writes.front(), (PreferenceWrite{"Pitch", "103"}));
    EXPECT_EQ(out.view.nPitch, 103);
    EXPECT_FALSE(out.bReprocess);
    EXPECT_FALSE(out.bRepaint);
}

// The slider's position is stored as read; the grid takes it even, and only
// a position other than the view's pitch makes the thumbnails again.
struct PitchCase {
    int nViewPitch;
    int nChosen;
    int nUsed;
    bool bReprocess;
};

class PitchApplied : public ::testing::TestWithParam<PitchCase> {};

TEST_P(PitchApplied, StoredAsReadUsedEven) {
    ViewOptions v = SomeView();
    v.nPitch = GetParam().nViewPitch;
    PreferencesData d = FillPreferences(v, 8, 1000);
    d.nPitch = GetParam().nChosen;
    const PreferencesOutcome out = ApplyPreferences(d, v, kSysBack, kSysText, false);
    EXPECT_EQ(out.writes.front(), (PreferenceWrite{"Pitch", std::to_string(GetParam().nChosen)}));
    EXPECT_EQ(out.view.nPitch, GetParam().nUsed);
    EXPECT_EQ(out.bReprocess, GetParam().bReprocess);
}

INSTANTIATE_TEST_SUITE_P(Pitches, PitchApplied,
                         ::testing::Values(PitchCase{103, 103, 103, false},
                                           PitchCase{103, 151, 150, true},
                                           PitchCase{103, 81, 80, true},  // a narrower view
                                           PitchCase{150, 150, 150, false},
                                           PitchCase{150, 50, 50, true}));

TEST(ApplyPreferences, DefaultColoursIgnoreThePickersAndStoreTheSystemColours) {
    PreferencesData d = FillPreferences(SomeView(), 8, 1000);
    d.bUseDefaultColor = true;
    const PreferencesOutcome out = ApplyPreferences(d, SomeView(), kSysBack, kSysText, false);
    EXPECT_TRUE(out.view.bColorCheck);
    EXPECT_EQ(out.view.crBackColor, kSysBack);
    EXPECT_EQ(out.view.crTextColor, kSysText);
    EXPECT_EQ(out.writes[1], (PreferenceWrite{"ColorCheck", "1"}));
    EXPECT_EQ(out.writes[2], (PreferenceWrite{"BackColor", std::to_string(kSysBack)}));
    EXPECT_EQ(out.writes[3], (PreferenceWrite{"TextColor", std::to_string(kSysText)}));
    EXPECT_TRUE(out.bRepaint);  // the colours differ from the view's
}

TEST(ApplyPreferences, ATextWithoutANumberKeepsTheIntervalAndIsStoredAsItIs) {
    PreferencesData d = FillPreferences(SomeView(), 8, 1000);
    d.strSlideTime = "";
    const PreferencesOutcome out = ApplyPreferences(d, SomeView(), kSysBack, kSysText, false);
    EXPECT_EQ(out.view.nSlideTime, 7);
    EXPECT_EQ(out.writes[11], (PreferenceWrite{"SlideTime", ""}));
}

// One change at a time, with or without a catalogue: what is due afterwards.
struct DueCase {
    const char* name;
    void (*change)(PreferencesData&);
    bool bEmpty;
    bool bResort;
    bool bRepaint;
};

void PrintTo(const DueCase& c, std::ostream* os) { *os << c.name; }

class WhatIsDue : public ::testing::TestWithParam<DueCase> {};

TEST_P(WhatIsDue, FollowsWhatChanged) {
    PreferencesData d = FillPreferences(SomeView(), 8, 1000);
    GetParam().change(d);
    const PreferencesOutcome out =
        ApplyPreferences(d, SomeView(), kSysBack, kSysText, GetParam().bEmpty);
    EXPECT_EQ(out.bResort, GetParam().bResort);
    EXPECT_EQ(out.bRepaint, GetParam().bRepaint);
    EXPECT_FALSE(out.bReprocess);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, WhatIsDue,
    ::testing::Values(
        DueCase{"nothing", [](PreferencesData&) {}, false, false, false},
        DueCase{"back colour", [](PreferencesData& d) { d.crBackColor = 1; }, false, false, true},
        DueCase{"text colour", [](PreferencesData& d) { d.crTextColor = 1; }, true, false, true},
        DueCase{"dimensions", [](PreferencesData& d) { d.bShowDim = false; }, false, false, true},
        DueCase{"name", [](PreferencesData& d) { d.bShowFileName = false; }, false, false, true},
        DueCase{"size", [](PreferencesData& d) { d.bShowFileSize = true; }, false, false, true},
        DueCase{"date", [](PreferencesData& d) { d.bShowFileDate = true; }, false, false, true},
        DueCase{"name filter", [](PreferencesData& d) { d.bIgnoreTagged = false; }, false, false,
                false},
        DueCase{"direction", [](PreferencesData& d) { d.nSortStyle = 0; }, false, true, true},
        DueCase{"key", [](PreferencesData& d) { d.nSortOption = 3; }, false, true, true},
        DueCase{"direction, empty", [](PreferencesData& d) { d.nSortStyle = 0; }, true, false,
                false},
        DueCase{"random and fit",
                [](PreferencesData& d) {
                    d.bRandom = false;
                    d.bFitToScreen = true;
                },
                false, false, false}));

TEST(RestoreDefaults, SetsTheDefaultsButKeepsTheMruCountAndTheRange) {
    PreferencesData d = FillPreferences(SomeView(), 11, 700);
    d.bFitToScreen = true;
    d.bShowFileName = false;
    d.bShowFileSize = true;
    d.bShowFileDate = true;
    RestoreDefaults(d);
    EXPECT_FALSE(d.bFitToScreen);
    EXPECT_FALSE(d.bRandom);
    EXPECT_TRUE(d.bUseDefaultColor);
    EXPECT_EQ(d.nSortOption, 0);
    EXPECT_EQ(d.nSortStyle, 0);
    EXPECT_EQ(d.strSlideTime, "5");
    EXPECT_EQ(d.nPitch, 100);
    EXPECT_FALSE(d.bShowDim);
    EXPECT_TRUE(d.bShowFileName);
    EXPECT_FALSE(d.bShowFileSize);
    EXPECT_FALSE(d.bShowFileDate);
    EXPECT_FALSE(d.bIgnoreTagged);
    EXPECT_EQ(d.nOpenFolderChoice, 1);
    EXPECT_EQ(d.nThumbsFolderChoice, 0);
    EXPECT_EQ(d.nMruCount, 11);
    EXPECT_EQ(d.nPitchMin, 50);
    EXPECT_EQ(d.nPitchMax, 700);
}

// ---- The dialog ----

class PreferencesDlg : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.SetFilePath(m_config.ConfigDir() + "/prefs.ini");
        m_store.PutInt(kSectionSettings, kNoDelDlg, 1);
        m_store.PutInt(kSectionSettings, kNoOverDlg, 1);
    }
    std::unique_ptr<CPreferencesDlg> Make(int nPitch, int nWidth, int nSortOption = 0,
                                          bool bDefaultColor = true) {
        ViewOptions v = SomeView();
        v.nPitch = nPitch;
        v.nSortOption = nSortOption;
        v.bColorCheck = bDefaultColor;
        return std::make_unique<CPreferencesDlg>(m_store, FillPreferences(v, 8, nWidth));
    }
    static QStringList Labels(const CPreferencesDlg& dlg) {
        return {dlg.MinText()->text(), dlg.CurrentText()->text(), dlg.MaxText()->text()};
    }

    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
};

TEST_F(PreferencesDlg, AThousandPixelViewAndPitch103ShowsTheLabelsAndOkKeepsThePitch) {
    auto dlg = Make(103, 1000);
    EXPECT_EQ(dlg->windowTitle(), "Preferences");
    EXPECT_EQ(dlg->PitchSlider()->minimum(), 50);
    EXPECT_EQ(dlg->PitchSlider()->maximum(), 1000);
    EXPECT_EQ(dlg->PitchSlider()->value(), 103);
    EXPECT_EQ(dlg->PitchSlider()->tickInterval(), 100);
    EXPECT_EQ(dlg->PitchSlider()->pageStep(), 10);
    EXPECT_EQ(Labels(*dlg), (QStringList{"50", "103", "1000"}));
    dlg->accept();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Data().nPitch, 103);
}

TEST_F(PreferencesDlg, AViewNarrowerThanThePitchPutsTheSliderAtItsMaximum) {
    auto dlg = Make(103, 81);
    EXPECT_EQ(dlg->PitchSlider()->value(), 81);
    // The label of an odd end is lowered; the current one shows the pitch.
    EXPECT_EQ(Labels(*dlg), (QStringList{"50", "103", "80"}));
    dlg->accept();
    EXPECT_EQ(dlg->Data().nPitch, 81);

    auto tiny = Make(103, 20);
    EXPECT_EQ(tiny->PitchSlider()->minimum(), 50);
    EXPECT_EQ(tiny->PitchSlider()->maximum(), 50);
    EXPECT_EQ(tiny->PitchSlider()->value(), 50);
}

TEST_F(PreferencesDlg, DraggingTo151Shows150AndOkReads151) {
    auto dlg = Make(103, 1000);
    QSlider* pSlider = dlg->PitchSlider();
    pSlider->setSliderDown(true);
    pSlider->setSliderPosition(151);
    EXPECT_EQ(dlg->CurrentText()->text(), "150");
    pSlider->setSliderDown(false);
    EXPECT_EQ(dlg->CurrentText()->text(), "150");
    dlg->accept();
    EXPECT_EQ(dlg->Data().nPitch, 151);
}

TEST_F(PreferencesDlg, PageMovesShowTheEvenPositionOtherMovesLeaveTheLabel) {
    auto dlg = Make(101, 1000);
    QSlider* pSlider = dlg->PitchSlider();
    pSlider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(pSlider->value(), 111);
    EXPECT_EQ(dlg->CurrentText()->text(), "110");
    pSlider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(pSlider->value(), 112);
    EXPECT_EQ(dlg->CurrentText()->text(), "110");
    pSlider->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(dlg->CurrentText()->text(), "110");
    pSlider->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(dlg->CurrentText()->text(), "990");
    // Page Down on the keyboard is a page move too.
    QTest::keyClick(pSlider, Qt::Key_PageDown);
    EXPECT_EQ(pSlider->value(), 980);
    EXPECT_EQ(dlg->CurrentText()->text(), "980");
}

TEST_F(PreferencesDlg, SortDirectionButtonsFollowNone) {
    auto dlg = Make(103, 1000, 0);
    EXPECT_TRUE(dlg->SortOptionButton(0)->isChecked());
    EXPECT_FALSE(dlg->SortStyleButton(0)->isEnabled());
    EXPECT_FALSE(dlg->SortStyleButton(1)->isEnabled());
    EXPECT_EQ(dlg->SortStyleButton(1)->text(), "Decending");
    dlg->SortOptionButton(3)->click();  // "File Date"
    EXPECT_EQ(dlg->SortOptionButton(3)->text(), "File Date");
    EXPECT_TRUE(dlg->SortStyleButton(0)->isEnabled());
    EXPECT_TRUE(dlg->SortStyleButton(1)->isEnabled());
    dlg->SortOptionButton(0)->click();
    EXPECT_FALSE(dlg->SortStyleButton(0)->isEnabled());

    auto sorted = Make(103, 1000, 1);
    EXPECT_TRUE(sorted->SortStyleButton(0)->isEnabled());
    EXPECT_TRUE(sorted->SortStyleButton(1)->isChecked());
}

TEST_F(PreferencesDlg, ColourButtonsFollowUseDefaultColor) {
    auto dlg = Make(103, 1000, 0, false);
    EXPECT_TRUE(dlg->BackPicker()->isEnabled());
    EXPECT_EQ(dlg->BackPicker()->Color(), 0x112233);
    EXPECT_EQ(dlg->FontPicker()->Color(), 0x445566);
    dlg->UseDefaultColor()->click();
    EXPECT_FALSE(dlg->BackPicker()->isEnabled());
    EXPECT_FALSE(dlg->FontPicker()->isEnabled());
    dlg->UseDefaultColor()->click();
    EXPECT_TRUE(dlg->FontPicker()->isEnabled());
    EXPECT_FALSE(Make(103, 1000, 0, true)->BackPicker()->isEnabled());
}

TEST_F(PreferencesDlg, RestoreDefaultsSetsTheControlsAndSwitchesTheWarningsOnAtOnce) {
    auto dlg = Make(151, 1000, 2, false);
    dlg->MruCount()->setText("3");
    dlg->GalleryLinkOriginals()->setChecked(true);
    dlg->GalleryThumbSize()->setValue(64);
    dlg->RestoreDefaultsButton()->click();
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kNoDelDlg, -1), 0);
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kNoOverDlg, -1), 0);
    EXPECT_EQ(dlg->PitchSlider()->value(), 100);
    EXPECT_EQ(dlg->CurrentText()->text(), "100");
    EXPECT_TRUE(dlg->UseDefaultColor()->isChecked());
    EXPECT_FALSE(dlg->BackPicker()->isEnabled());
    EXPECT_TRUE(dlg->SortOptionButton(0)->isChecked());
    EXPECT_TRUE(dlg->SortStyleButton(0)->isChecked());
    EXPECT_FALSE(dlg->SortStyleButton(0)->isEnabled());
    EXPECT_EQ(dlg->SlideTimeText()->text(), "5");
    EXPECT_TRUE(dlg->ShowFileName()->isChecked());
    EXPECT_FALSE(dlg->ShowDim()->isChecked());
    EXPECT_FALSE(dlg->Random()->isChecked());
    EXPECT_FALSE(dlg->IgnoreTagged()->isChecked());
    EXPECT_TRUE(dlg->OpenFolderButton(1)->isChecked());
    EXPECT_TRUE(dlg->ThumbsFolderButton(0)->isChecked());
    EXPECT_FALSE(dlg->GalleryLinkOriginals()->isChecked());
    EXPECT_EQ(dlg->GalleryThumbSize()->value(), 240);
    EXPECT_EQ(dlg->MruCount()->text(), "3");  // the user's own entry stays
    // Nothing else reaches the store, and Cancel keeps the warnings switched on.
    dlg->reject();
    EXPECT_EQ(m_store.GetString(kSectionSettings, kPitch, "unset"), "unset");
    EXPECT_EQ(m_store.GetInt(kSectionSettings, kNoDelDlg, -1), 0);
}

class MruRefused : public PreferencesDlg, public ::testing::WithParamInterface<const char*> {};

TEST_P(MruRefused, NamesBothLimitsFocusesTheFieldAndStaysOpen) {
    auto dlg = Make(103, 1000);
    dlg->show();
    dlg->MruCount()->setText(QString::fromLatin1(GetParam()));
    dlg->PitchSlider()->setFocus();
    dlg->accept();
    EXPECT_EQ(m_messages.Texts(), QStringList{"Please enter an integer between 1 and 16."});
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_NE(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->focusWidget(), dlg->MruCount());
    // A good value then closes it.
    dlg->MruCount()->setText("16");
    dlg->accept();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Data().nMruCount, 16);
}

INSTANTIATE_TEST_SUITE_P(Texts, MruRefused, ::testing::Values("0", "17", ""));

TEST_F(PreferencesDlg, OkTakesEveryControl) {
    auto dlg = Make(103, 1000);
    dlg->UseDefaultColor()->setChecked(false);
    dlg->BackPicker()->SetColor(0x0000FF);
    dlg->SortOptionButton(1)->click();
    dlg->SortStyleButton(1)->click();
    dlg->ShowFileSize()->setChecked(true);
    dlg->ShowFileDate()->setChecked(true);
    dlg->SlideTimeText()->setText("12");
    dlg->FitToScreen()->setChecked(true);
    dlg->OpenFolderButton(1)->click();
    dlg->ThumbsFolderButton(0)->click();
    dlg->MruCount()->setText("5");
    dlg->GalleryThumbSize()->setValue(64);
    dlg->accept();
    const PreferencesData& d = dlg->Data();
    EXPECT_FALSE(d.bUseDefaultColor);
    EXPECT_EQ(d.crBackColor, 0x0000FF);
    EXPECT_EQ(d.nSortOption, 1);
    EXPECT_EQ(d.nSortStyle, 1);
    EXPECT_TRUE(d.bShowFileSize);
    EXPECT_TRUE(d.bShowFileDate);
    EXPECT_EQ(d.strSlideTime, "12");
    EXPECT_TRUE(d.bFitToScreen);
    EXPECT_EQ(d.nOpenFolderChoice, 1);
    EXPECT_EQ(d.nThumbsFolderChoice, 0);
    EXPECT_EQ(d.nMruCount, 5);
    // The gallery's choices go to their own section, only what changed.
    StorePreferences(m_store, ApplyPreferences(d, SomeView(), kSysBack, kSysText, false));
    EXPECT_EQ(m_store.GetString(kSectionGallery, kGalleryThumbSize, "-"), "64");
    EXPECT_EQ(m_store.GetString(kSectionGallery, kGalleryLinkOriginals, "-"), "-");
}

}  // namespace

// ---- The orientation choice: its own box, its own section ----

namespace {

struct RotateCase {
    const char* name;
    bool bBefore, bChosen, bCatalogueEmpty;
    bool bChanged, bRemake;
};
std::ostream& operator<<(std::ostream& os, const RotateCase& c) { return os << c.name; }

class RotateApplied : public PreferencesDlg, public ::testing::WithParamInterface<RotateCase> {};

TEST_P(RotateApplied, StoredInItsOwnSectionOnlyWhenChangedAndRemakesTheThumbnails) {
    const RotateCase& c = GetParam();
    ViewOptions before = SomeView();
    before.bRotateByTag = c.bBefore;
    PreferencesData d = FillPreferences(before, 8, 1000);
    EXPECT_EQ(d.bRotateByTag, c.bBefore);
    d.bRotateByTag = c.bChosen;
    const PreferencesOutcome out =
        ApplyPreferences(d, before, kSysBack, kSysText, c.bCatalogueEmpty);
    EXPECT_EQ(out.view.bRotateByTag, c.bChosen);
    EXPECT_EQ(out.bRotateChanged, c.bChanged);
    EXPECT_EQ(out.bRemakeForRotation, c.bRemake);
    // The "Settings" section gets what it always got, nothing more.
    EXPECT_EQ(out.writes.size(), 17u);
    for (const PreferenceWrite& w : out.writes) EXPECT_NE(w.strName, kRotateByTag);

    StorePreferences(m_store, out);
    EXPECT_EQ(m_store.GetString(kSectionOrientation, kRotateByTag, "unset"),
              c.bChanged ? (c.bChosen ? "1" : "0") : "unset");
    EXPECT_EQ(m_store.GetString(kSectionSettings, kRotateByTag, "unset"), "unset");
}

INSTANTIATE_TEST_SUITE_P(
    Choices, RotateApplied,
    ::testing::Values(RotateCase{"SwitchedOn", false, true, false, true, true},
                      RotateCase{"SwitchedOff", true, false, false, true, true},
                      RotateCase{"SwitchedOnWithNothingShown", false, true, true, true, false},
                      RotateCase{"LeftOff", false, false, false, false, false},
                      RotateCase{"LeftOn", true, true, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreferencesDlg, RotateCheckBoxSitsInABoxOfItsOwnAndOkReadsIt) {
    auto dlg = Make(103, 1000);
    QCheckBox* pRotate = dlg->RotateByTag();
    ASSERT_TRUE(pRotate);
    EXPECT_EQ(pRotate->text(), "Rotate Images by Their Orientation Tag");
    EXPECT_FALSE(pRotate->isChecked());
    // Alone in its group box: not one of the described boxes.
    auto* pBox = qobject_cast<QGroupBox*>(pRotate->parentWidget());
    ASSERT_TRUE(pBox);
    EXPECT_EQ(pBox->findChildren<QWidget*>().size(), 1);
    EXPECT_NE(pBox, dlg->FitToScreen()->parentWidget());
    pRotate->click();
    dlg->accept();
    EXPECT_TRUE(dlg->Data().bRotateByTag);

    // Restore Defaults switches it off again.
    ViewOptions v = SomeView();
    v.bRotateByTag = true;
    CPreferencesDlg on(m_store, FillPreferences(v, 8, 1000));
    EXPECT_TRUE(on.RotateByTag()->isChecked());
    on.RestoreDefaultsButton()->click();
    EXPECT_FALSE(on.RotateByTag()->isChecked());
}

}  // namespace

// ---- The "Browsing" and "Formats" boxes: each choice in its own section, written when changed ----

namespace {

struct BrowsingCase {
    const char* pszSection;  // also the box's title
    size_t nIndex;
    const char* pszLabel;
    const char* pszKey;
};

class BrowsingChoices : public PreferencesDlg, public ::testing::WithParamInterface<BrowsingCase> {
protected:
    static bool IsFormats() { return std::string(GetParam().pszSection) == kSectionFormats; }
    static const std::vector<QCheckBox*>& Boxes(const CPreferencesDlg& dlg) {
        return IsFormats() ? dlg.FormatsBoxes() : dlg.BrowsingBoxes();
    }
    static bool IsOn(const ViewOptions& v, const char* pszKey) {
        for (const auto& c : kBrowsingChoices)
            if (!IsFormats() && std::string(c.pszKey) == pszKey) return v.browsing.*c.pMember;
        for (const auto& c : kFormatsChoices)
            if (IsFormats() && std::string(c.pszKey) == pszKey) return v.formats.*c.pMember;
        return false;
    }
};

TEST_P(BrowsingChoices, SitInTheirBoxAndAreStoredThereOnlyWhenChanged) {
    const BrowsingCase& c = GetParam();
    auto dlg = Make(103, 1000);
    ASSERT_EQ(Boxes(*dlg).size(), IsFormats() ? std::size(kFormatsChoices) : std::size(kBrowsingChoices));
    QCheckBox* pBox = Boxes(*dlg)[c.nIndex];
    EXPECT_EQ(pBox->text(), c.pszLabel);
    EXPECT_EQ(qobject_cast<QGroupBox*>(pBox->parentWidget())->title(), c.pszSection);
    EXPECT_FALSE(pBox->isChecked());
    pBox->click();
    dlg->accept();
    const ViewOptions before = SomeView();
    PreferencesOutcome out = ApplyPreferences(dlg->Data(), before, kSysBack, kSysText, false);
    StorePreferences(m_store, out);
    EXPECT_EQ(m_store.GetString(c.pszSection, c.pszKey, "unset"), "1");
    // No other choice of either section was written.
    for (const auto& b : kBrowsingChoices)
        EXPECT_EQ(m_store.GetString(kSectionBrowsing, b.pszKey, "x") != "x",
                  std::string(b.pszKey) == c.pszKey);
    for (const auto& f : kFormatsChoices)
        EXPECT_EQ(m_store.GetString(kSectionFormats, f.pszKey, "x") != "x",
                  std::string(f.pszKey) == c.pszKey);
    EXPECT_EQ(m_store.GetString(kSectionGallery, kGalleryThumbSize, "x"), "x");
    // Other formats ask for a new search of the folder, a colour profile for
    // new thumbnails.
    EXPECT_EQ(out.bRescanForFormats, std::string(c.pszKey) == kExtraFormats);
    EXPECT_EQ(out.bRemakeForLook, std::string(c.pszKey) == kColorManage);
    // Unchanged on the next OK, nothing is written.
    const ViewOptions on = out.view;
    EXPECT_TRUE(IsOn(on, c.pszKey));
    m_store.PutString(c.pszSection, c.pszKey, "unset");
    out = ApplyPreferences(FillPreferences(on, 8, 1000), on, kSysBack, kSysText, false);
    StorePreferences(m_store, out);
    EXPECT_EQ(m_store.GetString(c.pszSection, c.pszKey, "x"), "unset");
    EXPECT_FALSE(out.bRescanForFormats || out.bRemakeForLook);
    // Restore Defaults switches it off again.
    dlg->RestoreDefaultsButton()->click();
    EXPECT_FALSE(pBox->isChecked());
}

INSTANTIATE_TEST_SUITE_P(
    Each, BrowsingChoices,
    ::testing::Values(
        BrowsingCase{kSectionBrowsing, 0, "Start Slide Show Full Screen", "SlideShowFullScreen"},
        BrowsingCase{kSectionBrowsing, 1, "Show Thumbnails as They Are Made", "ShowWhileMaking"},
        BrowsingCase{kSectionBrowsing, 2, "Show Changes Made by Other Programs", "WatchFolder"},
        BrowsingCase{kSectionBrowsing, 3, "Select with the Arrow Keys", "KeyboardSelect"},
        BrowsingCase{kSectionBrowsing, 4, "Delete to the Trash", "UseTrash"},
        BrowsingCase{kSectionFormats, 0,
                     "Also show PNG, GIF, TIFF, WebP, HEIC, AVIF and camera raw files", "Extra"},
        BrowsingCase{kSectionFormats, 1, "Convert Colour Profiles to sRGB", "ColorManage"}));

// Transparent pixels of the other formats lie over the grid's background, so
// a new background makes their thumbnails again, but only while they are shown.
TEST_F(PreferencesDlg, NewBackgroundRemakesThumbnailsOnlyWithOtherFormats) {
    for (const bool bExtra : {false, true}) {
        ViewOptions before = SomeView();
        before.formats.bExtra = bExtra;
        PreferencesData chosen = FillPreferences(before, 8, 1000);
        chosen.bUseDefaultColor = false;
        chosen.crBackColor = before.crBackColor ^ 0x102030;
        EXPECT_EQ(ApplyPreferences(chosen, before, kSysBack, kSysText, false).bRemakeForLook, bExtra);
        EXPECT_FALSE(ApplyPreferences(chosen, before, kSysBack, kSysText, true).bRemakeForLook);
    }
}

}  // namespace

// SPDX-License-Identifier: MIT
// Preferences from the main window: the dialog filled from the view, and
// after OK the values stored and applied (re-sort, repaint, thumbnails made
// again at a new pitch); nothing after Cancel; from the context menu also
// while the view is busy, without touching the catalogue then.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <mutex>

#include "app/command_table.h"
#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "browser/find_files_dlg.h"
#include "browser/galerio_view.h"
#include "codec/display_bitmap.h"
#include "dialogs/preferences_dlg.h"
#include "dialogs/swatch_button.h"
#include "platform/color_ref.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/fake_image_window.h"

namespace {

// Answers the dialog as a test says; records what it was opened with.
class PrefsScript {
public:
    PrefsScript() {
        m_previous = SetPreferencesDlgHandler([this](CPreferencesDlg& dlg) {
            ++m_nOpened;
            m_labels = {dlg.MinText()->text(), dlg.CurrentText()->text(), dlg.MaxText()->text()};
            m_nSliderMax = dlg.PitchSlider()->maximum();
            m_strSlideTime = dlg.SlideTimeText()->text();
            if (m_fnFill) m_fnFill(dlg);
            if (!m_bAccept) {
                dlg.reject();
                return false;
            }
            dlg.accept();
            return dlg.result() == QDialog::Accepted;
        });
    }
    ~PrefsScript() { SetPreferencesDlgHandler(m_previous); }

    std::function<void(CPreferencesDlg&)> m_fnFill;
    bool m_bAccept = true;
    int m_nOpened = 0;
    QStringList m_labels;
    int m_nSliderMax = 0;
    QString m_strSlideTime;

private:
    PreferencesDlgHandler m_previous;
};

class PreferencesCommand : public ::testing::Test {
protected:
    void SetUp() override {
        m_f.Start();
        m_strFolder = m_f.MakeImageFolder("pics", 3);
        m_f.App().OpenDocumentFile(m_strFolder);
        ASSERT_TRUE(m_f.WaitIdle());
        ASSERT_EQ(m_f.View().Catalogue().size(), 3u);
    }
    void PressF4() {
        m_f.Frame().UpdateCommandUI();
        QTest::keyClick(&m_f.Frame(), Qt::Key_F4);
    }
    const SettingsStore& Store() { return m_f.App().m_store; }
    std::vector<std::string> CataloguePaths() {
        std::vector<std::string> paths;
        for (const auto& p : m_f.View().Catalogue()) paths.push_back(p->m_strPath);
        return paths;
    }

    AppFixture m_f;
    PrefsScript m_dlg;
    std::string m_strFolder;
};

TEST_F(PreferencesCommand, F4FillsTheDialogFromTheViewAndOkWithoutChangesMakesNothingAgain) {
    int nBuilt = 0;
    m_f.View().SetThumbnailBuilder([&nBuilt](ImageItem&, int, int, CodecContext&) { return ++nBuilt, true; });
    PressF4();
    ASSERT_EQ(m_dlg.m_nOpened, 1);
    const int nWidth = m_f.View().viewport()->width();
    EXPECT_EQ(m_dlg.m_nSliderMax, std::max(nWidth, 50));
    EXPECT_EQ(m_dlg.m_labels[1], "103");
    EXPECT_EQ(m_dlg.m_strSlideTime, "5");
    EXPECT_EQ(Store().GetInt(kSectionSettings, kPitch, -1), 103);
    EXPECT_EQ(Store().GetString(kSectionSettings, kSlideTime, "unset"), "5");
    EXPECT_TRUE(m_f.View().IsIdle());
    EXPECT_EQ(m_f.View().Settings().m_nPitch, 103);
    EXPECT_EQ(nBuilt, 0);
    EXPECT_EQ(m_f.m_messages.Count(), 0u);
}

TEST_F(PreferencesCommand, CancelStoresAndAppliesNothing) {
    m_dlg.m_bAccept = false;
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) {
        dlg.PitchSlider()->setValue(151);
        dlg.ShowDim()->setChecked(true);
    };
    PressF4();
    ASSERT_EQ(m_dlg.m_nOpened, 1);
    EXPECT_EQ(Store().GetString(kSectionSettings, kPitch, "unset"), "unset");
    EXPECT_EQ(Store().GetString(kSectionSettings, kShowDim, "unset"), "unset");
    EXPECT_EQ(m_f.View().Settings().m_nPitch, 103);
    EXPECT_FALSE(m_f.View().Settings().m_bShowDim);
    EXPECT_TRUE(m_f.View().IsIdle());
}

// A new pitch with a new order: the catalogue is sorted first, then every
// thumbnail is made again in that order, at pitch - 3, under a new progress
// window that starts with "starting...".
TEST_F(PreferencesCommand, APitchChangeMakesEveryThumbnailAgainInCatalogueOrder) {
    std::mutex mutex;
    std::vector<int> sizes;
    m_f.View().SetThumbnailBuilder([&](ImageItem& item, int nPitch, int nThumbSize, CodecContext&) {
        {
            std::lock_guard lock(mutex);
            sizes.push_back(nThumbSize);
        }
        return BuildThumbnailBitmap(item, nPitch, nThumbSize);
    });
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) {
        dlg.PitchSlider()->setValue(151);
        dlg.SortOptionButton(1)->click();  // "File Name"
        dlg.SortStyleButton(1)->click();   // "Decending"
    };
    PressF4();
    ASSERT_EQ(m_dlg.m_nOpened, 1);
    CFindFilesDlg* pWindow = m_f.View().FindDlg();
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(pWindow->Text(), "starting...");
    EXPECT_EQ(pWindow->windowTitle(), "Processing Image Files");
    QStringList texts;
    QObject::connect(pWindow, &CFindFilesDlg::TextChanged,
                     [&texts](const QString& text) { texts << text; });
    EXPECT_FALSE(m_f.View().IsIdle());
    ASSERT_TRUE(m_f.WaitIdle());

    const std::vector<std::string> order = CataloguePaths();
    EXPECT_EQ(order, (std::vector<std::string>{m_strFolder + "/img2.jpg", m_strFolder + "/img1.jpg",
                                               m_strFolder + "/img0.jpg"}));
    QStringList expected;
    for (const std::string& path : order) expected << QString::fromStdString(path);
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(sizes, (std::vector<int>{147, 147, 147}));
    EXPECT_EQ(Store().GetInt(kSectionSettings, kPitch, -1), 151);
    EXPECT_EQ(m_f.View().Settings().m_nPitch, 150);
    EXPECT_EQ(m_f.View().Settings().m_nThumbSize, 147);
    for (const auto& p : m_f.View().Catalogue()) EXPECT_NE(p->m_pBits, nullptr);
}

TEST_F(PreferencesCommand, DefaultColoursAreTheSystemsAndMruWaitsForTheNextStart) {
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) {
        dlg.UseDefaultColor()->setChecked(false);
        dlg.BackPicker()->SetColor(0x0000FF);
        dlg.FontPicker()->SetColor(0x00FF00);
        dlg.MruCount()->setText("2");
    };
    PressF4();
    EXPECT_EQ(m_f.View().Settings().m_crBackColor, 0x0000FF);
    EXPECT_EQ(m_f.View().Settings().m_crTextColor, 0x00FF00);
    EXPECT_EQ(Store().GetInt(kSectionSettings, kBackColor, -1), 0x0000FF);
    EXPECT_EQ(Store().GetInt(kSectionSettings, kMRU, -1), 2);
    EXPECT_EQ(m_f.App().m_nMruCount, 2);

    // Ticked again: the pickers' colours are ignored.
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) {
        EXPECT_EQ(dlg.BackPicker()->Color(), 0x0000FF);
        dlg.UseDefaultColor()->setChecked(true);
    };
    PressF4();
    const QPalette pal = QApplication::palette();
    EXPECT_EQ(m_f.View().Settings().m_crBackColor, RefFromColor(pal.color(QPalette::Base)));
    EXPECT_EQ(m_f.View().Settings().m_crTextColor, RefFromColor(pal.color(QPalette::ButtonText)));
    EXPECT_EQ(Store().GetInt(kSectionSettings, kBackColor, -1),
              RefFromColor(pal.color(QPalette::Base)));
    EXPECT_EQ(Store().GetInt(kSectionSettings, kTextColor, -1),
              RefFromColor(pal.color(QPalette::ButtonText)));
    EXPECT_EQ(Store().GetInt(kSectionSettings, kColorCheck, -1), 1);
}

TEST_F(PreferencesCommand, AnOnlyDirectionChangeOnAnEmptyCatalogueIsStored) {
    m_f.View().FreeImageList();
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) {
        dlg.SortOptionButton(2)->click();
        dlg.SortStyleButton(1)->click();
    };
    PressF4();
    ASSERT_EQ(m_dlg.m_nOpened, 1);
    EXPECT_EQ(Store().GetInt(kSectionSettings, kSortStyle, -1), 1);
    EXPECT_EQ(Store().GetInt(kSectionSettings, kSortOption, -1), 2);
    EXPECT_EQ(m_f.View().Settings().Options().nSortStyle, 1);
    EXPECT_TRUE(m_f.View().IsIdle());
}

TEST_F(PreferencesCommand, TheSlideIntervalIsParsedAndStoredAsTyped) {
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) { dlg.SlideTimeText()->setText("012"); };
    PressF4();
    EXPECT_EQ(Store().GetString(kSectionSettings, kSlideTime, "unset"), "012");
    EXPECT_EQ(m_f.View().Settings().m_nSlideTime, 12);
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) { dlg.SlideTimeText()->setText(""); };
    PressF4();
    EXPECT_EQ(Store().GetString(kSectionSettings, kSlideTime, "unset"), "");
    EXPECT_EQ(m_f.View().Settings().m_nSlideTime, 12);
    // An interval of 0 still lets the window breathe between images.
    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) { dlg.SlideTimeText()->setText("0"); };
    PressF4();
    EXPECT_EQ(m_f.View().Settings().m_nSlideTime, 0);
    EXPECT_EQ(m_f.View().Settings().SlideIntervalMs(), 100);
}

// While the slide show runs F4 is greyed, but the context menu still opens
// the dialog: the values are stored and taken, the catalogue is neither
// sorted nor made again, and the user is told.
TEST_F(PreferencesCommand, FromTheContextMenuDuringASlideShowTheCatalogueIsLeftAlone) {
    auto pLog = std::make_shared<ImageWindowLog>();
    m_f.View().Slides().SetImageWindowFactory(FakeImageWindows(pLog));
    m_f.View().OnStartSlideShow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_f.View().Slides().Window() != nullptr; }, 3000));
    const std::vector<std::string> before = CataloguePaths();

    PressF4();
    EXPECT_EQ(m_dlg.m_nOpened, 0);
    EXPECT_FALSE(m_f.Action(ID_PREFERENCES)->isEnabled());

    m_dlg.m_fnFill = [](CPreferencesDlg& dlg) {
        dlg.PitchSlider()->setValue(151);
        dlg.SortOptionButton(1)->click();
        dlg.SortStyleButton(1)->click();
        dlg.ShowFileSize()->setChecked(true);
    };
    m_f.Frame().RunViewCommand(ViewCommand::Preferences);
    ASSERT_EQ(m_dlg.m_nOpened, 1);
    EXPECT_EQ(CataloguePaths(), before);
    EXPECT_EQ(m_f.View().Settings().m_nPitch, 103);
    EXPECT_EQ(m_f.View().FindDlg(), nullptr);
    EXPECT_TRUE(m_f.View().Settings().m_bShowFileSize);
    EXPECT_EQ(m_f.View().Settings().Options().nSortOption, 1);
    EXPECT_EQ(Store().GetInt(kSectionSettings, kPitch, -1), 151);
    EXPECT_EQ(Store().GetInt(kSectionSettings, kSortOption, -1), 1);
    EXPECT_EQ(m_f.m_messages.Texts(),
              QStringList{"Thumbnails are being made or a slide show is running, so the grid "
                          "keeps its present pitch and order for now.\nThe new values are "
                          "stored; the pitch takes effect at the next start, the order at the "
                          "next Open Folder or Refresh."});
    m_f.View().Slides().StopTimer();
}

}  // namespace

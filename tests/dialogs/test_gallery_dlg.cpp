// SPDX-License-Identifier: MIT
// The Publish Gallery dialog: filled from [Gallery]; OK stores the choices
// with the folder absolute, or stays open with a box.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "dialogs/gallery_dlg.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

namespace {

struct FolderCase {
    const char* pszTyped;   // null: the one proposed
    const char* pszStored;  // null: refused
};

class GalleryDlg : public ::testing::TestWithParam<FolderCase> {
protected:
    void SetUp() override { m_store.SetFilePath(m_config.ConfigDir() + "/gallery.ini"); }
    std::string Get(const char* pszKey) { return m_store.GetString(kSectionGallery, pszKey, "-"); }
    TempConfig m_config;
    SettingsStore m_store;
    MessageRecorder m_messages;
};

TEST_F(GalleryDlg, IsFilledFromTheStoreAndOkStoresWhatChanged) {
    m_store.PutString(kSectionGallery, kGalleryFolder, "/srv/trip");
    m_store.PutInt(kSectionGallery, kGalleryLinkOriginals, 1);
    CGalleryDlg dlg(m_store, "/home/ann/Pics");
    EXPECT_EQ(dlg.FolderEdit()->text(), "/srv/trip");
    EXPECT_FALSE(dlg.WebSizeBox()->isEnabled());  // linked originals need no web copies
    dlg.CaptionsBox()->setCurrentIndex(2);
    dlg.accept();
    EXPECT_EQ(Get(kGalleryCaptions), "2");
    EXPECT_EQ(Get(kGalleryWebSize), "-");  // unchanged, so not written
}

// Relative folders are taken from the photos' folder, not the working one.
TEST_P(GalleryDlg, FolderIsStoredAbsoluteAndCleanOrRefusedWhenEmpty) {
    CGalleryDlg dlg(m_store, "/home/ann/Pics");
    if (GetParam().pszTyped) dlg.FolderEdit()->setText(GetParam().pszTyped);
    dlg.accept();
    const bool bOk = GetParam().pszStored != nullptr;
    EXPECT_EQ(dlg.result() == QDialog::Accepted, bOk);
    EXPECT_EQ(Get(kGalleryFolder), bOk ? GetParam().pszStored : "-");
    EXPECT_EQ(m_messages.Texts().join(""),
              bOk ? "" : "Please enter the folder the gallery is to be written to.");
}

INSTANTIATE_TEST_SUITE_P(Paths, GalleryDlg,
                         ::testing::Values(FolderCase{nullptr, "/home/ann/Pics/gallery"},
                                           FolderCase{"web", "/home/ann/Pics/web"},
                                           FolderCase{" ../site//", "/home/ann/site"},
                                           FolderCase{"  ", nullptr}));

}  // namespace

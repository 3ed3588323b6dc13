// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "dialogs/preferences_rules.h"

class CSwatchButton;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class SettingsStore;

// "Preferences": how the grid looks and sorts, the slide show, the recent
// list's length, the folder scan's filter, the default folders and whether
// photos are turned upright by their orientation tag, and whether the slide
// show starts full screen, and the web gallery's lasting choices. It edits
// a copy; the caller stores and applies it after OK.
class CPreferencesDlg : public QDialog {
    Q_OBJECT
public:
    CPreferencesDlg(const SettingsStore& store, const PreferencesData& data,
                    QWidget* pParent = nullptr);

    // The values as OK took them from the controls.
    const PreferencesData& Data() const { return m_data; }

    void accept() override;

    // The controls, for the command's tests.
    QSlider* PitchSlider() const { return m_pPitchSlider; }
    QLabel* MinText() const { return m_pMinText; }
    QLabel* CurrentText() const { return m_pCurrentText; }
    QLabel* MaxText() const { return m_pMaxText; }
    CSwatchButton* BackPicker() const { return m_pBackPicker; }
    CSwatchButton* FontPicker() const { return m_pFontPicker; }
    QCheckBox* UseDefaultColor() const { return m_pUseDefaultColor; }
    QRadioButton* SortOptionButton(int nOption) const;
    QRadioButton* SortStyleButton(int nStyle) const;
    QCheckBox* ShowDim() const { return m_pShowDim; }
    QCheckBox* ShowFileName() const { return m_pShowFileName; }
    QCheckBox* ShowFileSize() const { return m_pShowFileSize; }
    QCheckBox* ShowFileDate() const { return m_pShowFileDate; }
    QLineEdit* SlideTimeText() const { return m_pSlideTimeText; }
    QCheckBox* Random() const { return m_pRandom; }
    QCheckBox* FitToScreen() const { return m_pFitToScreen; }
    QCheckBox* RotateByTag() const { return m_pRotateByTag; }
    // The "Browsing" box's choices, in the order of kBrowsingChoices.
    const std::vector<QCheckBox*>& BrowsingBoxes() const { return m_browsingBoxes; }
    const std::vector<QCheckBox*>& FormatsBoxes() const { return m_formatsBoxes; }
    QCheckBox* GalleryLinkOriginals() const { return m_pGalleryLinkOriginals; }
    QSpinBox* GalleryThumbSize() const { return m_pGalleryThumbSize; }
    QCheckBox* IgnoreTagged() const { return m_pIgnoreTagged; }
    QLineEdit* MruCount() const { return m_pMruCount; }
    QRadioButton* OpenFolderButton(int nChoice) const;
    QRadioButton* ThumbsFolderButton(int nChoice) const;
    QPushButton* RestoreDefaultsButton() const { return m_pRestoreDefaults; }

private:
    void BuildControls();
    // Data into the controls; the MRU field only when bMru.
    void ExchangeToControls(const PreferencesData& data, bool bMru);
    // The controls' values; the MRU count is left as data holds it.
    PreferencesData ReadControls() const;
    void EnableSortStyle();
    void EnableColorButtons();
    void OnSliderAction(int nAction);
    void OnRestoreDefaults();

    const SettingsStore& m_store;
    PreferencesData m_data;

    QSlider* m_pPitchSlider = nullptr;
    QLabel* m_pMinText = nullptr;
    QLabel* m_pCurrentText = nullptr;
    QLabel* m_pMaxText = nullptr;
    CSwatchButton* m_pBackPicker = nullptr;
    CSwatchButton* m_pFontPicker = nullptr;
    QCheckBox* m_pUseDefaultColor = nullptr;
    QButtonGroup* m_pSortOption = nullptr;
    QButtonGroup* m_pSortStyle = nullptr;
    QCheckBox* m_pShowDim = nullptr;
    QCheckBox* m_pShowFileName = nullptr;
    QCheckBox* m_pShowFileSize = nullptr;
    QCheckBox* m_pShowFileDate = nullptr;
    QLineEdit* m_pSlideTimeText = nullptr;
    QCheckBox* m_pRandom = nullptr;
    QCheckBox* m_pFitToScreen = nullptr;
    QCheckBox* m_pRotateByTag = nullptr;
    std::vector<QCheckBox*> m_browsingBoxes;
    std::vector<QCheckBox*> m_formatsBoxes;
    QCheckBox* m_pGalleryLinkOriginals = nullptr;
    QSpinBox* m_pGalleryThumbSize = nullptr;
    QCheckBox* m_pIgnoreTagged = nullptr;
    QLineEdit* m_pMruCount = nullptr;
    QButtonGroup* m_pOpenFolder = nullptr;
    QButtonGroup* m_pThumbsFolder = nullptr;
    QPushButton* m_pRestoreDefaults = nullptr;
};

// Shows the dialog modally; true on OK. Tests replace the handler to fill in
// the controls and press OK or Cancel.
bool ExecPreferencesDlg(CPreferencesDlg& dlg);
using PreferencesDlgHandler = std::function<bool(CPreferencesDlg& dlg)>;
PreferencesDlgHandler SetPreferencesDlgHandler(PreferencesDlgHandler handler);

// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "publish/gallery.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class SettingsStore;

// "Publish Gallery": where the web gallery goes and how it looks. Filled
// from [Gallery]; OK checks the folder, makes it absolute and stores the
// choices, so the next run of the command starts from them.
class CGalleryDlg : public QDialog {
    Q_OBJECT
public:
    // strPhotos: the open folder, absolute. A gallery folder typed as a
    // relative path is taken from it, and one is proposed inside it.
    CGalleryDlg(const SettingsStore& store, std::string strPhotos, QWidget* pParent = nullptr);

    // The choices as OK took them; the folder is absolute.
    const GalleryOptions& Options() const { return m_options; }
    const std::string& Folder() const { return m_strFolder; }

    void accept() override;

    // The controls, for the tests.
    QLineEdit* FolderEdit() const { return m_pFolder; }
    QPushButton* BrowseButton() const { return m_pBrowse; }
    QLineEdit* TitleEdit() const { return m_pTitle; }
    QSpinBox* WebSizeBox() const { return m_pWebSize; }
    QSpinBox* ThumbSizeBox() const { return m_pThumbSize; }
    QComboBox* CaptionsBox() const { return m_pCaptions; }
    QCheckBox* LinkOriginalsBox() const { return m_pLinkOriginals; }

private:
    void OnBrowse();

    const SettingsStore& m_store;
    std::string m_strPhotos;
    GalleryOptions m_options;
    std::string m_strFolder;

    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QLineEdit* m_pTitle = nullptr;
    QSpinBox* m_pWebSize = nullptr;
    QSpinBox* m_pThumbSize = nullptr;
    QComboBox* m_pCaptions = nullptr;
    QCheckBox* m_pLinkOriginals = nullptr;
};

// The folder a gallery goes to when none was stored yet: inside the photos'.
std::string ProposedGalleryFolder(const std::string& strPhotos);

// Shows the dialog modally; true on OK. Tests replace the handler to fill in
// the controls and press OK or Cancel.
bool ExecGalleryDlg(CGalleryDlg& dlg);
using GalleryDlgHandler = std::function<bool(CGalleryDlg& dlg)>;
GalleryDlgHandler SetGalleryDlgHandler(GalleryDlgHandler handler);

// The label of the check box that links the photos themselves; the
// Preferences dialog shows the same choice.
inline constexpr const char* kGalleryLinkOriginalsLabel =
    "Link to the original photos instead of web copies";

// SPDX-License-Identifier: MIT
#include "dialogs/gallery_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/folder_dialog.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "settings/settings_store.h"

namespace {

const char* const kTitleText = "Publish Gallery";
const char* const kFolderLabel = "Gallery &folder:";
const char* const kBrowseText = "&Browse...";
const char* const kBrowseTitle = "Folder for the gallery";
const char* const kTitleLabel = "&Title:";
const char* const kTitlePlaceholder = "The photos' folder name";
const char* const kWebSizeLabel = "&Web size:";
const char* const kThumbSizeLabel = "T&humbnail size:";
const char* const kPixelsSuffix = " pixels";
const char* const kCaptionsLabel = "&Captions:";
// In the order of GalleryCaptions.
const char* const kCaptionChoices[] = {"None", "File name", "Date, camera and exposure"};
const char* const kNoFolderText = "Please enter the folder the gallery is to be written to.";
const char* const kProposedName = "gallery";

QSpinBox* SizeBox(int nMin, int nMax, int nValue) {
    auto* pBox = new QSpinBox;
    pBox->setRange(nMin, nMax);
    pBox->setSuffix(QString::fromLatin1(kPixelsSuffix));
    pBox->setValue(nValue);
    return pBox;
}

}  // namespace

std::string ProposedGalleryFolder(const std::string& strPhotos) {
    return AbsoluteFolder(std::string(kProposedName), strPhotos);
}

CGalleryDlg::CGalleryDlg(const SettingsStore& store, std::string strPhotos, QWidget* pParent)
    : QDialog(pParent),
      m_store(store),
      m_strPhotos(std::move(strPhotos)),
      m_options(LoadGalleryOptions(store)),
      m_strFolder(LoadGalleryFolder(store)) {
    setWindowTitle(QString::fromLatin1(kTitleText));
    if (m_strFolder.empty()) m_strFolder = ProposedGalleryFolder(m_strPhotos);

    m_pFolder = new QLineEdit(ToDisplay(m_strFolder));
    m_pFolder->setMinimumWidth(320);
    m_pBrowse = new QPushButton(QString::fromLatin1(kBrowseText));
    auto* pFolderRow = new QHBoxLayout;
    pFolderRow->addWidget(m_pFolder, 1);
    pFolderRow->addWidget(m_pBrowse);

    m_pTitle = new QLineEdit(QString::fromStdString(m_options.strTitle));
    m_pTitle->setPlaceholderText(QString::fromLatin1(kTitlePlaceholder));
    m_pWebSize = SizeBox(kGalleryWebSizeMin, kGalleryWebSizeMax, m_options.nWebSize);
    m_pThumbSize = SizeBox(kGalleryThumbSizeMin, kGalleryThumbSizeMax, m_options.nThumbSize);
    m_pCaptions = new QComboBox;
    for (const char* pszChoice : kCaptionChoices)
        m_pCaptions->addItem(QString::fromLatin1(pszChoice));
    m_pCaptions->setCurrentIndex(int(m_options.nCaptions));
    m_pLinkOriginals = new QCheckBox(QString::fromLatin1(kGalleryLinkOriginalsLabel));
    m_pLinkOriginals->setChecked(m_options.bLinkOriginals);
    // Without web copies their size means nothing.
    m_pWebSize->setEnabled(!m_options.bLinkOriginals);

    auto* pForm = new QFormLayout;
    pForm->addRow(QString::fromLatin1(kFolderLabel), pFolderRow);
    pForm->addRow(QString::fromLatin1(kTitleLabel), m_pTitle);
    pForm->addRow(QString::fromLatin1(kWebSizeLabel), m_pWebSize);
    pForm->addRow(QString::fromLatin1(kThumbSizeLabel), m_pThumbSize);
    pForm->addRow(QString::fromLatin1(kCaptionsLabel), m_pCaptions);
    pForm->addRow(m_pLinkOriginals);
    // QFormLayout's labels take the fields as buddies, so the mnemonics work.

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pButtons);

    connect(pButtons, &QDialogButtonBox::accepted, this, &CGalleryDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CGalleryDlg::reject);
    connect(m_pBrowse, &QPushButton::clicked, this, &CGalleryDlg::OnBrowse);
    connect(m_pLinkOriginals, &QCheckBox::toggled, m_pWebSize,
            [this](bool bOn) { m_pWebSize->setEnabled(!bOn); });
}

void CGalleryDlg::OnBrowse() {
    const std::string strTyped = FromDisplay(m_pFolder->text().trimmed());
    // The chooser starts at the folder typed so far, or at the photos.
    const std::string strStart =
        strTyped.empty() ? m_strPhotos : AbsoluteFolder(strTyped, m_strPhotos);
    const QString chosen =
        ChooseFolder(this, QString::fromLatin1(kBrowseTitle), ToDisplay(strStart));
    if (!chosen.isEmpty()) m_pFolder->setText(chosen);
}

void CGalleryDlg::accept() {
    const std::string strTyped = FromDisplay(m_pFolder->text().trimmed());
    if (strTyped.empty()) {
        ShowMessage(QString::fromLatin1(kNoFolderText));
        m_pFolder->setFocus();
        return;
    }
    // A relative folder means one beside or inside the photos, not one
    // below wherever the program happened to be started.
    m_strFolder = AbsoluteFolder(strTyped, m_strPhotos);
    m_options.strTitle = m_pTitle->text().trimmed().toStdString();
    m_options.nWebSize = m_pWebSize->value();
    m_options.nThumbSize = m_pThumbSize->value();
    m_options.nCaptions = GalleryCaptions(m_pCaptions->currentIndex());
    m_options.bLinkOriginals = m_pLinkOriginals->isChecked();
    SaveGalleryOptions(m_store, m_options, m_strFolder);
    QDialog::accept();
}

namespace {

// Only the user-interface thread shows dialogs, so no lock is needed.
GalleryDlgHandler g_handler;

}  // namespace

bool ExecGalleryDlg(CGalleryDlg& dlg) {
    if (g_handler) return g_handler(dlg);
    return dlg.exec() == QDialog::Accepted;
}

GalleryDlgHandler SetGalleryDlgHandler(GalleryDlgHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}

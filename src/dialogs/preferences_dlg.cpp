// SPDX-License-Identifier: MIT
#include "dialogs/preferences_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/gallery_dlg.h"
#include "dialogs/swatch_button.h"
#include "platform/message_box.h"

namespace {

QString IntLabel(int n) { return QString::asprintf("%d", n); }

QLineEdit* DigitsField(QWidget* pParent) {
    auto* pEdit = new QLineEdit(pParent);
    pEdit->setAlignment(Qt::AlignRight);
    pEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), pEdit));
    pEdit->setMaximumWidth(60);
    return pEdit;
}

QRadioButton* AddRadio(QButtonGroup* pGroup, QLayout* pLayout, const char* text, int nId) {
    auto* pButton = new QRadioButton(QString::fromLatin1(text));
    pGroup->addButton(pButton, nId);
    pLayout->addWidget(pButton);
    return pButton;
}

void CheckButton(QButtonGroup* pGroup, int nId) {
    if (QAbstractButton* pButton = pGroup->button(nId)) pButton->setChecked(true);
}

}  // namespace

CPreferencesDlg::CPreferencesDlg(const SettingsStore& store, const PreferencesData& data,
                                 QWidget* pParent)
    : QDialog(pParent), m_store(store), m_data(data) {
    setWindowTitle(QStringLiteral("Preferences"));
    BuildControls();

    ExchangeToControls(m_data, true);
    EnableColorButtons();
    m_pPitchSlider->setTickInterval(100);
    m_pPitchSlider->setPageStep(10);
    // Filled before the range is set, so the position is placed in the range.
    m_pPitchSlider->setRange(m_data.nPitchMin, m_data.nPitchMax);
    m_pPitchSlider->setValue(m_data.nPitch);
    m_pMinText->setText(IntLabel(EvenPitch(m_data.nPitchMin)));
    m_pMaxText->setText(IntLabel(EvenPitch(m_data.nPitchMax)));
    m_pCurrentText->setText(IntLabel(m_data.nPitch));
    EnableSortStyle();

    connect(m_pSortOption, &QButtonGroup::idClicked, this, [this] { EnableSortStyle(); });
    connect(m_pUseDefaultColor, &QCheckBox::toggled, this, [this] { EnableColorButtons(); });
    connect(m_pPitchSlider, &QSlider::actionTriggered, this, &CPreferencesDlg::OnSliderAction);
    connect(m_pPitchSlider, &QSlider::sliderMoved, this,
            [this](int nValue) { m_pCurrentText->setText(IntLabel(EvenPitch(nValue))); });
    connect(m_pRestoreDefaults, &QPushButton::clicked, this, &CPreferencesDlg::OnRestoreDefaults);
}

void CPreferencesDlg::BuildControls() {
    // "Image Pitch": the slider over its three labels.
    auto* pPitchBox = new QGroupBox(QStringLiteral("Image Pitch"));
    m_pPitchSlider = new QSlider(Qt::Horizontal);
    m_pPitchSlider->setTickPosition(QSlider::TicksBelow);
    m_pMinText = new QLabel;
    m_pCurrentText = new QLabel;
    m_pCurrentText->setAlignment(Qt::AlignCenter);
    m_pMaxText = new QLabel;
    m_pMaxText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* pPitchLayout = new QGridLayout(pPitchBox);
    pPitchLayout->addWidget(m_pPitchSlider, 0, 0, 1, 3);
    pPitchLayout->addWidget(m_pMinText, 1, 0);
    pPitchLayout->addWidget(m_pCurrentText, 1, 1);
    pPitchLayout->addWidget(m_pMaxText, 1, 2);
    pPitchLayout->addWidget(new QLabel(QStringLiteral("Min")), 2, 0);
    pPitchLayout->addWidget(new QLabel(QStringLiteral("Current")), 2, 1, Qt::AlignCenter);
    pPitchLayout->addWidget(new QLabel(QStringLiteral("Max")), 2, 2, Qt::AlignRight);

    auto* pViewing = new QGroupBox(QStringLiteral("Viewing"));
    auto* pViewingLayout = new QVBoxLayout(pViewing);
    m_pShowDim = new QCheckBox(QStringLiteral("Show Image Dimensions"));
    m_pShowFileName = new QCheckBox(QStringLiteral("Show File Name"));
    m_pShowFileSize = new QCheckBox(QStringLiteral("Show File Size"));
    m_pShowFileDate = new QCheckBox(QStringLiteral("Show File Date"));
    for (QWidget* p : {m_pShowDim, m_pShowFileName, m_pShowFileSize, m_pShowFileDate})
        pViewingLayout->addWidget(p);
    auto* pSlideRow = new QHBoxLayout;
    m_pSlideTimeText = DigitsField(this);
    pSlideRow->addWidget(m_pSlideTimeText);
    pSlideRow->addWidget(new QLabel(QStringLiteral("Slide Show Interval (seconds)")));
    pViewingLayout->addLayout(pSlideRow);

    auto* pOptionBox = new QGroupBox(QStringLiteral("Sorting Option"));
    auto* pOptionLayout = new QVBoxLayout(pOptionBox);
    m_pSortOption = new QButtonGroup(this);
    AddRadio(m_pSortOption, pOptionLayout, "None", 0);
    AddRadio(m_pSortOption, pOptionLayout, "File Name", 1);
    AddRadio(m_pSortOption, pOptionLayout, "File Size", 2);
    AddRadio(m_pSortOption, pOptionLayout, "File Date", 3);

    auto* pStyleBox = new QGroupBox(QStringLiteral("Sorting Style"));
    auto* pStyleLayout = new QVBoxLayout(pStyleBox);
    m_pSortStyle = new QButtonGroup(this);
    AddRadio(m_pSortStyle, pStyleLayout, "Ascending", 0)->setEnabled(false);
    AddRadio(m_pSortStyle, pStyleLayout, "Decending", 1)->setEnabled(false);

    auto* pColorBox = new QGroupBox;
    auto* pColorLayout = new QGridLayout(pColorBox);
    m_pUseDefaultColor = new QCheckBox(QStringLiteral("Use Default Color"));
    m_pBackPicker = new CSwatchButton;
    m_pFontPicker = new CSwatchButton;
    pColorLayout->addWidget(m_pUseDefaultColor, 0, 0, 1, 2);
    pColorLayout->addWidget(m_pBackPicker, 1, 0);
    pColorLayout->addWidget(new QLabel(QStringLiteral("Back Color")), 1, 1);
    pColorLayout->addWidget(m_pFontPicker, 2, 0);
    pColorLayout->addWidget(new QLabel(QStringLiteral("Font Color")), 2, 1);

    auto* pMruBox = new QGroupBox(QStringLiteral("Most Recently Used Files"));
    auto* pMruLayout = new QHBoxLayout(pMruBox);
    m_pMruCount = DigitsField(this);
    pMruLayout->addWidget(m_pMruCount);
    pMruLayout->addWidget(new QLabel(QStringLiteral("Number of Files on MRU List")));

    auto* pSearchBox = new QGroupBox(QStringLiteral("File Searching"));
    auto* pSearchLayout = new QVBoxLayout(pSearchBox);
    m_pIgnoreTagged = new QCheckBox(QStringLiteral("Ignore Pre/Post pended files when searching"));
    pSearchLayout->addWidget(m_pIgnoreTagged);

    auto* pOpenBox = new QGroupBox(QStringLiteral("Default \"File Open\" Folder"));
    auto* pOpenLayout = new QVBoxLayout(pOpenBox);
    m_pOpenFolder = new QButtonGroup(this);
    AddRadio(m_pOpenFolder, pOpenLayout, "Previous Folder", 0);
    AddRadio(m_pOpenFolder, pOpenLayout, "Desktop", 1);

    auto* pThumbsBox = new QGroupBox(QStringLiteral("Default Thumbs Folder"));
    auto* pThumbsLayout = new QVBoxLayout(pThumbsBox);
    m_pThumbsFolder = new QButtonGroup(this);
    AddRadio(m_pThumbsFolder, pThumbsLayout, "Previous Folder", 0);
    AddRadio(m_pThumbsFolder, pThumbsLayout, "Current Folder", 1);

    auto* pShowBox = new QGroupBox(QStringLiteral("Slide Show and Individual Window Display"));
    auto* pShowLayout = new QVBoxLayout(pShowBox);
    m_pRandom = new QCheckBox(QStringLiteral("Random Slide Show"));
    m_pFitToScreen = new QCheckBox(QStringLiteral("Fit to Screen"));
    pShowLayout->addWidget(m_pRandom);
    pShowLayout->addWidget(m_pFitToScreen);

    // Not part of the slide show's box: it changes the grid and the thumbnail
    // files as well.
    auto* pOrientationBox = new QGroupBox(QStringLiteral("Orientation"));
    auto* pOrientationLayout = new QVBoxLayout(pOrientationBox);
    m_pRotateByTag = new QCheckBox(QStringLiteral("Rotate Images by Their Orientation Tag"));
    pOrientationLayout->addWidget(m_pRotateByTag);

    auto* pBrowsingBox = new QGroupBox(QStringLiteral("Browsing"));
    auto* pBrowsingLayout = new QVBoxLayout(pBrowsingBox);
    for (const BrowsingChoice& c : kBrowsingChoices) {
        m_browsingBoxes.push_back(new QCheckBox(QString::fromLatin1(c.pszLabel)));
        pBrowsingLayout->addWidget(m_browsingBoxes.back());
    }

    auto* pFormatsBox = new QGroupBox(QStringLiteral("Formats"));
    auto* pFormatsLayout = new QVBoxLayout(pFormatsBox);
    for (const FormatsChoice& c : kFormatsChoices) {
        m_formatsBoxes.push_back(new QCheckBox(QString::fromLatin1(c.pszLabel)));
        pFormatsLayout->addWidget(m_formatsBoxes.back());
    }

    auto* pGalleryBox = new QGroupBox(QStringLiteral("Gallery"));
    auto* pGalleryLayout = new QHBoxLayout(pGalleryBox);
    m_pGalleryLinkOriginals = new QCheckBox(QString::fromLatin1(kGalleryLinkOriginalsLabel));
    m_pGalleryThumbSize = new QSpinBox;
    m_pGalleryThumbSize->setRange(kGalleryThumbSizeMin, kGalleryThumbSizeMax);
    m_pGalleryThumbSize->setSuffix(QStringLiteral(" pixels"));
    pGalleryLayout->addWidget(m_pGalleryLinkOriginals, 1);
    pGalleryLayout->addWidget(new QLabel(QStringLiteral("Thumbnail Size")));
    pGalleryLayout->addWidget(m_pGalleryThumbSize);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_pRestoreDefaults =
        pButtons->addButton(QStringLiteral("Restore Defaults"), QDialogButtonBox::ResetRole);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CPreferencesDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CPreferencesDlg::reject);

    auto* pGrid = new QGridLayout(this);
    pGrid->addWidget(pPitchBox, 0, 0, 1, 2);
    pGrid->addWidget(pViewing, 1, 0);
    pGrid->addWidget(pShowBox, 1, 1);
    pGrid->addWidget(pOptionBox, 2, 0);
    pGrid->addWidget(pStyleBox, 2, 1);
    pGrid->addWidget(pColorBox, 3, 0);
    pGrid->addWidget(pMruBox, 3, 1);
    pGrid->addWidget(pSearchBox, 4, 0, 1, 2);
    pGrid->addWidget(pOpenBox, 5, 0);
    pGrid->addWidget(pThumbsBox, 5, 1);
    pGrid->addWidget(pOrientationBox, 6, 0, 1, 2);
    pGrid->addWidget(pBrowsingBox, 7, 0, 1, 2);
    pGrid->addWidget(pFormatsBox, 8, 0, 1, 2);
    pGrid->addWidget(pGalleryBox, 9, 0, 1, 2);
    pGrid->addWidget(pButtons, 10, 0, 1, 2);
}

QRadioButton* CPreferencesDlg::SortOptionButton(int nOption) const {
    return qobject_cast<QRadioButton*>(m_pSortOption->button(nOption));
}

QRadioButton* CPreferencesDlg::SortStyleButton(int nStyle) const {
    return qobject_cast<QRadioButton*>(m_pSortStyle->button(nStyle));
}

QRadioButton* CPreferencesDlg::OpenFolderButton(int nChoice) const {
    return qobject_cast<QRadioButton*>(m_pOpenFolder->button(nChoice));
}

QRadioButton* CPreferencesDlg::ThumbsFolderButton(int nChoice) const {
    return qobject_cast<QRadioButton*>(m_pThumbsFolder->button(nChoice));
}

void CPreferencesDlg::ExchangeToControls(const PreferencesData& data, bool bMru) {
    m_pBackPicker->SetColor(data.crBackColor);
    m_pFontPicker->SetColor(data.crTextColor);
    m_pUseDefaultColor->setChecked(data.bUseDefaultColor);
    CheckButton(m_pSortStyle, data.nSortStyle);
    CheckButton(m_pSortOption, data.nSortOption);
    m_pShowDim->setChecked(data.bShowDim);
    m_pShowFileName->setChecked(data.bShowFileName);
    m_pShowFileSize->setChecked(data.bShowFileSize);
    m_pShowFileDate->setChecked(data.bShowFileDate);
    m_pSlideTimeText->setText(QString::fromStdString(data.strSlideTime));
    m_pRandom->setChecked(data.bRandom);
    m_pFitToScreen->setChecked(data.bFitToScreen);
    m_pRotateByTag->setChecked(data.bRotateByTag);
    for (size_t i = 0; i < m_browsingBoxes.size(); ++i)
        m_browsingBoxes[i]->setChecked(data.browsing.*kBrowsingChoices[i].pMember);
    for (size_t i = 0; i < m_formatsBoxes.size(); ++i)
        m_formatsBoxes[i]->setChecked(data.formats.*kFormatsChoices[i].pMember);
    m_pGalleryLinkOriginals->setChecked(data.gallery.bLinkOriginals);
    m_pGalleryThumbSize->setValue(data.gallery.nThumbSize);
    m_pIgnoreTagged->setChecked(data.bIgnoreTagged);
    if (bMru) m_pMruCount->setText(IntLabel(data.nMruCount));
    CheckButton(m_pOpenFolder, data.nOpenFolderChoice);
    CheckButton(m_pThumbsFolder, data.nThumbsFolderChoice);
}

PreferencesData CPreferencesDlg::ReadControls() const {
    PreferencesData data = m_data;
    data.nPitch = m_pPitchSlider->value();
    data.crBackColor = m_pBackPicker->Color();
    data.crTextColor = m_pFontPicker->Color();
    data.bUseDefaultColor = m_pUseDefaultColor->isChecked();
    data.nSortStyle = std::max(m_pSortStyle->checkedId(), 0);
    data.nSortOption = std::max(m_pSortOption->checkedId(), 0);
    data.bShowDim = m_pShowDim->isChecked();
    data.bShowFileName = m_pShowFileName->isChecked();
    data.bShowFileSize = m_pShowFileSize->isChecked();
    data.bShowFileDate = m_pShowFileDate->isChecked();
    data.strSlideTime = m_pSlideTimeText->text().toStdString();
    data.bRandom = m_pRandom->isChecked();
    data.bFitToScreen = m_pFitToScreen->isChecked();
    data.bRotateByTag = m_pRotateByTag->isChecked();
    for (size_t i = 0; i < m_browsingBoxes.size(); ++i)
        data.browsing.*kBrowsingChoices[i].pMember = m_browsingBoxes[i]->isChecked();
    for (size_t i = 0; i < m_formatsBoxes.size(); ++i)
        data.formats.*kFormatsChoices[i].pMember = m_formatsBoxes[i]->isChecked();
    data.gallery.bLinkOriginals = m_pGalleryLinkOriginals->isChecked();
    data.gallery.nThumbSize = m_pGalleryThumbSize->value();
    data.bIgnoreTagged = m_pIgnoreTagged->isChecked();
    data.nOpenFolderChoice = std::max(m_pOpenFolder->checkedId(), 0);
    data.nThumbsFolderChoice = std::max(m_pThumbsFolder->checkedId(), 0);
    return data;
}

void CPreferencesDlg::EnableSortStyle() {
    const bool bSorted = m_pSortOption->checkedId() > 0;
    for (QAbstractButton* pButton : m_pSortStyle->buttons()) pButton->setEnabled(bSorted);
}

void CPreferencesDlg::EnableColorButtons() {
    const bool bOwn = !m_pUseDefaultColor->isChecked();
    m_pBackPicker->setEnabled(bOwn);
    m_pFontPicker->setEnabled(bOwn);
}

void CPreferencesDlg::OnSliderAction(int nAction) {
    // The position has moved already; the value follows after this signal.
    if (nAction == QAbstractSlider::SliderPageStepAdd ||
        nAction == QAbstractSlider::SliderPageStepSub)
        m_pCurrentText->setText(IntLabel(EvenPitch(m_pPitchSlider->sliderPosition())));
}

void CPreferencesDlg::OnRestoreDefaults() {
    PreferencesData data = ReadControls();
    data.nPitchMin = m_pMinText->text().toInt();
    RestoreDefaults(data);
    ExchangeToControls(data, false);
    EnableColorButtons();
    EnableSortStyle();
    m_pPitchSlider->setValue(data.nPitch);
    m_pCurrentText->setText(IntLabel(m_pPitchSlider->value()));
    // The warnings come back whatever the user does next, Cancel included.
    ResetWarnings(m_store);
}

void CPreferencesDlg::accept() {
    PreferencesData data = ReadControls();
    int nMru = 0;
    if (!ParseMruCount(m_pMruCount->text(), nMru)) {
        ShowMessage(MruRangeText());
        m_pMruCount->setFocus();
        m_pMruCount->selectAll();
        return;
    }
    data.nMruCount = nMru;
    m_data = data;
    QDialog::accept();
}

namespace {

PreferencesDlgHandler g_handler;

}  // namespace

bool ExecPreferencesDlg(CPreferencesDlg& dlg) {
    if (g_handler) return g_handler(dlg);
    return dlg.exec() == QDialog::Accepted;
}

PreferencesDlgHandler SetPreferencesDlgHandler(PreferencesDlgHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}

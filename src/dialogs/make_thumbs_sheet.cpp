// SPDX-License-Identifier: MIT
#include "dialogs/make_thumbs_sheet.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/folder_dialog.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/save_dialog.h"
#include "platform/warning_question.h"
#include "publish/run_options.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

const char* const kNoThumbFolderText =
    "First, please specify a Folder for the ThumbNails.\n\n(On the first tab.))";
const char* const kRangeText = "Please enter an integer between %1 and %2.";
const char* const kIntegerText = "Please enter an integer.";
const char* const kBrowseTitle = "Folder to search for JPGs";

QString Text(const std::string& s) { return ToDisplay(s); }
std::string Bytes(const QString& s) { return FromDisplay(s); }

// A field of whole numbers: false, with the message and the field focused,
// when the text is no number or out of range.
bool CheckNumber(QLineEdit* pEdit, int nMin, int nMax, bool bRange, int& nValue) {
    bool bOk = false;
    const int n = pEdit->text().trimmed().toInt(&bOk);
    if (bOk && (!bRange || (n >= nMin && n <= nMax))) {
        nValue = n;
        return true;
    }
    ShowMessage(bRange ? QString::fromLatin1(kRangeText).arg(nMin).arg(nMax)
                       : QString::fromLatin1(kIntegerText));
    pEdit->setFocus();
    pEdit->selectAll();
    return false;
}

// The folder must be one the user can enter; the process's current
// directory is not touched, since workers may run beside the sheet.
bool FolderExists(const std::string& strFolder) {
    struct stat st {};
    return !strFolder.empty() && ::stat(strFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(strFolder.c_str(), X_OK) == 0;
}

QLineEdit* NumberEdit(const char* name) {
    auto* pEdit = new QLineEdit;
    pEdit->setObjectName(QString::fromLatin1(name));
    pEdit->setMaximumWidth(80);
    return pEdit;
}

}  // namespace

bool CheckOverwrite(const SettingsStore& store, const std::string& strImagesFolder,
                    const std::string& strThumbFolder) {
    if (store.GetInt(kSectionSettings, kNoOverDlg, kNoOverDlgDefault) != 0) return true;
    // Any spelling of the images' own folder counts: a trailing "/", "."
    // parts or a link must not let the originals be overwritten unasked.
    if (!SameFolder(strImagesFolder, strThumbFolder)) return true;
    const WarningAnswer answer = AskWarning(QString::fromLatin1(kOverwriteOriginalsText));
    if (!answer.bYes) return false;
    if (answer.bDontShowAgain) store.PutInt(kSectionSettings, kNoOverDlg, 1);
    return true;
}

// ---- Thumbs ----

CMakeTh::CMakeTh(CMakeThumbsSheet& sheet, PublishSettings& data) : m_sheet(sheet), m_data(data) {
    auto* pLayout = new QVBoxLayout(this);

    auto* pScope = new QGroupBox(QStringLiteral("Size and Scope"));
    auto* pScopeLayout = new QGridLayout(pScope);
    m_pSize = NumberEdit("size");
    pScopeLayout->addWidget(new QLabel(QStringLiteral("Limit the Size of a ThumbNail JPG to this value")), 0, 0);
    pScopeLayout->addWidget(m_pSize, 0, 1);
    m_pAll = new QCheckBox(
        QStringLiteral("Create ThumbNails For All Full-Size Images in this Display"));
    m_pAllLabel = new QLabel(QStringLiteral("ThumbNails will be created for all Images in this Folder"));
    m_pAllLabel->hide();
    pScopeLayout->addWidget(m_pAll, 1, 0, 1, 2);
    pScopeLayout->addWidget(m_pAllLabel, 2, 0, 1, 2);
    m_pQuality = NumberEdit("quality");
    pScopeLayout->addWidget(
        new QLabel(QStringLiteral("Use this compression fidelity factor (100% is best)")), 3, 0);
    pScopeLayout->addWidget(m_pQuality, 3, 1);
    pLayout->addWidget(pScope);

    auto* pNamingBox = new QGroupBox(QStringLiteral("ThumbNail Files Naming"));
    auto* pNamingLayout = new QGridLayout(pNamingBox);
    m_pNaming = new QButtonGroup(this);
    const char* const captions[] = {"\"File Name\" followed by this text...",
                                    "Pre-pend \"File Name\" with this text...",
                                    "Use original File Name as-is"};
    for (int i = 0; i < 3; ++i) {
        auto* pRadio = new QRadioButton(QString::fromLatin1(captions[i]));
        m_pNaming->addButton(pRadio, i);
        pNamingLayout->addWidget(pRadio, i, 0);
    }
    m_pSuffix = new QLineEdit;
    m_pPrefix = new QLineEdit;
    pNamingLayout->addWidget(m_pSuffix, 0, 1);
    pNamingLayout->addWidget(m_pPrefix, 1, 1);
    pLayout->addWidget(pNamingBox);
    connect(NamingRadio(SourceName), &QRadioButton::clicked, this, &CMakeTh::OnSourceNameChosen);

    auto* pFolderBox = new QGroupBox(QStringLiteral("Folder Where ThumbNails Will Be Created"));
    auto* pFolderLayout = new QHBoxLayout(pFolderBox);
    m_pFolder = new QLineEdit;
    m_pBrowse = new QPushButton(QStringLiteral("Browse..."));
    pFolderLayout->addWidget(m_pFolder);
    pFolderLayout->addWidget(m_pBrowse);
    pLayout->addWidget(pFolderBox);
    connect(m_pBrowse, &QPushButton::clicked, this, &CMakeTh::OnBrowse);

    // Without a selection every image is made, whatever was stored.
    if (!sheet.Context().bSelection) {
        m_pAllLabel->show();
        m_pAll->hide();
        m_data.bDoAll = true;
    }
    WriteControls();
}

QRadioButton* CMakeTh::NamingRadio(int nMode) const {
    return static_cast<QRadioButton*>(m_pNaming->button(nMode));
}

void CMakeTh::WriteControls() {
    m_pSize->setText(QString::number(m_data.job.m_nSizeLimit));
    m_pQuality->setText(QString::number(m_data.job.m_nQuality));
    m_pAll->setChecked(m_data.bDoAll);
    if (QAbstractButton* pRadio = m_pNaming->button(m_data.job.m_nNaming)) pRadio->setChecked(true);
    m_pSuffix->setText(Text(m_data.job.m_strSuffix));
    m_pPrefix->setText(Text(m_data.job.m_strPrefix));
    m_pFolder->setText(Text(m_data.job.m_strFolder));
}

void CMakeTh::ReadControls() {
    if (m_pAll->isVisibleTo(this)) m_data.bDoAll = m_pAll->isChecked();
    const int nMode = m_pNaming->checkedId();
    m_data.job.m_nNaming = nMode >= 0 ? ThumbNaming(nMode) : AppendText;
    m_data.job.m_strSuffix = Bytes(m_pSuffix->text());
    m_data.job.m_strPrefix = Bytes(m_pPrefix->text());
    m_data.job.m_strFolder = Bytes(m_pFolder->text());
}

bool CMakeTh::WarnedFor(const std::string& strFolder) const {
    return m_bWarned && SameFolder(m_strWarnedFolder, strFolder);
}

void CMakeTh::OnSourceNameChosen() {
    ReadControls();
    if (WarnedFor(m_data.job.m_strFolder)) return;
    if (CheckOverwrite(m_sheet.Store(), m_sheet.Context().strImagesFolder,
                       m_data.job.m_strFolder)) {
        // The flag holds only for this folder: one pointed at the photos
        // afterwards must still ask before they are written over.
        m_bWarned = true;
        m_strWarnedFolder = m_data.job.m_strFolder;
        return;
    }
    m_data.job.m_nNaming = AppendText;
    NamingRadio(AppendText)->setChecked(true);
}

void CMakeTh::OnBrowse() {
    const QString chosen =
        ChooseFolder(this, QString::fromLatin1(kBrowseTitle), m_pFolder->text());
    if (!chosen.isEmpty()) m_pFolder->setText(chosen);
}

bool CMakeTh::OnKillActive() {
    ReadControls();
    bool bRefused = false;
    if (!FolderExists(m_data.job.m_strFolder)) {
        ShowMessage(QString::fromLatin1(kFolderMissingText).arg(m_pFolder->text()));
        bRefused = true;
    } else if (m_data.job.m_nNaming == SourceName && !WarnedFor(m_data.job.m_strFolder) &&
               !CheckOverwrite(m_sheet.Store(), m_sheet.Context().strImagesFolder,
                               m_data.job.m_strFolder)) {
        bRefused = true;
    }
    // The blank-text checks come even after a refusal: two boxes may follow.
    if (m_data.job.m_nNaming == AppendText && m_data.job.m_strSuffix.empty()) {
        ShowMessage(QString::fromLatin1(kBlankSuffixText));
        bRefused = true;
    }
    if (m_data.job.m_nNaming == PrependText && m_data.job.m_strPrefix.empty()) {
        ShowMessage(QString::fromLatin1(kBlankPrefixText));
        bRefused = true;
    }
    if (bRefused) return false;
    return CheckNumber(m_pSize, kSizeLimitMin, kSizeLimitMax, true, m_data.job.m_nSizeLimit) &&
           CheckNumber(m_pQuality, kQualityMin, kQualityMax, true, m_data.job.m_nQuality);
}

// ---- Page ----

CMakePg1::CMakePg1(CMakeThumbsSheet& sheet, PublishSettings& data) : m_sheet(sheet), m_data(data) {
    auto* pLayout = new QVBoxLayout(this);
    m_pLink = new QCheckBox(
        QStringLiteral("Make each ThumbNail a hyper-link to the full size image"));
    pLayout->addWidget(m_pLink);
    m_pStyle = new QButtonGroup(this);
    const char* const styles[] = {
        "Open Full Size Image in Same Window",
        "Open Full Size Image in New Window (Netscape/Standard style)",
        "Open Full Size Image in New Window (Microsoft style)"};
    for (int i = 0; i < 3; ++i) {
        auto* pRadio = new QRadioButton(QString::fromLatin1(styles[i]));
        m_pStyle->addButton(pRadio, i);
        pLayout->addWidget(pRadio);
    }
    m_pTextHref = new QCheckBox(QStringLiteral("Also include a simple Text anchor (the file name)"));
    pLayout->addWidget(m_pTextHref);

    m_pTable = new QCheckBox(
        QStringLiteral("Put Thumbs/Links in a Table (if creating from multiple images)"));
    pLayout->addWidget(m_pTable);
    auto* pTableLayout = new QGridLayout;
    m_pRows = NumberEdit("rows");
    m_pBorder = NumberEdit("border");
    m_pCell = NumberEdit("cell");
    m_pPad = NumberEdit("pad");
    const char* const labels[] = {"Thumbs / row", "Border size", "Cell Size", "Pad Size"};
    QLineEdit* const edits[] = {m_pRows, m_pBorder, m_pCell, m_pPad};
    for (int i = 0; i < 4; ++i) {
        m_pTableLabels[i] = new QLabel(QString::fromLatin1(labels[i]));
        pTableLayout->addWidget(edits[i], i / 2, (i % 2) * 2);
        pTableLayout->addWidget(m_pTableLabels[i], i / 2, (i % 2) * 2 + 1);
    }
    pLayout->addLayout(pTableLayout);

    auto* pFileBox = new QGroupBox(QStringLiteral("Path Name of the Page to be Created"));
    auto* pFileLayout = new QGridLayout(pFileBox);
    m_pFile = new QLineEdit;
    m_pSameFolder = new QPushButton(QStringLiteral("Create HTML Page in Same Folder As ThumbNails"));
    m_pBrowse = new QPushButton(QStringLiteral("Browse..."));
    pFileLayout->addWidget(m_pFile, 0, 0, 1, 2);
    pFileLayout->addWidget(m_pSameFolder, 1, 0);
    pFileLayout->addWidget(m_pBrowse, 1, 1);
    pLayout->addWidget(pFileBox);

    connect(m_pLink, &QCheckBox::clicked, this, [this] {
        ReadControls();
        EnableLinkControls();
    });
    connect(m_pTable, &QCheckBox::clicked, this, [this] {
        ReadControls();
        EnableTableControls();
    });
    connect(m_pSameFolder, &QPushButton::clicked, this, &CMakePg1::OnSameFolder);
    connect(m_pBrowse, &QPushButton::clicked, this, &CMakePg1::OnBrowse);
    WriteControls();
}

QRadioButton* CMakePg1::StyleRadio(int nStyle) const {
    return static_cast<QRadioButton*>(m_pStyle->button(nStyle));
}

void CMakePg1::WriteControls() {
    m_pLink->setChecked(m_data.page.m_bHref);
    if (QAbstractButton* pRadio = m_pStyle->button(m_data.page.m_nHrefStyle))
        pRadio->setChecked(true);
    m_pTextHref->setChecked(m_data.page.m_bTextHref);
    m_pTable->setChecked(m_data.page.m_bTable);
    m_pRows->setText(QString::number(m_data.page.m_nRowCount));
    m_pBorder->setText(QString::number(m_data.page.m_nBorder));
    m_pCell->setText(QString::number(m_data.page.m_nCell));
    m_pPad->setText(QString::number(m_data.page.m_nCellPad));
    m_pFile->setText(Text(m_data.page.m_strFile));
}

void CMakePg1::ReadControls() {
    m_data.page.m_bHref = m_pLink->isChecked();
    m_data.page.m_nHrefStyle = std::max(m_pStyle->checkedId(), 0);
    m_data.page.m_bTextHref = m_pTextHref->isChecked();
    m_data.page.m_bTable = m_pTable->isChecked();
    m_data.page.m_strFile = Bytes(m_pFile->text());
}

void CMakePg1::EnableLinkControls() {
    for (int i = 0; i < 3; ++i) StyleRadio(i)->setEnabled(m_data.page.m_bHref);
    m_pTextHref->setEnabled(m_data.page.m_bHref);
}

void CMakePg1::EnableTableControls() {
    const bool bOn = m_data.bDoAll && m_data.page.m_bTable;
    for (QWidget* p : {static_cast<QWidget*>(m_pRows), static_cast<QWidget*>(m_pBorder),
                       static_cast<QWidget*>(m_pCell), static_cast<QWidget*>(m_pPad)})
        p->setEnabled(bOn);
    for (QLabel* pLabel : m_pTableLabels) pLabel->setEnabled(bOn);
}

void CMakePg1::OnSetActive() {
    // Texts typed on an earlier visit are kept, not replaced by the fields.
    ReadControls();
    EnableLinkControls();
    const bool bTableAllowed = m_data.bDoAll && m_sheet.Context().nEntries > 1;
    m_pTable->setEnabled(bTableAllowed);
    if (!bTableAllowed) m_data.page.m_bTable = false;
    m_pTable->setChecked(m_data.page.m_bTable);
    EnableTableControls();
    m_pFile->setText(Text(m_data.page.m_strFile));
}

bool CMakePg1::OnKillActive() {
    ReadControls();
    return CheckNumber(m_pRows, kRowCountMin, kRowCountMax, true, m_data.page.m_nRowCount) &&
           CheckNumber(m_pBorder, kBorderMin, kBorderMax, true, m_data.page.m_nBorder) &&
           CheckNumber(m_pCell, kCellMin, kCellMax, true, m_data.page.m_nCell) &&
           CheckNumber(m_pPad, 0, 0, false, m_data.page.m_nCellPad);
}

void CMakePg1::OnSameFolder() {
    ReadControls();
    const std::string& strFolder = m_data.job.m_strFolder;
    if (strFolder.empty()) {
        ShowMessage(QString::fromLatin1(kNoThumbFolderText));
        return;
    }
    const std::string& strFile = m_data.page.m_strFile;
    const std::size_t nSlash = strFile.rfind('/');
    std::string strName = nSlash == std::string::npos ? strFile : strFile.substr(nSlash + 1);
    if (strFile.empty()) strName = "temp.html";
    m_data.page.m_strFile = strFolder + (strFolder.back() == '/' ? "" : "/") + strName;
    m_pFile->setText(Text(m_data.page.m_strFile));
}

void CMakePg1::OnBrowse() {
    ReadControls();
    SaveDialogRequest request;
    request.initialPath = m_pFile->text();
    request.filters = QStringList{QStringLiteral("Htm Files (*.htm)"),
                                  QStringLiteral("Html Files (*.html)"),
                                  QStringLiteral("Text Files (*.txt)"),
                                  QStringLiteral("All Files (*)")};
    request.defaultSuffix = QStringLiteral("htm");
    request.bConfirmOverwrite = true;
    const QString chosen = ChooseSaveFile(this, request);
    if (chosen.isEmpty()) return;
    m_data.page.m_strFile = AbsoluteFolder(Bytes(chosen));
    m_pFile->setText(Text(m_data.page.m_strFile));
}

// ---- Extras ----

CMakePg2::CMakePg2(PublishSettings& data) : m_data(data) {
    auto* pLayout = new QVBoxLayout(this);
    m_pBefore = new QPlainTextEdit(Text(data.strBefore));
    m_pAfter = new QPlainTextEdit(Text(data.strAfter));
    pLayout->addWidget(
        new QLabel(QStringLiteral("Place This HTML Formatted Text Before the Thumbs/Links")));
    pLayout->addWidget(m_pBefore);
    pLayout->addWidget(
        new QLabel(QStringLiteral("Place This HTML Formatted Text After the Thumbs/Links")));
    pLayout->addWidget(m_pAfter);
}

void CMakePg2::ReadControls() {
    m_data.strBefore = Bytes(m_pBefore->toPlainText());
    m_data.strAfter = Bytes(m_pAfter->toPlainText());
}

// ---- The sheet ----

CMakeThumbsSheet::CMakeThumbsSheet(QWidget* pOwner, bool bPage, const SettingsStore& store,
                                   const MakeThumbsContext& context, PublishSettings data)
    : QDialog(pOwner), m_store(store), m_context(context), m_data(std::move(data)) {
    setWindowTitle(bPage ? QStringLiteral("Create Thumbs and Page")
                         : QStringLiteral("Create Thumbs"));
    auto* pLayout = new QVBoxLayout(this);
    m_pTabs = new QTabWidget;
    m_pThumbs = new CMakeTh(*this, m_data);
    m_pTabs->addTab(m_pThumbs, QStringLiteral("Thumbs"));
    // The extras page exists for both commands but is shown only with the page.
    m_pExtras = new CMakePg2(m_data);
    if (bPage) {
        m_pPage = new CMakePg1(*this, m_data);
        m_pTabs->addTab(m_pPage, QStringLiteral("Page"));
        m_pTabs->addTab(m_pExtras, QStringLiteral("Extras"));
    } else {
        m_pExtras->setParent(this);
        m_pExtras->hide();
    }
    pLayout->addWidget(m_pTabs);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pLayout->addWidget(pButtons);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CMakeThumbsSheet::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CMakeThumbsSheet::reject);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CMakeThumbsSheet::OnTabChanged);
}

bool CMakeThumbsSheet::LeaveCurrent() {
    QWidget* pShown = m_pTabs->widget(m_nShown);
    if (pShown == m_pThumbs) return m_pThumbs->OnKillActive();
    if (m_pPage && pShown == m_pPage) return m_pPage->OnKillActive();
    if (pShown == m_pExtras) m_pExtras->ReadControls();
    return true;
}

void CMakeThumbsSheet::OnTabChanged(int nIndex) {
    if (m_bSwitching) return;
    if (!LeaveCurrent()) {
        // The page that refused stays shown.
        m_bSwitching = true;
        m_pTabs->setCurrentIndex(m_nShown);
        m_bSwitching = false;
        return;
    }
    m_nShown = nIndex;
    if (m_pPage && m_pTabs->widget(nIndex) == m_pPage) m_pPage->OnSetActive();
}

void CMakeThumbsSheet::accept() {
    if (!LeaveCurrent()) return;
    m_pExtras->ReadControls();
    QDialog::accept();
}

namespace {

// Only the user-interface thread shows dialogs, so no lock is needed.
MakeThumbsSheetHandler g_handler;

}  // namespace

bool ExecMakeThumbsSheet(CMakeThumbsSheet& sheet) {
    if (g_handler) return g_handler(sheet);
    return sheet.exec() == QDialog::Accepted;
}

MakeThumbsSheetHandler SetMakeThumbsSheetHandler(MakeThumbsSheetHandler handler) {
    std::swap(g_handler, handler);
    return handler;
}

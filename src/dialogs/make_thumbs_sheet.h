// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "publish/publish_settings.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class SettingsStore;

// What the sheet needs to know of the catalogue it is about.
struct MakeThumbsContext {
    bool bSelection = false;        // an entry is selected
    std::size_t nEntries = 0;       // entries in the catalogue
    std::string strImagesFolder;    // the first entry's folder
};

// Asks before thumbnails named like their sources go into the images' own
// folder, unless "NoOverDlg" says not to. True: go on.
bool CheckOverwrite(const SettingsStore& store, const std::string& strImagesFolder,
                    const std::string& strThumbFolder);

class CMakeThumbsSheet;

// "Thumbs": size, scope, naming, folder and quality of the thumbnail files.
class CMakeTh : public QWidget {
    Q_OBJECT
public:
    CMakeTh(CMakeThumbsSheet& sheet, PublishSettings& data);
    // Reads the controls and checks them; false keeps the page shown.
    bool OnKillActive();
    void ReadControls();
    void WriteControls();

    QLineEdit* SizeEdit() const { return m_pSize; }
    QLineEdit* FolderEdit() const { return m_pFolder; }
    QLineEdit* SuffixEdit() const { return m_pSuffix; }
    QLineEdit* PrefixEdit() const { return m_pPrefix; }
    QLineEdit* QualityEdit() const { return m_pQuality; }
    QCheckBox* AllImagesBox() const { return m_pAll; }
    QLabel* AllImagesLabel() const { return m_pAllLabel; }
    QRadioButton* NamingRadio(int nMode) const;
    QPushButton* BrowseButton() const { return m_pBrowse; }

private:
    void OnSourceNameChosen();
    void OnBrowse();
    // True when the user already let source names into this very folder
    // during this showing of the sheet.
    bool WarnedFor(const std::string& strFolder) const;

    CMakeThumbsSheet& m_sheet;
    PublishSettings& m_data;
    bool m_bWarned = false;
    std::string m_strWarnedFolder;  // the folder the warned flag speaks for
    QString m_strSize;
    QString m_strQuality;
    QLineEdit* m_pSize;
    QLineEdit* m_pFolder;
    QLineEdit* m_pSuffix;
    QLineEdit* m_pPrefix;
    QLineEdit* m_pQuality;
    QCheckBox* m_pAll;
    QLabel* m_pAllLabel;
    QButtonGroup* m_pNaming;
    QPushButton* m_pBrowse;
};

// "Page": how the web page is laid out and where it goes.
class CMakePg1 : public QWidget {
    Q_OBJECT
public:
    CMakePg1(CMakeThumbsSheet& sheet, PublishSettings& data);
    void OnSetActive();
    bool OnKillActive();
    void ReadControls();
    void WriteControls();

    QCheckBox* LinkBox() const { return m_pLink; }
    QCheckBox* TableBox() const { return m_pTable; }
    QCheckBox* TextAnchorBox() const { return m_pTextHref; }
    QRadioButton* StyleRadio(int nStyle) const;
    QLineEdit* FileEdit() const { return m_pFile; }
    QLineEdit* RowsEdit() const { return m_pRows; }
    QLineEdit* BorderEdit() const { return m_pBorder; }
    QLineEdit* CellEdit() const { return m_pCell; }
    QLineEdit* PadEdit() const { return m_pPad; }
    QPushButton* SameFolderButton() const { return m_pSameFolder; }
    QPushButton* BrowseButton() const { return m_pBrowse; }

private:
    void EnableLinkControls();
    void EnableTableControls();
    void OnSameFolder();
    void OnBrowse();

    CMakeThumbsSheet& m_sheet;
    PublishSettings& m_data;
    QString m_strRows, m_strBorder, m_strCell, m_strPad;
    QCheckBox* m_pLink;
    QCheckBox* m_pTable;
    QCheckBox* m_pTextHref;
    QButtonGroup* m_pStyle;
    QLineEdit* m_pFile;
    QLineEdit* m_pRows;
    QLineEdit* m_pBorder;
    QLineEdit* m_pCell;
    QLineEdit* m_pPad;
    QLabel* m_pTableLabels[4];
    QPushButton* m_pSameFolder;
    QPushButton* m_pBrowse;
};

// "Extras": the page's head and tail texts.
class CMakePg2 : public QWidget {
    Q_OBJECT
public:
    explicit CMakePg2(PublishSettings& data);
    void ReadControls();
    QPlainTextEdit* BeforeEdit() const { return m_pBefore; }
    QPlainTextEdit* AfterEdit() const { return m_pAfter; }

private:
    PublishSettings& m_data;
    QPlainTextEdit* m_pBefore;
    QPlainTextEdit* m_pAfter;
};

// "Create Thumbs" or "Create Thumbs and Page": the pages in tabs with OK and
// Cancel. A page that refuses to be left stays shown.
class CMakeThumbsSheet : public QDialog {
    Q_OBJECT
public:
    CMakeThumbsSheet(QWidget* pOwner, bool bPage, const SettingsStore& store,
                     const MakeThumbsContext& context, PublishSettings data);

    const PublishSettings& Data() const { return m_data; }
    const SettingsStore& Store() const { return m_store; }
    const MakeThumbsContext& Context() const { return m_context; }
    bool HasPage() const { return m_pPage != nullptr; }

    QTabWidget* Tabs() const { return m_pTabs; }
    CMakeTh* ThumbsPage() const { return m_pThumbs; }
    CMakePg1* PagePage() const { return m_pPage; }
    CMakePg2* ExtrasPage() const { return m_pExtras; }

    void accept() override;

private:
    // Leaves the page shown; false when it refuses.
    bool LeaveCurrent();
    void OnTabChanged(int nIndex);

    const SettingsStore& m_store;
    MakeThumbsContext m_context;
    PublishSettings m_data;
    QTabWidget* m_pTabs;
    CMakeTh* m_pThumbs;
    CMakePg1* m_pPage = nullptr;
    CMakePg2* m_pExtras = nullptr;
    int m_nShown = 0;
    bool m_bSwitching = false;
};

// Shows the sheet modally; true on OK. Tests replace the handler to fill in
// the pages and press OK or Cancel.
bool ExecMakeThumbsSheet(CMakeThumbsSheet& sheet);
using MakeThumbsSheetHandler = std::function<bool(CMakeThumbsSheet& sheet)>;
MakeThumbsSheetHandler SetMakeThumbsSheetHandler(MakeThumbsSheetHandler handler);

// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// Control ids, kept as object names so tests and the frame can find them.
inline constexpr int IDD_CHOOSE_DIR = 121;
inline constexpr int IDC_PATH_EDIT = 107;
inline constexpr int IDC_DIR_LIST = 1121;
inline constexpr int IDC_DRIVE_LIST = 1137;

enum class ChooseDirOutcome { Accept, Stay };

// Runs the chooser's OK checks on the typed path, asking the user through
// ShowMessage where a check needs an answer. A relative path is taken from
// listFolder, the folder the directory list has open. On Accept, result is
// the chosen folder as typed (anchored at listFolder when relative), without
// a trailing "/" unless it is the root.
ChooseDirOutcome CheckChosenDirectory(const std::string& typed, const std::string& listFolder,
                                      std::string& result);

// The places a user starts from: "/", the home folder and the mounted file
// systems that hold files (no kernel or memory file systems), without repeats.
std::vector<std::string> StartingPlaces();

// A modal chooser of the program's own: a path field over the folder chain
// and subfolders of the open folder, and the starting places. It can create a
// folder that does not exist yet.
class CChooseDir : public QDialog {
    Q_OBJECT
public:
    // An empty or vanished start folder opens the nearest existing folder
    // above it, or the process's current directory.
    explicit CChooseDir(QWidget* pOwner = nullptr, const std::string& startFolder = {});

    // The folder chosen with OK; empty until then.
    const std::string& ChosenFolder() const { return m_strChosen; }
    // The folder the directory list has open.
    const std::string& OpenFolder() const { return m_strOpen; }
    void Open(const std::string& folder);

    QLineEdit* PathEdit() const { return m_pPathEdit; }
    QListWidget* DirList() const { return m_pDirList; }
    QComboBox* DriveList() const { return m_pDriveList; }

    void accept() override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OpenItem(QListWidgetItem* pItem);
    void FillDirList();

    QLineEdit* m_pPathEdit = nullptr;
    QListWidget* m_pDirList = nullptr;
    QComboBox* m_pDriveList = nullptr;
    std::string m_strOpen;
    QString m_strShown;  // the field's text as last assembled from the list
    std::string m_strChosen;
};

// Runs the chooser modally; returns the chosen folder, or an empty text on
// Cancel. Tests of the frame replace the handler to script the answer.
std::string ChooseDirectory(QWidget* pOwner, const std::string& startFolder);

using ChooseDirHandler =
    std::function<std::string(QWidget* pOwner, const std::string& startFolder)>;
// Replaces the handler; returns the previous one. Empty restores the real dialog.
ChooseDirHandler SetChooseDirHandler(ChooseDirHandler handler);

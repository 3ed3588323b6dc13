// SPDX-License-Identifier: MIT
#include "browser/file_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "browser/catalogue/catalogue.h"
#include "browser/catalogue/thumb_cache.h"
#include "browser/view_host.h"
#include "platform/message_box.h"
#include "platform/move_file.h"
#include "platform/paths.h"
#include "platform/replace_file.h"
#include "platform/save_dialog.h"
#include "platform/shell_open.h"
#include "platform/warning_question.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

const char* const kDetailsOpenText = "Error opening file.";
const char* const kDetailsWriteText = "Could not write %1";
const char* const kDeleteQuestion =
    "You are about to permamently delete this JPEG.\n\nAre you sure you want to do this?";
const char* const kDeleteFailedText = "Could not delete file\n%1";
const char* const kTrashQuestion =
    "You are about to move this photo to the Trash:\n%1\n\nAre you sure you want to do this?";
const char* const kTrashFailedText =
    "Could not move the photo to the Trash, so it was not deleted:\n%1";
const char* const kUndoTakenText =
    "Could not put the photo back from the Trash, as another file now has its name:\n%1";
const char* const kUndoFailedText = "Could not put the photo back from the Trash:\n%1";
const char* const kTargetExistsText =
    "The file name you chose\n%1\nis a file that already exists.\n\nPlease choose a different "
    "name.";
const char* const kAllFilesFilter = "All Files (*)";

// The save dialog offers the entry's own kind of file first. "All Files"
// matches every name on Linux, also one without a dot.
SaveDialogRequest MoveDialogRequest(const ImageItem& item) {
    const QString ext = ToDisplay(item.m_strExt).toUpper();
    SaveDialogRequest request;
    request.initialPath = ToDisplay(item.m_strPath);
    if (ext == QLatin1String(".JPG")) {
        request.filters << QStringLiteral("JPG Files (*.jpg)");
        request.defaultSuffix = QStringLiteral("jpg");
    } else if (ext == QLatin1String(".JPEG")) {
        request.filters << QStringLiteral("JPEG Files (*.jpeg)");
        request.defaultSuffix = QStringLiteral("jpeg");
    } else if (ext == QLatin1String(".BMP")) {
        request.filters << QStringLiteral("BMP Files (*.bmp)");
    }
    request.filters << QString::fromLatin1(kAllFilesFilter);
    return request;
}

// The chosen path as bytes. A folder whose name is not valid UTF-8 comes
// back from the dialog changed, so the entry's own folder keeps its bytes
// when the user stayed in it.
std::string ChosenPath(const QString& chosen, const ImageItem& item) {
    const qsizetype nSlash = chosen.lastIndexOf(QLatin1Char('/'));
    if (nSlash >= 0 && chosen.left(nSlash + 1) == ToDisplay(item.m_strFolder) &&
        !item.m_strFolder.empty() && item.m_strFolder.front() == '/')
        return item.m_strFolder + FromDisplay(chosen.mid(nSlash + 1));
    return AbsoluteFolder(FromDisplay(chosen));
}

// The Trash's record of where a file came from: ".../files/NAME" is
// described by ".../info/NAME.trashinfo".
std::string TrashInfoPath(const std::string& strInTrash) {
    const std::size_t nSlash = strInTrash.rfind('/');
    const std::string strFiles = strInTrash.substr(0, nSlash == std::string::npos ? 0 : nSlash);
    if (!strFiles.ends_with("files")) return {};
    return strFiles.substr(0, strFiles.size() - 5) + "info/" + strInTrash.substr(nSlash + 1) +
           ".trashinfo";
}

// Moves a file to the desktop Trash; returns where the Trash keeps it, or
// "" when the Trash did not take it and the file is where it was.
std::string MoveFileToTrash(const std::string& strPath) {
    // The home Trash sits in the data folder, which a fresh account may
    // still lack; the Trash would be refused without it.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    const bool bHadFiles = QFileInfo::exists(QStringLiteral("files"));
    const bool bHadInfo = QFileInfo::exists(QStringLiteral("info"));
    QString inTrash;
    if (!QFile::moveToTrash(ToDisplay(strPath), &inTrash)) return {};
    std::string strInTrash = FromDisplay(inTrash);
    if (!strInTrash.empty() && strInTrash.front() == '/') return strInTrash;
    // Where no Trash can be made, Qt reports success for a move into
    // "files" and "info" of the current folder. That is no Trash: the file
    // goes back and the folders made for it go again.
    const std::string strInfo = TrashInfoPath(strInTrash);
    if (MoveFileNoReplace(strInTrash, strPath) == 0) {
        ::unlink(strInfo.c_str());
        if (!bHadFiles) ::rmdir("files");
        if (!bHadInfo) ::rmdir("info");
    }
    return {};
}

}  // namespace

void ShowEntryPanes(IViewHost* pHost, const ImageItem& item) {
    if (!pHost) return;
    pHost->SetPaneTextSized(1, ToDisplay(item.m_strName));
    pHost->SetPaneTextSized(2, ToDisplay(item.m_strSize));
    pHost->SetPaneTextSized(3, ToDisplay(item.m_strDate));
    pHost->SetPaneTextSized(4, ToDisplay(item.m_strDim));
}

FileCommands::FileCommands(ImageList& list, ImageItem*& pSelected, const SettingsStore& store,
                           IViewHost* pHost, const std::shared_ptr<const ThumbCache>& pThumbCache,
                           FileCommandHooks hooks)
    : m_listImages(list),
      m_pSelected(pSelected),
      m_store(store),
      m_pHost(pHost),
      m_pThumbCache(pThumbCache),
      m_hooks(std::move(hooks)) {}

bool FileCommands::CanEditFiles() const {
    // A worker may be walking the catalogue (a run after a change of pitch
    // keeps the selection); files and entries change only when none does.
    return m_pSelected && !(m_hooks.fnWorkerOwnsCatalogue && m_hooks.fnWorkerOwnsCatalogue());
}

void FileCommands::OnShowDetails() {
    if (m_listImages.empty()) return;
    const std::string strPath = "details.txt";
    CReplacingFile file(strPath);
    std::FILE* pFile = file.Open();
    if (!pFile) {
        ShowMessage(QString::fromLatin1(kDetailsOpenText));
        return;
    }
    const std::string text = FormatDetails(m_listImages);
    const bool bWritten = std::fwrite(text.data(), 1, text.size(), pFile) == text.size();
    // A short list must never replace the old one: it is dropped unrenamed.
    if (!bWritten) std::fclose(std::exchange(pFile, nullptr));
    // An old list survives a failed write; saying so beats opening it as new.
    if (!bWritten || !file.Commit(pFile)) {
        ShowMessage(QString::fromLatin1(kDetailsWriteText).arg(ToDisplay(AbsoluteFolder(strPath))));
        return;
    }
    OpenWithShell(ToDisplay(AbsoluteFolder(strPath)));
}

void FileCommands::OnDeleteThumb() {
    if (!CanEditFiles()) return;
    if (m_bUseTrash) {
        MoveToTrash(m_pSelected);
        return;
    }
    if (m_store.GetInt(kSectionSettings, kNoDelDlg, kNoDelDlgDefault) == 0) {
        const WarningAnswer answer = AskWarning(QString::fromLatin1(kDeleteQuestion));
        if (!answer.bYes || !CanEditFiles()) return;
        if (answer.bDontShowAgain) m_store.PutInt(kSectionSettings, kNoDelDlg, 1);
    }
    ImageItem* pItem = m_pSelected;
    if (::unlink(pItem->m_strPath.c_str()) != 0) {
        ShowMessage(QString::fromLatin1(kDeleteFailedText).arg(ToDisplay(pItem->m_strPath)));
        return;
    }
    if (m_pThumbCache) m_pThumbCache->Drop(pItem->m_strPath);
    RemoveEntry(pItem);
}

void FileCommands::OnMoveThumb() {
    if (!CanEditFiles()) return;
    ImageItem* pItem = m_pSelected;
    const QString chosen = ChooseSaveFile(m_hooks.pDialogParent, MoveDialogRequest(*pItem));
    // The dialog runs the event loop; the entry must still be the one chosen.
    if (chosen.isEmpty() || !CanEditFiles() || m_pSelected != pItem) return;
    const std::string strTo = ChosenPath(chosen, *pItem);
    struct stat st {};
    if (::lstat(strTo.c_str(), &st) == 0) {
        ShowMessage(QString::fromLatin1(kTargetExistsText).arg(ToDisplay(strTo)));
        return;
    }
    if (MoveFileNoReplace(pItem->m_strPath, strTo) != 0) {
        ShowMessage(QString::fromLatin1(kDeleteFailedText).arg(ToDisplay(pItem->m_strPath)));
        return;
    }
    if (m_pThumbCache) m_pThumbCache->Drop(pItem->m_strPath);
    const std::size_t nSlash = strTo.rfind('/');
    const std::string strFolder = strTo.substr(0, nSlash + 1);
    const std::string strName = strTo.substr(nSlash + 1);
    if (!SameFolder(strFolder, pItem->m_strFolder)) {
        RemoveEntry(pItem);
        return;
    }
    // A rename in place keeps the entry's cell, thumbnail, size and date.
    pItem->m_strPath = strTo;
    const std::size_t nDot = strName.rfind('.');
    if (nDot != std::string::npos) {
        pItem->m_strName = strName.substr(0, nDot);
        pItem->m_strExt = strName.substr(nDot);
        if (m_pHost) m_pHost->SetPaneTextSized(1, ToDisplay(pItem->m_strName));
    }
    if (m_hooks.fnChanged) m_hooks.fnChanged(false);
}

void FileCommands::MoveToTrash(ImageItem* pItem) {
    if (m_store.GetInt(kSectionBrowsing, kNoTrashDlg, kNoTrashDlgDefault) == 0) {
        const std::string& path = pItem->m_strPath;
        const WarningAnswer answer = AskWarning(
            QString::fromLatin1(kTrashQuestion).arg(ToDisplay(path.substr(path.rfind('/') + 1))));
        if (!answer.bYes || !CanEditFiles() || m_pSelected != pItem) return;
        if (answer.bDontShowAgain) m_store.PutInt(kSectionBrowsing, kNoTrashDlg, 1);
    }
    const std::string strInTrash = MoveFileToTrash(pItem->m_strPath);
    if (strInTrash.empty()) {
        ShowMessage(QString::fromLatin1(kTrashFailedText).arg(ToDisplay(pItem->m_strPath)));
        return;
    }
    if (m_pThumbCache) m_pThumbCache->Drop(pItem->m_strPath);
    const auto it = std::find_if(m_listImages.begin(), m_listImages.end(),
                                 [pItem](const auto& p) { return p.get() == pItem; });
    m_trashed.nIndex = static_cast<std::size_t>(it - m_listImages.begin());
    m_trashed.strPath = pItem->m_strPath;
    m_trashed.strInTrash = strInTrash;
    m_trashed.pItem = RemoveEntry(pItem);
}

void FileCommands::UndoTrash() {
    if (m_trashed.strInTrash.empty() ||
        (m_hooks.fnWorkerOwnsCatalogue && m_hooks.fnWorkerOwnsCatalogue()))
        return;
    const int nError = MoveFileNoReplace(m_trashed.strInTrash, m_trashed.strPath);
    if (nError != 0) {
        ShowMessage(QString::fromLatin1(nError == EEXIST ? kUndoTakenText : kUndoFailedText)
                        .arg(ToDisplay(m_trashed.strPath)));
        return;
    }
    ::unlink(TrashInfoPath(m_trashed.strInTrash).c_str());
    m_trashed.strInTrash.clear();
    if (!m_trashed.pItem) return;
    ImageItem* pItem = m_trashed.pItem.get();
    const std::size_t nAt = std::min(m_trashed.nIndex, m_listImages.size());
    m_listImages.insert(m_listImages.begin() + static_cast<std::ptrdiff_t>(nAt),
                        std::move(m_trashed.pItem));
    m_pSelected = pItem;
    ShowEntryPanes(m_pHost, *pItem);
    if (m_hooks.fnChanged) m_hooks.fnChanged(true);
}

std::unique_ptr<ImageItem> FileCommands::RemoveEntry(ImageItem* pItem) {
    if (m_hooks.fnEntryLeaving) m_hooks.fnEntryLeaving(pItem);
    if (m_pSelected == pItem) m_pSelected = nullptr;
    std::unique_ptr<ImageItem> pGone;
    const auto it = std::find_if(m_listImages.begin(), m_listImages.end(),
                                 [pItem](const auto& p) { return p.get() == pItem; });
    if (it != m_listImages.end()) {
        pGone = std::move(*it);
        m_listImages.erase(it);
    }
    if (m_pHost)
        for (int nPane = 1; nPane <= 4; ++nPane)
            m_pHost->SetPaneTextSized(nPane, QString(10, QLatin1Char(' ')));
    if (m_hooks.fnChanged) m_hooks.fnChanged(true);
    return pGone;
}

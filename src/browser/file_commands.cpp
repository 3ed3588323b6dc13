// SPDX-License-Identifier: MIT
#include "browser/file_commands.h"

#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

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

void FileCommands::RemoveEntry(ImageItem* pItem) {
    if (m_hooks.fnEntryLeaving) m_hooks.fnEntryLeaving(pItem);
    if (m_pSelected == pItem) m_pSelected = nullptr;
    std::erase_if(m_listImages, [pItem](const auto& p) { return p.get() == pItem; });
    if (m_pHost)
        for (int nPane = 1; nPane <= 4; ++nPane)
            m_pHost->SetPaneTextSized(nPane, QString(10, QLatin1Char(' ')));
    if (m_hooks.fnChanged) m_hooks.fnChanged(true);
}

// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "model/image_item.h"

class IViewHost;
class QWidget;
class SettingsStore;
class ThumbCache;

// Shows an entry's name, size, date and image size in the status panes.
void ShowEntryPanes(IViewHost* pHost, const ImageItem& item);

// What the file commands ask of the grid; an unset hook asks nothing.
struct FileCommandHooks {
    // True while a worker fills or walks the catalogue.
    std::function<bool()> fnWorkerOwnsCatalogue;
    // Before an entry leaves the catalogue.
    std::function<void(const ImageItem*)> fnEntryLeaving;
    // After an entry left the catalogue (true) or was renamed in place.
    std::function<void(bool bRemoved)> fnChanged;
    QWidget* pDialogParent = nullptr;
};

// The grid's commands on the photos' files: the details list, delete, and
// move or rename. They act on the selected entry and keep the catalogue in
// step with the disk; the grid around them is told what changed.
class FileCommands {
public:
    // The catalogue, selection and thumbnail cache are the grid's own.
    FileCommands(ImageList& list, ImageItem*& pSelected, const SettingsStore& store,
                 IViewHost* pHost, const std::shared_ptr<const ThumbCache>& pThumbCache,
                 FileCommandHooks hooks = {});

    // True when the selected entry's file may be deleted or moved now: an
    // entry is selected and no worker walks the catalogue.
    bool CanEditFiles() const;
    // Writes "details.txt" into the current directory and has the desktop
    // open it; nothing happens with an empty catalogue.
    void OnShowDetails();
    // Deletes the selected photo's file for good, after the warning unless
    // "NoDelDlg" is set, and takes its entry out of the catalogue. With
    // bUseTrash the file goes to the desktop Trash instead, after a warning
    // of its own, and never for good: a file the Trash refuses stays.
    void OnDeleteThumb();
    void SetUseTrash(bool bUseTrash) { m_bUseTrash = bUseTrash; }
    // Puts the photo last moved to the Trash back in its folder and, while
    // the catalogue it left is still shown, in its cell, selected.
    void UndoTrash();
    // The catalogue was replaced: an entry kept for undo has no cell to go
    // back to, but its file can still come back.
    void CatalogueReplaced() { m_trashed.pItem.reset(); }
    // Moves or renames the selected photo's file through the save dialog,
    // never over another file; a file that left the folder leaves the catalogue.
    void OnMoveThumb();

private:
    // Takes a deleted or moved entry out of the catalogue and clears the
    // panes; returns the entry.
    std::unique_ptr<ImageItem> RemoveEntry(ImageItem* pItem);
    void MoveToTrash(ImageItem* pItem);

    // The photo last moved to the Trash, for undo.
    struct Trashed {
        std::string strPath;     // where it was
        std::string strInTrash;  // where the Trash keeps it
        std::unique_ptr<ImageItem> pItem;
        std::size_t nIndex = 0;  // its place in the catalogue
    };
    Trashed m_trashed;
    bool m_bUseTrash = false;

    ImageList& m_listImages;
    ImageItem*& m_pSelected;
    const SettingsStore& m_store;
    IViewHost* m_pHost;
    const std::shared_ptr<const ThumbCache>& m_pThumbCache;
    FileCommandHooks m_hooks;
};

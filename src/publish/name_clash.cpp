// SPDX-License-Identifier: MIT
// Thumbnail names that would make two files one. Each file is replaced
// without a question, so a clash would silently lose a thumbnail or a photo;
// it is found before the first file is written.
#include "publish/name_clash.h"

#include <map>
#include <optional>
#include <vector>

#include "browser/catalogue/folder_scan.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "publish/run_options.h"

namespace {

struct NameClash {
    const ImageItem* m_pItem = nullptr;  // the entry whose thumbnail clashes
    std::string m_strOther;              // the photo it clashes with
    std::string m_strTarget;             // the thumbnail file's path
    bool m_bOverPhoto = false;           // m_strOther itself would be replaced
};

// The paths of the photos a scan of the thumbnails' folder finds, by name.
std::map<std::string, std::string> PhotosOfFolder(const std::string& strFolder,
                                                  const ScanOptions& scan) {
    ImageList listPhotos;
    ScanFolder(strFolder, scan, listPhotos, {});
    std::map<std::string, std::string> photos;
    for (const auto& pPhoto : listPhotos)
        photos.emplace(pPhoto->m_strName + pPhoto->m_strExt, pPhoto->m_strPath);
    return photos;
}

std::optional<NameClash> FindClash(const std::vector<const ImageItem*>& vItems, const ThumbJob& job,
                                   const ScanOptions& scan) {
    if (vItems.empty()) return std::nullopt;
    // Entries of one catalogue share their folder.
    const bool bPhotosFolder = SameFolder(vItems.front()->m_strFolder, job.m_strFolder);
    // In the photos' own folder the photos are the grid's, as the stored
    // thumbnail filter has them. Elsewhere the files under the thumbnails'
    // names are those an earlier run left, replaced as they always were.
    const std::map<std::string, std::string> photos =
        bPhotosFolder ? PhotosOfFolder(job.m_strFolder, scan) : std::map<std::string, std::string>{};
    std::map<std::string, const ImageItem*> thumbs;
    for (const ImageItem* pItem : vItems) {
        const std::string strName =
            ThumbFileName(*pItem, job.m_nNaming, job.m_strSuffix, job.m_strPrefix);
        // The path MakeOneThumb writes, "//" and all.
        const std::string strTarget = job.m_strFolder + "/" + strName;
        // A photo replaced by its own thumbnail is the overwrite the sheet asks about.
        const bool bOwnSource = bPhotosFolder && strName == pItem->m_strName + pItem->m_strExt;
        const auto itPhoto = photos.find(strName);
        if (itPhoto != photos.end() && !bOwnSource)
            return NameClash{pItem, itPhoto->second, strTarget, true};
        const auto [itThumb, bFirst] = thumbs.try_emplace(strName, pItem);
        if (!bFirst) return NameClash{pItem, itThumb->second->m_strPath, strTarget, false};
    }
    return std::nullopt;
}

}  // namespace

bool RefuseThumbNameClash(const ImageList& listImages, bool bDoAll, const ImageItem* pSelected,
                          const ThumbJob& job, const ScanOptions& scan) {
    std::vector<const ImageItem*> vItems;
    if (bDoAll)
        for (const auto& pItem : listImages) vItems.push_back(pItem.get());
    else if (pSelected)
        vItems.push_back(pSelected);
    const std::optional<NameClash> clash = FindClash(vItems, job, scan);
    if (!clash) return false;
    // One arg() call for all names, so a "%1" inside a name stays as it is.
    const QString strSource = ToDisplay(clash->m_pItem->m_strPath);
    if (clash->m_bOverPhoto)
        ShowMessage(
            QString::fromLatin1(kThumbOverPhotoText).arg(strSource, ToDisplay(clash->m_strOther)));
    else
        ShowMessage(
            QString::fromLatin1(kThumbNamesClashText)
                .arg(ToDisplay(clash->m_strOther), strSource, ToDisplay(clash->m_strTarget)));
    return true;
}

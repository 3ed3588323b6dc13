// SPDX-License-Identifier: MIT
// A gallery run: which photos need new images, making them on every core
// in catalogue order, removing what is no longer needed, then the manifest
// and the page.
#include "publish/gallery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "codec/jpeg_file.h"
#include "codec/photo_reader.h"
#include "engine/ordered_engine.h"
#include "platform/paths.h"
#include "platform/replace_file.h"
#include "publish/gallery_page.h"
#include "publish/gallery_photo.h"
#include "settings/settings_store.h"

namespace {

constexpr const char* kManifestFailedText =
    "The gallery's list of photos could not be written:\n%1\n\n%2";
const char* const kImageFolders[] = {kGalleryWebFolder, kGalleryThumb2xFolder, kGalleryThumbFolder};

int Clamped(int n, int nMin, int nMax, int nDefault) {
    return n >= nMin && n <= nMax ? n : nDefault;
}

bool Exists(const std::string& strPath) {
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0;
}

MessageRequest Box(const char* pszText, const std::string& strPath, int nError) {
    MessageRequest request;
    request.text = QString::fromLatin1(pszText).arg(ToDisplay(strPath),
                                                    QString::fromLocal8Bit(std::strerror(nError)));
    return request;
}

// The folders of a gallery, made where missing. The gallery's folder itself
// may be new, but not its parent: a slip in a path should not grow a tree.
bool MakeFolders(const std::string& strOut, std::vector<MessageRequest>& vMessages) {
    std::vector<std::string> vFolders{strOut};
    for (const char* pszFolder : kImageFolders) vFolders.push_back(strOut + "/" + pszFolder);
    for (const std::string& strFolder : vFolders) {
        if (::mkdir(strFolder.c_str(), 0777) == 0 || errno == EEXIST) {
            struct stat st {};
            if (::stat(strFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            errno = ENOTDIR;
        }
        vMessages.push_back(Box(kGalleryFolderFailedText, strFolder, errno));
        return false;
    }
    return true;
}

// The images of one photo as they will be in the gallery's folders.
std::vector<std::string> ImagesOf(const GalleryRecord& r) {
    std::vector<std::string> v;
    if (r.nWebWidth) v.push_back(std::string(kGalleryWebFolder) + "/" + r.strOutName);
    v.push_back(std::string(kGalleryThumb2xFolder) + "/" + r.strOutName);
    v.push_back(std::string(kGalleryThumbFolder) + "/" + r.strOutName);
    return v;
}

// What one photo's job gives back.
struct MadePhoto {
    bool bOk = false;
    bool bKept = false;  // its images were up to date
    GalleryRecord record;
    std::vector<MessageRequest> messages;
    std::unique_ptr<CDeferredReplacements> pFiles = std::make_unique<CDeferredReplacements>();
};

// Any thread: reads only its own photo, the old records and the run.
MadePhoto MakePhoto(const GalleryRun& run, const PhotoLook& look, const std::string& strKey,
                    const std::string& strOutName, const std::map<std::string, GalleryRecord>& old,
                    const GallerySource& source, const std::atomic<bool>& bStop) {
    MadePhoto made;
    CodecContext context(&bStop);
    context.look = look;
    context.pDeferred = made.pFiles.get();
    struct stat st {};
    if (::stat(source.strPath.c_str(), &st) != 0) {
        SayPhotoUnreadable(context, source.strPath, QString::fromLocal8Bit(std::strerror(errno)));
        made.messages = std::move(context.messages);
        return made;
    }
    GalleryRecord& r = made.record;
    r.strFileName = source.strFileName;
    r.nBytes = std::uint64_t(st.st_size);
    r.nModified = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    r.strImagesKey = strKey;
    r.strOutName = strOutName;
    const auto it = old.find(source.strFileName);
    if (it != old.end() && it->second.nBytes == r.nBytes && it->second.nModified == r.nModified &&
        it->second.strImagesKey == strKey && it->second.strOutName == strOutName) {
        const std::vector<std::string> vImages = ImagesOf(it->second);
        if (std::all_of(vImages.begin(), vImages.end(),
                        [&](const std::string& s) { return Exists(run.strOut + "/" + s); })) {
            made.bOk = made.bKept = true;
            r = it->second;
            return made;
        }
    }
    made.bOk = !bStop.load() && MakeGalleryPhoto(source, run.options, run.strOut, r, context);
    made.messages = std::move(context.messages);
    return made;
}

std::string FolderName(const std::string& strFolder) {
    std::string s = strFolder;
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    const std::size_t nSlash = s.rfind('/');
    return nSlash == std::string::npos ? s : s.substr(nSlash + 1);
}

bool WritePage(const GalleryRun& run, const std::vector<GalleryRecord>& vRecords,
               std::vector<MessageRequest>& vMessages) {
    const std::string strTitle =
        run.options.strTitle.empty() ? FolderName(run.strPhotos) : run.options.strTitle;
    const std::string strText = GalleryPageText(vRecords, run.options, strTitle,
                                                RelativeFolderUrl(run.strOut, run.strPhotos));
    const std::string strPath = run.strOut + "/" + kGalleryPageName;
    CReplacingFile page(strPath);
    std::FILE* pFile = page.Open();
    bool bOk = pFile && std::fwrite(strText.data(), 1, strText.size(), pFile) == strText.size();
    const int nError = errno ? errno : EIO;
    if (pFile && !bOk) std::fclose(pFile);
    if (bOk) bOk = page.Commit(pFile);
    if (!bOk)
        vMessages.push_back(
            Box(kGalleryPageFailedText, strPath, page.Error() ? page.Error() : nError));
    return bOk;
}

}  // namespace

GalleryOptions LoadGalleryOptions(const SettingsStore& store) {
    GalleryOptions o;
    const auto getInt = [&store](const char* name, int nDefault) {
        return store.GetInt(kSectionGallery, name, nDefault);
    };
    o.strTitle = store.GetString(kSectionGallery, kGalleryTitle, kGalleryTitleDefault);
    o.nThumbSize = Clamped(getInt(kGalleryThumbSize, kGalleryThumbSizeDefault),
                           kGalleryThumbSizeMin, kGalleryThumbSizeMax, kGalleryThumbSizeDefault);
    o.nWebSize = Clamped(getInt(kGalleryWebSize, kGalleryWebSizeDefault), kGalleryWebSizeMin,
                         kGalleryWebSizeMax, kGalleryWebSizeDefault);
    o.bLinkOriginals = getInt(kGalleryLinkOriginals, kGalleryLinkOriginalsDefault) != 0;
    o.nCaptions = GalleryCaptions(
        Clamped(getInt(kGalleryCaptions, kGalleryCaptionsDefault), 0, 2, kGalleryCaptionsDefault));
    return o;
}

std::string LoadGalleryFolder(const SettingsStore& store) {
    return store.GetString(kSectionGallery, kGalleryFolder, kGalleryFolderDefault);
}

void SaveGalleryOptions(const SettingsStore& store, const GalleryOptions& options,
                        const std::string& strFolder) {
    const GalleryOptions stored = LoadGalleryOptions(store);
    const auto putInt = [&store](const char* name, int nValue, int nStored) {
        if (nValue != nStored) store.PutInt(kSectionGallery, name, nValue);
    };
    if (options.strTitle != stored.strTitle)
        store.PutString(kSectionGallery, kGalleryTitle, options.strTitle);
    if (strFolder != LoadGalleryFolder(store))
        store.PutString(kSectionGallery, kGalleryFolder, strFolder);
    putInt(kGalleryThumbSize, options.nThumbSize, stored.nThumbSize);
    putInt(kGalleryWebSize, options.nWebSize, stored.nWebSize);
    putInt(kGalleryLinkOriginals, options.bLinkOriginals, stored.bLinkOriginals);
    putInt(kGalleryCaptions, int(options.nCaptions), int(stored.nCaptions));
}

std::vector<GallerySource> GallerySources(const ImageList& listImages) {
    std::vector<GallerySource> v;
    v.reserve(listImages.size());
    for (const auto& pItem : listImages)
        v.push_back({pItem->m_strPath, pItem->m_strName + pItem->m_strExt, pItem->m_nKind});
    return v;
}

GalleryOutcome PublishGallery(const GalleryRun& run, const std::atomic<bool>& bStop,
                              const GalleryPhotoDone& fnDone) {
    GalleryOutcome outcome;
    for (const char* pszFolder : kImageFolders) {
        if (SameFolder(run.strOut + "/" + pszFolder, run.strPhotos)) {
            outcome.vMessages.push_back(
                {QString::fromLatin1(kGalleryOverPhotosText).arg(ToDisplay(run.strPhotos))});
            return outcome;
        }
    }
    const std::string strManifest = run.strOut + "/" + kGalleryManifestName;
    const bool bOurs = Exists(strManifest);
    if (!bOurs && (Exists(run.strOut + "/" + kGalleryPageName) ||
                   std::any_of(std::begin(kImageFolders), std::end(kImageFolders),
                               [&](const char* p) { return Exists(run.strOut + "/" + p); }))) {
        outcome.vMessages.push_back(
            {QString::fromLatin1(kGalleryNotOursText).arg(ToDisplay(run.strOut))});
        return outcome;
    }
    if (!MakeFolders(run.strOut, outcome.vMessages)) return outcome;
    int nError = 0;
    // From here on the folder is the gallery's: a run cut short is resumed, not refused.
    if (!bOurs && !WriteGalleryManifest(strManifest, {}, nError)) {
        outcome.vMessages.push_back(Box(kManifestFailedText, strManifest, nError));
        return outcome;
    }
    const std::map<std::string, GalleryRecord> old = ReadGalleryManifest(strManifest);

    // The web copies carry no colour profile, so their pixels must be sRGB.
    PhotoLook look = run.look;
    look.bColorManage = true;
    const std::string strKey = GalleryImagesKey(run.options, look);
    const std::vector<std::string> vOutNames = GalleryOutNames(run.vSources);
    const std::size_t nTotal = run.vSources.size();
    const int nThreads = std::max(1, std::min<int>(run.nJobs, int(nTotal)));
    OrderedEngine<MadePhoto> engine(
        nTotal,
        [&](std::size_t i) {
            return MakePhoto(run, look, strKey, vOutNames[i], old, run.vSources[i], bStop);
        },
        nThreads - 1, std::size_t(nThreads) * 2);

    std::vector<GalleryRecord> vRecords;
    outcome.result = GalleryResult::Done;
    for (std::size_t i = 0; i < nTotal; ++i) {
        if (bStop.load()) {
            outcome.result = GalleryResult::Cancelled;
            break;
        }
        MadePhoto made = engine.TakeNext();
        std::string strFailed;
        if (made.bOk && !made.bKept && !made.pFiles->Publish(strFailed)) {
            made.bOk = false;
            CodecContext said;
            JpegFile::SayWriteFailed(said, strFailed, made.pFiles->Error());
            for (MessageRequest& request : said.messages) made.messages.push_back(request);
        }
        if (made.bOk) {
            ++(made.bKept ? outcome.nKept : outcome.nMade);
            vRecords.push_back(made.record);
        }
        if (fnDone) fnDone(i, nTotal, run.vSources[i], made.bOk, made.messages);
        if (!made.bOk) {
            outcome.result = bStop.load() ? GalleryResult::Cancelled : GalleryResult::Failed;
            break;
        }
    }
    engine.Stop();

    std::set<std::string> used;
    for (const GalleryRecord& r : vRecords)
        for (const std::string& s : ImagesOf(r)) used.insert(s);
    if (outcome.result == GalleryResult::Done) {
        for (const auto& [strName, r] : old)
            for (const std::string& s : ImagesOf(r))
                if (!used.count(s) && ::unlink((run.strOut + "/" + s).c_str()) == 0)
                    ++outcome.nRemoved;
    } else {
        // A run cut short keeps the records of what it did not reach: those
        // images are still in place, for the next run to keep or remove.
        std::set<std::string> done;
        for (const GalleryRecord& r : vRecords) done.insert(r.strFileName);
        for (const auto& [strName, r] : old)
            if (!done.count(strName)) vRecords.push_back(r);
    }
    if (!WriteGalleryManifest(strManifest, vRecords, nError)) {
        outcome.vMessages.push_back(Box(kManifestFailedText, strManifest, nError));
        if (outcome.result == GalleryResult::Done) outcome.result = GalleryResult::Failed;
    }
    if (outcome.result == GalleryResult::Done && !WritePage(run, vRecords, outcome.vMessages))
        outcome.result = GalleryResult::Failed;
    return outcome;
}

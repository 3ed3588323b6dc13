// SPDX-License-Identifier: MIT
// Thumbnail JPEG files: the same loading, fitting and shrinking as the grid's
// thumbnails, at the run's size limit, then encoded at the run's quality.
#include "publish/thumb_writer.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "codec/bmp_file.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "codec/photo_reader.h"
#include "engine/ordered_engine.h"
#include "platform/message_box.h"
#include "platform/replace_file.h"
#include "publish/run_options.h"

std::string ThumbFileName(const ImageItem& item, ThumbNaming nNaming, const std::string& strSuffix,
                          const std::string& strPrefix) {
    std::string strName;
    switch (nNaming) {
        case AppendText:
            strName = item.m_strName + strSuffix;
            break;
        case PrependText:
            strName = strPrefix + item.m_strName;
            break;
        default:
            strName = item.m_strName;
            break;
    }
    // The file written is a JPEG whatever the source was.
    const bool bOtherKind = item.m_nKind == IMAGE_BMP || PhotoReaderFor(item.m_nKind);
    return strName + (bOtherKind ? std::string(".jpg") : item.m_strExt);
}

bool MakeOneThumb(ImageItem& item, int nSizeLimit, ThumbNaming nNaming, std::string strFolder,
                  std::string strSuffix, std::string strPrefix, int nQuality, int nPitch,
                  bool bRotateByTag) {
    CodecContext context;
    const bool bOk = MakeOneThumb(item,
                                  {nSizeLimit, nNaming, std::move(strFolder), std::move(strSuffix),
                                   std::move(strPrefix), nQuality, bRotateByTag},
                                  nPitch, context);
    context.ShowAll();
    return bOk;
}

namespace {

// The file may have gone or changed since the grid was made: its header must
// still read. The size recorded with the grid thumbnail chooses the
// reduction. One open gives the header, the tag and the pixels.
std::unique_ptr<std::uint8_t[]> ReadSource(const ImageItem& item, const DecodeScale& scale,
                                           bool bRotateByTag, int& nOrientation,
                                           std::uint32_t& nWidth, std::uint32_t& nHeight,
                                           CodecContext& context) {
    nOrientation = kOrientationAsStored;
    if (item.m_nKind == IMAGE_BMP)
        return BmpFile::ReadBmpBgr(item.m_strPath, nWidth, nHeight, &context);
    if (const PhotoReadFn fnRead = PhotoReaderFor(item.m_nKind)) {
        PhotoRequest request;
        request.strPath = item.m_strPath;
        // The reduction the grid's size chose, as the other readers take it.
        request.nMinSide = scale.nNum < scale.nDenom ? static_cast<std::uint32_t>(scale.nNum) : 0;
        request.bOrientation = bRotateByTag;
        PhotoPixels photo;
        if (!fnRead(request, photo, context) && photo.bTooLarge)
            SayPhotoTooLarge(context, item.m_strPath, photo.nFullWidth, photo.nFullHeight);
        nOrientation = photo.nOrientation;
        nWidth = photo.nWidth;
        nHeight = photo.nHeight;
        return std::move(photo.pPixels);
    }
    if (item.m_nKind != IMAGE_JPEG) return nullptr;
    JpegFile::JpegSource source;
    DecodeScale pick = scale;
    auto pPixels = JpegFile::ReadJpegForThumbnail(
        item.m_strPath, bRotateByTag,
        [](const JpegFile::JpegSource&, void* pUser, std::int32_t& nNum, std::int32_t& nDenom) {
            nNum = static_cast<const DecodeScale*>(pUser)->nNum;
            nDenom = static_cast<const DecodeScale*>(pUser)->nDenom;
        },
        &pick, source, nWidth, nHeight, context);
    nOrientation = source.nOrientation;
    return pPixels;
}

}  // namespace

namespace {

// MakeOneThumb for an entry that had (bGrid) or lacked its grid thumbnail.
bool MakeThumbFile(ImageItem& item, bool bGrid, const ThumbJob& job, int nPitch,
                   CodecContext& context) {
    const int nSizeLimit = job.m_nSizeLimit;
    // An entry whose grid thumbnail is missing was never read successfully.
    if (!bGrid) return false;
    const DecodeScale scale = ChooseDecodeScale(item, nPitch, nSizeLimit);
    // A thumbnail file is shown on a page of its own background, not the
    // grid's: transparent pixels go over white, as a browser's page is.
    context.look.rgbBackground = kThumbFileBackground;
    std::uint32_t nWidth = 0, nHeight = 0;
    int nOrientation = kOrientationAsStored;
    std::unique_ptr<std::uint8_t[]> pPixels =
        ReadSource(item, scale, job.m_bRotateByTag, nOrientation, nWidth, nHeight, context);
    if (!pPixels) return false;
    // Turned while still small from the decoder, before the shrink, as the
    // grid's thumbnail is.
    if (job.m_bRotateByTag) {
        pPixels = OrientPixels(std::move(pPixels), nWidth, nHeight, nOrientation);
        if (!pPixels) return false;
    }

    std::uint32_t nOutWidth = 0, nOutHeight = 0;
    // Without memory for the shrink the buffer is null and the encoder refuses it.
    if (FitWithinSquare(nWidth, nHeight, nSizeLimit, nOutWidth, nOutHeight))
        pPixels = ShrinkToNewBuffer(std::move(pPixels), nWidth, nHeight, nOutWidth, nOutHeight);

    const std::string strName =
        ThumbFileName(item, job.m_nNaming, job.m_strSuffix, job.m_strPrefix);
    // Always one "/": a folder ending in "/" gives "//", which names the same file.
    item.m_strThumbFilePath = job.m_strFolder + "/" + strName;
    item.m_strThumbFileName = strName;

    // Bitmap pixels arrive blue-green-red; the encoder takes red-green-blue.
    if (item.m_nKind == IMAGE_BMP) SwapRedBlue(pPixels.get(), nOutWidth, nOutHeight);
    if (!JpegFile::WriteJpegFile(item.m_strThumbFilePath, pPixels.get(), nOutWidth, nOutHeight,
                                 job.m_nQuality, context))
        return false;
    item.m_nThumbFileWidth = static_cast<std::int32_t>(nOutWidth);
    item.m_nThumbFileHeight = static_cast<std::int32_t>(nOutHeight);
    return true;
}

// One entry's thumbnail file as a helper made it, on a copy of the entry:
// the file waits under a temporary name, the boxes wait with it.
struct MadeThumb {
    ImageItem item;
    bool bOk = false;
    std::vector<MessageRequest> messages;
    std::unique_ptr<CDeferredReplacements> pFiles = std::make_unique<CDeferredReplacements>();
};

// Helpers make the files ahead; this thread puts each in place and into its
// entry, and shows its boxes, in catalogue order, as one thread would.
ThumbRunResult MakeAllInOrder(const ImageList& listImages, const ThumbJob& job, int nPitch,
                              const ThumbRunProgress& fnBefore, int nThreads) {
    // What the helpers read, taken now: the grid may release pixels meanwhile.
    std::vector<bool> vGrid;
    for (const auto& pItem : listImages) vGrid.push_back(pItem->m_pBits || pItem->m_bBitsReleased);
    std::atomic<bool> bStop{false};
    const auto make = [&](std::size_t i) {
        MadeThumb made;
        const ImageItem& from = *listImages[i];  // only fields no one changes during the run
        made.item.m_nKind = from.m_nKind;
        made.item.m_strPath = from.m_strPath;
        made.item.m_strName = from.m_strName;
        made.item.m_strExt = from.m_strExt;
        made.item.m_nImageWidth = from.m_nImageWidth;
        made.item.m_nImageHeight = from.m_nImageHeight;
        CodecContext context(&bStop);
        context.pDeferred = made.pFiles.get();
        made.bOk = !bStop.load() && MakeThumbFile(made.item, vGrid[i], job, nPitch, context);
        made.messages = std::move(context.messages);
        return made;
    };
    const int nHelpers = std::min<int>(std::max(nThreads, 1), int(listImages.size())) - 1;
    OrderedEngine<MadeThumb> engine(listImages.size(), make, nHelpers,
                                    std::size_t(std::max(nHelpers, 1)) * 2);
    for (std::size_t i = 0; i < listImages.size(); ++i) {
        if (fnBefore && !fnBefore(i, listImages.size(), *listImages[i])) {
            bStop = true;
            return ThumbRunResult::Cancelled;
        }
        MadeThumb made = engine.TakeNext();
        ImageItem& item = *listImages[i];
        std::string strFailed;
        if (!made.item.m_strThumbFileName.empty()) {
            item.m_strThumbFilePath = made.item.m_strThumbFilePath;
            item.m_strThumbFileName = made.item.m_strThumbFileName;
        }
        if (made.bOk && !made.pFiles->Publish(strFailed)) {
            // As when the encoder's own rename fails: the size stays the old.
            made.bOk = false;
            CodecContext said;
            JpegFile::SayWriteFailed(said, strFailed, made.pFiles->Error());
            made.messages.insert(made.messages.end(), said.messages.begin(), said.messages.end());
        }
        if (made.bOk) {
            item.m_nThumbFileWidth = made.item.m_nThumbFileWidth;
            item.m_nThumbFileHeight = made.item.m_nThumbFileHeight;
        }
        for (const MessageRequest& request : made.messages) ShowMessage(request);
        // A failure usually repeats (a full disk, a folder that cannot be
        // written); the images after it are left alone.
        if (!made.bOk) {
            bStop = true;
            return ThumbRunResult::Failed;
        }
    }
    return ThumbRunResult::Done;
}

}  // namespace

bool MakeOneThumb(ImageItem& item, const ThumbJob& job, int nPitch, CodecContext& context) {
    return MakeThumbFile(item, item.m_pBits != nullptr, job, nPitch, context);
}

bool MakeOneThumb(ImageItem& item, const ThumbJob& job, int nPitch) {
    CodecContext context;
    const bool bOk = MakeOneThumb(item, job, nPitch, context);
    context.ShowAll();
    return bOk;
}

ThumbRunResult MakeThumbFiles(const ImageList& listImages, bool bDoAll, ImageItem* pSelected,
                              const ThumbJob& job, int nPitch, const ThumbRunProgress& fnBefore,
                              int nThreads) {
    bool bMade = false;
    if (bDoAll) {
        const ThumbRunResult result = MakeAllInOrder(listImages, job, nPitch, fnBefore, nThreads);
        if (result == ThumbRunResult::Cancelled) return result;
        bMade = result == ThumbRunResult::Done;
    } else if (pSelected) {
        if (fnBefore && !fnBefore(0, 1, *pSelected)) return ThumbRunResult::Cancelled;
        bMade = MakeOneThumb(*pSelected, job, nPitch);
    }
    if (!bMade) ShowMessage(QString::fromLatin1(kRunFailedText));
    return bMade ? ThumbRunResult::Done : ThumbRunResult::Failed;
}

bool MakeThumbFiles(const ImageList& listImages, bool bDoAll, ImageItem* pSelected,
                    const ThumbJob& job, int nPitch) {
    return MakeThumbFiles(listImages, bDoAll, pSelected, job, nPitch, ThumbRunProgress()) ==
           ThumbRunResult::Done;
}

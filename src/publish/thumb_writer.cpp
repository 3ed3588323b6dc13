// SPDX-License-Identifier: MIT
// Thumbnail JPEG files: the same loading, fitting and shrinking as the grid's
// thumbnails, at the run's size limit, then encoded at the run's quality.
#include "publish/thumb_writer.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "platform/message_box.h"
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
    return strName + (item.m_nKind == IMAGE_BMP ? std::string(".jpg") : item.m_strExt);
}

bool MakeOneThumb(ImageItem& item, int nSizeLimit, ThumbNaming nNaming, std::string strFolder,
                  std::string strSuffix, std::string strPrefix, int nQuality, int nPitch,
                  bool bRotateByTag) {
    // An entry whose grid thumbnail is missing was never read successfully.
    if (!item.m_pBits) return false;
    // The file may have gone or changed since the grid was made.
    std::uint32_t nFileWidth = 0, nFileHeight = 0;
    if (!GetImageSize(item, nFileWidth, nFileHeight)) return false;

    // The size recorded with the grid thumbnail chooses the reduction.
    const DecodeScale scale = ChooseDecodeScale(item, nPitch, nSizeLimit);
    std::uint32_t nWidth = 0, nHeight = 0;
    std::unique_ptr<std::uint8_t[]> pPixels =
        LoadImagePixels(item, nWidth, nHeight, scale.nNum, scale.nDenom);
    if (!pPixels) return false;
    // Turned while still small from the decoder, before the shrink, as the
    // grid's thumbnail is.
    if (bRotateByTag) {
        pPixels = OrientPixels(std::move(pPixels), nWidth, nHeight, ReadOrientation(item));
        if (!pPixels) return false;
    }

    std::uint32_t nOutWidth = 0, nOutHeight = 0;
    // Without memory for the shrink the buffer is null and the encoder refuses it.
    if (FitWithinSquare(nWidth, nHeight, nSizeLimit, nOutWidth, nOutHeight))
        pPixels = ShrinkToNewBuffer(std::move(pPixels), nWidth, nHeight, nOutWidth, nOutHeight);

    const std::string strName = ThumbFileName(item, nNaming, strSuffix, strPrefix);
    // Always one "/": a folder ending in "/" gives "//", which names the same file.
    item.m_strThumbFilePath = strFolder + "/" + strName;
    item.m_strThumbFileName = strName;

    // Bitmap pixels arrive blue-green-red; the encoder takes red-green-blue.
    if (item.m_nKind == IMAGE_BMP) SwapRedBlue(pPixels.get(), nOutWidth, nOutHeight);
    if (!WriteJpegFile(item.m_strThumbFilePath, pPixels.get(), nOutWidth, nOutHeight, nQuality))
        return false;
    item.m_nThumbFileWidth = static_cast<std::int32_t>(nOutWidth);
    item.m_nThumbFileHeight = static_cast<std::int32_t>(nOutHeight);
    return true;
}

bool MakeOneThumb(ImageItem& item, const ThumbJob& job, int nPitch) {
    return MakeOneThumb(item, job.m_nSizeLimit, job.m_nNaming, job.m_strFolder, job.m_strSuffix,
                        job.m_strPrefix, job.m_nQuality, nPitch, job.m_bRotateByTag);
}

ThumbRunResult MakeThumbFiles(ImageList& listImages, bool bDoAll, ImageItem* pSelected,
                              const ThumbJob& job, int nPitch, const ThumbRunProgress& fnBefore) {
    bool bMade = false;
    if (bDoAll) {
        bMade = true;
        for (std::size_t i = 0; i < listImages.size(); ++i) {
            if (fnBefore && !fnBefore(i, listImages.size(), *listImages[i]))
                return ThumbRunResult::Cancelled;
            bMade = MakeOneThumb(*listImages[i], job, nPitch);
            // A failure usually repeats (a full disk, a folder that cannot be
            // written); the images after it are left alone.
            if (!bMade) break;
        }
    } else if (pSelected) {
        if (fnBefore && !fnBefore(0, 1, *pSelected)) return ThumbRunResult::Cancelled;
        bMade = MakeOneThumb(*pSelected, job, nPitch);
    }
    if (!bMade) ShowMessage(QString::fromLatin1(kRunFailedText));
    return bMade ? ThumbRunResult::Done : ThumbRunResult::Failed;
}

bool MakeThumbFiles(ImageList& listImages, bool bDoAll, ImageItem* pSelected, const ThumbJob& job,
                    int nPitch) {
    return MakeThumbFiles(listImages, bDoAll, pSelected, job, nPitch, ThumbRunProgress()) ==
           ThumbRunResult::Done;
}

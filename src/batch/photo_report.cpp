// SPDX-License-Identifier: MIT
#include "batch/photo_report.h"

#include <algorithm>
#include <cstring>

#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "platform/paths.h"

namespace {

// A box's text on one line, its line ends turned into blanks.
std::string OneLine(const QString& text) { return FromDisplay(text.simplified()); }

std::string Reason(const ImageItem& item, const MessageRequest& request) {
    if (request.caption == QLatin1String(JpegFile::kJpegWarningCaption))
        return "warning: " + OneLine(request.text);
    if (request.strFile.empty()) return OneLine(request.text);
    // The box names only the file; the system's reason is the useful part.
    const std::string strWhy =
        request.nError != 0 ? std::string(": ") + std::strerror(request.nError) : std::string();
    if (request.strFile == item.m_strPath) return "cannot be opened" + strWhy;
    return "cannot create '" + request.strFile + "'" + strWhy;
}

// Bitmaps fail without a box, and so does a thumbnail too thin to encode.
std::string SilentReason(const ImageItem& item, int nSizeLimit) {
    // The thumbnail's name is set once the pixels were read.
    if (item.m_strThumbFilePath.empty())
        return item.m_nKind == IMAGE_BMP ? "cannot be read as a bitmap" : "cannot be read";
    std::uint32_t nWidth = 0, nHeight = 0;
    FitWithinSquare(item.m_nImageWidth, item.m_nImageHeight, nSizeLimit, nWidth, nHeight);
    if (nWidth == 0 || nHeight == 0)
        return "its thumbnail would be " + std::to_string(nWidth) + " x " +
               std::to_string(nHeight) + " pixels";
    return "its thumbnail cannot be written";
}

}  // namespace

std::vector<std::string> PhotoReasons(const ImageItem& item, bool bOk,
                                      const std::vector<MessageRequest>& vMessages,
                                      int nSizeLimit) {
    std::vector<std::string> vReasons;
    bool bExplained = false;
    for (const MessageRequest& request : vMessages) {
        bExplained |= request.caption != QLatin1String(JpegFile::kJpegWarningCaption);
        const std::string strReason = Reason(item, request);
        if (std::find(vReasons.begin(), vReasons.end(), strReason) == vReasons.end())
            vReasons.push_back(strReason);
    }
    if (!bOk && !bExplained) vReasons.push_back(SilentReason(item, nSizeLimit));
    return vReasons;
}

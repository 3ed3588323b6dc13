// SPDX-License-Identifier: MIT
// A gallery photo is decoded once, at the smallest reduction that still
// serves its largest image, turned upright, and shrunk from there: the web
// copy first, then the 2x thumbnail (from the web copy when it is larger),
// and the 1x from the 2x.
#include "publish/gallery_photo.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "codec/bmp_file.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "codec/orientation.h"
#include "codec/photo_facts.h"
#include "codec/photo_reader.h"

namespace {

constexpr const char* kBmpUnreadableText = "Galerio cannot read it as a BMP image.";

struct Pixels {
    std::unique_ptr<std::uint8_t[]> p;
    std::uint32_t nWidth = 0, nHeight = 0;
};

// The picture upright, its longer side at least nNeed where the decoder
// can reduce it on the way.
Pixels ReadUpright(const GallerySource& source, std::uint32_t nNeed, CodecContext& context) {
    Pixels px;
    int nOrientation = kOrientationAsStored;
    if (source.nKind == IMAGE_BMP) {
        px.p = BmpFile::ReadBmpBgr(source.strPath, px.nWidth, px.nHeight, &context);
        if (px.p)
            SwapRedBlue(px.p.get(), px.nWidth, px.nHeight);
        else if (!context.Stopped())
            SayPhotoUnreadable(context, source.strPath, QString::fromLatin1(kBmpUnreadableText));
    } else if (const PhotoReadFn fnRead = PhotoReaderFor(source.nKind)) {
        PhotoRequest request;
        request.strPath = source.strPath;
        request.nMinSide = nNeed;
        request.bOrientation = true;
        PhotoPixels photo;
        if (!fnRead(request, photo, context) && photo.bTooLarge)
            SayPhotoTooLarge(context, source.strPath, photo.nFullWidth, photo.nFullHeight);
        px.p = std::move(photo.pPixels);
        px.nWidth = photo.nWidth;
        px.nHeight = photo.nHeight;
        nOrientation = photo.nOrientation;
    } else {
        JpegFile::JpegSource header;
        px.p = JpegFile::ReadJpegForThumbnail(
            source.strPath, true,
            [](const JpegFile::JpegSource& s, void* pUser, std::int32_t& nNum,
               std::int32_t& nDenom) {
                const std::uint32_t nLong = std::max(s.nWidth, s.nHeight);
                const std::uint32_t nWant = *static_cast<const std::uint32_t*>(pUser);
                nNum = nLong > nWant ? std::int32_t(nWant) : 1;
                nDenom = nLong > nWant ? std::int32_t(nLong) : 1;
            },
            &nNeed, header, px.nWidth, px.nHeight, context);
        nOrientation = header.nOrientation;
    }
    if (px.p) {
        px.p = OrientPixels(std::move(px.p), px.nWidth, px.nHeight, nOrientation);
        // Turning needs a second buffer as large as the picture.
        if (!px.p) SayPhotoTooLarge(context, source.strPath, px.nWidth, px.nHeight);
    }
    return px;
}

// The picture fitted into a square of nSide; a copy, the source stays.
Pixels Fitted(const Pixels& src, int nSide) {
    Pixels out;
    if (!FitWithinSquare(src.nWidth, src.nHeight, nSide, out.nWidth, out.nHeight)) {
        out.nWidth = src.nWidth;
        out.nHeight = src.nHeight;
        const std::size_t nBytes = std::size_t(src.nWidth) * src.nHeight * 3;
        out.p.reset(new (std::nothrow) std::uint8_t[nBytes]);
        if (out.p) std::copy_n(src.p.get(), nBytes, out.p.get());
        return out;
    }
    out.p.reset(new (std::nothrow) std::uint8_t[std::size_t(out.nWidth) * out.nHeight * 3]);
    if (out.p &&
        !BoxShrink(src.p.get(), out.p.get(), src.nWidth, src.nHeight, out.nWidth, out.nHeight))
        out.p.reset();
    return out;
}

bool Write(const Pixels& px, const GallerySource& source, const std::string& strPath,
           CodecContext& context) {
    if (!px.p) {
        SayPhotoTooLarge(context, source.strPath, px.nWidth, px.nHeight);
        return false;
    }
    return JpegFile::WriteJpegFile(strPath, px.p.get(), px.nWidth, px.nHeight, kGalleryQuality,
                                   context);
}

void ReadFacts(const GallerySource& source, GalleryRecord& record) {
    if (source.nKind != IMAGE_JPEG) return;
    const PhotoFacts facts = ReadPhotoFacts(source.strPath, true, 0, 0);
    record.strDescription = facts.strDescription.toStdString();
    record.strTaken = facts.strTaken.toStdString();
    record.strCamera = CameraText(facts).toStdString();
    QStringList exposure;
    for (const QString& s : {facts.strExposure, facts.strFNumber})
        if (!s.isEmpty()) exposure << s;
    if (!facts.strIso.isEmpty()) exposure << "ISO " + facts.strIso;
    record.strExposure = exposure.join(QStringLiteral(", ")).toStdString();
}

// The lower-case extension of a name, with its dot; empty when none.
std::string Extension(const std::string& strName) {
    const std::size_t nDot = strName.rfind('.');
    if (nDot == std::string::npos || nDot == 0) return {};
    std::string s = strName.substr(nDot);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

}  // namespace

std::string GalleryImagesKey(const GalleryOptions& options, const PhotoLook& look) {
    char sz[96];
    std::snprintf(sz, sizeof sz, "v1 t%d w%d q%d c%d b%06X", options.nThumbSize,
                  options.bLinkOriginals ? 0 : options.nWebSize, kGalleryQuality,
                  look.bColorManage ? 1 : 0, unsigned(look.rgbBackground & 0xFFFFFF));
    return sz;
}

std::vector<std::string> GalleryOutNames(const std::vector<GallerySource>& vSources) {
    std::vector<std::size_t> vOrder(vSources.size());
    for (std::size_t i = 0; i < vOrder.size(); ++i) vOrder[i] = i;
    std::sort(vOrder.begin(), vOrder.end(), [&](std::size_t a, std::size_t b) {
        return vSources[a].strFileName < vSources[b].strFileName;
    });
    std::vector<std::string> vNames(vSources.size());
    std::map<std::string, int> taken;  // lower-case names given so far
    for (const std::size_t i : vOrder) {
        const std::string& strFile = vSources[i].strFileName;
        const std::string strExt = Extension(strFile);
        const bool bJpeg = strExt == ".jpg" || strExt == ".jpeg";
        const std::string strStem =
            bJpeg ? strFile.substr(0, strFile.size() - strExt.size()) : strFile;
        const std::string strTail = bJpeg ? strFile.substr(strStem.size()) : std::string(".jpg");
        std::string strName = strStem + strTail;
        for (int n = 2; taken.count(Lower(strName)); ++n)
            strName = strStem + "-" + std::to_string(n) + strTail;
        taken[Lower(strName)] = 1;
        vNames[i] = strName;
    }
    return vNames;
}

bool MakeGalleryPhoto(const GallerySource& source, const GalleryOptions& options,
                      const std::string& strOut, GalleryRecord& record, CodecContext& context) {
    const int nThumb2x = options.nThumbSize * 2;
    const int nLargest = options.bLinkOriginals ? nThumb2x : std::max(options.nWebSize, nThumb2x);
    const Pixels picture = ReadUpright(source, std::uint32_t(nLargest), context);
    if (!picture.p) return false;
    const auto path = [&](const char* pszFolder) {
        return strOut + "/" + pszFolder + "/" + record.strOutName;
    };
    record.nWebWidth = record.nWebHeight = 0;
    Pixels web;
    if (!options.bLinkOriginals) {
        web = Fitted(picture, options.nWebSize);
        if (!Write(web, source, path(kGalleryWebFolder), context)) return false;
        record.nWebWidth = web.nWidth;
        record.nWebHeight = web.nHeight;
    }
    // The web copy, already a fraction of the picture, is the cheaper start
    // for the thumbnails whenever it is still larger than they are.
    const bool bFromWeb = web.p && std::max(web.nWidth, web.nHeight) >= std::uint32_t(nThumb2x);
    const Pixels thumb2x = Fitted(bFromWeb ? web : picture, nThumb2x);
    const Pixels thumb = Fitted(thumb2x, options.nThumbSize);
    if (!Write(thumb2x, source, path(kGalleryThumb2xFolder), context) ||
        !Write(thumb, source, path(kGalleryThumbFolder), context))
        return false;
    record.nThumb2xWidth = thumb2x.nWidth;
    record.nThumb2xHeight = thumb2x.nHeight;
    record.nThumbWidth = thumb.nWidth;
    record.nThumbHeight = thumb.nHeight;
    ReadFacts(source, record);
    return true;
}

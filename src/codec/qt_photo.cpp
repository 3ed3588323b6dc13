// SPDX-License-Identifier: MIT
// PNG, GIF, TIFF and WebP files, read by Qt's own readers of those formats.
#include <unistd.h>

#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "codec/color_profile.h"
#include "codec/image_file.h"
#include "codec/photo_reader.h"

namespace {

// Why a file is refused, after kPhotoUnreadableText.
constexpr const char* kNotOurKindText = "It is not a PNG, GIF, TIFF or WebP picture.";
constexpr const char* kTooLargeText = "It is too large: %1 x %2 pixels.";
constexpr const char* kNotRegularText = "It is not a regular file.";
constexpr const char* kDamagedText = "The file is damaged or incomplete.";

// Qt's read cannot be stopped, so what it may cost is bounded before it
// starts. Its image may take what its allocation limit gives by default
// (the limit is process-wide and may have been raised by another reader);
// with the packed result beside it a read stays well under 300 MB. Sides
// beyond 65535 and pictures beyond 48 megapixels are refused outright: a
// reduced read still decodes every source row, and a PNG of a few hundred
// kilobytes can claim that many; 48 megapixels take a processor about 1.5 s.
constexpr std::uint64_t kMaxQtImageBytes = std::uint64_t(128) << 20;
constexpr std::uint64_t kMaxReadBytes = std::uint64_t(256) << 20;
constexpr std::int64_t kMaxSide = 65535;
constexpr std::uint64_t kMaxSourcePixels = std::uint64_t(48) << 20;
// Qt's reduced read costs as much again for every pixel it gives, so a
// picture that must be reduced to fit is given at most this many.
constexpr double kMaxReducedPixels = 16 << 20;

// The Qt reader of the file's content, from its first bytes: Qt's own guess
// would also hand files to readers of formats that are not ours. Of a GIF,
// also its canvas: Qt announces the first frame's size, but allocates the
// canvas the header claims.
const char* FormatByContent(int fd, QSize& canvas) {
    unsigned char ab[12] = {};
    if (::pread(fd, ab, sizeof ab, 0) != ssize_t(sizeof ab)) return nullptr;
    const auto starts = [&](const char* psz, std::size_t nAt = 0) {
        return std::memcmp(ab + nAt, psz, std::strlen(psz)) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n")) return "png";
    if (starts("GIF87a") || starts("GIF89a")) {
        canvas = QSize(ab[6] | ab[7] << 8, ab[8] | ab[9] << 8);
        return "gif";
    }
    // Classic (42) and big (43) TIFF, in either byte order.
    if ((starts("II") && (ab[2] == 42 || ab[2] == 43) && ab[3] == 0) ||
        (starts("MM") && ab[2] == 0 && (ab[3] == 42 || ab[3] == 43)))
        return "tiff";
    if (starts("RIFF") && starts("WEBP", 8)) return "webp";
    return nullptr;
}

// EXIF numbering of Qt's transformations.
int ExifOrientation(QImageIOHandler::Transformations transform) {
    switch (int(transform)) {
        case QImageIOHandler::TransformationMirror:
            return 2;
        case QImageIOHandler::TransformationRotate180:
            return 3;
        case QImageIOHandler::TransformationFlip:
            return 4;
        case QImageIOHandler::TransformationFlipAndRotate90:
            return 5;
        case QImageIOHandler::TransformationRotate90:
            return 6;
        case QImageIOHandler::TransformationMirrorAndRotate90:
            return 7;
        case QImageIOHandler::TransformationRotate270:
            return 8;
        default:
            return 1;
    }
}

// What reading at a size costs: Qt's image and the packed result.
struct ReadCost {
    std::uint64_t nQtBytes, nPackedBytes;
};

ReadCost CostAt(const QSize& size, int nQtBitsPerPixel) {
    const std::uint64_t nPixels = std::uint64_t(size.width()) * std::uint64_t(size.height());
    return {nPixels * std::uint64_t(nQtBitsPerPixel) / 8, nPixels * 3};
}

bool Fits(const ReadCost& cost, std::uint64_t nBudget) {
    return cost.nPackedBytes <= nBudget && cost.nQtBytes <= kMaxQtImageBytes &&
           cost.nQtBytes + cost.nPackedBytes <= kMaxReadBytes;
}

// The full size scaled by fScale, sides rounded up and at least 1.
QSize Scaled(const QSize& full, double fScale) {
    return QSize(std::max(1, int(std::ceil(full.width() * fScale))),
                 std::max(1, int(std::ceil(full.height() * fScale))));
}

// The size to ask a reader that can reduce for: the smallest whose longer
// side is still nMinSide (never larger than the picture), else, for the
// whole picture, the largest that fits.
QSize ReducedSize(const QSize& full, std::uint32_t nMinSide, std::uint64_t nBudget,
                  int nQtBitsPerPixel) {
    const int nLonger = std::max(full.width(), full.height());
    if (nMinSide > 0 && nMinSide < std::uint32_t(nLonger)) {
        // The longer side exactly nMinSide, the shorter rounded up.
        const auto shorter = [&](int n) {
            return int((std::int64_t(n) * nMinSide + nLonger - 1) / nLonger);
        };
        return full.width() >= full.height() ? QSize(int(nMinSide), shorter(full.height()))
                                             : QSize(shorter(full.width()), int(nMinSide));
    }
    if (nMinSide > 0 || Fits(CostAt(full, nQtBitsPerPixel), nBudget)) return full;
    const double fBytesPerPixel = 3.0 + nQtBitsPerPixel / 8.0;
    const double fPixels =
        std::min({double(nBudget) / 3.0, double(kMaxReadBytes) / fBytesPerPixel,
                  double(kMaxQtImageBytes) * 8.0 / nQtBitsPerPixel, kMaxReducedPixels});
    double fScale = std::sqrt(fPixels / (double(full.width()) * full.height()));
    // Sides are rounded up: step down until the rounding no longer spoils it.
    QSize size = Scaled(full, fScale);
    for (int i = 0; i < 64 && !Fits(CostAt(size, nQtBitsPerPixel), nBudget); ++i)
        size = Scaled(full, fScale *= 0.99);
    return size;
}

// Puts nPixels of red-green-blue-alpha (alpha not premultiplied) over the
// background into packed red-green-blue.
void OverBackground(const std::uint8_t* pRgba, std::uint8_t* pRgb, std::size_t nPixels,
                    std::uint32_t rgbBackground) {
    const unsigned aBack[3] = {(rgbBackground >> 16) & 0xFF, (rgbBackground >> 8) & 0xFF,
                               rgbBackground & 0xFF};
    for (std::size_t i = 0; i < nPixels; ++i, pRgba += 4, pRgb += 3) {
        const unsigned a = pRgba[3];
        for (int c = 0; c < 3; ++c)
            pRgb[c] = static_cast<std::uint8_t>((pRgba[c] * a + aBack[c] * (255 - a) + 127) / 255);
    }
}

// Turns Qt's image, of whatever format, into packed red-green-blue rows,
// strip by strip so no second whole copy is made; the embedded profile's
// conversion, when open, is applied before the background is put under.
bool PackImage(const QImage& image, const ColorProfile::SrgbConverter& color,
               std::uint32_t rgbBackground, std::uint8_t* pOut) {
    const int nWidth = image.width();
    const bool bAlpha = image.hasAlphaChannel();
    const QImage::Format format = bAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    const int nStripRows = std::max(1, (1 << 18) / nWidth);
    for (int y = 0; y < image.height(); y += nStripRows) {
        const int nRows = std::min(nStripRows, image.height() - y);
        QImage strip = image.copy(0, y, nWidth, nRows).convertToFormat(format);
        if (strip.isNull()) return false;
        for (int r = 0; r < nRows; ++r) {
            std::uint8_t* pLine = strip.scanLine(r);
            std::uint8_t* pRow = pOut + (std::size_t(y) + r) * nWidth * 3;
            color.Convert(pLine, pLine, std::uint64_t(nWidth));
            if (bAlpha)
                OverBackground(pLine, pRow, std::size_t(nWidth), rgbBackground);
            else
                std::memcpy(pRow, pLine, std::size_t(nWidth) * 3);
        }
    }
    return true;
}

// One open of the file, handed to the one Qt reader its content calls for.
struct QtPhotoReader {
    QFile file;
    QImageReader reader;
    QString strRefusal;  // why the file cannot be read at all
    QSize canvas;        // a GIF's, from its header

    explicit QtPhotoReader(const std::string& strPath) {
        errno = 0;
        ImageFile::Descriptor fd = ImageFile::OpenForReading(strPath);
        if (!fd.IsOpen()) {
            strRefusal = errno ? QString::fromLocal8Bit(std::strerror(errno))
                               : QString::fromLatin1(kNotRegularText);
            return;
        }
        const char* pszFormat = FormatByContent(fd.Get(), canvas);
        if (!pszFormat) {
            strRefusal = QString::fromLatin1(kNotOurKindText);
            return;
        }
        if (!file.open(fd.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            strRefusal = file.errorString();
            return;
        }
        fd.Release();
        reader.setDevice(&file);
        reader.setFormat(pszFormat);
        reader.setAutoDetectImageFormat(false);
        reader.setAutoTransform(false);
    }

    QString Why() const {
        const QString str = reader.errorString();
        return str.isEmpty() || str == QLatin1String("Unknown error")
                   ? QString::fromLatin1(kDamagedText)
                   : str;
    }
};

QString TooLarge(const QSize& size) {
    return QString::fromLatin1(kTooLargeText).arg(size.width()).arg(size.height());
}

}  // namespace

// Any thread.
bool ReadQtPhoto(const PhotoRequest& request, PhotoPixels& pixels, CodecContext& context) {
    pixels = PhotoPixels();
    if (context.Stopped()) return false;
    QtPhotoReader photo(request.strPath);
    if (!photo.strRefusal.isEmpty()) {
        SayPhotoUnreadable(context, request.strPath, photo.strRefusal);
        return false;
    }
    QImageReader& reader = photo.reader;
    const QSize full = reader.canRead() ? reader.size().expandedTo(photo.canvas) : QSize();
    if (full.width() <= 0 || full.height() <= 0) {
        SayPhotoUnreadable(context, request.strPath, photo.Why());
        return false;
    }
    pixels.nFullWidth = std::uint32_t(full.width());
    pixels.nFullHeight = std::uint32_t(full.height());
    pixels.bHeader = true;
    if (request.bOrientation) pixels.nOrientation = ExifOrientation(reader.transformation());
    if (full.width() > kMaxSide || full.height() > kMaxSide ||
        std::uint64_t(full.width()) * std::uint64_t(full.height()) > kMaxSourcePixels) {
        SayPhotoUnreadable(context, request.strPath, TooLarge(full));
        return false;
    }

    // Qt's image is taken as 32 bits a pixel, which most readers give
    // whatever the file holds (a GIF announces 8 and gives 32), or more.
    const QImage::Format qtFormat = reader.imageFormat();
    const int nQtBits = qtFormat == QImage::Format_Invalid
                            ? 32
                            : std::max(32, int(QImage::toPixelFormat(qtFormat).bitsPerPixel()));
    QSize size = full;
    if (reader.supportsOption(QImageIOHandler::ScaledSize)) {
        size = ReducedSize(full, request.nMinSide, request.nBudget, nQtBits);
        if (size != full) reader.setScaledSize(size);
    }
    const ReadCost cost = CostAt(size, nQtBits);
    if (!Fits(cost, request.nBudget)) {
        if (cost.nPackedBytes > request.nBudget) {
            // The caller says that, in its own words.
            pixels.bTooLarge = true;
            return false;
        }
        SayPhotoUnreadable(context, request.strPath, TooLarge(full));
        return false;
    }

    QImage image = reader.read();
    if (context.Stopped()) return false;
    if (image.isNull()) {
        SayPhotoUnreadable(context, request.strPath, photo.Why());
        return false;
    }
    // A reader may give another size than it announced (a GIF's first frame).
    if (!Fits(CostAt(image.size(), 32), request.nBudget)) {
        SayPhotoUnreadable(context, request.strPath, TooLarge(image.size()));
        return false;
    }
    ColorProfile::SrgbConverter color;
    const QByteArray icc = image.colorSpace().iccProfile();
    if (context.look.bColorManage && !icc.isEmpty())
        color.Open(
            std::vector<std::uint8_t>(icc.begin(), icc.end()),
            image.hasAlphaChannel() ? ColorProfile::Samples::Rgba : ColorProfile::Samples::Rgb);

    const std::size_t nBytes = std::size_t(image.width()) * std::size_t(image.height()) * 3;
    std::unique_ptr<std::uint8_t[]> pPacked(new (std::nothrow) std::uint8_t[nBytes]);
    if (!pPacked || !PackImage(image, color, context.look.rgbBackground, pPacked.get())) {
        SayPhotoUnreadable(context, request.strPath, TooLarge(image.size()));
        return false;
    }
    pixels.pPixels = std::move(pPacked);
    pixels.nWidth = std::uint32_t(image.width());
    pixels.nHeight = std::uint32_t(image.height());
    return true;
}

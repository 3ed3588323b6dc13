// SPDX-License-Identifier: MIT
// The facts panel's contents: the file's size and date, and the EXIF fields
// a photographer looks for, read through libexif.
#include "codec/photo_facts.h"

#include <libexif/exif-data.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <climits>
#include <cmath>
#include <memory>
#include <vector>

#include "codec/image_file.h"
#include "codec/orientation.h"

namespace {

// Tags libexif of Debian 12 has no names for.
constexpr ExifTag kTagLensModel = ExifTag(0xA434);
constexpr ExifTag kTagGpsLatitude = ExifTag(0x0002);

struct ExifDataDeleter {
    void operator()(ExifData* p) const { exif_data_unref(p); }
};

// An entry of the expected format with at least one whole value, or null.
const ExifEntry* Entry(ExifData* pExif, ExifIfd ifd, ExifTag tag, ExifFormat format) {
    const ExifEntry* p = exif_content_get_entry(pExif->ifd[ifd], tag);
    if (!p || p->format != format || p->components == 0 || !p->data) return nullptr;
    return p->size >= exif_format_get_size(format) ? p : nullptr;
}

// An ASCII entry up to its first NUL, without trailing blanks.
QString Text(ExifData* pExif, ExifIfd ifd, ExifTag tag) {
    const ExifEntry* p = Entry(pExif, ifd, tag, EXIF_FORMAT_ASCII);
    if (!p) return {};
    std::size_t n = 0;
    while (n < p->size && p->data[n] != 0) ++n;
    return QString::fromUtf8(reinterpret_cast<const char*>(p->data), qsizetype(n)).trimmed();
}

// The first value of a RATIONAL entry; false when absent or divided by 0.
bool Rational(ExifData* pExif, ExifTag tag, double& d) {
    const ExifEntry* p = Entry(pExif, EXIF_IFD_EXIF, tag, EXIF_FORMAT_RATIONAL);
    if (!p) return false;
    const ExifRational r = exif_get_rational(p->data, exif_data_get_byte_order(pExif));
    if (r.denominator == 0) return false;
    d = double(r.numerator) / r.denominator;
    return true;
}

QString Number(double d) { return QString::number(d, 'g', 4); }

// "2024:05:17 14:03:09" as a date is written everywhere else: 2024-05-17.
QString DateText(const QString& strExif) {
    if (strExif.size() < 10 || strExif[4] != ':' || strExif[7] != ':') return strExif;
    QString s = strExif;
    s[4] = '-';
    s[7] = '-';
    return s;
}

QString ExposureText(double dSeconds) {
    if (dSeconds <= 0) return {};
    // Short exposures are said as the fraction a camera shows.
    if (dSeconds < 0.5) return QStringLiteral("1/%1 s").arg(std::lround(1.0 / dSeconds));
    return Number(dSeconds) + QStringLiteral(" s");
}

}  // namespace

void ReadExifFacts(const std::uint8_t* pData, std::size_t nLength, PhotoFacts& facts) {
    if (!pData || nLength == 0) return;
    std::unique_ptr<ExifData, ExifDataDeleter> pExif(exif_data_new());
    if (!pExif) return;
    // Only read: libexif must not add the tags the standard calls mandatory.
    exif_data_unset_option(pExif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(pExif.get(), pData, unsigned(std::min<std::size_t>(nLength, UINT_MAX)));
    ExifData* p = pExif.get();

    facts.strDescription = Text(p, EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION);
    facts.strTaken = DateText(Text(p, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL));
    facts.strMake = Text(p, EXIF_IFD_0, EXIF_TAG_MAKE);
    facts.strModel = Text(p, EXIF_IFD_0, EXIF_TAG_MODEL);
    facts.strLens = Text(p, EXIF_IFD_EXIF, kTagLensModel);
    double d = 0;
    if (Rational(p, EXIF_TAG_EXPOSURE_TIME, d)) facts.strExposure = ExposureText(d);
    if (Rational(p, EXIF_TAG_FNUMBER, d) && d > 0) facts.strFNumber = "f/" + Number(d);
    if (Rational(p, EXIF_TAG_FOCAL_LENGTH, d) && d > 0) facts.strFocalLength = Number(d) + " mm";
    if (const ExifEntry* pIso =
            Entry(p, EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, EXIF_FORMAT_SHORT))
        facts.strIso = QString::number(exif_get_short(pIso->data, exif_data_get_byte_order(p)));
    facts.bGps = exif_content_get_entry(p->ifd[EXIF_IFD_GPS], kTagGpsLatitude) != nullptr;
}

PhotoFacts ReadPhotoFacts(const std::string& strPath, bool bJpeg, std::uint32_t nWidth,
                          std::uint32_t nHeight) {
    PhotoFacts facts;
    facts.nWidth = nWidth;
    facts.nHeight = nHeight;
    const ImageFile::Descriptor file = ImageFile::OpenForReading(strPath);
    if (!file.IsOpen()) return facts;
    struct stat st {};
    if (::fstat(file.Get(), &st) == 0) {
        facts.bFileKnown = true;
        facts.nFileBytes = std::uint64_t(st.st_size);
        facts.strFileDate = QDateTime::fromSecsSinceEpoch(st.st_mtime)
                                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (bJpeg) {
        const std::vector<std::uint8_t> vHead = ReadExifHead(file.Get(), file.Size());
        ReadExifFacts(vHead.data(), vHead.size(), facts);
    }
    return facts;
}

QString CameraText(const PhotoFacts& f) {
    // Most cameras repeat the maker's name in the model's.
    const bool bModelNamesMake =
        !f.strMake.isEmpty() && f.strModel.startsWith(f.strMake, Qt::CaseInsensitive);
    return bModelNamesMake ? f.strModel : (f.strMake + ' ' + f.strModel).trimmed();
}

QString PhotoFactsText(const PhotoFacts& f) {
    QStringList lines;
    auto add = [&lines](const char* label, const QString& value) {
        if (!value.isEmpty()) lines << QString::fromLatin1(label) + value;
    };
    if (f.nWidth && f.nHeight)
        lines << QStringLiteral("%1 x %2 pixels").arg(f.nWidth).arg(f.nHeight);
    if (f.bFileKnown)
        add("File size: ", QLocale::c().toString(qulonglong(f.nFileBytes)) + " bytes");
    add("File date: ", f.strFileDate);
    add("Taken: ", f.strTaken);
    add("Camera: ", CameraText(f));
    add("Lens: ", f.strLens);
    add("Exposure: ", f.strExposure);
    add("Aperture: ", f.strFNumber);
    add("ISO: ", f.strIso);
    add("Focal length: ", f.strFocalLength);
    if (f.bGps) lines << QStringLiteral("GPS position recorded");
    return lines.join('\n');
}

// SPDX-License-Identifier: MIT
#include "codec/codec_fixtures.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on
#include <libexif/exif-data.h>

#include <unistd.h>

#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "codec/jpeg_file.h"
#include "model/image_item.h"

Rgb QuadrantColour(int x, int y, int w, int h) {
    const bool bLeft = x < w / 2, bTop = y < h / 2;
    if (bTop) return bLeft ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
    return bLeft ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
}

std::vector<std::uint8_t> QuadrantPixels(int w, int h) {
    std::vector<std::uint8_t> v;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = QuadrantColour(x, y, w, h);
            v.insert(v.end(), {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b)});
        }
    return v;
}

QImage QuadrantImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = QuadrantColour(x, y, w, h);
            image.setPixel(x, y, qRgb(c.r, c.g, c.b));
        }
    return image;
}

std::string WriteQuadrantJpeg(const std::string& strFolder, const std::string& strName, int w,
                              int h, int nQuality) {
    const std::string strPath = strFolder + "/" + strName;
    const std::vector<std::uint8_t> v = QuadrantPixels(w, h);
    return JpegFile::WriteJpegFile(strPath, v.data(), w, h, nQuality) ? strPath : std::string();
}

bool WriteRawJpeg(const std::string& strPath, int w, int h, int nColorSpace, int nComponents,
                  const std::uint8_t* pSamples, bool bAdobeMarker, const std::string& strApp1) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile) return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, pFile);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = nComponents;
    cinfo.in_color_space = static_cast<J_COLOR_SPACE>(nColorSpace);
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, cinfo.in_color_space);
    cinfo.write_Adobe_marker = bAdobeMarker;
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (!strApp1.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(strApp1.data()),
                          static_cast<unsigned int>(strApp1.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW pRow = const_cast<JSAMPROW>(pSamples + cinfo.next_scanline * w * nComponents);
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(pFile) == 0;
}

std::string ExifOrientationBlock(int nValue, bool bBigEndian) {
    ExifData* pExif = exif_data_new();
    const ExifByteOrder order = bBigEndian ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL;
    exif_data_set_byte_order(pExif, order);
    ExifEntry* pEntry = exif_entry_new();
    exif_content_add_entry(pExif->ifd[EXIF_IFD_0], pEntry);
    exif_entry_initialize(pEntry, EXIF_TAG_ORIENTATION);
    exif_set_short(pEntry->data, order, static_cast<ExifShort>(nValue));
    exif_entry_unref(pEntry);
    unsigned char* pData = nullptr;
    unsigned int nLength = 0;
    exif_data_save_data(pExif, &pData, &nLength);
    std::string strBlock(reinterpret_cast<const char*>(pData), nLength);
    std::free(pData);
    exif_data_unref(pExif);
    return strBlock;
}

std::string WriteQuadrantJpegWithApp1(const std::string& strPath, int w, int h,
                                      const std::string& strApp1) {
    const std::vector<std::uint8_t> v = QuadrantPixels(w, h);
    return WriteRawJpeg(strPath, w, h, JCS_RGB, 3, v.data(), false, strApp1) ? strPath
                                                                             : std::string();
}

std::string EncodeJpeg(int w, int h, int nComponents, JpegLayout layout,
                       const std::uint8_t* pSamples) {
    unsigned char* pOut = nullptr;
    unsigned long nOut = 0;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &pOut, &nOut);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = nComponents;
    cinfo.in_color_space = nComponents == 1 ? JCS_GRAYSCALE : nComponents == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    std::vector<jpeg_scan_info> vScans;
    switch (layout) {
        case JpegLayout::Baseline:
            break;
        case JpegLayout::Arithmetic:
            cinfo.arith_code = TRUE;
            break;
        case JpegLayout::MultiScan:
            for (int c = 0; c < nComponents; ++c) vScans.push_back({1, {c}, 0, 63, 0, 0});
            break;
        case JpegLayout::Progressive:
            jpeg_simple_progression(&cinfo);
            break;
        case JpegLayout::ManyScans:
            // Every coefficient on its own, refined bit by bit from bit 10 down.
            for (int k = 0; k < 64; ++k)
                for (int nAl = 10; nAl >= 0; --nAl)
                    vScans.push_back({1, {0}, k, k, nAl == 10 ? 0 : nAl + 1, nAl});
            break;
    }
    if (!vScans.empty()) {
        cinfo.scan_info = vScans.data();
        cinfo.num_scans = int(vScans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW pRow =
            const_cast<JSAMPROW>(pSamples + std::size_t(cinfo.next_scanline) * w * nComponents);
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string strBytes(reinterpret_cast<const char*>(pOut), nOut);
    std::free(pOut);
    return strBytes;
}

std::string ForgedJpeg(JpegLayout layout, int nComponents, int nWidth, int nHeight) {
    const std::vector<std::uint8_t> vSamples(16 * 16 * nComponents, 128);
    std::string s = EncodeJpeg(16, 16, nComponents, layout, vSamples.data());
    // The frame header: a marker FF C0..CF other than C4, C8 and CC, with
    // the height and width at bytes 5 to 8.
    for (std::size_t i = 0; i + 9 < s.size(); ++i) {
        const auto nMarker = static_cast<std::uint8_t>(s[i + 1]);
        if (static_cast<std::uint8_t>(s[i]) != 0xFF || (nMarker & 0xF0) != 0xC0 ||
            nMarker == 0xC4 || nMarker == 0xC8 || nMarker == 0xCC)
            continue;
        s[i + 5] = char(nHeight >> 8), s[i + 6] = char(nHeight);
        s[i + 7] = char(nWidth >> 8), s[i + 8] = char(nWidth);
        break;
    }
    return s;
}

namespace {

void Put16(std::string& s, unsigned v) { s.append({char(v & 0xFF), char((v >> 8) & 0xFF)}); }
void Put32(std::string& s, std::uint32_t v) { Put16(s, v & 0xFFFF), Put16(s, v >> 16); }

}  // namespace

bool WriteBmp(const std::string& strPath, const QImage& image, int nBits, bool bTopDown,
              bool bRle) {
    const int w = image.width(), h = image.height();
    std::vector<QRgb> vPalette;
    std::map<QRgb, int> mapIndex;
    if (nBits <= 8)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (mapIndex.emplace(image.pixel(x, y), int(vPalette.size())).second)
                    vPalette.push_back(image.pixel(x, y));
    if (vPalette.size() > (1u << std::min(nBits, 8))) return false;

    std::string strPixels;
    for (int r = 0; r < h; ++r) {
        const int y = bTopDown ? r : h - 1 - r;
        std::string strRow;
        if (bRle) {  // 8-bit runs of up to 255 pixels, then end of line
            for (int x = 0; x < w;) {
                int n = 1;
                while (x + n < w && n < 255 && image.pixel(x + n, y) == image.pixel(x, y)) ++n;
                strRow.append({char(n), char(mapIndex[image.pixel(x, y)])});
                x += n;
            }
            strRow.append({0, 0});
            strPixels += strRow;
            continue;
        }
        unsigned nAcc = 0;
        int nAccBits = 0;
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            if (nBits <= 8) {
                nAcc = (nAcc << nBits) | unsigned(mapIndex[p]);
                if ((nAccBits += nBits) == 8) strRow += char(nAcc), nAcc = 0, nAccBits = 0;
            } else if (nBits == 16) {
                Put16(strRow, ((qRed(p) >> 3) << 10) | ((qGreen(p) >> 3) << 5) | (qBlue(p) >> 3));
            } else {
                strRow.append({char(qBlue(p)), char(qGreen(p)), char(qRed(p))});
                if (nBits == 32) strRow += char(0);
            }
        }
        if (nAccBits) strRow += char(nAcc << (8 - nAccBits));
        strRow.resize((strRow.size() + 3) / 4 * 4, 0);
        strPixels += strRow;
    }
    if (bRle) strPixels.append({0, 1});

    std::string s = "BM";
    const std::uint32_t nOffset = 14 + 40 + 4 * std::uint32_t(vPalette.size());
    Put32(s, nOffset + std::uint32_t(strPixels.size()));
    Put32(s, 0);
    Put32(s, nOffset);
    Put32(s, 40);
    Put32(s, std::uint32_t(w));
    Put32(s, std::uint32_t(bTopDown ? -h : h));
    Put16(s, 1);
    Put16(s, unsigned(nBits));
    Put32(s, bRle ? 1 : 0);
    Put32(s, std::uint32_t(strPixels.size()));
    Put32(s, 2835), Put32(s, 2835);
    Put32(s, std::uint32_t(vPalette.size())), Put32(s, 0);
    for (QRgb c : vPalette) s.append({char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0});
    WriteBytes(strPath, s + strPixels);
    return true;
}

std::string ForgedBmp(int nInfoSize, std::int32_t nWidth, std::int32_t nHeight, int nBits,
                      int nCompression, std::uint32_t nDataOffset, std::uint32_t nFileBytes,
                      const std::string& strPixels) {
    std::string s = "BM";
    Put32(s, nFileBytes);
    Put32(s, 0);
    Put32(s, nDataOffset);
    Put32(s, std::uint32_t(nInfoSize));
    if (nInfoSize == 12) {
        Put16(s, unsigned(nWidth)), Put16(s, unsigned(nHeight));
        Put16(s, 1), Put16(s, unsigned(nBits));
    } else {
        Put32(s, std::uint32_t(nWidth)), Put32(s, std::uint32_t(nHeight));
        Put16(s, 1), Put16(s, unsigned(nBits));
        Put32(s, std::uint32_t(nCompression));
        s.append(12, '\0');        // image size and resolution
        Put32(s, 1), Put32(s, 0);  // one colour in the palette
        if (nInfoSize >= 108) {
            Put32(s, 0x00FF0000), Put32(s, 0x0000FF00), Put32(s, 0x000000FF), Put32(s, 0);
        }
        s.resize(14 + std::size_t(nInfoSize), '\0');
    }
    s.append({10, 20, 30, 0});
    s.resize(nDataOffset, '\0');
    s += strPixels;
    s.resize(nFileBytes, '\0');
    return s;
}

namespace {

long StatusKb(const char* pszField) {
    std::ifstream in("/proc/self/status");
    std::string strLine;
    while (std::getline(in, strLine))
        if (strLine.rfind(pszField, 0) == 0)
            return std::atol(strLine.c_str() + std::strlen(pszField));
    return -1;
}

}  // namespace

PeakMemoryProbe::PeakMemoryProbe() {
    // "5" resets the peak to what is resident now.
    std::ofstream out("/proc/self/clear_refs");
    if (out << "5" << std::flush) m_nBaseKb = StatusKb("VmHWM:");
}

long PeakMemoryProbe::GrowthMb() const {
    return Available() ? (StatusKb("VmHWM:") - m_nBaseKb) / 1024 : 0;
}

std::string ReadBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& strPath, const std::string& strBytes) {
    std::ofstream(strPath, std::ios::binary) << strBytes;
}

std::vector<std::string> ListFolder(const std::string& strFolder) {
    std::vector<std::string> v;
    for (const QString& s : QDir(QString::fromStdString(strFolder))
                                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        v.push_back(s.toStdString());
    return v;
}

Rgb DisplayPixel(const std::uint8_t* pBits, int w, int h, int x, int y) {
    const std::uint8_t* p = pBits + std::size_t(h - 1 - y) * DisplayStride(w) + std::size_t(x) * 3;
    return Rgb{p[2], p[1], p[0]};
}

void PrintTo(const QString& str, std::ostream* pOut) { *pOut << '"' << str.toStdString() << '"'; }

QStringList BoxTexts(const CodecContext& context) {
    QStringList list;
    for (const MessageRequest& request : context.messages) list << request.text;
    return list;
}

QString Unreadable(const std::string& strPath, const char* pszWhy) {
    return QString::fromLatin1(kPhotoUnreadableText).arg(QString::fromStdString(strPath), pszWhy);
}

bool MakeWithTool(const QImage& source, std::string strCommand, const std::string& strOut) {
    const std::string strPng = strOut + ".png";
    if (strCommand.starts_with("convert")) strCommand.replace(0, 7, ImageMagick());
    for (const auto& [strWord, strPath] : {std::pair{"IN", &strPng}, {"OUT", &strOut}})
        for (std::size_t i = strCommand.find(strWord); i != std::string::npos;
             i = strCommand.find(strWord, i + strPath->size() + 2))
            strCommand.replace(i, std::strlen(strWord), "'" + *strPath + "'");
    return source.save(QString::fromStdString(strPng), "png") && RunTool(strCommand);
}

std::string ImageMagick() {
    // Debian's own binary: a wrapper of the same name may come first on PATH.
    for (const char* psz : {"/usr/bin/convert-im6.q16", "/usr/bin/convert"})
        if (::access(psz, X_OK) == 0) return psz;
    return "convert";
}

bool RunTool(const std::string& strCommand) {
    const std::string strQuiet = strCommand + " >/dev/null 2>&1";
    return std::system(strQuiet.c_str()) == 0;
}

ReferencePicture ReferenceDecode(const std::string& strPath, std::uint32_t rgbBackground,
                                 const std::string& strOptions) {
    char szColour[16];
    std::snprintf(szColour, sizeof szColour, "#%06X", rgbBackground & 0xFFFFFFu);
    const std::string strCommand = ImageMagick() + " '" + strPath + "[0]' -background '" +
                                   szColour + "' -flatten " + strOptions +
                                   " -depth 8 ppm:- 2>/dev/null";
    ReferencePicture picture;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(strCommand.c_str(), "r"), &::pclose);
    if (!pipe) return picture;
    int nMax = 0;
    if (std::fscanf(pipe.get(), "P6 %d %d %d", &picture.nWidth, &picture.nHeight, &nMax) != 3 ||
        nMax != 255 || std::fgetc(pipe.get()) == EOF)
        return {};
    picture.vRgb.resize(std::size_t(picture.nWidth) * picture.nHeight * 3);
    if (std::fread(picture.vRgb.data(), 1, picture.vRgb.size(), pipe.get()) != picture.vRgb.size())
        return {};
    return picture;
}

int MaxByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth, int nHeight) {
    if (!pA || nWidth != b.nWidth || nHeight != b.nHeight) return 255;
    int nMax = 0;
    for (std::size_t i = 0; i < b.vRgb.size(); ++i) nMax = std::max(nMax, std::abs(pA[i] - b.vRgb[i]));
    return nMax;
}

double MeanByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth,
                          int nHeight) {
    if (!pA || nWidth != b.nWidth || nHeight != b.nHeight || b.vRgb.empty()) return 255.0;
    double dSum = 0;
    for (std::size_t i = 0; i < b.vRgb.size(); ++i) dSum += std::abs(pA[i] - b.vRgb[i]);
    return dSum / double(b.vRgb.size());
}

std::string ExifBlock(const std::vector<ExifField>& fields, bool bBigEndian) {
    ExifData* pExif = exif_data_new();
    const ExifByteOrder order = bBigEndian ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL;
    exif_data_set_byte_order(pExif, order);
    for (const ExifField& f : fields) {
        ExifEntry* p = exif_entry_new();
        p->tag = ExifTag(f.nTag);
        p->format = ExifFormat(f.format);
        p->components = f.format == EXIF_FORMAT_ASCII ? std::strlen(f.text) + 1 : 1;
        p->size = exif_format_get_size(p->format) * unsigned(p->components);
        p->data = static_cast<unsigned char*>(std::calloc(1, p->size));
        if (f.format == EXIF_FORMAT_ASCII) std::memcpy(p->data, f.text, p->size);
        if (f.format == EXIF_FORMAT_SHORT) exif_set_short(p->data, order, ExifShort(f.nNum));
        if (f.format == EXIF_FORMAT_RATIONAL) exif_set_rational(p->data, order, {f.nNum, f.nDen});
        exif_content_add_entry(pExif->ifd[ExifIfd(f.ifd)], p);
        exif_entry_unref(p);
    }
    unsigned char* pData = nullptr;
    unsigned int nLength = 0;
    exif_data_save_data(pExif, &pData, &nLength);
    exif_data_unref(pExif);
    std::unique_ptr<unsigned char, decltype(&std::free)> pFree(pData, &std::free);
    return std::string(reinterpret_cast<const char*>(pData), nLength);
}

// SPDX-License-Identifier: MIT
// Writes the fuzz targets' seed corpora: small pictures painted and encoded
// the way the tests make theirs, settings files written by the store itself,
// command lines and page entries as users give them. Every seed is a few
// hundred bytes to a few kilobytes, so the corpora stay small in the tree.
#include <QByteArray>
#include <QColorSpace>
#include <QDir>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "codec/codec_fixtures.h"
#include "dng_writer.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

std::string g_strRoot;
int g_nWritten = 0;

void Seed(const std::string& strTarget, const std::string& strName, const std::string& strBytes) {
    if (strBytes.empty()) {
        std::fprintf(stderr, "make_fuzz_seeds: could not make %s\n", strName.c_str());
        std::exit(1);
    }
    const std::string strFolder = g_strRoot + "/" + strTarget;
    QDir().mkpath(QString::fromStdString(strFolder));
    WriteBytes(strFolder + "/" + strName, strBytes);
    ++g_nWritten;
}

// Samples of w × h pixels with nComponents each, from the quadrant picture.
std::vector<std::uint8_t> Samples(int w, int h, int nComponents) {
    const std::vector<std::uint8_t> vRgb = QuadrantPixels(w, h);
    std::vector<std::uint8_t> vOut;
    for (std::size_t i = 0; i < vRgb.size(); i += 3) {
        if (nComponents == 1) {
            vOut.push_back(static_cast<std::uint8_t>((vRgb[i] + vRgb[i + 1] + vRgb[i + 2]) / 3));
        } else if (nComponents == 3) {
            vOut.insert(vOut.end(), {vRgb[i], vRgb[i + 1], vRgb[i + 2]});
        } else {
            vOut.insert(vOut.end(), {std::uint8_t(255 - vRgb[i]), std::uint8_t(255 - vRgb[i + 1]),
                                     std::uint8_t(255 - vRgb[i + 2]), 0});
        }
    }
    return vOut;
}

std::string Jpeg(int w, int h, int nComponents, JpegLayout layout) {
    return EncodeJpeg(w, h, nComponents, layout, Samples(w, h, nComponents).data());
}

std::string Bmp(int w, int h, int nBits, bool bTopDown, bool bRle) {
    const std::string strPath = g_strRoot + "/.seed.bmp";
    if (!WriteBmp(strPath, QuadrantImage(w, h), nBits, bTopDown, bRle)) return {};
    std::string strBytes = ReadBytes(strPath);
    std::remove(strPath.c_str());
    return strBytes;
}

std::string Zeroes(std::initializer_list<std::string> vTexts) {
    std::string strOut;
    for (const std::string& strText : vTexts) strOut += strText + std::string(1, '\0');
    return strOut;
}

std::string Word(int n) { return {char(n & 0xff), char((n >> 8) & 0xff)}; }

void ImageSeeds() {
    struct JpegSeed {
        const char* pszName;
        int w, h, nComponents;
        JpegLayout layout;
    };
    const JpegSeed jpegs[] = {
        {"baseline-rgb-40x30", 40, 30, 3, JpegLayout::Baseline},
        {"baseline-grey-17x9", 17, 9, 1, JpegLayout::Baseline},
        {"baseline-cmyk-16x12", 16, 12, 4, JpegLayout::Baseline},
        {"progressive-rgb-33x21", 33, 21, 3, JpegLayout::Progressive},
        {"multiscan-rgb-24x24", 24, 24, 3, JpegLayout::MultiScan},
        {"arithmetic-rgb-20x12", 20, 12, 3, JpegLayout::Arithmetic},
        {"wide-rgb-200x8", 200, 8, 3, JpegLayout::Baseline},
    };
    for (const JpegSeed& s : jpegs)
        Seed("jpeg", std::string(s.pszName) + ".jpg", Jpeg(s.w, s.h, s.nComponents, s.layout));
    // A header that claims far more than the data holds.
    Seed("jpeg", "forged-baseline-1200x900.jpg", ForgedJpeg(JpegLayout::Baseline, 1, 1200, 900));
    // Photos that carry an orientation tag, in both byte orders, so the
    // EXIF reader is reached from the first run on.
    for (const auto& [nTag, bBigEndian] : {std::pair{6, false}, std::pair{7, true}}) {
        const std::string strName = "exif-orientation-" + std::to_string(nTag) + "-24x16.jpg";
        const std::string strTemp = g_strRoot + "/" + strName;
        WriteQuadrantJpegWithApp1(strTemp, 24, 16, ExifOrientationBlock(nTag, bBigEndian));
        Seed("jpeg", strName, ReadBytes(strTemp));
        std::remove(strTemp.c_str());
    }

    struct BmpSeed {
        const char* pszName;
        int w, h, nBits;
        bool bTopDown, bRle;
    };
    const BmpSeed bmps[] = {
        {"4bit-13x7", 13, 7, 4, false, false},
        {"8bit-13x7", 13, 7, 8, false, false},   {"8bit-rle-21x9", 21, 9, 8, false, true},
        {"16bit-13x7", 13, 7, 16, false, false}, {"24bit-13x7", 13, 7, 24, false, false},
        {"24bit-topdown-9x5", 9, 5, 24, true, false}, {"32bit-13x7", 13, 7, 32, false, false},
    };
    for (const BmpSeed& s : bmps)
        Seed("bmp", std::string(s.pszName) + ".bmp", Bmp(s.w, s.h, s.nBits, s.bTopDown, s.bRle));
    // The oldest header kind, and one whose data runs out early.
    Seed("bmp", "core-header-4x4.bmp", ForgedBmp(12, 4, 4, 24, 0, 26, 26 + 4 * 12));
    Seed("bmp", "short-data-64x64.bmp", ForgedBmp(40, 64, 64, 24, 0, 54, 54 + 100));

    // The writer's inputs: choices, then the source file. Pitch, limit,
    // quality, naming, suffix and prefix as the sheet would offer them.
    auto Thumb = [](bool bBmp, int nPitch, int nLimit, int nQuality, int nNaming,
                    const std::string& strSuffix, const std::string& strPrefix) {
        return std::string(1, bBmp ? '\1' : '\0') + Word(nPitch) + Word(nLimit) +
               char(nQuality) + char(nNaming) + Zeroes({strSuffix, strPrefix});
    };
    Seed("thumb_writer", "jpeg-append.bin",
         Thumb(false, 100, 16, 75, 0, "_thumb", "tn_") + Jpeg(40, 30, 3, JpegLayout::Baseline));
    Seed("thumb_writer", "jpeg-progressive-prepend.bin",
         Thumb(false, 30, 12, 90, 1, "_t", "small ") + Jpeg(33, 21, 3, JpegLayout::Progressive));
    Seed("thumb_writer", "jpeg-grey-source.bin",
         Thumb(false, 120, 200, 50, 2, "", "") + Jpeg(17, 9, 1, JpegLayout::Baseline));
    Seed("thumb_writer", "bmp-append.bin",
         Thumb(true, 100, 8, 60, 0, "-small", "") + Bmp(13, 7, 24, false, false));
    Seed("thumb_writer", "bmp-8bit-prepend.bin",
         Thumb(true, 20, 10, 100, 1, "", "t_") + Bmp(21, 9, 8, false, true));
}

// Small pictures through Qt's writers: alpha, deep and indexed samples,
// embedded profiles. make_seeds.sh adds a multi-page TIFF and an animated
// WebP made from these with Debian's tools.
void QtPhotoSeeds() {
    QImage alpha = QuadrantImage(16, 12).convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < 16; ++x) alpha.setPixel(x, 0, qRgba(200, 100, 50, x * 16));
    QImage profiled = QuadrantImage(16, 12);
    profiled.setColorSpace(QColorSpace::AdobeRgb);
    const struct {
        const char* pszName;
        QImage image;
        const char* pszFormat;
    } seeds[] = {
        {"alpha.png", alpha, "png"},
        {"adobe-rgb.png", profiled, "png"},
        {"deep.png", alpha.convertToFormat(QImage::Format_RGBA64), "png"},
        {"indexed.png", alpha.convertToFormat(QImage::Format_Indexed8), "png"},
        {"grey.png", alpha.convertToFormat(QImage::Format_Grayscale8), "png"},
        {"alpha.tif", alpha, "tiff"},
        {"adobe-rgb.tif", profiled, "tiff"},
        {"alpha.webp", alpha, "webp"},
        {"adobe-rgb.webp", profiled, "webp"},
    };
    const QString strTemp = QString::fromStdString(g_strRoot + "/.seed");
    for (const auto& s : seeds) {
        s.image.save(strTemp, s.pszFormat);
        Seed("qt_photo", s.pszName, ReadBytes(strTemp.toStdString()));
    }
    // Two frames, by ImageMagick: Qt writes no GIF.
    const std::string strGif = g_strRoot + "/.seed.gif";
    if (!RunTool(ImageMagick() + " -size 6x4 gradient:red-blue gradient:green-yellow -loop 0 '" +
                 strGif + "'"))
        std::remove(strGif.c_str());
    Seed("qt_photo", "frames.gif", ReadBytes(strGif));
    std::remove(strGif.c_str());
    std::remove(strTemp.toStdString().c_str());
}

// HEIF and AVIF files from Debian's encoders: a thumbnail, alpha, more than
// 8 bits, sizes the encoder wraps in a grid, and colour descriptions.
void HeifSeeds() {
    const std::string strPng = g_strRoot + "/.seed.png", strOut = g_strRoot + "/.seed.out";
    // pszCommand's two %s: the PNG painted here and the file to write.
    auto Encoded = [&](int w, int h, bool bAlpha, const char* pszCommand) {
        QImage image = QuadrantImage(w, h).convertToFormat(QImage::Format_ARGB32);
        for (int x = 0; bAlpha && x < w; ++x)
            for (int y = 0; y < h; ++y) image.setPixel(x, y, (image.pixel(x, y) & 0xFFFFFFu) | std::uint32_t(40 + 200 * x / w) << 24);
        if (!bAlpha) image = image.convertToFormat(QImage::Format_RGB32);
        image.save(QString::fromStdString(strPng));
        char szCommand[256];
        std::snprintf(szCommand, sizeof szCommand, pszCommand, strPng.c_str(), strOut.c_str());
        const bool bDone = RunTool(szCommand);
        std::string strBytes = bDone ? ReadBytes(strOut) : std::string();
        std::remove(strPng.c_str()), std::remove(strOut.c_str());
        return strBytes;
    };
    Seed("heif", "thumb-32x24.heic", Encoded(32, 24, false, "heif-enc -q 30 -t 8 %s -o %s"));
    Seed("heif", "alpha-20x12.heic", Encoded(20, 12, true, "heif-enc -q 30 %s -o %s"));
    Seed("heif", "p3-16x16.heic",
         Encoded(16, 16, false, "heif-enc -q 30 --colour_primaries 12 --transfer_characteristic 13 %s -o %s"));
    Seed("heif", "photo-24x16.avif", Encoded(24, 16, false, "avifenc -s 10 --min 40 --max 50 %s %s"));
    Seed("heif", "alpha-deep-16x16.avif", Encoded(16, 16, true, "avifenc -s 10 -d 10 --min 40 --max 50 %s %s"));
    Seed("heif", "p3-420-16x16.avif", Encoded(16, 16, false, "avifenc -s 10 -y 420 --cicp 12/13/6 --min 40 --max 50 %s %s"));
}

void TextSeeds() {
    // A settings file as the store writes it, values of every kind.
    const std::string strStore = g_strRoot + "/.seed.ini";
    {
        SettingsStore store;
        store.SetFilePath(strStore);
        store.PutInt(kSectionSettings, kPitch, 140);
        store.PutString(kSectionSettings, kFolderPath, "/home/me/Pictures/Trip, 2025");
        store.PutString(kSectionSettings, kPostPendText, "_thumb");
        store.PutString(kSectionSettings, kBefore, kBeforeDefault);
        store.PutString(kSectionSettings, kFile, std::string("/home/me/www/caf\xe9.html"));
        store.PutInt(kSectionScreen, kScreenX, -20);
        store.PutInt(kSectionNewbie, kNeedFullPath, 1);
        store.PutInt(kSectionPerformance, kThumbCacheMB, 64);
    }
    Seed("settings", "store.ini", ReadBytes(strStore));
    std::remove(strStore.c_str());
    // Old profiles, names in any letter case, as the import meets them.
    Seed("settings", "legacy-profile.INI",
         "[Settings]\r\nPITCH=120\r\nSortOption=2\r\nBackColor=16777215\r\nFolderPath=C:\\Photos\r\n"
         "PostPendText=_tn\r\n[screen]\r\nScreenX=10\r\nScreenCY=600\r\n[NEWBIE]\r\nNeedFullPath=0\r\n");
    Seed("settings", "legacy-odd-lines.INI",
         "; comment\n  [ Settings ]  \nMRU = 9\nRowCount=%20\nnoequals\n=empty\nBefore=<b>a=b</b>\n"
         "[bad/section]\nPitch=1\n");

    // Command lines as a shell splits them, NUL between arguments.
    Seed("command_line", "folder.bin", Zeroes({"/home/me/Pictures"}));
    Seed("command_line", "slide-show.bin", Zeroes({"-S", "\"My Pictures\"", "-s"}));
    Seed("command_line", "help.bin", Zeroes({"--help"}));
    Seed("command_line", "batch-page.bin",
         Zeroes({"photos", "--out", "thumbs", "--size", "160", "--page", "index.html", "--link",
                 "2", "--table", "4", "--border=1", "--cellspacing", "3", "--cellpadding=2",
                 "--head", "head.html", "--tail", "tail.html", "--text-anchor"}));
    Seed("command_line", "batch-naming.bin",
         Zeroes({"--naming", "prepend", "--prefix", "t_", "--quality", "85", "--sort", "date",
                 "--descending", "--jobs", "4", "--", "-photos", "--out=out"}));
    Seed("command_line", "batch-refused.bin",
         Zeroes({"photos", "--out", "o", "--size", "99999", "--no-table", "--overwrite-originals"}));

    // Page entries: options, the head and tail, then name, extension,
    // thumbnail name and thumbnail size of each entry.
    auto Page = [](std::uint8_t nFlags, std::initializer_list<std::string> vNames) {
        std::string strOut(1, char(nFlags));
        strOut += std::string{char(2), char(4), char(1), char(3), char(2), char(vNames.size()), char(0)};
        strOut += Zeroes({"<HTML><BODY>", "</BODY></HTML>"});
        int n = 0;
        for (const std::string& strName : vNames) {
            strOut += strName + std::string(1, '\0') + char(n) + strName + "_t" + std::string(1, '\0') +
                      Word(120 + n) + Word(80 + n);
            ++n;
        }
        return strOut;
    };
    Seed("page_writer", "relative-table.bin",
         Page(1 | 2 | 4, {"Sunset over the bay", "mountains", "Beach \"Cove\""}));
    Seed("page_writer", "absolute-list.bin",
         Page(1 | 8, {"caf\xc3\xa9 & <friends>", "100%_done", "colon:name"}));
    Seed("page_writer", "selected-only.bin", Page(16 | 1 | 2, {"odd \xff\xfe bytes", "a", "b"}));
    Seed("page_writer", "no-links.bin", Page(4 | 8, {"#hash?query", "tab\tname"}));
}

// DNG files as cameras lay them out, around a small JPEG preview: upright,
// turned, and one without a preview.
void RawSeeds() {
    const std::string strJpeg = g_strRoot + "/preview.jpg";
    WriteQuadrantJpeg(g_strRoot, "preview.jpg", 40, 30, 80);
    DngPicture picture;
    picture.strPreviewJpeg = ReadBytes(strJpeg);
    std::remove(strJpeg.c_str());
    picture.nPreviewWidth = 40;
    picture.nPreviewHeight = 30;
    // LibRaw refuses raw images of fewer than 22 pixels a side before it
    // looks at the preview; the default 64 x 48 opens.
    Seed("raw", "preview-40x30.dng", MakeDng(picture));
    picture.nOrientation = 6;
    Seed("raw", "preview-turned-6.dng", MakeDng(picture));
    picture.strPreviewJpeg.clear();
    Seed("raw", "no-preview.dng", MakeDng(picture));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    g_strRoot = argv[1];
    if (!QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "make_fuzz_seeds: cannot create %s\n", argv[1]);
        return 1;
    }
    ImageSeeds();
    RawSeeds();
    QtPhotoSeeds();
    HeifSeeds();
    TextSeeds();
    std::printf("%d seeds written into %s\n", g_nWritten, argv[1]);
    return 0;
}

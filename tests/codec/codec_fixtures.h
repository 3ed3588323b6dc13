// SPDX-License-Identifier: MIT
#pragma once

// Test images made on the spot: JPEGs through our writer or libjpeg itself,
// bitmap files of every depth written byte by byte.
#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "codec/codec_context.h"
#include "codec/photo_reader.h"

struct Rgb {
    int r, g, b;
};

// A w × h picture in four flat quarters: red, green (top), blue, white (bottom).
Rgb QuadrantColour(int x, int y, int w, int h);
std::vector<std::uint8_t> QuadrantPixels(int w, int h);  // packed RGB, top-down
QImage QuadrantImage(int w, int h);                      // the same as QImage::Format_RGB32

// Writes the quadrant picture with JpegFile::WriteJpegFile; returns the path.
std::string WriteQuadrantJpeg(const std::string& strFolder, const std::string& strName, int w,
                              int h, int nQuality = 95);

// Encodes samples of any colour space with libjpeg directly (greyscale, CMYK),
// with strApp1, when given, as the payload of an APP1 segment.
bool WriteRawJpeg(const std::string& strPath, int w, int h, int nColorSpace, int nComponents,
                  const std::uint8_t* pSamples, bool bAdobeMarker, const std::string& strApp1 = {});

// An EXIF block as a camera writes it into APP1 ("Exif\0\0", then the TIFF
// structure), made by libexif, whose IFD0 holds only the Orientation tag
// with nValue; Motorola byte order when bBigEndian.
std::string ExifOrientationBlock(int nValue, bool bBigEndian = false);
// One EXIF entry for ExifBlock: text for ASCII, else nNum / nDen (a SHORT
// takes nNum); ifd and format are libexif's numbers.
struct ExifField {
    int ifd;
    int nTag;
    int format;
    const char* text = "";
    unsigned nNum = 0, nDen = 1;
};
// An APP1 EXIF payload holding the fields, made by libexif.
std::string ExifBlock(const std::vector<ExifField>& fields, bool bBigEndian = false);
// The quadrant picture as a JPEG whose APP1 segment holds strApp1; returns the path.
std::string WriteQuadrantJpegWithApp1(const std::string& strPath, int w, int h,
                                      const std::string& strApp1);

// How a JPEG is laid out: one baseline scan; one scan, arithmetic coded; a
// sequential scan per component; the library's standard progression; or a
// progression of one scan per coefficient and bit (704 scans, grey only).
enum class JpegLayout { Baseline, Arithmetic, MultiScan, Progressive, ManyScans };

// Encodes packed samples (1 grey, 3 red-green-blue stored as YCbCr 4:2:0, or
// 4 CMYK components a pixel) with libjpeg in the given layout.
std::string EncodeJpeg(int w, int h, int nComponents, JpegLayout layout,
                       const std::uint8_t* pSamples);

// A forged JPEG of a few hundred bytes: a 16 × 16 grey picture in the given
// layout whose frame header is patched to claim nWidth × nHeight. Its
// entropy-coded data runs out at once; the library decodes the rest as
// blank, after a warning unless the data is arithmetic coded.
std::string ForgedJpeg(JpegLayout layout, int nComponents, int nWidth, int nHeight);

// A bitmap file of 1, 4, 8, 16, 24 or 32 bits; 8 bits optionally RLE-coded,
// uncompressed ones optionally top-down.
bool WriteBmp(const std::string& strPath, const QImage& image, int nBits, bool bTopDown = false,
              bool bRle = false);

// The bytes of a bitmap file as a forger writes them: the file header, an
// info header of nInfoSize bytes (12 is the oldest kind) claiming nWidth ×
// nHeight at nBits with the given compression, a palette of one entry
// (blue 10, green 20, red 30), pixel data said to start at nDataOffset, then strPixels,
// all padded with zeros (or cut) to nFileBytes. Info headers of 108 bytes
// and more carry red, green and blue masks.
std::string ForgedBmp(int nInfoSize, std::int32_t nWidth, std::int32_t nHeight, int nBits,
                      int nCompression, std::uint32_t nDataOffset, std::uint32_t nFileBytes,
                      const std::string& strPixels = {});

// The process's peak resident memory from construction on. Linux resets the
// peak on request (/proc/self/clear_refs); where it cannot, Available() is false.
class PeakMemoryProbe {
public:
    PeakMemoryProbe();
    bool Available() const { return m_nBaseKb >= 0; }
    // How far the peak rose above the resident memory at construction.
    long GrowthMb() const;

private:
    long m_nBaseKb = -1;
};

std::string ReadBytes(const std::string& strPath);
void WriteBytes(const std::string& strPath, const std::string& strBytes);
std::vector<std::string> ListFolder(const std::string& strFolder);

// Failed comparisons of box texts show the text, not its UTF-16 units.
void PrintTo(const QString& str, std::ostream* pOut);

// Display-row pixel (x, y counted from the top of the picture) as RGB.
Rgb DisplayPixel(const std::uint8_t* pBits, int w, int h, int x, int y);

// The texts of the boxes the context met, in order.
QStringList BoxTexts(const CodecContext& context);
// The box a photo reader says when it cannot read strPath, for pszWhy.
QString Unreadable(const std::string& strPath, const char* pszWhy);

// Saves source as a PNG beside strOut, then runs strCommand (a leading
// "convert" being ImageMagick's) with every IN and OUT standing for the PNG
// and strOut; true when both succeed.
bool MakeWithTool(const QImage& source, std::string strCommand, const std::string& strOut);

// A photo reader's test: a folder of its own, the context, and the pixels of
// the last read, each read starting with no boxes.
template <bool (*Reader)(const PhotoRequest&, PhotoPixels&, CodecContext&), class Param = int>
class PhotoReaderTest : public ::testing::TestWithParam<Param> {
protected:
    std::string Path(const std::string& strName) const {
        return m_dir.path().toStdString() + "/" + strName;
    }
    bool Read(const PhotoRequest& request) {
        m_pixels = PhotoPixels();
        m_context.messages.clear();
        return Reader(request, m_pixels, m_context);
    }
    // The read fails, gives no pixels, is not too large, and says exactly
    // these boxes; "%U" begins the reason of the box about the unreadable file.
    void ExpectRefused(const PhotoRequest& request, const std::vector<std::string>& vBoxes) {
        EXPECT_FALSE(Read(request)) << request.strPath;
        EXPECT_FALSE(m_pixels.pPixels || m_pixels.bTooLarge) << request.strPath;
        QStringList boxes;
        for (const std::string& str : vBoxes)
            boxes << (str.starts_with("%U") ? Unreadable(request.strPath, str.c_str() + 2)
                                            : QString::fromStdString(str));
        EXPECT_EQ(BoxTexts(m_context), boxes);
    }
    // A read stopped before it starts fails quietly, with no pixels.
    void ExpectStopped(const PhotoRequest& request) {
        const std::atomic<bool> bStop{true};
        m_context.pStop = &bStop;
        EXPECT_FALSE(Read(request) || m_pixels.pPixels || !m_context.messages.empty());
        m_context.pStop = nullptr;
    }

    QTemporaryDir m_dir;
    CodecContext m_context;
    PhotoPixels m_pixels;
};

// Pictures decoded by ImageMagick, the independent reader the tests hold the
// program's readers to, and the tools that make files of the other formats.

// Packed red-green-blue rows, top-down.
struct ReferencePicture {
    int nWidth = 0, nHeight = 0;
    std::vector<std::uint8_t> vRgb;
};

// ImageMagick's decode of the file's first frame or page, transparency put
// over rgbBackground (0xRRGGBB), then strOptions applied (such as "-scale 50%",
// an average over blocks); no pixels when it cannot read the file.
ReferencePicture ReferenceDecode(const std::string& strPath, std::uint32_t rgbBackground = 0xFFFFFF,
                                 const std::string& strOptions = {});

// Runs a command line through the shell; true when it exits with 0. Its
// output is dropped.
bool RunTool(const std::string& strCommand);

// ImageMagick's convert, by the name that is the real one here.
std::string ImageMagick();

// The largest difference of one byte between the two, over the pixels of
// equal size; 255 when the sizes differ.
int MaxByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth, int nHeight);
// The mean difference of a byte, as MaxByteDifference compares.
double MeanByteDifference(const std::uint8_t* pA, const ReferencePicture& b, int nWidth,
                          int nHeight);

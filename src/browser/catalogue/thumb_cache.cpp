// SPDX-License-Identifier: MIT
// Thumbnails on disk: the record format, and the folder of records with its
// lookup, store, drop and least-recently-used trim.
#include "browser/catalogue/thumb_cache.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "codec/display_bitmap.h"
#include "codec/photo_reader.h"
#include "platform/message_box.h"

namespace {

constexpr char kMagic[8] = {'G', 'L', 'R', 'T', 'H', 'U', 'M', 'B'};
// 2: the key holds whether the thumbnail was turned upright. 3: rows made
// for a denser screen; a ratio-1 record stays at 2, so those stay valid.
constexpr std::uint32_t kFormatVersion = 2;
constexpr std::uint32_t kDenseFormatVersion = 3;
// 4: colours rendered otherwise (colour management, the other formats).
constexpr std::uint32_t kLookFormatVersion = 4;
constexpr std::size_t kMaxStampBytes = 64;
constexpr std::size_t kMaxPathBytes = 4096;
constexpr std::size_t kMaxDimBytes = 32;
// Magic, version, the key's numbers, the data's numbers, four length fields
// and the checksum: a record is never shorter.
constexpr std::size_t kFixedBytes = 8 + 4 + 5 * 8 + 4 * 4 + 6 * 4 + 4 * 4 + 8;
constexpr const char* kTempPrefix = ".tmp-";
// A temporary file this old was left by a writer that died.
constexpr std::int64_t kStaleTempNs = 3600LL * 1000 * 1000 * 1000;

constexpr std::uint64_t kFnvBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;

std::uint64_t Fnv1a64(const std::uint8_t* p, std::size_t n) {
    std::uint64_t h = kFnvBasis;
    for (std::size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= kFnvPrime;
    }
    return h;
}

// FNV-1a in eight lanes, byte i feeding lane i mod 8, then the lanes' values
// (8 bytes each, little-endian, in lane order) hashed by FNV-1a 64. One lane
// waits on each multiply; eight overlap, which makes the check of a record
// about four times faster than the plain hash.
std::uint64_t RecordChecksum(const std::uint8_t* p, std::size_t n) {
    std::uint64_t aLanes[8];
    for (std::uint64_t& h : aLanes) h = kFnvBasis;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (int k = 0; k < 8; ++k) aLanes[k] = (aLanes[k] ^ p[i + k]) * kFnvPrime;
    for (; i < n; ++i) aLanes[i % 8] = (aLanes[i % 8] ^ p[i]) * kFnvPrime;
    std::uint8_t aBytes[64];
    for (int k = 0; k < 8; ++k)
        for (int b = 0; b < 8; ++b) aBytes[k * 8 + b] = std::uint8_t(aLanes[k] >> (8 * b));
    return Fnv1a64(aBytes, sizeof aBytes);
}

std::uint64_t PathHash(const std::string& strPath) {
    return Fnv1a64(reinterpret_cast<const std::uint8_t*>(strPath.data()), strPath.size());
}

std::string Hex16(std::uint64_t n) {
    char sz[17];
    std::snprintf(sz, sizeof sz, "%016llx", static_cast<unsigned long long>(n));
    return sz;
}

std::string DimText(std::int32_t nWidth, std::int32_t nHeight) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%d x %d", nWidth, nHeight);
    return sz;
}

double KeyRatio(const ThumbKey& key) { return key.nRatioMilli / 1000.0; }
bool IsDense(const ThumbKey& key) { return key.nRatioMilli != ThumbKey::kRatioOneMilli; }
std::uint32_t FormatVersion(const ThumbKey& key) {
    return key.nLook != 0 ? kLookFormatVersion : IsDense(key) ? kDenseFormatVersion : kFormatVersion;
}
// The records of versions 3 and 4 hold the ratio and the rows' own size.
bool HoldsRatio(std::uint32_t nVersion) { return nVersion >= kDenseFormatVersion; }

// The libraries that made the pixels of a record of that version.
const std::string& RecordStamp(std::uint32_t nVersion) {
    static const std::string strLook = ThumbRecordStamp() + " " + PhotoReaderLibraries();
    return nVersion == kLookFormatVersion ? strLook : ThumbRecordStamp();
}

bool CacheableSizes(std::int64_t nPitch, std::int64_t nThumbSize, std::int32_t nRatioMilli) {
    if (nRatioMilli < ThumbKey::kRatioOneMilli) return false;
    return nPitch > 0 && nPitch <= INT32_MAX && nThumbSize > 0 &&
           DeviceSide(int(std::min<std::int64_t>(nThumbSize, INT32_MAX)), nRatioMilli / 1000.0) <=
               kMaxCachedThumbSide;
}
bool CacheableSizes(const ThumbKey& key) {
    return CacheableSizes(key.nPitch, key.nThumbSize, key.nRatioMilli);
}

// The longest record a thumbnail for the key can have; anything longer is
// refused before a byte of it is read.
std::uint64_t MaxRecordBytes(const ThumbKey& key) {
    const std::uint64_t nSide = std::uint64_t(DeviceSide(key.nThumbSize, KeyRatio(key)));
    return kFixedBytes + 4 + 4 + 2 * 4 + kMaxStampBytes + kMaxPathBytes + kMaxDimBytes +
           std::uint64_t(DisplayStride(static_cast<std::uint32_t>(nSide))) * nSide;
}

// The fields BuildThumbnailBitmap sets, as a fresh build would leave them.
struct ThumbFields {
    std::uint32_t nImageWidth = 0;
    std::uint32_t nImageHeight = 0;
    std::int32_t nScaleNum = 0;
    std::int32_t nScaleDenom = 0;
    std::int32_t nThumbWidth = 0;
    std::int32_t nThumbHeight = 0;
    // The rows' size; only a record for a denser screen holds it.
    std::int32_t nBitsWidth = 0;
    std::int32_t nBitsHeight = 0;

    std::int32_t BitsWidth() const { return nBitsWidth > 0 ? nBitsWidth : nThumbWidth; }
    std::int32_t BitsHeight() const { return nBitsHeight > 0 ? nBitsHeight : nThumbHeight; }
};

// What any build for these sizes gives: a display size inside the square,
// the decoder reduction the codec picks for that image size, and the
// dimension text of the display size. Checked on both sides, so a record is
// only written when it would also be read.
bool ConsistentFields(const ThumbFields& f, const std::string& strDim, const ThumbKey& key) {
    const int nThumbSize = key.nThumbSize;
    const double dRatio = KeyRatio(key);
    const int nDeviceSize = DeviceSide(nThumbSize, dRatio);
    // Every build gives each side at least one pixel: a record with an empty
    // side was left by an older build and would show a blank cell.
    if (f.nThumbWidth < 1 || f.nThumbHeight < 1 || f.nThumbWidth > nThumbSize ||
        f.nThumbHeight > nThumbSize)
        return false;
    if (IsDense(key) != (f.nBitsWidth > 0) || f.nBitsWidth < 0 || f.nBitsHeight < 0 ||
        (f.nBitsWidth > 0) != (f.nBitsHeight > 0) || f.nBitsWidth > nDeviceSize ||
        f.nBitsHeight > nDeviceSize)
        return false;
    ImageItem sized;
    sized.m_nImageWidth = f.nImageWidth;
    sized.m_nImageHeight = f.nImageHeight;
    const DecodeScale scale = ChooseDecodeScale(sized, DeviceSide(key.nPitch, dRatio), nDeviceSize);
    return scale.nNum == f.nScaleNum && scale.nDenom == f.nScaleDenom &&
           strDim == DimText(f.nThumbWidth, f.nThumbHeight);
}

class RecordWriter {
public:
    void U32(std::uint32_t n) { Le(n, 4); }
    void U64(std::uint64_t n) { Le(n, 8); }
    void I32(std::int32_t n) { U32(static_cast<std::uint32_t>(n)); }
    void I64(std::int64_t n) { U64(static_cast<std::uint64_t>(n)); }
    void Raw(const void* p, std::size_t n) { m_str.append(static_cast<const char*>(p), n); }
    void Text(const std::string& str) {
        U32(static_cast<std::uint32_t>(str.size()));
        Raw(str.data(), str.size());
    }
    std::string& Bytes() { return m_str; }

private:
    void Le(std::uint64_t n, int nBytes) {
        for (int i = 0; i < nBytes; ++i) m_str.push_back(static_cast<char>((n >> (8 * i)) & 0xff));
    }
    std::string m_str;
};

// Reads fields off the front of untrusted bytes; once anything runs past
// the end every later read fails too.
class RecordReader {
public:
    RecordReader(const std::uint8_t* p, std::size_t n) : m_p(p), m_nLeft(n) {}
    bool Ok() const { return m_bOk; }
    std::size_t Left() const { return m_nLeft; }

    std::uint32_t U32() { return static_cast<std::uint32_t>(Le(4)); }
    std::uint64_t U64() { return Le(8); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
    // A length field and that many bytes, refused above nMax.
    const std::uint8_t* Block(std::size_t nMax, std::size_t& nLength) {
        const std::uint32_t n = U32();
        if (!m_bOk || n > nMax || n > m_nLeft) {
            m_bOk = false;
            nLength = 0;
            return nullptr;
        }
        nLength = n;
        return Take(n);
    }
    bool Text(std::size_t nMax, std::string& str) {
        std::size_t n = 0;
        const std::uint8_t* p = Block(nMax, n);
        if (!m_bOk) return false;
        str.assign(reinterpret_cast<const char*>(p), n);
        return true;
    }
    bool Expect(const void* p, std::size_t n) {
        const std::uint8_t* pHere = Take(n);
        if (m_bOk && std::memcmp(pHere, p, n) != 0) m_bOk = false;
        return m_bOk;
    }

private:
    const std::uint8_t* Take(std::size_t n) {
        if (!m_bOk || n > m_nLeft) {
            m_bOk = false;
            return nullptr;
        }
        const std::uint8_t* p = m_p;
        m_p += n;
        m_nLeft -= n;
        return p;
    }
    std::uint64_t Le(int nBytes) {
        const std::uint8_t* p = Take(static_cast<std::size_t>(nBytes));
        if (!p) return 0;
        std::uint64_t n = 0;
        for (int i = 0; i < nBytes; ++i) n |= std::uint64_t(p[i]) << (8 * i);
        return n;
    }
    const std::uint8_t* m_p;
    std::size_t m_nLeft;
    bool m_bOk = true;
};

void WriteKey(RecordWriter& w, const ThumbKey& key) {
    w.U64(key.nDevice);
    w.U64(key.nInode);
    w.U64(key.nSize);
    w.I64(key.nModifiedNs);
    w.I64(key.nChangedNs);
    w.I32(key.nKind);
    w.I32(key.nPitch);
    w.I32(key.nThumbSize);
    w.U32(key.bRotateByTag ? 1 : 0);
    if (HoldsRatio(FormatVersion(key))) w.I32(key.nRatioMilli);
    if (key.nLook != 0) w.U32(key.nLook);
    w.Text(key.strPath);
}

ThumbKey ReadKey(RecordReader& r, std::uint32_t nVersion) {
    const bool bDense = nVersion == kDenseFormatVersion;
    ThumbKey key;
    key.nDevice = r.U64();
    key.nInode = r.U64();
    key.nSize = r.U64();
    key.nModifiedNs = r.I64();
    key.nChangedNs = r.I64();
    key.nKind = r.I32();
    key.nPitch = r.I32();
    key.nThumbSize = r.I32();
    // Anything but 0 or 1 matches no key.
    const std::uint32_t nRotate = r.U32();
    key.bRotateByTag = nRotate == 1;
    if (nRotate > 1) key.nKind = IMAGE_UNKNOWN;
    // A version-3 record written for ratio 1 matches no key either.
    if (HoldsRatio(nVersion)) key.nRatioMilli = r.I32();
    if (bDense && !IsDense(key)) key.nKind = IMAGE_UNKNOWN;
    // A version-4 record without a look matches no key.
    if (nVersion == kLookFormatVersion) key.nLook = r.U32();
    if (nVersion == kLookFormatVersion && key.nLook == 0) key.nKind = IMAGE_UNKNOWN;
    r.Text(kMaxPathBytes, key.strPath);
    return key;
}

std::int64_t Nanoseconds(const timespec& ts) {
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) close(fd);
    }
};

struct DirCloser {
    void operator()(DIR* p) const { closedir(p); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool IsHex(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!((p[i] >= '0' && p[i] <= '9') || (p[i] >= 'a' && p[i] <= 'f'))) return false;
    return true;
}

bool IsDigits(const char* p, std::size_t n) {
    if (n == 0 || n > 10) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9') return false;
    return true;
}

// "<16 hex>-<pitch>-<size>": only such files are ever deleted, so a cache
// pointed at the wrong folder cannot remove anything else.
bool IsRecordName(const char* psz) {
    const std::size_t n = std::strlen(psz);
    if (n < 20 || !IsHex(psz, 16) || psz[16] != '-') return false;
    // Two groups of digits (pitch, thumbnail size), or three with the ratio.
    int nGroups = 0;
    for (const char* p = psz + 17;; ++nGroups) {
        const char* pDash = std::strchr(p, '-');
        const std::size_t nLen = pDash ? std::size_t(pDash - p) : std::strlen(p);
        if (!IsDigits(p, nLen)) return false;
        if (!pDash) return nGroups + 1 == 2 || nGroups + 1 == 3;
        p = pDash + 1;
    }
}

bool IsTempName(const char* psz) {
    return std::strncmp(psz, kTempPrefix, std::strlen(kTempPrefix)) == 0 &&
           std::strlen(psz) == std::strlen(kTempPrefix) + 6;
}

bool IsBucketName(const char* psz) { return std::strlen(psz) == 2 && IsHex(psz, 2); }

std::string ParentOf(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos || nSlash == 0 ? std::string() : strPath.substr(0, nSlash);
}

bool WriteAll(int fd, const std::string& str) {
    std::size_t nDone = 0;
    while (nDone < str.size()) {
        const ssize_t n = write(fd, str.data() + nDone, str.size() - nDone);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        nDone += std::size_t(n);
    }
    return true;
}

bool ReadAll(int fd, std::uint8_t* p, std::size_t nLength) {
    std::size_t nDone = 0;
    while (nDone < nLength) {
        const ssize_t n = read(fd, p + nDone, nLength - nDone);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        nDone += std::size_t(n);
    }
    return true;
}

}  // namespace

const std::string& ThumbRecordStamp() {
    static const std::string strStamp = [] {
        char sz[kMaxStampBytes];
        std::snprintf(sz, sizeof sz, "jpeg %d/%d qt %s",
#ifdef LIBJPEG_TURBO_VERSION_NUMBER
                      LIBJPEG_TURBO_VERSION_NUMBER,
#else
                      0,
#endif
                      JPEG_LIB_VERSION, qVersion());
        return std::string(sz);
    }();
    return strStamp;
}

std::uint32_t ThumbLookCode(int nKind, const PhotoLook& look) {
    const bool bOther = nKind != IMAGE_JPEG && nKind != IMAGE_BMP;
    if (!bOther && !look.bColorManage) return 0;
    return 1u | (look.bColorManage ? 2u : 0u) | (bOther ? (look.rgbBackground & 0xFFFFFFu) << 8 : 0u);
}

std::optional<ThumbKey> MakeThumbKey(const ImageItem& item, int nPitch, int nThumbSize,
                                     bool bRotateByTag, double dPixelRatio, std::uint32_t nLook) {
    if (item.m_nKind == IMAGE_UNKNOWN) return std::nullopt;
    // Thousandths are plenty: screens come in steps of a quarter or more.
    const std::int32_t nRatioMilli =
        dPixelRatio > 1.0 && dPixelRatio < 1000.0
            ? std::max(ThumbKey::kRatioOneMilli, std::int32_t(std::lround(dPixelRatio * 1000)))
            : ThumbKey::kRatioOneMilli;
    if (!CacheableSizes(nPitch, nThumbSize, nRatioMilli)) return std::nullopt;
    if (item.m_strPath.empty() || item.m_strPath.size() > kMaxPathBytes) return std::nullopt;
    struct stat st;
    if (stat(item.m_strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    ThumbKey key;
    key.strPath = item.m_strPath;
    key.nDevice = st.st_dev;
    key.nInode = st.st_ino;
    key.nSize = static_cast<std::uint64_t>(st.st_size);
    key.nModifiedNs = Nanoseconds(st.st_mtim);
    key.nChangedNs = Nanoseconds(st.st_ctim);
    key.nKind = item.m_nKind;
    key.nPitch = nPitch;
    key.nThumbSize = nThumbSize;
    key.bRotateByTag = bRotateByTag;
    key.nRatioMilli = nRatioMilli;
    key.nLook = nLook;
    return key;
}

std::string EncodeThumbRecord(const ThumbKey& key, const ImageItem& item) {
    if (!item.m_pBits || !CacheableSizes(key) || key.strPath.size() > kMaxPathBytes) return {};
    const ThumbFields f{item.m_nImageWidth, item.m_nImageHeight, item.m_nScaleNum,
                        item.m_nScaleDenom, item.m_nThumbWidth,  item.m_nThumbHeight,
                        item.m_nBitsWidth,  item.m_nBitsHeight};
    if (!ConsistentFields(f, item.m_strDim, key)) return {};
    const std::size_t nBits =
        std::size_t(DisplayStride(static_cast<std::uint32_t>(f.BitsWidth()))) * f.BitsHeight();

    RecordWriter w;
    const std::uint32_t nVersion = FormatVersion(key);
    w.Bytes().reserve(kFixedBytes + RecordStamp(nVersion).size() + key.strPath.size() + 20 + nBits);
    w.Raw(kMagic, sizeof kMagic);
    w.U32(nVersion);
    w.Text(RecordStamp(nVersion));
    WriteKey(w, key);
    w.U32(f.nImageWidth);
    w.U32(f.nImageHeight);
    w.I32(f.nScaleNum);
    w.I32(f.nScaleDenom);
    w.I32(f.nThumbWidth);
    w.I32(f.nThumbHeight);
    if (HoldsRatio(nVersion)) {
        w.I32(f.nBitsWidth);
        w.I32(f.nBitsHeight);
    }
    w.Text(item.m_strDim);
    w.U32(static_cast<std::uint32_t>(nBits));
    w.Raw(item.m_pBits.get(), nBits);
    std::string& str = w.Bytes();
    w.U64(RecordChecksum(reinterpret_cast<const std::uint8_t*>(str.data()), str.size()));
    return std::move(str);
}

bool DecodeThumbRecord(const std::uint8_t* pData, std::size_t nLength, const ThumbKey& key,
                       ImageItem& item) {
    if (!pData || nLength < kFixedBytes || !CacheableSizes(key) || nLength > MaxRecordBytes(key))
        return false;
    const std::size_t nBody = nLength - 8;
    RecordReader sum(pData + nBody, 8);
    if (sum.U64() != RecordChecksum(pData, nBody)) return false;

    RecordReader r(pData, nBody);
    std::string strStamp;
    const std::uint32_t nVersion = FormatVersion(key);
    if (!r.Expect(kMagic, sizeof kMagic) || r.U32() != nVersion ||
        !r.Text(kMaxStampBytes, strStamp) || strStamp != RecordStamp(nVersion))
        return false;
    if (!(ReadKey(r, nVersion) == key) || !r.Ok()) return false;
    ThumbFields f;
    f.nImageWidth = r.U32();
    f.nImageHeight = r.U32();
    f.nScaleNum = r.I32();
    f.nScaleDenom = r.I32();
    f.nThumbWidth = r.I32();
    f.nThumbHeight = r.I32();
    if (HoldsRatio(nVersion)) {
        f.nBitsWidth = r.I32();
        f.nBitsHeight = r.I32();
    }
    std::string strDim;
    if (!r.Text(kMaxDimBytes, strDim) || !ConsistentFields(f, strDim, key)) return false;
    // The rows' size is within the square now, so this cannot overflow.
    const std::size_t nExpected =
        std::size_t(DisplayStride(static_cast<std::uint32_t>(f.BitsWidth()))) * f.BitsHeight();
    std::size_t nBits = 0;
    const std::uint8_t* pBits = r.Block(nExpected, nBits);
    if (!r.Ok() || nBits != nExpected || r.Left() != 0) return false;

    std::unique_ptr<std::uint8_t[]> pCopy(new (std::nothrow) std::uint8_t[nBits]);
    if (!pCopy) return false;
    if (nBits) std::memcpy(pCopy.get(), pBits, nBits);
    item.m_nImageWidth = f.nImageWidth;
    item.m_nImageHeight = f.nImageHeight;
    item.m_nScaleNum = f.nScaleNum;
    item.m_nScaleDenom = f.nScaleDenom;
    item.m_nThumbWidth = f.nThumbWidth;
    item.m_nThumbHeight = f.nThumbHeight;
    item.m_nBitsWidth = f.nBitsWidth;
    item.m_nBitsHeight = f.nBitsHeight;
    item.m_strDim = std::move(strDim);
    item.m_pBits = std::move(pCopy);
    return true;
}

ThumbCache::ThumbCache(std::string strFolder)
    : m_strFolder(strFolder.empty() ? DefaultFolder() : std::move(strFolder)) {
    while (m_strFolder.size() > 1 && m_strFolder.back() == '/') m_strFolder.pop_back();
}

std::string ThumbCache::DefaultFolder() {
    // Relative values are ignored, as the XDG base directory rules ask.
    std::string strBase;
    if (const char* psz = std::getenv("XDG_CACHE_HOME"); psz && psz[0] == '/') {
        strBase = psz;
    } else if (const char* pszHome = std::getenv("HOME"); pszHome && pszHome[0] == '/') {
        strBase = std::string(pszHome) + "/.cache";
    } else {
        return {};
    }
    while (strBase.size() > 1 && strBase.back() == '/') strBase.pop_back();
    return (strBase == "/" ? std::string() : strBase) + "/galerio";
}

std::string ThumbCache::RecordPath(const ThumbKey& key) const {
    const std::string strHash = Hex16(PathHash(key.strPath));
    return m_strFolder + "/" + strHash.substr(0, 2) + "/" + strHash + "-" +
           std::to_string(key.nPitch) + "-" + std::to_string(key.nThumbSize) +
           (IsDense(key) ? "-" + std::to_string(key.nRatioMilli) : std::string());
}

bool ThumbCache::Load(ImageItem& item, const ThumbKey& key) const {
    if (m_strFolder.empty() || !CacheableSizes(key)) return false;
    // Non-blocking, so that something other than a file at the record's
    // name cannot hold the lookup up; a record is only ever a plain file.
    FdCloser file{open(RecordPath(key).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK)};
    if (file.fd < 0) return false;
    struct stat st;
    if (fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
        st.st_size < 0 || std::uint64_t(st.st_size) > MaxRecordBytes(key))
        return false;
    const std::size_t nLength = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<std::uint8_t[]> pData(new (std::nothrow) std::uint8_t[nLength]);
    if (!pData || !ReadAll(file.fd, pData.get(), nLength)) return false;
    if (!DecodeThumbRecord(pData.get(), nLength, key, item)) return false;
    // The modification time says when the record was last used: the trim
    // removes the oldest first.
    const timespec aTimes[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    futimens(file.fd, aTimes);
    return true;
}

void ThumbCache::Store(const ImageItem& item, const ThumbKey& key) const {
    if (m_strFolder.empty()) return;
    const std::string strRecord = EncodeThumbRecord(key, item);
    if (strRecord.empty()) return;
    const std::string strTarget = RecordPath(key);
    const std::string strBucket = ParentOf(strTarget);
    std::string strTemp = strBucket + "/" + kTempPrefix + "XXXXXX";
    // mkostemp creates the file for this user alone (0600).
    int fd = mkostemp(strTemp.data(), O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        // The first record of its bucket: make the folders, private to the
        // user, and only inside a cache folder that is the user's own (it
        // may be a link to one on another disk).
        mkdir(ParentOf(m_strFolder).c_str(), 0700);
        mkdir(m_strFolder.c_str(), 0700);
        struct stat st;
        if (stat(m_strFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
            return;
        mkdir(strBucket.c_str(), 0700);
        strTemp = strBucket + "/" + kTempPrefix + "XXXXXX";
        fd = mkostemp(strTemp.data(), O_CLOEXEC);
    }
    if (fd < 0) return;
    bool bOk = WriteAll(fd, strRecord);
    bOk = close(fd) == 0 && bOk;
    // The rename is atomic: a reader sees the old record or the whole new
    // one. Without a sync a crash may leave a short file, which fails its
    // checksum and is a miss.
    if (!bOk || rename(strTemp.c_str(), strTarget.c_str()) != 0) unlink(strTemp.c_str());
}

void ThumbCache::Drop(const std::string& strPath) const {
    if (m_strFolder.empty()) return;
    const std::string strHash = Hex16(PathHash(strPath));
    const std::string strBucket = m_strFolder + "/" + strHash.substr(0, 2);
    DirPtr pDir(opendir(strBucket.c_str()));
    if (!pDir) return;
    const std::string strPrefix = strHash + "-";
    std::vector<std::string> vNames;
    while (const dirent* pEntry = readdir(pDir.get())) {
        if (std::strncmp(pEntry->d_name, strPrefix.c_str(), strPrefix.size()) == 0 &&
            IsRecordName(pEntry->d_name))
            vNames.emplace_back(pEntry->d_name);
    }
    for (const std::string& strName : vNames) unlinkat(dirfd(pDir.get()), strName.c_str(), 0);
}

void ThumbCache::Trim(std::uint64_t nMaxBytes) const {
    if (m_strFolder.empty()) return;
    struct Record {
        std::int64_t nUsedNs;
        std::uint64_t nBytes;
        std::string strPath;
    };
    std::vector<Record> vRecords;
    std::uint64_t nTotal = 0;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nNowNs = Nanoseconds(now);

    DirPtr pRoot(opendir(m_strFolder.c_str()));
    if (!pRoot) return;
    while (const dirent* pBucket = readdir(pRoot.get())) {
        if (!IsBucketName(pBucket->d_name)) continue;
        const int fdBucket = openat(dirfd(pRoot.get()), pBucket->d_name,
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fdBucket < 0) continue;
        DirPtr pDir(fdopendir(fdBucket));
        if (!pDir) {
            close(fdBucket);
            continue;
        }
        const std::string strBucket = m_strFolder + "/" + pBucket->d_name + "/";
        while (const dirent* pEntry = readdir(pDir.get())) {
            const bool bRecord = IsRecordName(pEntry->d_name);
            if (!bRecord && !IsTempName(pEntry->d_name)) continue;
            struct stat st;
            if (fstatat(fdBucket, pEntry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(st.st_mode))
                continue;
            const std::int64_t nUsedNs = Nanoseconds(st.st_mtim);
            if (!bRecord) {
                // A writer still busy with it is left alone.
                if (nNowNs - nUsedNs > kStaleTempNs) unlinkat(fdBucket, pEntry->d_name, 0);
                continue;
            }
            const std::uint64_t nBytes = static_cast<std::uint64_t>(st.st_size);
            nTotal += nBytes;
            vRecords.push_back({nUsedNs, nBytes, strBucket + pEntry->d_name});
        }
    }
    if (nTotal <= nMaxBytes) return;
    std::sort(vRecords.begin(), vRecords.end(), [](const Record& a, const Record& b) {
        return a.nUsedNs != b.nUsedNs ? a.nUsedNs < b.nUsedNs : a.strPath < b.strPath;
    });
    for (const Record& rec : vRecords) {
        if (nTotal <= nMaxBytes) break;
        if (unlink(rec.strPath.c_str()) == 0 || errno == ENOENT) nTotal -= rec.nBytes;
    }
}

// Runs on a worker thread.
bool BuildThumbnailCached(const ThumbCache& cache, ImageItem& item, int nPitch, int nThumbSize,
                          std::atomic<bool>* pbStored, bool bRotateByTag, CodecContext* pContext,
                          double dPixelRatio) {
    if (!pContext) {
        CodecContext context;
        const bool bOk = BuildThumbnailCached(cache, item, nPitch, nThumbSize, pbStored,
                                              bRotateByTag, &context, dPixelRatio);
        context.ShowAll();
        return bOk;
    }
    CodecContext& context = *pContext;
    if (cache.Folder().empty())
        return BuildOrientedThumbnail(item, nPitch, nThumbSize, bRotateByTag, context, dPixelRatio);
    // Taken before the decode: if the file changes while it is read, the
    // record is kept under the old facts and the next run misses it.
    const std::optional<ThumbKey> key =
        MakeThumbKey(item, nPitch, nThumbSize, bRotateByTag, dPixelRatio,
                     ThumbLookCode(item.m_nKind, context.look));
    if (key && cache.Load(item, *key)) return true;
    // A build that met a message (a library warning on a damaged file)
    // is not kept: the next run must show that message again.
    const std::size_t nMessages = context.messages.size();
    if (!BuildOrientedThumbnail(item, nPitch, nThumbSize, bRotateByTag, context, dPixelRatio))
        return false;
    if (key && context.messages.size() == nMessages) {
        cache.Store(item, *key);
        if (pbStored) pbStored->store(true, std::memory_order_relaxed);
    }
    return true;
}

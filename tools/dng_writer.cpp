// SPDX-License-Identifier: MIT
#include "dng_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

enum TiffType : std::uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSRational = 10
};

struct Entry {
    std::uint16_t nTag, nType;
    std::uint32_t nCount;
    std::string strValue;  // little-endian, as stored
};

void Put16(std::string& str, std::uint32_t n) {
    str += char(n & 0xFF);
    str += char((n >> 8) & 0xFF);
}
void Put32(std::string& str, std::uint32_t n) {
    Put16(str, n & 0xFFFF);
    Put16(str, n >> 16);
}

Entry Short(std::uint16_t nTag, std::vector<std::uint32_t> vValues) {
    Entry e{nTag, kShort, std::uint32_t(vValues.size()), {}};
    for (std::uint32_t n : vValues) Put16(e.strValue, n);
    return e;
}
Entry Long(std::uint16_t nTag, std::uint32_t nValue) {
    Entry e{nTag, kLong, 1, {}};
    Put32(e.strValue, nValue);
    return e;
}
Entry Bytes(std::uint16_t nTag, std::vector<std::uint8_t> vValues) {
    Entry e{nTag, kByte, std::uint32_t(vValues.size()), {}};
    for (std::uint8_t n : vValues) e.strValue += char(n);
    return e;
}
Entry Ascii(std::uint16_t nTag, const char* psz) {
    return {nTag, kAscii, std::uint32_t(std::strlen(psz) + 1),
            std::string(psz, std::strlen(psz) + 1)};
}
// Fractions of 10000, signed or not as the type says.
Entry Rationals(std::uint16_t nTag, std::uint16_t nType, std::vector<int> vTenThousandths) {
    Entry e{nTag, nType, std::uint32_t(vTenThousandths.size()), {}};
    for (int n : vTenThousandths) {
        Put32(e.strValue, std::uint32_t(n));
        Put32(e.strValue, 10000);
    }
    return e;
}

// The bytes an IFD takes with the values that do not fit its entries.
std::size_t IfdSize(const std::vector<Entry>& vEntries) {
    std::size_t n = 2 + 12 * vEntries.size() + 4;
    for (const Entry& e : vEntries)
        if (e.strValue.size() > 4) n += (e.strValue.size() + 1) / 2 * 2;
    return n;
}

// Appends the IFD, which starts at str.size(), its long values after it.
void PutIfd(std::string& str, const std::vector<Entry>& vEntries) {
    const std::size_t nStart = str.size();
    std::size_t nExtra = nStart + 2 + 12 * vEntries.size() + 4;
    std::string strExtra;
    Put16(str, std::uint32_t(vEntries.size()));
    for (const Entry& e : vEntries) {
        Put16(str, e.nTag);
        Put16(str, e.nType);
        Put32(str, e.nCount);
        if (e.strValue.size() <= 4) {
            str += e.strValue + std::string(4 - e.strValue.size(), '\0');
        } else {
            Put32(str, std::uint32_t(nExtra + strExtra.size()));
            strExtra += e.strValue;
            if (strExtra.size() % 2) strExtra += '\0';
        }
    }
    Put32(str, 0);
    str += strExtra;
}

// The tags that make IFD0 a DNG's: version, camera and a plain colour matrix.
void AddDngTags(std::vector<Entry>& v) {
    v.push_back(Ascii(271, "Galerio"));
    v.push_back(Ascii(272, "Test Camera"));
    v.push_back(Bytes(50706, {1, 4, 0, 0}));
    v.push_back(Bytes(50707, {1, 1, 0, 0}));
    v.push_back(Ascii(50708, "Galerio Test Camera"));
    v.push_back(
        Rationals(50721, kSRational, {10000, -2000, -1000, -3000, 12000, 1000, -500, 1500, 9000}));
    v.push_back(Rationals(50728, kRational, {5000, 10000, 7000}));
    v.push_back(Short(50778, {21}));
}

std::vector<Entry> RawEntries(const DngPicture& p, std::uint32_t nDataOffset) {
    const std::uint64_t nBytes = std::uint64_t(p.nRawWidth) * p.nRawHeight * 2;
    return {Long(254, 0),
            Long(256, p.nRawWidth),
            Long(257, p.nRawHeight),
            Short(258, {16}),
            Short(259, {1}),
            Short(262, {32803}),
            Long(273, nDataOffset),
            Short(277, {1}),
            Long(278, p.nRawHeight),
            Long(279, std::uint32_t(std::min<std::uint64_t>(nBytes, UINT32_MAX))),
            Short(284, {1}),
            Short(33421, {2, 2}),
            Bytes(33422, {0, 1, 1, 2}),
            Long(50714, 0),
            Long(50717, 65535)};
}

std::vector<Entry> SortedByTag(std::vector<Entry> v) {
    std::sort(v.begin(), v.end(), [](const Entry& a, const Entry& b) { return a.nTag < b.nTag; });
    return v;
}

// The tags of both IFDs, with the data offsets given.
void BuildIfds(const DngPicture& p, std::uint32_t nSubIfd, std::uint32_t nPreview,
               std::uint32_t nRaw, std::vector<Entry>& vIfd0, std::vector<Entry>& vSub) {
    const bool bPreview = !p.strPreviewJpeg.empty();
    std::vector<Entry> vRaw = RawEntries(p, nRaw);
    if (!bPreview) {
        vIfd0 = vRaw;
        vIfd0.push_back(Short(274, {std::uint32_t(p.nOrientation)}));
        AddDngTags(vIfd0);
        vIfd0 = SortedByTag(vIfd0);
        vSub.clear();
        return;
    }
    vIfd0 = {Long(254, 1),
             Long(256, p.nPreviewWidth),
             Long(257, p.nPreviewHeight),
             Short(258, {8, 8, 8}),
             Short(259, {7}),
             Short(262, {6}),
             Long(273, nPreview),
             Short(274, {std::uint32_t(p.nOrientation)}),
             Short(277, {3}),
             Long(278, p.nPreviewHeight),
             Long(279, p.nPreviewLengthTag ? p.nPreviewLengthTag
                                           : std::uint32_t(p.strPreviewJpeg.size())),
             Short(284, {1}),
             Long(330, nSubIfd)};
    AddDngTags(vIfd0);
    vIfd0 = SortedByTag(vIfd0);
    vSub = SortedByTag(vRaw);
}

}  // namespace

std::string MakeDng(const DngPicture& p) {
    // Sizes do not depend on the offsets, so one pass with zeros lays out the file.
    std::vector<Entry> vIfd0, vSub;
    BuildIfds(p, 0, 0, 0, vIfd0, vSub);
    const std::uint32_t nSubIfd = std::uint32_t(8 + IfdSize(vIfd0));
    const std::uint32_t nPreview = std::uint32_t(nSubIfd + (vSub.empty() ? 0 : IfdSize(vSub)));
    std::uint32_t nRaw = std::uint32_t(nPreview + p.strPreviewJpeg.size());
    nRaw += nRaw % 2;
    BuildIfds(p, nSubIfd, nPreview, nRaw, vIfd0, vSub);

    std::string str("II*\0", 4);
    Put32(str, 8);
    PutIfd(str, vIfd0);
    if (!vSub.empty()) PutIfd(str, vSub);
    str += p.strPreviewJpeg;
    str.resize(nRaw, '\0');
    if (!p.bRawSamples) return str;
    // A soft gradient under the mosaic: something for a demosaic to work on.
    const std::size_t nStart = str.size();
    str.resize(nStart + std::size_t(p.nRawWidth) * p.nRawHeight * 2);
    char* pOut = str.data() + nStart;
    for (std::uint32_t y = 0; y < p.nRawHeight; ++y)
        for (std::uint32_t x = 0; x < p.nRawWidth; ++x, pOut += 2) {
            const std::uint32_t n =
                (x * 40000u / p.nRawWidth + y * 20000u / p.nRawHeight + ((x ^ y) & 1) * 3000u) &
                0xFFFF;
            pOut[0] = char(n & 0xFF);
            pOut[1] = char(n >> 8);
        }
    return str;
}

// SPDX-License-Identifier: MIT
// The manifest is a text file of one line per photo, fields separated by
// tabs. Texts are percent-encoded, so that names holding tabs, line ends or
// bytes that are not UTF-8 come back exactly as they were.
#include "publish/gallery_manifest.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/replace_file.h"

namespace {

constexpr const char* kFirstLine = "galerio-gallery 1";
constexpr std::size_t kFieldCount = 15;

std::string Encode(const std::string& str) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : str) {
        if (c > 0x20 && c < 0x7F && c != '%') {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

bool Decode(const std::string& str, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] != '%') {
            out += str[i];
            continue;
        }
        if (i + 2 >= str.size()) return false;
        char* pEnd = nullptr;
        const std::string strHex = str.substr(i + 1, 2);
        const long n = std::strtol(strHex.c_str(), &pEnd, 16);
        if (strHex.size() != 2 || pEnd != strHex.c_str() + 2) return false;
        out += char(n);
        i += 2;
    }
    return true;
}

template <typename T>
bool Number(const std::string& str, T& n) {
    if (str.empty() || str.size() > 20) return false;
    std::istringstream in(str);
    in >> n;
    return in && in.eof();
}

bool ParseLine(const std::string& strLine, GalleryRecord& r) {
    std::vector<std::string> v;
    std::size_t nStart = 0;
    for (std::size_t nTab; (nTab = strLine.find('\t', nStart)) != std::string::npos;
         nStart = nTab + 1)
        v.push_back(strLine.substr(nStart, nTab - nStart));
    v.push_back(strLine.substr(nStart));
    if (v.size() != kFieldCount) return false;
    return Decode(v[0], r.strFileName) && Number(v[1], r.nBytes) && Number(v[2], r.nModified) &&
           Decode(v[3], r.strImagesKey) && Decode(v[4], r.strOutName) &&
           Number(v[5], r.nThumbWidth) && Number(v[6], r.nThumbHeight) &&
           Number(v[7], r.nThumb2xWidth) && Number(v[8], r.nThumb2xHeight) &&
           Number(v[9], r.nWebWidth) && Number(v[10], r.nWebHeight) &&
           Decode(v[11], r.strDescription) && Decode(v[12], r.strTaken) &&
           Decode(v[13], r.strCamera) && Decode(v[14], r.strExposure) && !r.strFileName.empty() &&
           IsPlainFileName(r.strOutName);
}

}  // namespace

bool IsPlainFileName(const std::string& strName) {
    return !strName.empty() && strName != "." && strName != ".." &&
           strName.find('/') == std::string::npos && strName.find('\0') == std::string::npos;
}

std::map<std::string, GalleryRecord> ReadGalleryManifest(const std::string& strPath) {
    std::map<std::string, GalleryRecord> records;
    std::ifstream in(strPath, std::ios::binary);
    std::string strLine;
    if (!std::getline(in, strLine) || strLine != kFirstLine) return records;
    while (std::getline(in, strLine)) {
        GalleryRecord r;
        if (ParseLine(strLine, r)) records[r.strFileName] = std::move(r);
    }
    return records;
}

bool WriteGalleryManifest(const std::string& strPath, const std::vector<GalleryRecord>& vRecords,
                          int& nError) {
    std::string strText = std::string(kFirstLine) + "\n";
    for (const GalleryRecord& r : vRecords) {
        const auto n = [](auto value) { return std::to_string(value); };
        strText += Encode(r.strFileName) + '\t' + n(r.nBytes) + '\t' + n(r.nModified) + '\t' +
                   Encode(r.strImagesKey) + '\t' + Encode(r.strOutName) + '\t' + n(r.nThumbWidth) +
                   '\t' + n(r.nThumbHeight) + '\t' + n(r.nThumb2xWidth) + '\t' +
                   n(r.nThumb2xHeight) + '\t' + n(r.nWebWidth) + '\t' + n(r.nWebHeight) + '\t' +
                   Encode(r.strDescription) + '\t' + Encode(r.strTaken) + '\t' +
                   Encode(r.strCamera) + '\t' + Encode(r.strExposure) + '\n';
    }
    CReplacingFile file(strPath);
    std::FILE* pFile = file.Open();
    if (!pFile) {
        nError = file.Error() ? file.Error() : errno;
        return false;
    }
    if (std::fwrite(strText.data(), 1, strText.size(), pFile) != strText.size()) {
        nError = errno ? errno : EIO;
        std::fclose(pFile);
        return false;
    }
    if (!file.Commit(pFile)) {
        nError = file.Error();
        return false;
    }
    return true;
}

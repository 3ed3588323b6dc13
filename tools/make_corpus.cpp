// SPDX-License-Identifier: MIT
// Builds the benchmark corpus from photographs given on the command line:
// 50 images of 4000 × 3000 and 50 of 1600 × 1200, quality 90, baseline,
// 4:2:0 (our encoder's defaults). Each one is cut from a photograph, mirrored
// at the edges where the photograph is smaller than the target, so every
// pixel is real photographic content. Files already there are kept.
//
//   make_corpus <folder> <photo.jpg>...
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "codec/jpeg_file.h"

namespace {

struct Photo {
    std::unique_ptr<std::uint8_t[]> pPixels;
    std::uint32_t nWidth = 0;
    std::uint32_t nHeight = 0;
};

// Reflects a coordinate into [0, n) so tiles meet without seams.
std::uint32_t Mirror(std::uint64_t v, std::uint32_t n) {
    const std::uint64_t nPeriod = 2ull * n;
    v %= nPeriod;
    return static_cast<std::uint32_t>(v < n ? v : nPeriod - 1 - v);
}

std::vector<std::uint8_t> Cut(const Photo& photo, std::uint32_t nWidth, std::uint32_t nHeight,
                              unsigned nSeed) {
    // A different window of the photograph for every output image.
    const std::uint64_t nX0 = (nSeed * 7919ull) % photo.nWidth;
    const std::uint64_t nY0 = (nSeed * 6151ull) % photo.nHeight;
    std::vector<std::uint8_t> v(std::size_t(nWidth) * nHeight * 3);
    std::uint8_t* pOut = v.data();
    for (std::uint32_t y = 0; y < nHeight; ++y) {
        const std::uint8_t* pRow =
            photo.pPixels.get() + std::size_t(Mirror(nY0 + y, photo.nHeight)) * photo.nWidth * 3;
        for (std::uint32_t x = 0; x < nWidth; ++x, pOut += 3) {
            const std::uint8_t* p = pRow + std::size_t(Mirror(nX0 + x, photo.nWidth)) * 3;
            pOut[0] = p[0], pOut[1] = p[1], pOut[2] = p[2];
        }
    }
    return v;
}

bool Exists(const std::string& strPath) {
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 && st.st_size > 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <folder> <photo.jpg>...\n", argv[0]);
        return 2;
    }
    const std::string strFolder = argv[1];
    mkdir(strFolder.c_str(), 0755);
    std::vector<Photo> vPhotos;
    for (int i = 2; i < argc; ++i) {
        Photo photo;
        photo.pPixels = JpegFile::ReadJpegRgb(argv[i], photo.nWidth, photo.nHeight, 1, 1);
        if (photo.pPixels) vPhotos.push_back(std::move(photo));
    }
    if (vPhotos.empty()) {
        std::fprintf(stderr, "make_corpus: no readable photograph\n");
        return 1;
    }
    const struct {
        const char* pszName;
        std::uint32_t nWidth, nHeight;
    } aSizes[] = {{"large", 4000, 3000}, {"medium", 1600, 1200}};
    for (const auto& size : aSizes)
        for (unsigned i = 0; i < 50; ++i) {
            char szName[64];
            std::snprintf(szName, sizeof szName, "/%s_%02u.jpg", size.pszName, i);
            const std::string strPath = strFolder + szName;
            if (Exists(strPath)) continue;
            const Photo& photo = vPhotos[i % vPhotos.size()];
            const std::vector<std::uint8_t> v = Cut(photo, size.nWidth, size.nHeight, i);
            if (!JpegFile::WriteJpegFile(strPath, v.data(), size.nWidth, size.nHeight, 90))
                return 1;
        }
    return 0;
}

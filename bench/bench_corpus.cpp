// SPDX-License-Identifier: MIT
#include "bench_corpus.h"

#include <benchmark/benchmark.h>

#include <algorithm>
// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on
#include <unistd.h>

#include <climits>
#include <cstdlib>

std::string CorpusFolder() {
    if (const char* psz = std::getenv("GALERIO_BENCH_CORPUS"); psz && *psz) return psz;
    char sz[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", sz, sizeof sz - 1);
    std::string strExe(sz, n > 0 ? std::size_t(n) : 0);
    return strExe.substr(0, strExe.rfind('/')) + "/corpus";
}

std::vector<std::string> CorpusFiles(const char* pszPrefix) {
    std::vector<std::string> v;
    for (int i = 0; i < 50; ++i) {
        char szName[64];
        std::snprintf(szName, sizeof szName, "/%s_%02d.jpg", pszPrefix, i);
        const std::string strPath = CorpusFolder() + szName;
        if (access(strPath.c_str(), R_OK) == 0) v.push_back(strPath);
    }
    return v;
}

void BareDecode(const std::string& strPath, int nReduction) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) return;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, pFile);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(nReduction);
    jpeg_start_decompress(&cinfo);
    JSAMPARRAY ppRow =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   cinfo.output_width * cinfo.output_components, 1);
    while (cinfo.output_scanline < cinfo.output_height) jpeg_read_scanlines(&cinfo, ppRow, 1);
    benchmark::DoNotOptimize(ppRow[0][0]);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(pFile);
}

std::unique_ptr<std::uint8_t[]> BareDecodePacked(const std::string& strPath, int nReduction,
                                                 std::uint32_t& nWidth, std::uint32_t& nHeight) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) return nullptr;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, pFile);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(nReduction);
    jpeg_start_decompress(&cinfo);
    nWidth = cinfo.output_width;
    nHeight = cinfo.output_height;
    const std::size_t nRow = std::size_t(nWidth) * 3;
    std::unique_ptr<std::uint8_t[]> p(new std::uint8_t[nRow * nHeight]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW pRow = p.get() + cinfo.output_scanline * nRow;
        jpeg_read_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(pFile);
    return p;
}

void BareEncode(const std::string& strPath, const std::uint8_t* pPixels, std::uint32_t nWidth,
                std::uint32_t nHeight, int nQuality) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile) return;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, pFile);
    cinfo.image_width = nWidth;
    cinfo.image_height = nHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, nQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW pRow = const_cast<JSAMPROW>(pPixels + cinfo.next_scanline * nWidth * 3);
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(pFile);
}

double Seconds(const std::chrono::steady_clock::time_point& t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

std::vector<std::uint8_t> PhotoLikePixels(std::uint32_t nWidth, std::uint32_t nHeight) {
    std::vector<std::uint8_t> v(std::size_t(nWidth) * nHeight * 3);
    std::size_t i = 0;
    for (std::uint32_t y = 0; y < nHeight; ++y)
        for (std::uint32_t x = 0; x < nWidth; ++x) {
            v[i++] = std::uint8_t((x * 255) / nWidth ^ (y & 7));
            v[i++] = std::uint8_t((y * 255) / nHeight + ((x * y) & 15));
            v[i++] = std::uint8_t(((x + y) * 3) & 0xFF);
        }
    return v;
}

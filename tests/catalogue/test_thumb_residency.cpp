// SPDX-License-Identifier: MIT
// Released pixels come back byte for byte, from the cache or a new build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "browser/catalogue/folder_scan.h"
#include "browser/catalogue/thumb_residency.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

namespace {

constexpr int kPitch = 103;
constexpr int kThumb = 100;

class Residency : public ::testing::Test {
protected:
    // n photos scanned and built as a run does; 3 screens of 2 cells keep pixels.
    void Build(int n, bool bCache) {
        for (int i = 0; i < n; ++i) {
            std::vector<std::uint8_t> px(160 * 120 * 3);
            for (std::size_t b = 0; b < px.size(); ++b) px[b] = std::uint8_t(b * (i + 3) / 7);
            const std::string strPath = m_config.WorkDir() + "/p" + std::to_string(i) + ".jpg";
            ASSERT_TRUE(JpegFile::WriteJpegFile(strPath, px.data(), 160, 120, 90));
        }
        ScanFolder(m_config.WorkDir(), ScanOptions{}, m_list, {});
        ASSERT_EQ(m_list.size(), std::size_t(n));
        if (bCache) m_pCache = std::make_shared<const ThumbCache>(m_config.WorkDir() + "/cache");
        m_residency.StartRun(m_pCache, kPitch, kThumb, false, 2, true);
        for (std::size_t i = 0; i < m_list.size(); ++i) {
            ImageItem& item = *m_list[i];
            ASSERT_TRUE(m_pCache ? BuildThumbnailCached(*m_pCache, item, kPitch, kThumb)
                                 : BuildThumbnailBitmap(item, kPitch, kThumb));
            m_vecBuilt.push_back(Bytes(item));
            m_residency.ReleaseAfterBuild(i, item);
        }
    }
    static std::string Bytes(const ImageItem& item) {
        const std::size_t n = DisplayStride(item.m_nThumbWidth) * item.m_nThumbHeight;
        return item.m_pBits ? std::string(reinterpret_cast<const char*>(item.m_pBits.get()), n)
                            : "";
    }
    std::vector<std::size_t> Resident() const {
        std::vector<std::size_t> v;
        for (std::size_t i = 0; i < m_list.size(); ++i)
            if (m_list[i]->m_pBits) v.push_back(i);
        return v;
    }

    TempConfig m_config;
    MessageRecorder m_boxes;
    ImageList m_list;
    std::shared_ptr<const ThumbCache> m_pCache;
    ThumbResidency m_residency;
    std::vector<std::string> m_vecBuilt;
};

struct RestoreCase {
    const char* name;
    bool bCache;
    bool bRecordsGone;
};

class ResidencyRestore : public Residency, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(ResidencyRestore, GivesBackTheBytesOfTheRun) {
    Build(9, GetParam().bCache);
    EXPECT_EQ(Resident(), (std::vector<std::size_t>{0, 1, 2, 3, 4, 5}));
    if (GetParam().bRecordsGone) std::filesystem::remove_all(m_config.WorkDir() + "/cache");
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        EXPECT_TRUE(m_residency.Restore(*m_list[i], i)) << i;
        EXPECT_EQ(Bytes(*m_list[i]), m_vecBuilt[i]) << i;
    }
    EXPECT_EQ(m_boxes.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sources, ResidencyRestore,
                         ::testing::Values(RestoreCase{"Cache", true, false},
                                           RestoreCase{"CacheTrimmed", true, true},
                                           RestoreCase{"NoCache", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file that went bad since the run leaves its cell empty, silently, and
// is not decoded again on every paint.
TEST_F(Residency, FileUnreadableNowStaysWithoutPixelsAndWithoutBox) {
    Build(8, false);
    const std::string strGone = m_list[6]->m_strPath;
    std::filesystem::remove(strGone);
    std::ofstream(m_list[7]->m_strPath, std::ios::trunc) << "\xff\xd8 no longer a photo";
    for (std::size_t i : {6, 7}) EXPECT_FALSE(m_residency.Restore(*m_list[i], i)) << i;
    EXPECT_EQ(m_boxes.Count(), 0u);
    std::filesystem::copy_file(m_list[0]->m_strPath, strGone);
    EXPECT_FALSE(m_residency.Restore(*m_list[6], 6));
}

// Two screens on each side of the visible cells stay; the rest go.
TEST_F(Residency, TrimKeepsTwoScreensAroundTheVisibleCells) {
    Build(40, true);
    for (std::size_t i = 0; i < m_list.size(); ++i) m_residency.Restore(*m_list[i], i);
    EXPECT_TRUE(m_residency.Trim(m_list, 20, 22));
    EXPECT_EQ(Resident(), (std::vector<std::size_t>{16, 17, 18, 19, 20, 21, 22, 23, 24, 25}));
}

}  // namespace

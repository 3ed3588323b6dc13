// SPDX-License-Identifier: MIT
// The web gallery through `galerio --make-thumbs --style gallery`: what a
// re-run makes, keeps and removes, the images and the page, and what is
// refused before anything is written.
#include <gmock/gmock.h>
#include <libexif/exif-data.h>
#include <unistd.h>

#include <QString>
#include <functional>

#include "batch/batch_fixture.h"
#include "codec/jpeg_file.h"
#include "publish/gallery.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class BatchGallery : public BatchFixture {
protected:
    CommandResult Gallery(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{m_strPics, "--out",  m_strOut, "--style",
                                      "gallery", "--sort", "name",   "--jobs", "2"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
    std::string Out(const std::string& strName) const { return m_strOut + "/" + strName; }
    bool Has(const std::string& strName) const { return access(Out(strName).c_str(), F_OK) == 0; }
    std::string Size(const std::string& strName) const {
        std::uint32_t w = 0, h = 0;
        JpegFile::ReadJpegSize(Out(strName), w, h);
        return std::to_string(w) + "x" + std::to_string(h);
    }
};

TEST_F(BatchGallery, ARerunMakesOnlyWhatChangedAndRemovesWhatIsGone) {
    AddPhoto("a.jpg", 800, 600);
    AddPhoto("b.bmp", 60, 40);
    AddPhoto("c.jpg", 300, 200);
    WriteBytes(Out("victim"), "not the gallery's");
    FolderFiles made;
    struct Step {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> args;
        const char* summary;
    };
    const Step steps[] = {
        {"cold", [] {}, {}, "3 made, 0 up to date, 0 files removed"},
        {"unchanged", [] {}, {}, "0 made, 3 up to date, 0 files removed"},
        {"changed and gone",
         [&] {
             AddPhoto("b.bmp", 90, 40);
             unlink((m_strPics + "/c.jpg").c_str());
             // A damaged or forged manifest line is ignored, never followed out of the gallery.
             std::string strManifest = ReadBytes(Out(kGalleryManifestName));
             strManifest += "x.jpg\t1\t1\tk\t../victim\t1\t1\t1\t1\t1\t1\t\t\t\t\nbroken\n";
             WriteBytes(Out(kGalleryManifestName), strManifest);
         },
         {},
         "1 made, 1 up to date, 3 files removed"},
        {"originals linked", [] {}, {"--link-originals"}, "2 made, 0 up to date, 2 files removed"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const CommandResult result = Gallery(step.args);
        EXPECT_EQ(result.nStatus, 0) << result.strErr;
        EXPECT_THAT(result.strErr, HasSubstr("the gallery is " + Out("index.html") + ": " +
                                             step.summary));
        if (std::string(step.what) == "cold") {
            EXPECT_EQ(Size("thumbs/a.jpg") + Size("thumbs2x/a.jpg") + Size("web/a.jpg"),
                      "240x180480x360800x600");
            EXPECT_EQ(Size("web/b.bmp.jpg"), "60x40");
            made = ReadFolder(m_strOut + "/web");
            made["index.html"] = ReadBytes(Out("index.html"));
        } else if (std::string(step.what) == "unchanged") {
            FolderFiles now = ReadFolder(m_strOut + "/web");
            now["index.html"] = ReadBytes(Out("index.html"));
            EXPECT_EQ(now, made);
        }
    }
    EXPECT_FALSE(Has("thumbs/c.jpg") || Has("thumbs2x/c.jpg") || Has("web/a.jpg"));
    EXPECT_TRUE(Has("victim") && Has("thumbs/b.bmp.jpg"));
    EXPECT_EQ(Size("thumbs/b.bmp.jpg"), "90x40");
    EXPECT_THAT(ReadBytes(Out("index.html")), HasSubstr("<a href=\"../pics/a.jpg\"><img"));
}

TEST_F(BatchGallery, ImagesAreUprightAndBareAndThePageEscapesEveryName) {
    const std::vector<ExifField> camera = {
        {EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION, EXIF_FORMAT_ASCII, "Harbour at <dusk>"},
        {EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, "", 6},
        {EXIF_IFD_0, EXIF_TAG_MAKE, EXIF_FORMAT_ASCII, "Canon"},
        {EXIF_IFD_0, EXIF_TAG_MODEL, EXIF_FORMAT_ASCII, "Canon EOS R5"},
        {EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_FORMAT_ASCII, "2024:05:17 14:03:09"},
        {EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, EXIF_FORMAT_RATIONAL, "", 1, 250},
        {EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, EXIF_FORMAT_SHORT, "", 400},
        {EXIF_IFD_GPS, 0x0002, EXIF_FORMAT_RATIONAL, "", 48, 1}};
    WriteQuadrantJpegWithApp1(m_strPics + "/turned.jpg", 400, 200, ExifBlock(camera));
    AddPhoto("<b>&%\"x.jpg", 40, 30);
    AddPhoto("z.jpg", 40, 30);
    const CommandResult result =
        Gallery({"--captions", "exif", "--size", "1024", "--title", "Trip & <more>"});
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(Size("web/turned.jpg"), "200x400");
    EXPECT_EQ(ReadBytes(Out("web/turned.jpg")).find("Exif"), std::string::npos);
    const std::string strPage = ReadBytes(Out("index.html"));
    for (const char* psz : {
             "<title>Trip &amp; &lt;more&gt;</title>",
             "<a href=\"web/%3Cb%3E&amp;%25%22x.jpg\"><img src=\"thumbs/%3Cb%3E&amp;%25%22x.jpg\" "
             "width=\"40\" height=\"30\" alt=\"&lt;b&gt;&amp;%&quot;x.jpg\"></a>",
             "<a href=\"web/turned.jpg\" data-caption=\"2024-05-17 14:03:09 &#183; Canon EOS R5 "
             "&#183; 1/250 s, ISO 400\"><img src=\"thumbs/turned.jpg\" width=\"200\" "
             "height=\"400\" alt=\"Harbour at &lt;dusk&gt;\"></a><figcaption>",
             // Two thumbnails of 1024 fill a large screen; the third waits for its turn.
             "width=\"40\" height=\"30\" alt=\"z.jpg\" loading=\"lazy\">"})
        EXPECT_THAT(strPage, HasSubstr(psz));
}

TEST_F(BatchGallery, AFailurePartWayKeepsWhatWasMadeAndARerunGoesOn) {
    AddPhoto("a.jpg", 80, 60);
    AddBroken("b.jpg");
    AddPhoto("c.jpg", 80, 60);
    const CommandResult failed = Gallery();
    EXPECT_EQ(failed.nStatus, 1);
    EXPECT_THAT(failed.strErr, HasSubstr("'" + m_strPics + "/b.jpg': "));
    EXPECT_TRUE(Has("thumbs/a.jpg") && Has("web/a.jpg"));
    EXPECT_FALSE(Has("thumbs/c.jpg") || Has("index.html"));
    AddPhoto("b.jpg", 80, 60);
    EXPECT_THAT(Gallery().strErr, HasSubstr("2 made, 1 up to date, 0 files removed"));
}

class BatchGalleryRefused;
struct RefusalCase {
    const char* name;
    std::function<void(BatchGalleryRefused&)> arrange;
    std::vector<std::string> args;
    std::function<std::string(const BatchGalleryRefused&)> said;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class BatchGalleryRefused : public BatchGallery,
                            public ::testing::WithParamInterface<RefusalCase> {
public:
    using BatchGallery::m_strOut;
    using BatchGallery::m_strPics;
    using BatchGallery::Out;
};

TEST_P(BatchGalleryRefused, WritesNothing) {
    AddPhoto("a.jpg", 80, 60);
    GetParam().arrange(*this);
    const FolderFiles before = ReadFolder(m_strOut);
    const CommandResult result = Gallery(GetParam().args);
    EXPECT_EQ(result.nStatus, 2);
    EXPECT_THAT(result.strErr, HasSubstr(GetParam().said(*this)));
    EXPECT_EQ(ReadFolder(m_strOut), before);
}

std::string Said(const char* pszText, const std::string& strPath) {
    return QString::fromLatin1(pszText).arg(QString::fromStdString(strPath)).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchGalleryRefused,
    ::testing::Values(
        RefusalCase{"APageNotOurs",
                    [](BatchGalleryRefused& t) { WriteBytes(t.Out("index.html"), "mine"); }, {},
                    [](const BatchGalleryRefused& t) {
                        return Said(kGalleryNotOursText, t.m_strOut);
                    }},
        RefusalCase{"ImagesOverThePhotos",
                    [](BatchGalleryRefused& t) {
                        ASSERT_EQ(symlink(t.m_strPics.c_str(), t.Out("web").c_str()), 0);
                    },
                    {},
                    [](const BatchGalleryRefused& t) {
                        return Said(kGalleryOverPhotosText, t.m_strPics);
                    }},
        RefusalCase{"ThumbnailSize", [](BatchGalleryRefused&) {}, {"--size", "20"},
                    [](const BatchGalleryRefused&) {
                        return std::string(
                            "--size: a gallery's thumbnails are from 64 to 1024 pixels, not 20");
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

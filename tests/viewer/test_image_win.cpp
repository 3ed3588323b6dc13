// SPDX-License-Identifier: MIT
// The single-image window against a real grid view: the fitted bitmap, a
// resize, the keys that reach the slide show, captions and unreadable files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "browser/galerio_view.h"
#include "browser/view_test_helpers.h"
#include "codec/codec_fixtures.h"
#include "codec/display_bitmap.h"
#include "codec/jpeg_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"
#include "support/view_probe.h"
#include "viewer/image_win.h"
#include "viewer/scroll_vu.h"

namespace {

// Never a colour of the test images: a pixel of it is background, not image.
const QColor kBase(255, 0, 255);
constexpr QSize kWorkArea(800, 600);

bool IsDark(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c) < 200; }

class ImageWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        bool bCreated = false;
        ASSERT_TRUE(m_store.OpenProductKey("Galerio", bCreated));
        for (const char* name : {kShowDim, kShowFileName, kShowFileSize, kShowFileDate})
            Put(name, "0");
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        m_oldPalette = QApplication::palette();
        QPalette palette = m_oldPalette;
        palette.setColor(QPalette::Base, kBase);
        QApplication::setPalette(palette);
        CImageWin::SetWorkAreaOverride(kWorkArea);
    }

    // Every decode from here on goes through the codec's general loader and
    // is counted; without it photos take the direct road to display rows.
    void CountDecodes() {
        CScrollVu::SetPixelLoader([this](const ImageItem& item, std::uint32_t& w, std::uint32_t& h,
                                         std::int32_t n, std::int32_t d) {
            ++m_nDecodes;
            return LoadImagePixels(item, w, h, n, d);
        });
    }

    void TearDown() override {
        for (QPointer<CImageWin>& p : m_windows) delete p.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_pView.reset();
        CScrollVu::SetPixelLoader({});
        CImageWin::SetWorkAreaOverride({});
        QApplication::setPalette(m_oldPalette);
    }

    void Put(const char* name, const std::string& value) {
        ASSERT_TRUE(m_store.PutString(kSectionSettings, name, value));
    }

    // A catalogue entry as the grid holds it, for a file in the work folder.
    ImageItem Entry(const std::string& strFile, int w, int h) {
        ImageItem item;
        item.m_nKind = IMAGE_JPEG;
        item.m_strPath = m_config.WorkDir() + "/" + strFile;
        item.m_strName = strFile.substr(0, strFile.rfind('.'));
        item.m_nImageWidth = std::uint32_t(w);
        item.m_nImageHeight = std::uint32_t(h);
        item.m_strSize = "12 KB";
        item.m_strDate = "02.01.2024";
        return item;
    }

    ImageItem QuadrantEntry(const std::string& strName, int w, int h) {
        EXPECT_FALSE(WriteQuadrantJpeg(m_config.WorkDir(), strName + ".jpg", w, h).empty());
        return Entry(strName + ".jpg", w, h);
    }

    // A flat light-grey picture: any dark pixel on it is caption text.
    ImageItem GreyEntry(const std::string& strName, int w, int h) {
        const std::vector<std::uint8_t> pixels(std::size_t(w) * h * 3, 200);
        EXPECT_TRUE(WriteJpegFile(m_config.WorkDir() + "/" + strName + ".jpg", pixels.data(),
                                  std::uint32_t(w), std::uint32_t(h), 95));
        return Entry(strName + ".jpg", w, h);
    }

    CImageWin* Open(const ImageItem& item, bool bSlideShow, bool bFit) {
        auto* pWin = new CImageWin(m_pView.get(), nullptr);
        m_windows.emplace_back(pWin);
        EXPECT_TRUE(pWin->OpenImage(item, bSlideShow, bFit));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pWin));
        return pWin;
    }

    static QImage Render(CScrollVu* pVu) {
        QImage image(pVu->viewport()->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        pVu->viewport()->render(&image);
        return image;
    }

    // Starts the show with the real window and waits for its first image.
    CImageWin* StartShow() {
        for (const char* name : {"p", "q"}) {
            WriteQuadrantJpeg(m_config.WorkDir(), std::string(name) + ".jpg", 64, 48);
            ViewProbe::Catalogue(*m_pView).push_back(
                std::make_unique<ImageItem>(Entry(std::string(name) + ".jpg", 64, 48)));
        }
        m_pView->Slides().SetImageWindowFactory(
            [this] { return new CImageWin(m_pView.get(), nullptr); });
        m_pView->OnStartSlideShow();
        EXPECT_TRUE(PumpUntil([this] { return m_pView->Slides().Window() != nullptr; }));
        auto* pWin = dynamic_cast<CImageWin*>(m_pView->Slides().Window());
        m_windows.emplace_back(pWin);
        return pWin;
    }

    TempConfig m_config;
    SettingsStore m_store;
    RecordingHost m_host;
    std::unique_ptr<CGalerioView> m_pView;
    std::vector<QPointer<CImageWin>> m_windows;
    QPalette m_oldPalette;
    int m_nDecodes = 0;
};

// ---- The fitted bitmap: block averaging down to the client, never beyond the image ----

struct FitCase {
    const char* name;
    int w, h;
    QSize resizeTo;  // a client size the user gives the window before a reload
};

void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

class FittedBitmap : public ImageWinTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FittedBitmap, IsTheImageBlockAveragedToWhatTheClientHolds) {
    const FitCase& c = GetParam();
    CImageWin* pWin = Open(QuadrantEntry("fit", c.w, c.h), false, true);
    CScrollVu* pVu = pWin->View();
    QSize client = pVu->size();
    // The window is placed for the image: client = rectangle less the frame.
    const QSize frame = pWin->FrameAllowance();
    const PlacedRect rc = PlaceWindowRect(c.w, c.h, frame.width(), frame.height(),
                                          kWorkArea.width(), kWorkArea.height(), true);
    EXPECT_EQ(client, QSize(rc.cx - frame.width(), rc.cy - frame.height()));
    if (c.resizeTo.isValid()) {
        pWin->resize(c.resizeTo);
        ASSERT_TRUE(PumpUntil([&] { return pVu->size() == c.resizeTo; }));
        pVu->Reload();
        client = c.resizeTo;
    }
    const int nDispW = std::min(client.width(), c.w);
    const int nDispH = std::min(client.height(), c.h);
    const ImageItem& shown = pVu->Item();
    ASSERT_EQ(shown.m_nThumbWidth, nDispW);
    ASSERT_EQ(shown.m_nThumbHeight, nDispH);

    std::uint32_t w = 0, h = 0;
    auto pSrc = LoadImagePixels(Entry("fit.jpg", c.w, c.h), w, h, 1, 1);
    ASSERT_TRUE(pSrc);
    std::vector<std::uint8_t> expected(std::size_t(nDispW) * nDispH * 3);
    ASSERT_TRUE(BoxShrink(pSrc.get(), expected.data(), w, h, nDispW, nDispH));
    std::set<QRgb> colours;
    for (int y = 0; y < nDispH; ++y)
        for (int x = 0; x < nDispW; ++x) {
            const Rgb px = DisplayPixel(shown.m_pBits.get(), nDispW, nDispH, x, y);
            const std::uint8_t* pWant = &expected[(std::size_t(y) * nDispW + x) * 3];
            ASSERT_EQ(px.r, pWant[0]) << x << "," << y;
            ASSERT_EQ(px.g, pWant[1]) << x << "," << y;
            ASSERT_EQ(px.b, pWant[2]) << x << "," << y;
            colours.insert(qRgb(px.r, px.g, px.b));
        }
    // The whole client area shows image pixels and nothing else.
    const QImage painted = Render(pVu);
    ASSERT_EQ(painted.size(), client);
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x)
            ASSERT_TRUE(colours.count(painted.pixel(x, y) | 0xFF000000u)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, FittedBitmap,
    ::testing::Values(FitCase{"LargerThanWorkArea", 1600, 1000, QSize()},
                      FitCase{"FitsWithItsFrame", 300, 200, QSize()},
                      // Client wider than the image but lower than it.
                      FitCase{"ClientWiderButLower", 400, 300, QSize(600, 150)},
                      FitCase{"ClientHigherButNarrower", 400, 300, QSize(200, 500)}),
    [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

TEST_F(ImageWinTest, EnlargingAFittedWindowStretchesTheBitmapWithoutDecoding) {
    CountDecodes();
    CImageWin* pWin = Open(QuadrantEntry("big", 1600, 1000), false, true);
    CScrollVu* pVu = pWin->View();
    const QSize bitmap(pVu->Item().m_nThumbWidth, pVu->Item().m_nThumbHeight);
    ASSERT_EQ(m_nDecodes, 1);
    const QSize larger = pVu->size() + QSize(120, 90);
    pWin->resize(larger);
    ASSERT_TRUE(PumpUntil([&] { return pVu->size() == larger; }));
    EXPECT_EQ(m_nDecodes, 1);
    EXPECT_EQ(QSize(pVu->Item().m_nThumbWidth, pVu->Item().m_nThumbHeight), bitmap);
    // Stretched over the new client area: the image's corners are at its corners.
    const QImage painted = Render(pVu);
    ASSERT_EQ(painted.size(), larger);
    EXPECT_EQ(QColor(painted.pixel(larger.width() - 1, larger.height() - 1)).rgb(),
              QColor(255, 255, 255).rgb());
    EXPECT_GT(qRed(painted.pixel(2, 2)), 200);
    EXPECT_LT(qBlue(painted.pixel(2, 2)), 60);
}

// ---- Escape and Space, in the show's window and in a plain one ----

struct KeyCase {
    const char* name;
    bool bInShowWindow;
    int nKey;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class SlideKeys : public ImageWinTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SlideKeys, ReachTheGridsSlideShow) {
    const KeyCase& c = GetParam();
    QPointer<CImageWin> pShow = StartShow();
    ASSERT_TRUE(pShow);
    ASSERT_TRUE(m_pView->Slides().IsTimerActive());
    QPointer<CImageWin> pTarget = pShow;
    if (!c.bInShowWindow) pTarget = Open(Entry("p.jpg", 64, 48), false, false);

    QTest::keyClick(pTarget->View(), Qt::Key(c.nKey));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    if (c.nKey == Qt::Key_Escape) {
        EXPECT_FALSE(m_pView->Slides().IsTimerActive());
        EXPECT_TRUE(pTarget.isNull());
        EXPECT_EQ(pShow.isNull(), c.bInShowWindow);
        EXPECT_EQ(m_pView->Slides().Window() == nullptr, c.bInShowWindow);
        EXPECT_FALSE(m_pView->Slides().IsPaused());
    } else {
        EXPECT_TRUE(m_pView->Slides().IsTimerActive());
        EXPECT_TRUE(m_pView->Slides().IsPaused());
        EXPECT_FALSE(pTarget.isNull());
        QTest::keyClick(pTarget->View(), Qt::Key(c.nKey));
        EXPECT_FALSE(m_pView->Slides().IsPaused());
    }
}

INSTANTIATE_TEST_SUITE_P(Rule, SlideKeys,
                         ::testing::Values(KeyCase{"EscapeInShowWindow", true, Qt::Key_Escape},
                                           KeyCase{"EscapeInPlainWindow", false, Qt::Key_Escape},
                                           KeyCase{"SpaceInShowWindow", true, Qt::Key_Space},
                                           KeyCase{"SpaceInPlainWindow", false, Qt::Key_Space}),
                         [](const ::testing::TestParamInfo<KeyCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ImageWinTest, ClosingTheShowWindowClearsTheGridsWindowButAPlainOneDoesNot) {
    CImageWin* pShow = StartShow();
    ASSERT_TRUE(pShow && pShow->IsSlideShow());
    CImageWin* pPlain = Open(Entry("q.jpg", 64, 48), false, false);
    pPlain->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m_pView->Slides().Window(), pShow);
    pShow->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m_pView->Slides().Window(), nullptr);
}

TEST_F(ImageWinTest, NextSlideIsPlacedLoadedAndTitledForItsImage) {
    CountDecodes();
    CImageWin* pWin = Open(QuadrantEntry("first", 64, 48), true, false);
    pWin->ShowImage(QuadrantEntry("second", 120, 90));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pWin));
    EXPECT_EQ(pWin->windowTitle(), QStringLiteral("second"));
    EXPECT_EQ(pWin->View()->Item().m_strPath, m_config.WorkDir() + "/second.jpg");
    EXPECT_EQ(pWin->size(), QSize(120, 90));
    EXPECT_EQ(pWin->View()->Item().m_nThumbWidth, 120);
    EXPECT_EQ(m_nDecodes, 2);
}

// ---- Captions: one per corner, each drawn only for its own flag ----

struct CaptionCase {
    const char* name;
    const char* flag;  // nullptr: every caption off
    int nCorner;       // 0 top left, 1 top right, 2 bottom left, 3 bottom right
};

void PrintTo(const CaptionCase& c, std::ostream* os) { *os << c.name; }

class Captions : public ImageWinTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(Captions, AreBlackTextInTheirCornerOnly) {
    const CaptionCase& c = GetParam();
    if (c.flag) Put(c.flag, "1");
    m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
    CImageWin* pWin = Open(GreyEntry("grey", 300, 200), false, true);
    const QImage painted = Render(pWin->View());
    ASSERT_EQ(painted.size(), QSize(300, 200));
    const int cw = painted.width();
    const int ch = painted.height();
    const QRect corners[4] = {QRect(0, 0, 60, 20), QRect(cw - 60, 0, 60, 20),
                              QRect(0, ch - 20, 60, 20), QRect(cw - 60, ch - 20, 60, 20)};
    for (int i = 0; i < 4; ++i) {
        int nDark = 0;
        for (int y = corners[i].top(); y <= corners[i].bottom(); ++y)
            for (int x = corners[i].left(); x <= corners[i].right(); ++x)
                nDark += IsDark(painted.pixel(x, y));
        EXPECT_EQ(nDark > 0, c.flag && i == c.nCorner) << "corner " << i << ": " << nDark;
    }
    // Captions keep two pixels clear of the edges.
    for (int x = 0; x < cw; ++x) {
        EXPECT_FALSE(IsDark(painted.pixel(x, 0)));
        EXPECT_FALSE(IsDark(painted.pixel(x, ch - 1)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rule, Captions,
    ::testing::Values(CaptionCase{"None", nullptr, -1}, CaptionCase{"Dim", kShowDim, 0},
                      CaptionCase{"Size", kShowFileSize, 1}, CaptionCase{"Name", kShowFileName, 2},
                      CaptionCase{"Date", kShowFileDate, 3}),
    [](const ::testing::TestParamInfo<CaptionCase>& info) { return std::string(info.param.name); });

TEST_F(ImageWinTest, ScrolledPlainWindowDimCaptionFollowsTheVisibleArea) {
    Put(kShowDim, "1");
    m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
    CImageWin* pWin = Open(GreyEntry("wide", 1600, 1000), false, false);
    CScrollVu* pVu = pWin->View();
    // The image is larger than the work area: the window takes all of it.
    EXPECT_EQ(pWin->size() + pWin->FrameAllowance(), kWorkArea);
    EXPECT_EQ(pVu->Item().m_nThumbWidth, 1600);
    QScrollBar* pH = pVu->horizontalScrollBar();
    QScrollBar* pV = pVu->verticalScrollBar();
    EXPECT_EQ(pH->pageStep(), 160);
    EXPECT_EQ(pH->singleStep(), 16);
    EXPECT_EQ(pV->pageStep(), 100);
    EXPECT_EQ(pV->singleStep(), 10);
    const QSize vp = pVu->viewport()->size();
    EXPECT_EQ(pH->maximum(), 1600 - vp.width());
    EXPECT_EQ(pVu->DimCaption(), QString::asprintf("%d x %d", vp.width() + 1, vp.height() + 1));

    pH->setValue(100);
    pV->setValue(50);
    EXPECT_EQ(pVu->DimCaption(),
              QString::asprintf("%d x %d", 100 + vp.width() + 1, 50 + vp.height() + 1));
    // The image's top-left pixel has scrolled away, and its caption with it.
    const QImage painted = Render(pVu);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_FALSE(IsDark(painted.pixel(x, y))) << x << "," << y;
}

// A photo stored a quarter turn left (tag 6) opens upright, at its own size
// and fitted, once the setting asks for it; switched off, as stored.
TEST_F(ImageWinTest, PhotoWithAnOrientationTagOpensUprightWhenTheSettingAsks) {
    MessageRecorder recorder;
    const std::string strPath = WriteQuadrantJpegWithApp1(m_config.WorkDir() + "/turned.jpg", 320,
                                                          160, ExifOrientationBlock(6));
    struct Step {
        bool bRotate, bFit;
    };
    for (const Step step : {Step{true, false}, Step{true, true}, Step{false, false}}) {
        SCOPED_TRACE(std::string(step.bRotate ? "upright" : "as stored") +
                     (step.bFit ? ", fitted" : ""));
        ASSERT_TRUE(m_store.PutInt(kSectionOrientation, kRotateByTag, step.bRotate ? 1 : 0));
        m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
        ImageItem item = Entry("turned.jpg", 0, 0);
        // The grid's entry, with the size the window is shaped for.
        ASSERT_TRUE(BuildOrientedThumbnail(item, 103, 100, m_pView->Settings().m_bRotateByTag));
        CImageWin* pWin = Open(item, false, step.bFit);
        CScrollVu* pVu = pWin->View();
        const QSize image = step.bRotate ? QSize(160, 320) : QSize(320, 160);
        EXPECT_EQ(QSize(pVu->Item().m_nThumbWidth, pVu->Item().m_nThumbHeight), image);
        const QSize area = step.bFit ? pVu->viewport()->size() : image;
        const QImage painted = Render(pVu);
        // Stored red top left: upright it is the top right, and blue the top left.
        const QRgb topLeft = painted.pixel(area.width() / 4, area.height() / 4);
        const QRgb topRight = painted.pixel(3 * area.width() / 4, area.height() / 4);
        EXPECT_GT(step.bRotate ? qBlue(topLeft) : qRed(topLeft), 200);
        EXPECT_LT(step.bRotate ? qRed(topLeft) : qBlue(topLeft), 60);
        EXPECT_GT(step.bRotate ? qRed(topRight) : qGreen(topRight), 200);
        EXPECT_LT(qBlue(topRight), 60);
        pWin->close();
    }
    EXPECT_EQ(recorder.Count(), 0u);
}

// A few bytes claiming 65000 x 60000: shown at 1/8 within the pixel budget,
// scrolled and captioned in the picture's own pixels.
TEST_F(ImageWinTest, HugePictureIsHeldReducedAndCaptionedAtItsOwnSize) {
    MessageRecorder recorder;
    Put(kShowDim, "1");
    m_pView = std::make_unique<CGalerioView>(m_store, &m_host);
    WriteBytes(m_config.WorkDir() + "/huge.jpg", ForgedJpeg(JpegLayout::Baseline, 1, 65000, 60000));
    CScrollVu* pVu = Open(Entry("huge.jpg", 65000, 60000), false, false)->View();
    ASSERT_EQ(QSize(pVu->Item().m_nThumbWidth, pVu->Item().m_nThumbHeight), QSize(8125, 7500));
    pVu->horizontalScrollBar()->setValue(pVu->horizontalScrollBar()->maximum());
    pVu->verticalScrollBar()->setValue(pVu->verticalScrollBar()->maximum());
    EXPECT_EQ(pVu->DimCaption(), QStringLiteral("65001 x 60001"));
    EXPECT_EQ(recorder.Count(), 1u);  // the library's warning that the data ends
}

// A bitmap file cannot be read reduced: one too large is refused, unread.
TEST_F(ImageWinTest, BitmapBeyondTheBudgetIsRefusedWithABoxNamingIt) {
    MessageRecorder recorder;
    const std::string strPath = m_config.WorkDir() + "/wide.bmp";
    WriteBytes(strPath, ForgedBmp(40, 10000, 7000, 1, 0, 62, 62 + 1252 * 7000));
    ImageItem item = Entry("wide.bmp", 10000, 7000);
    item.m_nKind = IMAGE_BMP;
    const PeakMemoryProbe memory;
    EXPECT_FALSE(Open(item, false, true)->View()->Item().m_pBits);
    EXPECT_LT(memory.GrowthMb(), 100);
    EXPECT_EQ(recorder.Texts(), QStringList(QString::fromStdString(
                                    strPath + "\nis too large to show: 10000 x 7000 pixels.")));
}

TEST_F(ImageWinTest, UndecodableFileOpensAnEmptyWindowTitledWithItsName) {
    MessageRecorder recorder;
    WriteBytes(m_config.WorkDir() + "/broken.jpg", "garbage, not a picture");
    CImageWin* pWin = Open(Entry("broken.jpg", 0, 0), false, true);
    EXPECT_EQ(pWin->windowTitle(), QStringLiteral("broken"));
    EXPECT_EQ(recorder.Texts(),
              QStringList{QStringLiteral("Not a JPEG file: starts with 0x67 0x61")});
    EXPECT_FALSE(pWin->View()->Item().m_pBits);
    const QImage painted = Render(pWin->View());
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x)
            ASSERT_EQ(QColor(painted.pixel(x, y)), kBase) << x << "," << y;
}

}  // namespace

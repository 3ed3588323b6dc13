// SPDX-License-Identifier: MIT
// Publish Gallery: the run on its own thread, its box, Cancel, and a close.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include "app/command_table.h"
#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "dialogs/gallery_dlg.h"
#include "platform/paths.h"

namespace {

class PublishGalleryCommand : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = SetGalleryDlgHandler([](CGalleryDlg& dlg) { return dlg.accept(), true; });
        m_f.Start();
    }
    void TearDown() override { SetGalleryDlgHandler(m_previous); }
    void Publish() {
        m_f.Frame().UpdateCommandUI();
        m_f.Action(ID_PUBLISH_GALLERY)->trigger();
    }
    bool Ended() {
        return QTest::qWaitFor([this] { return !m_f.Frame().IsGalleryBusy(); }, 60000);
    }
    bool Exists(const char* pszName) { return QFileInfo::exists(ToDisplay(m_strOut + pszName)); }

    AppFixture m_f;
    GalleryDlgHandler m_previous;
    std::string m_strOut;
};

TEST_F(PublishGalleryCommand, WritesThePageAndImagesThenSaysWhere) {
    m_f.App().OpenDocumentFile(m_f.MakeImageFolder("pics", 3));
    ASSERT_TRUE(m_f.WaitIdle());
    Publish();
    ASSERT_TRUE(Ended());
    m_strOut = m_f.m_config.WorkDir() + "/pics/gallery";
    for (const char* pszName :
         {"/index.html", "/thumbs/img0.jpg", "/thumbs2x/img2.jpg", "/web/img1.jpg"})
        EXPECT_TRUE(Exists(pszName)) << pszName;
    EXPECT_EQ(m_f.m_messages.Texts(),
              QStringList{"The gallery was published:\n" + QString::fromStdString(m_strOut) +
                          "/index.html\n\n3 photos made, 0 up to date."});
}

// Large photos, so the run is still at its first when Cancel is pressed.
TEST_F(PublishGalleryCommand, CancelStopsTheRunBeforeThePageAndCloseStopsItToo) {
    const std::string strPhotos = m_f.MakeImageFolder("pics", 0);
    for (const char* pszName : {"/a.jpg", "/b.jpg", "/c.jpg"})
        QImage(3000, 2000, QImage::Format_Grayscale8).save(ToDisplay(strPhotos + pszName));
    m_f.App().OpenDocumentFile(strPhotos);
    ASSERT_TRUE(m_f.WaitIdle());
    m_strOut = strPhotos + "/gallery";
    Publish();
    EXPECT_FALSE(m_f.Action(ID_PUBLISH_GALLERY)->isEnabled());
    m_f.Frame().findChild<QProgressDialog*>()->findChild<QPushButton*>()->click();
    ASSERT_TRUE(Ended());
    EXPECT_FALSE(Exists("/index.html"));
    Publish();
    ASSERT_TRUE(m_f.Frame().IsGalleryBusy());
    m_f.Frame().close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_f.m_messages.Texts().isEmpty());
}

}  // namespace

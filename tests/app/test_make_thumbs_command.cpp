// SPDX-License-Identifier: MIT
// F10 and F11 from the main window: the sheet set up from the settings, the
// thumbnail files and the page written after OK, nothing after Cancel.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/command_table.h"
#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "browser/galerio_view.h"
#include "dialogs/make_thumbs_sheet.h"
#include "platform/warning_question.h"
#include "publish/run_options.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

// Answers the sheet as a test says; records what it was opened with.
class SheetScript {
public:
    SheetScript() {
        m_previous = SetMakeThumbsSheetHandler([this](CMakeThumbsSheet& sheet) {
            m_titles << sheet.windowTitle();
            m_opened.push_back(sheet.Data());
            if (m_fnFill) m_fnFill(sheet);
            if (!m_bAccept) return false;
            sheet.accept();
            return sheet.result() == QDialog::Accepted;
        });
    }
    ~SheetScript() { SetMakeThumbsSheetHandler(m_previous); }

    std::function<void(CMakeThumbsSheet&)> m_fnFill;
    bool m_bAccept = true;
    QStringList m_titles;
    std::vector<PublishSettings> m_opened;

private:
    MakeThumbsSheetHandler m_previous;
};

class MakeThumbsCommand : public ::testing::Test {
protected:
    void SetUp() override {
        m_f.Start();
        m_strFolder = m_f.MakeImageFolder("pics", 3);
        m_strOut = m_f.m_config.WorkDir() + "/out";
        ASSERT_EQ(::mkdir(m_strOut.c_str(), 0755), 0);
        m_f.App().OpenDocumentFile(m_strFolder);
        ASSERT_TRUE(m_f.WaitIdle());
    }
    void Press(Qt::Key key) {
        m_f.Frame().UpdateCommandUI();
        QTest::keyClick(&m_f.Frame(), key);
    }
    bool Exists(const std::string& path) const { return ::access(path.c_str(), F_OK) == 0; }
    const SettingsStore& Store() { return m_f.App().m_store; }

    AppFixture m_f;
    SheetScript m_sheet;
    std::string m_strFolder;
    std::string m_strOut;
};

TEST_F(MakeThumbsCommand, F10WritesEveryThumbnailIntoTheShownFolderAndRemembersTheChoices) {
    Press(Qt::Key_F10);
    ASSERT_EQ(m_sheet.m_titles, QStringList{"Create Thumbs"});
    EXPECT_EQ(m_sheet.m_opened[0].job.m_strFolder, m_strFolder);
    EXPECT_EQ(m_sheet.m_opened[0].job.m_nSizeLimit, m_f.View().Settings().m_nThumbSize);
    for (int i = 0; i < 3; ++i) {
        const QImage thumb(QString::fromStdString(m_strFolder + "/img" + std::to_string(i) +
                                                  "_tn.jpg"));
        EXPECT_EQ(thumb.size(), QSize(48, 32)) << i;  // smaller than the limit: as it is
    }
    EXPECT_EQ(Store().GetString(kSectionSettings, kFolder, "unset"), m_strFolder);
    EXPECT_EQ(Store().GetInt(kSectionSettings, kCompression, -1), 100);
    EXPECT_EQ(Store().GetString(kSectionSettings, kFile, "unset"), "unset");
    EXPECT_EQ(m_f.m_messages.Count(), 0u);
}

TEST_F(MakeThumbsCommand, CancelWritesAndStoresNothing) {
    m_sheet.m_bAccept = false;
    Press(Qt::Key_F11);
    ASSERT_EQ(m_sheet.m_titles, QStringList{"Create Thumbs and Page"});
    EXPECT_FALSE(Exists(m_strFolder + "/img0_tn.jpg"));
    EXPECT_FALSE(Exists(m_strFolder + "/MyPage.html"));
    EXPECT_EQ(Store().GetString(kSectionSettings, kFolder, "unset"), "unset");
    EXPECT_EQ(Store().GetString(kSectionSettings, kFile, "unset"), "unset");
}

// The first page proposes MyPage.html beside the thumbnails; a failed
// thumbnail still gets its page.
TEST_F(MakeThumbsCommand, F11WritesThePageAlsoAfterAFailedThumbnail) {
    ASSERT_EQ(::mkdir((m_strOut + "/img1_tn.jpg").c_str(), 0755), 0);  // in the way
    m_sheet.m_fnFill = [this](CMakeThumbsSheet& sheet) {
        sheet.ThumbsPage()->FolderEdit()->setText(QString::fromStdString(m_strOut));
        sheet.Tabs()->setCurrentIndex(1);
        sheet.PagePage()->SameFolderButton()->click();
    };
    Press(Qt::Key_F11);
    ASSERT_EQ(m_sheet.m_opened.size(), 1u);
    EXPECT_EQ(m_sheet.m_opened[0].page.m_strFile, m_strFolder + "/MyPage.html");
    // The run stopped at the failure; the page comes after its boxes (and the
    // notice that the page names the images by full path).
    const QStringList texts = m_f.m_messages.Texts();
    ASSERT_EQ(texts.size(), 3) << texts.join("|").toStdString();
    EXPECT_TRUE(texts[0].startsWith("JpegFile :\nCan't open " +
                                    QString::fromStdString(m_strOut + "/img1_tn.jpg")));
    EXPECT_EQ(texts[1], "Error: MakeOneThumb");
    EXPECT_TRUE(texts[2].contains("abolute")) << texts[2].toStdString();
    QFile page(QString::fromStdString(m_strOut + "/MyPage.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("img1_tn.jpg"));
    EXPECT_EQ(Store().GetString(kSectionSettings, kFile, ""), m_strOut + "/MyPage.html");
}

// Thumbnails under the sources' own names change the photos: the grid is
// made again, after saying so, wherever the files went.
TEST_F(MakeThumbsCommand, SourceNamesReloadTheCatalogueWithTheMessage) {
    const WarningHandler previous =
        SetWarningHandler([](const QString&) { return WarningAnswer{true, false}; });
    m_sheet.m_fnFill = [this](CMakeThumbsSheet& sheet) {
        sheet.ThumbsPage()->FolderEdit()->setText(QString::fromStdString(m_strOut));
        sheet.ThumbsPage()->NamingRadio(SourceName)->click();
    };
    Press(Qt::Key_F10);
    SetWarningHandler(previous);
    EXPECT_TRUE(Exists(m_strOut + "/img0.jpg"));
    EXPECT_EQ(m_f.m_messages.Texts(),
              QStringList{"Images have changed and will be reloaded now."});
    EXPECT_FALSE(m_f.View().IsIdle());  // a new scan runs
    ASSERT_TRUE(m_f.WaitIdle());
    EXPECT_EQ(m_f.View().Catalogue().size(), 3u);
}

// In the photos' own folder a thumbnail over another photo is refused before
// anything is written; in another folder an earlier run's files are replaced.
TEST_F(MakeThumbsCommand, AThumbnailOverAnotherPhotoIsRefused) {
    ASSERT_TRUE(QFile::copy(QString::fromStdString(m_strFolder + "/img0.jpg"),
                            QString::fromStdString(m_strFolder + "/img1_x.jpg")));
    std::string strTo = m_strFolder;
    m_sheet.m_fnFill = [&](CMakeThumbsSheet& sheet) {
        sheet.ThumbsPage()->FolderEdit()->setText(QString::fromStdString(strTo));
        sheet.ThumbsPage()->SuffixEdit()->setText("_x");
        sheet.ThumbsPage()->NamingRadio(strTo == m_strOut ? SourceName : AppendText)->click();
    };
    Press(Qt::Key_F11);
    EXPECT_FALSE(Exists(m_strFolder + "/img0_x.jpg"));
    EXPECT_FALSE(Exists(m_strFolder + "/MyPage.html"));
    EXPECT_EQ(QImage(QString::fromStdString(m_strFolder + "/img1_x.jpg")).size(), QSize(48, 32));
    strTo = m_strOut;
    for (int nRun = 0; nRun < 2; ++nRun) {
        Press(Qt::Key_F10);
        ASSERT_TRUE(m_f.WaitIdle());
    }
    const QString reload = "Images have changed and will be reloaded now.";
    const QString over = QString::fromLatin1(kThumbOverPhotoText)
                             .arg(QString::fromStdString(m_strFolder + "/img1.jpg"),
                                  QString::fromStdString(m_strFolder + "/img1_x.jpg"));
    EXPECT_EQ(m_f.m_messages.Texts(), (QStringList{over, reload, reload}));
}

TEST_F(MakeThumbsCommand, CancelInTheProgressStopsBeforeTheNextFile) {
    QTimer::singleShot(0, &m_f.Frame(), [this] {
        if (auto* pProgress = m_f.Frame().findChild<QProgressDialog*>()) pProgress->cancel();
    });
    Press(Qt::Key_F11);
    EXPECT_FALSE(Exists(m_strFolder + "/img0_tn.jpg"));
    EXPECT_FALSE(Exists(m_strFolder + "/MyPage.html"));
    EXPECT_EQ(m_f.m_messages.Count(), 0u);
}

}  // namespace

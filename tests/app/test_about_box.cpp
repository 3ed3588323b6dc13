// SPDX-License-Identifier: MIT
// The About box and its two links: texts, visited colours that last for the
// run, the "mailto:" target and the beep when the desktop cannot open a link.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/about_box.h"
#include "app/about_texts.h"
#include "app/static_link.h"
#include "platform/shell_open.h"
#include "support/message_recorder.h"
#include "support/temp_config.h"

namespace {

// Records what the links ask the desktop to open and answers as scripted.
class ShellRecorder {
public:
    ShellRecorder() {
        m_previous = SetShellOpenHandler([this](const QString& target) {
            m_targets << target;
            return m_bSucceed;
        });
    }
    ~ShellRecorder() { SetShellOpenHandler(std::move(m_previous)); }
    QStringList m_targets;
    bool m_bSucceed = true;

private:
    ShellOpenHandler m_previous;
};

QColor FromRef(int cr) { return QColor(cr & 0xFF, (cr >> 8) & 0xFF, (cr >> 16) & 0xFF); }

// Whether the rendered label holds a pixel of exactly this colour: the
// underline is drawn solid, so the text colour shows unblended there.
bool RendersColour(QWidget* pWidget, const QColor& colour) {
    const QImage image = pWidget->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb()) return true;
    return false;
}

void Click(QWidget* pWidget) { QTest::mouseClick(pWidget, Qt::LeftButton, {}, QPoint(3, 3)); }

QStringList LabelTexts(const QWidget& box) {
    QStringList texts;
    for (const QLabel* pLabel : box.findChildren<QLabel*>()) texts << pLabel->text();
    return texts;
}

class AboutBoxTest : public ::testing::Test {
protected:
    TempConfig m_config;
    MessageRecorder m_messages;
    ShellRecorder m_shell;
    int m_linkVisited[2] = {0, 0};
};

TEST_F(AboutBoxTest, ShowsItsTexts) {
    CAboutBox box(m_linkVisited);
    EXPECT_EQ(box.windowTitle(), "About Galerio");
    const QStringList texts = LabelTexts(box);
    EXPECT_TRUE(texts.contains("Galerio is a JPEG ThumbNail viewer and manager"));
    EXPECT_TRUE(texts.contains(QString("Galerio Version ") + GalerioVersion()));
    EXPECT_FALSE(QString(GalerioVersion()).isEmpty());
    EXPECT_TRUE(texts.contains("A 32 bit application"));
    EXPECT_TRUE(texts.contains("Copyright (c) 2026 The Galerio developers"));
    EXPECT_TRUE(texts.contains(kAboutCredit));
    EXPECT_EQ(box.EmailLink()->text(), "galerio@example.org");
    EXPECT_EQ(box.WebLink()->text(), "https://galerio.example.org/");

    QStringList groups;
    for (const QGroupBox* pGroup : box.findChildren<QGroupBox*>()) groups << pGroup->title();
    EXPECT_EQ(groups, (QStringList{"What Galerio Does", "Legal"}));
    // The legal notice is inside its group.
    const QGroupBox* pLegal = box.findChildren<QGroupBox*>().at(1);
    ASSERT_EQ(pLegal->findChildren<QLabel*>().size(), 1);
    EXPECT_TRUE(pLegal->findChildren<QLabel*>().at(0)->text().contains("MIT"));

    const QLabel* pIcon = box.findChild<QLabel*>("programIcon");
    ASSERT_NE(pIcon, nullptr);
    EXPECT_FALSE(pIcon->pixmap().isNull());
}

TEST_F(AboutBoxTest, OkClosesTheBox) {
    CAboutBox box(m_linkVisited);
    box.show();
    QPushButton* pOk = nullptr;
    for (QPushButton* pButton : box.findChildren<QPushButton*>())
        if (pButton->text() == "OK") pOk = pButton;
    ASSERT_NE(pOk, nullptr);
    QTest::mouseClick(pOk, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, LinksStartBlueAndUnderlined) {
    CAboutBox box(m_linkVisited);
    box.show();
    for (CStaticLink* pLink : {box.EmailLink(), box.WebLink()}) {
        // 0xFF0000 in the 0x00BBGGRR order is pure blue, not red.
        EXPECT_EQ(pLink->CurrentColor(), QColor(0, 0, 255));
        EXPECT_TRUE(RendersColour(pLink, QColor(0, 0, 255)));
        EXPECT_FALSE(RendersColour(pLink, QColor(255, 0, 0)));
        EXPECT_TRUE(pLink->font().underline());
    }
}

TEST_F(AboutBoxTest, OpenedLinkTurnsPurpleAndStaysSoInTheNextBox) {
    {
        CAboutBox box(m_linkVisited);
        box.show();
        Click(box.WebLink());
        ASSERT_EQ(m_shell.m_targets, QStringList{"https://galerio.example.org/"});
        EXPECT_EQ(m_linkVisited[1], 1);
        EXPECT_EQ(m_linkVisited[0], 0);
        EXPECT_TRUE(RendersColour(box.WebLink(), FromRef(kLinkColorVisited)));
        EXPECT_TRUE(RendersColour(box.EmailLink(), QColor(0, 0, 255)));
        EXPECT_EQ(m_messages.Beeps(), 0);
    }
    // A second About box in the same run shows the opened link purple at once.
    CAboutBox again(m_linkVisited);
    again.show();
    EXPECT_TRUE(RendersColour(again.WebLink(), QColor(128, 0, 128)));
    EXPECT_FALSE(RendersColour(again.WebLink(), QColor(0, 0, 255)));
    EXPECT_TRUE(RendersColour(again.EmailLink(), QColor(0, 0, 255)));
}

TEST_F(AboutBoxTest, MailLinkOpensMailtoTargetEveryTime) {
    CAboutBox box(m_linkVisited);
    box.show();
    Click(box.EmailLink());
    Click(box.EmailLink());
    EXPECT_EQ(m_shell.m_targets,
              (QStringList{"mailto:galerio@example.org", "mailto:galerio@example.org"}));
    EXPECT_EQ(m_linkVisited[0], 1);
    // The label itself keeps showing the address.
    EXPECT_EQ(box.EmailLink()->text(), "galerio@example.org");
}

TEST_F(AboutBoxTest, FailedOpenBeepsAndLeavesTheLinkUnvisited) {
    m_shell.m_bSucceed = false;
    CAboutBox box(m_linkVisited);
    box.show();
    Click(box.WebLink());
    EXPECT_EQ(m_messages.Beeps(), 1);
    EXPECT_EQ(m_messages.Count(), 0u);
    EXPECT_EQ(m_linkVisited[1], 0);
    EXPECT_TRUE(RendersColour(box.WebLink(), QColor(0, 0, 255)));
    // It can be tried again, and a later success marks it visited.
    m_shell.m_bSucceed = true;
    Click(box.WebLink());
    EXPECT_EQ(m_shell.m_targets.size(), 2);
    EXPECT_EQ(m_linkVisited[1], 1);
}

TEST_F(AboutBoxTest, PressOutsideTheLinkOpensNothing) {
    CAboutBox box(m_linkVisited);
    box.show();
    CStaticLink* pLink = box.WebLink();
    QTest::mousePress(pLink, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(pLink, Qt::LeftButton, {}, QPoint(-20, -20));
    QTest::mouseClick(pLink, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(m_shell.m_targets.isEmpty());
    EXPECT_EQ(m_linkVisited[1], 0);
}

TEST_F(AboutBoxTest, HandCursorWhileHoveringExceptForASecondAfterAClick) {
    int visited = 0;
    CStaticLink link("https://galerio.example.org/");
    link.SetVisitedFlag(&visited);
    link.resize(200, 20);
    link.show();
    QTest::mouseMove(&link, QPoint(5, 5));
    EXPECT_TRUE(link.IsHovering());
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);

    Click(&link);
    EXPECT_TRUE(link.IsJustClicked());
    EXPECT_EQ(link.cursor().shape(), Qt::ArrowCursor);
    // Hovering is ignored until the one-second timer has run out.
    QTest::mouseMove(&link, QPoint(8, 6));
    EXPECT_FALSE(link.IsHovering());
    EXPECT_EQ(link.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !link.IsJustClicked(); }, 3000));
    QTest::mouseMove(&link, QPoint(10, 7));
    EXPECT_TRUE(link.IsHovering());
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);

    // Leaving gives the arrow back.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_FALSE(link.IsHovering());
    EXPECT_EQ(link.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(AboutBoxTest, ImageLabelKeepsTheParentsLook) {
    int visited = 1;
    CStaticLink link("x");
    link.SetVisitedFlag(&visited);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::green);
    link.setPixmap(pixmap);
    link.show();
    link.grab();
    EXPECT_FALSE(link.font().underline());
    EXPECT_NE(link.palette().color(QPalette::WindowText), QColor(128, 0, 128));
}

}  // namespace

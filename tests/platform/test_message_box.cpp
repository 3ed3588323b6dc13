// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/message_box.h"
#include "platform/message_box_ui.h"
#include "support/markup_name.h"
#include "support/message_recorder.h"

namespace {

struct SeenBox {
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat textFormat = Qt::AutoText;
};

// Runs the user-interface thread until the worker is done; a timer inside the
// box's own event loop records the box and presses the given button.
SeenBox AnswerBoxUntil(QMessageBox::StandardButton button, const std::atomic<bool>& bDone) {
    SeenBox seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = {box->text(), box->windowTitle(), box->icon(), box->textFormat()};
        box->button(button)->click();
    });
    timer.start(10);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!bDone && elapsed.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return seen;
}

class DesktopBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = SetMessageHandler(nullptr);
        InstallDesktopMessageBoxes();
    }
    void TearDown() override { SetMessageHandler(m_previous); }
    MessageHandler m_previous;
};

TEST_F(DesktopBoxTest, TheBoxShowsTheRequestAndGivesTheAnswer) {
    std::atomic<bool> bDone{false};
    MsgResult result = MsgResult::Ok;
    QTimer::singleShot(0, [&] {
        result = ShowMessage("Delete it?", "Warning!", MsgIcon::Question, MsgButtons::YesNo);
        bDone = true;
    });
    const SeenBox seen = AnswerBoxUntil(QMessageBox::No, bDone);
    EXPECT_EQ(result, MsgResult::No);
    EXPECT_EQ(seen.text, "Delete it?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.caption, "Warning!");
}

TEST_F(DesktopBoxTest, BoxWithoutIconChoiceShowsTheExclamationAndGalerioCaption) {
    std::atomic<bool> bDone{false};
    QTimer::singleShot(0, [&] {
        ShowMessage("No files found.");
        bDone = true;
    });
    const SeenBox seen = AnswerBoxUntil(QMessageBox::Ok, bDone);
    EXPECT_EQ(seen.text, "No files found.");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.caption, "Galerio");
    // The box shown is the one BuildMessageBox makes: names in it are plain text.
    EXPECT_EQ(seen.textFormat, Qt::PlainText);
}

TEST(MessageBoxBuild, MarkupInTheTextIsNotDrawn) {
    MessageRequest request;
    request.text =
        QStringLiteral("The file ") + kMarkupName + QStringLiteral(" is not a JPEG file.");
    request.caption = QStringLiteral("Galerio");
    request.icon = MsgIcon::None;
    const std::unique_ptr<QMessageBox> box = BuildMessageBox(request, nullptr);
    EXPECT_EQ(box->text(), request.text);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), "Galerio");
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    EXPECT_FALSE(ShowsRed(box->grab().toImage()));
}

TEST(MessageRecorderTest, RecordsBoxesFromAnyThreadAndScriptsAnswers) {
    MessageRecorder recorder;
    recorder.QueueAnswer(MsgResult::Cancel);
    MsgResult first = MsgResult::Ok;
    std::thread worker(
        [&] { first = ShowMessage("a", "Cap", MsgIcon::Error, MsgButtons::OkCancel); });
    worker.join();
    EXPECT_EQ(first, MsgResult::Cancel);
    EXPECT_EQ(ShowMessage("b", "Cap", MsgIcon::None, MsgButtons::YesNo), MsgResult::Yes);
    ASSERT_EQ(recorder.Count(), 2u);
    EXPECT_EQ(recorder.Messages()[0].icon, MsgIcon::Error);
    EXPECT_EQ(recorder.Texts(), QStringList({"a", "b"}));
    Beep();
    EXPECT_EQ(recorder.Beeps(), 1);
}

}  // namespace

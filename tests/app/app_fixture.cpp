// SPDX-License-Identifier: MIT
#include "app_fixture.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>
#include <ostream>

#include "app/galerio_app.h"
#include "app/main_frame.h"
#include "browser/galerio_view.h"

void PrintTo(const WindowRect& rect, std::ostream* os) {
    *os << "{" << rect.x << ", " << rect.y << ", " << rect.cx << ", " << rect.cy << "}";
}

namespace {

constexpr const char* kUndecoratedVariable = "GALERIO_TEST_UNDECORATED";
// The child starts a whole test program; this is only an upper bound.
constexpr int kChildBoundMs = 120000;

// The offscreen platform's own default screen, without window frames.
constexpr const char* kUndecoratedConfig = R"({
    "windowFrameMargins": false,
    "screens": [{"name": "", "x": 0, "y": 0, "width": 800, "height": 800,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1.0}]
})";

}  // namespace

bool InUndecoratedChild() { return qEnvironmentVariableIsSet(kUndecoratedVariable); }

::testing::AssertionResult PassesInUndecoratedChild() {
    QTemporaryDir dir;
    const QString config = dir.path() + QStringLiteral("/offscreen.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(kUndecoratedConfig) < 0)
        return ::testing::AssertionFailure() << "cannot write " << config.toStdString();
    file.close();

    const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString::fromLatin1(pTest->test_suite_name()) + QLatin1Char('.') +
                         QString::fromLatin1(pTest->name());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kUndecoratedVariable), QStringLiteral("1"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    // The command line's platform wins over QT_QPA_PLATFORM.
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("-platform"), QStringLiteral("offscreen:configfile=") + config,
                 QStringLiteral("--gtest_filter=") + name});
    if (!child.waitForFinished(kChildBoundMs)) {
        child.kill();
        child.waitForFinished();
        return ::testing::AssertionFailure() << "the child did not finish";
    }
    const QByteArray output = child.readAll();
    // Exactly this one test ran there, and passed.
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 ||
        !output.contains("[  PASSED  ] 1 test."))
        return ::testing::AssertionFailure() << "in the child:\n" << output.toStdString();
    return ::testing::AssertionSuccess();
}

CurrentDirScope::CurrentDirScope(const std::string& dir) : m_old(QDir::currentPath()) {
    EXPECT_TRUE(QDir::setCurrent(QString::fromStdString(dir))) << dir;
}

CurrentDirScope::~CurrentDirScope() { QDir::setCurrent(m_old); }

ShellRecorder::ShellRecorder() {
    m_previous = SetShellOpenHandler([this](const QString& target) {
        m_targets << target;
        return m_bSucceed;
    });
}

ShellRecorder::~ShellRecorder() { SetShellOpenHandler(std::move(m_previous)); }

FolderDialogScript::FolderDialogScript() {
    m_previous =
        SetFolderDialogHandler([this](QWidget*, const QString& title, const QString& startFolder) {
            m_titles << title;
            m_startFolders << startFolder;
            return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        });
}

FolderDialogScript::~FolderDialogScript() { SetFolderDialogHandler(std::move(m_previous)); }

AppFixture::AppFixture() { CMainFrame::SetWorkAreaOverride(QSize(1024, 738)); }

AppFixture::~AppFixture() {
    m_pApp.reset();
    CMainFrame::SetWorkAreaOverride(QSize());
}

CGalerioApp& AppFixture::Start(const std::vector<std::string>& args) {
    m_pApp.reset();
    m_pApp = std::make_unique<CGalerioApp>();
    m_pApp->InitInstance(ParseCommandLine(args));
    // Keys reach the window's shortcuts only while it is the active one.
    Frame().activateWindow();
    // Activation is best effort on the offscreen platform; the tests do not rely on it.
    static_cast<void>(QTest::qWaitForWindowActive(&Frame()));
    return *m_pApp;
}

CMainFrame& AppFixture::Frame() { return *m_pApp->MainFrame(); }

CGalerioView& AppFixture::View() { return *m_pApp->View(); }

QAction* AppFixture::Action(int nId) { return Frame().Action(nId); }

std::string AppFixture::MakeImageFolder(const std::string& name, int nImages) {
    const QString folder = QString::fromStdString(m_config.WorkDir() + "/" + name);
    QDir().mkpath(folder);
    for (int i = 0; i < nImages; ++i) {
        QImage image(48, 32, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((i * 40) % 360, 200, 200));
        image.save(folder + QStringLiteral("/img%1.jpg").arg(i), "JPG");
    }
    return folder.toStdString();
}

bool AppFixture::WaitIdle(int nTimeoutMs) {
    const bool bIdle = QTest::qWaitFor([this] { return View().IsIdle(); }, nTimeoutMs);
    // What the next poll of the enabling rules would do.
    Frame().UpdateCommandUI();
    // The progress window took the activation; a desktop gives it back.
    Frame().activateWindow();
    // Activation is best effort on the offscreen platform; the tests do not rely on it.
    static_cast<void>(QTest::qWaitForWindowActive(&Frame()));
    return bIdle;
}

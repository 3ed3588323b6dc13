// SPDX-License-Identifier: MIT
// The real program, started as a user starts it from a shell: its arguments,
// its working directory and the recent list it leaves on disk.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

namespace {

// Start-up takes well under a second; the bound only matters on a machine
// that is very busy, or when the folder never reaches the list.
constexpr int kStartBoundMs = 10000;

struct ProgramCase {
    const char* name;
    std::vector<std::string> args;
    const char* folder;  // expected, below the working directory
};
void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.name; }

class ProgramStart : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramStart, CommandLineFolderGoesOnTheRecentListAbsolute) {
    const ProgramCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    for (const char* sub : {"config", "pics", "-reverse"}) QDir(root).mkpath(sub);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", root + "/config");

    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(root);
    program.setProgram(QStringLiteral(GALERIO_EXECUTABLE));
    QStringList args;
    for (const std::string& arg : c.args) args << QString::fromStdString(arg);
    program.setArguments(args);
    program.start();
    ASSERT_TRUE(program.waitForStarted(kStartBoundMs));

    const QString profile = root + "/config/Halvane Software/galerio-profile.ini";
    const QString folder = QDir::cleanPath(root + "/" + QString::fromLatin1(c.folder));
    const QByteArray entry = "\nFile1=" + QFile::encodeName(folder) + "\n";
    QByteArray text;
    const bool bListed = QTest::qWaitFor(
        [&] {
            QFile file(profile);
            text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return text.contains(entry);
        },
        kStartBoundMs);
    const bool bRunning = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished(kStartBoundMs);
    EXPECT_TRUE(bListed) << "profile:\n"
                         << text.toStdString() << "\nprogram's errors:\n"
                         << program.readAllStandardError().toStdString();
    EXPECT_TRUE(bRunning);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramStart,
    ::testing::Values(
        // After "--" an argument that Qt would take as its own is folder text.
        ProgramCase{"QtOptionAfterDoubleDash", {"--", "-reverse"}, "-reverse"},
        ProgramCase{"QtOptionsBeforeDoubleDashStayQts", {"-reverse", "--", "pics"}, "pics"},
        ProgramCase{"Dot", {"."}, ""},
        ProgramCase{"RelativeWithSlideShow", {"pics/", "-S"}, "pics"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace

// SPDX-License-Identifier: MIT
// The real program started with --make-thumbs from a shell without any
// display: its exit status, what it prints, and what it leaves on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "batch/batch_fixture.h"

namespace {

constexpr int kBoundMs = 60000;

class BatchCommand : public BatchFixture {
protected:
    CommandResult Start(const std::vector<std::string>& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Nothing to show a window on, and no hint where one might be.
        for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(pszName));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(m_config.ConfigDir()));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QString::fromStdString(m_config.WorkDir()));
        program.setProgram(QStringLiteral(GALERIO_EXECUTABLE));
        QStringList arguments;
        for (const std::string& arg : args) arguments << QString::fromStdString(arg);
        program.setArguments(arguments);
        program.start();
        CommandResult result;
        if (!program.waitForFinished(kBoundMs)) {
            program.kill();
            program.waitForFinished(kBoundMs);
            return result;
        }
        result.nStatus =
            program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -program.exitCode();
        result.strOut = program.readAllStandardOutput().toStdString();
        result.strErr = program.readAllStandardError().toStdString();
        return result;
    }
};

TEST_F(BatchCommand, MakesThumbnailsAndAPageWithoutADisplay) {
    AddPhoto("a.jpg", 640, 480);
    AddPhoto("b.bmp", 90, 60);
    // Relative paths are taken from the working directory.
    const CommandResult result = Start({"--make-thumbs", "pics", "--out", "out", "--page",
                                        "pics/index.html", "--link", "0", "--table", "2"});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(result.strOut, "");
    const FolderFiles out = ReadFolder(m_strOut);
    EXPECT_TRUE(out.count("a_tn.jpg") && out.count("b_tn.jpg"));
    EXPECT_NE(
        ReadBytes(m_strPics + "/index.html")
            .find("<a href=\"a.jpg\"><img src=\"file://" + m_strOut +
                  "/a_tn.jpg\" alt=\"a_tn.jpg\" border=\"1\" width=\"100\" height=\"75\"></a>"),
        std::string::npos);
    // Reading the settings made no settings file.
    struct stat st {};
    EXPECT_NE(stat(m_strSettings.c_str(), &st), 0);
}

TEST_F(BatchCommand, AFailingPhotoEndsTheRunWithStatusOneAndItsMessages) {
    AddPhoto("a.jpg", 64, 48);
    AddBroken("b.jpg");
    AddPhoto("c.jpg", 64, 48);
    const CommandResult result =
        Start({"--make-thumbs", m_strPics, "--out", m_strOut, "--sort", "name", "--jobs", "2"});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strErr, "galerio --make-thumbs: '" + m_strPics +
                                 "/b.jpg': Not a JPEG file: starts with 0x74 0x68\n"
                                 "Galerio: Error: MakeOneThumb\n");
    const FolderFiles out = ReadFolder(m_strOut);
    EXPECT_EQ(out.size(), 1u);
    EXPECT_TRUE(out.count("a_tn.jpg"));
}

struct ExitCase {
    const char* name;
    std::vector<std::string> args;  // "{out}" is replaced
    int nStatus;
    const char* out;  // the start of stdout
    const char* err;  // all of stderr
};
void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }

class BatchCommandExit : public BatchCommand, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(BatchCommandExit, PrintsAndEnds) {
    const ExitCase& c = GetParam();
    AddPhoto("a.jpg", 64, 48);
    std::vector<std::string> args;
    for (std::string arg : c.args) {
        if (const std::size_t n = arg.find("{out}"); n != std::string::npos)
            arg.replace(n, 5, m_strOut);
        args.push_back(arg);
    }
    const CommandResult result = Start(args);
    EXPECT_EQ(result.nStatus, c.nStatus);
    EXPECT_EQ(result.strOut.substr(0, std::string(c.out).size()), c.out);
    std::string strErr = c.err;
    if (const std::size_t n = strErr.find("{out}"); n != std::string::npos)
        strErr.replace(n, 5, m_strOut);
    EXPECT_EQ(result.strErr, strErr);
    EXPECT_TRUE(ReadFolder(m_strOut).empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, BatchCommandExit,
    ::testing::Values(
        ExitCase{"Help", {"--make-thumbs", "--help"}, 0, "Usage: galerio --make-thumbs FOLDER --out DIR [options]\n", ""},
        ExitCase{"ShortHelp", {"--make-thumbs", "pics", "-h"}, 0, "Usage: galerio --make-thumbs", ""},
        ExitCase{"DesktopHelpNamesTheCommand", {"--help"}, 0, "Usage: galerio [folder] [-S]\n", ""},
        ExitCase{"UnknownOption", {"--make-thumbs", "pics", "--out", "out", "--fast"}, 2, "",
                 "galerio --make-thumbs: unknown option '--fast' (see galerio --make-thumbs --help)\n"},
        ExitCase{"MissingValue", {"--make-thumbs", "pics", "--out"}, 2, "",
                 "galerio --make-thumbs: --out needs a value (see galerio --make-thumbs --help)\n"},
        ExitCase{"OutOfRange", {"--make-thumbs", "pics", "--out", "out", "--jobs", "0"}, 2, "",
                 "galerio --make-thumbs: --jobs: '0' is not a whole number from 1 to 1024 (see galerio --make-thumbs --help)\n"},
        ExitCase{"MissingOutFolder", {"--make-thumbs", "pics", "--out", "{out}/x"}, 2, "",
                 "Galerio: Error: Folder\n\n{out}/x\n\ndoes not exist. \nPlease select an exisitng folder.\n"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(BatchCommand, TheDesktopHelpPointsToTheCommand) {
    const CommandResult result = Start({"--help"});
    EXPECT_EQ(result.nStatus, 0);
    EXPECT_NE(result.strOut.find("  galerio --make-thumbs FOLDER --out DIR [options]\n"),
              std::string::npos)
        << result.strOut;
}

}  // namespace

// SPDX-License-Identifier: MIT
// cep-report where only a POSIX system can set the scene: a terminal, a
// locale built for the tests, a link loop, a full device.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <QXmlStreamReader>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/cli/report_texts.h"
#include "tests/support/lock_holder_posix.h"

namespace cep::testing_support {
const OddName kOddName = {"odd\x01\xff.grp", "odd\\u0001\xef\xbf\xbd.grp", "odd\\x01\\xff.grp"};
const OddName kMarkupName = {"a<&\"'b\x01\xff.grp", "a<&\\\"'b\\u0001\xef\xbf\xbd.grp", "a<&\"'b\\x01\\xff.grp"};
}  // namespace cep::testing_support

namespace {

using namespace cep::testing_support;

// Runs cep-report with stdout and stderr on one terminal, as a user at a
// prompt sees it; the terminal passes bytes through unchanged.
std::string RunOnTerminal(const std::vector<std::string>& args) {
    int terminal = -1;
    termios raw{};
    ::cfmakeraw(&raw);
    const pid_t child = ::forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(CEP_REPORT_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::setenv("LC_ALL", "C", 1);
        ::execv(CEP_REPORT_PATH, argv.data());
        ::_exit(127);
    }
    std::string seen;
    char buffer[4096];
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;)
        seen.append(buffer, static_cast<std::size_t>(got));
    ::close(terminal);
    ::waitpid(child, nullptr, 0);
    return seen;
}

const std::string kGerman = "LOCPATH=" TEST_LOCALES " LC_ALL=de_DE.UTF-8";

TEST(CepReport, FiguresFollowTheLocaleAndSystemTextsStayEnglish) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    ::symlink("loop.grp", (dir / "loop.grp").c_str());
    const Captured run = RunReport({"--range=200", target, dir / "loop.grp"}, kGerman);
    EXPECT_EQ(run.out, Circles("target.grp (5-shot group at 200", "1,25", "2,5", "3,75") +
                           "This load exceeds 1-MOA (1,25) @ 95% CI\n");
    EXPECT_EQ(run.err, "cep-report: " + (dir / "loop.grp") + ": File access failure: could not open " +
                           (dir / "loop.grp") + " (Too many levels of symbolic links).\n");
    // The record's bytes do not depend on the locale.
    EXPECT_EQ(RunReport({"--csv", target}, kGerman).out, "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n");
}

TEST(CepReport, AFailedWriteIsReportedNeverPassedOff) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--csv", target}, {target}, {"--help"}}) {
        SCOPED_TRACE(args.front());
        const Captured run = RunReport(args, kGerman, "/dev/full");
        EXPECT_EQ(run.err, "cep-report: write error: No space left on device\n");
        EXPECT_EQ(run.status, 1);
    }
}

// Control characters in a name or the range reach a terminal escaped, and a
// file or pipe byte for byte.
TEST(CepReport, ControlCharactersAreEscapedOnATerminalOnly) {
    TempDir dir;
    const std::string name = "red\x1b[31m\x07\x7f\xc2\x80\xc2\x9b.grp";
    const std::string target = dir.Write(name, kTarget);
    const std::string shown = "red\\x1b[31m\\x07\\x7f\\xc2\\x80\\xc2\\x9b.grp";
    const std::string missing = dir / "gone\r.grp";
    EXPECT_EQ(RunOnTerminal({"--range", "100\x1b]0;", target, missing}),
              Circles(shown + " (5-shot group at 100\\x1b]0;", "1.25", "2.5", "3.75") +
                  "This load exceeds 1-MOA (2.5) @ 95% CI\ncep-report: " + dir.path().string() +
                  "/gone\\x0d.grp: File not found: there is no file at " + dir.path().string() + "/gone\\x0d.grp.\n");
    EXPECT_EQ(RunOnTerminal({"--csv", target}), "\"" + shown + "\",100,1.25,2.5,3.75,2.5\r\n");
    EXPECT_EQ(RunReport({"--range", "100\x1b]0;", target}).out,
              Circles(name + " (5-shot group at 100\x1b]0;", "1.25", "2.5", "3.75") +
                  "This load exceeds 1-MOA (2.5) @ 95% CI\n");
    EXPECT_EQ(RunReport({"--csv", target}).out, "\"" + name + "\",100,1.25,2.5,3.75,2.5\r\n");
}

// A record appended by the shell to a file that another program holds locked
// (a plain POSIX lock, not ours) waits for it, then gives up and says so.
TEST(CepReport, AnAppendedRecordWaitsForAnotherProgramsLock) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    const std::string csv = dir.Write("CEP.csv", "\"old.grp\",100,1,2,3,2\r\n");
    LockHolder holder(csv);
    ASSERT_TRUE(holder.holding());
    const std::string err = dir / "err";
    const int status =
        std::system(("LC_ALL=C " CEP_REPORT_PATH " --csv '" + target + "' >>'" + csv + "' 2>'" + err + "'").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadAll(err), "cep-report: write error: the output file is locked by another program\n");
    EXPECT_EQ(ReadAll(csv), "\"old.grp\",100,1,2,3,2\r\n");
}

}  // namespace

// The statistics text escapes controls wherever it goes, so that a newline in
// a name never splits the heading; the picture stays well-formed XML for any
// name; a picture's permissions follow the umask, as any new file's do.
TEST(Stats, OddNamesInTheTextAndThePicture) {
    TempDir dir;
    const std::string group = Group("3", "0,0\r\n4,0\r\n1,3\r\n");
    const std::string newline = dir.Write("new\nline.grp", group);
    const std::string odd = dir.Write(
        "us\x1f"
        "over\xc0\xaf.grp",
        group);
    const Captured text = RunReport({"--stats", newline, odd});
    EXPECT_EQ(text.out.substr(0, text.out.find('\n')),
              "new\\x0aline.grp: 3 shots at 100 yards, intervals at 95% confidence, circles as diameters");
    EXPECT_NE(text.out.find("\nus\\x1fover\xc0\xaf.grp: 3 shots"), std::string::npos);
    const Captured compare = RunReport({"--compare", newline, odd});
    EXPECT_EQ(compare.out.substr(0, compare.out.find(':')), "A  new\\x0aline.grp");

    const mode_t before = ::umask(027);
    const Captured drawn = RunReport({"--stats", "--svg", dir / "out", odd});
    ::umask(before);
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const std::string picture = dir /
                                "out/us\x1f"
                                "over\xc0\xaf.grp.svg";
    struct stat info {};
    ASSERT_EQ(::stat(picture.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    const std::string svg = ReadAll(picture);
    EXPECT_NE(svg.find("<title>us\\x1fover\\xc0\\xaf.grp: 3 shots at 100 yards, scale 1:4</title>"), std::string::npos);
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    while (!xml.atEnd()) xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

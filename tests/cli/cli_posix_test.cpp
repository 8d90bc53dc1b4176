// SPDX-License-Identifier: MIT
// cep-report where only a POSIX system can set the scene: a terminal, a
// locale built for the tests, a link loop, a full device.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "lock_holder_posix.h"
#include "report_texts.h"

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
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) seen.append(buffer, static_cast<std::size_t>(got));
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
              Circles(name + " (5-shot group at 100\x1b]0;", "1.25", "2.5", "3.75") + "This load exceeds 1-MOA (2.5) @ 95% CI\n");
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
    const int status = std::system(("LC_ALL=C " CEP_REPORT_PATH " --csv '" + target + "' >>'" + csv + "' 2>'" + err + "'").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadAll(err), "cep-report: write error: the output file is locked by another program\n");
    EXPECT_EQ(ReadAll(csv), "\"old.grp\",100,1,2,3,2\r\n");
}

}  // namespace

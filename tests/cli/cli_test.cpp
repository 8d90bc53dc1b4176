// SPDX-License-Identifier: MIT
// cep-report as scripts see it: exact stdout, stderr and exit status.
#include <gtest/gtest.h>

#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "run_report.h"

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

// Five shots 1.25 from the centre (the fifth repeats the first): Cep is exactly 1.25.
const std::string kTarget = Group("5", "1.25,0\r\n0,1.25\r\n-1.25,0\r\n0,-1.25\r\n1.25,0\r\n");
const std::string kDiamond = Group("4", "0.5,0\r\n0,0.5\r\n-0.5,0\r\n0,-0.5\r\n");

std::string Circles(const std::string& heading, const std::string& d50, const std::string& d93,
                    const std::string& d99) {
    const std::string circle = " of the rounds will land within a circle ";
    return heading + " yards)\n\n50%" + circle + d50 + " inches in diameter\n93%" + circle + d93 +
           " inches in diameter\n99%" + circle + d99 + " inches in diameter\n";
}

const std::string kTargetText = Circles("target.grp (5-shot group at 100", "1.25", "2.5", "3.75") +
                                "This load exceeds 1-MOA (2.5) @ 95% CI\n";

TEST(CepReport, PrintsTheResultsText) {
    const struct {
        const char* name;
        const std::string* contents;
        const char* range;
        std::string out;
    } cases[] = {
        {"target.grp", &kTarget, "100", kTargetText},
        {"diamond.grp", &kDiamond, "100",
         Circles("diamond.grp (4-shot group at 100", "0.5", "1.", "1.5") + "This load is shooting 1-MOA (1.) @ 95% CI\n"},
        {"diamond.grp", &kDiamond, "-100 yds",
         Circles("diamond.grp (4-shot group at -100 yds", "0.5", "1.", "1.5") +
             "This load is shooting sub-MOA (-1.) @ 95% CI\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range);
        TempDir dir;
        const Captured run = RunReport({"--range", c.range, dir.Write(c.name, *c.contents)});
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
    }
}

TEST(CepReport, EachFileIsItsOwnCalculationAndFailuresGoToStderr) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    const std::string two = dir.Write("two.grp", Group("2", "1,1\r\n3,1\r\n"));
    const std::string line = dir.Write("line.grp", Group("5", "0,0\r\n1,1\r\n2,2\r\n3,3\r\n4,4\r\n"));
    const std::string shortFile = dir.Write("short.grp", "only\r\ntwo lines\r\n");
    const std::string missing = dir / "missing.grp";

    // A file of two lines after a success still fails on its own: no table carries over.
    const Captured run = RunReport({two, target, missing, shortFile, target});
    EXPECT_EQ(run.out, kTargetText + "\n" + kTargetText);
    EXPECT_EQ(run.err,
              "cep-report: " + two + ": Subscript out of range: a group needs at least three shots, and this file declares 2.\n"
              "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\n"
              "cep-report: " + shortFile + ": Subscript out of range: a group needs at least three shots, and this "
              "file has fewer than three lines, so it declares none.\n");
    EXPECT_EQ(run.status, 1);

    const Captured csv = RunReport({"--csv", target, line, dir.Write("diamond.grp", kDiamond)});
    EXPECT_EQ(csv.out, "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n\"diamond.grp\",100,0.5,1,1.5,1\r\n");
    EXPECT_EQ(csv.err.rfind("cep-report: " + line + ": Overflow: ", 0), 0u) << csv.err;
    EXPECT_EQ(csv.status, 1);
}

TEST(CepReport, AFailureInTheMoaStepLeavesTheCircleLines) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    const Captured run = RunReport({"--range", "", target});
    EXPECT_EQ(run.out, Circles("target.grp (5-shot group at ", "1.25", "2.5", "3.75") + "\n");
    EXPECT_EQ(run.err, "cep-report: " + target +
                           ": Division by zero: the range box is empty; type the range in yards, such as 100.\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(RunReport({"--csv", "--range=abc", target}).out, "");
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
    const std::string name = "red\x1b[31m\x07\x7f\xc2\x9b.grp";
    const std::string target = dir.Write(name, kTarget);
    const std::string shown = "red\\x1b[31m\\x07\\x7f\\xc2\\x9b.grp";
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

// Usage errors, of the default mode and the statistics modes alike; "x.grp" (missing) comes first, so that
// an option at the end has no value, and an accepted command line fails on the file.
TEST(CepReport, UsageAndVersion) {
    const auto usage = [](const std::string& problem) { return "cep-report: " + problem + "\nusage: cep-report "; };
    const auto badLevel = [&](const std::string& text) {
        return usage("--level must be a number strictly between 0 and 1, not \"" + text + "\"");
    };
    const std::string missing = "cep-report: x.grp: File not found";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, errStart;
    } cases[] = {
        {{}, 2, "", usage("no group file given")},
        {{"--bogus", "x.grp"}, 2, "", usage("unknown option --bogus")},
        {{"x.grp", "--range"}, 2, "", usage("--range needs a value")},
        {{"--help"}, 0,
         "usage: cep-report [--range TEXT] [--csv] FILE...\n"
         "       cep-report --stats [--range TEXT] [--level P] [--json] [--svg DIR] FILE...\n", ""},
        {{"--version"}, 0, "cep-report 1.00.0001\n", ""},
        {{"-"}, 1, "", "cep-report: -: File not found: there is no file at -.\n"},  // a file named "-"
        {{"x.grp", "--stats", "--level", "0"}, 2, "", badLevel("0")},
        {{"x.grp", "--stats", "--level=1"}, 2, "", badLevel("1")},
        {{"x.grp", "--stats", "--level", "0,95"}, 2, "", badLevel("0,95")},
        {{"x.grp", "--stats", "--level", "nan"}, 2, "", badLevel("nan")},
        {{"x.grp", "--stats", "--level", "1e-300"}, 1, "", missing},
        {{"x.grp", "--stats", "--level", "0.9999999999999999"}, 1, "", missing},
        {{"x.grp", "--stats", "--level"}, 2, "", usage("--level needs a value")},
        {{"x.grp", "--compare"}, 2, "", usage("--compare needs exactly two group files")},
        {{"x.grp", "--compare", "y.grp", "z.grp"}, 2, "", usage("--compare needs exactly two group files")},
        {{"x.grp", "--compare", "--svg", "d", "y.grp"}, 2, "", usage("--svg cannot be used with --compare")},
        {{"x.grp", "--stats", "--compare", "y.grp"}, 2, "", usage("--stats and --compare cannot be used together")},
        {{"x.grp", "--stats", "--csv"}, 2, "", usage("--csv cannot be used with --stats")},
        {{"x.grp", "--json"}, 2, "", usage("--json needs --stats or --compare")},
        {{"x.grp", "--csv", "--level", "0.9"}, 2, "", usage("--level needs --stats or --compare")},
        {{"x.grp", "--stats=yes"}, 2, "", usage("--stats takes no value")},
        {{"x.grp", "--stats", "--svg="}, 2, "", usage("--svg needs a folder")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Captured run = RunReport(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
    }
}

}  // namespace

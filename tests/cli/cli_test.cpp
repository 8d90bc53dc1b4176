// cep-report as scripts see it: exact stdout, stderr and exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "temp_dir.h"

namespace {

using cep::testing_support::ReadAll;
using cep::testing_support::TempDir;

struct Captured {
    std::string out;
    std::string err;
    int status = -1;
};

Captured RunReport(const std::vector<std::string>& args) {
    TempDir io;
    const std::string outPath = io / "out";
    const std::string errPath = io / "err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        std::string program = CEP_REPORT_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies(args);
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {ReadAll(outPath), ReadAll(errPath), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string GroupFile(const std::string& count, const std::string& shots) {
    return "CEP group file\r\ntest rifle\r\n" + count + "\r\n" + shots;
}

// Five shots on a circle of radius 1.25 (the fifth repeats the first), so
// Cep is exactly 1.25.
const std::string kTarget = GroupFile("5", "1.25,0\r\n0,1.25\r\n-1.25,0\r\n0,-1.25\r\n1.25,0\r\n");
const std::string kDiamond = GroupFile("4", "0.5,0\r\n0,0.5\r\n-0.5,0\r\n0,-0.5\r\n");
const std::string kPentagon = GroupFile("5", "0,0\r\n4,0\r\n4,4\r\n2,6\r\n0,4\r\n");
const std::string kTriangle = GroupFile("3", "1,1\r\n3,1\r\n2,4\r\n");
const std::string kCollinear = GroupFile("5", "0,0\r\n1,1\r\n2,2\r\n3,3\r\n4,4\r\n");
const std::string kTwoShots = GroupFile("2", "1,1\r\n3,1\r\n");

std::string Lines(const std::string& name, const std::string& heading, const std::string& d50,
                  const std::string& d93, const std::string& d99) {
    return name + " (" + heading + " yards)\n\n50% of the rounds will land within a circle " + d50 +
           " inches in diameter\n93% of the rounds will land within a circle " + d93 +
           " inches in diameter\n99% of the rounds will land within a circle " + d99 + " inches in diameter\n";
}

TEST(CepReport, PrintsTheResultsTextOfEachExample) {
    const struct {
        const char* name;
        const std::string* contents;
        const char* range;
        std::string out;
    } cases[] = {
        {"target.grp", &kTarget, "100",
         Lines("target.grp", "5-shot group at 100", "1.25", "2.5", "3.75") + "This load exceeds 1-MOA (2.5) @ 95% CI\n"},
        {"diamond.grp", &kDiamond, "100",
         Lines("diamond.grp", "4-shot group at 100", "0.5", "1.", "1.5") + "This load is shooting 1-MOA (1.) @ 95% CI\n"},
        {"diamond.grp", &kDiamond, "200",
         Lines("diamond.grp", "4-shot group at 200", "0.5", "1.", "1.5") +
             "This load is shooting sub-MOA (0.5) @ 95% CI\n"},
        {"pentagon.grp", &kPentagon, "100 yds",
         Lines("pentagon.grp", "5-shot group at 100 yds", "3.005", "6.01", "9.016") +
             "This load exceeds 1-MOA (6.01) @ 95% CI\n"},
        {"triangle.grp", &kTriangle, "-100",
         Lines("triangle.grp", "3-shot group at -100", "1.633", "3.266", "4.899") +
             "This load is shooting sub-MOA (-3.266) @ 95% CI\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + c.range);
        TempDir dir;
        const std::string file = dir.Write(c.name, *c.contents);
        const Captured run = RunReport({"--range", c.range, file});
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
    }
}

TEST(CepReport, CsvPrintsTheRecordSaveAppends) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    const std::string diamond = dir.Write("diamond.grp", kDiamond);
    const std::string collinear = dir.Write("line.grp", kCollinear);
    const Captured run = RunReport({"--csv", target, collinear, diamond});
    EXPECT_EQ(run.out, "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n\"diamond.grp\",100,0.5,1,1.5,1\r\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cep-report: " + collinear + ": Overflow: "), std::string::npos) << run.err;
}

TEST(CepReport, FailuresGoToStderrAndTheNextFileStillRuns) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    const std::string two = dir.Write("two.grp", kTwoShots);
    const std::string missing = dir / "missing.grp";
    const std::string headerOnly = dir.Write("short.grp", "only\r\ntwo lines\r\n");

    const Captured run = RunReport({two, target, missing, target});
    const std::string report =
        Lines("target.grp", "5-shot group at 100", "1.25", "2.5", "3.75") + "This load exceeds 1-MOA (2.5) @ 95% CI\n";
    EXPECT_EQ(run.out, report + "\n" + report);
    EXPECT_EQ(run.err, "cep-report: " + two +
                           ": Subscript out of range: a group needs at least three shots, and this file declares 2.\n"
                           "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\n");
    EXPECT_EQ(run.status, 1);

    // Each file is a calculation of its own: no shot table carries over.
    const Captured fresh = RunReport({target, headerOnly});
    EXPECT_EQ(fresh.out, report);
    EXPECT_NE(fresh.err.find(": Subscript out of range: "), std::string::npos) << fresh.err;
}

TEST(CepReport, AFailureInTheMoaStepLeavesTheCircleLines) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    const Captured run = RunReport({"--range", "", target});
    EXPECT_EQ(run.out, Lines("target.grp", "5-shot group at ", "1.25", "2.5", "3.75") + "\n");
    EXPECT_EQ(run.err, "cep-report: " + target +
                           ": Division by zero: the range box is empty; type the range in yards, such as 100.\n");
    EXPECT_EQ(run.status, 1);
    const Captured csv = RunReport({"--csv", "--range=abc", target});
    EXPECT_EQ(csv.out, "");
    EXPECT_EQ(csv.status, 1);
}

TEST(CepReport, UsageAndVersion) {
    const struct {
        std::vector<std::string> args;
        int status;
        bool usageOnStdout;
        const char* errStart;
    } cases[] = {
        {{}, 2, false, "cep-report: no group file given\nusage: "},
        {{"--bogus", "x.grp"}, 2, false, "cep-report: unknown option --bogus\nusage: "},
        {{"x.grp", "--range"}, 2, false, "cep-report: --range needs a value\nusage: "},
        {{"--csv"}, 2, false, "cep-report: no group file given\nusage: "},
        {{"--help"}, 0, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front());
        const Captured run = RunReport(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.rfind("usage: cep-report [--range TEXT] [--csv] FILE...\n", 0) == 0, c.usageOnStdout);
        EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
    }
    const Captured version = RunReport({"--version"});
    EXPECT_EQ(version.out, "cep-report 1.00.0001\n");
    EXPECT_EQ(version.status, 0);
}

}  // namespace

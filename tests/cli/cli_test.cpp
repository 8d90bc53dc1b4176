// SPDX-License-Identifier: MIT
// cep-report as scripts see it: exact stdout, stderr and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/report_texts.h"

namespace {

using namespace cep::testing_support;

TEST(CepReport, PrintsTheResultsText) {
    const struct {
        const char* name;
        const std::string* contents;
        const char* range;
        std::string out;
    } cases[] = {
        {"target.grp", &kTarget, "100", kTargetText},
        {"diamond.grp", &kDiamond, "100",
         Circles("diamond.grp (4-shot group at 100", "0.5", "1.", "1.5") +
             "This load is shooting 1-MOA (1.) @ 95% CI\n"},
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
    EXPECT_EQ(run.err, "cep-report: " + two +
                           ": Subscript out of range: a group needs at least three shots, and this file declares 2.\n"
                           "cep-report: " +
                           missing + ": File not found: there is no file at " + missing +
                           ".\n"
                           "cep-report: " +
                           shortFile +
                           ": Subscript out of range: a group needs at least three shots, and this "
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

// Usage errors, of the default mode and the statistics modes alike; "x.grp" (missing) comes first, so that
// an option at the end has no value, and an accepted command line fails on the file.
TEST(CepReport, UsageAndVersion) {
    const auto usage = [](const std::string& problem) { return "cep-report: " + problem + "\nusage: cep-report "; };
    const auto badLevel = [&](const std::string& text) {
        return usage("--level must be a number strictly between 0 and 1, not \"" + text + "\"");
    };
    const auto badShots = [&](const std::string& text) {
        return usage("--exclude needs shot numbers from 1, such as 4 or 4,7, not \"" + text + "\"");
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
        {{"--help"},
         0,
         "usage: cep-report [--range TEXT] [--csv] FILE...\n"
         "       cep-report --stats [--range TEXT] [--level P] [--json] [--svg DIR]\n"
         "                  [--exclude N,...] [--strict] [--target SIZE] [--click VALUE]\n"
         "                  [--aim X,Y] FILE...\n"
         "       cep-report --stats --pool [--range TEXT] [--level P] [--json] [--svg DIR]\n"
         "                  [--strict] [--target SIZE] [--click VALUE] [--aim X,Y] FILE FILE...\n"
         "       cep-report --compare [--range TEXT] [--level P] [--json] [--svg DIR]\n"
         "                  [--strict] FILE_A FILE_B\n",
         ""},
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
        {{"x.grp", "--compare", "--svg", "d", "y.grp"}, 1, "", missing},
        {{"x.grp", "--svg", "d"}, 2, "", usage("--svg needs --stats or --compare")},
        {{"x.grp", "--strict"}, 2, "", usage("--strict needs --stats or --compare")},
        {{"x.grp", "--stats", "--level", "0.9x"}, 2, "", badLevel("0.9x")},
        {{"x.grp", "--stats", "--level= 0.9"}, 2, "", badLevel(" 0.9")},
        {{"x.grp", "--stats", "--exclude", "3,7", "--exclude=1", "--strict"}, 1, "", missing},
        {{"x.grp", "--stats", "--exclude", "0"}, 2, "", badShots("0")},
        {{"x.grp", "--stats", "--exclude", "3,x"}, 2, "", badShots("3,x")},
        {{"x.grp", "--stats", "--exclude", "3,"}, 2, "", badShots("3,")},
        {{"x.grp", "--stats", "--exclude", "+3"}, 2, "", badShots("+3")},
        {{"x.grp", "--stats", "--exclude="}, 2, "", badShots("")},
        {{"x.grp", "--compare", "--exclude", "2", "y.grp"}, 2, "", usage("--exclude cannot be used with --compare")},
        {{"x.grp", "--stats", "--compare", "y.grp"}, 2, "", usage("--stats and --compare cannot be used together")},
        {{"x.grp", "--stats", "--csv"}, 2, "", usage("--csv cannot be used with --stats")},
        {{"x.grp", "--json"}, 2, "", usage("--json needs --stats or --compare")},
        // The first statistics option given is the one named.
        {{"x.grp", "--json", "--strict", "--level", "0.9"}, 2, "", usage("--json needs --stats or --compare")},
        {{"--strict", "x.grp", "--svg", "d"}, 2, "", usage("--strict needs --stats or --compare")},
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

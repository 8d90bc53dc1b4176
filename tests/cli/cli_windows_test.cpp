// SPDX-License-Identifier: MIT
// cep-report as Windows users call it: names outside the ANSI code page,
// backslashes, wildcards the shell leaves to the program, pictures that
// replace earlier ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/report_texts.h"

namespace cep::testing_support {
const OddName kOddName = {"odd&'.grp", "odd&'.grp", "odd&'.grp"};
const OddName kMarkupName = {"a&'b.grp", "a&'b.grp", "a&'b.grp"};
}  // namespace cep::testing_support

namespace {

using namespace cep::testing_support;

const std::string kCjk = "\xe7\x9b\xae\xe6\xa8\x99.grp";            // 目標.grp
const std::string kGreek = "\xce\xb2\xce\xbf\xce\xbb\xce\xae.grp";  // βολή.grp

Captured RunIn(const std::vector<std::string>& args, const std::string& folder = {}) {
    return RunProgram(CEP_REPORT_PATH, args, {}, {}, folder);
}

TEST(CepReportWindows, NamesOutsideTheAnsiCodePageArriveWhole) {
    TempDir dir;
    for (const std::string& name : {kCjk, kGreek}) {
        SCOPED_TRACE(name);
        const std::string path = dir.Write(name, kTarget);
        const Captured text = RunIn({path});
        EXPECT_EQ(text.out, Circles(name + " (5-shot group at 100", "1.25", "2.5", "3.75") +
                                "This load exceeds 1-MOA (2.5) @ 95% CI\n");
        EXPECT_EQ(text.status, 0) << text.err;
        EXPECT_EQ(RunIn({"--csv", path}).out, "\"" + name + "\",100,1.25,2.5,3.75,2.5\r\n");
        const Captured missing = RunIn({dir / ("x" + name)});
        EXPECT_EQ(missing.err, "cep-report: " + (dir / ("x" + name)) + ": File not found: there is no file at " +
                                   (dir / ("x" + name)) + ".\n");
    }
}

TEST(CepReportWindows, BackslashesSeparateFoldersInTheName) {
    TempDir dir;
    std::filesystem::create_directory(Utf8Path(dir / "sub"));
    dir.Write("sub\\target.grp", kTarget);
    for (const std::string& spelled :
         {std::string("sub\\target.grp"), std::string("sub/target.grp"), dir / "sub\\target.grp"}) {
        SCOPED_TRACE(spelled);
        EXPECT_EQ(RunProgram(CEP_REPORT_PATH, {spelled}, {}, {}, Utf8Text(dir.path())).out, kTargetText);
        EXPECT_EQ(RunProgram(CEP_REPORT_PATH, {"--csv", spelled}, {}, {}, Utf8Text(dir.path())).out,
                  "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n");
    }
}

TEST(CepReportWindows, WildcardsAreExpandedAsAUnixShellWould) {
    TempDir dir;
    std::filesystem::create_directory(Utf8Path(dir / "sub"));
    for (const std::string name : {"b.grp", "A.GRP", "c.txt", ".hidden.grp", "sub\\d.grp"}) dir.Write(name, kTarget);
    const auto headings = [](const std::string& out) {
        std::string names;
        for (std::size_t at = 0; (at = out.find(" (5-shot", at)) != std::string::npos; ++at) {
            const std::size_t start = out.rfind('\n', at);
            names += out.substr(start == std::string::npos ? 0 : start + 1,
                                at - (start == std::string::npos ? 0 : start + 1)) +
                     ";";
        }
        return names;
    };
    const struct {
        std::vector<std::string> args;
        std::string names, err;
    } cases[] = {
        {{"*.grp"}, "A.GRP;b.grp;", ""},  // any letter case, sorted as a listing is, no hidden file
        {{"[ab].GrP", "sub\\*"}, "A.GRP;b.grp;d.grp;", ""},
        {{"?.*"}, "A.GRP;b.grp;c.txt;", ""},
        {{".*.grp"}, ".hidden.grp;", ""},
        {{"--", "none*.grp"}, "", "cep-report: none*.grp: File not found: there is no file at none*.grp.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Captured run = RunProgram(CEP_REPORT_PATH, c.args, {}, {}, Utf8Text(dir.path()));
        EXPECT_EQ(headings(run.out), c.names);
        EXPECT_EQ(run.err, c.err);
    }
}

TEST(CepReportWindows, APictureReplacesTheOneBefore) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    for (int run = 0; run < 2; ++run) {
        const Captured drawn = RunIn({"--stats", "--svg", dir / "pictures", target});
        EXPECT_EQ(drawn.status, 0) << drawn.err;
        EXPECT_EQ(drawn.err, "");
    }
    long entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Utf8Path(dir / "pictures")))
        ++entries;
    EXPECT_EQ(entries, 1);
    EXPECT_TRUE(ReadAll(dir / "pictures\\target.grp.svg").starts_with("<?xml"));
}

}  // namespace

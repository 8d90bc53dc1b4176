// SPDX-License-Identifier: MIT
// cep-report --pool, --target, --click and --aim: usage errors word for word,
// a pool with a file that fails, the text's own lines and the JSON's keys.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/report_texts.h"

namespace {

using namespace cep::testing_support;
using Json = nlohmann::ordered_json;

TEST(Pool, UsageErrorsNameTheOptionAndItsForms) {
    const std::string size =
        "--target needs a diameter greater than 0 such as 10in, 25cm, 250mm, 2moa or 1mil (a bare "
        "number is inches), not ";
    const std::string click =
        "--click needs a click value greater than 0 such as 0.25moa, 1/8moa, 0.1mil or 0.5in "
        "(inches at 100 yards), not ";
    const std::string aim = "--aim needs the point of aim as X,Y in inches, such as 0,1.5 or -0.5,2, not ";
    const struct {
        std::vector<std::string> args;
        std::string problem;
    } cases[] = {
        {{"--stats", "--target", "0in"}, size + "\"0in\""},
        {{"--stats", "--target", "-3"}, size + "\"-3\""},
        {{"--stats", "--target=10ft"}, size + "\"10ft\""},
        {{"--stats", "--target", "abc"}, size + "\"abc\""},
        {{"--stats", "--target", "10 in"}, size + "\"10 in\""},
        {{"--stats", "--target"}, "--target needs a value"},
        {{"--stats", "--click", "0.25"}, click + "\"0.25\""},
        {{"--stats", "--click", "0moa"}, click + "\"0moa\""},
        {{"--stats", "--click", "1/0moa"}, click + "\"1/0moa\""},
        {{"--stats", "--click=0.1cm"}, click + "\"0.1cm\""},
        {{"--stats", "--aim", "1"}, aim + "\"1\""},
        {{"--stats", "--aim", "1,x"}, aim + "\"1,x\""},
        {{"--stats", "--aim=1,2,3"}, aim + "\"1,2,3\""},
        {{"--pool", "y.grp"}, "--pool needs --stats"},
        {{"--target", "2moa"}, "--target needs --stats"},
        {{"--stats", "--pool", "--exclude", "2", "y.grp"}, "--exclude cannot be used with --pool"},
        {{"--compare", "--pool", "y.grp"}, "--pool cannot be used with --compare"},
        {{"--compare", "--click", "0.1mil", "y.grp"}, "--click cannot be used with --compare"},
        {{"--compare", "--aim", "0,1", "y.grp"}, "--aim cannot be used with --compare"},
        {{"--pool=yes", "--stats", "y.grp"}, "--pool takes no value"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"x.grp"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(args));
        const Captured run = RunReport(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), "cep-report: " + c.problem + "\n");
    }
}

// Two groups of two shots each, worked by hand: centres (1, 0) and (-1, 0), squares 4 and 4 about them, so
// s^2 = 8 / 4 = 2 with nu = 4; the grand centre (0, 0); F = (2 + 2) / 2 / 2 = 1 with 2 and 4 degrees of freedom,
// p = (1 + F / 2)^(-2) = 0.444; both variances 2, so Bartlett's statistic is 0 and p = 1.
const std::string kLeft = Group("2", "0,1\r\n2,-1\r\n");
const std::string kRight = Group("2", "-2,-1\r\n0,1\r\n");

TEST(Pool, TextJsonAndAFileThatFails) {
    TempDir dir;
    const std::string left = dir.Write("left.grp", kLeft);
    const std::string right = dir.Write("right.grp", kRight);
    const std::string missing = dir / "missing.grp";
    const Captured run = RunReport({"--stats", "--pool", "--target", "4in", left, missing, right});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\n");
    const auto line = [&](const std::string& start) {
        const auto at = run.out.find("\n" + start);
        return at == std::string::npos ? std::string() : run.out.substr(at + 1, run.out.find('\n', at + 1) - at - 1);
    };
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "Pool of 2 groups, 4 shots at 100 yards, intervals at 95% confidence, circles as diameters");
    EXPECT_EQ(line("left.grp"), "left.grp       2     1.000     0.000           2.828        1.414  1.596");
    EXPECT_EQ(line("Pooled"),
              "Pooled sigma over 4 degrees of freedom, 2 x (4 shots - 2 groups); centre and next "
              "shots about the centre of all shots");
    EXPECT_EQ(line("One spread?"),
              "One spread? Bartlett chi-square = 0 with 1 degrees of freedom, p = 1 (differ below 0.01)");
    EXPECT_EQ(line("One centre?"), "One centre? F = 1 with 2 and 4 degrees of freedom, p = 0.444 (moved below 0.01)");
    EXPECT_EQ(line("Clicks"), "Clicks: none (1/4 MOA clicks)");
    // Zeroed: 1 - (1 + 4 / (4 * 2 * 1.25))^(-2) = 1 - 1 / 1.96; the centre is on the aim, so now is the same.
    EXPECT_EQ(line("Chance of a hit once"), "Chance of a hit once zeroed: 49.0%");
    EXPECT_EQ(line("Chance of a hit as"), "Chance of a hit as it shoots now: 49.0%");
    EXPECT_EQ(line("Target"), "Target: a circle 4.000 in across about the point of aim");

    const Captured json = RunReport({"--stats", "--pool", "--json", "--click", "0.1mil", "--aim", "2,3", left, right});
    EXPECT_EQ(json.status, 0);
    const Json o = Json::parse(json.out);
    std::vector<std::string> keys;
    for (const auto& item : o.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"files", "groups", "shots", "df", "mpi", "sigma", "level", "circles",
                                              "prediction", "average_extreme_spread", "average_mean_radius", "spreads",
                                              "centres", "correction"}));
    EXPECT_EQ(o["files"], Json::parse(R"(["left.grp","right.grp"])"));
    EXPECT_EQ(o["groups"][1]["file"], "right.grp");
    EXPECT_EQ(o["df"], 4);
    EXPECT_EQ(o["centres"]["f"], 1.0);
    EXPECT_NEAR(o["centres"]["p"].get<double>(), 1 / 2.25, 1e-12);
    EXPECT_EQ(o["spreads"]["differ"], false);
    EXPECT_EQ(o["correction"]["click"], Json::parse(R"({"value":0.1,"unit":"mil"})"));
    // atan(3 / 3600) = 0.8333 mil, 8 clicks up; atan(2 / 3600) = 0.5556 mil, 6 right.
    EXPECT_EQ(o["correction"]["clicks_up"], 8);
    EXPECT_EQ(o["correction"]["clicks_right"], 6);
    // sqrt(2 s^2 F(0.95; 2, 4) / 4) = sqrt(F), F = 2 (sqrt(20) - 1): 2.635 in, within sqrt(13).
    EXPECT_NEAR(o["correction"]["uncertainty_in"].get<double>(), std::sqrt(2 * (std::sqrt(20.0) - 1)), 1e-9);
    EXPECT_EQ(o["correction"]["called_for"], true);

    // Fewer than two groups read.
    const Captured few = RunReport({"--stats", "--pool", left, missing});
    EXPECT_EQ(few.status, 1);
    EXPECT_EQ(few.out, "");
    EXPECT_EQ(few.err,
              "cep-report: " + missing + ": File not found: there is no file at " + missing +
                  ".\ncep-report: --pool: Subscript out of range: a pool needs at least two groups, and 1 was read.\n");

    // One picture of the pool.
    const Captured drawn = RunReport({"--stats", "--pool", "--svg", dir / "pics", left, right});
    EXPECT_EQ(drawn.status, 0);
    const std::string svg = ReadAll((dir / "pics") + "/pool.svg");
    EXPECT_NE(svg.find("<title>Pool of 2 groups, 4 shots at 100 yards"), std::string::npos);
    EXPECT_NE(svg.find("left.grp: 2 shots"), std::string::npos);
    EXPECT_NE(svg.find("right.grp: 2 shots"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "pics"), std::filesystem::directory_iterator()),
              1);
}

}  // namespace

// SPDX-License-Identifier: MIT
// cep-report --stats and --compare: exact text, the JSON read back, the SVG
// parsed, failures and usage errors.
#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <charconv>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "group_stats.h"
#include "run_report.h"
#include "stats_writers.h"

namespace {

using namespace cep::testing_support;
using Json = nlohmann::ordered_json;

// The group worked by hand beside the core's statistics: centre (5/3, 1), extreme spread 3 sqrt 2,
// sigma sqrt(11/3) / 0.939986; MOA = inches x 0.95493, mil = inches x 0.27778 at 100 yards.
const std::string kThree = Group("3", "0,0\r\n4,0\r\n1,3\r\n");
const std::string kThreeText =
    "three.grp: 3 shots at 100 yards, intervals at 95% confidence\n"
    "                inches                      MOA                      mil\n"
    "Centre x         1.667                    1.592                    0.463\n"
    "Centre y         1.000                    0.955                    0.278\n"
    "Centre offset    1.944                    1.856                    0.540\n"
    "Extreme spread   4.243                    4.051                    1.179\n"
    "Mean radius      2.197                    2.098                    0.610\n"
    "SD horizontal    2.082                    1.988                    0.578\n"
    "SD vertical      1.732                    1.654                    0.481\n"
    "Sigma            2.037 (1.147 to 5.502)   1.945 (1.096 to 5.254)   0.566 (0.319 to 1.528)\n"
    "50% circle       4.797 (2.702 to 12.957)  4.581 (2.580 to 12.373)  1.333 (0.750 to 3.599)\n"
    "90% circle       8.743 (4.924 to 23.616)  8.349 (4.702 to 22.552)  2.429 (1.368 to 6.560)\n"
    "95% circle       9.973 (5.616 to 26.937)  9.523 (5.363 to 25.723)  2.770 (1.560 to 7.483)\n";
const std::string kOne = Group("1", "1,1\r\n");
const std::string kNeedTwo = ": Subscript out of range: a group needs at least two shots, and this file declares 1.\n";

// The same ten-shot pattern, one a tenth the size of the other.
std::string Pattern(double scale) {
    const double shots[][2] = {{-2.3, 0.7}, {-1.1, 0.6}, {-0.1, 1.1}, {-1.4, 1.6}, {-0.7, -0.3},
                               {-0.2, 1.6}, {-0.2, -0.5}, {0.8, 1.9}, {-1.0, 0.3}, {-0.3, 0.4}};
    std::string text;
    for (const auto& s : shots) text += std::to_string(s[0] * scale) + "," + std::to_string(s[1] * scale) + "\r\n";
    return Group("10", text);
}

std::string Name(const std::string& path) { return std::filesystem::path(path).filename().string(); }

long Entries(const std::string& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

std::string Decimals(std::string text, char separator) {
    for (std::size_t at = text.find('\n'); (at = text.find('.', at)) != std::string::npos;) text[at] = separator;
    return text;
}

TEST(Stats, TextBlocksAndFailures) {
    TempDir dir;
    const std::string three = dir.Write("three.grp", kThree);
    const std::string one = dir.Write("one.grp", kOne);
    const std::string missing = dir / "missing.grp";
    const std::string inches = "                inches\n";
    const struct {
        std::vector<std::string> args;
        std::string environment, out, err;
        int status;
    } cases[] = {
        {{"--stats", three}, "", kThreeText, "", 0},
        {{"--stats", "--range", "abc", three}, "",
         "three.grp: 3 shots at 0 yards, intervals at 95% confidence\n" + inches +
             "Centre x         1.667\nCentre y         1.000\nCentre offset    1.944\nExtreme spread   4.243\n"
             "Mean radius      2.197\nSD horizontal    2.082\nSD vertical      1.732\n"
             "Sigma            2.037 (1.147 to 5.502)\n50% circle       4.797 (2.702 to 12.957)\n"
             "90% circle       8.743 (4.924 to 23.616)\n95% circle       9.973 (5.616 to 26.937)\n",
         "", 0},
        {{"--stats", three, missing, one, three}, "", kThreeText + "\n" + kThreeText,
         "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\ncep-report: " + one +
             kNeedTwo,
         1},
        {{"--stats", three}, "LOCPATH=" TEST_LOCALES " LC_ALL=de_DE.UTF-8", Decimals(kThreeText, ','), "", 0},
        {{"--stats", "--range=1e400", three}, "", "",
         "cep-report: " + three + ": Overflow: the range \"1e400\" is too large a number.\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.environment);
        if (!c.environment.empty() && !std::filesystem::exists(TEST_LOCALES "/de_DE.UTF-8")) continue;
        const Captured run = RunReport(c.args, c.environment);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.status, c.status);
    }
}

cep::GroupStats CoreStats(const std::string& path, const std::string& range = "100", double level = 0.95) {
    cep::ShotTable shots;
    return cep::ReadGroupStats(path, range, level, shots).value();
}

// Every figure reads back as the very double the core computed.
void ExpectStatsObject(const Json& o, const std::string& name, const cep::GroupStats& s) {
    std::vector<std::string> keys;
    for (const auto& item : o.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "shots", "range_yards", "mpi", "mpi_offset", "sd_x", "sd_y",
                                              "extreme_spread", "mean_radius", "sigma", "level", "circles",
                                              "moa_per_inch", "mil_per_inch"}));
    EXPECT_EQ(o["file"], name);
    EXPECT_TRUE(o["shots"].is_number_integer());
    EXPECT_EQ(o["shots"], s.shots);
    const Json figures = {s.rangeYards, s.centre.x, s.centre.y, s.centreOffset, s.sdX, s.sdY, s.extremeSpread,
                          s.meanRadius, s.sigma.value, s.sigma.low, s.sigma.high, s.level};
    EXPECT_EQ(Json({o["range_yards"], o["mpi"]["x"], o["mpi"]["y"], o["mpi_offset"], o["sd_x"], o["sd_y"],
                    o["extreme_spread"], o["mean_radius"], o["sigma"]["estimate"], o["sigma"]["low"],
                    o["sigma"]["high"], o["level"]}),
              figures);
    ASSERT_EQ(o["circles"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& d = s.circles[i].diameter;
        EXPECT_EQ(o["circles"][i], Json({{"percent", s.circles[i].percent}, {"diameter", d.value}, {"low", d.low},
                                         {"high", d.high}}));
    }
    EXPECT_EQ(o["moa_per_inch"], s.moaPerInch ? Json(*s.moaPerInch) : Json(nullptr));
    EXPECT_EQ(o["mil_per_inch"], s.milPerInch ? Json(*s.milPerInch) : Json(nullptr));
}

TEST(Stats, JsonDocument) {
    TempDir dir;
    const std::string three = dir.Write("three.grp", kThree);
    // A name that is not text: a control character and a byte that is not UTF-8.
    const std::string odd = dir.Write("odd\x01\xff.grp", kThree);
    const std::string missing = dir / "missing.grp";

    const Captured run = RunReport({"--stats", "--json", "--range", "0", three, missing, odd});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\n");
    const Json doc = Json::parse(run.out);
    ASSERT_TRUE(doc.is_array() && doc.size() == 3) << run.out;
    ExpectStatsObject(doc[0], "three.grp", CoreStats(three, "0"));
    EXPECT_EQ(doc[1], Json({{"file", "missing.grp"},
                            {"error", {{"kind", "File not found"},
                                       {"message", "File not found: there is no file at " + missing + "."}}}}));
    ExpectStatsObject(doc[2], "odd\x01\xef\xbf\xbd.grp", CoreStats(odd, "0"));
    EXPECT_NE(run.out.find("odd\\u0001"), std::string::npos);

    const Captured hundred = RunReport({"--stats", "--json", three});
    ExpectStatsObject(Json::parse(hundred.out).at(0), "three.grp", CoreStats(three));
}

TEST(Compare, TextAndJson) {
    TempDir dir;
    const std::string tight = dir.Write("tight.grp", Pattern(0.1));
    const std::string wide = dir.Write("wide.grp", Pattern(1));
    const std::string twin = dir.Write("twin.grp", Pattern(1));
    const std::string point = dir.Write("point.grp", Group("2", "1,1\r\n1,1\r\n"));
    const std::string one = dir.Write("one.grp", kOne);
    // Sigmas in the ratio 1 : 10 give F = 0.01 with 18 and 18 degrees of freedom; by hand,
    // P(F < x) = I(x / (1 + x); 9, 9) = z^9 / (9 B(9, 9)) (1 - 8 * 9/10 z + ...) = 2.07e-14, p twice that.
    const std::string wideLine = "B  wide.grp: 10 shots, sigma 0.843 in (0.628 to 1.230)\n";
    const struct {
        std::vector<std::string> args;
        std::string out, err;
        int status;
    } cases[] = {
        {{tight, wide}, "A  tight.grp: 10 shots, sigma 0.084 in (0.063 to 0.123)\n" + wideLine +
                            "F = 0.01 with 18 and 18 degrees of freedom, p = 4.14e-14\n"
                            "At 95% confidence, A (tight.grp) is the tighter group.\n", "", 0},
        {{"--level", "0.999", wide, tight}, "A  wide.grp: 10 shots, sigma 0.843 in (0.529 to 1.675)\n"
                                           "B  tight.grp: 10 shots, sigma 0.084 in (0.053 to 0.167)\n"
                                           "F = 100 with 18 and 18 degrees of freedom, p = 4.14e-14\n"
                                           "At 99.9% confidence, B (tight.grp) is the tighter group.\n", "", 0},
        {{twin, wide}, "A  twin.grp: 10 shots, sigma 0.843 in (0.628 to 1.230)\n" + wideLine +
                           "F = 1 with 18 and 18 degrees of freedom, p = 1\n"
                           "At 95% confidence, these groups cannot tell the loads apart.\n", "", 0},
        {{one, wide}, "", "cep-report: " + one + kNeedTwo, 1},
        {{wide, point}, "", "cep-report: " + wide + ", " + point + ": Overflow: the shots of the second group sit on "
                        "one point, so the ratio of the spreads has no finite value.\n", 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--compare"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Captured run = RunReport(args);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.status, c.status);
        args.push_back("--json");
        const Captured json = RunReport(args);
        EXPECT_EQ(json.err, c.err);
        EXPECT_EQ(json.status, c.status);
        if (c.status != 0) {
            EXPECT_EQ(json.out, "");
            continue;
        }
        const Json doc = Json::parse(json.out);
        const std::string& a = c.args[c.args.size() - 2];
        const std::string& b = c.args.back();
        const double level = doc["level"];
        ExpectStatsObject(doc["a"], Name(a), CoreStats(a, "100", level));
        ExpectStatsObject(doc["b"], Name(b), CoreStats(b, "100", level));
        const auto comparison = cep::CompareGroups(CoreStats(a), CoreStats(b), level).value();
        const char* tighter[] = {nullptr, "a", "b"};
        EXPECT_EQ(doc, Json({{"a", doc["a"]}, {"b", doc["b"]}, {"f", comparison.f}, {"df1", 18}, {"df2", 18},
                             {"p", comparison.p}, {"level", comparison.level},
                             {"tighter", tighter[static_cast<int>(comparison.tighter)]
                                             ? Json(tighter[static_cast<int>(comparison.tighter)])
                                             : Json(nullptr)}}));
    }
}

struct SvgCircle {
    double cx, cy, r;
};

// Parses the whole document, failing on anything that is not well-formed
// XML; returns the circles by class, the picture's size and the title.
struct Svg {
    std::map<std::string, std::vector<SvgCircle>> circles;
    double width = 0, height = 0;
    std::string title;
};

Svg ParseSvg(const std::string& bytes) {
    Svg svg;
    QXmlStreamReader xml(QByteArray::fromStdString(bytes));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto attribute = [&](const char* name) { return xml.attributes().value(name).toDouble(); };
        if (xml.name() == u"svg") {
            EXPECT_EQ(xml.namespaceUri(), u"http://www.w3.org/2000/svg");
            svg.width = attribute("width");
            svg.height = attribute("height");
            EXPECT_EQ(xml.attributes().value("viewBox"), QString("0 0 %1 %2").arg(svg.width).arg(svg.height));
        } else if (xml.name() == u"title") {
            svg.title = xml.readElementText().toStdString();
        } else if (xml.name() == u"circle") {
            svg.circles[xml.attributes().value("class").toString().toStdString()].push_back(
                {attribute("cx"), attribute("cy"), attribute("r")});
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
    return svg;
}

TEST(Stats, SvgPictureOfEachGroup) {
    TempDir dir;
    const struct {
        std::string name;
        std::vector<std::pair<double, double>> shots;
    } groups[] = {
        {"three.grp", {{0, 0}, {4, 0}, {1, 3}}},
        {"a<&\"'b\x01\xff.grp", {{-0.25, 0.5}, {0.5, -0.75}}},  // markup, a control and a byte that is not UTF-8
        {"same.grp", {{1.5, -1}, {1.5, -1}, {1.5, -1}}},         // circles of no size
        {"far.grp", {{60, 41}, {62.5, 40}, {61, 43.25}, {59, 40.5}}},  // a grid coarser than an inch
    };
    std::vector<std::string> args = {"--stats", "--svg", dir / "pictures/new"};
    for (const auto& g : groups) {
        std::string text;
        for (const auto& [x, y] : g.shots) text += std::to_string(x) + "," + std::to_string(y) + "\r\n";
        args.push_back(dir.Write(g.name, Group(std::to_string(g.shots.size()), text)));
    }
    const Captured run = RunReport(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Entries(dir / "pictures/new"), 4);  // nothing left over

    const std::string shownNames[] = {"three.grp", "a<&\"'b\\x01\\xff.grp", "same.grp", "far.grp"};
    for (std::size_t g = 0; g < std::size(groups); ++g) {
        SCOPED_TRACE(shownNames[g]);
        Svg svg = ParseSvg(ReadAll(dir / ("pictures/new/" + groups[g].name + ".svg")));
        const cep::GroupStats stats = CoreStats(dir / groups[g].name);
        EXPECT_EQ(svg.title, shownNames[g] + ": " + std::to_string(stats.shots) + " shots at 100 yards");
        ASSERT_EQ(svg.circles["aim"].size(), 1u);
        ASSERT_EQ(svg.circles["shot"].size(), groups[g].shots.size());
        // One scale for x and y, y flipped, the point of aim at (0, 0): from the last shot, checked on every mark.
        const SvgCircle aim = svg.circles["aim"][0];
        const SvgCircle last = svg.circles["shot"].back();
        const double scale = std::hypot(last.cx - aim.cx, last.cy - aim.cy) /
                             std::hypot(groups[g].shots.back().first, groups[g].shots.back().second);
        const auto expectAt = [&](const SvgCircle& c, double x, double y) {
            EXPECT_NEAR(c.cx, aim.cx + scale * x, 0.011);
            EXPECT_NEAR(c.cy, aim.cy - scale * y, 0.011);
        };
        for (std::size_t i = 0; i < groups[g].shots.size(); ++i) {
            expectAt(svg.circles["shot"][i], groups[g].shots[i].first, groups[g].shots[i].second);
        }
        ASSERT_EQ(svg.circles["mpi"].size(), 1u);
        expectAt(svg.circles["mpi"][0], stats.centre.x, stats.centre.y);
        for (const cep::HitCircle& hit : stats.circles) {
            const auto& circles = svg.circles["circle" + std::to_string(hit.percent)];
            ASSERT_EQ(circles.size(), 1u);
            expectAt(circles[0], stats.centre.x, stats.centre.y);
            EXPECT_NEAR(circles[0].r, scale * hit.diameter.value / 2, 0.011);
        }
        for (const auto& [cls, circles] : svg.circles) {
            for (const SvgCircle& c : circles) {  // inside the picture
                EXPECT_TRUE(c.cx - c.r >= 0 && c.cy - c.r >= 0 && c.cx + c.r <= svg.width && c.cy + c.r <= svg.height)
                    << cls << " at " << c.cx << ", " << c.cy;
            }
        }
    }
}

TEST(Stats, SvgWriteFailuresAreFileFailures) {
    TempDir dir;
    const std::string three = dir.Write("three.grp", kThree);
    const std::string other = dir.Write("other.grp", kThree);
    std::filesystem::create_directories(dir / "out/three.grp.svg/taken");  // the name is held by a folder
    const std::string notFolder = dir.Write("plain", "");

    const Captured run = RunReport({"--stats", "--svg", dir / "out", three, other});
    EXPECT_EQ(run.out, kThreeText + "\n" + std::string(kThreeText).replace(0, 5, "other"));
    EXPECT_EQ(run.err, "cep-report: " + three + ": File access failure: could not write " + (dir / "out") +
                           "/three.grp.svg (Is a directory).\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Entries(dir / "out"), 2);  // no temporary file left

    const Captured blocked = RunReport({"--stats", "--json", "--svg", notFolder + "/sub", three});
    EXPECT_EQ(blocked.err, "cep-report: " + three + ": File access failure: could not create the folder " + notFolder +
                               "/sub (Not a directory).\n");
    EXPECT_EQ(blocked.status, 1);
}

// The text's quick fixed-point form against to_chars: exact ties (n / 2^k), decimal halves that lie just
// off a tie, and the sizes where it hands over to to_chars.
TEST(FixedFigure, RoundsAsToCharsDoes) {
    std::vector<double> values = {0.0625, -0.0625, 0.4375, 2.5e-4, 1.0005, -0.0004, -0.0, 999999999.9995, 1e9, 1e300};
    std::mt19937_64 random(20261122);
    for (int i = 0; i < 4000; ++i) {
        const auto n = static_cast<double>(random() % 2000000) - 1000000;
        values.push_back(n / static_cast<double>(1 << (random() % 12)));
        values.push_back((n + 0.5) / std::pow(10.0, static_cast<double>(random() % 7)));  // near ties, either side
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 84) - 96));
    }
    for (const double v : values) {
        for (const int decimals : {0, 1, 3, 6}) {
            char buffer[400];
            std::string expected(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed,
                                                       decimals).ptr);
            if (expected.find_first_of("123456789") == std::string::npos && expected[0] == '-') expected.erase(0, 1);
            ASSERT_EQ(cli::FixedFigure(v, decimals, "."), expected) << v << " to " << decimals;
            if (decimals > 0) {
                const std::string middleDot = "\xc2\xb7";  // a separator of two bytes
                ASSERT_EQ(cli::FixedFigure(v, decimals, middleDot), expected.replace(expected.find('.'), 1, middleDot));
            }
        }
    }
}

TEST(Stats, UsageErrors) {
    const struct {
        std::vector<std::string> args;
        std::string problem;  // empty: accepted, so the file's failure decides
    } cases[] = {
        {{"--stats", "--level", "0"}, "--level must be a number strictly between 0 and 1, not \"0\""},
        {{"--stats", "--level", "1"}, "--level must be a number strictly between 0 and 1, not \"1\""},
        {{"--stats", "--level=-0.5"}, "--level must be a number strictly between 0 and 1, not \"-0.5\""},
        {{"--stats", "--level", "0,95"}, "--level must be a number strictly between 0 and 1, not \"0,95\""},
        {{"--stats", "--level", "nan"}, "--level must be a number strictly between 0 and 1, not \"nan\""},
        {{"--stats", "--level", "1e-300"}, ""}, {{"--stats", "--level", "0.9999999999999999"}, ""},
        {{"--stats", "--level"}, "--level needs a value"},
        {{"--compare"}, "--compare needs exactly two group files"},
        {{"--compare", "y.grp", "z.grp"}, "--compare needs exactly two group files"},
        {{"--compare", "--svg", "d", "y.grp"}, "--svg cannot be used with --compare"},
        {{"--stats", "--compare", "y.grp"}, "--stats and --compare cannot be used together"},
        {{"--stats", "--csv"}, "--csv cannot be used with --stats"},
        {{"--json"}, "--json needs --stats or --compare"},
        {{"--csv", "--level", "0.9"}, "--level needs --stats or --compare"},
        {{"--svg", "d"}, "--svg needs --stats or --compare"},
        {{"--stats=yes"}, "--stats takes no value"}, {{"--stats", "--svg="}, "--svg needs a folder"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"x.grp"};  // first, so that an option at the end has no value
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(args));
        const Captured run = RunReport(args);
        if (c.problem.empty()) {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err.rfind("cep-report: x.grp: File not found", 0), 0u) << run.err;
            continue;
        }
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("cep-report: " + c.problem + "\nusage: cep-report [--range TEXT] [--csv] FILE...\n"
                                "       cep-report --stats [--range TEXT] [--level P] [--json] [--svg DIR] FILE...\n",
                                0),
                  0u)
            << run.err;
    }
}

}  // namespace

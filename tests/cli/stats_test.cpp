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

#include "core/group_stats.h"
#include "os/os.h"
#include "tests/cli/report_texts.h"
#include "writers/stats_writers.h"

namespace {

using namespace cep::testing_support;
using Json = nlohmann::ordered_json;

// The group worked by hand beside the core's statistics: centre (5/3, 1), extreme spread 3 sqrt 2,
// sigma sqrt(11/3) / 0.939986; MOA = inches x 0.95493, mil = inches x 0.27778 at 100 yards. Covariance
// (13/3, 3, -1): axes 11/3 +- sqrt(13/9), the major at atan2(-2, 4/3) / 2; W = 4 l1 l2 / (l1 + l2)^2, p = W^(1/2).
// Next shots: s^2 = 11/3, F(p; 2, 4) = 2 ((1 - p)^(-1/2) - 1), diameter 2 sqrt(2 (4/3) s^2 F).
const std::string kThree = Group("3", "0,0\r\n4,0\r\n1,3\r\n");
const std::string kThreeTable =
    "three.grp: 3 shots at 100 yards, intervals at 95% confidence, circles as diameters\n"
    "                 inches                       MOA                      mil\n"
    "Centre x          1.667                     1.592                    0.463\n"
    "Centre y          1.000                     0.955                    0.278\n"
    "Centre offset     1.944                     1.856                    0.540\n"
    "Extreme spread    4.243                     4.051                    1.179\n"
    "Mean radius       2.197                     2.098                    0.610\n"
    "SD horizontal     2.082                     1.988                    0.578\n"
    "SD vertical       1.732                     1.654                    0.481\n"
    "SD major axis     2.206                     2.107                    0.613\n"
    "SD minor axis     1.570                     1.499                    0.436\n"
    "Sigma             2.037 (1.147 to 5.502)    1.945 (1.096 to 5.254)   0.566 (0.319 to 1.528)\n"
    "50% circle        4.797 (2.702 to 12.957)   4.581 (2.580 to 12.373)  1.333 (0.750 to 3.599)\n"
    "90% circle        8.743 (4.924 to 23.616)   8.349 (4.702 to 22.552)  2.429 (1.368 to 6.560)\n"
    "95% circle        9.973 (5.616 to 26.937)   9.523 (5.363 to 25.723)  2.770 (1.560 to 7.483)\n"
    "Next shots, 50%   5.692                     5.436                    1.581\n"
    "Next shots, 90%  13.005                    12.419                    3.613\n"
    "Next shots, 95%  16.480                    15.737                    4.578\n"
    "Major axis at -28.2 degrees from horizontal; roundness p = 0.945 (elongated below 0.01)\n";
// The move to the aim (0, 0): atan(5/3 / 3600) = 1.5915 MOA, 6.37 quarter clicks; atan(1 / 3600) = 0.9549 MOA, 3.82.
// The centre's uncertainty: sqrt(2 s^2 F(0.95; 2, 4) / 3), F = 2 (0.05^(-1/2) - 1) = 6.944, so 4.120 in.
const std::string kThreeAdvice =
    "Move to the point of aim at x 0.000, y 0.000: 1.667 in left, 1.000 in down (1.592 MOA left, 0.955 MOA down; "
    "0.463 mil left, 0.278 mil down)\n"
    "Clicks: 4 clicks DOWN, 6 clicks LEFT (1/4 MOA clicks)\n"
    "These shots cannot tell the offset from zero: 1.944 in is within the centre's own uncertainty at 95% confidence "
    "(4.120 in).\n";
const std::string kThreeText = kThreeTable + kThreeAdvice;
const std::string kOne = Group("1", "1,1\r\n");
const std::string kNeedTwo = ": Subscript out of range: a group needs at least two shots, and this file declares 1.\n";

// The same ten-shot pattern, one a tenth the size of the other.
std::string Pattern(double scale) {
    const double shots[][2] = {{-2.3, 0.7}, {-1.1, 0.6},  {-0.1, 1.1}, {-1.4, 1.6}, {-0.7, -0.3},
                               {-0.2, 1.6}, {-0.2, -0.5}, {0.8, 1.9},  {-1.0, 0.3}, {-0.3, 0.4}};
    std::string text;
    for (const auto& s : shots) text += std::to_string(s[0] * scale) + "," + std::to_string(s[1] * scale) + "\r\n";
    return Group("10", text);
}

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
    const std::string twoLines = dir.Write("two-lines.grp", "CEP group file\r\ntest rifle\r\n");
    const std::string missing = dir / "missing.grp";
    const std::string inches = "                 inches\n";
    const struct {
        std::vector<std::string> args;
        std::string environment, out, err;
        int status;
    } cases[] = {
        {{"--stats", three}, "", kThreeText, "", 0},
        {{"--stats", "--range", "abc", three},
         "",
         "three.grp: 3 shots at 0 yards, intervals at 95% confidence, circles as diameters\n" + inches +
             "Centre x          1.667\nCentre y          1.000\nCentre offset     1.944\nExtreme spread    4.243\n"
             "Mean radius       2.197\nSD horizontal     2.082\nSD vertical       1.732\nSD major axis     2.206\n"
             "SD minor axis     1.570\nSigma             2.037 (1.147 to 5.502)\n"
             "50% circle        4.797 (2.702 to 12.957)\n90% circle        8.743 (4.924 to 23.616)\n"
             "95% circle        9.973 (5.616 to 26.937)\nNext shots, 50%   5.692\nNext shots, 90%  13.005\n"
             "Next shots, 95%  16.480\n"
             "Major axis at -28.2 degrees from horizontal; roundness p = 0.945 (elongated below 0.01)\n"
             "Move to the point of aim at x 0.000, y 0.000: 1.667 in left, 1.000 in down\n"
             "Clicks: a range in yards is needed to turn the move into 1/4 MOA clicks.\n"
             "These shots cannot tell the offset from zero: 1.944 in is within the centre's own uncertainty at 95% "
             "confidence (4.120 in).\n",
         "",
         0},
        {{"--stats", three, missing, one, twoLines, three},
         "",
         kThreeText + "\n" + kThreeText,
         "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\ncep-report: " + one +
             kNeedTwo + "cep-report: " + twoLines +
             ": Subscript out of range: a group needs at least two shots, and "
             "this file has fewer than three lines, so it declares none.\n",
         1},
        {{"--stats", three},
         "LOCPATH=" TEST_LOCALES " LC_ALL=de_DE.UTF-8",
         Decimals(kThreeTable, ',') +
             "Move to the point of aim at x 0,000, y 0,000: 1,667 in left, 1,000 in down (1,592 MOA left, 0,955 MOA "
             "down; 0,463 mil left, 0,278 mil down)\nClicks: 4 clicks DOWN, 6 clicks LEFT (1/4 MOA clicks)\n"
             "These shots cannot tell the offset from zero: 1,944 in is within the centre's own uncertainty at 95% "
             "confidence (4,120 in).\n",
         "",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.environment);
        if (!c.environment.empty() && !std::filesystem::exists(TEST_LOCALES "/de_DE.UTF-8")) continue;
        const Captured run = RunReport(c.args, c.environment.empty() ? "LC_ALL=C" : c.environment);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.status, c.status);
    }
}

cep::GroupStats CoreStats(const std::string& path) {
    cep::ShotTable shots;
    return cep::ReadGroupStats(path, "100", 0.95, shots).value();
}

// The three-shot group's object as --stats --json writes it: keys in the documented order, every number in
// the shortest form that reads back to the same double.
// Text as a JSON string holds it, without the quotes.
std::string JsonText(const std::string& text) {
    const std::string quoted = Json(text).dump();
    return quoted.substr(1, quoted.size() - 2);
}

std::string ThreeJson(const std::string& name, const std::string& yards, const std::string& angles) {
    const bool range = yards != "0.0";
    const std::string correction =
        ",\"correction\":{\"move_right_in\":-1.6666666666666667,\"move_up_in\":-1.0," +
        std::string(
            range ? "\"move_right_moa\":-1.5915493172108754,\"move_up_moa\":-0.9549296339904252,"
                    "\"move_right_mil\":-0.46296292988662385,\"move_up_mil\":-0.2777777706332879,"
                  : "\"move_right_moa\":null,\"move_up_moa\":null,\"move_right_mil\":null,\"move_up_mil\":null,") +
        "\"click\":{\"value\":0.25,\"unit\":\"moa\"}," +
        (range ? "\"clicks_right\":-6,\"clicks_up\":-4," : "\"clicks_right\":null,\"clicks_up\":null,") +
        "\"uncertainty_in\":4.120059088303109,\"called_for\":false}";
    return "{\"file\":\"" + name + "\",\"shots\":3,\"range_yards\":" + yards +
           ",\"mpi\":{\"x\":1.6666666666666667,\"y\":1.0},\"mpi_offset\":1.9436506316151003,"
           "\"sd_x\":2.0816659994661326,\"sd_y\":1.7320508075688772,\"extreme_spread\":4.242640687119285,"
           "\"mean_radius\":2.196808924560663,\"sigma\":{\"estimate\":2.0371101529944626,\"low\":1.1472526171243524,"
           "\"high\":5.502440119424879},\"level\":0.95,\"circles\":[{\"percent\":50,\"diameter\":4.797027822207425,"
           "\"low\":2.701573459518642,\"high\":12.957256289804196},{\"percent\":90,\"diameter\":8.743138360270422,"
           "\"low\":4.923930279840801,\"high\":23.616099115954576},{\"percent\":95,\"diameter\":9.972659841479816,"
           "\"low\":5.616367915112811,\"high\":26.937160726666438}]," +
           angles +
           ",\"prediction\":[{\"percent\":50,\"diameter\":5.692161744311782},{\"percent\":90,\"diameter\":"
           "13.005312900497154},{\"percent\":95,\"diameter\":16.480236353212437}],\"flyers\":[],\"excluded\":[],"
           "\"shape\":{\"sd_major\":2.2064716385717107,\"sd_minor\":1.5699733250956858,\"angle_degrees\":"
           "-28.15496623701011,\"p_round\":0.9447549859466604,\"elongated\":false,\"ellipses\":[{\"percent\":50,"
           "\"major\":12.481688465038797,\"minor\":8.881110275657212},{\"percent\":90,\"major\":71.70184132198646,"
           "\"minor\":51.01809434932549},{\"percent\":95,\"major\":143.94585351024023,\"minor\":102.42196016419071}]},"
           "\"warnings\":[]" +
           correction + "}";
}

TEST(Stats, JsonDocument) {
    TempDir dir;
    const std::string three = dir.Write("three.grp", kThree);
    // A name as odd as the system allows: a control character and a byte that is not UTF-8.
    const std::string odd = dir.Write(kOddName.file, kThree);
    const std::string missing = dir / "missing.grp";
    const std::string noAngles = "\"moa_per_inch\":null,\"mil_per_inch\":null";

    const Captured run = RunReport({"--stats", "--json", "--range", "0", three, missing, odd});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\n");
    EXPECT_EQ(run.out, "[\n" + ThreeJson("three.grp", "0.0", noAngles) +
                           ",\n{\"file\":\"missing.grp\",\"error\":{\"kind\":\"File not found\",\"message\":\"File "
                           "not found: there is no file at " +
                           JsonText(missing) + ".\"}},\n" + ThreeJson(kOddName.json, "0.0", noAngles) + "\n]\n");
    // On one terminal every failure comes between whole lines of the document.
    const std::string missingJson =
        "{\"file\":\"missing.grp\",\"error\":{\"kind\":\"File not found\",\"message\":\"File "
        "not found: there is no file at " +
        JsonText(missing) + ".\"}}";
    const std::string missingErr =
        "cep-report: " + missing + ": File not found: there is no file at " + missing + ".\n";
    const std::string threeJson =
        ThreeJson("three.grp", "100.0", "\"moa_per_inch\":0.954929658551372,\"mil_per_inch\":0.2777777777777778");
    const auto together = [](const std::vector<std::string>& args) {
        return RunProgram(CEP_REPORT_PATH, args, {"LC_ALL=C"}, {}, {}, true).out;
    };
    EXPECT_EQ(together({"--stats", "--json", missing, three}),
              "[\n" + missingJson + ",\n" + missingErr + threeJson + "\n]\n");
    EXPECT_EQ(together({"--stats", "--json", three, missing}),
              "[\n" + threeJson + ",\n" + missingJson + "\n" + missingErr + "]\n");
    EXPECT_EQ(
        RunReport({"--stats", "--json", three}).out,
        "[\n" +
            ThreeJson("three.grp", "100.0", "\"moa_per_inch\":0.954929658551372,\"mil_per_inch\":0.2777777777777778") +
            "\n]\n");
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
        std::string json = {};  // what --json says of the two: their names, the degrees of freedom, the verdict
    } cases[] = {
        {{tight, wide},
         "A  tight.grp: 10 shots, sigma 0.084 in (0.063 to 0.123)\n" + wideLine +
             "F = 0.01 with 18 and 18 degrees of freedom, p = 4.14e-14\n"
             "At 95% confidence, A (tight.grp) is the tighter group.\n",
         "",
         0,
         "tight.grp wide.grp 18 18 \"a\""},
        {{"--level", "0.999", wide, tight},
         "A  wide.grp: 10 shots, sigma 0.843 in (0.529 to 1.675)\n"
         "B  tight.grp: 10 shots, sigma 0.084 in (0.053 to 0.167)\n"
         "F = 100 with 18 and 18 degrees of freedom, p = 4.14e-14\n"
         "At 99.9% confidence, B (tight.grp) is the tighter group.\n",
         "",
         0,
         "wide.grp tight.grp 18 18 \"b\""},
        {{twin, wide},
         "A  twin.grp: 10 shots, sigma 0.843 in (0.628 to 1.230)\n" + wideLine +
             "F = 1 with 18 and 18 degrees of freedom, p = 1\n"
             "At 95% confidence, these groups cannot tell the loads apart.\n",
         "",
         0,
         "twin.grp wide.grp 18 18 null"},
        {{one, wide}, "", "cep-report: " + one + kNeedTwo, 1},
        {{wide, point},
         "",
         "cep-report: " + wide + ", " + point +
             ": Overflow: the shots of the second group sit on "
             "one point, so the ratio of the spreads has no finite value.\n",
         1},
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
        std::vector<std::string> keys;
        for (const auto& item : doc.items()) keys.push_back(item.key());
        EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "f", "df1", "df2", "p", "level", "tighter"}));
        EXPECT_EQ(doc["a"]["file"].get<std::string>() + " " + doc["b"]["file"].get<std::string>() + " " +
                      doc["df1"].dump() + " " + doc["df2"].dump() + " " + doc["tighter"].dump(),
                  c.json);
    }
}

struct SvgCircle {
    double cx, cy, r;
};

// Parses the whole document, failing on anything that is not well-formed
// XML; returns the circles by class, the picture's size in user units, the
// title, and the classes of the paths.
struct Svg {
    std::map<std::string, std::vector<SvgCircle>> circles;
    std::vector<std::string> paths;
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
            // The size in inches, the drawing in CSS pixels, 96 to the inch.
            const QStringList box = xml.attributes().value("viewBox").toString().split(' ');
            EXPECT_EQ(box.size(), 4);
            svg.width = box.value(2).toDouble();
            svg.height = box.value(3).toDouble();
            EXPECT_EQ(xml.attributes().value("width").toString(), QString::number(svg.width / 96) + "in");
            EXPECT_EQ(xml.attributes().value("height").toString(), QString::number(svg.height / 96) + "in");
            // Letter and A4 both hold it with half an inch to spare.
            EXPECT_LE(svg.width, 7.27 * 96);
            EXPECT_LE(svg.height, 10.0 * 96);
        } else if (xml.name() == u"title") {
            svg.title = xml.readElementText().toStdString();
        } else if (xml.name() == u"circle") {
            svg.circles[xml.attributes().value("class").toString().toStdString()].push_back(
                {attribute("cx"), attribute("cy"), attribute("r")});
        } else if (xml.name() == u"path") {
            svg.paths.push_back(xml.attributes().value("class").toString().toStdString());
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
        double scale;  // paper inches per target inch
        bool aimShown;
    } groups[] = {
        {"three.grp", {{0, 0}, {4, 0}, {1, 3}}, 0.25, true},
        // markup, and where allowed a control and a byte that is not UTF-8
        {kMarkupName.file, {{-0.25, 0.5}, {0.5, -0.75}}, 0.5, true},  // two shots: a wide next-shots circle
        {"same.grp", {{1.5, -1}, {1.5, -1}, {1.5, -1}}, 1, true},     // circles of no size
        // far from the point of aim: an arrow points to it, the group drawn large
        {"far.grp", {{60, 41}, {61.5, 40}, {61, 41.25}, {60.5, 40.5}}, 1, false},
        {"wide.grp", {{-40, 0}, {40, 0}, {0, 30}, {0, -30}, {5, 5}}, 1.0 / 64, true},
    };
    std::vector<std::string> args = {"--stats", "--svg", dir / "pictures/new"};
    for (const auto& g : groups) {
        std::string text;
        for (const auto& [x, y] : g.shots) text += std::to_string(x) + "," + std::to_string(y) + "\r\n";
        args.push_back(dir.Write(g.name, Group(std::to_string(g.shots.size()), text)));
    }
    const Captured run = RunReport(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Entries(dir / "pictures/new"), 5);  // nothing left over

    const std::string shownNames[] = {"three.grp", kMarkupName.shown, "same.grp", "far.grp", "wide.grp"};
    for (std::size_t g = 0; g < std::size(groups); ++g) {
        SCOPED_TRACE(shownNames[g]);
        Svg svg = ParseSvg(ReadAll(dir / ("pictures/new/" + groups[g].name + ".svg")));
        const cep::GroupStats stats = CoreStats(dir / groups[g].name);
        const std::string scale = groups[g].scale == 1 ? "" : ", scale 1:" + std::to_string(int(1 / groups[g].scale));
        EXPECT_EQ(svg.title, shownNames[g] + ": " + std::to_string(stats.shots) + " shots at 100 yards" + scale);
        EXPECT_EQ(svg.circles["aim"].size(), groups[g].aimShown ? 1u : 0u);
        EXPECT_EQ(std::count(svg.paths.begin(), svg.paths.end(), "arrow"), groups[g].aimShown ? 0 : 1);
        ASSERT_EQ(svg.circles["shot"].size(), groups[g].shots.size());
        // One scale for x and y, y flipped, the given scale on paper: from the first shot, checked on every mark.
        const SvgCircle first = svg.circles["shot"][0];
        const double unitsPerInch = 96 * groups[g].scale;
        const auto expectAt = [&](const SvgCircle& c, double x, double y) {
            EXPECT_NEAR(c.cx, first.cx + unitsPerInch * (x - groups[g].shots[0].first), 0.011);
            EXPECT_NEAR(c.cy, first.cy - unitsPerInch * (y - groups[g].shots[0].second), 0.011);
        };
        for (std::size_t i = 0; i < groups[g].shots.size(); ++i) {
            expectAt(svg.circles["shot"][i], groups[g].shots[i].first, groups[g].shots[i].second);
        }
        if (groups[g].aimShown) expectAt(svg.circles["aim"][0], 0, 0);
        ASSERT_EQ(svg.circles["mpi"].size(), 1u);
        expectAt(svg.circles["mpi"][0], stats.centre.x, stats.centre.y);
        for (const cep::HitCircle& hit : stats.circles) {
            const auto& circles = svg.circles["circle" + std::to_string(hit.percent)];
            ASSERT_EQ(circles.size(), 1u);
            expectAt(circles[0], stats.centre.x, stats.centre.y);
            EXPECT_NEAR(circles[0].r, unitsPerInch * hit.diameter.value / 2, 0.011);
        }
        ASSERT_EQ(svg.circles["next95"].size(), 1u);
        EXPECT_NEAR(svg.circles["next95"][0].r, unitsPerInch * stats.prediction.back().diameter / 2, 0.011);
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
                           cep::os::kSeparator + "three.grp.svg (Is a directory).\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Entries(dir / "out"), 2);  // no temporary file left

    const Captured blocked = RunReport({"--stats", "--json", "--svg", notFolder + "/sub", three});
    EXPECT_EQ(blocked.err, "cep-report: " + three + ": File access failure: could not create the folder " + notFolder +
                               "/sub (Not a directory).\n");
    EXPECT_EQ(blocked.status, 1);
}

// Five shots within a third of an inch and a sixth far out, which also
// stretches the group: centre of the others (-0.02, 0.06), 4.019 from shot 6.
const std::string kFlyer = Group("6", "0.1,0.2\r\n-0.3,0.1\r\n0.2,-0.2\r\n0.0,0.3\r\n-0.1,-0.1\r\n3.5,2.0\r\n");

TEST(Stats, FlyersShapeAndShotsLeftOut) {
    TempDir dir;
    const std::string flyer = dir.Write("flyer.grp", kFlyer);
    const std::string three = dir.Write("three.grp", kThree);
    const std::string flyerNotes =
        "Major axis at 28.8 degrees from horizontal; roundness p = 0.00312 (elongated below 0.01)\n"
        "Flyer: shot 6 is 4.019 in from the others' centre; they predict at most 1.231 in. It is in the figures.\n"
        "Elongated group: the circle figures assume a round group.\n"
        "Next shots, ellipses along 28.8 degrees (length x width):\n"
        "  50%   5.125 x 0.614 in  ( 4.894 x 0.587 MOA)\n"
        "  90%  11.709 x 1.403 in  (11.181 x 1.340 MOA)\n"
        "  95%  14.837 x 1.778 in  (14.169 x 1.698 MOA)\n"
        // Centre (0.567, 0.383): 0.541 MOA is 2.16 quarter clicks, 0.366 MOA 1.46.
        "Move to the point of aim at x 0.000, y 0.000: 0.567 in left, 0.383 in down (0.541 MOA left, 0.366 MOA down; "
        "0.157 mil left, 0.106 mil down)\n"
        "Clicks: 1 click DOWN, 2 clicks LEFT (1/4 MOA clicks)\n"
        "These shots cannot tell the offset from zero: 0.684 in is within the centre's own uncertainty at 95% "
        "confidence (1.373 in).\n";
    const Captured all = RunReport({"--stats", flyer});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out.substr(all.out.size() - std::min(all.out.size(), flyerNotes.size())), flyerNotes);

    const Captured left = RunReport({"--stats", "--exclude", "6,2", flyer});
    EXPECT_EQ(left.out.substr(0, left.out.find('\n')),
              "flyer.grp: 4 shots at 100 yards, intervals at 95% confidence, circles as diameters");
    EXPECT_NE(left.out.find("\nLeft out on request: shots 2 and 6; the figures are of the other 4.\nMove to "),
              std::string::npos);
    const Json json = Json::parse(RunReport({"--stats", "--json", "--exclude=6", flyer}).out)[0];
    EXPECT_EQ(json["excluded"], Json::parse("[6]"));
    EXPECT_EQ(json["shots"], 5);
    EXPECT_EQ(json["flyers"], Json::array());
    const Json withFlyer = Json::parse(RunReport({"--stats", "--json", flyer}).out)[0];
    ASSERT_EQ(withFlyer["flyers"].size(), 1u);
    EXPECT_EQ(withFlyer["flyers"][0]["shot"], 6);
    EXPECT_NEAR(withFlyer["flyers"][0]["distance"].get<double>(), std::hypot(3.52, 1.94), 1e-12);
    EXPECT_EQ(withFlyer["shape"]["elongated"], true);
    std::vector<std::string> keys;
    for (const auto& item : withFlyer.items()) keys.push_back(item.key());
    EXPECT_EQ(std::vector<std::string>(keys.end() - 6, keys.end()),
              (std::vector<std::string>{"prediction", "flyers", "excluded", "shape", "warnings", "correction"}));

    // A shot number past the file's shots fails that file alone.
    const Captured past = RunReport({"--stats", "--exclude", "4", three, flyer});
    EXPECT_EQ(past.status, 1);
    EXPECT_EQ(past.err, "cep-report: " + three +
                            ": Subscript out of range: shot 4 cannot be left out: the file holds 3 shots.\n");

    const Captured compare = RunReport({"--compare", flyer, three});
    EXPECT_EQ(compare.out.substr(compare.out.find("At 95%")),
              "At 95% confidence, these groups cannot tell the loads apart.\n"
              "A (flyer.grp) is elongated; this comparison assumes round groups.\n"
              "A (flyer.grp) has a flyer, shot 6, which makes its sigma larger.\n");
}

TEST(Stats, DataWarningsAndStrict) {
    TempDir dir;
    const std::string bad = dir.Write("bad.grp", Group("3", "1,1\r\n2,abc\r\n3,2\r\n4,4\r\n"));
    const std::string three = dir.Write("three.grp", kThree);
    const std::string warnings = "cep-report: " + bad +
                                 ": line 5: shot 2: y \"abc\" is not a number; read as 0\n"
                                 "cep-report: " +
                                 bad +
                                 ": line 7: 1 more shot after the 3 that line 3 declares; "
                                 "they are left out of the figures\n";
    const std::string warningsJson =
        "\"warnings\":[{\"line\":5,\"text\":\"shot 2: y \\\"abc\\\" is not a number; read as 0\"},{\"line\":7,"
        "\"text\":\"1 more shot after the 3 that line 3 declares; they are left out of the figures\"}]";
    // The figures are those of the file as read: (2, 0) for shot 2.
    const Captured plain = RunReport({"--stats", bad});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, warnings);
    EXPECT_EQ(plain.out.substr(0, plain.out.find("Centre offset")),
              "bad.grp: 3 shots at 100 yards, intervals at 95% confidence, circles as diameters\n"
              "                 inches                      MOA                      mil\n"
              "Centre x          2.000                    1.910                    0.556\n"
              "Centre y          1.000                    0.955                    0.278\n");
    const Captured json = RunReport({"--stats", "--json", bad});
    EXPECT_NE(json.out.find(warningsJson + ",\"correction\":{"), std::string::npos) << json.out;

    const Captured strict = RunReport({"--stats", "--strict", "--json", bad, three});
    EXPECT_EQ(strict.status, 1);
    const std::string refused = "File access failure: its data is not clean (2 warnings), and --strict refuses it.";
    EXPECT_EQ(strict.err, warnings + "cep-report: " + bad + ": " + refused + "\n");
    EXPECT_EQ(strict.out.substr(0, strict.out.find('\n', 2) + 1),
              "[\n{\"file\":\"bad.grp\",\"error\":{\"kind\":\"File access failure\",\"message\":\"" + refused + "\"}," +
                  warningsJson + "},\n");
    const Captured compare = RunReport({"--compare", "--strict", three, bad});
    EXPECT_EQ(compare.status, 1);
    EXPECT_EQ(compare.out, "");
    EXPECT_EQ(compare.err, warnings + "cep-report: " + bad + ": " + refused + "\n");
}

TEST(Stats, HeadingLevelAndRange) {
    TempDir dir;
    const std::string three = dir.Write("three.grp", kThree);
    const auto heading = [&](const std::vector<std::string>& args, const std::string& environment) {
        const std::string out = RunReport(args, environment).out;
        return out.substr(0, out.find('\n'));
    };
    EXPECT_EQ(heading({"--stats", "--level", "0.005", three}, "LC_ALL=C"),
              "three.grp: 3 shots at 100 yards, intervals at 0.5% confidence, circles as diameters");
    EXPECT_EQ(heading({"--stats", "--level", "0.99", "--range", "1e3", three}, "LC_ALL=C"),
              "three.grp: 3 shots at 1000 yards, intervals at 99% confidence, circles as diameters");
    if (std::filesystem::exists(TEST_LOCALES "/de_DE.UTF-8")) {
        EXPECT_EQ(heading({"--stats", "--range", "100.5", "--level", "0.925", three},
                          "LOCPATH=" TEST_LOCALES " LC_ALL=de_DE.UTF-8"),
                  "three.grp: 3 shots at 100,5 yards, intervals at 92,5% confidence, circles as diameters");
    }
}

// What the picture says in words: the legend with the MOA of each diameter,
// the scale, and a second picture for a second file of the same name.
TEST(Stats, SvgLegendScaleAndNames) {
    TempDir dir;
    const std::string three = dir.Write("three.grp", kThree);
    std::filesystem::create_directories(dir / "d2");
    const std::string again = dir.Write("d2/three.grp", kFlyer);
    const Captured run = RunReport({"--stats", "--range", "200", "--svg", dir / "out", three, again, three});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Entries(dir / "out"), 3);
    const std::string first = ReadAll(dir / "out/three.grp.svg");
    const std::string second = ReadAll(dir / "out/three.grp-2.svg");
    EXPECT_EQ(first, ReadAll(dir / "out/three.grp-3.svg"));
    // At 200 yards one inch is 0.477 MOA: 4.797 in is 2.290 MOA.
    for (const char* line : {">50% circle, diameter 4.797 in, 2.290 MOA (2.702 to 12.957 in at 95%)</text>",
                             ">next shots, 95% circle, diameter 16.480 in, 7.869 MOA</text>",
                             ">Printed at 100%, one inch on paper is 4 inches of target; grid 2 in</text>",
                             ">three.grp: 3 shots at 200 yards, scale 1:4</text>"}) {
        EXPECT_NE(first.find(line), std::string::npos) << line;
    }
    for (const char* line :
         {">three.grp: 6 shots at 200 yards, scale 1:4</text>", "<circle class=\"flyer\"", ">6</text>",
          ">flyer: shot 6, 4.019 in from the others' centre; they predict at most 1.231 in</text>",
          ">elongated: next shots, 50/90/95% ellipses; 95% 14.837 x 1.778 in</text>"}) {
        EXPECT_NE(second.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(std::count(second.begin(), second.end(), '\n') - std::count(first.begin(), first.end(), '\n') > 0, true);
    EXPECT_EQ(ParseSvg(second).circles["flyer"].size(), 1u);
    // --compare draws both groups.
    const Captured compare = RunReport({"--compare", "--range", "200", "--svg", dir / "pair", three, again});
    ASSERT_EQ(compare.status, 0) << compare.err;
    EXPECT_EQ(ReadAll(dir / "pair/three.grp-2.svg"), second);
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
            std::string expected(
                buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals).ptr);
            if (expected.find_first_of("123456789") == std::string::npos && expected[0] == '-') expected.erase(0, 1);
            ASSERT_EQ(cep::writers::FixedFigure(v, decimals, "."), expected) << v << " to " << decimals;
        }
    }
}

}  // namespace

// SPDX-License-Identifier: MIT
// cep-scan as a user runs it: the group file it prints or writes, read back
// by cep-report and by the calculator's reader; its JSON; and every failure,
// with its exact line, its exit status, nothing on stdout and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <QImage>
#include <nlohmann/json.hpp>

#include "core/group_file.h"
#include "scan/text.h"
#include "tests/scan/scoring.h"
#include "tests/scan/synthetic_target.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace cep;
using testing_support::Captured;
using testing_support::ReadAll;
using testing_support::TempDir;

Captured Scan(const std::vector<std::string>& args) {
    return testing_support::RunProgram(CEP_SCAN_PATH, args, {"LC_ALL=C"});
}

// A 150 dpi scan of five holes, saved as PNG (stating its resolution or not).
struct Picture {
    testing_support::TargetPlan plan;
    testing_support::RenderedTarget target;
    std::string path;
    std::string aim;  // "PX,PY"
};

Picture MakePicture(const TempDir& dir, const std::string& name, bool statesDpi = true) {
    Picture p;
    p.plan.width = p.plan.height = 4;
    p.plan.holes = {{0.1, 0.9}, {0.8, 0.2}, {0.3, -0.7}, {-0.6, -0.5}, {-0.9, 0.4}};
    p.target = testing_support::RenderTarget(p.plan);
    QImage image(p.target.grey.data, p.target.grey.cols, p.target.grey.rows, static_cast<qsizetype>(p.target.grey.step),
                 QImage::Format_Grayscale8);
    QImage copy = image.copy();
    if (statesDpi) {
        copy.setDotsPerMeterX(5906);  // 150 dpi
        copy.setDotsPerMeterY(5906);
    }
    p.path = dir / name;
    EXPECT_TRUE(copy.save(QString::fromStdString(p.path), "PNG"));
    const auto aim = p.target.PixelOf({0, 0});
    p.aim = scan::Decimals(aim.x, 1) + "," + scan::Decimals(aim.y, 1);
    return p;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Listing(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The group file on stdout: the designed heading, the count, one "x,y" line
// a shot with four decimals, clockwise from 12 o'clock.
TEST(CepScan, PrintsTheGroupFile) {
    TempDir dir;
    const Picture p = MakePicture(dir, "target.png");
    const Captured run = Scan({p.path, "--caliber", ".308", "--aim-pixel", p.aim});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Group file - cep-scan: target.png\r");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("caliber 0\\.308 in, [0-9]{4}-[0-9]{2}-[0-9]{2}\r"))) << lines[1];
    EXPECT_EQ(lines[2], "5\r");
    // The holes in the order drawn up above are already clockwise from 12.
    for (std::size_t i = 0; i < 5; ++i) {
        const std::regex shot("(-?[0-9]+\\.[0-9]{4}),(-?[0-9]+\\.[0-9]{4})\r");
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[3 + i], m, shot)) << lines[3 + i];
        EXPECT_NEAR(std::stod(m[1]), p.plan.holes[i].x, 0.02) << i;
        EXPECT_NEAR(std::stod(m[2]), p.plan.holes[i].y, 0.02) << i;
    }
}

// -o writes the same file; cep-report and the calculator's reader take it
// with the shots found, and a second run never writes over it.
TEST(CepScan, WritesANewFileThatCepReportReads) {
    TempDir dir;
    const Picture p = MakePicture(dir, "target.png");
    const std::string group = dir / "found.grp";
    const Captured printed = Scan({p.path, "--caliber", "7.62mm", "--aim-pixel", p.aim});
    const Captured run = Scan({p.path, "--caliber", "7.62mm", "--aim-pixel", p.aim, "-o", group});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const std::string written = ReadAll(group);
    EXPECT_EQ(written, printed.out);
    ShotTable shots;
    const auto read = ReadGroupFile(group, shots);
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read.value(), 5);
    const auto lines = Lines(written);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(scan::Decimals(shots[i].x, 4) + "," + scan::Decimals(shots[i].y, 4) + "\r", lines[3 + i]);
    }
    const Captured report = testing_support::RunProgram(CEP_REPORT_PATH, {"--stats", group}, {"LC_ALL=C"});
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(report.out.rfind("found.grp: 5 shots at 100 yards", 0), 0u) << report.out;

    const Captured again = Scan({p.path, "--caliber", ".308", "--aim-pixel", p.aim, "-o", group});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(again.err,
              "cep-scan: File access failure: " + group + " already exists; cep-scan writes only new files.\n");
    EXPECT_EQ(ReadAll(group), written);
}

// --json: the shots with their pixels and tiers, the scale, the calibration's
// residuals and the warnings; with points, each point's residual.
TEST(CepScan, Json) {
    TempDir dir;
    const Picture p = MakePicture(dir, "target.png");
    std::string points;
    for (const auto& [x, y] : {std::pair{-1.5, 1.5}, {1.5, 1.5}, {1.5, -1.5}, {-1.5, -1.5}, {0.0, 1.0}}) {
        const auto px = p.target.PixelOf({x, y});
        points += scan::Decimals(px.x, 2) + "," + scan::Decimals(px.y, 2) + "=" + scan::Decimals(x, 1) + "," +
                  scan::Decimals(y, 1) + ";";
    }
    for (const bool byPoints : {false, true}) {
        std::vector<std::string> args = {p.path, "--caliber", "0.308in", "--json", "--shots", "5"};
        if (byPoints) {
            args.insert(args.end(), {"--points", points});
        } else {
            args.insert(args.end(), {"--dpi", "150", "--aim-pixel", p.aim});
        }
        const Captured run = Scan(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const auto doc = nlohmann::json::parse(run.out);
        EXPECT_EQ(doc["picture"], "target.png");
        EXPECT_EQ(doc["caliber_in"], 0.308);
        EXPECT_NEAR(doc["dpi"].get<double>(), 150.0, byPoints ? 0.5 : 0.0);
        ASSERT_EQ(doc["shots"].size(), 5u);
        std::vector<scan::FoundShot> found;
        for (const auto& s : doc["shots"]) {
            EXPECT_EQ(s["tier"], "single");
            found.push_back({{s["x"].get<double>(), s["y"].get<double>()}, {}, scan::ShotTier::Single});
            const auto px = p.target.PixelOf(found.back().at);
            EXPECT_NEAR(s["px"].get<double>(), px.x, 0.5);
            EXPECT_NEAR(s["py"].get<double>(), px.y, 0.5);
        }
        EXPECT_EQ(testing_support::ScoreShots(p.plan.holes, found, 0.02).matched, 5);
        EXPECT_EQ(doc["calibration"]["points"].size(), byPoints ? 5u : 0u);
        EXPECT_LT(doc["calibration"]["residual_in"].get<double>(), byPoints ? 0.001 : 1e-12);
        if (byPoints) { EXPECT_EQ(doc["calibration"]["points"][4]["y"], 1.0); }
        EXPECT_EQ(doc["warnings"], nlohmann::json::array());
    }
}

TEST(CepScan, ThePicturesOwnResolution) {
    TempDir dir;
    const Picture stated = MakePicture(dir, "stated.png");
    const Captured run = Scan({stated.path, "--caliber", ".308", "--aim-pixel", stated.aim, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["dpi"], 150.0);
    const Picture bare = MakePicture(dir, "bare.png", false);
    const Captured none = Scan({bare.path, "--caliber", ".308", "--aim-pixel", bare.aim});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "cep-scan: Calibration failure: " + bare.path + " states no resolution; give it with --dpi.\n");
}

// Warnings go to stderr and leave the group file as it is.
TEST(CepScan, WarningsOnStderr) {
    TempDir dir;
    const Picture p = MakePicture(dir, "target.png");
    const Captured run = Scan({p.path, "--caliber", ".308", "--aim-pixel", p.aim, "--shots", "6"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out).size(), 8u);
    EXPECT_EQ(run.err,
              "cep-scan: warning: found 5 of the 6 shots given; shots through one hole cannot be told apart.\n");
}

struct BadRun {
    const char* name;
    std::vector<std::string> args;  // "PIC" stands for a good picture, "DIR" for the folder
    int status;
    std::string err;
};

class CepScanFailure : public ::testing::TestWithParam<BadRun> {};

// One line on stderr, nothing on stdout, nothing written.
TEST_P(CepScanFailure, OneLineNothingWritten) {
    TempDir dir;
    const Picture p = MakePicture(dir, "target.png");
    dir.Write("notes.png", "not a picture at all\n");
    dir.Write("taken.grp", "kept\r\n");
    std::filesystem::create_directory(dir.path() / "folder.png");
    const auto before = Listing(dir);
    std::vector<std::string> args;
    const auto expand = [&](std::string text) {
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"DIR/", dir / ""}, {"PIC", p.path}, {"AIM", p.aim}}) {
            for (std::size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
        }
        return text;
    };
    for (const std::string& a : GetParam().args) args.push_back(expand(a));
    const Captured run = Scan(args);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, expand(GetParam().err));
    EXPECT_EQ(Listing(dir), before);
    EXPECT_EQ(ReadAll(dir / "taken.grp"), "kept\r\n");
}

const std::string kHow = " (cep-scan --help shows how)\n";
const std::string kSquarePoints = "10,10=-1,1;310,10=1,1;310,310=1,-1;10,310=-1,-1";

INSTANTIATE_TEST_SUITE_P(
    Scan, CepScanFailure,
    ::testing::Values(
        BadRun{"no_arguments", {}, 2, "cep-scan: no picture given" + kHow},
        BadRun{"no_calibre",
               {"PIC", "--aim-pixel", "AIM"},
               2,
               "cep-scan: --caliber is needed (such as --caliber 0.308in or 7.62mm)" + kHow},
        BadRun{
            "no_calibration",
            {"PIC", "--caliber", ".308"},
            2,
            "cep-scan: calibrate by --aim-pixel PX,PY (with --dpi unless the picture states it) or by --points" + kHow},
        BadRun{"both_calibrations",
               {"PIC", "--caliber", ".308", "--dpi", "150", "--points", kSquarePoints},
               2,
               "cep-scan: calibrate by --dpi and --aim-pixel or by --points, not both" + kHow},
        BadRun{"unknown_option", {"PIC", "--calibre", ".308"}, 2, "cep-scan: unknown option --calibre" + kHow},
        BadRun{"two_pictures",
               {"PIC", "PIC", "--caliber", ".308"},
               2,
               "cep-scan: one picture at a time; \"PIC\" is a second" + kHow},
        BadRun{"value_missing", {"PIC", "--caliber"}, 2, "cep-scan: --caliber needs a value" + kHow},
        BadRun{"calibre_text",
               {"PIC", "--caliber", "thirty", "--aim-pixel", "AIM"},
               2,
               "cep-scan: --caliber: the calibre \"thirty\" is not a number of inches or millimetres (such as "
               "0.308in, .308 or 7.62mm)." +
                   kHow},
        BadRun{"calibre_size",
               {"PIC", "--caliber=7.62", "--aim-pixel", "AIM"},
               2,
               "cep-scan: --caliber: the calibre \"7.62\" is outside 0.10 to 1.00 in (for millimetres, write mm: "
               "7.62mm)." +
                   kHow},
        BadRun{"dpi_text",
               {"PIC", "--caliber", ".308", "--dpi", "150dpi", "--aim-pixel", "AIM"},
               2,
               "cep-scan: --dpi: \"150dpi\" is not a number" + kHow},
        BadRun{"aim_text",
               {"PIC", "--caliber", ".308", "--aim-pixel", "300"},
               2,
               "cep-scan: --aim-pixel: \"300\" is not PX,PY" + kHow},
        BadRun{"points_text",
               {"PIC", "--caliber", ".308", "--points", "1,2=3;4,5=6,7"},
               2,
               "cep-scan: --points: \"1,2=3\" is not PX,PY=X,Y (pixels, then inches from the aim)" + kHow},
        BadRun{"shots_text",
               {"PIC", "--caliber", ".308", "--aim-pixel", "AIM", "--shots", "2.5"},
               2,
               "cep-scan: --shots: \"2.5\" is not a whole number from 1 to 1000" + kHow},
        BadRun{"shots_none",
               {"PIC", "--caliber", ".308", "--aim-pixel", "AIM", "--shots", "0"},
               2,
               "cep-scan: --shots: \"0\" is not a whole number from 1 to 1000" + kHow},
        BadRun{"empty_output",
               {"PIC", "--caliber", ".308", "--aim-pixel", "AIM", "-o", ""},
               2,
               "cep-scan: -o needs a file name" + kHow},
        BadRun{"dpi_nought",
               {"PIC", "--caliber", ".308", "--dpi", "0", "--aim-pixel", "AIM", "-o", "DIR/new.grp"},
               1,
               "cep-scan: Calibration failure: the resolution must be more than 0 dots per inch, not 0.\n"},
        BadRun{"three_points",
               {"PIC", "--caliber", ".308", "--points", "10,10=-1,1;310,10=1,1;310,310=1,-1", "-o", "DIR/new.grp"},
               1,
               "cep-scan: Calibration failure: 3 points given; a perspective needs at least 4.\n"},
        BadRun{"points_on_a_line",
               {"PIC", "--caliber", ".308", "--points", "10,10=-1,1;20,20=1,1;30,30=1,-1;40,40=-1,-1;50,50=0,0"},
               1,
               "cep-scan: Calibration failure: the points lie on one line in the picture; a perspective needs them "
               "spread over the target.\n"},
        BadRun{"missing_picture",
               {"DIR/none.png", "--caliber", ".308", "--aim-pixel", "AIM"},
               1,
               "cep-scan: File not found: there is no file at DIR/none.png.\n"},
        BadRun{"folder",
               {"DIR/folder.png", "--caliber", ".308", "--aim-pixel", "AIM"},
               1,
               "cep-scan: File access failure: DIR/folder.png is a folder, not a picture.\n"},
        BadRun{"not_a_picture",
               {"DIR/notes.png", "--caliber", ".308", "--aim-pixel", "AIM", "-o", "DIR/new.grp"},
               1,
               "cep-scan: Picture failure: DIR/notes.png is not a picture that can be read (Unsupported "
               "image format).\n"},
        BadRun{"output_exists",
               {"PIC", "--caliber", ".308", "--aim-pixel", "AIM", "-o", "DIR/taken.grp"},
               1,
               "cep-scan: File access failure: DIR/taken.grp already exists; cep-scan writes only new files.\n"},
        BadRun{"output_folder_missing",
               {"PIC", "--caliber", ".308", "--aim-pixel", "AIM", "-o", "DIR/no/new.grp"},
               1,
               "cep-scan: File access failure: could not write DIR/no/new.grp (No such file or directory).\n"},
        BadRun{"too_coarse",
               {"PIC", "--caliber", ".308", "--dpi", "20", "--aim-pixel", "AIM", "-o", "DIR/new.grp"},
               1,
               "cep-scan: Picture failure: a 0.308 in hole spans only 6.2 pixels here; scan or photograph at 26 "
               "pixels per inch or more.\n"},
        BadRun{"aim_with_points",
               {"PIC", "--caliber", ".308", "--aim-pixel", "-300,-300", "--points", kSquarePoints},
               2,
               "cep-scan: calibrate by --dpi and --aim-pixel or by --points, not both" + kHow}),
    [](const auto& info) { return std::string(info.param.name); });

// A sheet with no holes is a failure, not an empty group file.
TEST(CepScan, NoHolesWritesNothing) {
    TempDir dir;
    testing_support::TargetPlan plan;
    plan.width = plan.height = 3;
    const auto target = testing_support::RenderTarget(plan);
    QImage image(target.grey.data, target.grey.cols, target.grey.rows, static_cast<qsizetype>(target.grey.step),
                 QImage::Format_Grayscale8);
    const std::string path = dir / "clean.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
    const std::string group = dir / "clean.grp";
    const Captured run = Scan({path, "--caliber", ".308", "--dpi", "150", "--aim-pixel", "225,225", "-o", group});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "cep-scan: Picture failure: no holes found in " + path + "; nothing written.\n");
    EXPECT_FALSE(std::filesystem::exists(group));
    const Captured json = Scan({path, "--caliber", ".308", "--dpi", "150", "--aim-pixel", "225,225", "--json"});
    EXPECT_EQ(json.status, 0);
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["shots"], nlohmann::json::array());
    EXPECT_EQ(doc["warnings"], nlohmann::json::array({"no holes found."}));
}

}  // namespace

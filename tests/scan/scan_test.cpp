// SPDX-License-Identifier: MIT
// The scan library: calibration on exact points, its failures, the calibre's
// forms, the group file's text, the shot order, and the hole finding on
// synthetic targets against the accuracy promised.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "scan/calibration.h"
#include "scan/calibre.h"
#include "scan/crossing.h"
#include "scan/detect.h"
#include "scan/group_text.h"
#include "scan/text.h"
#include "tests/scan/scoring.h"
#include "tests/scan/synthetic_target.h"

namespace {

using namespace cep;
using namespace cep::scan;
using testing_support::SheetKind;
using testing_support::TargetPlan;

// A perspective from inches to pixels, as a row-major matrix.
PixelPoint Project(const std::array<double, 9>& h, TargetPoint t) {
    const double w = h[6] * t.x + h[7] * t.y + h[8];
    return {(h[0] * t.x + h[1] * t.y + h[2]) / w, (h[3] * t.x + h[4] * t.y + h[5]) / w};
}

struct CalibrationCase {
    const char* name;
    std::array<double, 9> inchesToPixels;
    std::vector<TargetPoint> places;
};

class ExactCalibration : public ::testing::TestWithParam<CalibrationCase> {};

// Exact points give back the mapping everywhere, not only at the points, and
// residuals of nothing.
TEST_P(ExactCalibration, MapsEveryPointBothWays) {
    const CalibrationCase& c = GetParam();
    std::vector<PointPair> pairs;
    for (const TargetPoint& t : c.places) pairs.push_back({Project(c.inchesToPixels, t), t});
    const auto calibration = CalibrateByPoints(pairs);
    ASSERT_TRUE(calibration.ok()) << calibration.failure().message;
    EXPECT_LT(calibration.value().largestResidual, 1e-9);
    ASSERT_EQ(calibration.value().residuals.size(), pairs.size());
    EXPECT_TRUE(CalibrationWarnings(calibration.value()).empty());
    for (const TargetPoint t : {TargetPoint{0, 0}, TargetPoint{-3.5, 1.25}, TargetPoint{2.75, -4}}) {
        const PixelPoint p = Project(c.inchesToPixels, t);
        const TargetPoint back = ToTarget(calibration.value(), p);
        EXPECT_NEAR(back.x, t.x, 1e-9);
        EXPECT_NEAR(back.y, t.y, 1e-9);
        const PixelPoint again = ToPixel(calibration.value(), t);
        EXPECT_NEAR(again.x, p.x, 1e-6);
        EXPECT_NEAR(again.y, p.y, 1e-6);
    }
    // The scale at the points' centre: the square root of the pixels an inch square covers there.
    TargetPoint centre;
    for (const TargetPoint& t : c.places) {
        centre.x += t.x / static_cast<double>(c.places.size());
        centre.y += t.y / static_cast<double>(c.places.size());
    }
    const PixelPoint o = Project(c.inchesToPixels, centre);
    const PixelPoint dx = Project(c.inchesToPixels, {centre.x + 1e-4, centre.y});
    const PixelPoint dy = Project(c.inchesToPixels, {centre.x, centre.y + 1e-4});
    const double area = std::abs((dx.x - o.x) * (dy.y - o.y) - (dx.y - o.y) * (dy.x - o.x)) / 1e-8;
    EXPECT_NEAR(calibration.value().pixelsPerInch, std::sqrt(area), 1e-3 * std::sqrt(area));
}

const std::vector<TargetPoint> kSquare = {{-2, 2}, {2, 2}, {2, -2}, {-2, -2}};
const std::vector<TargetPoint> kGrid = {{-2, 2}, {0, 2}, {2, 2}, {-2, 0}, {2, 0}, {-2, -2}, {0, -2}, {2, -1}, {1, 1}};

INSTANTIATE_TEST_SUITE_P(
    Scan, ExactCalibration,
    ::testing::Values(CalibrationCase{"square_scan", {300, 0, 1275, 0, -300, 1650, 0, 0, 1}, kSquare},
                      CalibrationCase{"turned", {140, 30, 900, 28, -142, 1100, 0, 0, 1}, kSquare},
                      CalibrationCase{"slanted_four", {150, 12, 1000, -9, -160, 1200, 0.004, -0.03, 1}, kSquare},
                      CalibrationCase{"slanted_nine", {150, 12, 1000, -9, -160, 1200, 0.004, -0.03, 1}, kGrid}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Calibration, ByDpiPutsTheAimAtNoughtAndYUp) {
    const auto c = CalibrateByDpi(150, {300, 400});
    ASSERT_TRUE(c.ok());
    const TargetPoint t = ToTarget(c.value(), {450, 100});
    EXPECT_DOUBLE_EQ(t.x, 1.0);
    EXPECT_DOUBLE_EQ(t.y, 2.0);
    const PixelPoint p = ToPixel(c.value(), {-1, -0.5});
    EXPECT_DOUBLE_EQ(p.x, 150);
    EXPECT_DOUBLE_EQ(p.y, 475);
    EXPECT_EQ(c.value().pixelsPerInch, 150);
    EXPECT_FALSE(c.value().byPoints);
}

// Past four points the fit is least squares: one point off by 0.05 in gets
// the largest residual, named in a warning; the others stay small.
TEST(Calibration, LeastSquaresPastFourWarnsOfAPointOff) {
    const std::array<double, 9> h = {150, 0, 600, 0, -150, 600, 0, 0, 1};
    std::vector<PointPair> pairs;
    for (const TargetPoint& t : kGrid) pairs.push_back({Project(h, t), t});
    pairs[4].target.x += 0.05;
    const auto c = CalibrateByPoints(pairs);
    ASSERT_TRUE(c.ok());
    const auto& r = c.value().residuals;
    EXPECT_EQ(std::max_element(r.begin(), r.end()) - r.begin(), 4);
    EXPECT_GT(r[4], 0.02);
    EXPECT_LT(r[4], 0.05);
    const auto warnings = CalibrationWarnings(c.value());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "point 5 is " + Decimals(r[4], 4) +
                               " in from where the fit puts it (more than 0.02 in); check its pixel and its position.");
}

TEST(Calibration, WarnsOfAMirroredPicture) {
    const std::array<double, 9> h = {150, 0, 600, 0, 150, 600, 0, 0, 1};  // y down on the target too
    std::vector<PointPair> pairs;
    for (const TargetPoint& t : kSquare) pairs.push_back({Project(h, t), t});
    const auto c = CalibrateByPoints(pairs);
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(CalibrationWarnings(c.value()),
              std::vector<std::string>{"the points turn the picture over, as a mirror would; positions are inches "
                                       "from the aim with y up, pixels with y down."});
}

struct BadPoints {
    const char* name;
    std::vector<PointPair> points;
    const char* message;
};

class CalibrationFailure : public ::testing::TestWithParam<BadPoints> {};

TEST_P(CalibrationFailure, SaysWhy) {
    const auto c = CalibrateByPoints(GetParam().points);
    ASSERT_FALSE(c.ok());
    EXPECT_EQ(c.failure().kind, FailureKind::CalibrationFailure);
    EXPECT_EQ(c.failure().message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Scan, CalibrationFailure,
    ::testing::Values(
        BadPoints{"none", {}, "Calibration failure: 0 points given; a perspective needs at least 4."},
        BadPoints{"one", {{{1, 1}, {0, 0}}}, "Calibration failure: 1 point given; a perspective needs at least 4."},
        BadPoints{"three",
                  {{{0, 0}, {0, 0}}, {{100, 0}, {1, 0}}, {{0, 100}, {0, -1}}},
                  "Calibration failure: 3 points given; a perspective needs at least 4."},
        BadPoints{"same_pixel",
                  {{{0, 0}, {0, 0}}, {{100, 0}, {1, 0}}, {{0, 100}, {0, -1}}, {{100, 0}, {1, -1}}},
                  "Calibration failure: point 2 and point 4 are the same pixel."},
        BadPoints{"same_place",
                  {{{0, 0}, {0, 0}}, {{100, 0}, {1, 0}}, {{0, 100}, {0, -1}}, {{100, 100}, {0, 0}}},
                  "Calibration failure: point 1 and point 4 are the same place on the target."},
        BadPoints{"pixels_on_a_line",
                  {{{0, 0}, {0, 0}}, {{100, 0}, {1, 0}}, {{200, 0}, {0, -1}}, {{300, 0}, {1, -1}}, {{400, 0}, {2, 2}}},
                  "Calibration failure: the points lie on one line in the picture; a perspective needs them spread "
                  "over the target."},
        BadPoints{"places_on_a_line",
                  {{{0, 0}, {0, 0}}, {{100, 0}, {1, 1}}, {{0, 100}, {2, 2}}, {{100, 100}, {3, 3}}},
                  "Calibration failure: the points' target positions lie on one line; a perspective needs them "
                  "spread over the target."},
        BadPoints{"three_of_four_on_a_line",
                  {{{0, 0}, {0, 0}}, {{100, 0}, {1, 0}}, {{200, 0}, {2, 0}}, {{100, 100}, {1, -1}}},
                  "Calibration failure: points 1, 2 and 3 lie on one line; with four points no three may share a "
                  "line."},
        BadPoints{"not_finite",
                  {{{0, 0}, {0, 0}}, {{100, 0}, {1, 0}}, {{0, 100}, {0, -1}}, {{NAN, 100}, {1, -1}}},
                  "Calibration failure: point 4 is not a finite position."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Calibration, DpiMustBeMoreThanNought) {
    for (const auto& [dpi, message] : std::vector<std::pair<double, std::string>>{
             {0.0, "Calibration failure: the resolution must be more than 0 dots per inch, not 0."},
             {-150.0, "Calibration failure: the resolution must be more than 0 dots per inch, not -150."}}) {
        const auto c = CalibrateByDpi(dpi, {0, 0});
        ASSERT_FALSE(c.ok());
        EXPECT_EQ(c.failure().message, message);
    }
    EXPECT_EQ(CalibrateByDpi(150, {NAN, 0}).failure().message,
              "Calibration failure: the aim's pixel is not a finite position.");
}

TEST(Calibre, TakesInchesAndMillimetres) {
    for (const auto& [text, inches] : std::vector<std::pair<std::string, double>>{{"0.308in", 0.308},
                                                                                  {".308", 0.308},
                                                                                  {"0.308 in", 0.308},
                                                                                  {"0.308IN", 0.308},
                                                                                  {"7.62mm", 7.62 / 25.4},
                                                                                  {"6.5mm", 6.5 / 25.4},
                                                                                  {"6.5 MM", 6.5 / 25.4},
                                                                                  {"0.1", 0.1},
                                                                                  {"1in", 1.0},
                                                                                  {"25.4mm", 1.0},
                                                                                  {"2.54mm", 0.1}}) {
        const auto c = ParseCalibre(text);
        ASSERT_TRUE(c.ok()) << text;
        EXPECT_DOUBLE_EQ(c.value(), inches) << text;
    }
    for (
        const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
            {"",
             "Invalid value: the calibre \"\" is not a number of inches or millimetres (such as 0.308in, .308 or 7.62mm)."},
            {"mm",
             "Invalid value: the calibre \"mm\" is not a number of inches or millimetres (such as 0.308in, .308 or 7.62mm)."},
            {"30-06",
             "Invalid value: the calibre \"30-06\" is not a number of inches or millimetres (such as 0.308in, .308 or 7.62mm)."},
            {"0.308cm",
             "Invalid value: the calibre \"0.308cm\" is not a number of inches or millimetres (such as 0.308in, .308 or 7.62mm)."},
            {"7.62",
             "Invalid value: the calibre \"7.62\" is outside 0.10 to 1.00 in (for millimetres, write mm: 7.62mm)."},
            {"0.09in", "Invalid value: the calibre \"0.09in\" is outside 0.10 to 1.00 in."},
            {"2.5mm", "Invalid value: the calibre \"2.5mm\" is outside 0.10 to 1.00 in."},
            {"-0.308", "Invalid value: the calibre \"-0.308\" is outside 0.10 to 1.00 in."}}) {
        const auto c = ParseCalibre(text);
        ASSERT_FALSE(c.ok()) << text;
        EXPECT_EQ(c.failure().kind, FailureKind::InvalidValue);
        EXPECT_EQ(c.failure().message, message);
    }
}

TEST(Text, DecimalsAndStrictNumbers) {
    EXPECT_EQ(Decimals(1.23456, 4), "1.2346");
    EXPECT_EQ(Decimals(-0.00004, 4), "0.0000");
    EXPECT_EQ(Decimals(-0.00005001, 4), "-0.0001");
    EXPECT_EQ(Decimals(2, 4), "2.0000");
    double v = 0;
    for (const char* good : {"12", "-0.5", ".308", "1e2", "+3"}) EXPECT_TRUE(ParseNumber(good, v)) << good;
    for (const char* bad : {"", " 1", "1 ", "1,5", "+-1", "inf", "nan", "1x", "--1"})
        EXPECT_FALSE(ParseNumber(bad, v)) << bad;
}

TEST(GroupText, TheDesignedFormatByteForByte) {
    EXPECT_EQ(GroupFileText("my\ttarget\r\n.png", 0.308, "2025-05-04", {{0.12345, -1.5}, {-0.00001, 2}}),
              "Group file - cep-scan: my?target??.png\r\n"
              "caliber 0.308 in, 2025-05-04\r\n"
              "2\r\n"
              "0.1235,-1.5000\r\n"
              "0.0000,2.0000\r\n");
}

std::vector<FoundShot> Shots(const std::vector<TargetPoint>& at) {
    std::vector<FoundShot> shots;
    for (const TargetPoint& t : at) shots.push_back({t, {}, ShotTier::Single});
    return shots;
}

// Clockwise from 12 o'clock about the mean, nearer first on one bearing.
TEST(ShotOrder, ClockwiseFromTwelve) {
    auto shots = Shots({{-1, 0}, {0, -1}, {1, 0}, {0, 1}, {0.5, 0.5}, {0, 2}, {-0.5, 0.5}});
    OrderClockwise(shots);
    std::vector<std::pair<double, double>> got;
    for (const auto& s : shots) got.emplace_back(s.at.x, s.at.y);
    // The mean is (0, 2/7): (0, 1) and (0, 2) lie straight up, nearer first.
    EXPECT_EQ(got, (std::vector<std::pair<double, double>>{
                       {0, 1}, {0, 2}, {0.5, 0.5}, {1, 0}, {0, -1}, {-1, 0}, {-0.5, 0.5}}));
}

// --- Hole finding on synthetic targets.

scan::Calibration PhotoCalibration(const testing_support::RenderedTarget& target, std::mt19937& random) {
    std::uniform_real_distribution<double> click(-0.33, 0.33);
    std::vector<PointPair> points;
    for (const auto& [x, y] : {std::pair{-1.5, 1.5}, {1.5, 1.5}, {1.5, -1.5}, {-1.5, -1.5}}) {
        PixelPoint p = target.PixelOf({x, y});
        p.x += click(random);
        p.y += click(random);
        points.push_back({p, {x, y}});
    }
    return CalibrateByPoints(points).value();
}

struct SheetCase {
    const char* name;
    SheetKind sheet;
    double dpi;
    bool photo;
    double calibre;
    unsigned seed;
};

class FindsHoles : public ::testing::TestWithParam<SheetCase> {};

// Isolated and touching holes: every one found, none invented, each within
// 0.02 in on a scan and 0.03 in on a photo calibrated by four points.
TEST_P(FindsHoles, IsolatedAndTouchingWithinBound) {
    const SheetCase& c = GetParam();
    std::mt19937 random(c.seed);
    TargetPlan plan;
    plan.sheet = c.sheet;
    plan.dpi = c.dpi;
    plan.width = plan.height = 4.5;
    plan.calibre = c.calibre;
    plan.seed = c.seed;
    plan.holes = testing_support::IsolatedHoles(5, c.calibre, 1.6, random);
    // A touching pair, clear of the others.
    for (;;) {
        const auto pair = testing_support::HolePairs(1, c.calibre, c.calibre * 1.02, c.calibre, 1.6, random);
        bool clear = true;
        for (const auto& h : plan.holes) {
            for (const auto& p : pair) clear = clear && std::hypot(h.x - p.x, h.y - p.y) > 1.5 * c.calibre;
        }
        if (clear) {
            plan.holes.insert(plan.holes.end(), pair.begin(), pair.end());
            break;
        }
    }
    if (c.photo) testing_support::MakePhoto(plan, 0.06, random);
    const auto target = testing_support::RenderTarget(plan);
    const auto calibration =
        c.photo ? PhotoCalibration(target, random) : CalibrateByDpi(plan.dpi, target.PixelOf({0, 0})).value();
    const auto found = FindShots(target.picture(), calibration, {c.calibre, 0});
    ASSERT_TRUE(found.ok()) << found.failure().message;
    const double bound = c.photo ? 0.03 : 0.02;
    const auto score = testing_support::ScoreShots(plan.holes, found.value().shots, bound);
    EXPECT_EQ(score.matched, static_cast<int>(plan.holes.size()));
    EXPECT_EQ(score.extra, 0);
    EXPECT_LE(score.largestError, bound);
    EXPECT_TRUE(found.value().warnings.empty());
    // The pixels given back are those of the picture as handed over.
    for (const auto& shot : found.value().shots) {
        const PixelPoint p = target.PixelOf(shot.at);
        EXPECT_NEAR(shot.pixel.x, p.x, c.photo ? 2.0 : 1e-6);
        EXPECT_NEAR(shot.pixel.y, p.y, c.photo ? 2.0 : 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(Scan, FindsHoles,
                         ::testing::Values(SheetCase{"grid_150", SheetKind::Grid, 150, false, 0.308, 1},
                                           SheetCase{"rings_150", SheetKind::Rings, 150, false, 0.308, 2},
                                           SheetCase{"grid_300", SheetKind::Grid, 300, false, 0.308, 3},
                                           SheetCase{"rings_300", SheetKind::Rings, 300, false, 0.308, 4},
                                           SheetCase{"rings_150_22", SheetKind::Rings, 150, false, 0.224, 5},
                                           SheetCase{"grid_300_65mm", SheetKind::Grid, 300, false, 6.5 / 25.4, 6},
                                           SheetCase{"photo_grid_150", SheetKind::Grid, 150, true, 0.308, 7},
                                           SheetCase{"photo_rings_150", SheetKind::Rings, 150, true, 0.308, 8},
                                           SheetCase{"photo_grid_300", SheetKind::Grid, 300, true, 0.308, 9}),
                         [](const auto& info) { return std::string(info.param.name); });

// Overlapping pairs, centres 0.08 to 0.15 in apart, are split into both shots
// once the shot count is given; those shots are tiered "split".
TEST(FindsHolesOverlapping, SplitWithTheShotCount) {
    int pairs = 0, split = 0;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 random(seed + 40);
        TargetPlan plan;
        plan.width = plan.height = 4.5;
        plan.seed = seed;
        plan.holes = testing_support::HolePairs(4, 0.08, 0.15, plan.calibre, 1.6, random);
        const auto target = testing_support::RenderTarget(plan);
        const auto found = FindShots(target.picture(), CalibrateByDpi(plan.dpi, target.PixelOf({0, 0})).value(),
                                     {plan.calibre, static_cast<int>(plan.holes.size())});
        ASSERT_TRUE(found.ok());
        EXPECT_EQ(found.value().shots.size(), plan.holes.size());
        for (std::size_t p = 0; p < plan.holes.size(); p += 2) {
            ++pairs;
            split +=
                testing_support::ScoreShots({plan.holes[p], plan.holes[p + 1]}, found.value().shots, 0.04).matched == 2;
        }
        for (const auto& shot : found.value().shots) EXPECT_EQ(TierName(shot.tier), "split");
    }
    EXPECT_GE(split, pairs * 95 / 100) << split << " of " << pairs;
}

// With no count the fit still splits what is plainly two holes, and says so
// when the count given cannot be met.
TEST(FindsHolesOverlapping, CountNotMetIsAWarning) {
    TargetPlan plan;
    plan.width = plan.height = 3;
    plan.holes = {{0.5, 0.5}, {-0.6, -0.4}};
    const auto target = testing_support::RenderTarget(plan);
    const auto calibration = CalibrateByDpi(plan.dpi, target.PixelOf({0, 0})).value();
    const auto three = FindShots(target.picture(), calibration, {plan.calibre, 3});
    ASSERT_TRUE(three.ok());
    EXPECT_EQ(three.value().shots.size(), 2u);
    EXPECT_EQ(three.value().warnings,
              std::vector<std::string>{"found 2 of the 3 shots given; shots through one hole cannot be told apart."});
    const auto one = FindShots(target.picture(), calibration, {plan.calibre, 1});
    ASSERT_TRUE(one.ok());
    EXPECT_EQ(one.value().shots.size(), 2u);
    EXPECT_EQ(one.value().warnings, std::vector<std::string>{"found 2 holes where 1 shots were given; some may be "
                                                             "another group's or marks on the paper."});
    for (const auto& shot : one.value().shots) EXPECT_EQ(TierName(shot.tier), "single");
}

class CleanSheet : public ::testing::TestWithParam<SheetCase> {};

// Printed lines, rings and the aiming cross, uneven light and noise: no hole.
TEST_P(CleanSheet, HasNoHoles) {
    const SheetCase& c = GetParam();
    TargetPlan plan;
    plan.sheet = c.sheet;
    plan.dpi = c.dpi;
    plan.seed = c.seed;
    plan.light = 0.45;
    plan.noise = 8;
    plan.calibre = c.calibre;
    std::mt19937 random(c.seed);
    if (c.photo) testing_support::MakePhoto(plan, 0.06, random);
    const auto target = testing_support::RenderTarget(plan);
    const auto calibration =
        c.photo ? PhotoCalibration(target, random) : CalibrateByDpi(plan.dpi, target.PixelOf({0, 0})).value();
    const auto found = FindShots(target.picture(), calibration, {c.calibre, 0});
    ASSERT_TRUE(found.ok());
    EXPECT_TRUE(found.value().shots.empty());
}

INSTANTIATE_TEST_SUITE_P(Scan, CleanSheet,
                         ::testing::Values(SheetCase{"grid_150", SheetKind::Grid, 150, false, 0.308, 11},
                                           SheetCase{"rings_300", SheetKind::Rings, 300, false, 0.308, 12},
                                           SheetCase{"rings_150_22", SheetKind::Rings, 150, false, 0.224, 13},
                                           SheetCase{"photo_grid_150", SheetKind::Grid, 150, true, 0.308, 14}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindShotsFailure, TooCoarseOrNoPixels) {
    TargetPlan plan;
    plan.width = plan.height = 2;
    plan.dpi = 20;
    const auto target = testing_support::RenderTarget(plan);
    const auto coarse = FindShots(target.picture(), CalibrateByDpi(20, {20, 20}).value(), {0.308, 0});
    ASSERT_FALSE(coarse.ok());
    EXPECT_EQ(coarse.failure().message,
              "Picture failure: a 0.308 in hole spans only 6.2 pixels here; scan or photograph at 26 pixels per "
              "inch or more.");
    const auto empty = FindShots({}, CalibrateByDpi(150, {0, 0}).value(), {0.308, 0});
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.failure().message, "Picture failure: the picture has no pixels.");
}

// The snap to the nearest crossing: a click a few pixels off a printed
// crossing lands on it; a click by a line's middle, on paper or on a hole
// finds nothing within reach.
struct CrossingCase {
    const char* name;
    double dpi;
    bool photo;
    TargetPoint crossing;  // inches; the true crossing, or where nothing is to be found
    double offX, offY;     // the click, in pixels from it
    double reach;
    bool found;
};

class SnapsToCrossing : public ::testing::TestWithParam<CrossingCase> {};

TEST_P(SnapsToCrossing, WithinAFractionOfAPixel) {
    const CrossingCase& c = GetParam();
    std::mt19937 random(21);
    TargetPlan plan;
    plan.dpi = c.dpi;
    plan.width = plan.height = 4.0;
    plan.holes = {{-1.25, 1.25}};
    if (c.photo) testing_support::MakePhoto(plan, 0.06, random);
    const auto target = testing_support::RenderTarget(plan);
    const PixelPoint truth = target.PixelOf(c.crossing);
    const auto snapped = NearestCrossing(target.picture(), {truth.x + c.offX, truth.y + c.offY}, c.reach);
    ASSERT_EQ(snapped.has_value(), c.found);
    if (!c.found) return;
    EXPECT_NEAR(snapped->x, truth.x, 0.5);
    EXPECT_NEAR(snapped->y, truth.y, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Scan, SnapsToCrossing,
                         ::testing::Values(CrossingCase{"grid_150", 150, false, {1.0, -0.5}, 6, -5, 20, true},
                                           CrossingCase{"grid_300", 300, false, {-1.5, 1.0}, -9, 4, 20, true},
                                           CrossingCase{"aim_150", 150, false, {0.0, 0.0}, 5, 4, 20, true},
                                           CrossingCase{"photo_150", 150, true, {0.5, 1.5}, 4, 7, 20, true},
                                           CrossingCase{"nearest_of_two", 150, false, {0.5, 0.5}, 30, 0, 60, true},
                                           CrossingCase{"line_middle", 150, false, {1.25, -0.5}, 0, 0, 20, false},
                                           CrossingCase{"paper", 150, false, {1.25, -0.75}, 0, 0, 20, false},
                                           CrossingCase{"hole", 150, false, {-1.25, 1.25}, 0, 0, 12, false},
                                           CrossingCase{"outside", 150, false, {0, 0}, -2000, 0, 20, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// SPDX-License-Identifier: MIT
// The move to the point of aim, its clicks, the chance of a hit and pooled
// groups, against the formulas worked independently of the code.
#include <gtest/gtest.h>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/aiming.h"
#include "core/group_pool.h"
#include "core/group_stats.h"
#include "core/portable_math.h"

namespace {

namespace bm = boost::math;
constexpr double kPi = std::numbers::pi;

TEST(Aiming, SizesClicksAndAimsParse) {
    const struct {
        std::string text;
        std::optional<double> value;
        cep::SizeUnit unit;
    } sizes[] = {
        {"10in", 10, cep::SizeUnit::Inch},
        {"10", 10, cep::SizeUnit::Inch},
        {"25cm", 25, cep::SizeUnit::Centimetre},
        {"250mm", 250, cep::SizeUnit::Millimetre},
        {"2moa", 2, cep::SizeUnit::Moa},
        {"1.5MOA", 1.5, cep::SizeUnit::Moa},
        {"1mil", 1, cep::SizeUnit::Mil},
        {"0in", {}, {}},
        {"-2in", {}, {}},
        {"+2in", {}, {}},
        {"2 in", {}, {}},
        {"2ft", {}, {}},
        {"in", {}, {}},
        {"", {}, {}},
        {"nan", {}, {}},
        {"inf", {}, {}},
        {"10800moa", {}, {}},
        {"3142mil", {}, {}},
        {"1e400", {}, {}},
    };
    for (const auto& c : sizes) {
        SCOPED_TRACE(c.text);
        const auto size = cep::ParseTargetSize(c.text);
        ASSERT_EQ(size.has_value(), c.value.has_value());
        if (!size) continue;
        EXPECT_EQ(size->value, *c.value);
        EXPECT_EQ(size->unit, c.unit);
    }
    const struct {
        std::string text;
        std::optional<double> value;
        cep::ClickUnit unit;
    } clicks[] = {
        {"0.25moa", 0.25, cep::ClickUnit::Moa},
        {"1/8moa", 0.125, cep::ClickUnit::Moa},
        {"0.1mil", 0.1, cep::ClickUnit::Mil},
        {"0.5in", 0.5, cep::ClickUnit::Inch},
        {"0.25", {}, {}},
        {"0moa", {}, {}},
        {"-0.25moa", {}, {}},
        {"1/0moa", {}, {}},
        {"1/-8moa", {}, {}},
        {"1/moa", {}, {}},
        {"0.25cm", {}, {}},
        {"moa", {}, {}},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.text);
        const auto click = cep::ParseClickValue(c.text);
        ASSERT_EQ(click.has_value(), c.value.has_value());
        if (!click) continue;
        EXPECT_EQ(click->value, *c.value);
        EXPECT_EQ(click->unit, c.unit);
    }
    EXPECT_EQ(cep::ParseAimPoint("0,1.5"), (cep::ShotPoint{0, 1.5}));
    EXPECT_EQ(cep::ParseAimPoint("-0.5,-2"), (cep::ShotPoint{-0.5, -2}));
    for (const char* bad : {"1", "1,", ",1", "1;2", "1,2,3", "a,b", "1,2in", ""}) {
        EXPECT_FALSE(cep::ParseAimPoint(bad).has_value()) << bad;
    }
}

cep::Dispersion At(cep::ShotPoint centre, double s2 = 0.25, int shots = 5, int df = 8, double yards = 100) {
    cep::Dispersion d;
    d.centre = centre;
    d.s2 = s2;
    d.shots = shots;
    d.degreesOfFreedom = df;
    d.rangeYards = yards;
    d.level = 0.95;
    return d;
}

// 1.5 in low and 0.8 in right at 100 yards: atan(1.5 / 3600) = 1.4324 MOA, 0.4167 mil; atan(0.8 / 3600) =
// 0.7639 MOA, 0.2222 mil. Turret inches at 100 yards: 3.0 and 1.6 clicks of half an inch.
TEST(Aiming, ClicksToThePointOfAim) {
    const cep::ShotPoint centre{0.8, -1.5};
    const struct {
        cep::ClickValue click;
        long long up, right;
    } cases[] = {
        {{0.25, cep::ClickUnit::Moa}, 6, -3}, {{0.125, cep::ClickUnit::Moa}, 11, -6},
        {{0.1, cep::ClickUnit::Mil}, 4, -2},  {{0.5, cep::ClickUnit::Inch}, 3, -2},
        {{1.0, cep::ClickUnit::Moa}, 1, -1},  {{0.05, cep::ClickUnit::Mil}, 8, -4},
    };
    for (const auto& c : cases) {
        const auto done = cep::ComputeCorrection(At(centre), {0, 0}, c.click);
        ASSERT_TRUE(done);
        const cep::Correction& k = done.value();
        EXPECT_EQ(k.clicksUp, c.up) << c.click.value;
        EXPECT_EQ(k.clicksRight, c.right) << c.click.value;
        EXPECT_DOUBLE_EQ(k.moveRight, -0.8);
        EXPECT_DOUBLE_EQ(k.moveUp, 1.5);
        EXPECT_NEAR(*k.moveUpMoa, std::atan(1.5 / 3600) * 10800 / kPi, 1e-12);
        EXPECT_NEAR(*k.moveRightMil, -std::atan(0.8 / 3600) * 1000, 1e-12);
    }
    // The aim elsewhere, and far off at a short range where the angle is not the small-angle one.
    const auto aimed = cep::ComputeCorrection(At(centre, 0.25, 5, 8, 10), {0.8, 10.5}, {0.25, cep::ClickUnit::Moa});
    ASSERT_TRUE(aimed);
    EXPECT_EQ(aimed.value().clicksRight, 0);
    EXPECT_NEAR(*aimed.value().moveUpMoa, std::atan(12.0 / 360) * 10800 / kPi, 1e-12);
    EXPECT_EQ(aimed.value().clicksUp, std::llround(std::atan(12.0 / 360) * 10800 / kPi / 0.25));
    // No range: the move in inches, no angles and no clicks.
    const auto none = cep::ComputeCorrection(At(centre, 0.25, 5, 8, 0), {0, 0}, {});
    ASSERT_TRUE(none);
    EXPECT_FALSE(none.value().clicksUp || none.value().moveUpMoa || none.value().moveRightMil);
    EXPECT_FALSE(cep::ComputeCorrection(At(centre), {0, 0}, {1e-300, cep::ClickUnit::Moa}));
}

// The centre's uncertainty sqrt(2 s^2 F(level; 2, nu) / n), F(p; 2, nu) = nu / 2 ((1 - p)^(-2 / nu) - 1).
TEST(Aiming, CorrectionCalledForBeyondTheCentresUncertainty) {
    const struct {
        double s2;
        int shots, df;
        double offset;
        bool calledFor;
    } cases[] = {// radii 0.6678, 2.1516 and 0.11447 in
                 {0.25, 5, 8, 0.67, true}, {0.25, 5, 8, 0.665, false},  {1.0, 3, 4, 2.16, true},
                 {1.0, 3, 4, 2.14, false}, {0.04, 20, 34, 0.115, true}, {0.04, 20, 34, 0.114, false},
                 {0.0, 5, 8, 1e-9, true}};
    for (const auto& c : cases) {
        const double nu = c.df;
        const double f = nu / 2 * (std::pow(0.05, -2 / nu) - 1);
        const double radius = std::sqrt(2 * c.s2 * f / c.shots);
        const auto done =
            cep::ComputeCorrection(At({0.6 * c.offset, -0.8 * c.offset}, c.s2, c.shots, c.df), {0, 0}, {});
        ASSERT_TRUE(done);
        EXPECT_NEAR(done.value().uncertainty, radius, 1e-9) << c.df;
        EXPECT_NEAR(done.value().offset, c.offset, 1e-12);
        EXPECT_EQ(done.value().calledFor, c.calledFor) << c.df << " " << c.offset;
    }
}

// The predictive chance through another route: the next shot less the aim, over s sqrt(1 + 1/n), is a
// bivariate t with nu degrees of freedom about the offset, and its radial distribution is known in closed
// form, so the chance is a mean over the direction seen from that centre.
double ChanceByDirection(double radius, double offset, double s2, int n, int nu) {
    const double scale = std::sqrt(s2 * (1.0 + 1.0 / n));
    const double rho = radius / scale;
    const double delta = offset / scale;
    const auto beyond = [&](double l) { return std::pow(1.0 + l * l / nu, -nu / 2.0); };
    const int steps = 200000;
    double sum = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double phi = (i + 0.5) * 2 * kPi / steps;
        const double along = delta * std::cos(phi);
        const double across = delta * std::sin(phi);
        const double root2 = rho * rho - across * across;
        if (root2 <= 0) continue;
        const double far = along + std::sqrt(root2);
        const double near = along - std::sqrt(root2);
        if (far <= 0) continue;
        sum += near > 0 ? beyond(near) - beyond(far) : 1.0 - beyond(far);
    }
    return sum / steps;
}

TEST(Aiming, ChancesOfAHitMatchTheFormulas) {
    const struct {
        double radius, offset, s2;
        int shots, df;
    } cases[] = {{1.0, 0.0, 0.25, 5, 8},
                 {1.0, 0.5, 0.25, 5, 8},
                 {0.5, 1.2, 0.25, 5, 8},
                 {2.0, 1.0, 1.0, 3, 4},
                 {0.3, 0.05, 0.04, 20, 34},
                 {1.0, 3.0, 0.25, 15, 24},
                 {1.5, 1.0, 0.36, 2, 2},
                 {0.8, 0.6, 0.2, 100, 198},
                 // The noncentral chance's long series (a target and offset of many sigma), the range where
                 // it hands over to Boost's distribution, a small target far off, a large one near.
                 {12.0, 9.0, 0.25, 10, 18},
                 {30.0, 29.0, 0.25, 10, 18},
                 {20.0, 26.0, 0.25, 10, 18},
                 {0.05, 3.0, 0.25, 5, 8},
                 {8.0, 0.1, 0.25, 5, 8},
                 {3.0, 3.5, 0.04, 50, 98}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.radius) + " " + std::to_string(c.offset) + " " + std::to_string(c.df));
        const cep::Dispersion d = At({c.offset, 0}, c.s2, c.shots, c.df);
        const double nu = c.df;
        const double zeroed = 1 - std::pow(1 + c.radius * c.radius / (nu * c.s2 * (1 + 1.0 / c.shots)), -nu / 2);
        EXPECT_NEAR(cep::ChanceOnceZeroed(c.radius, d), zeroed, 1e-12);
        const double now = cep::ChanceAsItShoots(c.radius, c.offset, d);
        EXPECT_NEAR(now, ChanceByDirection(c.radius, c.offset, c.s2, c.shots, c.df), 2e-5);
        if (c.offset == 0.0) { EXPECT_NEAR(now, zeroed, 1e-6); }
        // The farthest ranges: at R times the range the spread is R times as wide.
        for (const double p : {0.5, 0.9}) {
            const auto yards = cep::FarthestRange(c.radius, p, d);
            ASSERT_TRUE(yards);
            const double k = *yards / 100;
            EXPECT_NEAR(cep::ChanceOnceZeroed(c.radius, At({0, 0}, c.s2 * k * k, c.shots, c.df)), p, 1e-9);
        }
    }
    // Sizes as angles: 2 d tan(theta / 2) at the range.
    const auto twoMoa = cep::ComputeHitChance(At({0, 0}), {0, 0}, {2, cep::SizeUnit::Moa});
    ASSERT_TRUE(twoMoa);
    EXPECT_NEAR(twoMoa.value().diameter, 7200 * std::tan(kPi / 10800), 1e-12);
    EXPECT_FALSE(twoMoa.value().farthest50.has_value());
    const auto oneMil = cep::ComputeHitChance(At({0, 0}, 0.25, 5, 8, 300), {0, 0}, {1, cep::SizeUnit::Mil});
    EXPECT_NEAR(oneMil.value().diameter, 2 * 10800 * std::tan(0.0005), 1e-12);
    EXPECT_NEAR(cep::ComputeHitChance(At({0, 0}), {0, 0}, {25, cep::SizeUnit::Centimetre}).value().diameter, 25 / 2.54,
                1e-12);
    EXPECT_NEAR(cep::ComputeHitChance(At({0, 0}), {0, 0}, {250, cep::SizeUnit::Millimetre}).value().diameter,
                250 / 25.4, 1e-12);
    // A size as an angle without a range gives no chance, and says why.
    cep::AimingOptions options;
    options.target = cep::TargetSize{2, cep::SizeUnit::Moa};
    const auto advice = cep::Advise(At({0, 0}, 0.25, 5, 8, 0), options);
    ASSERT_TRUE(advice);
    EXPECT_TRUE(advice.value().targetNeedsRange);
    EXPECT_FALSE(advice.value().hit);
}

TEST(PortableMath, AgreesWithTheLibrary) {
    for (const double x : {-20.0, -1.0, -0.3, 0.0, 1e-9, 0.049, 0.05, 0.2, 0.99, 1.0, 1.01, 7.0, 1e6}) {
        EXPECT_NEAR(cep::PortableAtan(x), std::atan(x), 4e-16 * std::max(1.0, std::fabs(std::atan(x)))) << x;
    }
    for (const double x : {-1.5, -0.3, 0.0, 1e-7, 0.05, 0.3, 1.0, 1.5}) {
        EXPECT_NEAR(cep::PortableTan(x), std::tan(x), 1e-14 * std::max(1.0, std::fabs(std::tan(x)))) << x;
    }
    for (const double x : {1e-300, 0.3, 0.70710678, 1.0, 1.4142, 2.0, 12345.6, 1e300}) {
        EXPECT_NEAR(cep::PortableLog(x), std::log(x), 1e-15 * std::max(1.0, std::fabs(std::log(x)))) << x;
    }
    EXPECT_EQ(cep::IntegerPower(1.5, 0), 1.0);
    EXPECT_EQ(cep::IntegerPower(1.5, 3), 3.375);
    EXPECT_EQ(cep::IntegerPower(2.0, 10), 1024.0);
    for (const long m : {1L, 2L, 7L, 500L}) EXPECT_NEAR(cep::IntegerRoot(10.0, m), std::pow(10.0, 1.0 / m), 1e-15) << m;
}

cep::GroupStats StatsOf(const std::vector<cep::ShotPoint>& shots) {
    return cep::ComputeGroupStats(shots, static_cast<cep::ShotCount>(shots.size()), "100", 0.95).value();
}

// Three groups worked by hand: squares about their centres 4, 2 and 8 + 2/3 (shots 4 + 3 + 3 = 10, nu = 14).
TEST(Pool, FiguresAndTestsMatchTheFormulas) {
    const std::vector<std::vector<cep::ShotPoint>> shots = {
        {{0, 0}, {2, 0}, {0, 2}, {2, 2}},  // centre (1, 1), squares 8
        {{3, 0}, {4, 0}, {3.5, 1.5}},      // centre (3.5, 0.5)
        {{-1, -1}, {-3, -1}, {-2, 1}},     // centre (-2, -1/3)
    };
    std::vector<cep::GroupStats> stats;
    for (const auto& s : shots) stats.push_back(StatsOf(s));
    std::vector<const cep::GroupStats*> groups;
    for (const auto& s : stats) groups.push_back(&s);
    const auto pooled = cep::PoolGroups(groups, 0.95);
    ASSERT_TRUE(pooled);
    const cep::PoolStats& p = pooled.value();
    double squares = 0;
    std::vector<double> variances;
    std::vector<int> dfs;
    double cx = 0, cy = 0;
    for (const auto& group : shots) {
        double mx = 0, my = 0;
        for (const auto& s : group) mx += s.x / group.size(), my += s.y / group.size();
        double q = 0;
        for (const auto& s : group) q += (s.x - mx) * (s.x - mx) + (s.y - my) * (s.y - my);
        squares += q;
        dfs.push_back(2 * (static_cast<int>(group.size()) - 1));
        variances.push_back(q / dfs.back());
        cx += mx * group.size() / 10, cy += my * group.size() / 10;
    }
    const int nu = 14;
    const double s2 = squares / nu;
    EXPECT_EQ(p.shots, 10);
    EXPECT_EQ(p.groups, 3);
    EXPECT_EQ(p.DegreesOfFreedom(), nu);
    EXPECT_NEAR(p.centre.x, cx, 1e-12);
    EXPECT_NEAR(p.centre.y, cy, 1e-12);
    const double bias = std::sqrt(2.0 / nu) * bm::tgamma_ratio((nu + 1.0) / 2, nu / 2.0);
    const bm::chi_squared_distribution<double> chi(nu);
    EXPECT_NEAR(p.sigma.value, std::sqrt(s2) / bias, 1e-9);
    EXPECT_NEAR(p.sigma.low, std::sqrt(squares / bm::quantile(bm::complement(chi, 0.025))), 1e-9);
    EXPECT_NEAR(p.sigma.high, std::sqrt(squares / bm::quantile(chi, 0.025)), 1e-9);
    for (std::size_t i = 0; i < 3; ++i) {
        const double share = p.circles[i].percent / 100.0;
        EXPECT_NEAR(p.circles[i].diameter.value, 2 * std::sqrt(-2 * std::log(1 - share)) * p.sigma.value, 1e-9);
        const double f = nu / 2.0 * (std::pow(1 - share, -2.0 / nu) - 1);
        EXPECT_NEAR(p.prediction[i].diameter, 2 * std::sqrt(2 * (1 + 1.0 / 10) * s2 * f), 1e-9);
    }
    double m = 0, inverses = 0;
    for (std::size_t g = 0; g < 3; ++g) {
        m += dfs[g] * std::log(s2 / variances[g]);
        inverses += 1.0 / dfs[g];
    }
    const double bartlett = m / (1 + (inverses - 1.0 / nu) / 6);
    ASSERT_TRUE(p.spreads);
    EXPECT_NEAR(p.spreads->chi2, bartlett, 1e-9);
    EXPECT_EQ(p.spreads->df, 2);
    EXPECT_NEAR(p.spreads->p, bm::cdf(bm::complement(bm::chi_squared_distribution<double>(2), bartlett)), 1e-9);
    double between = 0;
    for (std::size_t g = 0; g < 3; ++g) {
        const double dx = stats[g].centre.x - cx, dy = stats[g].centre.y - cy;
        between += shots[g].size() * (dx * dx + dy * dy);
    }
    const double f = between / 4 / s2;
    EXPECT_NEAR(p.centres.f, f, 1e-9);
    EXPECT_EQ(p.centres.df1, 4);
    EXPECT_EQ(p.centres.df2, nu);
    EXPECT_NEAR(p.centres.p, bm::cdf(bm::complement(bm::fisher_f_distribution<double>(4, nu), f)), 1e-9);
    EXPECT_EQ(p.centres.differ, p.centres.p < 0.01);
    EXPECT_NEAR(p.averageExtremeSpread, (stats[0].extremeSpread + stats[1].extremeSpread + stats[2].extremeSpread) / 3,
                1e-12);
    EXPECT_NEAR(p.averageMeanRadius, (stats[0].meanRadius + stats[1].meanRadius + stats[2].meanRadius) / 3, 1e-12);
    const cep::Dispersion d = cep::PoolDispersion(p);
    EXPECT_NEAR(d.s2, s2, 1e-12);
    EXPECT_EQ(d.shots, 10);
    EXPECT_EQ(d.degreesOfFreedom, nu);
}

TEST(Pool, FewGroupsNoSpreadAndOnePointGroups) {
    const cep::GroupStats a = StatsOf({{0, 0}, {1, 0}, {0, 1}});
    const cep::GroupStats point = StatsOf({{5, 5}, {5, 5}});
    const cep::GroupStats* one[] = {&a};
    EXPECT_EQ(cep::PoolGroups(one, 0.95).failure().message,
              "Subscript out of range: a pool needs at least two groups, and 1 was read.");
    const cep::GroupStats* points[] = {&point, &point};
    EXPECT_EQ(cep::PoolGroups(points, 0.95).failure().kind, cep::FailureKind::DivisionByZero);
    // A group on one point has no variance to compare: the spreads go untested, the rest stands.
    const cep::GroupStats* mixed[] = {&a, &point};
    const auto pooled = cep::PoolGroups(mixed, 0.95);
    ASSERT_TRUE(pooled);
    EXPECT_FALSE(pooled.value().spreads);
    EXPECT_EQ(pooled.value().DegreesOfFreedom(), 6);
    EXPECT_TRUE(pooled.value().centres.differ);  // 5 sigma and more apart
}

// A short simulation with loose bounds; build/bench/simulate_stats gives the full table.
TEST(Pool, SimulatedIntervalTestsAndChancesHold) {
    std::mt19937_64 engine(11);
    std::normal_distribution<double> normal;
    const int runs = 1500;
    int covered = 0, spreadsAlarm = 0, centresAlarm = 0;
    double predicted = 0;
    int hits = 0;
    for (int r = 0; r < runs; ++r) {
        std::vector<cep::GroupStats> stats;
        for (int g = 0; g < 3; ++g) {
            std::vector<cep::ShotPoint> shots;
            for (int i = 0; i < 5; ++i) shots.push_back({normal(engine) + 1.0, normal(engine) - 0.5});
            stats.push_back(StatsOf(shots));
        }
        const cep::GroupStats* groups[] = {&stats[0], &stats[1], &stats[2]};
        const cep::PoolStats p = cep::PoolGroups(groups, 0.95).value();
        covered += p.sigma.low <= 1.0 && 1.0 <= p.sigma.high;
        spreadsAlarm += p.spreads->differ;
        centresAlarm += p.centres.differ;
        const cep::Dispersion d = cep::PoolDispersion(p);
        predicted += cep::ChanceAsItShoots(1.5, std::hypot(d.centre.x, d.centre.y), d);
        const double x = normal(engine) + 1.0, y = normal(engine) - 0.5;
        hits += x * x + y * y <= 1.5 * 1.5;
    }
    EXPECT_NEAR(covered / double(runs), 0.95, 0.02);
    EXPECT_LT(spreadsAlarm, runs * 0.03);
    EXPECT_LT(centresAlarm, runs * 0.03);
    EXPECT_NEAR(hits / double(runs), predicted / runs, 0.04);
}

}  // namespace

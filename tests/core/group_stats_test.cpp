// SPDX-License-Identifier: MIT
// Group statistics: figures against values worked out independently, the
// extreme spread against every pair, failures, and the comparison of two groups.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "core/group_stats.h"

namespace cep {
namespace {

using enum FailureKind;

struct Expected {
    ShotPoint centre;
    double offset, sdX, sdY, extremeSpread, meanRadius;
    Estimate sigma;
    double tolerance;  // relative, for sigma's interval: tables give four or five digits
};

// Chi-square quantile by the Wilson-Hilferty cube, far more exact than any
// table for thousands of degrees of freedom.
double WilsonHilferty(double k, double z) {
    const double a = 2.0 / (9.0 * k);
    return k * std::pow(1.0 - a + z * std::sqrt(a), 3.0);
}

std::vector<ShotPoint> Cross(int n) {
    const ShotPoint arms[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    std::vector<ShotPoint> shots;
    for (int i = 0; i < n; ++i) shots.push_back(arms[i % 4]);
    return shots;
}

const double kRt2 = std::sqrt(2.0);

TEST(GroupStats, FiguresAgainstIndependentValues) {
    // Bias factor c = sqrt(2/k) G((k+1)/2) / G(k/2); sigma = s / c, interval s sqrt(k / q).
    const struct {
        const char* what;
        std::vector<ShotPoint> shots;
        double level;
        Expected e;
    } cases[] = {
        // By hand: centre (5/3, 1); x - 5/3 = -5/3, 7/3, -2/3 (squares 26/3); y - 1 = -1, -1, 2 (squares 6);
        // pairs 4, sqrt 10, sqrt 18; radii sqrt 34 / 3, sqrt 58 / 3, sqrt 40 / 3; k = 4, s = sqrt(11/3);
        // c = sqrt(1/2) (3 sqrt(pi) / 4) = 0.939986; chi-square, 4 d.f., tables: 0.4844 and 11.143.
        {"three shots",
         {{0, 0}, {4, 0}, {1, 3}},
         0.95,
         {{5.0 / 3, 1},
          std::sqrt(34.0) / 3,
          std::sqrt(13.0 / 3),
          std::sqrt(3.0),
          3 * kRt2,
          (std::sqrt(34.0) + std::sqrt(58.0) + std::sqrt(40.0)) / 9,
          {std::sqrt(11.0 / 3) / 0.939986, std::sqrt(11.0 / 3 * 4 / 11.143), std::sqrt(11.0 / 3 * 4 / 0.4844)},
          1e-4}},
        // Each shot 1 from (1, 1) in x and y; k = 6, s = sqrt(8/6); c = sqrt(1/3) (15 sqrt(pi) / 16) = 0.959369;
        // chi-square, 6 d.f., tables: 1.635 at 0.05 and 12.592 at 0.95.
        {"square at 90 %",
         {{0, 0}, {2, 0}, {2, 2}, {0, 2}},
         0.90,
         {{1, 1},
          kRt2,
          std::sqrt(4.0 / 3),
          std::sqrt(4.0 / 3),
          2 * kRt2,
          kRt2,
          {std::sqrt(8.0 / 6) / 0.959369, std::sqrt(8.0 / 12.592), std::sqrt(8.0 / 1.635)},
          1e-3}},
        // k = 2, s = 2.5; c = sqrt(pi) / 2; chi-square, 2 d.f.: 0.0506 and 7.378.
        {"two shots",
         {{0, 0}, {3, 4}},
         0.95,
         {{1.5, 2},
          2.5,
          std::sqrt(4.5),
          std::sqrt(8.0),
          5,
          2.5,
          {2.5 / (std::sqrt(std::numbers::pi) / 2), 2.5 * std::sqrt(2 / 7.378), 2.5 * std::sqrt(2 / 0.0506)},
          1e-3}},
        // No spread at all: sigma, its interval and every circle are 0.
        {"identical shots", {{-1, 2}, {-1, 2}, {-1, 2}}, 0.95, {{-1, 2}, std::sqrt(5.0), 0, 0, 0, 0, {0, 0, 0}, 0}},
        // The largest group: c by its series 1 - 1/(4k) + 1/(32k^2), quantiles by Wilson-Hilferty.
        {"32764 shots",
         Cross(32764),
         0.95,
         {{0, 0},
          0,
          std::sqrt(16382.0 / 32763),
          std::sqrt(16382.0 / 32763),
          2,
          1,
          {std::sqrt(32764.0 / 65526) / (1 - 1 / (4 * 65526.0) + 1 / (32 * 65526.0 * 65526.0)),
           std::sqrt(32764.0 / WilsonHilferty(65526, 1.959963984540054)),
           std::sqrt(32764.0 / WilsonHilferty(65526, -1.959963984540054))},
          1e-7}},
    };
    // Rayleigh radii that hold 50, 90 and 95 % (published): 1.1774, 2.1460, 2.4477 sigma.
    const double radii[] = {1.17741, 2.14597, 2.44775};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShotTable table = c.shots;
        table.insert(table.end(), {table.front(), {}});  // as the reader leaves it
        const auto outcome = ComputeGroupStats(table, static_cast<ShotCount>(c.shots.size()), "100", c.level);
        ASSERT_TRUE(outcome.ok()) << outcome.failure().message;
        const GroupStats& s = outcome.value();
        const Expected& e = c.e;
        EXPECT_EQ(s.shots, static_cast<int>(c.shots.size()));
        for (const auto& [got, want] : {std::pair{s.centre.x, e.centre.x},
                                        {s.centre.y, e.centre.y},
                                        {s.centreOffset, e.offset},
                                        {s.sdX, e.sdX},
                                        {s.sdY, e.sdY},
                                        {s.extremeSpread, e.extremeSpread},
                                        {s.meanRadius, e.meanRadius}}) {
            EXPECT_NEAR(got, want, 1e-12 * (1 + want));
        }
        for (const auto& [got, want] :
             {std::pair{s.sigma.value, e.sigma.value}, {s.sigma.low, e.sigma.low}, {s.sigma.high, e.sigma.high}}) {
            EXPECT_NEAR(got, want, e.tolerance * want);
        }
        for (std::size_t i = 0; i < 3; ++i) {
            const HitCircle& circle = s.circles[i];
            EXPECT_NEAR(circle.diameter.value, 2 * radii[i] * s.sigma.value, 1e-5 * s.sigma.value);
            EXPECT_NEAR(circle.diameter.low, 2 * radii[i] * s.sigma.low, 1e-5 * s.sigma.low);
            EXPECT_NEAR(circle.diameter.high, 2 * radii[i] * s.sigma.high, 1e-5 * s.sigma.high);
        }
    }
}

TEST(GroupStats, RangeLevelAndFailures) {
    const ShotTable three = {{0, 0}, {4, 0}, {1, 3}, {0, 0}, {}};
    const std::string needTwo = "Subscript out of range: a group needs at least two shots, and this file declares ";
    const std::string tooLarge = "Overflow: the shot coordinates are too large to compute the ";
    const struct {
        ShotTable table;
        ShotCount n;
        std::string range;
        double level;
        bool angular;              // when the statistics succeed
        std::string failure = {};  // its message, or its start
    } cases[] = {
        {three, 3, "100 yds", 0.95, true},
        {three, 3, "0", 0.95, false},
        {three, 3, "-100", 0.95, false},
        {three, 3, "abc", 1e-300, false},  // the interval shrinks to the median, still finite
        {three, 3, "100", 0.9999999999999999, true},
        {three, 3, "1e400", 0.95, false, "Overflow: the range \"1e400\" is too large a number."},
        {three, 3, "1e-320", 0.95, false, "Overflow: the range \"1e-320\" is too close to 0 yards."},
        {three, 3, "1e-306", 0.95, false,  // 9.5e307 MOA per inch: the 4.2" spread would be no number
         "Overflow: the range \"1e-306\" is too close to 0 yards to give the figures as angles."},
        {three, 1, "100", 0.95, false, needTwo + "1."},
        {three, 0, "100", 0.95, false, needTwo + "0."},
        {{{1.5e308, 0}, {1.5e308, 0}}, 2, "100", 0.95, false, tooLarge + "group centre."},
        {{{1e200, 0}, {-1e200, 0}}, 2, "100", 0.95, false, tooLarge + "spread around the centre."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range + " n " + std::to_string(c.n));
        const auto outcome = ComputeGroupStats(c.table, c.n, c.range, c.level);
        if (c.failure.empty()) {
            ASSERT_TRUE(outcome.ok()) << outcome.failure().message;
            const GroupStats& s = outcome.value();
            ASSERT_EQ(s.moaPerInch.has_value(), c.angular);
            ASSERT_EQ(s.milPerInch.has_value(), c.angular);
            if (c.angular) {  // at 100 yards one MOA is 1.0471976 inches, one mil 3.6 inches
                EXPECT_NEAR(*s.moaPerInch, 1 / 1.0471976, 1e-7);
                EXPECT_NEAR(*s.milPerInch, 1 / 3.6, 1e-15);
            }
            for (const double v : {s.sigma.low, s.sigma.high, s.circles[2].diameter.high}) {
                EXPECT_TRUE(std::isfinite(v));
            }
            continue;
        }
        ASSERT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.failure().message.substr(0, c.failure.size()), c.failure);
        EXPECT_EQ(outcome.failure().message.rfind(std::string(KindName(outcome.failure().kind)) + ": ", 0), 0u);
    }
}

double BruteForceSpread(const std::vector<ShotPoint>& shots) {
    double best = 0;
    for (std::size_t i = 0; i < shots.size(); ++i) {
        for (std::size_t j = i + 1; j < shots.size(); ++j) {
            best = std::max(best, std::hypot(shots[i].x - shots[j].x, shots[i].y - shots[j].y));
        }
    }
    return best;
}

TEST(ExtremeSpread, EqualsTheFarthestPairOfAllPairs) {
    std::mt19937 random(20261122);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_int_distribution<int> grid(-3, 3);  // many repeated and collinear shots
    std::uniform_int_distribution<int> size(2, 120);
    for (int round = 0; round < 400; ++round) {
        const int n = round == 0 ? 3000 : size(random);
        std::vector<ShotPoint> shots;
        for (int i = 0; i < n; ++i) {
            switch (round % 6) {
            case 0: shots.push_back({normal(random), normal(random)}); break;
            case 1: shots.push_back({grid(random) * 0.5, grid(random) * 0.5}); break;
            case 2: {  // all on one line, out of order
                const double t = grid(random);
                shots.push_back({1 + 2 * t, -3 + t});
                break;
            }
            case 3: shots.push_back({0.25, -0.75}); break;  // all on one point
            case 4: shots.push_back({normal(random) * 1e-3 + 100, normal(random) * 4}); break;
            default: shots.push_back({normal(random) * 1e100, normal(random) * 1e100}); break;  // squares near the top
            }
        }
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(n) + " shots");
        EXPECT_NEAR(ExtremeSpread(shots), BruteForceSpread(shots), 1e-13 * BruteForceSpread(shots));
    }
    // A hull with parallel edges, where the farthest pair ends an edge that the calipers reach from its
    // other end: 12.657 (from (4.4, -5.8) to (-4.6, 3.1)), not 12.151.
    const std::vector<ShotPoint> parallel = {{4.3, -0.2},  {-4.6, 3.1},  {4.4, -5.8}, {-0.1, 2.9},
                                             {-5.2, -2.3}, {-3.9, -3.9}, {4.7, 4.4},  {-2.6, 3.1},
                                             {4.7, -3.1},  {-3.0, -5.0}, {-2.7, -2.4}};
    EXPECT_NEAR(ExtremeSpread(parallel), std::hypot(9.0, 8.9), 1e-12);
}

GroupStats Sample(double s, int k) {
    GroupStats g;
    g.rayleighS = s;
    g.shots = k / 2 + 1;
    return g;
}

TEST(CompareGroups, FTestOfTheTwoSigmas) {
    // Published upper 2.5 % points of F: F(4, 4) = 9.6045, F(10, 10) = 3.7168; there the two-sided p is 0.05.
    const struct {
        GroupStats a, b;
        double level;
        double f, p, tolerance;
        Tighter tighter;
    } cases[] = {
        {Sample(std::sqrt(9.6045), 4), Sample(1, 4), 0.96, 9.6045, 0.05, 1e-5, Tighter::Neither},
        {Sample(std::sqrt(9.6045), 4), Sample(1, 4), 0.90, 9.6045, 0.05, 1e-5, Tighter::B},
        {Sample(1, 4), Sample(std::sqrt(9.6045), 4), 0.90, 1 / 9.6045, 0.05, 1e-5, Tighter::A},
        {Sample(1, 10), Sample(std::sqrt(3.7168), 10), 0.96, 1 / 3.7168, 0.05, 1e-4, Tighter::Neither},
        {Sample(0.7, 18), Sample(0.7, 18), 0.95, 1, 1, 1e-12, Tighter::Neither},  // equal groups
        {Sample(1e-200, 8), Sample(1e200, 8), 0.95, 0, 0, 0, Tighter::A},         // F underflows to 0
        // 3 shots against 10, F = 9 with 4 and 18: x = 4F / (4F + 18) = 2/3, P(F > 9) = I_(1-x)(9, 2)
        // = (1 - x)^9 (1 + 9x) = 7 / 3^9.
        {Sample(3, 4), Sample(1, 18), 0.95, 9, 2 * 7 / 19683.0, 1e-12, Tighter::B},
    };
    for (const auto& c : cases) {
        const auto outcome = CompareGroups(c.a, c.b, c.level);
        ASSERT_TRUE(outcome.ok()) << outcome.failure().message;
        const GroupComparison& r = outcome.value();
        EXPECT_NEAR(r.f, c.f, 1e-12 * c.f);
        EXPECT_NEAR(r.p, c.p, c.tolerance);
        EXPECT_EQ(r.tighter, c.tighter) << c.f;
        EXPECT_EQ(std::tuple(r.df1, r.df2, r.level),
                  std::tuple(c.a.DegreesOfFreedom(), c.b.DegreesOfFreedom(), c.level));
    }
    for (const auto& [a, b] :
         {std::pair{Sample(1, 4), Sample(0, 4)}, {Sample(0, 4), Sample(0, 4)}, {Sample(1e200, 4), Sample(1e-200, 4)}}) {
        const auto outcome = CompareGroups(a, b, 0.95);
        ASSERT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.failure().message.rfind("Overflow: ", 0), 0u) << outcome.failure().message;
    }
}

}  // namespace
}  // namespace cep

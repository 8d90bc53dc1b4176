// SPDX-License-Identifier: MIT
// What the statistics add to sigma: the circles that hold the next shots,
// flyers against the other shots, the group's shape and its roundness test,
// and shots left out. Figures against an independent working (each shot's
// others summed afresh, F quantiles in closed form), and shares of simulated
// groups against the levels they promise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "core/group_stats.h"

namespace cep {
namespace {

// The p-quantile of F with 2 and k degrees of freedom, in closed form.
double F2(double p, double k) { return k / 2.0 * (std::pow(1.0 - p, -2.0 / k) - 1.0); }

GroupStats Stats(const std::vector<ShotPoint>& shots, std::vector<int> exclude = {}) {
    const auto outcome = ComputeGroupStats(shots, static_cast<ShotCount>(shots.size()), "100", 0.95, exclude);
    EXPECT_TRUE(outcome.ok()) << outcome.failure().message;
    return outcome.value();
}

// Each shot against the mean and spread of the others, summed afresh.
std::vector<Flyer> FlyersByHand(const std::vector<ShotPoint>& shots) {
    std::vector<Flyer> flyers;
    const double n = static_cast<double>(shots.size());
    if (n < 4) return flyers;
    for (std::size_t i = 0; i < shots.size(); ++i) {
        ShotPoint centre;
        for (std::size_t j = 0; j < shots.size(); ++j) {
            if (j == i) continue;
            centre.x += shots[j].x / (n - 1);
            centre.y += shots[j].y / (n - 1);
        }
        double squares = 0;
        for (std::size_t j = 0; j < shots.size(); ++j) {
            if (j != i) squares += std::pow(shots[j].x - centre.x, 2) + std::pow(shots[j].y - centre.y, 2);
        }
        const double k = 2 * (n - 2);
        const double limit = std::sqrt(2 * (1 + 1 / (n - 1)) * squares / k * F2(1 - 0.01 / n, k));
        const double distance = std::hypot(shots[i].x - centre.x, shots[i].y - centre.y);
        if (distance > limit) flyers.push_back({static_cast<int>(i) + 1, distance, limit});
    }
    return flyers;
}

TEST(NextShots, CirclesAndShapeOfThreeShotsByHand) {
    // Centre (5/3, 1); squares about it 26/3, 6 and -2 (xy); s^2 = (26/3 + 6) / 4 = 11/3.
    const GroupStats g = Stats({{0, 0}, {4, 0}, {1, 3}});
    for (std::size_t i = 0; i < 3; ++i) {
        const double p = kHitCirclePercents[i] / 100.0;
        EXPECT_EQ(g.prediction[i].percent, kHitCirclePercents[i]);
        EXPECT_NEAR(g.prediction[i].diameter, 2 * std::sqrt(2 * (4.0 / 3) * (11.0 / 3) * F2(p, 4)), 1e-12);
    }
    // Covariance (13/3, 3, -1): eigenvalues 11/3 +- sqrt(13/9); the major axis at atan2(-2, 4/3) / 2.
    const double l1 = 11.0 / 3 + std::sqrt(13.0 / 9);
    const double l2 = 11.0 / 3 - std::sqrt(13.0 / 9);
    EXPECT_NEAR(g.shape.sdMajor, std::sqrt(l1), 1e-12);
    EXPECT_NEAR(g.shape.sdMinor, std::sqrt(l2), 1e-12);
    EXPECT_NEAR(g.shape.angleDegrees, std::atan2(-2.0, 4.0 / 3) / 2 * 180 / std::numbers::pi, 1e-10);
    EXPECT_NEAR(g.shape.pRound, std::sqrt(4 * l1 * l2 / ((l1 + l2) * (l1 + l2))), 1e-12);
    EXPECT_FALSE(g.shape.elongated);
    // Next-shot ellipses: (1 + 1/3) 2 (3 - 1) / (3 - 2) F(p; 2, 1) times each eigenvalue.
    ASSERT_EQ(g.shape.ellipses.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const double c = 4.0 / 3 * 4 * F2(kHitCirclePercents[i] / 100.0, 1);
        EXPECT_NEAR(g.shape.ellipses[i].major, 2 * std::sqrt(l1 * c), 1e-9 * g.shape.ellipses[i].major);
        EXPECT_NEAR(g.shape.ellipses[i].minor, 2 * std::sqrt(l2 * c), 1e-9 * g.shape.ellipses[i].minor);
    }
    EXPECT_TRUE(g.flyers.empty());  // too few shots to judge one against the others
}

TEST(Flyers, EachShotAgainstTheOthersAsWorkedAfresh) {
    std::mt19937_64 random(11);
    std::normal_distribution<double> normal;
    int flagged = 0;
    for (int round = 0; round < 600; ++round) {
        const int n = 4 + round % 37;
        std::vector<ShotPoint> shots;
        for (int i = 0; i < n; ++i) shots.push_back({3 + normal(random), -2 + 0.8 * normal(random)});
        // A shot moved out, 2.5 to 6 sigma, in most rounds; in others none.
        if (round % 5 != 0) shots[static_cast<std::size_t>(round) % shots.size()].x += 2.5 + (round % 8) * 0.5;
        const std::vector<Flyer> expected = FlyersByHand(shots);
        const std::vector<Flyer> found = Stats(shots).flyers;
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(found.size(), expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].shot, expected[i].shot);
            EXPECT_NEAR(found[i].distance, expected[i].distance, 1e-9);
            EXPECT_NEAR(found[i].limit, expected[i].limit, 1e-9);
        }
        flagged += !found.empty();
    }
    EXPECT_GT(flagged, 200);  // the planted ones are mostly found
    // Identical shots but one: the others predict no spread at all.
    const GroupStats g = Stats({{1, 1}, {1, 1}, {1, 1}, {1.5, 1}});
    ASSERT_EQ(g.flyers.size(), 1u);
    EXPECT_EQ(g.flyers[0].shot, 4);
    EXPECT_DOUBLE_EQ(g.flyers[0].distance, 0.5);
    EXPECT_EQ(g.flyers[0].limit, 0.0);
    EXPECT_TRUE(Stats({{1, 1}, {1, 1}, {1, 1}, {1, 1}}).flyers.empty());
}

TEST(LeftOut, FiguresOfTheOtherShotsAndNumbersOfTheFile) {
    const std::vector<ShotPoint> shots = {{0.1, 0.2}, {-0.3, 0.1},  {9, 9},   {0.2, -0.2},
                                          {0.0, 0.3}, {-0.1, -0.1}, {0.05, 0}};
    const GroupStats all = Stats(shots);
    ASSERT_EQ(all.flyers.size(), 1u);
    EXPECT_EQ(all.flyers[0].shot, 3);
    // Without shot 3 the group is that of the other six; shot 7 is numbered as in the file.
    std::vector<ShotPoint> others = shots;
    others.erase(others.begin() + 2);
    others[5] = {3, 0.05};  // now a flyer, the file's shot 7
    std::vector<ShotPoint> withFlyer = shots;
    withFlyer[6] = others[5];
    const GroupStats left = Stats(withFlyer, {3, 3});
    const GroupStats alone = Stats(others);
    EXPECT_EQ(left.shots, 6);
    EXPECT_EQ(left.excluded, std::vector<int>{3});
    EXPECT_EQ(left.centre, alone.centre);
    EXPECT_EQ(left.sigma.value, alone.sigma.value);
    EXPECT_EQ(left.extremeSpread, alone.extremeSpread);
    ASSERT_EQ(left.flyers.size(), 1u);
    ASSERT_EQ(alone.flyers.size(), 1u);
    EXPECT_EQ(alone.flyers[0].shot, 6);
    EXPECT_EQ(left.flyers[0].shot, 7);
    EXPECT_EQ(Stats(withFlyer, {7, 1}).excluded, (std::vector<int>{1, 7}));

    const struct {
        std::vector<int> exclude;
        const char* message;
    } failures[] = {
        {{0}, "Subscript out of range: shot 0 cannot be left out: the file holds 7 shots."},
        {{8}, "Subscript out of range: shot 8 cannot be left out: the file holds 7 shots."},
        {{1, 2, 3, 4, 5, 6},
         "Subscript out of range: a group needs at least two shots, and 1 is left once shots are left out."},
    };
    for (const auto& f : failures) {
        const auto outcome = ComputeGroupStats(shots, 7, "100", 0.95, f.exclude);
        ASSERT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.failure().message, f.message);
    }
}

// Shares of simulated groups: the next shot inside each prediction circle at
// its level, clean groups flagged for a flyer or as elongated at about 1 %,
// and an elongated group (SD 2 across, 0.5 up) found at 20 shots.
TEST(Simulated, SharesHoldTheirLevels) {
    std::mt19937_64 random(2026);
    std::normal_distribution<double> normal;
    constexpr int kGroups = 20000;
    for (const int n : {3, 5}) {
        int inside[3] = {};
        std::vector<ShotPoint> shots(static_cast<std::size_t>(n));
        for (int g = 0; g < kGroups; ++g) {
            for (ShotPoint& p : shots) p = {normal(random), normal(random)};
            const GroupStats s = Stats(shots);
            const double r = std::hypot(normal(random) - s.centre.x, normal(random) - s.centre.y);
            for (std::size_t i = 0; i < 3; ++i) inside[i] += r <= s.prediction[i].diameter / 2;
        }
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(inside[i] / double(kGroups), kHitCirclePercents[i] / 100.0, 0.01) << n << " shots";
        }
    }
    for (const int n : {4, 10, 40}) {
        int flyers = 0;
        int elongated = 0;
        int found = 0;
        std::vector<ShotPoint> shots(static_cast<std::size_t>(n));
        for (int g = 0; g < kGroups / 4; ++g) {
            for (ShotPoint& p : shots) p = {normal(random), normal(random)};
            const GroupStats s = Stats(shots);
            flyers += !s.flyers.empty();
            elongated += s.shape.elongated;
            for (ShotPoint& p : shots) p = {2 * normal(random), 0.5 * normal(random)};
            found += Stats(shots).shape.elongated;
        }
        // 5,000 groups: a share of 1 % lies within 0.0028 of it nineteen times in twenty.
        EXPECT_NEAR(flyers / (kGroups / 4.0), 0.01, 0.0042) << n << " shots";
        EXPECT_NEAR(elongated / (kGroups / 4.0), 0.01, 0.0042) << n << " shots";
        if (n >= 10) { EXPECT_GT(found / (kGroups / 4.0), 0.7) << n << " shots"; }
    }
}

}  // namespace
}  // namespace cep

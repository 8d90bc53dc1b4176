// SPDX-License-Identifier: MIT
#include "core/group_pool.h"
#include "core/math_policy.h"

#include <algorithm>
#include <cmath>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>

#include "core/portable_math.h"

namespace cep {

namespace {

namespace bm = boost::math;

bool Finite(double v) { return std::isfinite(v); }

Failure TooLarge(std::string_view what) {
    return MakeFailure(FailureKind::Overflow,
                       "the shot coordinates are too large to compute the pool's " + std::string(what) + ".");
}

// Bartlett: M = sum k_g log(s^2 / s_g^2) over C = 1 + (sum 1/k_g - 1/nu) / (3 (G - 1)).
std::optional<SpreadTest> TestSpreads(std::span<const GroupStats* const> groups, double s2, int nu) {
    const int g = static_cast<int>(groups.size());
    double m = 0.0;
    double inverses = 0.0;
    for (const GroupStats* group : groups) {
        const int k = group->DegreesOfFreedom();
        const double s2g = group->sumOfSquares / k;
        if (!(s2g > 0.0)) return std::nullopt;
        m += k * PortableLog(s2 / s2g);
        inverses += 1.0 / k;
    }
    SpreadTest test;
    test.df = g - 1;
    const double c = 1.0 + (inverses - 1.0 / nu) / (3.0 * (g - 1));
    test.chi2 = std::max(0.0, m / c);
    test.p = bm::cdf(bm::complement(bm::chi_squared_distribution<double, QuietMath>(test.df), test.chi2));
    if (!Finite(test.chi2) || !Finite(test.p)) return std::nullopt;
    test.differ = test.p < kPoolTestAlpha;
    return test;
}

}  // namespace

Outcome<PoolStats> PoolGroups(std::span<const GroupStats* const> groups, double level) {
    if (groups.size() < 2) {
        return MakeFailure(FailureKind::SubscriptOutOfRange, "a pool needs at least two groups, and " +
                                                                 std::to_string(groups.size()) +
                                                                 (groups.size() == 1 ? " was" : " were") + " read.");
    }
    PoolStats pool;
    pool.groups = static_cast<int>(groups.size());
    pool.level = level;
    pool.rangeYards = groups.front()->rangeYards;
    pool.moaPerInch = groups.front()->moaPerInch;
    pool.milPerInch = groups.front()->milPerInch;
    double sumSquares = 0.0;
    double sumX = 0.0;
    double sumY = 0.0;
    for (const GroupStats* g : groups) {
        pool.shots += g->shots;
        sumSquares += g->sumOfSquares;
        sumX += g->shots * g->centre.x;
        sumY += g->shots * g->centre.y;
        pool.averageExtremeSpread += g->extremeSpread;
        pool.averageMeanRadius += g->meanRadius;
    }
    const double count = pool.shots;
    const int nu = pool.DegreesOfFreedom();
    pool.averageExtremeSpread /= pool.groups;
    pool.averageMeanRadius /= pool.groups;
    pool.centre = {sumX / count, sumY / count};
    pool.centreOffset = std::sqrt(pool.centre.x * pool.centre.x + pool.centre.y * pool.centre.y);
    if (!Finite(pool.centreOffset) || !Finite(sumSquares)) return TooLarge("centre");
    if (!(sumSquares > 0.0)) {
        return MakeFailure(FailureKind::DivisionByZero,
                           "the shots of every group sit on one point, so there is no spread to pool.");
    }
    pool.sumOfSquares = sumSquares;
    const double s2 = sumSquares / nu;
    pool.rayleighS = std::sqrt(s2);
    pool.sigma = SigmaFromRayleigh(pool.rayleighS, nu, level);
    pool.circles = HitCirclesFor(pool.sigma);
    pool.prediction = PredictionCirclesFor(count, s2, nu);

    pool.spreads = TestSpreads(groups, s2, nu);

    // Between the centres: sum n_g |c_g - c|^2 over 2 (G - 1), against s^2.
    double between = 0.0;
    for (const GroupStats* g : groups) {
        const double dx = g->centre.x - pool.centre.x;
        const double dy = g->centre.y - pool.centre.y;
        between += g->shots * (dx * dx + dy * dy);
    }
    CentreTest& centres = pool.centres;
    centres.df1 = 2 * (pool.groups - 1);
    centres.df2 = nu;
    centres.f = between / centres.df1 / s2;
    centres.p = bm::cdf(bm::complement(bm::fisher_f_distribution<double, QuietMath>(centres.df1, centres.df2), centres.f));
    centres.differ = centres.p < kPoolTestAlpha;

    const double largest = std::max({pool.sigma.high, pool.circles.back().diameter.high,
                                     pool.prediction.back().diameter, pool.averageExtremeSpread, centres.f});
    if (!Finite(largest) || !Finite(centres.p)) return TooLarge("spread");
    if (pool.moaPerInch && !Finite(largest * *pool.moaPerInch)) return TooLarge("figures as angles");
    return pool;
}

namespace {

// What the correction and the chance of a hit need of a group or a pool.
template <typename Stats>
Dispersion DispersionOf(const Stats& s) {
    Dispersion d;
    d.centre = s.centre;
    d.s2 = s.sumOfSquares / s.DegreesOfFreedom();
    d.degreesOfFreedom = s.DegreesOfFreedom();
    d.shots = s.shots;
    d.rangeYards = s.rangeYards;
    d.level = s.level;
    return d;
}

}  // namespace

Dispersion PoolDispersion(const PoolStats& pool) { return DispersionOf(pool); }

Dispersion GroupDispersion(const GroupStats& group) { return DispersionOf(group); }

}  // namespace cep

#include "group_stats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/special_functions/gamma.hpp>

namespace cep {

namespace {

namespace bm = boost::math;
namespace bp = boost::math::policies;

// Boost.Math hands back a NaN or an infinity instead of throwing; the checks
// below turn any such figure into an Overflow failure.
using Quiet = bp::policy<bp::domain_error<bp::ignore_error>, bp::pole_error<bp::ignore_error>,
                         bp::overflow_error<bp::ignore_error>, bp::underflow_error<bp::ignore_error>,
                         bp::denorm_error<bp::ignore_error>, bp::rounding_error<bp::ignore_error>,
                         bp::evaluation_error<bp::ignore_error>,
                         bp::indeterminate_result_error<bp::ignore_error>>;

bool Finite(double v) { return std::isfinite(v); }

Failure TooLarge(std::string_view what) {
    return MakeFailure(FailureKind::Overflow,
                       "the shot coordinates are too large to compute the " + std::string(what) + ".");
}

// Twice the signed area of o, a, b: positive when b lies left of o -> a.
double Cross(const ShotPoint& o, const ShotPoint& a, const ShotPoint& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double SquaredDistance(const ShotPoint& a, const ShotPoint& b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// Monotone chain: the hull's corners counter-clockwise, without repeated
// points or points in the middle of an edge.
std::vector<ShotPoint> ConvexHull(std::vector<ShotPoint> points) {
    std::sort(points.begin(), points.end(),
              [](const ShotPoint& a, const ShotPoint& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) return points;
    std::vector<ShotPoint> hull(2 * points.size());
    std::size_t k = 0;
    for (const ShotPoint& p : points) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0.0) --k;
        hull[k++] = p;
    }
    const std::size_t lowerEnd = k + 1;
    for (std::size_t i = points.size() - 1; i-- > 0;) {
        while (k >= lowerEnd && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0.0) --k;
        hull[k++] = points[i];
    }
    hull.resize(k - 1);  // the last point repeats the first
    return hull;
}

// Only shots outside the polygon of the extreme shots in eight directions can
// be hull corners; for a real group that leaves a few dozen of thousands.
std::vector<ShotPoint> HullCandidates(std::span<const ShotPoint> shots) {
    std::array<ShotPoint, 8> extreme;
    extreme.fill(shots.front());
    // Directions counter-clockwise from +x; the score of a shot in each.
    const auto score = [](const ShotPoint& p, int d) {
        switch (d) {
        case 0: return p.x;
        case 1: return p.x + p.y;
        case 2: return p.y;
        case 3: return p.y - p.x;
        case 4: return -p.x;
        case 5: return -p.x - p.y;
        case 6: return -p.y;
        default: return p.x - p.y;
        }
    };
    for (const ShotPoint& p : shots) {
        for (int d = 0; d < 8; ++d) {
            ShotPoint& best = extreme[static_cast<std::size_t>(d)];
            if (score(p, d) > score(best, d)) best = p;
        }
    }
    std::vector<ShotPoint> candidates(extreme.begin(), extreme.end());
    for (const ShotPoint& p : shots) {
        // Strictly inside every edge of the octagon: not a corner. A shot
        // extreme in two directions gives an edge of no length, left out.
        bool inside = true;
        for (std::size_t d = 0; d < 8 && inside; ++d) {
            const ShotPoint& from = extreme[d];
            const ShotPoint& to = extreme[(d + 1) % 8];
            inside = from == to || Cross(from, to, p) > 0.0;
        }
        if (!inside) candidates.push_back(p);
    }
    return candidates;
}

// Rotating calipers: for each hull edge, the corner farthest from its line,
// whose distance to the edge's ends bounds every pair.
double FarthestSquaredDistance(const std::vector<ShotPoint>& hull) {
    const std::size_t h = hull.size();
    if (h < 2) return 0.0;
    if (h == 2) return SquaredDistance(hull[0], hull[1]);
    double best = 0.0;
    std::size_t j = 1;
    for (std::size_t i = 0; i < h; ++i) {
        const ShotPoint& a = hull[i];
        const ShotPoint& b = hull[(i + 1) % h];
        while (Cross(a, b, hull[(j + 1) % h]) > Cross(a, b, hull[j])) j = (j + 1) % h;
        best = std::max({best, SquaredDistance(a, hull[j]), SquaredDistance(b, hull[j])});
    }
    return best;
}

std::string RangeQuoted(std::string_view rangeText) { return "the range \"" + std::string(rangeText) + "\""; }

}  // namespace

double ExtremeSpread(std::span<const ShotPoint> shots) {
    if (shots.size() < 2) return 0.0;
    return std::sqrt(FarthestSquaredDistance(ConvexHull(HullCandidates(shots))));
}

Outcome<GroupStats> ComputeGroupStats(const ShotTable& table, ShotCount n, std::string_view rangeText,
                                      double level) {
    if (n < 2) {
        return MakeFailure(FailureKind::SubscriptOutOfRange,
                           "a group needs at least two shots, and this file declares " + std::to_string(n) + ".");
    }
    if (static_cast<std::size_t>(n) > table.size()) {
        return MakeFailure(FailureKind::SubscriptOutOfRange,
                           "the shot table holds " + std::to_string(table.size()) + " entries, fewer than " +
                               std::to_string(n) + " shots.");
    }
    if (!(level > 0.0 && level < 1.0)) {
        return MakeFailure(FailureKind::Overflow, "the confidence level must lie strictly between 0 and 1.");
    }
    const std::span<const ShotPoint> shots(table.data(), static_cast<std::size_t>(n));
    const double count = n;

    GroupStats g;
    g.shots = n;
    g.degreesOfFreedom = 2 * (n - 1);
    g.level = level;

    const auto yards = LeadingNumber(rangeText);
    if (!yards) return MakeFailure(FailureKind::Overflow, RangeQuoted(rangeText) + " is too large a number.");
    g.rangeYards = yards.value();
    if (g.rangeYards > 0.0) {
        g.moaPerInch = 10800.0 / (std::numbers::pi * 36.0 * g.rangeYards);
        g.milPerInch = 1000.0 / (36.0 * g.rangeYards);
        if (!Finite(*g.moaPerInch) || !Finite(*g.milPerInch)) {
            return MakeFailure(FailureKind::Overflow, RangeQuoted(rangeText) + " is too close to 0 yards.");
        }
    }

    double sumX = 0.0;
    double sumY = 0.0;
    for (const ShotPoint& p : shots) {
        sumX += p.x;
        sumY += p.y;
    }
    g.centre = {sumX / count, sumY / count};
    g.centreOffset = std::hypot(g.centre.x, g.centre.y);
    if (!Finite(g.centre.x) || !Finite(g.centre.y) || !Finite(g.centreOffset)) return TooLarge("group centre");

    double squaresX = 0.0;
    double squaresY = 0.0;
    double radii = 0.0;
    for (const ShotPoint& p : shots) {
        const double dx = p.x - g.centre.x;
        const double dy = p.y - g.centre.y;
        squaresX += dx * dx;
        squaresY += dy * dy;
        radii += std::sqrt(dx * dx + dy * dy);
    }
    g.sdX = std::sqrt(squaresX / (count - 1.0));
    g.sdY = std::sqrt(squaresY / (count - 1.0));
    g.meanRadius = radii / count;
    if (!Finite(g.sdX) || !Finite(g.sdY) || !Finite(g.meanRadius)) return TooLarge("spread around the centre");

    g.extremeSpread = ExtremeSpread(shots);
    if (!Finite(g.extremeSpread)) return TooLarge("extreme spread");

    // Sum of squares over sigma squared is chi-square with k degrees of freedom.
    const double k = g.degreesOfFreedom;
    g.rayleighS = std::sqrt((squaresX + squaresY) / k);
    const double bias = std::sqrt(2.0 / k) * bm::tgamma_ratio((k + 1.0) / 2.0, k / 2.0, Quiet());
    const bm::chi_squared_distribution<double, Quiet> chiSquare(k);
    const double tail = (1.0 - level) / 2.0;
    const double qLow = bm::quantile(chiSquare, tail);
    const double qHigh = bm::quantile(bm::complement(chiSquare, tail));
    g.sigma = {g.rayleighS / bias, g.rayleighS * std::sqrt(k / qHigh), g.rayleighS * std::sqrt(k / qLow)};
    if (!Finite(g.sigma.value) || !Finite(g.sigma.low) || !Finite(g.sigma.high)) return TooLarge("sigma");

    for (std::size_t i = 0; i < kHitCirclePercents.size(); ++i) {
        const int percent = kHitCirclePercents[i];
        const double factor = 2.0 * std::sqrt(-2.0 * std::log1p(-percent / 100.0));
        g.circles[i] = {percent, {factor * g.sigma.value, factor * g.sigma.low, factor * g.sigma.high}};
        const Estimate& d = g.circles[i].diameter;
        if (!Finite(d.value) || !Finite(d.low) || !Finite(d.high)) {
            return TooLarge(std::to_string(percent) + "% circle");
        }
    }
    return g;
}

Outcome<GroupStats> ReadGroupStats(const std::string& path, std::string_view rangeText, double level,
                                   ShotTable& shots) {
    const auto read = ReadGroupFileDetailed(path, shots);
    if (!read) return read.failure();
    if (!read.value().hadCountLine) {
        return MakeFailure(FailureKind::SubscriptOutOfRange,
                           "a group needs at least two shots, and this file has fewer than three lines, so it "
                           "declares none.");
    }
    return ComputeGroupStats(shots, read.value().count, rangeText, level);
}

Outcome<GroupComparison> CompareGroups(const GroupStats& a, const GroupStats& b, double level) {
    if (b.rayleighS == 0.0) {
        return MakeFailure(FailureKind::Overflow,
                           a.rayleighS == 0.0
                               ? "the shots of each group sit on one point, so there is no spread to compare."
                               : "the shots of the second group sit on one point, so the ratio of the spreads "
                                 "has no finite value.");
    }
    GroupComparison c;
    const double ratio = a.rayleighS / b.rayleighS;
    c.f = ratio * ratio;
    c.df1 = a.degreesOfFreedom;
    c.df2 = b.degreesOfFreedom;
    c.level = level;
    if (!Finite(c.f)) {
        return MakeFailure(FailureKind::Overflow,
                           "the first group's spread is too large against the second's for the ratio of the two.");
    }
    const bm::fisher_f_distribution<double, Quiet> fisher(c.df1, c.df2);
    c.p = 2.0 * std::min(bm::cdf(fisher, c.f), bm::cdf(bm::complement(fisher, c.f)));
    if (!Finite(c.p)) return MakeFailure(FailureKind::Overflow, "the p-value of the comparison has no finite value.");
    if (c.p < 1.0 - level) c.tighter = a.rayleighS < b.rayleighS ? Tighter::A : Tighter::B;
    return c;
}

}  // namespace cep

// SPDX-License-Identifier: MIT
#include "core/group_stats.h"
#include "core/math_policy.h"
#include "core/portable_math.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/special_functions/gamma.hpp>

namespace cep {

namespace {

namespace bm = boost::math;

bool Finite(double v) { return std::isfinite(v); }

constexpr std::size_t kFewShots = 10;

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
    // Directions counter-clockwise from +x; the first shot farthest in each.
    std::array<double, 8> best;
    best.fill(-std::numeric_limits<double>::infinity());
    std::array<ShotPoint, 8> extreme{};
    for (const ShotPoint& p : shots) {
        const double score[8] = {p.x, p.x + p.y, p.y, p.y - p.x, -p.x, -p.x - p.y, -p.y, p.x - p.y};
        for (std::size_t d = 0; d < 8; ++d) {
            if (score[d] > best[d]) {
                best[d] = score[d];
                extreme[d] = p;
            }
        }
    }
    // The octagon's corners, a shot extreme in several directions once.
    std::vector<ShotPoint> corners;
    for (const ShotPoint& p : extreme) {
        if (corners.empty() || !(p == corners.back())) corners.push_back(p);
    }
    while (corners.size() > 1 && corners.front() == corners.back()) corners.pop_back();
    const std::size_t m = corners.size();
    std::array<ShotPoint, 8> edge{};
    for (std::size_t d = 0; d < m; ++d) {
        const ShotPoint& next = corners[(d + 1) % m];
        edge[d] = {next.x - corners[d].x, next.y - corners[d].y};
    }
    // A shot strictly left of every edge is inside, not a corner. Most lie
    // within the circle inside the octagon around its corners' mean, which
    // settles them with one distance.
    ShotPoint middle;
    for (const ShotPoint& c : corners) {
        middle.x += c.x / static_cast<double>(m);
        middle.y += c.y / static_cast<double>(m);
    }
    double clear = m > 2 ? std::numeric_limits<double>::infinity() : 0.0;  // squared radius of that circle
    for (std::size_t d = 0; d < m; ++d) {
        const double side = edge[d].x * (middle.y - corners[d].y) - edge[d].y * (middle.x - corners[d].x);
        const double distance = side / std::hypot(edge[d].x, edge[d].y);
        clear = distance > 0.0 ? std::min(clear, distance * distance) : 0.0;
    }
    if (!Finite(clear)) clear = 0.0;
    std::vector<ShotPoint> candidates(corners);
    for (const ShotPoint& p : shots) {
        const double dx = p.x - middle.x;
        const double dy = p.y - middle.y;
        if (dx * dx + dy * dy < clear) continue;
        bool inside = true;
        for (std::size_t d = 0; d < m; ++d) {
            inside &= edge[d].x * (p.y - corners[d].y) - edge[d].y * (p.x - corners[d].x) > 0.0;
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

// What turns s into sigma and its interval for k degrees of freedom: the sum
// of squares over sigma squared is chi-square with k degrees of freedom.
struct SigmaFactors {
    double bias;  // c, the mean of s / sigma
    double low;   // sqrt(k / q_hi)
    double high;  // sqrt(k / q_lo)
};

// Files in one batch mostly hold groups of one size, so each size's factors
// are worked out once per level and kept.
const SigmaFactors& SigmaFactorsFor(int degreesOfFreedom, double level) {
    thread_local std::map<std::pair<int, double>, SigmaFactors> known;
    const auto [at, isNew] = known.try_emplace({degreesOfFreedom, level});
    if (isNew) {
        const double k = degreesOfFreedom;
        const bm::chi_squared_distribution<double, QuietMath> chiSquare(k);
        const double tail = (1.0 - level) / 2.0;
        at->second = {std::sqrt(2.0 / k) * bm::tgamma_ratio((k + 1.0) / 2.0, k / 2.0, QuietMath()),
                      std::sqrt(k / bm::quantile(bm::complement(chiSquare, tail))),
                      std::sqrt(k / bm::quantile(chiSquare, tail))};
    }
    return at->second;
}

std::string RangeQuoted(std::string_view rangeText) { return "the range \"" + std::string(rangeText) + "\""; }

// The p-quantile of the F distribution with 2 and `df2` degrees of freedom,
// kept per level and size for the same reason as the sigma factors.
double FQuantile2(double p, int df2) {
    thread_local std::map<std::pair<int, double>, double> known;
    const auto [at, isNew] = known.try_emplace({df2, p});
    if (isNew) at->second = bm::quantile(bm::fisher_f_distribution<double, QuietMath>(2.0, df2), p);
    return at->second;
}

// The diameter of the circle that holds a share p of the next shots: the
// next shot's distance from the centre, squared, over 2 (1 + 1/n) s^2, is
// F-distributed with 2 and k degrees of freedom.
double PredictionDiameter(double p, double shots, double s2, int k) {
    return 2.0 * std::sqrt(2.0 * (1.0 + 1.0 / shots) * s2 * FQuantile2(p, k));
}

// Sums about the centre, from which every spread figure follows.
struct Squares {
    double xx = 0.0;
    double yy = 0.0;
    double xy = 0.0;
};

// Each shot against the centre and spread of the others, which follow from
// the totals: the check is linear in the number of shots.
std::vector<Flyer> FindFlyers(std::span<const ShotPoint> shots, std::span<const int> numbers, ShotPoint centre,
                              const Squares& squares) {
    std::vector<Flyer> flyers;
    const std::size_t n = shots.size();
    if (n < static_cast<std::size_t>(kFewestShotsForFlyers)) return flyers;
    const double count = static_cast<double>(n);
    const double toOthers = count / (count - 1.0);  // shot to the others' centre, over shot to the centre
    const int k = 2 * (static_cast<int>(n) - 2);    // of the others' spread
    const double bound = 2.0 * (1.0 + 1.0 / (count - 1.0)) / k * FQuantile2(1.0 - kFlyerAlpha / count, k);
    const double total = squares.xx + squares.yy;
    for (std::size_t i = 0; i < n; ++i) {
        const double r2 = SquaredDistance(shots[i], centre);
        const double others = std::max(0.0, total - toOthers * r2);
        const double distance = toOthers * std::sqrt(r2);
        const double limit = std::sqrt(bound * others);
        if (distance > limit) {
            flyers.push_back({numbers.empty() ? static_cast<int>(i) + 1 : numbers[i], distance, limit});
        }
    }
    return flyers;
}

// The covariance matrix's axes; a round group's (p = 1 for fewer than three
// shots, or no spread). For two dimensions the sphericity test is exact: with
// m = n - 1 degrees of freedom and W = 4 l1 l2 / (l1 + l2)^2, the chance of a
// round group giving W or less is W^((m - 1) / 2).
// Only the operations IEEE 754 rounds exactly, so that every platform's
// figures agree to the last bit: libm's hypot and pow differ between them.
double Length(double a, double b) {
    const double scale = std::max(std::fabs(a), std::fabs(b));
    if (scale == 0.0 || !Finite(scale)) return scale;
    const double x = a / scale;
    const double y = b / scale;
    return scale * std::sqrt(x * x + y * y);
}

// w to the power half / 2, by squaring.
double PowerOfHalves(double w, long half) {
    double result = half % 2 != 0 ? std::sqrt(w) : 1.0;
    double base = w;
    for (long e = half / 2; e > 0; e /= 2) {
        if (e % 2 != 0) result *= base;
        base *= base;
    }
    return result;
}

GroupShape ShapeOf(const Squares& squares, double count) {
    GroupShape shape;
    const double m = count - 1.0;
    const double half = (squares.xx + squares.yy) / (2.0 * m);
    const double apart = Length((squares.xx - squares.yy) / (2.0 * m), squares.xy / m);
    const double major = half + apart;
    const double minor = std::max(0.0, half - apart);
    shape.sdMajor = std::sqrt(major);
    shape.sdMinor = std::sqrt(minor);
    shape.angleDegrees = 0.5 * std::atan2(2.0 * squares.xy, squares.xx - squares.yy) * 180.0 / std::numbers::pi;
    if (shape.angleDegrees <= -90.0) shape.angleDegrees += 180.0;
    if (count < 3.0 || !(major > 0.0)) return shape;
    const double ratio = minor / major;
    const double w = 4.0 * ratio / ((1.0 + ratio) * (1.0 + ratio));
    shape.pRound = PowerOfHalves(w, static_cast<long>(count) - 2);
    shape.elongated = shape.pRound < kRoundnessAlpha;
    // The next shot's Mahalanobis distance squared, over (1 + 1/n), is
    // 2 (n - 1) / (n - 2) times F with 2 and n - 2 degrees of freedom.
    const int k = static_cast<int>(count) - 2;
    for (const int percent : kHitCirclePercents) {
        const double c = (1.0 + 1.0 / count) * 2.0 * m / k * FQuantile2(percent / 100.0, k);
        shape.ellipses.push_back({percent, 2.0 * std::sqrt(major * c), 2.0 * std::sqrt(minor * c)});
    }
    return shape;
}

}  // namespace

Estimate SigmaFromRayleigh(double rayleighS, int degreesOfFreedom, double level) {
    const SigmaFactors& factors = SigmaFactorsFor(degreesOfFreedom, level);
    return {rayleighS / factors.bias, rayleighS * factors.low, rayleighS * factors.high};
}

std::array<HitCircle, 3> HitCirclesFor(const Estimate& sigma) {
    std::array<HitCircle, 3> circles;
    for (std::size_t i = 0; i < kHitCirclePercents.size(); ++i) {
        const int percent = kHitCirclePercents[i];
        const double factor = 2.0 * std::sqrt(-2.0 * std::log1p(-percent / 100.0));
        circles[i] = {percent, {factor * sigma.value, factor * sigma.low, factor * sigma.high}};
    }
    return circles;
}

std::array<PredictionCircle, 3> PredictionCirclesFor(double shots, double s2, int degreesOfFreedom) {
    std::array<PredictionCircle, 3> circles;
    for (std::size_t i = 0; i < kHitCirclePercents.size(); ++i) {
        const int percent = kHitCirclePercents[i];
        circles[i] = {percent, PredictionDiameter(percent / 100.0, shots, s2, degreesOfFreedom)};
    }
    return circles;
}

double FQuantileTwo(double p, int df2) { return FQuantile2(p, df2); }

double ExtremeSpread(std::span<const ShotPoint> shots) {
    if (shots.size() < 2) return 0.0;
    // A handful of shots is quicker to pair up than to wrap in a hull.
    if (shots.size() <= kFewShots) {
        double best = 0.0;
        for (std::size_t i = 0; i < shots.size(); ++i) {
            for (std::size_t j = i + 1; j < shots.size(); ++j) {
                best = std::max(best, SquaredDistance(shots[i], shots[j]));
            }
        }
        return std::sqrt(best);
    }
    return std::sqrt(FarthestSquaredDistance(ConvexHull(HullCandidates(shots))));
}

Outcome<GroupStats> ComputeGroupStats(const ShotTable& table, ShotCount n, std::string_view rangeText, double level,
                                      std::span<const int> exclude) {
    if (n < 2) {
        return MakeFailure(FailureKind::SubscriptOutOfRange,
                           "a group needs at least two shots, and this file declares " + std::to_string(n) + ".");
    }
    if (static_cast<std::size_t>(n) > table.size()) {
        return MakeFailure(FailureKind::SubscriptOutOfRange, "the shot table holds " + std::to_string(table.size()) +
                                                                 " entries, fewer than " + std::to_string(n) +
                                                                 " shots.");
    }
    if (!(level > 0.0 && level < 1.0)) {
        return MakeFailure(FailureKind::Overflow, "the confidence level must lie strictly between 0 and 1.");
    }
    GroupStats g;
    // The shots kept, and their numbers in the file when some are left out.
    std::span<const ShotPoint> shots(table.data(), static_cast<std::size_t>(n));
    std::vector<ShotPoint> kept;
    std::vector<int> numbers;
    if (!exclude.empty()) {
        g.excluded.assign(exclude.begin(), exclude.end());
        std::sort(g.excluded.begin(), g.excluded.end());
        g.excluded.erase(std::unique(g.excluded.begin(), g.excluded.end()), g.excluded.end());
        for (const int shot : g.excluded) {
            if (shot < 1 || shot > n) {
                return MakeFailure(FailureKind::SubscriptOutOfRange, "shot " + std::to_string(shot) +
                                                                         " cannot be left out: the file holds " +
                                                                         std::to_string(n) + " shots.");
            }
        }
        for (int shot = 1, next = 0; shot <= n; ++shot) {
            if (next < static_cast<int>(g.excluded.size()) && g.excluded[static_cast<std::size_t>(next)] == shot) {
                ++next;
                continue;
            }
            kept.push_back(shots[static_cast<std::size_t>(shot - 1)]);
            numbers.push_back(shot);
        }
        if (kept.size() < 2) {
            return MakeFailure(FailureKind::SubscriptOutOfRange,
                               "a group needs at least two shots, and " + std::to_string(kept.size()) +
                                   (kept.size() == 1 ? " is" : " are") + " left once shots are left out.");
        }
        shots = kept;
    }
    const double count = static_cast<double>(shots.size());

    g.shots = static_cast<int>(shots.size());
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
    // The same last digit on every system: libm's hypot differs between them.
    g.centreOffset = PortableHypot(g.centre.x, g.centre.y);
    if (!Finite(g.centre.x) || !Finite(g.centre.y) || !Finite(g.centreOffset)) return TooLarge("group centre");

    Squares squares;
    double radii = 0.0;
    for (const ShotPoint& p : shots) {
        const double dx = p.x - g.centre.x;
        const double dy = p.y - g.centre.y;
        squares.xx += dx * dx;
        squares.yy += dy * dy;
        squares.xy += dx * dy;
        radii += std::sqrt(dx * dx + dy * dy);
    }
    g.sdX = std::sqrt(squares.xx / (count - 1.0));
    g.sdY = std::sqrt(squares.yy / (count - 1.0));
    g.meanRadius = radii / count;
    if (!Finite(g.sdX) || !Finite(g.sdY) || !Finite(g.meanRadius) || !Finite(squares.xy)) {
        return TooLarge("spread around the centre");
    }

    g.extremeSpread = ExtremeSpread(shots);
    if (!Finite(g.extremeSpread)) return TooLarge("extreme spread");

    const double k = g.DegreesOfFreedom();
    g.sumOfSquares = squares.xx + squares.yy;
    g.rayleighS = std::sqrt(g.sumOfSquares / k);
    g.sigma = SigmaFromRayleigh(g.rayleighS, g.DegreesOfFreedom(), level);
    if (!Finite(g.sigma.value) || !Finite(g.sigma.low) || !Finite(g.sigma.high)) return TooLarge("sigma");

    g.circles = HitCirclesFor(g.sigma);
    for (const HitCircle& c : g.circles) {
        const Estimate& d = c.diameter;
        if (!Finite(d.value) || !Finite(d.low) || !Finite(d.high)) {
            return TooLarge(std::to_string(c.percent) + "% circle");
        }
    }
    const double s2 = g.rayleighS * g.rayleighS;
    g.prediction = PredictionCirclesFor(count, s2, g.DegreesOfFreedom());
    for (const PredictionCircle& c : g.prediction) {
        if (!Finite(c.diameter)) return TooLarge(std::to_string(c.percent) + "% circle of the next shots");
    }
    g.flyers = FindFlyers(shots, numbers, g.centre, squares);
    g.shape = ShapeOf(squares, count);
    double largest = std::max({g.centreOffset, g.sdX, g.sdY, g.extremeSpread, g.meanRadius, g.sigma.high,
                               g.circles.back().diameter.high, g.prediction.back().diameter, g.shape.sdMajor});
    for (const Flyer& f : g.flyers) largest = std::max({largest, f.distance, f.limit});
    for (const PredictionEllipse& e : g.shape.ellipses) largest = std::max(largest, e.major);
    if (!Finite(largest) || !Finite(g.shape.pRound)) return TooLarge("shape of the group");
    // Every figure is also shown as an angle (MOA, the larger unit).
    if (g.moaPerInch && !Finite(largest * *g.moaPerInch)) {
        return MakeFailure(FailureKind::Overflow,
                           RangeQuoted(rangeText) + " is too close to 0 yards to give the figures as angles.");
    }
    return g;
}

Outcome<GroupStats> ReadGroupStats(const std::string& path, std::string_view rangeText, double level, ShotTable& shots,
                                   std::span<const int> exclude, std::vector<DataWarning>* warnings) {
    std::string text;
    const auto read = ReadGroupFileDetailed(path, shots, warnings != nullptr ? &text : nullptr);
    if (!read) return read.failure();
    if (!read.value().hadCountLine) {
        return MakeFailure(FailureKind::SubscriptOutOfRange,
                           "a group needs at least two shots, and this file has fewer than three lines, so it "
                           "declares none.");
    }
    if (warnings != nullptr) *warnings = CheckGroupData(text, read.value().count, read.value().wholeTextCut);
    return ComputeGroupStats(shots, read.value().count, rangeText, level, exclude);
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
    c.df1 = a.DegreesOfFreedom();
    c.df2 = b.DegreesOfFreedom();
    c.level = level;
    if (!Finite(c.f)) {
        return MakeFailure(FailureKind::Overflow,
                           "the first group's spread is too large against the second's for the ratio of the two.");
    }
    const bm::fisher_f_distribution<double, QuietMath> fisher(c.df1, c.df2);
    c.p = 2.0 * std::min(bm::cdf(fisher, c.f), bm::cdf(bm::complement(fisher, c.f)));
    if (!Finite(c.p)) return MakeFailure(FailureKind::Overflow, "the p-value of the comparison has no finite value.");
    if (c.p < 1.0 - level) c.tighter = a.rayleighS < b.rayleighS ? Tighter::A : Tighter::B;
    return c;
}

}  // namespace cep

// SPDX-License-Identifier: MIT
#include "core/aiming.h"
#include "core/math_policy.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/quadrature/gauss.hpp>

#include "core/group_stats.h"
#include "core/portable_math.h"

namespace cep {

namespace {

namespace bm = boost::math;

constexpr double kInchesPerYard = 36.0;
// Turrets marked in inches move that much at 100 yards.
constexpr double kClickInchesRange = 100.0 * kInchesPerYard;

bool Finite(double v) { return std::isfinite(v); }

// The whole text a number, read with the period; sets `rest` to what follows its digits.
bool LeadingValue(std::string_view text, double& value, std::string_view& rest) {
    if (text.empty() || text[0] == '+') return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !Finite(value)) return false;
    rest = text.substr(static_cast<std::size_t>(end - text.data()));
    return true;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

Failure TooLarge(std::string_view what) {
    return MakeFailure(FailureKind::Overflow, "the figures are too large to compute " + std::string(what) + ".");
}

// The nodes and weights of the mean over X, chi-square with nu degrees of
// freedom: Gauss-Legendre in log X, where the density is smooth and narrow,
// between the quantiles 1e-7 and 1 - 1e-7; 30 nodes keep the chance within
// 2e-6 of the exact integral for any nu. Kept per nu: a batch's groups mostly
// have one size.
struct ChiSquareNodes {
    std::vector<double> x;
    std::vector<double> weight;  // density times the rule's weight, summing to about 1
};

const ChiSquareNodes& NodesFor(int nu) {
    thread_local std::map<int, ChiSquareNodes> known;
    const auto [at, isNew] = known.try_emplace(nu);
    if (isNew) {
        using Rule = bm::quadrature::gauss<double, 30>;
        const bm::chi_squared_distribution<double, QuietMath> chi(nu);
        const double low = std::log(bm::quantile(chi, 1e-7));
        const double high = std::log(bm::quantile(bm::complement(chi, 1e-7)));
        const double half = (high - low) / 2.0;
        const double middle = (high + low) / 2.0;
        for (std::size_t i = 0; i < Rule::abscissa().size(); ++i) {
            for (const double side : {-1.0, 1.0}) {
                if (side < 0.0 && Rule::abscissa()[i] == 0.0) continue;
                const double x = std::exp(middle + side * Rule::abscissa()[i] * half);
                const double weight = Rule::weights()[i] * half * bm::pdf(chi, x) * x;
                // Nodes far out in the tails add less than 1e-9 each, and cost as much as the others.
                if (weight < 1e-9) continue;
                at->second.x.push_back(x);
                at->second.weight.push_back(weight);
            }
        }
    }
    return at->second;
}

// P(X <= x) for X noncentral chi-square with 2 degrees of freedom and
// noncentrality lambda, 1 - Q1(sqrt(lambda), sqrt(x)) in Marcum's terms: the
// Poisson(lambda / 2) mixture of central chi-squares with 2 + 2j degrees of
// freedom, sum_j w_j P(j + 1, x / 2). With 2 degrees of freedom every
// P(j + 1, y) follows from the one before by a single term, so the series
// costs a few multiplications a term where Boost's general distribution costs
// incomplete gamma functions: some 20 times faster, and within 1e-14 of it.
// Where exp(-lambda / 2) or exp(-x / 2) would leave the range of doubles, or
// the series would run long, Boost's distribution does it.
double NoncentralChiSquareTwoCdf(double x, double lambda) {
    const double mu = lambda / 2.0;
    const double y = x / 2.0;
    if (mu > 200.0 || y > 700.0) {
        const bm::non_central_chi_squared_distribution<double, QuietMath> shot(2.0, lambda);
        return bm::cdf(shot, x);
    }
    double weight = std::exp(-mu);   // Poisson(mu) at j
    double term = std::exp(-y);      // Poisson(y) at j
    double lower = -std::expm1(-y);  // P(j + 1, y) = 1 - sum_{i <= j} Poisson(y) at i
    double sum = 0.0;
    for (int j = 1;; ++j) {
        sum += weight * lower;
        weight *= mu / j;
        term *= y / j;
        lower -= term;
        // Past the mode the Poisson weights left sum to less than twice the
        // last; and once P is gone, so are all later terms.
        if (lower <= 0.0 || (j > 2.0 * mu && weight < 1e-17)) break;
    }
    return sum;
}

}  // namespace

std::optional<TargetSize> ParseTargetSize(std::string_view text) {
    double value = 0.0;
    std::string_view rest;
    if (!LeadingValue(text, value, rest) || !(value > 0.0)) return std::nullopt;
    static const std::pair<const char*, SizeUnit> kUnits[] = {
        {"", SizeUnit::Inch},         {"in", SizeUnit::Inch}, {"cm", SizeUnit::Centimetre},
        {"mm", SizeUnit::Millimetre}, {"moa", SizeUnit::Moa}, {"mil", SizeUnit::Mil}};
    const std::string unit = Lower(rest);
    for (const auto& [name, kind] : kUnits) {
        if (unit != name) continue;
        const TargetSize size{value, kind};
        // Half a turn or more has no diameter at the range.
        if (kind == SizeUnit::Moa && !(value < 10800.0)) return std::nullopt;
        if (kind == SizeUnit::Mil && !(value < 1000.0 * std::numbers::pi)) return std::nullopt;
        return size;
    }
    return std::nullopt;
}

std::optional<ClickValue> ParseClickValue(std::string_view text) {
    double value = 0.0;
    std::string_view rest;
    if (!LeadingValue(text, value, rest)) return std::nullopt;
    if (!rest.empty() && rest[0] == '/') {
        double denominator = 0.0;
        if (!LeadingValue(rest.substr(1), denominator, rest) || !(denominator > 0.0)) return std::nullopt;
        value /= denominator;
    }
    if (!(value > 0.0) || !Finite(value)) return std::nullopt;
    const std::string unit = Lower(rest);
    if (unit == "moa") return ClickValue{value, ClickUnit::Moa};
    if (unit == "mil") return ClickValue{value, ClickUnit::Mil};
    if (unit == "in") return ClickValue{value, ClickUnit::Inch};
    return std::nullopt;
}

std::optional<ShotPoint> ParseAimPoint(std::string_view text) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    ShotPoint aim;
    std::string_view rest;
    if (!LeadingValue(text.substr(0, comma), aim.x, rest) || !rest.empty()) return std::nullopt;
    if (!LeadingValue(text.substr(comma + 1), aim.y, rest) || !rest.empty()) return std::nullopt;
    return aim;
}

Outcome<Correction> ComputeCorrection(const Dispersion& d, ShotPoint aim, const ClickValue& click) {
    Correction c;
    c.aim = aim;
    c.click = click;
    c.level = d.level;
    c.moveRight = aim.x - d.centre.x;
    c.moveUp = aim.y - d.centre.y;
    c.offset = std::sqrt(c.moveRight * c.moveRight + c.moveUp * c.moveUp);
    // The centre of n shots is off its truth by a distance whose square,
    // over 2 s^2 / n, is F-distributed with 2 and nu degrees of freedom.
    c.uncertainty = std::sqrt(2.0 * d.s2 * FQuantileTwo(d.level, d.degreesOfFreedom) / d.shots);
    if (!Finite(c.offset) || !Finite(c.uncertainty)) return TooLarge("the move to the point of aim");
    c.calledFor = c.offset > c.uncertainty;
    if (d.rangeYards > 0.0) {
        const double range = d.rangeYards * kInchesPerYard;
        const double right = PortableAtan(c.moveRight / range);
        const double up = PortableAtan(c.moveUp / range);
        const double moa = 10800.0 / std::numbers::pi;
        c.moveRightMoa = right * moa;
        c.moveUpMoa = up * moa;
        c.moveRightMil = right * 1000.0;
        c.moveUpMil = up * 1000.0;
        double perClick = 0.0;  // radians
        switch (click.unit) {
        case ClickUnit::Moa: perClick = click.value / moa; break;
        case ClickUnit::Mil: perClick = click.value / 1000.0; break;
        case ClickUnit::Inch: perClick = PortableAtan(click.value / kClickInchesRange); break;
        }
        const double clicksRight = std::round(right / perClick);
        const double clicksUp = std::round(up / perClick);
        // Beyond this, a count of clicks means nothing and would not fit.
        constexpr double kMostClicks = 1e15;
        if (!(std::fabs(clicksRight) <= kMostClicks && std::fabs(clicksUp) <= kMostClicks)) {
            return MakeFailure(FailureKind::Overflow, "the click value is too small to count the clicks of the move.");
        }
        c.clicksRight = static_cast<long long>(clicksRight);
        c.clicksUp = static_cast<long long>(clicksUp);
    }
    return c;
}

double ChanceOnceZeroed(double radius, const Dispersion& d) {
    if (d.s2 == 0.0) return 1.0;
    const double nu = d.degreesOfFreedom;
    const double a = radius * radius / (nu * d.s2 * (1.0 + 1.0 / d.shots));
    return 1.0 - 1.0 / IntegerPower(1.0 + a, d.degreesOfFreedom / 2);
}

double ChanceAsItShoots(double radius, double offset, const Dispersion& d) {
    if (d.s2 == 0.0) return offset < radius ? 1.0 : 0.0;
    if (offset == 0.0) return ChanceOnceZeroed(radius, d);
    const int nu = d.degreesOfFreedom;
    const double scale = nu * d.s2 * (1.0 + 1.0 / d.shots);
    // With sigma^2 = nu s^2 / X: noncentrality and bound both grow with X.
    const double lambdaPerX = offset * offset / scale;
    const double boundPerX = radius * radius / scale;
    const ChiSquareNodes& nodes = NodesFor(nu);
    double chance = 0.0;
    for (std::size_t i = 0; i < nodes.x.size(); ++i) {
        const double x = nodes.x[i];
        chance += nodes.weight[i] * NoncentralChiSquareTwoCdf(boundPerX * x, lambdaPerX * x);
    }
    // Good to 2e-6; rounded to 1e-6, so that the last digits do
    // not depend on the platform's libm.
    return std::clamp(std::nearbyint(chance * 1e6) / 1e6, 0.0, 1.0);
}

std::optional<double> FarthestRange(double radius, double p, const Dispersion& d) {
    if (!(d.rangeYards > 0.0) || d.s2 == 0.0) return std::nullopt;
    // (1 - p)^(-2 / nu) with nu / 2 whole shots' worth of freedom.
    const double grow = IntegerRoot(1.0 / (1.0 - p), d.degreesOfFreedom / 2) - 1.0;
    const double yards = d.rangeYards * radius / std::sqrt(d.degreesOfFreedom * d.s2 * (1.0 + 1.0 / d.shots) * grow);
    if (!Finite(yards)) return std::nullopt;
    return yards;
}

Outcome<HitChance> ComputeHitChance(const Dispersion& d, ShotPoint aim, const TargetSize& size) {
    HitChance hit;
    hit.size = size;
    switch (size.unit) {
    case SizeUnit::Inch: hit.diameter = size.value; break;
    case SizeUnit::Centimetre: hit.diameter = size.value / 2.54; break;
    case SizeUnit::Millimetre: hit.diameter = size.value / 25.4; break;
    case SizeUnit::Moa:
    case SizeUnit::Mil: {
        const double angle = size.unit == SizeUnit::Moa ? size.value * std::numbers::pi / 10800.0 : size.value / 1000.0;
        hit.diameter = 2.0 * d.rangeYards * kInchesPerYard * PortableTan(angle / 2.0);
        break;
    }
    }
    const double radius = hit.diameter / 2.0;
    const double dx = aim.x - d.centre.x;
    const double dy = aim.y - d.centre.y;
    const double offset = std::sqrt(dx * dx + dy * dy);
    if (!Finite(hit.diameter) || !Finite(offset)) return TooLarge("the chance of a hit");
    hit.zeroed = ChanceOnceZeroed(radius, d);
    hit.now = ChanceAsItShoots(radius, offset, d);
    if (!size.IsAngle()) {
        hit.farthest50 = FarthestRange(radius, 0.5, d);
        hit.farthest90 = FarthestRange(radius, 0.9, d);
    }
    if (!Finite(hit.zeroed) || !Finite(hit.now)) return TooLarge("the chance of a hit");
    return hit;
}

Outcome<Advice> Advise(const Dispersion& d, const AimingOptions& options) {
    Advice advice;
    auto correction = ComputeCorrection(d, options.aim, options.click);
    if (!correction) return correction.failure();
    advice.correction = std::move(correction.value());
    if (options.target) {
        if (options.target->IsAngle() && !(d.rangeYards > 0.0)) {
            advice.targetNeedsRange = true;
        } else {
            auto hit = ComputeHitChance(d, options.aim, *options.target);
            if (!hit) return hit.failure();
            advice.hit = std::move(hit.value());
        }
    }
    return advice;
}

}  // namespace cep

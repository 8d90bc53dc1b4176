// SPDX-License-Identifier: MIT
#include "core/cep_figures.h"

#include <cmath>
#include <string>

namespace cep {

namespace {

// C++ does not trap on IEEE arithmetic, so every result that could leave the
// finite doubles is checked where it arises.
bool Finite(double v) { return std::isfinite(v); }

Failure TooLarge(std::string_view what) { return MakeFailure(FailureKind::Overflow, std::string(what)); }

// The centre's polygon reads entries 0 to n - 1 of the table.
bool HasEntries(ShotCount n, const ShotTable& points) { return n <= 0 || static_cast<std::size_t>(n) <= points.size(); }

Failure TooFewEntries(const ShotTable& points) {
    return MakeFailure(FailureKind::SubscriptOutOfRange,
                       "the group centre is taken from five shot-table entries, and the table holds " +
                           std::to_string(points.size()) + ".");
}

// Why a range text counts as 0 yards, in the user's terms.
std::string ZeroRangeReason(std::string_view rangeText) {
    const auto first = rangeText.find_first_not_of(" \t\n");
    const std::string hint = "; type the range in yards, such as 100.";
    if (first == std::string_view::npos) return "the range box is empty" + hint;
    std::size_t at = first;
    if (rangeText[at] == '+' || rangeText[at] == '-') ++at;
    if (at < rangeText.size() && rangeText[at] == '.') ++at;
    const bool number = at < rangeText.size() && rangeText[at] >= '0' && rangeText[at] <= '9';
    const std::string quoted = "\"" + std::string(rangeText) + "\"";
    if (number) return "the range " + quoted + " is 0 yards" + hint;
    return "the range " + quoted + " does not start with a number" + hint;
}

}  // namespace

Outcome<double> PolygonArea(ShotCount n, const ShotTable& points) {
    if (!HasEntries(n, points)) return TooFewEntries(points);
    double s = 0.0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        s = (s + points[i].x * points[j].y) - points[j].x * points[i].y;
    }
    const double area = s / 2.0;
    if (!Finite(area)) return TooLarge("the shot coordinates are too large to compute the group's area.");
    return area;
}

Outcome<ShotPoint> PolygonCentroid(ShotCount n, const ShotTable& points, double area) {
    if (!HasEntries(n, points)) return TooFewEntries(points);
    double sx = 0.0;
    double sy = 0.0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const double c = points[i].x * points[j].y - points[j].x * points[i].y;
        sx = (points[j].x + points[i].x) * c + sx;
        sy = (points[j].y + points[i].y) * c + sy;
    }
    const double divisor = area * 6.0;
    if (!Finite(sx) || !Finite(sy) || !Finite(divisor)) {
        return TooLarge("the shot coordinates are too large to compute the group centre.");
    }
    if (divisor == 0.0) {
        if (sx == 0.0) {
            return MakeFailure(FailureKind::Overflow,
                               "the shots that fix the group centre (the first five, or all of a smaller "
                               "group) lie on one straight line or on one point, so the group has no centre.");
        }
        return MakeFailure(FailureKind::DivisionByZero,
                           "the shots that fix the group centre (the first five, or all of a smaller "
                           "group) enclose no area, so the group has no centre.");
    }
    ShotPoint centre;
    centre.x = sx / divisor;
    centre.y = sy / divisor;
    if (!Finite(centre.x) || !Finite(centre.y)) {
        return TooLarge("the group centre lies too far out to be computed.");
    }
    return centre;
}

Outcome<double> ComputeCep(CalcState& state, ShotCount n) {
    const auto area = PolygonArea(CentreVertexCount, state.Shots);
    if (!area) return area.failure();
    const auto centre = PolygonCentroid(CentreVertexCount, state.Shots, area.value());
    if (!centre) return centre.failure();
    state.GroupCentre = centre.value();

    const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (count > state.Shots.size()) return TooFewEntries(state.Shots);
    state.Radii.assign(count, {0.0, 0.0});
    for (std::size_t j = 0; j < count; ++j) {
        const double dx = state.Shots[j].x - state.GroupCentre.x;
        const double dy = state.Shots[j].y - state.GroupCentre.y;
        // Squares are single correctly rounded products, which is what
        // raising to the power 2.0 means.
        const double r = std::sqrt(dx * dx + dy * dy);
        if (!Finite(r)) return TooLarge("the shots lie too far from the group centre to measure.");
        state.Radii[j] = {r, r * r};
    }
    double s = 0.0;
    for (std::size_t j = 0; j < count; ++j) s = s + state.Radii[j].second;
    if (!Finite(s)) return TooLarge("the shots lie too far from the group centre to measure.");
    if (count == 0) {  // 0 / 0
        return MakeFailure(FailureKind::Overflow, "the file declares no shots, so there is no distance to average.");
    }
    const double cep = std::sqrt(s / static_cast<double>(n));
    state.Cep = cep;
    return cep;
}

Outcome<double> ComputeMoa(CalcState& state, std::string_view rangeText) {
    const auto range = [&] { return "the range \"" + std::string(rangeText) + "\""; };
    const auto yards = LeadingNumber(rangeText);
    if (!yards) return TooLarge(range() + " is too large a number.");
    if (yards.value() == 0.0) return MakeFailure(FailureKind::DivisionByZero, ZeroRangeReason(rangeText));
    const double k = 100.0 / yards.value();
    if (!Finite(k)) return TooLarge(range() + " is too close to 0 yards.");
    const double moa = (state.Cep + state.Cep) * k;
    if (!Finite(moa)) return TooLarge("the MOA figure for " + range() + " is too large.");
    state.Yards = yards.value();
    state.Moa = moa;
    return moa;
}

MoaVerdict ClassifyMoa(double moa) {
    if (moa < 1.0) return MoaVerdict::SubMoa;
    if (moa == 1.0) return MoaVerdict::OneMoa;
    return MoaVerdict::ExceedsMoa;
}

}  // namespace cep

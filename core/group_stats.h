// SPDX-License-Identifier: MIT
// Sound statistics of a group, beside the window's figures and independent of
// them: the centre is the mean of all shots, and sigma, the circles and their
// confidence intervals follow the Rayleigh model of a round normal group.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/data_check.h"
#include "core/failure.h"
#include "core/group_file.h"

namespace cep {

// A figure with the confidence interval around it.
struct Estimate {
    double value = 0.0;
    double low = 0.0;
    double high = 0.0;
};

// The circle around the centre that holds `percent` % of the shots.
struct HitCircle {
    int percent = 0;
    Estimate diameter;
};

inline constexpr std::array<int, 3> kHitCirclePercents = {50, 90, 95};

// The circle around the group's centre that will hold `percent` % of the
// next shots from the same rifle and load, allowing for the uncertainty of
// both the centre and sigma.
struct PredictionCircle {
    int percent = 0;
    double diameter = 0.0;
};

// A shot farther from the centre of the other shots than they predict for
// one more shot, at a level that flags about 1 % of clean groups.
struct Flyer {
    int shot = 0;           // its number in the file, from 1
    double distance = 0.0;  // from the centre of the others
    double limit = 0.0;     // the farthest the others predict
};

// The ellipse around the centre that will hold `percent` % of the next shots
// of an elongated group: its full length and width.
struct PredictionEllipse {
    int percent = 0;
    double major = 0.0;
    double minor = 0.0;
};

// The covariance ellipse of the group, and a test of whether it is round.
struct GroupShape {
    double sdMajor = 0.0;
    double sdMinor = 0.0;
    double angleDegrees = 0.0;                // of the major axis, from horizontal, counter-clockwise, (-90, 90]
    double pRound = 1.0;                      // of a round group looking at least this elongated
    bool elongated = false;                   // pRound below kRoundnessAlpha
    std::vector<PredictionEllipse> ellipses;  // from 3 shots on
};

inline constexpr double kRoundnessAlpha = 0.01;
// The share of clean groups of any size that the flyer check may flag.
inline constexpr double kFlyerAlpha = 0.01;
inline constexpr int kFewestShotsForFlyers = 4;

// Every figure in inches.
struct GroupStats {
    int shots = 0;
    double level = 0.0;
    double rangeYards = 0.0;  // LeadingNumber of the range text
    ShotPoint centre;         // mean point of impact
    double centreOffset = 0.0;
    double sdX = 0.0;
    double sdY = 0.0;
    double extremeSpread = 0.0;
    double meanRadius = 0.0;
    double rayleighS = 0.0;     // sqrt of the pooled squares over k, before the bias correction
    double sumOfSquares = 0.0;  // of the shots' distances from the centre, for pooling groups
    Estimate sigma;
    std::array<HitCircle, 3> circles;
    std::array<PredictionCircle, 3> prediction;
    std::vector<Flyer> flyers;  // in file order
    std::vector<int> excluded;  // shot numbers left out on request, ascending
    GroupShape shape;
    // Only for a positive range; every figure times either is finite.
    std::optional<double> moaPerInch;
    std::optional<double> milPerInch;

    // k of the sum of squares about the centre: two per shot, less the centre's two.
    int DegreesOfFreedom() const { return 2 * (shots - 1); }
};

// Sigma and its interval at `level` from the Rayleigh s with `degreesOfFreedom`:
// the bias-corrected estimate and the chi-square interval.
Estimate SigmaFromRayleigh(double rayleighS, int degreesOfFreedom, double level);

// The 50/90/95 % circles of a round group with this sigma and interval.
std::array<HitCircle, 3> HitCirclesFor(const Estimate& sigma);

// The circles that hold 50/90/95 % of the next shots about the centre of
// `shots` shots whose Rayleigh variance is `s2` with `degreesOfFreedom`.
std::array<PredictionCircle, 3> PredictionCirclesFor(double shots, double s2, int degreesOfFreedom);

// The p-quantile of the F distribution with 2 and `df2` degrees of freedom.
double FQuantileTwo(double p, int df2);

// The largest distance between two of the shots; 0 for fewer than two.
// Squares of the coordinate differences must stay finite.
double ExtremeSpread(std::span<const ShotPoint> shots);

// Statistics of the first n entries of a table as the reader leaves it, at the
// confidence level (strictly between 0 and 1), without the shots numbered in
// `exclude` (from 1). Fewer than two shots is "Subscript out of range", as is
// a number in `exclude` that names no shot; any figure that is not finite,
// "Overflow".
Outcome<GroupStats> ComputeGroupStats(const ShotTable& shots, ShotCount n, std::string_view rangeText, double level,
                                      std::span<const int> exclude = {});

// Reads the group file into `shots` and computes its statistics; the reader's
// failures and messages are those of the Calculate command. With `warnings`,
// also checks the file's data (CheckGroupData) when the read succeeds.
Outcome<GroupStats> ReadGroupStats(const std::string& path, std::string_view rangeText, double level, ShotTable& shots,
                                   std::span<const int> exclude = {}, std::vector<DataWarning>* warnings = nullptr);

enum class Tighter { Neither, A, B };

// The F test of two groups' Rayleigh sigmas.
struct GroupComparison {
    double f = 0.0;  // (s_A / s_B) squared
    int df1 = 0;
    int df2 = 0;
    double p = 0.0;  // two-sided
    double level = 0.0;
    Tighter tighter = Tighter::Neither;
};

Outcome<GroupComparison> CompareGroups(const GroupStats& a, const GroupStats& b, double level);

}  // namespace cep

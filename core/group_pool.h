// SPDX-License-Identifier: MIT
// Several groups of one rifle and load pooled: each group keeps its own
// centre, and the spread within the groups is pooled, with the degrees of
// freedom of all their shots. Two tests say whether pooling is fair: do the
// groups share one spread (Bartlett), and did the centre move between them.
#pragma once

#include <array>
#include <optional>
#include <span>

#include "core/aiming.h"
#include "core/failure.h"
#include "core/group_stats.h"

namespace cep {

// Below this p a pool's test says that the groups differ.
inline constexpr double kPoolTestAlpha = 0.01;

// Bartlett's test of the groups' Rayleigh variances, chi-square with G - 1
// degrees of freedom.
struct SpreadTest {
    double chi2 = 0.0;
    int df = 0;
    double p = 1.0;
    bool differ = false;
};

// The F test of the groups' centres against the spread within the groups.
struct CentreTest {
    double f = 0.0;
    int df1 = 0;
    int df2 = 0;
    double p = 1.0;
    bool differ = false;
};

// Every figure in inches.
struct PoolStats {
    int groups = 0;
    int shots = 0;
    double level = 0.0;
    double rangeYards = 0.0;
    ShotPoint centre;  // the grand centre, each shot weighing the same
    double centreOffset = 0.0;
    double sumOfSquares = 0.0;  // of every shot's distance from its own group's centre
    double rayleighS = 0.0;     // pooled, before the bias correction
    Estimate sigma;
    std::array<HitCircle, 3> circles;
    std::array<PredictionCircle, 3> prediction;  // about the grand centre
    double averageExtremeSpread = 0.0;
    double averageMeanRadius = 0.0;
    // Empty when a group's shots sit on one point: no variance to compare.
    std::optional<SpreadTest> spreads;
    CentreTest centres;
    std::optional<double> moaPerInch;
    std::optional<double> milPerInch;

    // Two per shot, less two per group's centre.
    int DegreesOfFreedom() const { return 2 * (shots - groups); }
};

// Pools two or more groups computed at one range and level. Fewer than two
// groups, or no spread within any group, is a failure.
Outcome<PoolStats> PoolGroups(std::span<const GroupStats* const> groups, double level);

// What the correction and the chance of a hit rest on.
Dispersion PoolDispersion(const PoolStats& pool);
Dispersion GroupDispersion(const GroupStats& group);

}  // namespace cep

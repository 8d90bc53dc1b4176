// SPDX-License-Identifier: MIT
// How the statistics mode fares on simulated groups, where the truth is
// known: the share of next shots inside the prediction circles, how often the
// flyer check flags clean groups and finds a real flyer, and the roundness
// test's false alarms and power, as one table row per group size. Usage: simulate_stats [GROUPS] (default
// 20000, fixed seed, so the tables repeat).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>

#include <array>
#include <vector>

#include "core/aiming.h"
#include "core/group_pool.h"
#include "core/group_stats.h"

namespace {

class Shots {
public:
    explicit Shots(std::uint64_t seed) : engine_(seed) {}
    // A normal group around (0, 0) with these SDs across and up.
    cep::ShotPoint Next(double sdX, double sdY) { return {sdX * normal_(engine_), sdY * normal_(engine_)}; }
    double Angle() { return 2.0 * std::numbers::pi * uniform_(engine_); }

private:
    std::mt19937_64 engine_;
    std::normal_distribution<double> normal_;
    std::uniform_real_distribution<double> uniform_;
};

cep::GroupStats Stats(const cep::ShotTable& table) {
    auto stats = cep::ComputeGroupStats(table, static_cast<cep::ShotCount>(table.size()), "100", 0.95);
    if (!stats) {
        std::fprintf(stderr, "simulate_stats: %s\n", stats.failure().message.c_str());
        std::exit(1);
    }
    return std::move(stats.value());
}

double Percent(long hits, long groups) { return 100.0 * static_cast<double>(hits) / static_cast<double>(groups); }

// One row of the table for groups of n shots.
void Row(Shots& rng, int n, long groups) {
    long inside[3] = {};
    long falseFlags = 0;
    long detected = 0;
    long falseAlarms = 0;
    long found = 0;
    cep::ShotTable table(static_cast<std::size_t>(n));
    for (long g = 0; g < groups; ++g) {
        // A round group: the next shot against its prediction circles, and
        // whether it is called a flyer group or elongated.
        for (cep::ShotPoint& p : table) p = rng.Next(1, 1);
        const cep::GroupStats round = Stats(table);
        const cep::ShotPoint next = rng.Next(1, 1);
        const double r = std::hypot(next.x - round.centre.x, next.y - round.centre.y);
        for (std::size_t i = 0; i < 3; ++i) inside[i] += r <= round.prediction[i].diameter / 2.0;
        falseFlags += !round.flyers.empty();
        falseAlarms += round.shape.elongated;
        // The last shot moved 5 sigma from the true centre: found when that shot is flagged.
        const double a = rng.Angle();
        table.back() = {5.0 * std::cos(a), 5.0 * std::sin(a)};
        for (const cep::Flyer& f : Stats(table).flyers) detected += f.shot == n;
        // SD 2 across, 0.5 up.
        for (cep::ShotPoint& p : table) p = rng.Next(2, 0.5);
        found += Stats(table).shape.elongated;
    }
    std::printf("| %d | %.2f / %.2f / %.2f %% | %.2f %% | %.1f %% | %.2f %% | %.1f %% |\n", n,
                Percent(inside[0], groups), Percent(inside[1], groups), Percent(inside[2], groups),
                Percent(falseFlags, groups), Percent(detected, groups), Percent(falseAlarms, groups),
                Percent(found, groups));
    std::fflush(stdout);
}

// Pools of three groups of n shots, sigma 1: the pooled interval's coverage
// and the estimate's mean, both tests' false alarms at 1 % and their power.
void PoolRow(Shots& rng, int n, long pools) {
    long covered = 0, spreadsAlarm = 0, centresAlarm = 0, spreadsFound = 0, centresFound = 0;
    double estimates = 0.0;
    cep::ShotTable table(static_cast<std::size_t>(n));
    const auto pool = [&](double wideSd, double shift) {
        std::array<cep::GroupStats, 3> stats;
        for (std::size_t g = 0; g < 3; ++g) {
            const double sd = g == 2 ? wideSd : 1.0;
            for (cep::ShotPoint& p : table) {
                p = rng.Next(sd, sd);
                if (g == 2) p.x += shift;
            }
            stats[g] = Stats(table);
        }
        const cep::GroupStats* groups[] = {&stats[0], &stats[1], &stats[2]};
        return cep::PoolGroups(groups, 0.95).value();
    };
    for (long i = 0; i < pools; ++i) {
        const cep::PoolStats same = pool(1.0, 0.0);
        covered += same.sigma.low <= 1.0 && 1.0 <= same.sigma.high;
        estimates += same.sigma.value;
        spreadsAlarm += same.spreads && same.spreads->differ;
        centresAlarm += same.centres.differ;
        const cep::PoolStats wide = pool(3.0, 0.0);
        spreadsFound += wide.spreads && wide.spreads->differ;
        centresFound += pool(1.0, 3.0).centres.differ;
    }
    std::printf("| 3 x %d | %.2f %% | %.3f | %.2f %% | %.1f %% | %.2f %% | %.1f %% |\n", n, Percent(covered, pools),
                estimates / static_cast<double>(pools), Percent(spreadsAlarm, pools), Percent(spreadsFound, pools),
                Percent(centresAlarm, pools), Percent(centresFound, pools));
    std::fflush(stdout);
}

// Groups of 3 to 20 shots with sigma from 0.1 to 10 in, the centre anywhere
// within 6 in of the aim, a target 0.4 to 16 in across: for the chances said in each band, the share of next shots
// that hit, as it shoots now and once the centre is moved onto the aim.
void Calibration(Shots& rng, long groups) {
    constexpr int kBands = 5;
    std::array<double, kBands> saidNow{}, saidZeroed{};
    std::array<long, kBands> countNow{}, countZeroed{}, hitNow{}, hitZeroed{};
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> unit;
    const auto band = [](double p) { return std::min(kBands - 1, static_cast<int>(p * kBands)); };
    for (long i = 0; i < groups; ++i) {
        const int n = 3 + static_cast<int>(unit(engine) * 18);
        // Sigma, the centre and the target drawn apart from one another, none
        // scaled by the truth that the shooter cannot know.
        const double sigma = 0.1 * std::pow(100.0, unit(engine));
        const double a = rng.Angle();
        const double off = 6.0 * std::sqrt(unit(engine));  // evenly over the disc
        const cep::ShotPoint truth{off * std::cos(a), off * std::sin(a)};
        const double radius = 0.2 * std::pow(40.0, unit(engine));
        cep::ShotTable table(static_cast<std::size_t>(n));
        for (cep::ShotPoint& p : table) {
            const cep::ShotPoint d = rng.Next(sigma, sigma);
            p = {truth.x + d.x, truth.y + d.y};
        }
        const cep::GroupStats g = Stats(table);
        const cep::Dispersion d = cep::GroupDispersion(g);
        const double now = cep::ChanceAsItShoots(radius, std::hypot(g.centre.x, g.centre.y), d);
        const double zeroed = cep::ChanceOnceZeroed(radius, d);
        const cep::ShotPoint next = rng.Next(sigma, sigma);
        const double x = truth.x + next.x;
        const double y = truth.y + next.y;
        const int bn = band(now);
        saidNow[bn] += now;
        ++countNow[bn];
        hitNow[bn] += x * x + y * y <= radius * radius;
        // Zeroed: the estimated centre moved onto the aim.
        const double zx = x - g.centre.x;
        const double zy = y - g.centre.y;
        const int bz = band(zeroed);
        saidZeroed[bz] += zeroed;
        ++countZeroed[bz];
        hitZeroed[bz] += zx * zx + zy * zy <= radius * radius;
    }
    std::printf(
        "\n| chance said | as it shoots now: said / hit (groups) | once zeroed: said / hit (groups) |\n"
        "|---|---|---|\n");
    for (int b = 0; b < kBands; ++b) {
        const auto cell = [](double said, long count, long hits) {
            if (count == 0) return std::string("-");
            char text[64];
            std::snprintf(text, sizeof text, "%.1f / %.1f %% (%ld)", 100.0 * said / static_cast<double>(count),
                          Percent(hits, count), count);
            return std::string(text);
        };
        std::printf("| %d-%d %% | %s | %s |\n", b * 20, b * 20 + 20, cell(saidNow[b], countNow[b], hitNow[b]).c_str(),
                    cell(saidZeroed[b], countZeroed[b], hitZeroed[b]).c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long groups = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    if (groups <= 0) {
        std::fprintf(stderr, "usage: simulate_stats [GROUPS]\n");
        return 2;
    }
    std::printf("%ld simulated round normal groups (sigma 1) per row, seed 2026\n\n", groups);
    std::printf(
        "| shots | next shot inside \"Next shots, 50/90/95%%\" | clean groups with a flyer flagged | one "
        "5-sigma flyer found | round groups called elongated | SD 2 by 0.5 called elongated |\n"
        "|---|---|---|---|---|---|\n");
    Shots rng(2026);
    for (const int n : {3, 4, 5, 10, 20, 50, 100, 1000}) Row(rng, n, groups);
    std::printf(
        "\nPools of three groups, sigma 1: the pooled interval at 95%%, the mean estimate, and the tests at "
        "1%% (power: the third group 3 times as wide; its centre 3 sigma off)\n\n"
        "| groups x shots | interval holds sigma | mean sigma estimate | spreads differ, same spread | "
        "one group 3 x as wide | centre moved, one centre | one centre 3 sigma off |\n"
        "|---|---|---|---|---|---|---|\n");
    for (const int n : {3, 5, 10}) PoolRow(rng, n, groups);
    Calibration(rng, groups);
    return 0;
}

// SPDX-License-Identifier: MIT
// How the statistics mode fares on simulated groups, where the truth is
// known: the share of next shots inside the prediction circles, how often the
// flyer check flags clean groups and finds a real flyer, and the roundness
// test's false alarms and power, as one table row per group size. Usage: simulate_stats [GROUPS] (default
// 20000, fixed seed, so the tables repeat).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>

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
    std::printf("| %d | %.2f / %.2f / %.2f %% | %.2f %% | %.1f %% | %.2f %% | %.1f %% |\n", n, Percent(inside[0], groups),
                Percent(inside[1], groups), Percent(inside[2], groups), Percent(falseFlags, groups),
                Percent(detected, groups), Percent(falseAlarms, groups), Percent(found, groups));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const long groups = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    if (groups <= 0) {
        std::fprintf(stderr, "usage: simulate_stats [GROUPS]\n");
        return 2;
    }
    std::printf("%ld simulated round normal groups (sigma 1) per row, seed 2026\n\n", groups);
    std::printf("| shots | next shot inside \"Next shots, 50/90/95%%\" | clean groups with a flyer flagged | one "
                "5-sigma flyer found | round groups called elongated | SD 2 by 0.5 called elongated |\n"
                "|---|---|---|---|---|---|\n");
    Shots rng(2026);
    for (const int n : {3, 4, 5, 10, 20, 50, 100, 1000}) Row(rng, n, groups);
    return 0;
}

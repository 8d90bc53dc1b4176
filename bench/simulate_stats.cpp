// SPDX-License-Identifier: MIT
// How the statistics mode fares on simulated groups, where the truth is
// known: the share of next shots inside the prediction circles, how often the
// flyer check flags clean groups and finds a real flyer, and the roundness
// test's false alarms and power. Usage: simulate_stats [GROUPS] (default
// 20000, fixed seed, so the tables repeat).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>

#include "group_stats.h"

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

void PredictionCoverage(Shots& rng, long groups) {
    std::printf("Next shots inside the prediction circles (round normal groups, sigma 1)\n\n");
    std::printf("| shots | 50%% circle | 90%% circle | 95%% circle |\n|---|---|---|---|\n");
    for (const int n : {3, 5, 10, 20}) {
        long inside[3] = {};
        cep::ShotTable table(static_cast<std::size_t>(n));
        for (long g = 0; g < groups; ++g) {
            for (cep::ShotPoint& p : table) p = rng.Next(1, 1);
            const cep::GroupStats s = Stats(table);
            const cep::ShotPoint next = rng.Next(1, 1);
            const double r = std::hypot(next.x - s.centre.x, next.y - s.centre.y);
            for (std::size_t i = 0; i < 3; ++i) inside[i] += r <= s.prediction[i].diameter / 2.0;
        }
        std::printf("| %d | %.2f %% | %.2f %% | %.2f %% |\n", n, Percent(inside[0], groups),
                    Percent(inside[1], groups), Percent(inside[2], groups));
    }
}

void Flyers(Shots& rng, long groups) {
    std::printf("\nGroups with a flyer flagged: clean round groups, and groups whose last shot lies 5 sigma\n"
                "from the true centre (detected: that shot flagged)\n\n");
    std::printf("| shots | clean groups flagged | 5-sigma flyer detected |\n|---|---|---|\n");
    for (const int n : {3, 4, 5, 10, 20, 50, 100}) {
        long falseFlags = 0;
        long detected = 0;
        cep::ShotTable table(static_cast<std::size_t>(n));
        for (long g = 0; g < groups; ++g) {
            for (cep::ShotPoint& p : table) p = rng.Next(1, 1);
            falseFlags += !Stats(table).flyers.empty();
            const double a = rng.Angle();
            table.back() = {5.0 * std::cos(a), 5.0 * std::sin(a)};
            const cep::GroupStats s = Stats(table);
            for (const cep::Flyer& f : s.flyers) detected += f.shot == n;
        }
        std::printf("| %d | %.2f %% | %.1f %% |\n", n, Percent(falseFlags, groups), Percent(detected, groups));
    }
}

void Roundness(Shots& rng, long groups) {
    std::printf("\nRoundness test: round groups called elongated, and elongated groups (SD 2 across,\n"
                "0.5 up) found\n\n");
    std::printf("| shots | round groups called elongated | SD 2 by 0.5 found |\n|---|---|---|\n");
    for (const int n : {3, 5, 10, 20, 100, 1000}) {
        long falseAlarms = 0;
        long found = 0;
        const long runs = n >= 1000 ? groups / 4 : groups;
        cep::ShotTable table(static_cast<std::size_t>(n));
        for (long g = 0; g < runs; ++g) {
            for (cep::ShotPoint& p : table) p = rng.Next(1, 1);
            falseAlarms += Stats(table).shape.elongated;
            for (cep::ShotPoint& p : table) p = rng.Next(2, 0.5);
            found += Stats(table).shape.elongated;
        }
        std::printf("| %d | %.2f %% | %.1f %% |\n", n, Percent(falseAlarms, runs), Percent(found, runs));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long groups = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    if (groups <= 0) {
        std::fprintf(stderr, "usage: simulate_stats [GROUPS]\n");
        return 2;
    }
    std::printf("%ld simulated groups per row, seed 2026\n\n", groups);
    Shots rng(2026);
    PredictionCoverage(rng, groups);
    Flyers(rng, groups);
    Roundness(rng, groups);
    return 0;
}

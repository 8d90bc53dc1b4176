// SPDX-License-Identifier: MIT
// Reading and computing the largest group a file can declare, against the
// floor of merely reading the same bytes into memory; the group statistics
// for small, medium and the largest groups.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <random>
#include <string>

#include "core/calculate.h"
#include "core/group_stats.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kShots = 32766;

// A round normal group as a shooter's file holds it: four decimals.
std::string GroupText(int shots) {
    std::mt19937 random(7);
    std::normal_distribution<double> spread(0.0, 0.6);
    std::string text = "CEP group file\r\nbenchmark group\r\n" + std::to_string(shots) + "\r\n";
    char line[64];
    for (int i = 0; i < shots; ++i) {
        std::snprintf(line, sizeof line, "%.4f,%.4f\r\n", spread(random), spread(random));
        text += line;
    }
    return text;
}

const std::string& LargeGroupFile() {
    static cep::testing_support::TempDir dir;
    static const std::string path = dir.Write("large.grp", GroupText(kShots));
    return path;
}

class NullLabel : public cep::ResultsText {
public:
    void SetText(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
    void AppendText(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
};

void BM_ReadFileBytes(benchmark::State& state) {
    const std::string& path = LargeGroupFile();
    std::string bytes;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        bytes.clear();
        char buffer[64 * 1024];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, static_cast<std::size_t>(got));
        ::close(fd);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMicrosecond);

void BM_CalculateLargeGroup(benchmark::State& state) {
    const std::string& path = LargeGroupFile();
    cep::CalcState calc;
    NullLabel label;
    for (auto _ : state) {
        const auto done = cep::Calculate(calc, path, "large.grp", "100", label);
        if (!done) state.SkipWithError(done.failure().message.c_str());
        benchmark::DoNotOptimize(calc.Moa);
    }
}
BENCHMARK(BM_CalculateLargeGroup)->Unit(benchmark::kMicrosecond);

void BM_ReadGroupStatsLargeGroup(benchmark::State& state) {
    const std::string& path = LargeGroupFile();
    cep::ShotTable shots;
    for (auto _ : state) {
        const auto stats = cep::ReadGroupStats(path, "100", 0.95, shots);
        if (!stats) state.SkipWithError(stats.failure().message.c_str());
        benchmark::DoNotOptimize(stats.value().sigma.high);
    }
}
BENCHMARK(BM_ReadGroupStatsLargeGroup)->Unit(benchmark::kMicrosecond);

// The statistics alone, on a table already read.
void BM_GroupStats(benchmark::State& state) {
    const auto n = static_cast<cep::ShotCount>(state.range(0));
    cep::testing_support::TempDir dir;
    cep::ShotTable shots;
    if (!cep::ReadGroupFile(dir.Write("g.grp", GroupText(n)), shots)) state.SkipWithError("unreadable group");
    for (auto _ : state) {
        const auto stats = cep::ComputeGroupStats(shots, n, "100", 0.95);
        if (!stats) state.SkipWithError(stats.failure().message.c_str());
        benchmark::DoNotOptimize(stats.value().sigma.high);
    }
}
BENCHMARK(BM_GroupStats)->Arg(5)->Arg(1000)->Arg(kShots)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

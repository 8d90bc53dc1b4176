// SPDX-License-Identifier: MIT
// --stats and --compare: group statistics with confidence intervals, and the
// comparison of two loads, beside the window's figures.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/output.h"
#include "core/aiming.h"

namespace cli {

enum class StatsMode { None, Stats, Compare };

struct StatsOptions {
    StatsMode mode = StatsMode::None;
    double level = 0.95;
    bool json = false;
    std::optional<std::string> svgDir;
    std::vector<int> exclude;              // shot numbers, from 1
    bool strict = false;                   // a file whose data needed a warning fails
    bool pool = false;                     // the files are groups of one session, pooled
    cep::AimingOptions aiming;             // the point of aim, the click value and the target
    std::vector<std::string> aimingGiven;  // --target, --click, --aim as given, for what refuses them
    std::string firstGiven;                // the first option of these modes on the command line
    std::string range = "100";
    std::vector<std::string> files;
};

// Takes args[i] into `options` when it is an option of these modes, and its
// value with it (advancing i); returns false for any other argument. A value
// that is wrong sets `problem`.
bool TakeStatsOption(const std::vector<std::string>& args, std::size_t& i, StatsOptions& options, std::string& problem);

// What is wrong with the options as a whole (empty when nothing): options of
// these modes without --stats or --compare, --csv with them, --exclude with
// --compare or --pool, --pool or the aiming options with --compare, --compare
// without exactly two files.
std::string StatsOptionsProblem(const StatsOptions& options, bool csv);

// Each returns the exit status, as the default mode does.
int RunStats(const StatsOptions& options, Output& out, Output& err);
int RunCompare(const StatsOptions& options, Output& out, Output& err);
int RunPool(const StatsOptions& options, Output& out, Output& err);

}  // namespace cli

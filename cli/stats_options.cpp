// SPDX-License-Identifier: MIT
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "cli/stats_mode.h"

namespace cli {

namespace {

std::string_view ModeOption(StatsMode mode) { return mode == StatsMode::Stats ? "--stats" : "--compare"; }

// The whole text must be a number, read with the period whatever the locale.
bool ReadLevel(std::string_view text, double& level) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value > 0.0 && value < 1.0)) return false;
    level = value;
    return true;
}

// "3" or "3,7,12": shot numbers from 1.
bool ReadShotNumbers(std::string_view text, std::vector<int>& numbers) {
    std::vector<int> read;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        int shot = 0;
        const auto [end, error] = std::from_chars(text.data() + start, text.data() + comma, shot);
        if (error != std::errc() || end != text.data() + comma || comma == start || text[start] == '+' || shot < 1) {
            return false;
        }
        read.push_back(shot);
        if (comma == text.size()) break;
        start = comma + 1;
    }
    numbers.insert(numbers.end(), read.begin(), read.end());
    return true;
}

}  // namespace

bool TakeStatsOption(const std::vector<std::string>& args, std::size_t& i, StatsOptions& options,
                     std::string& problem) {
    const std::string_view arg = args[i];
    const auto eq = arg.find('=');
    const std::string_view name = arg.substr(0, eq);
    std::string_view value;
    const bool isMode = name == "--stats" || name == "--compare";
    const bool hasValue = name == "--level" || name == "--svg" || name == "--exclude";
    if (!isMode && !hasValue && name != "--json" && name != "--strict") return false;
    if (eq != std::string_view::npos && !hasValue) {
        problem = std::string(name) + " takes no value";
        return true;
    }
    if (hasValue) {
        if (eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            problem = std::string(name) + " needs a value";
            return true;
        }
    }
    if (options.firstGiven.empty()) options.firstGiven = name;

    if (isMode) {
        const StatsMode mode = name == "--stats" ? StatsMode::Stats : StatsMode::Compare;
        if (options.mode != StatsMode::None && options.mode != mode) {
            problem = "--stats and --compare cannot be used together";
        }
        options.mode = mode;
    } else if (name == "--json") {
        options.json = true;
    } else if (name == "--strict") {
        options.strict = true;
    } else if (name == "--exclude") {
        if (!ReadShotNumbers(value, options.exclude)) {
            problem = "--exclude needs shot numbers from 1, such as 4 or 4,7, not \"" + std::string(value) + "\"";
        }
    } else if (name == "--level") {
        if (!ReadLevel(value, options.level)) {
            problem = "--level must be a number strictly between 0 and 1, not \"" + std::string(value) + "\"";
        }
    } else if (value.empty()) {
        problem = "--svg needs a folder";
    } else {
        options.svgDir = std::string(value);
    }
    return true;
}

std::string StatsOptionsProblem(const StatsOptions& options, bool csv) {
    if (options.mode == StatsMode::None) {
        return options.firstGiven.empty() ? "" : options.firstGiven + " needs --stats or --compare";
    }
    if (csv) return "--csv cannot be used with " + std::string(ModeOption(options.mode));
    if (options.mode == StatsMode::Compare) {
        // Shot numbers belong to one file; --stats --exclude takes one group at a time.
        if (!options.exclude.empty()) return "--exclude cannot be used with --compare";
        if (options.files.size() != 2) return "--compare needs exactly two group files";
    }
    return "";
}

}  // namespace cli

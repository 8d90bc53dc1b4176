// SPDX-License-Identifier: MIT
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "cli/stats_mode.h"
#include "core/aiming.h"

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
    const bool isAiming = name == "--target" || name == "--click" || name == "--aim";
    const bool hasValue = name == "--level" || name == "--svg" || name == "--exclude" || isAiming;
    if (!isMode && !hasValue && name != "--json" && name != "--strict" && name != "--pool") return false;
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
    } else if (name == "--pool") {
        options.pool = true;
    } else if (isAiming) {
        options.aimingGiven.emplace_back(name);
        const std::string quoted = "\"" + std::string(value) + "\"";
        if (name == "--target") {
            options.aiming.target = cep::ParseTargetSize(value);
            if (!options.aiming.target) {
                problem =
                    "--target needs a diameter greater than 0 such as 10in, 25cm, 250mm, 2moa or 1mil (a bare "
                    "number is inches), not " +
                    quoted;
            }
        } else if (name == "--click") {
            const auto click = cep::ParseClickValue(value);
            if (click) options.aiming.click = *click;
            if (!click) {
                problem =
                    "--click needs a click value greater than 0 such as 0.25moa, 1/8moa, 0.1mil or 0.5in "
                    "(inches at 100 yards), not " +
                    quoted;
            }
        } else {
            const auto aim = cep::ParseAimPoint(value);
            if (aim) options.aiming.aim = *aim;
            if (!aim) problem = "--aim needs the point of aim as X,Y in inches, such as 0,1.5 or -0.5,2, not " + quoted;
        }
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
        if (options.firstGiven.empty()) return "";
        const bool statsOnly = options.firstGiven == "--pool" || options.firstGiven == "--target" ||
                               options.firstGiven == "--click" || options.firstGiven == "--aim";
        return options.firstGiven + (statsOnly ? " needs --stats" : " needs --stats or --compare");
    }
    if (csv) return "--csv cannot be used with " + std::string(ModeOption(options.mode));
    if (options.pool) {
        // The pool keeps each group's shots whole, and compares nothing.
        if (options.mode == StatsMode::Compare) return "--pool cannot be used with --compare";
        if (!options.exclude.empty()) return "--exclude cannot be used with --pool";
    }
    if (options.mode == StatsMode::Compare && !options.aimingGiven.empty()) {
        return options.aimingGiven.front() + " cannot be used with --compare";
    }
    if (options.mode == StatsMode::Compare) {
        // Shot numbers belong to one file; --stats --exclude takes one group at a time.
        if (!options.exclude.empty()) return "--exclude cannot be used with --compare";
        if (options.files.size() != 2) return "--compare needs exactly two group files";
    }
    return "";
}

}  // namespace cli

// SPDX-License-Identifier: MIT
// The three forms of the group statistics: text for the shooter, JSON for
// scripts, and an SVG picture of the group.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/aiming.h"
#include "core/group_notes.h"
#include "core/group_pool.h"
#include "core/group_stats.h"

namespace cep::writers {

// `value` with exactly `decimals` decimals and the given separator; a value
// that rounds to zero has no minus sign.
std::string FixedFigure(double value, int decimals, std::string_view separator);
// A confidence level as a percentage, with the digits it was given in.
std::string LevelPercent(double level, std::string_view separator);
// The decimal separator of the current C locale.
std::string LocaleSeparator();
// The shortest digits that read back as the same double.
std::string ShortestFigure(double value, std::string_view separator = ".");
// Characters as a terminal or a font shows them: UTF-8 continuation bytes take no room.
std::size_t DisplayWidth(std::string_view text);

// One file's block, its lines ended by line feeds: the table, then what the
// shooter must know about the figures (flyers, shots left out, an elongated
// group). Control characters in the name are shown escaped.
// With `advice`, the move to the point of aim, the clicks and the chance of a
// hit follow.
std::string StatsText(std::string_view name, const cep::GroupStats& stats, const cep::Advice* advice = nullptr);
// The lines of the move to the point of aim, the clicks and the chance of a hit.
std::string AdviceText(const cep::Advice& advice);
std::string CompareText(std::string_view nameA, const cep::GroupStats& a, std::string_view nameB,
                        const cep::GroupStats& b, const cep::GroupComparison& comparison);

// A note in the words of the text block, which the window's panel shows too:
// "line L: WHAT" for the data check's findings; a comparison's notes name
// their group as "A (name)". Control characters are shown escaped.
std::string NoteText(const cep::Note& note, std::string_view nameA = {}, std::string_view nameB = {});

// A file's bare name, its statistics or failure, and what its data check found.
struct NamedStats {
    std::string name;
    cep::Outcome<cep::GroupStats> stats{cep::Failure{}};
    std::vector<cep::DataWarning> warnings;
    cep::ShotTable shots;               // as the reader left them, the shots left out too
    std::optional<cep::Advice> advice;  // when asked for, of a group read
};

// Reads the group file at `path` into `shots` as the statistics read it (the
// designed reader, then the data check), without the shots numbered in
// `exclude`. With `strict`, data that needed a warning fails the file.
// cep-report and the window both read a named group through this.
// With `aiming`, also the correction and the chance of a hit; their failure
// is the file's.
NamedStats ReadNamedStats(const std::string& path, std::string_view range, double level,
                          std::span<const int> exclude = {}, bool strict = false,
                          const cep::AimingOptions* aiming = nullptr);

// JSON with bare file names: one file's object on one line, as an element of
// the array that --stats writes one file at a time; the document of
// --compare, ended by a line feed.
// A file's object ends with "correction" and "hit" when it holds advice.
std::string StatsJsonObject(const NamedStats& file);
std::string CompareJson(const NamedStats& a, const NamedStats& b, const cep::GroupComparison& comparison);

// A standalone SVG document of the group, drawn at true scale where it fits
// a page. `shots`: the table the statistics were computed from, whose shots
// left out are drawn too.
std::string GroupSvg(std::string_view name, const cep::GroupStats& stats, const cep::ShotTable& shots);

// Both groups of a comparison side by side in one document, each drawn as
// GroupSvg draws it (at its own scale), A on the left; both must have figures.
std::string PairSvg(const NamedStats& a, const NamedStats& b);

// A pool of groups: `files` every file given, in order, those that failed
// too; the pool is of those that were read.
std::string PoolText(std::span<const NamedStats> files, const cep::PoolStats& pool, const cep::Advice& advice);
std::string PoolJson(std::span<const NamedStats> files, const cep::PoolStats& pool, const cep::Advice& advice);
std::string PoolSvg(std::span<const NamedStats> files, const cep::PoolStats& pool);

}  // namespace cep::writers

// SPDX-License-Identifier: MIT
#include "stats_mode.h"


#include "group_stats.h"
#include "stats_writers.h"

namespace cli {

namespace {

// Blocks are not flushed one by one, which costs a write per file over
// thousands of files; stdout is flushed before a failure goes to stderr, so
// that the two still come in order when they share a terminal or a file.
void Failed(Output& out, Output& err, std::string_view file, std::string_view message) {
    out.Flush();  // a failure here is reported at the end
    FileFailure(err, file, message);
}

// DIR/<bare name>.svg, written whole or not at all.
cep::Outcome<cep::Done> WritePicture(const std::string& dir, const std::string& name, const cep::GroupStats& stats,
                                     const cep::ShotTable& shots) {
    if (const int error = cep::os::CreateFolders(dir); error != 0) {
        return cep::MakeFailure(cep::FailureKind::FileAccessFailure, "could not create the folder " + dir + " (" +
                                                                         cep::SystemErrorText(error) + ").");
    }
    const std::string path = cep::os::Join(dir, name + ".svg");
    const std::span<const cep::ShotPoint> group(shots.data(), static_cast<std::size_t>(stats.shots));
    if (const int failed = cep::os::ReplaceWhole(path, GroupSvg(name, stats, group)); failed != 0) {
        return cep::MakeFailure(cep::FailureKind::FileAccessFailure,
                                "could not write " + path + " (" + cep::SystemErrorText(failed) + ").");
    }
    return cep::Done{};
}

}  // namespace

int RunStats(const StatsOptions& options, Output& out, Output& err) {
    int status = 0;
    bool printedBefore = false;
    // The JSON array goes out one file's line at a time, each line ended with
    // its separator before a failure may go to stderr, so that the two stay
    // apart on a shared terminal; the text, a block per file.
    if (options.json) out.Write("[\n");
    for (std::size_t f = 0; f < options.files.size(); ++f) {
        const std::string& file = options.files[f];
        cep::ShotTable shots;
        NamedStats named{cep::os::BareName(file), cep::ReadGroupStats(file, options.range, options.level, shots)};
        const auto& [name, stats] = named;
        if (options.json) {
            const std::string_view end = f + 1 < options.files.size() ? ",\n" : "\n";
            if (!out.Write(StatsJsonObject(named)) || !out.Write(end)) return 1;
        } else if (stats) {
            if (!out.Write(printedBefore ? "\n" : "") || !out.Write(StatsText(out.Shown(name), stats.value()))) return 1;
            printedBefore = true;
        }
        if (!stats) {
            status = 1;
            Failed(out, err, file, stats.failure().message);
        } else if (options.svgDir) {
            const auto drawn = WritePicture(*options.svgDir, name, stats.value(), shots);
            if (!drawn) {
                status = 1;
                Failed(out, err, file, drawn.failure().message);
            }
        }
    }
    if (options.json) out.Write("]\n");
    return status;
}

int RunCompare(const StatsOptions& options, Output& out, Output& err) {
    std::vector<NamedStats> groups;
    bool failed = false;
    for (const std::string& file : options.files) {
        cep::ShotTable shots;
        groups.emplace_back(cep::os::BareName(file), cep::ReadGroupStats(file, options.range, options.level, shots));
        if (!groups.back().second) {
            failed = true;
            FileFailure(err, file, groups.back().second.failure().message);
        }
    }
    if (failed) return 1;
    const NamedStats& a = groups[0];
    const NamedStats& b = groups[1];
    const auto comparison = cep::CompareGroups(a.second.value(), b.second.value(), options.level);
    if (!comparison) {
        FileFailure(err, options.files[0] + ", " + options.files[1], comparison.failure().message);
        return 1;
    }
    out.Write(options.json ? CompareJson(a, b, comparison.value())
                           : CompareText(out.Shown(a.first), a.second.value(), out.Shown(b.first), b.second.value(),
                                         comparison.value()));
    return 0;
}

}  // namespace cli

// SPDX-License-Identifier: MIT
#include "cli/stats_mode.h"

#include <set>

#include "core/group_stats.h"
#include "writers/stats_writers.h"

namespace cli {

using cep::writers::CompareJson;
using cep::writers::CompareText;
using cep::writers::GroupSvg;
using cep::writers::NamedStats;
using cep::writers::NoteText;
using cep::writers::PoolJson;
using cep::writers::PoolSvg;
using cep::writers::PoolText;
using cep::writers::StatsJsonObject;
using cep::writers::StatsText;

namespace {

// Blocks are not flushed one by one, which costs a write per file over
// thousands of files; stdout is flushed before anything goes to stderr, so
// that the two still come in order when they share a terminal or a file.
void Failed(Output& out, Output& err, std::string_view file, std::string_view message) {
    out.Flush();  // a failure here is reported at the end
    FileFailure(err, file, message);
}

// "cep-report: FILE: line L: WHAT" for each line the data check questioned.
void Warn(Output& out, Output& err, std::string_view file, const std::vector<cep::DataWarning>& warnings) {
    if (warnings.empty()) return;
    out.Flush();
    std::string lines;
    for (const cep::Note& note : cep::GroupNotes({}, warnings)) {
        lines += "cep-report: " + EscapeControls(file) + ": " + NoteText(note) + "\n";
    }
    err.Write(lines);
}

NamedStats Read(const StatsOptions& options, const std::string& file, bool advise) {
    return cep::writers::ReadNamedStats(file, options.range, options.level, options.exclude, options.strict,
                                        advise ? &options.aiming : nullptr);
}

// Picture names: DIR/NAME.svg for a file's bare name; a name that came
// before in the same call gets -2, -3, ... so that no picture replaces
// another of the same call.
class PictureNames {
public:
    std::string For(const std::string& name) {
        std::string picture = name;
        for (int k = 2; !used_.insert(picture).second; ++k) picture = name + "-" + std::to_string(k);
        return picture + ".svg";
    }

private:
    std::set<std::string> used_;
};

// DIR/PICTURE, written whole or not at all.
cep::Outcome<cep::Done> WritePicture(const std::string& dir, const std::string& picture, const std::string& name,
                                     const cep::GroupStats& stats, const cep::ShotTable& shots) {
    if (const int error = cep::os::CreateFolders(dir); error != 0) {
        return cep::MakeFailure(cep::FailureKind::FileAccessFailure,
                                "could not create the folder " + dir + " (" + cep::SystemErrorText(error) + ").");
    }
    const std::string path = cep::os::Join(dir, picture);
    if (const int failed = cep::os::ReplaceWhole(path, GroupSvg(name, stats, shots)); failed != 0) {
        return cep::MakeFailure(cep::FailureKind::FileAccessFailure,
                                "could not write " + path + " (" + cep::SystemErrorText(failed) + ").");
    }
    return cep::Done{};
}

}  // namespace

int RunStats(const StatsOptions& options, Output& out, Output& err) {
    int status = 0;
    bool printedBefore = false;
    PictureNames pictures;
    // The JSON array goes out one file's line at a time, each line ended with
    // its separator before a failure may go to stderr, so that the two stay
    // apart on a shared terminal; the text, a block per file.
    if (options.json) out.Write("[\n");
    for (std::size_t f = 0; f < options.files.size(); ++f) {
        const std::string& file = options.files[f];
        const NamedStats named = Read(options, file, true);
        Warn(out, err, file, named.warnings);
        if (options.json) {
            const std::string_view end = f + 1 < options.files.size() ? ",\n" : "\n";
            if (!out.Write(StatsJsonObject(named)) || !out.Write(end)) return 1;
        } else if (named.stats) {
            if (!out.Write(printedBefore ? "\n" : "") ||
                !out.Write(StatsText(named.name, named.stats.value(), named.advice ? &*named.advice : nullptr))) {
                return 1;
            }
            printedBefore = true;
        }
        if (!named.stats) {
            status = 1;
            Failed(out, err, file, named.stats.failure().message);
        } else if (options.svgDir) {
            const auto drawn =
                WritePicture(*options.svgDir, pictures.For(named.name), named.name, named.stats.value(), named.shots);
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
    for (std::size_t f = 0; f < options.files.size(); ++f) {
        groups.push_back(Read(options, options.files[f], false));
        Warn(out, err, options.files[f], groups.back().warnings);
        if (!groups.back().stats) {
            failed = true;
            FileFailure(err, options.files[f], groups.back().stats.failure().message);
        }
    }
    if (failed) return 1;
    const NamedStats& a = groups[0];
    const NamedStats& b = groups[1];
    const auto comparison = cep::CompareGroups(a.stats.value(), b.stats.value(), options.level);
    if (!comparison) {
        FileFailure(err, options.files[0] + ", " + options.files[1], comparison.failure().message);
        return 1;
    }
    out.Write(options.json ? CompareJson(a, b, comparison.value())
                           : CompareText(a.name, a.stats.value(), b.name, b.stats.value(), comparison.value()));
    if (options.svgDir) {
        PictureNames pictures;
        for (std::size_t f = 0; f < groups.size(); ++f) {
            const auto drawn = WritePicture(*options.svgDir, pictures.For(groups[f].name), groups[f].name,
                                            groups[f].stats.value(), groups[f].shots);
            if (!drawn) {
                Failed(out, err, options.files[f], drawn.failure().message);
                return 1;
            }
        }
    }
    return 0;
}

int RunPool(const StatsOptions& options, Output& out, Output& err) {
    std::vector<NamedStats> files;
    std::vector<const cep::GroupStats*> groups;
    int status = 0;
    for (const std::string& file : options.files) {
        files.push_back(Read(options, file, true));
        Warn(out, err, file, files.back().warnings);
        if (!files.back().stats) {
            status = 1;
            FileFailure(err, file, files.back().stats.failure().message);
        }
    }
    for (const NamedStats& file : files) {
        if (file.stats) groups.push_back(&file.stats.value());
    }
    const auto pool = cep::PoolGroups(groups, options.level);
    if (!pool) {
        FileFailure(err, "--pool", pool.failure().message);
        return 1;
    }
    const auto advice = cep::Advise(cep::PoolDispersion(pool.value()), options.aiming);
    if (!advice) {
        FileFailure(err, "--pool", advice.failure().message);
        return 1;
    }
    out.Write(options.json ? PoolJson(files, pool.value(), advice.value())
                           : PoolText(files, pool.value(), advice.value()));
    if (options.svgDir) {
        const std::string& dir = *options.svgDir;
        const std::string path = cep::os::Join(dir, "pool.svg");
        int error = cep::os::CreateFolders(dir);
        std::string failure;
        if (error != 0) {
            failure = "could not create the folder " + dir + " (" + cep::SystemErrorText(error) + ").";
        } else if ((error = cep::os::ReplaceWhole(path, PoolSvg(files, pool.value()))) != 0) {
            failure = "could not write " + path + " (" + cep::SystemErrorText(error) + ").";
        }
        if (!failure.empty()) {
            Failed(out, err, "--pool", cep::MakeFailure(cep::FailureKind::FileAccessFailure, failure).message);
            return 1;
        }
    }
    return status;
}

}  // namespace cli

// SPDX-License-Identifier: MIT
// cep-report: the window's Calculate command for scripts and batches, and
// group statistics beside it.
#include <clocale>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/output.h"
#include "cli/report_mode.h"
#include "cli/stats_mode.h"

namespace {

constexpr std::string_view kUsage =
    "usage: cep-report [--range TEXT] [--csv] FILE...\n"
    "       cep-report --stats [--range TEXT] [--level P] [--json] [--svg DIR]\n"
    "                  [--exclude N,...] [--strict] [--target SIZE] [--click VALUE]\n"
    "                  [--aim X,Y] FILE...\n"
    "       cep-report --stats --pool [--range TEXT] [--level P] [--json] [--svg DIR]\n"
    "                  [--strict] [--target SIZE] [--click VALUE] [--aim X,Y] FILE FILE...\n"
    "       cep-report --compare [--range TEXT] [--level P] [--json] [--svg DIR]\n"
    "                  [--strict] FILE_A FILE_B\n"
    "Calculates the CEP of each group file as the CEP Calculator window does.\n"
    "  --range TEXT  the range text exactly as typed in the range box (default \"100\")\n"
    "  --csv         print the record that Save appends to CEP.csv instead of the text\n"
    "  --help        show this help\n"
    "  --version     show the version\n"
    "--stats gives each group's statistics over all its shots, with confidence\n"
    "intervals; --compare tells whether group A is tighter than group B.\n"
    "  --level P     confidence level, a number strictly between 0 and 1 (default 0.95)\n"
    "  --json        one JSON document on stdout instead of the text\n"
    "  --svg DIR     also draw each group to DIR/NAME.svg, true to scale where it fits\n"
    "                a page (a name met before in the same call: NAME-2.svg, ...)\n"
    "  --exclude N,...  leave out the shots with these numbers, from 1 (--stats)\n"
    "  --strict      fail a file whose data needed a warning (text where a number\n"
    "                belongs, decimal commas, data after the declared shots)\n"
    "  --pool        pool the groups of one rifle and load, each with its own centre,\n"
    "                into one result (--svg: DIR/pool.svg)\n"
    "  --target SIZE the chance that the next shot hits a circle of this diameter\n"
    "                about the point of aim: 10in, 25cm, 250mm, 2moa, 1mil (bare: in)\n"
    "  --click VALUE what one click moves: 0.25moa (default), 1/8moa, 0.1mil, or 0.5in\n"
    "                for turrets marked in inches at 100 yards\n"
    "  --aim X,Y     the point of aim in inches, right and up (default 0,0)\n"
    "Exit status: 0 every file completed, 1 any failed, 2 usage error.\n";

int UsageError(cli::Output& err, std::string_view problem) {
    err.Write("cep-report: " + err.Shown(problem) + "\n");
    err.Write(kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The figures use the user's decimal separator, as in the window.
    std::setlocale(LC_ALL, "");
    // Bytes unchanged on stdout and stderr; a file size limit fails the
    // write, which is reported, instead of ending the program unannounced.
    cep::os::PrepareStandardStreams();
    cli::Output out(stdout);
    cli::Output err(stderr);

    cli::ReportOptions options;
    cli::StatsOptions stats;
    bool optionsEnded = false;
    const std::vector<std::string> args = cep::os::Arguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            out.Write(kUsage);
            return cli::Finish(0, out, err);
        } else if (arg == "--version") {
            out.Write("cep-report " CEP_VERSION_TEXT "\n");
            return cli::Finish(0, out, err);
        } else if (arg == "--csv") {
            options.csv = true;
        } else if (arg == "--range") {
            if (i + 1 >= args.size()) return cli::Finish(UsageError(err, "--range needs a value"), out, err);
            options.range = args[++i];
        } else if (arg.starts_with("--range=")) {
            options.range = std::string(arg.substr(8));
        } else if (std::string problem; cli::TakeStatsOption(args, i, stats, problem)) {
            if (!problem.empty()) return cli::Finish(UsageError(err, problem), out, err);
        } else {
            return cli::Finish(UsageError(err, "unknown option " + std::string(arg)), out, err);
        }
    }
    if (options.files.empty()) return cli::Finish(UsageError(err, "no group file given"), out, err);
    stats.range = options.range;
    stats.files = options.files;
    if (const std::string problem = cli::StatsOptionsProblem(stats, options.csv); !problem.empty()) {
        return cli::Finish(UsageError(err, problem), out, err);
    }
    switch (stats.mode) {
    case cli::StatsMode::Stats:
        return cli::Finish(stats.pool ? cli::RunPool(stats, out, err) : cli::RunStats(stats, out, err), out, err);
    case cli::StatsMode::Compare: return cli::Finish(cli::RunCompare(stats, out, err), out, err);
    case cli::StatsMode::None: break;
    }
    return cli::Finish(cli::RunReport(options, out, err), out, err);
}

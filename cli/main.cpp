// cep-report: the window's Calculate command for scripts and batches.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

#include "output.h"
#include "report_mode.h"

namespace {

constexpr std::string_view kUsage =
    "usage: cep-report [--range TEXT] [--csv] FILE...\n"
    "Calculates the CEP of each group file as the CEP Calculator window does.\n"
    "  --range TEXT  the range text exactly as typed in the range box (default \"100\")\n"
    "  --csv         print the record that Save appends to CEP.csv instead of the text\n"
    "  --help        show this help\n"
    "  --version     show the version\n"
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
    // A file size limit then fails the write, which is reported, instead of
    // ending the program unannounced.
    std::signal(SIGXFSZ, SIG_IGN);
    cli::Output out(stdout);
    cli::Output err(stderr);

    cli::ReportOptions options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
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
            if (i + 1 >= argc) return cli::Finish(UsageError(err, "--range needs a value"), out, err);
            options.range = argv[++i];
        } else if (arg.starts_with("--range=")) {
            options.range = std::string(arg.substr(8));
        } else {
            return cli::Finish(UsageError(err, "unknown option " + std::string(arg)), out, err);
        }
    }
    if (options.files.empty()) return cli::Finish(UsageError(err, "no group file given"), out, err);
    return cli::Finish(cli::RunReport(options, out, err), out, err);
}

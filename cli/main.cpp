// cep-report: the window's Calculate command for scripts and batches.
#include <clocale>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "calculate.h"
#include "csv_export.h"

namespace {

constexpr std::string_view kUsage =
    "usage: cep-report [--range TEXT] [--csv] FILE...\n"
    "Calculates the CEP of each group file as the CEP Calculator window does.\n"
    "  --range TEXT  the range text exactly as typed in the range box (default \"100\")\n"
    "  --csv         print the record that Save appends to CEP.csv instead of the text\n"
    "  --help        show this help\n"
    "  --version     show the version\n"
    "Exit status: 0 every file completed, 1 any failed, 2 usage error.\n";

void Write(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

int UsageError(std::string_view problem) {
    Write(stderr, "cep-report: ");
    Write(stderr, problem);
    Write(stderr, "\n");
    Write(stderr, kUsage);
    return 2;
}

// The label's text as plain lines.
std::string AsLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    out += '\n';
    return out;
}

class Label : public cep::ResultsText {
public:
    void SetText(const std::string& text) override { text_ = text; }
    void AppendText(const std::string& text) override { text_ += text; }
    const std::string& text() const { return text_; }
    bool touched() const { return !text_.empty(); }

private:
    std::string text_;
};

std::string BareName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    // The figures use the user's decimal separator, as in the window.
    std::setlocale(LC_ALL, "");

    std::string range = "100";
    bool csv = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            files.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            Write(stdout, kUsage);
            return 0;
        } else if (arg == "--version") {
            Write(stdout, "cep-report " CEP_VERSION_TEXT "\n");
            return 0;
        } else if (arg == "--csv") {
            csv = true;
        } else if (arg == "--range") {
            if (i + 1 >= argc) return UsageError("--range needs a value");
            range = argv[++i];
        } else if (arg.starts_with("--range=")) {
            range = std::string(arg.substr(8));
        } else {
            return UsageError("unknown option " + std::string(arg));
        }
    }
    if (files.empty()) return UsageError("no group file given");

    int status = 0;
    bool printedBefore = false;
    for (const std::string& file : files) {
        cep::CalcState state;  // each file is a calculation of its own
        Label label;
        const auto done = cep::Calculate(state, file, BareName(file), range, label);
        std::string out;
        if (csv) {
            if (done) out = cep::FormatCsvRecord(cep::MakeCsvRecord(done.value()));
        } else if (label.touched()) {
            out = AsLines(label.text());
            if (printedBefore) out.insert(out.begin(), '\n');
        }
        Write(stdout, out);
        printedBefore = printedBefore || !out.empty();
        std::fflush(stdout);
        if (!done) {
            status = 1;
            Write(stderr, "cep-report: " + file + ": " + done.failure().message + "\n");
        }
    }
    return status;
}

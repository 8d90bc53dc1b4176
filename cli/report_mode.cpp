// SPDX-License-Identifier: MIT
#include "cli/report_mode.h"

#include "core/calculate.h"
#include "export/csv_export.h"

namespace cli {

namespace {

class Label : public cep::ResultsText {
public:
    void SetText(const std::string& text) override { text_ = text; }
    void AppendText(const std::string& text) override { text_ += text; }
    const std::string& text() const { return text_; }
    bool touched() const { return !text_.empty(); }

private:
    std::string text_;
};

// The label's text as plain lines. Only line 1 holds text from outside (the
// file name and the range); it ends where the empty line 2 begins, the last
// blank line of the text.
std::string AsLines(const std::string& text, const Output& out) {
    const auto heading = text.rfind("\r\n\r\n");
    std::string shown =
        heading == std::string::npos ? out.Shown(text) : out.Shown(text.substr(0, heading)) + text.substr(heading);
    std::string lines;
    lines.reserve(shown.size() + 1);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') continue;
        lines += shown[i];
    }
    lines += '\n';
    return lines;
}

// The record's bytes; on a terminal the name is shown escaped, the CR LF kept.
std::string AsRecord(const std::string& record, const Output& out) {
    return out.Shown(record.substr(0, record.size() - 2)) + "\r\n";
}

// Appends a record to a file that a window may be saving into at the same
// moment: under the same lock, so that neither sees the other's half record.
// A lock held too long is reported here; a failed write, by Finish.
bool WriteRecord(const std::string& record, Output& out, Output& err) {
    bool regular = false;
    const cep::os::NativeFile file = out.RegularFile(regular);
    if (!regular) return out.Write(record) && out.Flush();
    int error = 0;
    const cep::LockResult lock = cep::LockFile(file, cep::kLockBound, error);
    if (lock == cep::LockResult::Busy) {
        err.Write("cep-report: write error: the output file is locked by another program\n");
        return false;
    }
    const bool written = out.Write(record) && out.Flush();
    if (lock == cep::LockResult::Locked) cep::UnlockFile(file);
    return written;
}

}  // namespace

int RunReport(const ReportOptions& options, Output& out, Output& err) {
    int status = 0;
    bool printedBefore = false;
    for (const std::string& file : options.files) {
        cep::CalcState state;  // each file is a calculation of its own
        Label label;
        const auto done = cep::Calculate(state, file, cep::os::BareName(file), options.range, label);
        bool written = true;
        if (options.csv) {
            if (done)
                written = WriteRecord(AsRecord(cep::FormatCsvRecord(cep::MakeCsvRecord(done.value())), out), out, err);
        } else if (label.touched()) {
            written = out.Write(printedBefore ? "\n" : "") && out.Write(AsLines(label.text(), out)) && out.Flush();
            printedBefore = true;
        }
        if (!written) return 1;
        if (!done) {
            status = 1;
            FileFailure(err, file, done.failure().message);
        }
    }
    return status;
}

}  // namespace cli

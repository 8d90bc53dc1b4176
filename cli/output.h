// SPDX-License-Identifier: MIT
// Standard output and standard error as cep-report writes them: every write
// is checked, so that a full disk or a closed file never passes for success,
// and text from outside (file names, the range) is shown escaped on a
// terminal, so that a crafted name cannot send escape sequences to it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "os/os.h"
#include "writers/escape.h"

namespace cli {

using cep::writers::EscapeControls;
using cep::writers::HexEscaped;

class Output {
public:
    explicit Output(std::FILE* stream);

    bool IsTerminal() const { return terminal_; }
    // The stream's file when it is a regular file (for locking); `found` false otherwise.
    cep::os::NativeFile RegularFile(bool& found) const { return cep::os::RegularFileOf(stream_, found); }

    // Text from outside as this stream may show it.
    std::string Shown(std::string_view text) const { return terminal_ ? EscapeControls(text) : std::string(text); }

    // Each returns false once anything written to the stream has failed.
    bool Write(std::string_view bytes);
    bool Flush();
    // Flushes and closes the stream: the last chance for a delayed error.
    bool Close();

    bool ok() const { return error_ == 0; }
    int error() const { return error_; }

private:
    std::FILE* stream_;
    bool terminal_;
    int error_ = 0;
};

// Reports a file that failed on stderr as "cep-report: FILE: MESSAGE".
void FileFailure(Output& err, std::string_view file, std::string_view message);

// Reports a failed write on stderr as "cep-report: write error: REASON" and
// returns the exit status for it.
int WriteError(Output& err, int error);

// Flushes and closes both streams at the end; a failure on stdout turns the
// status into 1, as for a file that failed.
int Finish(int status, Output& out, Output& err);

}  // namespace cli

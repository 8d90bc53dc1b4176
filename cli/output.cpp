// SPDX-License-Identifier: MIT
#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "core/failure.h"

namespace cli {

Output::Output(std::FILE* stream) : stream_(stream), terminal_(cep::os::IsTerminal(stream)) {}

bool Output::Write(std::string_view bytes) {
    if (error_ != 0) return false;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

bool Output::Flush() {
    if (error_ != 0) return false;
    errno = 0;
    if (std::fflush(stream_) != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

bool Output::Close() {
    const bool flushed = Flush();
    errno = 0;
    const int closed = std::fclose(stream_);
    if (flushed && closed != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

void FileFailure(Output& err, std::string_view file, std::string_view message) {
    err.Write("cep-report: " + err.Shown(file) + ": " + err.Shown(message) + "\n");
    err.Flush();
}

int WriteError(Output& err, int error) {
    err.Write("cep-report: write error: " + cep::SystemErrorText(error) + "\n");
    err.Flush();
    return 1;
}

int Finish(int status, Output& out, Output& err) {
    if (!out.Close()) status = WriteError(err, out.error());
    // Nowhere is left to report a failure of stderr itself.
    err.Close();
    return status;
}

}  // namespace cli

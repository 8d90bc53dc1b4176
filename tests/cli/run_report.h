// SPDX-License-Identifier: MIT
// Runs the real cep-report through the shell and captures what it wrote.
#pragma once

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "temp_dir.h"

namespace cep::testing_support {

struct Captured {
    std::string out, err;
    int status;
};

// `environment` is put before the command, as "NAME=value ..."; stdout goes
// to a file, or to `out` when given (a device, say).
inline Captured RunReport(const std::vector<std::string>& args, const std::string& environment = "LC_ALL=C",
                          const std::string& out = {}) {
    TempDir io;
    std::string command = environment + " " + CEP_REPORT_PATH;
    for (const std::string& a : args) {
        command += " '";
        for (const char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += "'";
    }
    command += " >" + (out.empty() ? io / "out" : out) + " 2>" + (io / "err");
    const int status = std::system(command.c_str());
    return {ReadAll(io / "out"), ReadAll(io / "err"), WEXITSTATUS(status)};
}

// Two header lines, the count line, then the shot lines as given.
inline std::string Group(const std::string& count, const std::string& shots) {
    return "CEP group file\r\ntest rifle\r\n" + count + "\r\n" + shots;
}

}  // namespace cep::testing_support

// SPDX-License-Identifier: MIT
// Runs the real cep-report and captures what it wrote.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace cep::testing_support {

// `environment` holds "NAME=value" entries separated by blanks; stdout goes
// to a file, or to `out` when given (a device, say).
inline Captured RunReport(const std::vector<std::string>& args, const std::string& environment = "LC_ALL=C",
                          const std::string& out = {}) {
    std::vector<std::string> entries;
    std::istringstream words(environment);
    for (std::string entry; words >> entry;) entries.push_back(entry);
    return RunProgram(CEP_REPORT_PATH, args, entries, out);
}

// Two header lines, the count line, then the shot lines as given.
inline std::string Group(const std::string& count, const std::string& shots) {
    return "CEP group file\r\ntest rifle\r\n" + count + "\r\n" + shots;
}

}  // namespace cep::testing_support

// SPDX-License-Identifier: MIT
// The default mode: each file's results text as the window's label shows it,
// or with --csv the record Save appends.
#pragma once

#include <string>
#include <vector>

#include "cli/output.h"

namespace cli {

struct ReportOptions {
    std::string range = "100";  // as typed in the range box
    bool csv = false;
    std::vector<std::string> files;
};

// Returns the exit status: 0 when every file completed, 1 when any failed.
// Stops at the first failed write to `out`, which Finish then reports.
int RunReport(const ReportOptions& options, Output& out, Output& err);

}  // namespace cli

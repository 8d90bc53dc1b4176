// SPDX-License-Identifier: MIT
// Runs a program with arguments passed unchanged (no shell between), stdout
// and stderr captured, on every platform the tests run on.
#pragma once

#include <string>
#include <vector>

namespace cep::testing_support {

struct Captured {
    std::string out, err;
    int status;
};

// `environment` holds "NAME=value" entries put into the program's
// environment; stdout goes to `out` when given (a device, say), else it is
// captured; `folder`, when given, is the program's working directory. With
// `together`, stderr shares stdout's file, as on one terminal, and `out`
// holds both.
Captured RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::vector<std::string>& environment, const std::string& out = {},
                    const std::string& folder = {}, bool together = false);

}  // namespace cep::testing_support

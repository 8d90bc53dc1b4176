// SPDX-License-Identifier: MIT
// What the reader passes over in silence: shot fields that are not wholly
// numbers (read as their leading number, or 0), numbers written with decimal
// commas, and text after the declared shots. The figures stay those of the
// reader; this only says where a file may not mean what it gives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/group_file.h"

namespace cep {

struct DataWarning {
    int line = 0;  // from 1, as an editor counts them
    std::string text;
    friend bool operator==(const DataWarning&, const DataWarning&) = default;
};

// Checks the whole text of a group file whose line 3 declares `declared`
// shots, splitting lines and fields exactly as the reader does. `cut` says
// the text ends early because the file is longer than was kept.
std::vector<DataWarning> CheckGroupData(std::string_view text, ShotCount declared, bool cut = false);

}  // namespace cep

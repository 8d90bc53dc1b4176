// What the Calculate sequence needs to know about a read beyond the count,
// to tell the user why a later step failed.
#pragma once

#include "group_file.h"

namespace cep {

struct GroupFileRead {
    ShotCount count = 0;
    bool hadCountLine = false;  // false: fewer than three lines, table untouched
};

Outcome<GroupFileRead> ReadGroupFileDetailed(const std::string& path, ShotTable& shots);

}  // namespace cep

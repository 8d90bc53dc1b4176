// SPDX-License-Identifier: MIT
// Reading a shot-group file and the text-to-number rule shared with the
// range box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace cep {

using ShotCount = std::int16_t;

struct ShotPoint {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const ShotPoint&, const ShotPoint&) = default;
};

using ShotTable = std::vector<ShotPoint>;

// Blanks, tabs and line feeds anywhere are dropped, then the longest leading
// number (sign, digits, period, digits, E or D exponent) is converted exactly
// and independently of the locale. No number gives 0. Fails only with
// overflow, for a number too large for a double.
Outcome<double> LeadingNumber(std::string_view text);

// Reads the file at `path`: skips two lines, takes the count from line 3 and
// then that many x, y pairs. On success `shots` holds n + 2 entries (the
// shots, a copy of shot 0, and (0, 0)); a file of fewer than three lines
// returns 0 and leaves `shots` as it was.
Outcome<ShotCount> ReadGroupFile(const std::string& path, ShotTable& shots);

// The same read, also telling whether the file had a count line at all, so
// that a later failure can say why the table is short.
// When `wholeText` is given, it receives the file's bytes up to
// kWholeTextLimit, read on after the shots, for checking.
inline constexpr std::size_t kWholeTextLimit = 16u << 20;
struct GroupFileRead {
    ShotCount count = 0;
    bool hadCountLine = false;  // false: fewer than three lines, table untouched
    bool wholeTextCut = false;  // the file is longer than kWholeTextLimit
};
Outcome<GroupFileRead> ReadGroupFileDetailed(const std::string& path, ShotTable& shots,
                                             std::string* wholeText = nullptr);

}  // namespace cep

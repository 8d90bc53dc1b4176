// SPDX-License-Identifier: MIT
// A bullet's diameter as shooters write it: "0.308in", ".308", "7.62mm".
#pragma once

#include <string_view>

#include "core/failure.h"

namespace cep::scan {

// Calibres from .10 to 1.00 in (2.54 to 25.4 mm) are taken.
inline constexpr double kSmallestCalibre = 0.10;
inline constexpr double kLargestCalibre = 1.00;

// The diameter in inches. A bare number is inches; "in" or "mm" may follow,
// after a blank or not, in either letter case.
Outcome<double> ParseCalibre(std::string_view text);

}  // namespace cep::scan

// SPDX-License-Identifier: MIT
// The group file made from a picture, in the format the calculator reads:
// two lines naming the picture, the calibre and the date, the shot count,
// then one "x,y" line per shot in inches with four decimals, CR LF ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scan/calibration.h"

namespace cep::scan {

// `pictureName` has its control characters replaced by '?', so that the
// two heading lines stay two lines.
std::string GroupFileText(std::string_view pictureName, double calibreInches, std::string_view date,
                          const std::vector<TargetPoint>& shots);

}  // namespace cep::scan

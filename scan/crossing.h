// SPDX-License-Identifier: MIT
// Where printed lines cross or meet near a point the shooter clicked: a
// calibration point is worth more when it lies exactly on a grid crossing or
// a printed square's corner than where the mouse happened to land.
#pragma once

#include <optional>

#include "scan/calibration.h"
#include "scan/picture.h"

namespace cep::scan {

// The nearest point within `reach` pixels of `near` where two dark lines
// cross, or where one turns a corner, to a fraction of a pixel; nothing
// when there is none (plain paper, a single straight line, a hole, lines
// wider than about 8 pixels).
std::optional<PixelPoint> NearestCrossing(const GreyPicture& picture, PixelPoint near, double reach);

}  // namespace cep::scan

// SPDX-License-Identifier: MIT
// Finding the shots in a calibrated picture of a target: the holes show the
// backing through the paper, darker than the paper around them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"
#include "scan/calibration.h"
#include "scan/picture.h"

namespace cep::scan {

// single: a hole of its own; split: one of several circles fitted to
// overlapping holes; uncertain: a fit the shooter should look at.
enum class ShotTier { Single, Split, Uncertain };
std::string_view TierName(ShotTier tier);

struct FoundShot {
    TargetPoint at;    // the hole's centre, inches from the aim, y up
    PixelPoint pixel;  // the same in the picture as given
    ShotTier tier = ShotTier::Single;
};

struct ScanSettings {
    double calibreInches = 0.0;
    int shotCount = 0;  // 0: not known; otherwise the number of circles to fit in all
};

struct ScanResult {
    std::vector<FoundShot> shots;  // clockwise from 12 o'clock about their centre
    std::vector<std::string> warnings;
};

// At most this many shots are looked for on one picture.
inline constexpr int kMostShots = 1000;

Outcome<ScanResult> FindShots(const GreyPicture& picture, const Calibration& calibration, const ScanSettings& settings);

// Sorts the shots clockwise from 12 o'clock about their mean (y up), nearer
// first on one bearing, so that a polygon through them in this order does
// not cross itself.
void OrderClockwise(std::vector<FoundShot>& shots);

}  // namespace cep::scan

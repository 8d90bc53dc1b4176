// SPDX-License-Identifier: MIT
// From picture pixels to inches on the target, and back: a flatbed scan by
// its resolution and the aim's pixel, or a photo by four or more points of
// known position, fitted as a perspective (a homography).
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "core/failure.h"

namespace cep::scan {

// Pixels: x to the right, y down, the first pixel's centre at (0, 0).
struct PixelPoint {
    double x = 0.0;
    double y = 0.0;
};
// Inches from the aim, x to the right, y up.
struct TargetPoint {
    double x = 0.0;
    double y = 0.0;
};
struct PointPair {
    PixelPoint pixel;
    TargetPoint target;
};

// Above this a calibration point's residual is worth a warning: it is the
// accuracy asked of the shots themselves.
inline constexpr double kResidualWarningInches = 0.02;

struct Calibration {
    std::array<double, 9> toTarget{};  // row-major homography, pixel to inches
    std::array<double, 9> toPixel{};   // its inverse
    // Pixels per inch: the resolution of a scan, or the scale at the
    // points' centre of a photo.
    double pixelsPerInch = 0.0;
    bool byPoints = false;
    std::vector<PointPair> points;  // as given
    std::vector<double> residuals;  // inches, one per point
    double largestResidual = 0.0;
};

TargetPoint ToTarget(const Calibration& calibration, PixelPoint pixel);
PixelPoint ToPixel(const Calibration& calibration, TargetPoint target);

// A scan: `dpi` dots per inch, square pixels, the aim at `aim`.
Outcome<Calibration> CalibrateByDpi(double dpi, PixelPoint aim);
// A photo: four points fix the perspective; past four it is a least-squares fit.
Outcome<Calibration> CalibrateByPoints(std::span<const PointPair> points);

// One line each for the points whose residual is over the warning bound, and
// for a mapping that mirrors the picture (usually a y typed with the wrong sign).
std::vector<std::string> CalibrationWarnings(const Calibration& calibration);

}  // namespace cep::scan

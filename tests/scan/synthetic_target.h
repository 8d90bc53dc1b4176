// SPDX-License-Identifier: MIT
// Synthetic pictures of shot paper targets, drawn from their description so
// that every hole's true centre is known: a grid or ring sheet, holes that
// show a dark backing through a ragged edge with a grey wipe around it,
// uneven light, noise, and for photos a perspective.
#pragma once

#include <array>
#include <optional>
#include <random>
#include <vector>

#include <opencv2/core.hpp>

#include "scan/calibration.h"
#include "scan/picture.h"

namespace cep::testing_support {

enum class SheetKind { Grid, Rings };

struct TargetPlan {
    SheetKind sheet = SheetKind::Grid;
    double dpi = 150.0;
    double width = 6.0, height = 6.0;  // inches of paper shown, the aim at its centre
    double calibre = 0.308;
    std::vector<scan::TargetPoint> holes;
    double backing = 0.12;  // brightness seen through a hole, paper being 0.92
    double light = 0.3;     // the light falls by up to this share across the sheet
    double noise = 4.0;     // grey levels, standard deviation
    unsigned seed = 1;
    // A photo: where the sheet's corners (top left, top right, bottom right,
    // bottom left) land in a picture of this size, in pixels.
    std::optional<std::array<cv::Point2d, 4>> photoCorners;
    cv::Size photoSize;
};

struct RenderedTarget {
    cv::Mat grey;               // CV_8U
    cv::Matx33d targetToPixel;  // inches (y up) to pixel centres
    scan::GreyPicture picture() const {
        return {grey.ptr<std::uint8_t>(0), grey.cols, grey.rows, static_cast<std::ptrdiff_t>(grey.step)};
    }
    scan::PixelPoint PixelOf(scan::TargetPoint t) const;
};

RenderedTarget RenderTarget(const TargetPlan& plan);

// A perspective as a hand-held camera gives it: the sheet's corners moved
// inwards or outwards by up to `slant` of its size, in a picture about `dpi`
// pixels per inch of paper.
void MakePhoto(TargetPlan& plan, double slant, std::mt19937& random);

// Layouts of holes within `reach` inches of the aim.
// Isolated: at least half a calibre of paper between any two.
std::vector<scan::TargetPoint> IsolatedHoles(int count, double calibre, double reach, std::mt19937& random);
// Pairs whose centres are `low` to `high` inches apart, the pairs apart from each other.
std::vector<scan::TargetPoint> HolePairs(int pairs, double low, double high, double calibre, double reach,
                                         std::mt19937& random);

}  // namespace cep::testing_support

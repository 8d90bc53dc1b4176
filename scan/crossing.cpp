// SPDX-License-Identifier: MIT
#include "scan/crossing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace cep::scan {

namespace {

// Room around the reach for the corner refinement's window and the arms.
constexpr int kMargin = 24;
// The refinement's window: half its side, wide enough to hold both edges of
// a line up to about 8 pixels wide, so that they pull equally. The aiming
// cross of a 300 dpi scan is wider, and is clicked as the aim instead.
constexpr int kHalfWindow = 7;
// Lines must stand out from the paper by this many grey levels.
constexpr double kLeastContrast = 40.0;
// The arms are looked for along rays this far from the point, in pixels;
// from past a thick line's crossing square to well beyond it.
constexpr double kArmFrom = 3.0;
constexpr double kArmTo = 20.0;
constexpr int kRays = 72;  // every 5 degrees

double Percentile(std::vector<float> values, double share) {
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(share * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Whether dark arms leave `point` in at least two directions that are not
// one straight line through it: a crossing, a T or a corner, not a line's
// middle, plain paper or a hole (dark all round).
bool HasArms(const cv::Mat& area, cv::Point2f point, double threshold) {
    std::vector<bool> dark(kRays);
    for (int ray = 0; ray < kRays; ++ray) {
        const double angle = 2.0 * std::numbers::pi * ray / kRays;
        std::vector<float> samples;
        for (double r = kArmFrom; r <= kArmTo; r += 0.5) {
            const double x = point.x + r * std::cos(angle);
            const double y = point.y + r * std::sin(angle);
            if (x < 0 || y < 0 || x > area.cols - 1 || y > area.rows - 1) return false;
            cv::Mat pixel;
            cv::getRectSubPix(area, {1, 1}, cv::Point2f(static_cast<float>(x), static_cast<float>(y)), pixel);
            samples.push_back(pixel.at<float>(0, 0));
        }
        dark[static_cast<std::size_t>(ray)] = Percentile(samples, 0.5) < threshold;
    }
    // The arms: runs of dark rays round the circle, by their middle rays.
    struct Run {
        int length;
    };
    std::vector<double> arms;
    std::vector<Run> runs;
    const auto first = std::find(dark.begin(), dark.end(), false);
    if (first == dark.end()) return false;  // dark all round
    const int start = static_cast<int>(first - dark.begin());
    int runStart = -1;
    for (int k = 1; k <= kRays; ++k) {
        const int ray = (start + k) % kRays;
        if (dark[static_cast<std::size_t>(ray)] && runStart < 0) runStart = start + k;
        if (!dark[static_cast<std::size_t>(ray)] && runStart >= 0) {
            // A single bright ray between dark ones is noise within one arm.
            const bool gap = k < kRays && dark[static_cast<std::size_t>((start + k + 1) % kRays)];
            if (gap) continue;
            arms.push_back((runStart + start + k - 1) / 2.0);
            runs.push_back({start + k - runStart});
            runStart = -1;
        }
    }
    // Lines are narrow: a wide dark sector is a hole or a smudge, not an arm.
    if (arms.size() < 2 || arms.size() > 8) return false;
    for (const Run& run : runs) {
        if (run.length > kRays / 6) return false;
    }
    if (arms.size() >= 3) return true;
    // Two arms a half turn apart are one line passing by.
    const double apart = std::abs(arms[1] - arms[0]);
    return std::abs(apart - kRays / 2.0) > kRays / 18.0;  // more than 10 degrees from straight
}

}  // namespace

std::optional<PixelPoint> NearestCrossing(const GreyPicture& picture, PixelPoint near, double reach) {
    if (picture.pixels == nullptr || picture.width <= 0 || picture.height <= 0 || !(reach > 0.0) ||
        !std::isfinite(near.x) || !std::isfinite(near.y)) {
        return std::nullopt;
    }
    const double extent = std::min(reach, 4.0 * std::max(picture.width, picture.height)) + kMargin;
    const cv::Rect wanted(static_cast<int>(std::floor(std::clamp(near.x - extent, -1e6, 1e6))),
                          static_cast<int>(std::floor(std::clamp(near.y - extent, -1e6, 1e6))),
                          static_cast<int>(std::ceil(2 * extent)) + 1, static_cast<int>(std::ceil(2 * extent)) + 1);
    const cv::Rect box = wanted & cv::Rect(0, 0, picture.width, picture.height);
    if (box.width < 2 * kMargin || box.height < 2 * kMargin) return std::nullopt;
    const cv::Mat whole(picture.height, picture.width, CV_8U, const_cast<std::uint8_t*>(picture.pixels),
                        static_cast<std::size_t>(picture.stride));
    cv::Mat area;
    whole(box).convertTo(area, CV_32F);
    cv::GaussianBlur(area, area, cv::Size(0, 0), 1.0);

    const std::vector<float> values(area.begin<float>(), area.end<float>());
    const double ink = Percentile(values, 0.01);
    const double paper = Percentile(values, 0.9);
    if (paper - ink < kLeastContrast) return std::nullopt;

    std::vector<cv::Point2f> corners;
    cv::goodFeaturesToTrack(area, corners, 400, 0.01, 2.0, cv::noArray(), 5, false);
    if (corners.empty()) return std::nullopt;
    cv::cornerSubPix(area, corners, cv::Size(kHalfWindow, kHalfWindow), cv::Size(-1, -1),
                     cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 40, 0.001));

    const cv::Point2f clicked(static_cast<float>(near.x - box.x), static_cast<float>(near.y - box.y));
    std::optional<PixelPoint> best;
    double bestDistance = reach;
    for (const cv::Point2f& corner : corners) {
        const double distance = std::hypot(corner.x - clicked.x, corner.y - clicked.y);
        if (distance > bestDistance || !HasArms(area, corner, (ink + paper) / 2.0)) continue;
        bestDistance = distance;
        best = PixelPoint{corner.x + box.x, corner.y + box.y};
    }
    return best;
}

}  // namespace cep::scan

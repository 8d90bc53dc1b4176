// SPDX-License-Identifier: MIT
#include "tests/scan/synthetic_target.h"

#include <cmath>
#include <numbers>

#include <opencv2/imgproc.hpp>

namespace cep::testing_support {

namespace {

constexpr double kPaper = 0.92;
constexpr double kInk = 0.08;
constexpr double kWipe = 0.5;        // the grey a bullet leaves round its hole
constexpr double kWipeWidth = 0.02;  // inches
constexpr double kTable = 0.35;      // what lies around the sheet in a photo

struct HoleShape {
    double x, y, radius;
    std::array<double, 6> amplitude, phase;
};

// The brightness of the target at a point (inches, y up), 0 to 1.
struct Sheet {
    const TargetPlan& plan;
    std::vector<HoleShape> holes;

    double Reflectance(double x, double y) const {
        if (std::abs(x) > plan.width / 2 || std::abs(y) > plan.height / 2) return kTable;
        bool wiped = false;
        for (const HoleShape& h : holes) {
            const double dx = x - h.x, dy = y - h.y;
            const double reach = h.radius * 1.1 + kWipeWidth;
            if (std::abs(dx) > reach || std::abs(dy) > reach) continue;
            const double d = std::hypot(dx, dy);
            const double angle = std::atan2(dy, dx);
            double edge = h.radius;
            for (std::size_t k = 0; k < h.amplitude.size(); ++k) {
                edge += h.amplitude[k] * std::sin(static_cast<double>(k + 5) * angle + h.phase[k]);
            }
            if (d < edge) return plan.backing;
            if (d < edge + kWipeWidth) wiped = true;
        }
        double ink = 0.0;
        const auto line = [&](double distance, double width) {
            if (std::abs(distance) < width / 2) ink = 1.0;
        };
        if (plan.sheet == SheetKind::Grid) {
            line(x - std::round(x * 2) / 2, 0.012);
            line(y - std::round(y * 2) / 2, 0.012);
        } else {
            const double r = std::hypot(x, y);
            if (r < 3.2) line(r - std::round(r * 2) / 2, 0.016);
        }
        // The aiming cross.
        if (std::abs(y) < 1.0) line(x, 0.04);
        if (std::abs(x) < 1.0) line(y, 0.04);
        const double base = ink > 0 ? kInk : kPaper;
        return wiped ? base * kWipe : base;
    }
};

}  // namespace

scan::PixelPoint RenderedTarget::PixelOf(scan::TargetPoint t) const {
    const cv::Vec3d p = targetToPixel * cv::Vec3d(t.x, t.y, 1.0);
    return {p[0] / p[2], p[1] / p[2]};
}

RenderedTarget RenderTarget(const TargetPlan& plan) {
    std::mt19937 random(plan.seed);
    Sheet sheet{plan, {}};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const scan::TargetPoint& t : plan.holes) {
        HoleShape h{t.x, t.y, plan.calibre / 2 * (0.94 + 0.04 * unit(random)), {}, {}};
        for (std::size_t k = 0; k < h.amplitude.size(); ++k) {
            h.amplitude[k] = plan.calibre * 0.012 * unit(random);
            h.phase[k] = 2 * std::numbers::pi * unit(random);
        }
        sheet.holes.push_back(h);
    }
    RenderedTarget out;
    cv::Size size(static_cast<int>(std::lround(plan.width * plan.dpi)),
                  static_cast<int>(std::lround(plan.height * plan.dpi)));
    // A scan: the aim at the middle pixel.
    out.targetToPixel =
        cv::Matx33d(plan.dpi, 0, (size.width - 1) / 2.0, 0, -plan.dpi, (size.height - 1) / 2.0, 0, 0, 1);
    if (plan.photoCorners) {
        size = plan.photoSize;
        const cv::Point2f from[4] = {{static_cast<float>(-plan.width / 2), static_cast<float>(plan.height / 2)},
                                     {static_cast<float>(plan.width / 2), static_cast<float>(plan.height / 2)},
                                     {static_cast<float>(plan.width / 2), static_cast<float>(-plan.height / 2)},
                                     {static_cast<float>(-plan.width / 2), static_cast<float>(-plan.height / 2)}};
        cv::Point2f to[4];
        for (int i = 0; i < 4; ++i) to[i] = cv::Point2f((*plan.photoCorners)[static_cast<std::size_t>(i)]);
        cv::Mat m = cv::getPerspectiveTransform(from, to);
        out.targetToPixel = cv::Matx33d(reinterpret_cast<const double*>(m.data));
    }
    const cv::Matx33d toTarget = out.targetToPixel.inv();
    cv::Mat grey(size, CV_32F);
    const double cx = size.width / 2.0, cy = size.height / 2.0, span = std::hypot(cx, cy);
    const double tilt = unit(random) * 2 * std::numbers::pi;
    for (int v = 0; v < size.height; ++v) {
        auto* row = grey.ptr<float>(v);
        for (int u = 0; u < size.width; ++u) {
            // Four samples a pixel, as a sensor's area would average.
            double sum = 0.0;
            for (const double du : {-0.25, 0.25}) {
                for (const double dv : {-0.25, 0.25}) {
                    const cv::Vec3d t = toTarget * cv::Vec3d(u + du, v + dv, 1.0);
                    sum += sheet.Reflectance(t[0] / t[2], t[1] / t[2]);
                }
            }
            // Light falling off to one side and towards the corners.
            const double along = ((u - cx) * std::cos(tilt) + (v - cy) * std::sin(tilt)) / span;
            const double corner = std::hypot(u - cx, v - cy) / span;
            const double light = 1.0 - plan.light * (0.5 + 0.5 * along) * 0.7 - plan.light * 0.3 * corner * corner;
            row[u] = static_cast<float>(255.0 * light * sum / 4.0);
        }
    }
    cv::GaussianBlur(grey, grey, cv::Size(0, 0), 0.6);
    cv::Mat noise(size, CV_32F);
    cv::RNG rng(plan.seed);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, plan.noise);
    grey += noise;
    grey.convertTo(out.grey, CV_8U);
    return out;
}

void MakePhoto(TargetPlan& plan, double slant, std::mt19937& random) {
    std::uniform_real_distribution<double> shift(-slant, slant);
    const double w = plan.width * plan.dpi, h = plan.height * plan.dpi;
    const double margin = 0.2 * std::max(w, h);
    const cv::Point2d base[4] = {
        {margin, margin}, {margin + w, margin}, {margin + w, margin + h}, {margin, margin + h}};
    std::array<cv::Point2d, 4> corners;
    for (std::size_t i = 0; i < 4; ++i) corners[i] = base[i] + cv::Point2d(shift(random) * w, shift(random) * h);
    plan.photoCorners = corners;
    plan.photoSize = cv::Size(static_cast<int>(w + 2 * margin), static_cast<int>(h + 2 * margin));
}

std::vector<scan::TargetPoint> IsolatedHoles(int count, double calibre, double reach, std::mt19937& random) {
    std::uniform_real_distribution<double> place(-reach, reach);
    std::vector<scan::TargetPoint> holes;
    while (static_cast<int>(holes.size()) < count) {
        const scan::TargetPoint t{place(random), place(random)};
        bool apart = true;
        for (const auto& h : holes) apart = apart && std::hypot(h.x - t.x, h.y - t.y) > 1.5 * calibre;
        if (apart) holes.push_back(t);
    }
    return holes;
}

std::vector<scan::TargetPoint> HolePairs(int pairs, double low, double high, double calibre, double reach,
                                         std::mt19937& random) {
    std::uniform_real_distribution<double> place(-reach, reach), gap(low, high), turn(0, 2 * std::numbers::pi);
    std::vector<scan::TargetPoint> holes;
    while (static_cast<int>(holes.size()) < 2 * pairs) {
        const scan::TargetPoint a{place(random), place(random)};
        const double d = gap(random), angle = turn(random);
        const scan::TargetPoint b{a.x + d * std::cos(angle), a.y + d * std::sin(angle)};
        bool apart = true;
        for (const auto& h : holes) {
            apart = apart && std::hypot(h.x - a.x, h.y - a.y) > 1.6 * calibre + high &&
                    std::hypot(h.x - b.x, h.y - b.y) > 1.6 * calibre + high;
        }
        if (apart) {
            holes.push_back(a);
            holes.push_back(b);
        }
    }
    return holes;
}

}  // namespace cep::testing_support

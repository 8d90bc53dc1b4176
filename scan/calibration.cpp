// SPDX-License-Identifier: MIT
#include "scan/calibration.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <opencv2/core.hpp>

#include "scan/text.h"

namespace cep::scan {

namespace {

using Matrix3 = std::array<double, 9>;

PixelPoint Apply(const Matrix3& h, double x, double y, double* w = nullptr) {
    const double d = h[6] * x + h[7] * y + h[8];
    if (w != nullptr) *w = d;
    return {(h[0] * x + h[1] * y + h[2]) / d, (h[3] * x + h[4] * y + h[5]) / d};
}

Matrix3 FromMat(const cv::Mat& m) {
    Matrix3 out{};
    for (int i = 0; i < 9; ++i) out[static_cast<std::size_t>(i)] = m.at<double>(i / 3, i % 3);
    return out;
}

cv::Mat ToMat(const Matrix3& h) {
    cv::Mat m(3, 3, CV_64F);
    for (int i = 0; i < 9; ++i) m.at<double>(i / 3, i % 3) = h[static_cast<std::size_t>(i)];
    return m;
}

// Scales a homography so that its last entry is 1 (or its norm is, where that entry vanishes).
Matrix3 Normalised(const cv::Mat& m) {
    const double last = m.at<double>(2, 2);
    cv::Mat scaled = std::abs(last) > 1e-12 ? cv::Mat(m / last) : cv::Mat(m / cv::norm(m));
    return FromMat(scaled);
}

std::string PointName(std::size_t i) { return "point " + std::to_string(i + 1); }

// Twice the signed area of the triangle, against the size of its sides, so
// that "on one line" means the same at any scale.
bool OnOneLine(double ax, double ay, double bx, double by, double cx, double cy) {
    const double cross = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
    const double scale =
        std::max({std::hypot(bx - ax, by - ay), std::hypot(cx - ax, cy - ay), std::hypot(cx - bx, cy - by)});
    return scale == 0.0 || std::abs(cross) <= 1e-3 * scale * scale;
}

// Whether all the points lie on one line: the smaller spread of their
// covariance is nothing against the larger.
template <class Get>
bool AllOnOneLine(std::span<const PointPair> points, Get get) {
    double mx = 0.0, my = 0.0;
    for (const PointPair& p : points) {
        mx += get(p).x;
        my += get(p).y;
    }
    mx /= static_cast<double>(points.size());
    my /= static_cast<double>(points.size());
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (const PointPair& p : points) {
        const double dx = get(p).x - mx, dy = get(p).y - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    const double half = (sxx + syy) / 2.0;
    const double root = std::sqrt(std::max(0.0, (sxx - syy) * (sxx - syy) / 4.0 + sxy * sxy));
    const double larger = half + root, smaller = half - root;
    return larger == 0.0 || smaller <= 1e-6 * larger;
}

// Moves the points' centre to the origin and their mean distance from it to
// sqrt(2), which keeps the fit well conditioned whatever the units.
cv::Mat Conditioner(const std::vector<cv::Point2d>& points) {
    cv::Point2d centre(0.0, 0.0);
    for (const auto& p : points) centre += p;
    centre *= 1.0 / static_cast<double>(points.size());
    double spread = 0.0;
    for (const auto& p : points) spread += cv::norm(p - centre);
    spread /= static_cast<double>(points.size());
    const double s = spread > 0.0 ? std::sqrt(2.0) / spread : 1.0;
    return (cv::Mat_<double>(3, 3) << s, 0, -s * centre.x, 0, s, -s * centre.y, 0, 0, 1);
}

// The direct linear fit: the homography whose equations the points satisfy
// best in the least-squares sense, from the smallest singular vector.
cv::Mat FitHomography(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to, double& conditioning) {
    const cv::Mat tFrom = Conditioner(from), tTo = Conditioner(to);
    const int n = static_cast<int>(from.size());
    cv::Mat a = cv::Mat::zeros(2 * n, 9, CV_64F);
    for (int i = 0; i < n; ++i) {
        const auto f = Apply(FromMat(tFrom), from[static_cast<std::size_t>(i)].x, from[static_cast<std::size_t>(i)].y);
        const auto t = Apply(FromMat(tTo), to[static_cast<std::size_t>(i)].x, to[static_cast<std::size_t>(i)].y);
        double* r0 = a.ptr<double>(2 * i);
        double* r1 = a.ptr<double>(2 * i + 1);
        const double row0[9] = {f.x, f.y, 1, 0, 0, 0, -t.x * f.x, -t.x * f.y, -t.x};
        const double row1[9] = {0, 0, 0, f.x, f.y, 1, -t.y * f.x, -t.y * f.y, -t.y};
        std::copy(row0, row0 + 9, r0);
        std::copy(row1, row1 + 9, r1);
    }
    cv::SVD svd(a, cv::SVD::FULL_UV);
    // Four points leave one free direction: the ninth singular value is 0 and
    // the eighth must not be, or the points fix no single homography.
    conditioning = svd.w.at<double>(7) / svd.w.at<double>(0);
    const cv::Mat h = svd.vt.row(8).reshape(1, 3);
    return tTo.inv() * h * tFrom;
}

// Refines the fit so that it minimises the residuals in inches, the figure
// reported, rather than the fit's algebraic error.
Matrix3 Refine(Matrix3 h, std::span<const PointPair> points) {
    for (int iteration = 0; iteration < 20; ++iteration) {
        cv::Mat jtj = cv::Mat::zeros(8, 8, CV_64F), jtr = cv::Mat::zeros(8, 1, CV_64F);
        double before = 0.0;
        for (const PointPair& p : points) {
            double w = 0.0;
            const PixelPoint m = Apply(h, p.pixel.x, p.pixel.y, &w);
            const double u = p.pixel.x, v = p.pixel.y;
            const double rows[2][8] = {{u / w, v / w, 1 / w, 0, 0, 0, -m.x * u / w, -m.x * v / w},
                                       {0, 0, 0, u / w, v / w, 1 / w, -m.y * u / w, -m.y * v / w}};
            const double r[2] = {p.target.x - m.x, p.target.y - m.y};
            before += r[0] * r[0] + r[1] * r[1];
            for (int k = 0; k < 2; ++k) {
                for (int i = 0; i < 8; ++i) {
                    jtr.at<double>(i) += rows[k][i] * r[k];
                    for (int j = 0; j < 8; ++j) jtj.at<double>(i, j) += rows[k][i] * rows[k][j];
                }
            }
        }
        cv::Mat step;
        if (!cv::solve(jtj, jtr, step, cv::DECOMP_SVD)) break;
        Matrix3 next = h;
        for (int i = 0; i < 8; ++i) next[static_cast<std::size_t>(i)] += step.at<double>(i);
        double after = 0.0;
        for (const PointPair& p : points) {
            const PixelPoint m = Apply(next, p.pixel.x, p.pixel.y);
            after += (p.target.x - m.x) * (p.target.x - m.x) + (p.target.y - m.y) * (p.target.y - m.y);
        }
        if (!(after < before)) break;
        h = next;
        if (before - after <= 1e-15 * (1.0 + before)) break;
    }
    return h;
}

// The linear part's determinant at a pixel: negative when the mapping turns
// the picture over, which from pixels (y down) to inches (y up) it must.
double LocalDeterminant(const Matrix3& h, PixelPoint at) {
    const double e = 0.5;
    const PixelPoint c = Apply(h, at.x, at.y);
    const PixelPoint dx = Apply(h, at.x + e, at.y);
    const PixelPoint dy = Apply(h, at.x, at.y + e);
    return ((dx.x - c.x) * (dy.y - c.y) - (dx.y - c.y) * (dy.x - c.x)) / (e * e);
}

}  // namespace

TargetPoint ToTarget(const Calibration& calibration, PixelPoint pixel) {
    const PixelPoint p = Apply(calibration.toTarget, pixel.x, pixel.y);
    return {p.x, p.y};
}

PixelPoint ToPixel(const Calibration& calibration, TargetPoint target) {
    return Apply(calibration.toPixel, target.x, target.y);
}

Outcome<Calibration> CalibrateByDpi(double dpi, PixelPoint aim) {
    if (!(dpi > 0.0) || !std::isfinite(dpi)) {
        return MakeFailure(FailureKind::CalibrationFailure,
                           "the resolution must be more than 0 dots per inch, not " + Decimals(dpi, 0) + ".");
    }
    if (!std::isfinite(aim.x) || !std::isfinite(aim.y)) {
        return MakeFailure(FailureKind::CalibrationFailure, "the aim's pixel is not a finite position.");
    }
    Calibration c;
    c.pixelsPerInch = dpi;
    c.toTarget = {1.0 / dpi, 0.0, -aim.x / dpi, 0.0, -1.0 / dpi, aim.y / dpi, 0.0, 0.0, 1.0};
    c.toPixel = {dpi, 0.0, aim.x, 0.0, -dpi, aim.y, 0.0, 0.0, 1.0};
    return c;
}

Outcome<Calibration> CalibrateByPoints(std::span<const PointPair> points) {
    if (points.size() < 4) {
        return MakeFailure(FailureKind::CalibrationFailure, std::to_string(points.size()) +
                                                                (points.size() == 1 ? " point" : " points") +
                                                                " given; a perspective needs at least 4.");
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PointPair& p = points[i];
        if (!std::isfinite(p.pixel.x) || !std::isfinite(p.pixel.y) || !std::isfinite(p.target.x) ||
            !std::isfinite(p.target.y)) {
            return MakeFailure(FailureKind::CalibrationFailure, PointName(i) + " is not a finite position.");
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (p.pixel.x == points[j].pixel.x && p.pixel.y == points[j].pixel.y) {
                return MakeFailure(FailureKind::CalibrationFailure,
                                   PointName(j) + " and " + PointName(i) + " are the same pixel.");
            }
            if (p.target.x == points[j].target.x && p.target.y == points[j].target.y) {
                return MakeFailure(FailureKind::CalibrationFailure,
                                   PointName(j) + " and " + PointName(i) + " are the same place on the target.");
            }
        }
    }
    if (AllOnOneLine(points, [](const PointPair& p) { return p.pixel; })) {
        return MakeFailure(
            FailureKind::CalibrationFailure,
            "the points lie on one line in the picture; a perspective needs them spread over the target.");
    }
    if (AllOnOneLine(points, [](const PointPair& p) { return p.target; })) {
        return MakeFailure(
            FailureKind::CalibrationFailure,
            "the points' target positions lie on one line; a perspective needs them spread over the target.");
    }
    if (points.size() == 4) {
        // Four points fix a perspective only when no three of them share a line.
        for (std::size_t skip = 4; skip-- > 0;) {
            std::array<std::size_t, 3> t{};
            std::size_t k = 0;
            for (std::size_t i = 0; i < 4; ++i) {
                if (i != skip) t[k++] = i;
            }
            const auto onLine = [&](auto get) {
                return OnOneLine(get(points[t[0]]).x, get(points[t[0]]).y, get(points[t[1]]).x, get(points[t[1]]).y,
                                 get(points[t[2]]).x, get(points[t[2]]).y);
            };
            if (onLine([](const PointPair& p) { return p.pixel; }) ||
                onLine([](const PointPair& p) { return p.target; })) {
                return MakeFailure(FailureKind::CalibrationFailure,
                                   "points " + std::to_string(t[0] + 1) + ", " + std::to_string(t[1] + 1) + " and " +
                                       std::to_string(t[2] + 1) +
                                       " lie on one line; with four points no three may share a line.");
            }
        }
    }
    std::vector<cv::Point2d> from, to;
    for (const PointPair& p : points) {
        from.emplace_back(p.pixel.x, p.pixel.y);
        to.emplace_back(p.target.x, p.target.y);
    }
    double conditioning = 0.0;
    const cv::Mat fitted = FitHomography(from, to, conditioning);
    if (!(conditioning > 1e-9)) {
        return MakeFailure(FailureKind::CalibrationFailure,
                           "the points fix no single perspective; spread them over the target.");
    }
    Calibration c;
    c.byPoints = true;
    c.toTarget = Refine(Normalised(fitted), points);
    cv::Mat inverse;
    if (cv::invert(ToMat(c.toTarget), inverse, cv::DECOMP_SVD) == 0.0) {
        return MakeFailure(FailureKind::CalibrationFailure,
                           "the points fix no single perspective; spread them over the target.");
    }
    c.toPixel = Normalised(inverse);
    c.points.assign(points.begin(), points.end());
    // Every point must lie on the same side of the picture's horizon, or the
    // fit folds the target over on itself.
    double firstW = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        double w = 0.0;
        const PixelPoint m = Apply(c.toTarget, points[i].pixel.x, points[i].pixel.y, &w);
        if (i == 0) firstW = w;
        if (w * firstW <= 0.0) {
            return MakeFailure(FailureKind::CalibrationFailure,
                               "the points fix no single perspective; spread them over the target.");
        }
        const double r = std::hypot(m.x - points[i].target.x, m.y - points[i].target.y);
        c.residuals.push_back(r);
        c.largestResidual = std::max(c.largestResidual, r);
    }
    // The scale at the points' centre: the square root of the area an inch
    // square covers there, in pixels.
    TargetPoint centre;
    for (const PointPair& p : points) {
        centre.x += p.target.x / static_cast<double>(points.size());
        centre.y += p.target.y / static_cast<double>(points.size());
    }
    const PixelPoint at = ToPixel(c, centre);
    c.pixelsPerInch = 1.0 / std::sqrt(std::abs(LocalDeterminant(c.toTarget, at)));
    if (!std::isfinite(c.pixelsPerInch) || c.pixelsPerInch <= 0.0) {
        return MakeFailure(FailureKind::CalibrationFailure,
                           "the points fix no single perspective; spread them over the target.");
    }
    return c;
}

std::vector<std::string> CalibrationWarnings(const Calibration& calibration) {
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < calibration.residuals.size(); ++i) {
        if (calibration.residuals[i] > kResidualWarningInches) {
            warnings.push_back(PointName(i) + " is " + Decimals(calibration.residuals[i], 4) +
                               " in from where the fit puts it (more than " + Decimals(kResidualWarningInches, 2) +
                               " in); check its pixel and its position.");
        }
    }
    if (calibration.byPoints && !calibration.points.empty()) {
        const PixelPoint at = calibration.points.front().pixel;
        if (LocalDeterminant(calibration.toTarget, at) > 0.0) {
            warnings.push_back(
                "the points turn the picture over, as a mirror would; "
                "positions are inches from the aim with y up, pixels with y down.");
        }
    }
    return warnings;
}

}  // namespace cep::scan

// SPDX-License-Identifier: MIT
#include "scan/detect.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "scan/text.h"

namespace cep::scan {

namespace {

// The picture is brought to a scale at which a hole spans about this many
// pixels: enough for a hundredth of an inch, little enough to be quick.
constexpr double kWorkingCalibrePixels = 40.0;
// Below this a hole is too few pixels to place.
constexpr double kFewestCalibrePixels = 8.0;
// A hole is at least this much darker than the paper around it, as a share
// of the paper's brightness.
constexpr double kHoleDarkness = 0.35;
// The background is the paper with every dark thing narrower than this many
// calibres closed over.
constexpr double kBackgroundCalibres = 3.0;
// Blobs smaller than this share of a hole are specks; larger than this many
// holes, printing (a bull, a border) or the backing beside the sheet.
constexpr double kSmallestBlob = 0.3;
constexpr double kLargestBlob = 10.0;
// A hole is a disc; a blob narrower than this share of a calibre is a bar.
constexpr double kNarrowestBlob = 0.6;
// One more circle is fitted to a blob while it explains this share of a
// hole's area more; with the shot count given, down to the last share.
constexpr double kSplitGain = 0.15;
constexpr double kForcedSplitGain = 0.02;
// A fit that leaves this share of a hole's area per circle unexplained is uncertain.
constexpr double kUncertainCost = 0.3;
constexpr int kMostCirclesPerBlob = 12;

int Odd(double size) { return std::max(3, static_cast<int>(std::lround(size)) | 1); }

struct Circle {
    double x = 0.0, y = 0.0;
};

struct Fit {
    std::vector<Circle> circles;
    double radius = 0.0;
    double cost = 0.0;  // pixels of blob and circles not shared
};

struct Blob {
    cv::Rect box;  // in the working picture
    cv::Mat mask;  // the blob's pixels in the box, 255
    std::vector<cv::Point2d> edge;
    double area = 0.0;
    std::vector<Fit> fits;  // fits[k - 1]: k circles
    int circles = 1;
};

// The pixels of `blob` not covered by `circles`, and the circles' pixels
// outside it.
double Uncovered(const Blob& blob, const std::vector<Circle>& circles, double radius) {
    cv::Mat drawn = cv::Mat::zeros(blob.mask.size(), CV_8U);
    constexpr int kShift = 4;
    constexpr double kUnit = 1 << kShift;
    for (const Circle& c : circles) {
        cv::circle(drawn,
                   cv::Point(static_cast<int>(std::lround(c.x * kUnit)), static_cast<int>(std::lround(c.y * kUnit))),
                   static_cast<int>(std::lround(radius * kUnit)), cv::Scalar(255), cv::FILLED, cv::LINE_8, kShift);
    }
    cv::Mat differ;
    cv::bitwise_xor(drawn, blob.mask, differ);
    return static_cast<double>(cv::countNonZero(differ));
}

// Fits `k` circles of one shared radius to the blob's edge: each edge point
// belongs to the circle it lies nearest to, and the centres and radius move
// to make those distances the radius (Gauss-Newton).
Fit FitCircles(const Blob& blob, int k, double nominalRadius) {
    // Start from the centres of k clusters of the blob's pixels.
    std::vector<cv::Point2f> pixels;
    const int step = std::max(1, static_cast<int>(std::sqrt(blob.area / 4000.0)));
    for (int y = 0; y < blob.mask.rows; y += step) {
        const auto* row = blob.mask.ptr<std::uint8_t>(y);
        for (int x = 0; x < blob.mask.cols; x += step) {
            if (row[x] != 0) pixels.emplace_back(static_cast<float>(x), static_cast<float>(y));
        }
    }
    Fit fit;
    fit.radius = nominalRadius;
    if (k == 1 || static_cast<int>(pixels.size()) <= k) {
        cv::Point2d mean(0, 0);
        for (const auto& p : pixels) mean += cv::Point2d(p.x, p.y);
        mean *= 1.0 / std::max<double>(1.0, static_cast<double>(pixels.size()));
        fit.circles.assign(static_cast<std::size_t>(k), Circle{mean.x, mean.y});
    } else {
        cv::Mat labels, centres;
        cv::theRNG() = cv::RNG(0x5eed);  // the same picture gives the same shots
        cv::kmeans(cv::Mat(pixels).reshape(1), k, labels,
                   cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 30, 0.05), 3,
                   cv::KMEANS_PP_CENTERS, centres);
        for (int i = 0; i < k; ++i) fit.circles.push_back({centres.at<float>(i, 0), centres.at<float>(i, 1)});
    }
    const int n = 2 * k + 1;
    for (int iteration = 0; iteration < 30; ++iteration) {
        cv::Mat jtj = cv::Mat::zeros(n, n, CV_64F), jtr = cv::Mat::zeros(n, 1, CV_64F);
        for (const cv::Point2d& p : blob.edge) {
            int best = 0;
            double bestGap = std::numeric_limits<double>::infinity(), bestDistance = 0.0;
            for (int j = 0; j < k; ++j) {
                const Circle& c = fit.circles[static_cast<std::size_t>(j)];
                const double d = std::hypot(p.x - c.x, p.y - c.y);
                if (std::abs(d - fit.radius) < bestGap) {
                    bestGap = std::abs(d - fit.radius);
                    best = j;
                    bestDistance = d;
                }
            }
            if (bestDistance < 1e-9) continue;
            const Circle& c = fit.circles[static_cast<std::size_t>(best)];
            const double r = bestDistance - fit.radius;
            const double gx = -(p.x - c.x) / bestDistance, gy = -(p.y - c.y) / bestDistance;
            const int ix = 2 * best, iy = 2 * best + 1, ir = 2 * k;
            const int idx[3] = {ix, iy, ir};
            const double g[3] = {gx, gy, -1.0};
            for (int a = 0; a < 3; ++a) {
                jtr.at<double>(idx[a]) -= g[a] * r;
                for (int b = 0; b < 3; ++b) jtj.at<double>(idx[a], idx[b]) += g[a] * g[b];
            }
        }
        for (int i = 0; i < n; ++i) jtj.at<double>(i, i) += 1e-6 + 1e-3 * jtj.at<double>(i, i);
        cv::Mat delta;
        if (!cv::solve(jtj, jtr, delta, cv::DECOMP_CHOLESKY) && !cv::solve(jtj, jtr, delta, cv::DECOMP_SVD)) break;
        double moved = 0.0;
        for (int j = 0; j < k; ++j) {
            Circle& c = fit.circles[static_cast<std::size_t>(j)];
            c.x += delta.at<double>(2 * j);
            c.y += delta.at<double>(2 * j + 1);
            moved = std::max(moved, std::hypot(delta.at<double>(2 * j), delta.at<double>(2 * j + 1)));
        }
        // A torn or wiped hole looks a little smaller or larger than the
        // bullet, never half or twice its size.
        fit.radius = std::clamp(fit.radius + delta.at<double>(2 * k), 0.7 * nominalRadius, 1.4 * nominalRadius);
        if (moved < 0.01) break;
    }
    fit.cost = Uncovered(blob, fit.circles, fit.radius);
    return fit;
}

const Fit& FitWith(Blob& blob, int k, double radius) {
    while (static_cast<int>(blob.fits.size()) < k) {
        blob.fits.push_back(FitCircles(blob, static_cast<int>(blob.fits.size()) + 1, radius));
    }
    return blob.fits[static_cast<std::size_t>(k - 1)];
}

// What one more circle on the blob would explain, in pixels.
double GainOfOneMore(Blob& blob, double radius, int most) {
    if (blob.circles >= most) return -1.0;
    const double now = FitWith(blob, blob.circles, radius).cost;
    return now - FitWith(blob, blob.circles + 1, radius).cost;
}

struct Working {
    cv::Mat grey;
    double dpi = 0.0;
    double left = 0.0, top = 0.0;  // inches at the working picture's corner
};

Outcome<Working> WorkingPicture(const GreyPicture& picture, const Calibration& calibration, double calibrePixels) {
    const cv::Mat source(picture.height, picture.width, CV_8UC1, const_cast<std::uint8_t*>(picture.pixels),
                         static_cast<std::size_t>(picture.stride));
    const double shrink = std::min(1.0, kWorkingCalibrePixels / calibrePixels);
    cv::Mat shrunk = source;
    double sx = 1.0, sy = 1.0;
    if (shrink < 0.8) {
        cv::resize(source, shrunk,
                   cv::Size(std::max(1, static_cast<int>(std::lround(picture.width * shrink))),
                            std::max(1, static_cast<int>(std::lround(picture.height * shrink)))),
                   0, 0, cv::INTER_AREA);
        sx = static_cast<double>(shrunk.cols) / picture.width;
        sy = static_cast<double>(shrunk.rows) / picture.height;
    }
    Working work;
    work.dpi = calibration.pixelsPerInch * std::sqrt(sx * sy);

    // The part of the target the picture shows; for a photo seen at a slant,
    // no more than a few times the points' spread around them.
    double left = std::numeric_limits<double>::infinity(), right = -left, bottom = left, top = -left;
    bool bounded = true;
    const double w = picture.width, h = picture.height;
    for (const auto& [x, y] : {std::pair{-0.5, -0.5}, {w - 0.5, -0.5}, {-0.5, h - 0.5}, {w - 0.5, h - 0.5}}) {
        const auto& m = calibration.toTarget;
        const double d = m[6] * x + m[7] * y + m[8];
        const double firstW = calibration.points.empty()
                                  ? 1.0
                                  : m[6] * calibration.points[0].pixel.x + m[7] * calibration.points[0].pixel.y + m[8];
        if (d * firstW <= 0.0) {
            bounded = false;
            continue;
        }
        const TargetPoint t = ToTarget(calibration, {x, y});
        left = std::min(left, t.x);
        right = std::max(right, t.x);
        bottom = std::min(bottom, t.y);
        top = std::max(top, t.y);
    }
    if (calibration.byPoints) {
        double pl = std::numeric_limits<double>::infinity(), pr = -pl, pb = pl, pt = -pl;
        for (const PointPair& p : calibration.points) {
            pl = std::min(pl, p.target.x);
            pr = std::max(pr, p.target.x);
            pb = std::min(pb, p.target.y);
            pt = std::max(pt, p.target.y);
        }
        const double spread = std::max(pr - pl, pt - pb) + 2.0;
        if (!bounded) left = -(right = bottom = top = std::numeric_limits<double>::infinity());
        left = std::max(left, pl - 2 * spread);
        right = std::min(right, pr + 2 * spread);
        bottom = std::max(bottom, pb - 2 * spread);
        top = std::min(top, pt + 2 * spread);
        if (!bounded) {
            left = pl - 2 * spread;
            right = pr + 2 * spread;
            bottom = pb - 2 * spread;
            top = pt + 2 * spread;
        }
        // Never many more pixels than the picture has.
        const double most = 4.0 * shrunk.cols * shrunk.rows + 1e6;
        const double have = (right - left) * (top - bottom) * work.dpi * work.dpi;
        if (have > most) {
            const double keep = std::sqrt(most / have);
            const double cx = (left + right) / 2, cy = (bottom + top) / 2;
            left = cx - (cx - left) * keep;
            right = cx + (right - cx) * keep;
            bottom = cy - (cy - bottom) * keep;
            top = cy + (top - cy) * keep;
        }
    }
    const int cols = static_cast<int>(std::ceil((right - left) * work.dpi - 1e-6));
    const int rows = static_cast<int>(std::ceil((top - bottom) * work.dpi - 1e-6));
    if (!(cols > 0 && rows > 0)) {
        return MakeFailure(FailureKind::PictureFailure, "the calibration puts the picture nowhere on the target.");
    }
    work.left = left;
    work.top = top;
    // Working pixel centre (u, v) -> inches -> picture pixel -> shrunk pixel.
    const cv::Mat toInches = (cv::Mat_<double>(3, 3) << 1 / work.dpi, 0, left + 0.5 / work.dpi, 0, -1 / work.dpi,
                              top - 0.5 / work.dpi, 0, 0, 1);
    cv::Mat toPixel(3, 3, CV_64F);
    for (int i = 0; i < 9; ++i) toPixel.at<double>(i / 3, i % 3) = calibration.toPixel[static_cast<std::size_t>(i)];
    const cv::Mat toShrunk = (cv::Mat_<double>(3, 3) << sx, 0, 0.5 * sx - 0.5, 0, sy, 0.5 * sy - 0.5, 0, 0, 1);
    const cv::Mat map = toShrunk * toPixel * toInches;
    cv::warpPerspective(shrunk, work.grey, map, cv::Size(cols, rows), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                        cv::BORDER_REPLICATE);
    return work;
}

// The holes: pixels much darker than the paper around them, with whatever is
// narrower than half a calibre (printed lines, rings, the aiming cross, specks)
// taken away.
cv::Mat HoleMask(const cv::Mat& grey, double calibre) {
    // The paper's brightness everywhere, found on a quarter-size copy: the
    // darkest things are closed over, so that shading and uneven light drop out.
    cv::Mat small, background;
    cv::resize(grey, small, cv::Size(std::max(1, grey.cols / 4), std::max(1, grey.rows / 4)), 0, 0, cv::INTER_AREA);
    const int closing = Odd(kBackgroundCalibres * calibre / 4.0);
    cv::morphologyEx(small, small, cv::MORPH_CLOSE,
                     cv::getStructuringElement(cv::MORPH_RECT, cv::Size(closing, closing)));
    cv::resize(small, background, grey.size(), 0, 0, cv::INTER_LINEAR);
    cv::Mat limit, mask;
    background.convertTo(limit, CV_8U, 1.0 - kHoleDarkness);
    cv::compare(grey, limit, mask, cv::CMP_LT);
    const int opening = Odd(calibre / 2.0);
    cv::morphologyEx(mask, mask, cv::MORPH_OPEN,
                     cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(opening, opening)));
    return mask;
}

}  // namespace

std::string_view TierName(ShotTier tier) {
    switch (tier) {
    case ShotTier::Single: return "single";
    case ShotTier::Split: return "split";
    case ShotTier::Uncertain: return "uncertain";
    }
    return "uncertain";
}

void OrderClockwise(std::vector<FoundShot>& shots) {
    if (shots.empty()) return;
    double cx = 0.0, cy = 0.0;
    for (const FoundShot& s : shots) {
        cx += s.at.x;
        cy += s.at.y;
    }
    cx /= static_cast<double>(shots.size());
    cy /= static_cast<double>(shots.size());
    const auto bearing = [&](const FoundShot& s) {
        // From 12 o'clock, clockwise: atan2 of x over y, in [0, 2 pi).
        const double a = std::atan2(s.at.x - cx, s.at.y - cy);
        return a < 0.0 ? a + 2.0 * std::numbers::pi : a;
    };
    std::stable_sort(shots.begin(), shots.end(), [&](const FoundShot& a, const FoundShot& b) {
        const double ba = bearing(a), bb = bearing(b);
        if (ba != bb) return ba < bb;
        return std::hypot(a.at.x - cx, a.at.y - cy) < std::hypot(b.at.x - cx, b.at.y - cy);
    });
}

Outcome<ScanResult> FindShots(const GreyPicture& picture, const Calibration& calibration,
                              const ScanSettings& settings) {
    if (picture.pixels == nullptr || picture.width <= 0 || picture.height <= 0 || picture.stride < picture.width) {
        return MakeFailure(FailureKind::PictureFailure, "the picture has no pixels.");
    }
    if (!(settings.calibreInches >= 0.05 && settings.calibreInches <= 2.0)) {
        return MakeFailure(FailureKind::InvalidValue, "the calibre must be between 0.05 and 2 inches.");
    }
    if (settings.shotCount < 0 || settings.shotCount > kMostShots) {
        return MakeFailure(FailureKind::InvalidValue,
                           "the shot count must be between 1 and " + std::to_string(kMostShots) + ".");
    }
    const double calibrePixels = settings.calibreInches * calibration.pixelsPerInch;
    if (!(calibrePixels >= kFewestCalibrePixels)) {
        return MakeFailure(FailureKind::PictureFailure,
                           "a " + Decimals(settings.calibreInches, 3) + " in hole spans only " +
                               Decimals(calibrePixels, 1) + " pixels here; scan or photograph at " +
                               Decimals(std::ceil(kFewestCalibrePixels / settings.calibreInches), 0) +
                               " pixels per inch or more.");
    }
    auto working = WorkingPicture(picture, calibration, calibrePixels);
    if (!working) return working.failure();
    const Working& work = working.value();
    const double calibre = settings.calibreInches * work.dpi;
    const double radius = calibre / 2.0;
    const double holeArea = std::numbers::pi * radius * radius;

    const cv::Mat mask = HoleMask(work.grey, calibre);
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
    std::vector<Blob> blobs;
    for (int label = 1; label < count; ++label) {
        const double area = stats.at<int>(label, cv::CC_STAT_AREA);
        if (area < kSmallestBlob * holeArea || area > kLargestBlob * holeArea) continue;
        Blob blob;
        blob.area = area;
        blob.box = cv::Rect(stats.at<int>(label, cv::CC_STAT_LEFT), stats.at<int>(label, cv::CC_STAT_TOP),
                            stats.at<int>(label, cv::CC_STAT_WIDTH), stats.at<int>(label, cv::CC_STAT_HEIGHT));
        cv::compare(labels(blob.box), label, blob.mask, cv::CMP_EQ);
        cv::Mat padded, distance;
        cv::copyMakeBorder(blob.mask, padded, 1, 1, 1, 1, cv::BORDER_CONSTANT, cv::Scalar(0));
        cv::distanceTransform(padded, distance, cv::DIST_L2, cv::DIST_MASK_5);
        double widest = 0.0;
        cv::minMaxLoc(distance, nullptr, &widest);
        if (2.0 * widest < kNarrowestBlob * calibre) continue;
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(padded, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
        for (const auto& contour : contours) {
            for (const cv::Point& p : contour) blob.edge.emplace_back(p.x - 1, p.y - 1);
        }
        if (blob.edge.size() < 8) continue;
        blobs.push_back(std::move(blob));
    }

    // As many circles in each blob as explain it well.
    for (Blob& blob : blobs) {
        const int most = std::min(kMostCirclesPerBlob, std::max(1, static_cast<int>(blob.area / (0.5 * holeArea))));
        while (GainOfOneMore(blob, radius, most) > kSplitGain * holeArea) ++blob.circles;
    }
    ScanResult result;
    int total = 0;
    for (const Blob& blob : blobs) total += blob.circles;
    if (settings.shotCount > 0) {
        // The shot count decides: circles go where they explain most, or
        // come off where they explain least.
        while (total < settings.shotCount) {
            double bestGain = kForcedSplitGain * holeArea;
            std::size_t best = blobs.size();
            for (std::size_t i = 0; i < blobs.size(); ++i) {
                const int most =
                    std::min(kMostCirclesPerBlob, std::max(2, static_cast<int>(blobs[i].area / (0.3 * holeArea))));
                const double gain = GainOfOneMore(blobs[i], radius, most);
                if (gain > bestGain) {
                    bestGain = gain;
                    best = i;
                }
            }
            if (best == blobs.size()) break;
            ++blobs[best].circles;
            ++total;
        }
        while (total > settings.shotCount) {
            double leastLoss = std::numeric_limits<double>::infinity();
            std::size_t least = blobs.size();
            for (std::size_t i = 0; i < blobs.size(); ++i) {
                if (blobs[i].circles < 2) continue;
                const double loss = FitWith(blobs[i], blobs[i].circles - 1, radius).cost -
                                    FitWith(blobs[i], blobs[i].circles, radius).cost;
                if (loss < leastLoss) {
                    leastLoss = loss;
                    least = i;
                }
            }
            if (least == blobs.size()) break;
            --blobs[least].circles;
            --total;
        }
    }
    for (const Blob& blob : blobs) {
        const Fit& fit = blob.fits[static_cast<std::size_t>(blob.circles - 1)];
        const bool poor = fit.cost > kUncertainCost * holeArea * blob.circles ||
                          (blob.circles == 1 && (blob.area < 0.5 * holeArea || blob.area > 1.8 * holeArea));
        for (const Circle& c : fit.circles) {
            FoundShot shot;
            const double u = blob.box.x + c.x, v = blob.box.y + c.y;
            shot.at = {work.left + (u + 0.5) / work.dpi, work.top - (v + 0.5) / work.dpi};
            shot.pixel = ToPixel(calibration, shot.at);
            shot.tier = poor ? ShotTier::Uncertain : blob.circles > 1 ? ShotTier::Split : ShotTier::Single;
            result.shots.push_back(shot);
        }
    }
    if (settings.shotCount > 0 && total < settings.shotCount) {
        result.warnings.push_back("found " + std::to_string(total) + " of the " + std::to_string(settings.shotCount) +
                                  " shots given; shots through one hole cannot be told apart.");
    } else if (settings.shotCount > 0 && total > settings.shotCount) {
        result.warnings.push_back("found " + std::to_string(total) + " holes where " +
                                  std::to_string(settings.shotCount) +
                                  " shots were given; some may be another group's or marks on the paper.");
    }
    OrderClockwise(result.shots);
    return result;
}

}  // namespace cep::scan

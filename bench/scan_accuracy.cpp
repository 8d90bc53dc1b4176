// SPDX-License-Identifier: MIT
// How well cep-scan's hole finding does on many synthetic targets, and how
// fast the whole program is on a 300 dpi letter page; run by hand
// (build/bench/scan_accuracy), its figures are in the README.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <QImage>
#include <QImageReader>

#include "scan/calibration.h"
#include "scan/detect.h"
#include "tests/scan/scoring.h"
#include "tests/scan/synthetic_target.h"
#include "tests/support/run_program.h"

using namespace cep;
using testing_support::TargetPlan;

namespace {

struct Tally {
    int holes = 0, matched = 0, missed = 0, extra = 0;
    double largest = 0.0, sum = 0.0;
    void Add(const testing_support::Score& s) {
        holes += s.matched + s.missed;
        matched += s.matched;
        missed += s.missed;
        extra += s.extra;
        largest = std::max(largest, s.largestError);
        sum += s.errorSum;
    }
};

// Four grid crossings two inches out, clicked to within a third of a pixel.
scan::Calibration PhotoCalibration(const testing_support::RenderedTarget& target, std::mt19937& random) {
    std::uniform_real_distribution<double> click(-0.33, 0.33);
    std::vector<scan::PointPair> points;
    for (const auto& [x, y] : {std::pair{-2.0, 2.0}, {2.0, 2.0}, {2.0, -2.0}, {-2.0, -2.0}}) {
        scan::PixelPoint p = target.PixelOf({x, y});
        p.x += click(random);
        p.y += click(random);
        points.push_back({p, {x, y}});
    }
    return scan::CalibrateByPoints(points).value();
}

scan::Calibration ScanCalibration(const TargetPlan& plan, const testing_support::RenderedTarget& target) {
    return scan::CalibrateByDpi(plan.dpi, target.PixelOf({0, 0})).value();
}

}  // namespace

// A 300 dpi letter page with ten shots, written as PNG; cep-scan run on it
// (the median of five runs) against Qt's decoding of the same file alone.
void MeasureSpeed(const std::string& cepScan, const std::string& file) {
    TargetPlan plan;
    plan.dpi = 300;
    plan.width = 8.5;
    plan.height = 11;
    std::mt19937 random(5);
    plan.holes = testing_support::IsolatedHoles(10, plan.calibre, 2.5, random);
    const auto target = testing_support::RenderTarget(plan);
    QImage image(target.grey.data, target.grey.cols, target.grey.rows, static_cast<qsizetype>(target.grey.step),
                 QImage::Format_Grayscale8);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    if (!image.save(QString::fromStdString(file))) {
        std::printf("could not write %s\n", file.c_str());
        return;
    }
    const auto aim = target.PixelOf({0, 0});
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<double> whole, decoding;
    for (int i = 0; i < 5; ++i) {
        auto start = std::chrono::steady_clock::now();
        const auto run = testing_support::RunProgram(
            cepScan, {file, "--caliber", ".308", "--aim-pixel", std::to_string(aim.x) + "," + std::to_string(aim.y)},
            {});
        whole.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (run.status != 0) std::printf("cep-scan failed: %s", run.err.c_str());
        start = std::chrono::steady_clock::now();
        QImageReader reader(QString::fromStdString(file));
        reader.setAutoTransform(true);
        const QImage decoded = reader.read().convertToFormat(QImage::Format_Grayscale8);
        decoding.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("\ncep-scan on a 300 dpi letter page (%dx%d PNG): %.3f s, of which decoding %.3f s (%.0f %%)\n",
                target.grey.cols, target.grey.rows, median(whole), median(decoding),
                100.0 * median(decoding) / median(whole));
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--speed") {
        MeasureSpeed(argv[2], argv[3]);
        return 0;
    }
    const int sheets = argc > 1 ? std::stoi(argv[1]) : 20;
    std::printf("%d sheets per row\n", sheets);
    std::printf("%-28s %6s %6s %6s %6s %8s %8s\n", "isolated and touching", "holes", "found", "missed", "extra",
                "mean in", "max in");
    for (const bool photo : {false, true}) {
        for (const double dpi : {150.0, 300.0}) {
            for (const auto sheet : {testing_support::SheetKind::Grid, testing_support::SheetKind::Rings}) {
                Tally tally;
                std::mt19937 random(static_cast<unsigned>(dpi) + (photo ? 7u : 0u));
                for (int i = 0; i < sheets; ++i) {
                    TargetPlan plan;
                    plan.sheet = sheet;
                    plan.dpi = dpi;
                    plan.seed = static_cast<unsigned>(i + 1);
                    plan.holes = testing_support::IsolatedHoles(6, plan.calibre, 2.3, random);
                    const auto touching =
                        testing_support::HolePairs(2, plan.calibre, plan.calibre * 1.03, plan.calibre, 2.3, random);
                    // Touching pairs where no isolated hole is near.
                    for (const auto& t : touching) {
                        bool clear = true;
                        for (const auto& h : plan.holes)
                            clear = clear && std::hypot(h.x - t.x, h.y - t.y) > 1.2 * plan.calibre;
                        if (clear) plan.holes.push_back(t);
                    }
                    if (photo) testing_support::MakePhoto(plan, 0.06, random);
                    const auto target = testing_support::RenderTarget(plan);
                    const auto calibration = photo ? PhotoCalibration(target, random) : ScanCalibration(plan, target);
                    const auto found = scan::FindShots(target.picture(), calibration, {plan.calibre, 0});
                    tally.Add(testing_support::ScoreShots(plan.holes, found.value().shots, 0.1));
                }
                std::printf("%-28s %6d %6d %6d %6d %8.4f %8.4f\n",
                            (std::string(photo ? "photo " : "scan ") + std::to_string(static_cast<int>(dpi)) + " dpi " +
                             (sheet == testing_support::SheetKind::Grid ? "grid" : "rings"))
                                .c_str(),
                            tally.holes, tally.matched, tally.missed, tally.extra,
                            tally.sum / std::max(1, tally.matched), tally.largest);
            }
        }
    }
    std::printf("\n%-28s %6s %6s %8s %8s\n", "overlapping pairs", "pairs", "split", "share", "max in");
    for (const bool counted : {true, false}) {
        for (const double dpi : {150.0, 300.0}) {
            std::mt19937 random(static_cast<unsigned>(dpi) + 99u);
            int pairs = 0, split = 0;
            double largest = 0.0;
            for (int i = 0; i < sheets; ++i) {
                TargetPlan plan;
                plan.dpi = dpi;
                plan.seed = static_cast<unsigned>(i + 1000);
                plan.holes = testing_support::HolePairs(4, 0.08, 0.15, plan.calibre, 2.2, random);
                const auto target = testing_support::RenderTarget(plan);
                const auto found = scan::FindShots(target.picture(), ScanCalibration(plan, target),
                                                   {plan.calibre, counted ? static_cast<int>(plan.holes.size()) : 0});
                for (std::size_t p = 0; p < plan.holes.size(); p += 2) {
                    const auto s =
                        testing_support::ScoreShots({plan.holes[p], plan.holes[p + 1]}, found.value().shots, 0.05);
                    ++pairs;
                    if (s.matched == 2) {
                        ++split;
                        largest = std::max(largest, s.largestError);
                    }
                }
            }
            std::printf(
                "%-28s %6d %6d %7.1f%% %8.4f\n",
                ((counted ? "with count " : "no count ") + std::to_string(static_cast<int>(dpi)) + " dpi").c_str(),
                pairs, split, 100.0 * split / pairs, largest);
        }
    }
    std::printf("\n%-28s %6s %6s\n", "clean sheets", "sheets", "holes");
    for (const double dpi : {150.0, 300.0}) {
        for (const auto sheet : {testing_support::SheetKind::Grid, testing_support::SheetKind::Rings}) {
            int holes = 0;
            for (int i = 0; i < sheets; ++i) {
                TargetPlan plan;
                plan.sheet = sheet;
                plan.dpi = dpi;
                plan.seed = static_cast<unsigned>(i + 2000);
                const auto target = testing_support::RenderTarget(plan);
                holes +=
                    static_cast<int>(scan::FindShots(target.picture(), ScanCalibration(plan, target), {plan.calibre, 0})
                                         .value()
                                         .shots.size());
            }
            std::printf("%-28s %6d %6d\n",
                        (std::to_string(static_cast<int>(dpi)) + " dpi " +
                         (sheet == testing_support::SheetKind::Grid ? "grid" : "rings"))
                            .c_str(),
                        sheets, holes);
        }
    }
    return 0;
}

// SPDX-License-Identifier: MIT
// cep-scan's command line and its JSON document, apart from the program so
// that tests can reach them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/calibration.h"
#include "scan/detect.h"

namespace cli {

struct ScanOptions {
    std::string picture;
    double calibre = 0.0;  // inches
    std::optional<double> dpi;
    std::optional<cep::scan::PixelPoint> aim;
    std::vector<cep::scan::PointPair> points;
    bool byPoints = false;
    int shots = 0;  // 0: not given
    bool json = false;
    std::string output;  // -o FILE; empty: stdout
    bool help = false;
    bool version = false;
};

// Reads the arguments; returns "" or the problem, one line for the user.
std::string TakeScanArguments(const std::vector<std::string>& args, ScanOptions& options);

// "PX,PY" and "PX,PY=X,Y;..." as the options take them.
bool ParsePixel(std::string_view text, cep::scan::PixelPoint& pixel);
bool ParsePoints(std::string_view text, std::vector<cep::scan::PointPair>& points, std::string& problem);

// {"picture", "caliber_in", "shots": [{"x", "y", "px", "py", "tier"}], "dpi",
//  "calibration": {"residual_in", "points": [...]}, "warnings": [...]}
std::string ScanJson(std::string_view pictureName, double calibre, const cep::scan::Calibration& calibration,
                     const cep::scan::ScanResult& result, const std::vector<std::string>& warnings);

}  // namespace cli

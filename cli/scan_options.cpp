// SPDX-License-Identifier: MIT
#include "cli/scan_options.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "scan/calibre.h"
#include "scan/text.h"

namespace cli {

using cep::scan::ParseNumber;
using cep::scan::PixelPoint;
using cep::scan::PointPair;

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool ParsePair(std::string_view text, double& a, double& b) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return false;
    return ParseNumber(Trimmed(text.substr(0, comma)), a) && ParseNumber(Trimmed(text.substr(comma + 1)), b);
}

// Rounds for the document, through the text so that the number printed is
// the short one: ten-thousandths of an inch, hundredths of a pixel.
double Rounded(double value, int places) {
    double rounded = 0.0;
    return ParseNumber(cep::scan::Decimals(value, places), rounded) ? rounded : value;
}

}  // namespace

bool ParsePixel(std::string_view text, PixelPoint& pixel) { return ParsePair(text, pixel.x, pixel.y); }

bool ParsePoints(std::string_view text, std::vector<PointPair>& points, std::string& problem) {
    points.clear();
    while (!Trimmed(text).empty()) {
        const std::size_t end = text.find(';');
        const std::string_view item = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (item.empty()) continue;
        const std::size_t equals = item.find('=');
        PointPair pair;
        if (equals == std::string_view::npos || !ParsePair(item.substr(0, equals), pair.pixel.x, pair.pixel.y) ||
            !ParsePair(item.substr(equals + 1), pair.target.x, pair.target.y)) {
            problem = "--points: \"" + std::string(item) + "\" is not PX,PY=X,Y (pixels, then inches from the aim)";
            return false;
        }
        points.push_back(pair);
    }
    return true;
}

std::string TakeScanArguments(const std::vector<std::string>& args, ScanOptions& options) {
    bool optionsEnded = false;
    bool haveCalibre = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!options.picture.empty()) return "one picture at a time; \"" + arg + "\" is a second";
            options.picture = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help") {
            options.help = true;
            return "";
        }
        if (arg == "--version") {
            options.version = true;
            return "";
        }
        if (arg == "--json") {
            options.json = true;
            continue;
        }
        // The options that take a value, as "--name VALUE" or "--name=VALUE".
        std::string name = arg, value;
        bool haveValue = false;
        if (const std::size_t equals = arg.find('='); equals != std::string::npos && arg.starts_with("--")) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            haveValue = true;
        }
        if (name != "--caliber" && name != "--dpi" && name != "--aim-pixel" && name != "--points" &&
            name != "--shots" && name != "-o") {
            return "unknown option " + arg;
        }
        if (!haveValue) {
            if (i + 1 >= args.size()) return name + " needs a value";
            value = args[++i];
        }
        if (name == "--caliber") {
            auto calibre = cep::scan::ParseCalibre(value);
            if (!calibre)
                return "--caliber: " + calibre.failure().message.substr(calibre.failure().message.find(": ") + 2);
            options.calibre = calibre.value();
            haveCalibre = true;
        } else if (name == "--dpi") {
            double dpi = 0.0;
            if (!ParseNumber(value, dpi)) return "--dpi: \"" + value + "\" is not a number";
            options.dpi = dpi;
        } else if (name == "--aim-pixel") {
            PixelPoint aim;
            if (!ParsePixel(value, aim)) return "--aim-pixel: \"" + value + "\" is not PX,PY";
            options.aim = aim;
        } else if (name == "--points") {
            std::string problem;
            if (!ParsePoints(value, options.points, problem)) return problem;
            options.byPoints = true;
        } else if (name == "--shots") {
            double shots = 0.0;
            if (!ParseNumber(value, shots) || shots != std::floor(shots) || shots < 1 ||
                shots > cep::scan::kMostShots) {
                return "--shots: \"" + value + "\" is not a whole number from 1 to " +
                       std::to_string(cep::scan::kMostShots);
            }
            options.shots = static_cast<int>(shots);
        } else {
            if (value.empty()) return "-o needs a file name";
            options.output = value;
        }
    }
    if (options.picture.empty()) return "no picture given";
    if (!haveCalibre) return "--caliber is needed (such as --caliber 0.308in or 7.62mm)";
    if (options.byPoints && (options.dpi || options.aim)) {
        return "calibrate by --dpi and --aim-pixel or by --points, not both";
    }
    if (!options.byPoints && !options.aim) {
        return "calibrate by --aim-pixel PX,PY (with --dpi unless the picture states it) or by --points";
    }
    return "";
}

std::string ScanJson(std::string_view pictureName, double calibre, const cep::scan::Calibration& calibration,
                     const cep::scan::ScanResult& result, const std::vector<std::string>& warnings) {
    using json = nlohmann::ordered_json;
    json document;
    document["picture"] = std::string(pictureName);
    document["caliber_in"] = Rounded(calibre, 4);
    json shots = json::array();
    for (const auto& shot : result.shots) {
        shots.push_back({{"x", Rounded(shot.at.x, 4)},
                         {"y", Rounded(shot.at.y, 4)},
                         {"px", Rounded(shot.pixel.x, 2)},
                         {"py", Rounded(shot.pixel.y, 2)},
                         {"tier", std::string(cep::scan::TierName(shot.tier))}});
    }
    document["shots"] = shots;
    document["dpi"] = Rounded(calibration.pixelsPerInch, 2);
    json points = json::array();
    for (std::size_t i = 0; i < calibration.points.size(); ++i) {
        const PointPair& p = calibration.points[i];
        points.push_back({{"px", p.pixel.x},
                          {"py", p.pixel.y},
                          {"x", p.target.x},
                          {"y", p.target.y},
                          {"residual_in", Rounded(calibration.residuals[i], 4)}});
    }
    document["calibration"] = {{"residual_in", Rounded(calibration.largestResidual, 4)}, {"points", points}};
    document["warnings"] = warnings;
    // Invalid UTF-8 in a file name is shown replaced rather than failing the document.
    return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace cli

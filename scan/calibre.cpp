// SPDX-License-Identifier: MIT
#include "scan/calibre.h"

#include <string>

#include "scan/text.h"

namespace cep::scan {

namespace {

bool EndsWithUnit(std::string_view text, std::string_view unit) {
    if (text.size() < unit.size()) return false;
    const std::string_view tail = text.substr(text.size() - unit.size());
    for (std::size_t i = 0; i < unit.size(); ++i) {
        const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
        if (c != unit[i]) return false;
    }
    return true;
}

}  // namespace

Outcome<double> ParseCalibre(std::string_view text) {
    std::string_view number = text;
    double toInches = 1.0;
    if (EndsWithUnit(number, "mm")) {
        number.remove_suffix(2);
        toInches = 1.0 / 25.4;
    } else if (EndsWithUnit(number, "in")) {
        number.remove_suffix(2);
    }
    if (number.ends_with(' ')) number.remove_suffix(1);
    double value = 0.0;
    if (!ParseNumber(number, value)) {
        return MakeFailure(FailureKind::InvalidValue, "the calibre \"" + std::string(text) +
                                                          "\" is not a number of inches or millimetres "
                                                          "(such as 0.308in, .308 or 7.62mm).");
    }
    const double inches = value * toInches;
    if (inches < kSmallestCalibre - 1e-12 || inches > kLargestCalibre + 1e-12) {
        std::string hint = toInches == 1.0 && inches > kLargestCalibre
                               ? " (for millimetres, write mm: " + std::string(number) + "mm)"
                               : "";
        return MakeFailure(FailureKind::InvalidValue,
                           "the calibre \"" + std::string(text) + "\" is outside 0.10 to 1.00 in" + hint + ".");
    }
    return inches;
}

}  // namespace cep::scan

// SPDX-License-Identifier: MIT
#include "scan/text.h"

#include <charconv>
#include <cmath>

namespace cep::scan {

std::string Decimals(double value, int places) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, places);
    if (error != std::errc()) return "?";
    std::string text(buffer, end);
    // A value that rounds to zero keeps no sign: the files are compared by eye.
    if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

bool ParseNumber(std::string_view text, double& value) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);  // from_chars takes no plus sign
        if (text.starts_with('-')) return false;
    }
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

}  // namespace cep::scan

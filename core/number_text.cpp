// SPDX-License-Identifier: MIT
#include "core/number_text.h"

#include <charconv>
#include <cstdlib>
#include <string>
#include <system_error>

namespace cep {

Digits15 SignificantDigits(double magnitude) {
    char buffer[64];
    // "d.ddddddddddddddde+XX"; the buffer holds any double in this form.
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude, std::chars_format::scientific, 14).ptr;
    *end = '\0';  // strtol reads up to the terminator
    Digits15 out{};
    out.digits[0] = buffer[0];
    for (int i = 1; i < 15; ++i) out.digits[i] = buffer[i + 1];  // skip the point
    out.exponent = static_cast<int>(std::strtol(buffer + 17, nullptr, 10));
    return out;
}

NumberScanner::Status NumberScanner::Value(double& out) const {
    out = 0.0;
    if (!sawMantissaDigit_) return Status::Ok;  // no number: plain 0, whatever sign came first
    if (count_ == 0) {
        out = negative_ ? -0.0 : 0.0;
        return Status::Ok;
    }
    const std::int64_t exponent = sawExponentDigit_ ? (expNegative_ ? -exponent_ : exponent_) : 0;
    std::int64_t power = scale_ + exponent;

    // Up to 15 digits and a power of ten held exactly: one correctly rounded
    // multiplication or division gives the nearest double.
    if (count_ <= 15 && !sticky_ && power >= -22 && power <= 22) {
        const auto m = static_cast<double>(mantissa_);
        double v = power >= 0 ? m * kExactPowersOfTen[power] : m / kExactPowersOfTen[-power];
        out = negative_ ? -v : v;
        return Status::Ok;
    }

    std::string text(digits_, count_);
    if (sticky_) {
        text.push_back('1');
        --power;
    }
    const auto digitCount = static_cast<std::int64_t>(text.size());
    text.push_back('e');
    text += std::to_string(power);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // The leading digit's decimal place tells too large from too small.
        if (digitCount - 1 + power >= 0) return Status::Overflow;
        v = 0.0;
    }
    out = negative_ ? -v : v;
    return Status::Ok;
}

}  // namespace cep

#include "number_text.h"

#include <charconv>
#include <string>
#include <system_error>

namespace cep {

namespace {

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

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
        double v = power >= 0 ? m * kExactPowers[power] : m / kExactPowers[-power];
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

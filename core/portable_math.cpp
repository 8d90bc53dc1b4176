// SPDX-License-Identifier: MIT
#include "core/portable_math.h"

#include <cmath>
#include <numbers>

namespace cep {

namespace {

// The arguments are halved until these series need only a few terms.
constexpr double kSmall = 0.05;

// atan(x) - x for |x| <= kSmall, as a polynomial in x squared.
double AtanSeries(double x) {
    const double z = x * x;
    double sum = 0.0;
    for (int k = 12; k >= 1; --k) sum = (k % 2 == 0 ? 1.0 : -1.0) / (2.0 * k + 1.0) + z * sum;
    return x + x * z * sum;
}

}  // namespace

double PortableAtan(double x) {
    if (x < 0.0) return -PortableAtan(-x);
    if (x > 1.0) return std::numbers::pi / 2.0 - PortableAtan(1.0 / x);
    // atan(x) = 2 atan(x / (1 + sqrt(1 + x^2))).
    double factor = 1.0;
    while (x > kSmall) {
        x = x / (1.0 + std::sqrt(1.0 + x * x));
        factor *= 2.0;
    }
    return factor * AtanSeries(x);
}

double PortableTan(double x) {
    int halvings = 0;
    while (std::fabs(x) > kSmall) {
        x /= 2.0;
        ++halvings;
    }
    // tan's Taylor series to x^15, then tan(2y) = 2 tan y / (1 - tan^2 y).
    static constexpr double kCoefficients[] = {
        1.0,           1.0 / 3.0,         2.0 / 15.0,          17.0 / 315.0,
        62.0 / 2835.0, 1382.0 / 155925.0, 21844.0 / 6081075.0, 929569.0 / 638512875.0};
    const double z = x * x;
    double sum = 0.0;
    for (int k = 7; k >= 0; --k) sum = kCoefficients[k] + z * sum;
    double t = x * sum;
    for (int i = 0; i < halvings; ++i) t = 2.0 * t / (1.0 - t * t);
    return t;
}

double PortableLog(double x) {
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)); log m = 2 atanh(u), u = (m - 1) / (m + 1).
    int e = 0;
    double m = std::frexp(x, &e);  // exact
    if (m < std::numbers::sqrt2 / 2.0) {
        m *= 2.0;
        --e;
    }
    const double u = (m - 1.0) / (m + 1.0);
    const double z = u * u;
    double sum = 0.0;
    for (int k = 24; k >= 0; --k) sum = 1.0 / (2.0 * k + 1.0) + z * sum;
    return 2.0 * u * sum + e * std::numbers::ln2;
}

double IntegerPower(double base, long m) {
    double result = 1.0;
    for (double square = base; m > 0; m /= 2, square *= square) {
        if (m % 2 == 1) result *= square;
    }
    return result;
}

double IntegerRoot(double c, long m) {
    if (m == 1 || c <= 1.0) return c;
    double low = 1.0;
    double high = c;
    for (int i = 0; i < 2100; ++i) {
        const double middle = low + (high - low) / 2.0;
        if (middle <= low || middle >= high) break;
        (IntegerPower(middle, m) <= c ? low : high) = middle;
    }
    return low;
}

double PortableHypot(double x, double y) {
    const double ax = std::fabs(x);
    const double ay = std::fabs(y);
    const double larger = ax > ay ? ax : ay;
    if (larger == 0.0 || !std::isfinite(larger)) return larger;
    // Within these bounds neither square overflows, and the larger is a
    // normal number, whatever the smaller does.
    if (larger > 0x1p-500 && larger < 0x1p500) return std::sqrt(x * x + y * y);
    // Powers of two scale exactly.
    const double scale = larger >= 0x1p500 ? 0x1p-600 : 0x1p600;
    const double sx = x * scale;
    const double sy = y * scale;
    return std::sqrt(sx * sx + sy * sy) / scale;
}

}  // namespace cep

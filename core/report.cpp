// SPDX-License-Identifier: MIT
#include "core/report.h"

#include "core/number_text.h"

#include <clocale>
#include <cmath>
#include <string>

namespace cep {

namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string FormatFigure(double value, std::string_view decimalSeparator) {
    if (!std::isfinite(value)) return "?";  // never reached: callers check
    const Digits15 d = SignificantDigits(std::fabs(value));

    // Fixed digits from the highest place down to thousandths.
    const int intLen = d.exponent >= 0 ? d.exponent + 1 : 1;
    std::string fixed(static_cast<std::size_t>(intLen + 3), '0');
    bool roundUp = false;
    for (int i = 0; i < 15; ++i) {
        const int place = d.exponent - i;
        if (place >= -3) {
            fixed[static_cast<std::size_t>(intLen - 1 - place)] = d.digits[i];
        } else {
            roundUp = place == -4 && d.digits[i] >= '5';  // halves away from zero
            break;
        }
    }
    if (roundUp) {
        int pos = static_cast<int>(fixed.size()) - 1;
        while (pos >= 0 && fixed[static_cast<std::size_t>(pos)] == '9') fixed[static_cast<std::size_t>(pos--)] = '0';
        if (pos >= 0) {
            ++fixed[static_cast<std::size_t>(pos)];
        } else {
            fixed.insert(fixed.begin(), '1');
        }
    }
    std::string integerPart = fixed.substr(0, fixed.size() - 3);
    std::string fraction = fixed.substr(fixed.size() - 3);
    const auto firstNonZero = integerPart.find_first_not_of('0');
    integerPart = firstNonZero == std::string::npos ? "0" : integerPart.substr(firstNonZero);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();

    std::string out;
    // A negative value that rounds to zero is shown as plain zero.
    if (value < 0.0 && (integerPart != "0" || !fraction.empty())) out += '-';
    out += integerPart;
    out += decimalSeparator;
    out += fraction;
    return out;
}

std::string FormatFigure(double value) {
    const std::lconv* conventions = std::localeconv();
    const char* separator = conventions != nullptr ? conventions->decimal_point : nullptr;
    return FormatFigure(value, separator != nullptr && *separator != '\0' ? separator : ".");
}

std::string ComposeCircleReport(std::string_view groupFileName, ShotCount shotCount, std::string_view rangeText,
                                double cep) {
    std::string text;
    text += groupFileName;
    text += " (";
    text += std::to_string(shotCount);
    text += "-shot group at ";
    text += rangeText;
    text += " yards)";
    text += kCrLf;
    text += kCrLf;
    text += "50% of the rounds will land within a circle " + FormatFigure(cep) + " inches in diameter";
    text += kCrLf;
    text += "93% of the rounds will land within a circle " + FormatFigure(cep + cep) + " inches in diameter";
    text += kCrLf;
    text += "99% of the rounds will land within a circle " + FormatFigure(cep * 3.0) + " inches in diameter";
    text += kCrLf;
    return text;
}

std::string ComposeVerdictLine(double moa, MoaVerdict verdict) {
    std::string_view opening;
    switch (verdict) {
    case MoaVerdict::SubMoa: opening = "This load is shooting sub-MOA ("; break;
    case MoaVerdict::OneMoa: opening = "This load is shooting 1-MOA ("; break;
    case MoaVerdict::ExceedsMoa: opening = "This load exceeds 1-MOA ("; break;
    }
    return std::string(opening) + FormatFigure(moa) + ") @ 95% CI";
}

}  // namespace cep

// SPDX-License-Identifier: MIT
// Streaming conversion of number text, shared by LeadingNumber and the
// group file's fields. Characters are fed one at a time so that neither a
// gigantic line nor a gigantic field has to be held in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cep {

// Powers of ten that a double holds exactly: an integer below 2^53 times or
// divided by one of them is the correctly rounded value.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A double's first 15 significant decimal digits, the form in which figures
// are shown and written.
struct Digits15 {
    char digits[15];
    int exponent;  // digits[0] stands at the place 10^exponent
};
Digits15 SignificantDigits(double magnitude);

class NumberScanner {
public:
    // Feeds the next character. Returns false once the character cannot
    // continue a number; the scanner then ignores everything fed after it.
    bool Feed(char c) {
        if (stopped_) return false;
        switch (state_) {
        case State::Start:
            if (c == '+' || c == '-') {
                negative_ = (c == '-');
                state_ = State::Sign;
                return true;
            }
            [[fallthrough]];
        case State::Sign:
        case State::IntDigits:
            if (IsDigit(c)) {
                IntDigit(c);
                state_ = State::IntDigits;
                return true;
            }
            if (c == '.') {
                state_ = State::Point;
                return true;
            }
            if (sawMantissaDigit_ && IsExponentMark(c)) {
                state_ = State::ExpMark;
                return true;
            }
            return Stop();
        case State::Point:
        case State::FracDigits:
            if (IsDigit(c)) {
                FracDigit(c);
                state_ = State::FracDigits;
                return true;
            }
            if (sawMantissaDigit_ && IsExponentMark(c)) {
                state_ = State::ExpMark;
                return true;
            }
            return Stop();
        case State::ExpMark:
            if (c == '+' || c == '-') {
                expNegative_ = (c == '-');
                state_ = State::ExpSign;
                return true;
            }
            [[fallthrough]];
        case State::ExpSign:
        case State::ExpDigits:
            if (IsDigit(c)) {
                ExpDigit(c);
                state_ = State::ExpDigits;
                return true;
            }
            return Stop();
        }
        return Stop();
    }

    // True when the text fed so far began with a number.
    bool HasNumber() const { return sawMantissaDigit_; }

    enum class Status { Ok, Overflow };
    // The value of the longest number fed (0 when there was none). An
    // exponent mark without digits is not part of the number. Overflow when
    // the magnitude exceeds the largest double; values too small to hold
    // become zero.
    Status Value(double& out) const;

private:
    enum class State { Start, Sign, IntDigits, Point, FracDigits, ExpMark, ExpSign, ExpDigits };

    // Enough significant digits to round every decimal text correctly;
    // later digits only matter through whether any of them is non-zero.
    static constexpr std::size_t kMaxDigits = 800;
    static constexpr std::int64_t kExponentLimit = 100000;

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static bool IsExponentMark(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

    bool Stop() {
        stopped_ = true;
        return false;
    }

    void IntDigit(char c) {
        sawMantissaDigit_ = true;
        if (count_ == 0 && c == '0') return;
        if (count_ < kMaxDigits) {
            Keep(c);
            return;
        }
        ++scale_;
        if (c != '0') sticky_ = true;
    }
    void FracDigit(char c) {
        sawMantissaDigit_ = true;
        if (count_ == 0 && c == '0') {
            --scale_;
            return;
        }
        if (count_ < kMaxDigits) {
            Keep(c);
            --scale_;
            return;
        }
        if (c != '0') sticky_ = true;
    }
    void Keep(char c) {
        digits_[count_++] = c;
        if (count_ <= 19) mantissa_ = mantissa_ * 10 + static_cast<std::uint64_t>(c - '0');
    }
    void ExpDigit(char c) {
        sawExponentDigit_ = true;
        if (exponent_ < kExponentLimit) exponent_ = exponent_ * 10 + (c - '0');
    }

    State state_ = State::Start;
    bool stopped_ = false;
    bool negative_ = false;
    bool expNegative_ = false;
    bool sawMantissaDigit_ = false;
    bool sawExponentDigit_ = false;
    bool sticky_ = false;
    std::size_t count_ = 0;       // significant digits kept
    std::uint64_t mantissa_ = 0;  // the first 19 of them
    std::int64_t scale_ = 0;      // value = digits * 10^(scale + exponent)
    std::int64_t exponent_ = 0;
    char digits_[kMaxDigits + 1];
};

}  // namespace cep

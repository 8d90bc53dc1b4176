// SPDX-License-Identifier: MIT
// Failures of the calculation and the export are values, not exceptions:
// each carries its kind and a message for the user that starts with the
// kind's name.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace cep {

enum class FailureKind {
    FileNotFound,
    FileAccessFailure,
    InputPastEndOfFile,
    Overflow,
    DivisionByZero,
    SubscriptOutOfRange,
    // Reading shots from a target picture.
    InvalidValue,        // a calibre or number that does not parse or is out of range
    PictureFailure,      // not a picture, or one that cannot be used
    CalibrationFailure,  // a scale or points that fix no mapping to the target
};

// "File not found", "Overflow", ...
std::string_view KindName(FailureKind kind);

struct Failure {
    FailureKind kind;
    std::string message;  // "<kind name>: <what caused it>"
};

// Builds a failure whose message is the kind's name, a colon and the reason.
Failure MakeFailure(FailureKind kind, std::string_view reason);

// The system's text for an error number, in English whatever the user's
// locale: every other word of a failure is fixed English.
std::string SystemErrorText(int error);

template <class T>
class Outcome {
public:
    Outcome(T value) : state_(std::move(value)) {}            // NOLINT: implicit by design
    Outcome(Failure failure) : state_(std::move(failure)) {}  // NOLINT: implicit by design

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(state_); }
    T& value() { return std::get<0>(state_); }
    const Failure& failure() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};

// For steps that produce nothing but may fail.
struct Done {};

}  // namespace cep

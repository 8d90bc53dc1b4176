// SPDX-License-Identifier: MIT
#include "core/failure.h"

#include "os/os.h"

namespace cep {

std::string_view KindName(FailureKind kind) {
    switch (kind) {
    case FailureKind::FileNotFound: return "File not found";
    case FailureKind::FileAccessFailure: return "File access failure";
    case FailureKind::InputPastEndOfFile: return "Input past end of file";
    case FailureKind::Overflow: return "Overflow";
    case FailureKind::DivisionByZero: return "Division by zero";
    case FailureKind::SubscriptOutOfRange: return "Subscript out of range";
    case FailureKind::InvalidValue: return "Invalid value";
    case FailureKind::PictureFailure: return "Picture failure";
    case FailureKind::CalibrationFailure: return "Calibration failure";
    }
    return "Failure";
}

Failure MakeFailure(FailureKind kind, std::string_view reason) {
    std::string message(KindName(kind));
    message += ": ";
    message += reason;
    return Failure{kind, std::move(message)};
}

std::string SystemErrorText(int error) { return os::ErrorText(error); }

}  // namespace cep

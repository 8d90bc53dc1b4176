// SPDX-License-Identifier: MIT
#include "failure.h"

#include <cstring>
#include <locale.h>

namespace cep {

std::string_view KindName(FailureKind kind) {
    switch (kind) {
    case FailureKind::FileNotFound: return "File not found";
    case FailureKind::FileAccessFailure: return "File access failure";
    case FailureKind::InputPastEndOfFile: return "Input past end of file";
    case FailureKind::Overflow: return "Overflow";
    case FailureKind::DivisionByZero: return "Division by zero";
    case FailureKind::SubscriptOutOfRange: return "Subscript out of range";
    }
    return "Failure";
}

Failure MakeFailure(FailureKind kind, std::string_view reason) {
    std::string message(KindName(kind));
    message += ": ";
    message += reason;
    return Failure{kind, std::move(message)};
}

std::string SystemErrorText(int error) {
    // Made once and kept: a C locale object costs an allocation.
    static const locale_t english = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (english == static_cast<locale_t>(nullptr)) return "error " + std::to_string(error);
    return ::strerror_l(error, english);
}

}  // namespace cep

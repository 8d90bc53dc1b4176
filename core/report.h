// SPDX-License-Identifier: MIT
// The results text: six lines joined by CR LF.
#pragma once

#include <string>
#include <string_view>

#include "core/cep_figures.h"
#include "core/group_file.h"

namespace cep {

// "0.###": three decimals rounded half away from zero, the separator always
// written, trailing zeros dropped.
std::string FormatFigure(double value, std::string_view decimalSeparator);
// The same with the decimal separator of the current C locale.
std::string FormatFigure(double value);

// Lines 1 to 5, each ended by CR LF.
std::string ComposeCircleReport(std::string_view groupFileName, ShotCount shotCount, std::string_view rangeText,
                                double cep);

// Line 6, with no line break after it.
std::string ComposeVerdictLine(double moa, MoaVerdict verdict);

}  // namespace cep

// SPDX-License-Identifier: MIT
// The Calculate command, once, for the window and for cep-report alike.
#pragma once

#include <string>
#include <string_view>

#include "core/cep_figures.h"
#include "core/failure.h"

namespace cep {

// Where the results text goes, as the window's results label receives it.
class ResultsText {
public:
    virtual ~ResultsText() = default;
    virtual void SetText(const std::string& text) = 0;
    virtual void AppendText(const std::string& text) = 0;
};

// What one Calculate that ran to its end computed: the record Save writes.
struct CompletedCalculation {
    std::string GroupFileName;
    double Yards = 0.0;
    double Cep = 0.0;
    double Moa = 0.0;
    MoaVerdict Verdict = MoaVerdict::SubMoa;
};

// Read, ComputeCep, circle report (set), ComputeMoa, verdict line (append).
// A failure ends the sequence where it arises; what was stored in `state` or
// given to `label` before that stays.
Outcome<CompletedCalculation> Calculate(CalcState& state, const std::string& groupFilePath,
                                        const std::string& groupFileName, std::string_view rangeText,
                                        ResultsText& label);

}  // namespace cep

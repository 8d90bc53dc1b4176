// SPDX-License-Identifier: MIT
#include "core/calculate.h"

#include "core/group_file.h"
#include "core/report.h"

namespace cep {

Outcome<CompletedCalculation> Calculate(CalcState& state, const std::string& groupFilePath,
                                        const std::string& groupFileName, std::string_view rangeText,
                                        ResultsText& label) {
    const auto read = ReadGroupFileDetailed(groupFilePath, state.Shots);
    if (!read) return read.failure();
    const ShotCount n = read.value().count;

    const auto cep = ComputeCep(state, n);
    if (!cep) {
        // The statistics only see the table; the reader knows why it is short.
        if (cep.failure().kind == FailureKind::SubscriptOutOfRange) {
            return MakeFailure(
                FailureKind::SubscriptOutOfRange,
                read.value().hadCountLine
                    ? "a group needs at least three shots, and this file declares " + std::to_string(n) + "."
                    : "a group needs at least three shots, and this file has fewer than "
                      "three lines, so it declares none.");
        }
        return cep.failure();
    }

    label.SetText(ComposeCircleReport(groupFileName, n, rangeText, cep.value()));

    const auto moa = ComputeMoa(state, rangeText);
    if (!moa) return moa.failure();
    const MoaVerdict verdict = ClassifyMoa(moa.value());
    label.AppendText(ComposeVerdictLine(moa.value(), verdict));

    CompletedCalculation done;
    done.GroupFileName = groupFileName;
    done.Yards = state.Yards;
    done.Cep = cep.value();
    done.Moa = moa.value();
    done.Verdict = verdict;
    return done;
}

}  // namespace cep

// SPDX-License-Identifier: MIT
// The calculations the export tests save and the bytes they leave.
#pragma once

#include <string>
#include <utility>

#include "core/calculate.h"

namespace cep::testing_support {

inline CompletedCalculation Calculation(std::string name, double yards, double cep, double moa) {
    return {std::move(name), yards, cep, moa, MoaVerdict::ExceedsMoa};
}

inline const CompletedCalculation kTarget = Calculation("target.grp", 100, 1.25, 2.5);
inline const std::string kTargetRecord = "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n";
inline const std::string kBefore = "\"old.grp\",100,1,2,3,2\r\n";

}  // namespace cep::testing_support

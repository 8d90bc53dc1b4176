// SPDX-License-Identifier: MIT
// Numbers as text for the scan's messages and files: fixed decimals and
// strict parsing, both independent of the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace cep::scan {

// `value` with `places` decimals and a period; never "-0.0000".
std::string Decimals(double value, int places);
// The whole of `text` as a finite number ("12", "-0.5", ".308", "1e2");
// false for anything else, blanks included.
bool ParseNumber(std::string_view text, double& value);

}  // namespace cep::scan

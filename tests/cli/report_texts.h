// SPDX-License-Identifier: MIT
// Group files and the texts cep-report prints for them, shared by the tests.
#pragma once

#include <string>

#include "tests/cli/run_report.h"

namespace cep::testing_support {

// Five shots 1.25 from the centre (the fifth repeats the first): Cep is exactly 1.25.
inline const std::string kTarget = Group("5", "1.25,0\r\n0,1.25\r\n-1.25,0\r\n0,-1.25\r\n1.25,0\r\n");
inline const std::string kDiamond = Group("4", "0.5,0\r\n0,0.5\r\n-0.5,0\r\n0,-0.5\r\n");

inline std::string Circles(const std::string& heading, const std::string& d50, const std::string& d93,
                           const std::string& d99) {
    const std::string circle = " of the rounds will land within a circle ";
    return heading + " yards)\n\n50%" + circle + d50 + " inches in diameter\n93%" + circle + d93 +
           " inches in diameter\n99%" + circle + d99 + " inches in diameter\n";
}

// File names as odd as the system allows, for the JSON and the picture,
// with what each shows of them. POSIX names may hold any byte but '/' and
// NUL; Windows names no controls and none of <>:"/\|?*.
struct OddName {
    std::string file, json, shown;
};
extern const OddName kOddName;     // a control character where the system allows one
extern const OddName kMarkupName;  // characters that are markup in a picture

inline const std::string kTargetText =
    Circles("target.grp (5-shot group at 100", "1.25", "2.5", "3.75") + "This load exceeds 1-MOA (2.5) @ 95% CI\n";

}  // namespace cep::testing_support

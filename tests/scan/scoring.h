// SPDX-License-Identifier: MIT
// How found shots compare with the true holes: each true hole takes the
// nearest found shot not yet taken.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "scan/detect.h"

namespace cep::testing_support {

struct Score {
    int matched = 0;  // true holes with a found shot within the bound
    int missed = 0;   // true holes without
    int extra = 0;    // found shots matching no true hole
    double largestError = 0.0;
    double errorSum = 0.0;
};

inline Score ScoreShots(const std::vector<scan::TargetPoint>& truth, const std::vector<scan::FoundShot>& found,
                        double bound) {
    Score score;
    std::vector<bool> taken(found.size(), false);
    for (const scan::TargetPoint& t : truth) {
        std::size_t best = found.size();
        double nearest = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < found.size(); ++i) {
            const double d = std::hypot(found[i].at.x - t.x, found[i].at.y - t.y);
            if (!taken[i] && d < nearest) {
                nearest = d;
                best = i;
            }
        }
        if (best < found.size() && nearest <= bound) {
            taken[best] = true;
            ++score.matched;
            score.largestError = std::max(score.largestError, nearest);
            score.errorSum += nearest;
        } else {
            ++score.missed;
        }
    }
    score.extra = static_cast<int>(std::count(taken.begin(), taken.end(), false));
    return score;
}

}  // namespace cep::testing_support

// SPDX-License-Identifier: MIT
// A module built without OpenCV has no scan library, and so no target window.
#include "ui/statistics/target_opener.h"

namespace cepstats {

QWidget *OpenTargetWindow(const cepui::StatisticsRequest &, QWidget *, QString &problem)
{
    problem = QStringLiteral("Reading a group from a target picture is not part of this build: it was built without "
                             "OpenCV, which finds the holes.");
    return nullptr;
}

} // namespace cepstats

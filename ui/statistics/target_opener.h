// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "ui/statistics_entry.h"

class QWidget;

namespace cepstats {

// The window that reads a group from a picture of the target, shown; or
// null with the reason in `problem` where the module was built without the
// scan library. CMake builds one of the two definitions.
QWidget *OpenTargetWindow(const cepui::StatisticsRequest &request, QWidget *owner, QString &problem);

} // namespace cepstats

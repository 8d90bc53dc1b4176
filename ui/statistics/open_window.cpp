// SPDX-License-Identifier: MIT
// The module's one export, which the designed window looks up by name.
#include "ui/statistics_entry.h"
#include "ui/statistics/statistics_window.h"

extern "C" Q_DECL_EXPORT QWidget *cepOpenStatisticsWindow(const cepui::StatisticsRequest &request, QWidget *owner)
{
    auto *window = new cepstats::StatisticsWindow(request, owner);
    window->show();
    return window;
}

// SPDX-License-Identifier: MIT
// The module's one export, which the designed window looks up by name.
#include "ui/statistics/statistics_window.h"
#include "ui/statistics/target_opener.h"
#include "ui/statistics_entry.h"

extern "C" Q_DECL_EXPORT QWidget *cepOpenModuleWindow(const cepui::StatisticsRequest &request, QWidget *owner,
                                                      QString &problem)
{
    if (request.window == cepui::ModuleWindow::TargetPicture)
        return cepstats::OpenTargetWindow(request, owner, problem);
    auto *window = new cepstats::StatisticsWindow(request, owner);
    window->show();
    return window;
}

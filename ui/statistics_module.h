// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "ui/statistics_entry.h"

class QWidget;

namespace cepui {

// The statistics module in the program's folder, loaded on first use and
// kept loaded: its windows' code lives there.
class StatisticsModule
{
public:
    explicit StatisticsModule(QString folder);

    // Loads the module unless it is loaded; false, with the reason in
    // `problem`, when it cannot be.
    bool load(QString &problem);
    // Opens the window for `request` through the loaded module; null, with
    // the reason in `problem`, when the module has no such window.
    QWidget *open(const StatisticsRequest &request, QWidget *owner, QString &problem);

    // The module's full path, as a user reads it.
    QString file() const;

private:
    QString folder_;
    OpenStatisticsWindow open_ = nullptr;
};

} // namespace cepui

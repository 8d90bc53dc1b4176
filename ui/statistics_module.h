// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "statistics_entry.h"

class QWidget;

namespace cepui {

// The statistics module in the program's folder, loaded on first use and
// kept loaded: its windows' code lives there.
class StatisticsModule
{
public:
    explicit StatisticsModule(QString folder);

    // Opens the window for `request`, or returns nullptr and says in
    // `problem` why the module is not there to do it.
    QWidget *open(const StatisticsRequest &request, QWidget *owner, QString &problem);

    // The module's full path, as a user reads it.
    QString file() const;

private:
    QString folder_;
    OpenStatisticsWindow open_ = nullptr;
};

} // namespace cepui

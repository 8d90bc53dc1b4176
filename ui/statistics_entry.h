// SPDX-License-Identifier: MIT
// What the designed window and the statistics module agree on. The module
// (Qt SVG and the statistics window) is loaded only when first asked for, so
// that the window starts as fast as ever; this is all the two share.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace cepui {

// One group, two compared, or several pooled.
struct StatisticsRequest
{
    QString path;          // the chosen group file
    QString comparedPath;  // the group it is compared with; empty for one group
    QString range;         // the range box's text when asked
    QStringList pooledPaths = {};  // two or more groups pooled; then `path` is the first of them
};

// The module's one export: opens a window of its own for `request`, owned by
// `owner` (it goes when the owner goes), and returns it, shown.
using OpenStatisticsWindow = QWidget *(*)(const StatisticsRequest &request, QWidget *owner);
inline constexpr char kOpenStatisticsWindow[] = "cepOpenStatisticsWindow";

} // namespace cepui

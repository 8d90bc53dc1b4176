// SPDX-License-Identifier: MIT
// What the designed window and the statistics module agree on. The module
// (Qt SVG and the statistics window) is loaded only when first asked for, so
// that the window starts as fast as ever; this is all the two share.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace cepui {

// The windows the module opens.
enum class ModuleWindow { Statistics, TargetPicture };

// One group, two compared, or several pooled; or a group read from a picture of the target.
struct StatisticsRequest
{
    QString path; // the chosen group file
    QString comparedPath; // the group it is compared with; empty for one group
    QString range; // the range box's text when asked
    ModuleWindow window = ModuleWindow::Statistics;
    QStringList pooledPaths = {}; // two or more groups pooled; then `path` is the first of them
};

// The module's one export: opens a window of its own for `request`, owned by
// `owner` (it goes when the owner goes), and returns it, shown; or returns
// null with the reason in `problem` when this build has no such window.
using OpenStatisticsWindow = QWidget *(*)(const StatisticsRequest &request, QWidget *owner, QString &problem);
// Named anew when its form changes, so that a stale module is refused, not called.
inline constexpr char kOpenStatisticsWindow[] = "cepOpenModuleWindow";

} // namespace cepui

// SPDX-License-Identifier: MIT
#include "ui/statistics_module.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <utility>

namespace cepui {

namespace {

// The same figures are always to be had without the window.
const char *const kWithoutTheWindow = " cep-report --stats and --compare, beside the program, give the same figures.";

} // namespace

StatisticsModule::StatisticsModule(QString folder) : folder_(std::move(folder)) {}

QString StatisticsModule::file() const
{
    return QDir::toNativeSeparators(folder_ + QStringLiteral("/" CEP_STATISTICS_MODULE));
}

bool StatisticsModule::load(QString &problem)
{
    if (open_ != nullptr)
        return true;
    // A build without Qt SVG (the Windows one) has no module at all.
    if (!QFileInfo::exists(file())) {
        problem = QStringLiteral("The statistics window is not part of this build: there is no ") + file() +
                  QLatin1Char('.') + QLatin1String(kWithoutTheWindow);
        return false;
    }
    // Never unloaded: the windows it opened run its code until they go.
    QLibrary library(file());
    if (!library.load()) {
        problem = QStringLiteral("The statistics window could not be loaded (") + library.errorString() +
                  QStringLiteral(").") + QLatin1String(kWithoutTheWindow);
        return false;
    }
    open_ = reinterpret_cast<OpenStatisticsWindow>(library.resolve(kOpenStatisticsWindow));
    if (open_ == nullptr) {
        problem = QStringLiteral("The statistics window could not be loaded: ") + file() +
                  QStringLiteral(" is not the module of this program.") + QLatin1String(kWithoutTheWindow);
        return false;
    }
    return true;
}

QWidget *StatisticsModule::open(const StatisticsRequest &request, QWidget *owner, QString &problem)
{
    return open_ != nullptr ? open_(request, owner, problem) : nullptr;
}

} // namespace cepui

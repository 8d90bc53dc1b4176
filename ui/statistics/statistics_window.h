// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

#include "core/aiming.h"
#include "ui/statistics_entry.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

namespace cepstats {

class GroupPicture;

// The statistics of the chosen group, the comparison of two, or several
// pooled, beside the designed window: the pictures, the text block of
// cep-report --stats (or --compare, or --stats --pool), and above them what
// must not be missed: the data check's warnings, flyers, an elongated group,
// groups that do not share one spread or centre, or why there are no figures
// at all. A group or pool also gets the chance of a hit on a target of the
// size given, and the clicks of the turret given. The files are read when the
// window opens and whenever the user asks.
class StatisticsWindow : public QWidget
{
    Q_OBJECT

public:
    StatisticsWindow(const cepui::StatisticsRequest &request, QWidget *owner);

    // Reads the files again at the chosen level.
    void refresh();
    // Writes the picture (a comparison's two side by side) to `path` as its
    // suffix says: .svg, .png or .pdf. Returns "" when done, else why not;
    // either way the window says so.
    QString savePicture(const QString &path);
    // The text block to the clipboard.
    void copyText();

private:
    void createControls();
    void fitToScreen();
    void askAndSavePicture();
    void showAlerts(const QStringList &failures, const QStringList &warnings);
    void showResult(const QString &text, const std::vector<QByteArray> &svgs, const QByteArray &saved = {});
    void refreshGroups(double level);
    void refreshPool(double level);
    // The target and click boxes read into `aiming_`; else why not, and
    // `aiming_` keeps the last values that were good.
    QString readAiming();

    bool pooling_ = false;
    cep::AimingOptions aiming_;

    QStringList paths_; // one group, or two compared
    QString range_;
    QString text_; // the text block shown, exactly as the writers made it
    QByteArray saved_; // the picture Save writes: the group's, or both groups' side by side

    QLabel *rangeLabel_ = nullptr;
    QComboBox *level_ = nullptr;
    QLineEdit *target_ = nullptr;
    QComboBox *targetUnit_ = nullptr;
    QLineEdit *click_ = nullptr;
    QComboBox *clickUnit_ = nullptr;
    QPushButton *refresh_ = nullptr;
    QPushButton *save_ = nullptr;
    QPushButton *copy_ = nullptr;
    QPushButton *close_ = nullptr;
    QLabel *alerts_ = nullptr;
    std::vector<GroupPicture *> pictures_;
    QPlainTextEdit *textView_ = nullptr;
    QSplitter *split_ = nullptr;
    QLabel *status_ = nullptr;
};

} // namespace cepstats

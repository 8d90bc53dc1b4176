// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

#include "scan/calibration.h"
#include "scan/detect.h"
#include "ui/statistics_entry.h"

class QCheckBox;
class QGraphicsPixmapItem;
class QGraphicsScene;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace cepstats {

class ShotMarker;
class TargetView;

// A group read from a picture of the target: the picture calibrated by its
// resolution and the aim, or by four or more points of known place; the
// holes found by the scan library and reviewed by the shooter, who moves,
// adds and deletes shots; then saved as a group file and its statistics shown.
class TargetWindow : public QWidget
{
    Q_OBJECT

public:
    TargetWindow(const cepui::StatisticsRequest &request, QWidget *owner);

    // Shows the picture at `path`; "" when done, else why not (also shown).
    QString openPicture(const QString &path);
    // A click on the picture at `pixel`, as the mode or Ctrl says.
    void clickPicture(QPointF pixel, Qt::KeyboardModifiers modifiers);
    // Finds the holes with the calibration and calibre given.
    void findHoles();
    // Writes the group to `path`, asking before it replaces a file, and
    // opens its statistics; "" when done, else why not (also shown).
    QString saveGroup(const QString &path);
    // The shots' pixels in their order.
    std::vector<QPointF> shotPixels() const;

private:
    enum class Mode { None, Aim, Points, Shots };

    void createControls();
    void setMode(Mode mode);
    void askAndOpen();
    void askAndSave();
    void addShot(QPointF pixel, std::optional<cep::scan::FoundShot> found);
    void deleteSelected();
    void renumber();
    void shotMoved(ShotMarker *marker);
    void calibrationChanged();
    void updateCount();
    void say(const QString &text, bool failure = false);
    bool confirm(const QString &question);
    QPointF snapped(QPointF pixel, QString &moved) const;
    std::optional<cep::scan::Calibration> calibration(QString &problem) const;
    std::optional<double> calibre(QString &problem) const;
    double markerRadius() const;
    cep::scan::GreyPicture greyPicture() const;

    QString range_;
    QString picturePath_;
    QImage grey_; // the picture's grey pixels, as the scan library reads them
    std::optional<QPointF> aim_;
    std::vector<ShotMarker *> shots_; // in their order
    bool unsaved_ = false;
    Mode mode_ = Mode::None;

    QPushButton *open_ = nullptr;
    QLabel *pictureName_ = nullptr;
    QGraphicsScene *scene_ = nullptr;
    QGraphicsPixmapItem *pixmap_ = nullptr;
    TargetView *view_ = nullptr;
    QPushButton *zoomIn_ = nullptr;
    QPushButton *zoomOut_ = nullptr;
    QPushButton *fit_ = nullptr;
    QRadioButton *byDpi_ = nullptr;
    QRadioButton *byPoints_ = nullptr;
    QLineEdit *dpi_ = nullptr;
    QPushButton *pickAim_ = nullptr;
    QLabel *aimLabel_ = nullptr;
    QPushButton *addPoints_ = nullptr;
    QPushButton *removePoint_ = nullptr;
    QTableWidget *points_ = nullptr;
    QCheckBox *snap_ = nullptr;
    QLineEdit *calibre_ = nullptr;
    QSpinBox *expected_ = nullptr;
    QPushButton *find_ = nullptr;
    QPushButton *addShots_ = nullptr;
    QPushButton *deleteShot_ = nullptr;
    QLabel *hint_ = nullptr;
    QLabel *count_ = nullptr;
    QPushButton *save_ = nullptr;
    QPushButton *close_ = nullptr;
    QLabel *status_ = nullptr;
};

} // namespace cepstats

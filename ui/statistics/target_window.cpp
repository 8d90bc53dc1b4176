// SPDX-License-Identifier: MIT
#include "ui/statistics/target_window.h"

#include "picture/target_picture.h"

#include "os/os.h"
#include "scan/calibre.h"
#include "scan/crossing.h"
#include "scan/group_text.h"
#include "scan/text.h"
#include "ui/statistics/statistics_window.h"
#include "ui/statistics/target_opener.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGraphicsEllipseItem>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPen>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace cepstats {

namespace {

const char *const kFailureStyle = "QLabel { color: #a4000f; }";

// How far a click may be from the crossing it snaps to, in screen pixels,
// and never less than this many picture pixels.
constexpr double kSnapReachOnScreen = 16.0;
constexpr double kLeastSnapReach = 8.0;
constexpr double kZoomStep = 1.25;
// A marker's least radius on the picture, in pixels, where no calibre is known.
constexpr double kLeastMarkerRadius = 6.0;

enum PointColumn { PixelX, PixelY, InchX, InchY, Moved, Columns };

QString decimals(double value, int places)
{
    return QString::fromStdString(cep::scan::Decimals(value, places));
}

QPushButton *makeButton(const QString &text, const char *name, const QString &tip, bool checkable = false)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setToolTip(tip);
    button->setCheckable(checkable);
    return button;
}

QColor tierColour(std::optional<cep::scan::ShotTier> tier)
{
    if (!tier)
        return QColor(0xb0, 0x00, 0xc0); // placed by hand
    switch (*tier) {
    case cep::scan::ShotTier::Single:
        return QColor(0x00, 0x90, 0xff);
    case cep::scan::ShotTier::Split:
        return QColor(0xff, 0x8c, 0x00);
    case cep::scan::ShotTier::Uncertain:
        return QColor(0xe0, 0x00, 0x20);
    }
    return Qt::red;
}

} // namespace

// A shot on the picture: a ring of the calibre's size with its number,
// dragged to move it. It keeps what the scan library found until moved.
class ShotMarker : public QGraphicsEllipseItem
{
public:
    ShotMarker(QPointF pixel, double radius, std::optional<cep::scan::FoundShot> found,
               std::function<void(ShotMarker *)> moved)
        : found_(std::move(found)), moved_(std::move(moved))
    {
        setRect(-radius, -radius, 2 * radius, 2 * radius);
        setPos(pixel);
        QPen pen(tierColour(found_ ? std::optional(found_->tier) : std::nullopt), 2);
        pen.setCosmetic(true);
        setPen(pen);
        setFlags(ItemIsMovable | ItemIsSelectable | ItemSendsGeometryChanges);
        setToolTip(found_ ? QStringLiteral("Found: ") + QString::fromUtf8(cep::scan::TierName(found_->tier).data())
                          : QStringLiteral("Placed by hand"));
        label_ = new QGraphicsSimpleTextItem(this);
        label_->setFlag(ItemIgnoresTransformations);
        label_->setBrush(pen.color());
        QFont font = label_->font();
        font.setBold(true);
        label_->setFont(font);
        label_->setPos(radius * 0.75, -radius * 0.75);
    }
    void setNumber(int number) { label_->setText(QString::number(number)); }
    QString number() const { return label_->text(); }
    // The library's own inches while the shot is where it was found and the
    // calibration is the one it was found with.
    std::optional<cep::scan::TargetPoint> foundAt() const { return found_ ? std::optional(found_->at) : std::nullopt; }
    void forgetFoundAt()
    {
        if (found_)
            found_->at = {std::nan(""), std::nan("")};
    }

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override
    {
        if (change == ItemPositionHasChanged && moved_) {
            forgetFoundAt();
            moved_(this);
        }
        return QGraphicsEllipseItem::itemChange(change, value);
    }

private:
    std::optional<cep::scan::FoundShot> found_;
    std::function<void(ShotMarker *)> moved_;
    QGraphicsSimpleTextItem *label_ = nullptr;
};

// The picture, zoomed with the wheel and panned by dragging it; a click that
// does not drag is handed to the window.
class TargetView : public QGraphicsView
{
public:
    TargetView(QGraphicsScene *scene, std::function<void(QPointF, Qt::KeyboardModifiers)> clicked,
               std::function<void()> deleted)
        : QGraphicsView(scene), clicked_(std::move(clicked)), deleted_(std::move(deleted))
    {
        setTransformationAnchor(AnchorUnderMouse);
        setResizeAnchor(AnchorViewCenter);
        setDragMode(NoDrag);
        setRenderHint(QPainter::SmoothPixmapTransform);
        setBackgroundBrush(QColor(0x60, 0x60, 0x60));
    }
    void zoom(double factor)
    {
        const double now = transform().m11();
        if ((factor > 1 && now > 64) || (factor < 1 && now < 1.0 / 64))
            return; // far enough either way
        scale(factor, factor);
    }

protected:
    // Delete belongs to the picture's shots while the picture has the focus,
    // not to the text boxes' characters.
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
            deleted_();
            event->accept();
            return;
        }
        QGraphicsView::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent *event) override
    {
        const int steps = event->angleDelta().y() / 120;
        if (steps == 0)
            return;
        zoom(std::pow(kZoomStep, steps));
        event->accept();
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        QGraphicsView::mousePressEvent(event);
        pressed_ = false;
        if (event->button() != Qt::LeftButton || scene()->mouseGrabberItem() != nullptr)
            return; // a marker took it
        pressed_ = true;
        panning_ = false;
        pressAt_ = lastAt_ = event->position().toPoint();
        event->accept();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!pressed_) {
            QGraphicsView::mouseMoveEvent(event);
            return;
        }
        const QPoint at = event->position().toPoint();
        if (!panning_ && (at - pressAt_).manhattanLength() >= QApplication::startDragDistance()) {
            panning_ = true;
            viewport()->setCursor(Qt::ClosedHandCursor);
        }
        if (panning_) {
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (at.x() - lastAt_.x()));
            verticalScrollBar()->setValue(verticalScrollBar()->value() - (at.y() - lastAt_.y()));
        }
        lastAt_ = at;
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (!pressed_) {
            QGraphicsView::mouseReleaseEvent(event);
            return;
        }
        pressed_ = false;
        viewport()->unsetCursor();
        if (!panning_ && event->button() == Qt::LeftButton)
            // The pointer covers a screen pixel: its centre, mapped to the picture,
            // whose first pixel's centre is (0, 0).
            clicked_(viewportTransform().inverted().map(event->position() + QPointF(0.5, 0.5)) - QPointF(0.5, 0.5),
                     event->modifiers());
    }

private:
    std::function<void(QPointF, Qt::KeyboardModifiers)> clicked_;
    std::function<void()> deleted_;
    bool pressed_ = false;
    bool panning_ = false;
    QPoint pressAt_;
    QPoint lastAt_;
};

TargetWindow::TargetWindow(const cepui::StatisticsRequest &request, QWidget *owner)
    : QWidget(owner, Qt::Window), range_(request.range)
{
    setObjectName(QStringLiteral("TargetWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Group from target picture"));
    createControls();
    updateCount();
    resize(1100, 760);
}

void TargetWindow::createControls()
{
    open_ = makeButton(QStringLiteral("&Open picture\u2026"), "openPicture",
                       QStringLiteral("Open a scan or photo of the target: PNG, JPEG or TIFF (Ctrl+O)"));
    pictureName_ = new QLabel(QStringLiteral("No picture"));
    pictureName_->setObjectName(QStringLiteral("pictureName"));
    pictureName_->setTextFormat(Qt::PlainText);
    zoomIn_ = makeButton(QStringLiteral("Zoom &in"), "zoomIn", QStringLiteral("Zoom in (Ctrl++, or the wheel)"));
    zoomOut_ = makeButton(QStringLiteral("Zoom o&ut"), "zoomOut", QStringLiteral("Zoom out (Ctrl+-, or the wheel)"));
    fit_ = makeButton(QStringLiteral("&Fit"), "fit", QStringLiteral("The whole picture in view (Ctrl+0)"));

    auto *top = new QHBoxLayout;
    top->addWidget(open_);
    top->addWidget(pictureName_, 1);
    top->addWidget(zoomIn_);
    top->addWidget(zoomOut_);
    top->addWidget(fit_);

    scene_ = new QGraphicsScene(this);
    pixmap_ = scene_->addPixmap(QPixmap());
    pixmap_->setTransformationMode(Qt::SmoothTransformation);
    view_ = new TargetView(
        scene_, [this](QPointF pixel, Qt::KeyboardModifiers modifiers) { clickPicture(pixel, modifiers); },
        [this] { deleteSelected(); });
    view_->setObjectName(QStringLiteral("targetView"));
    view_->setAccessibleName(QStringLiteral("Target picture"));
    view_->setMinimumSize(400, 300);

    // Calibration: a scan by its resolution and the aim, or a photo by points.
    byDpi_ = new QRadioButton(QStringLiteral("Scan: &resolution and aim"));
    byDpi_->setObjectName(QStringLiteral("byDpi"));
    byDpi_->setChecked(true);
    byPoints_ = new QRadioButton(QStringLiteral("Photo: four or more &known points"));
    byPoints_->setObjectName(QStringLiteral("byPoints"));
    dpi_ = new QLineEdit;
    dpi_->setObjectName(QStringLiteral("dpi"));
    dpi_->setAccessibleName(QStringLiteral("Dots per inch"));
    dpi_->setPlaceholderText(QStringLiteral("as scanned, e.g. 300"));
    auto *dpiLabel = new QLabel(QStringLiteral("&Dots per inch:"));
    dpiLabel->setBuddy(dpi_);
    pickAim_ = makeButton(QStringLiteral("Click the &aim"), "pickAim",
                          QStringLiteral("Then click the point of aim on the picture"), true);
    aimLabel_ = new QLabel(QStringLiteral("Aim: not set"));
    aimLabel_->setObjectName(QStringLiteral("aim"));
    aimLabel_->setTextFormat(Qt::PlainText);

    addPoints_ = makeButton(QStringLiteral("Click &points"), "addPoints",
                            QStringLiteral("Each click on the picture adds a point; type its place in inches"), true);
    removePoint_ =
        makeButton(QStringLiteral("Remove point"), "removePoint", QStringLiteral("Remove the selected points"));
    points_ = new QTableWidget(0, Columns);
    points_->setObjectName(QStringLiteral("points"));
    points_->setAccessibleName(QStringLiteral("Calibration points"));
    points_->setHorizontalHeaderLabels({QStringLiteral("px"), QStringLiteral("py"), QStringLiteral("X in"),
                                        QStringLiteral("Y in"), QStringLiteral("snap px")});
    points_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    points_->verticalHeader()->setVisible(true);
    points_->setSelectionBehavior(QAbstractItemView::SelectRows);
    points_->setTabKeyNavigation(false);
    points_->setMinimumHeight(130);
    snap_ = new QCheckBox(QStringLiteral("S&nap to the nearest crossing"));
    snap_->setObjectName(QStringLiteral("snap"));
    snap_->setToolTip(QStringLiteral("Move each click for the aim or a point onto the nearest printed line crossing"));
    snap_->setChecked(true);

    auto *calibrationBox = new QGroupBox(QStringLiteral("Calibration"));
    auto *calibration = new QGridLayout(calibrationBox);
    calibration->addWidget(byDpi_, 0, 0, 1, 3);
    calibration->addWidget(dpiLabel, 1, 0);
    calibration->addWidget(dpi_, 1, 1, 1, 2);
    calibration->addWidget(pickAim_, 2, 0);
    calibration->addWidget(aimLabel_, 2, 1, 1, 2);
    calibration->addWidget(byPoints_, 3, 0, 1, 3);
    calibration->addWidget(addPoints_, 4, 0);
    calibration->addWidget(removePoint_, 4, 1);
    calibration->addWidget(points_, 5, 0, 1, 3);
    calibration->addWidget(snap_, 6, 0, 1, 3);

    calibre_ = new QLineEdit;
    calibre_->setObjectName(QStringLiteral("calibre"));
    calibre_->setAccessibleName(QStringLiteral("Calibre"));
    calibre_->setPlaceholderText(QStringLiteral(".308, 0.308in, 7.62mm"));
    expected_ = new QSpinBox;
    expected_->setObjectName(QStringLiteral("expected"));
    expected_->setAccessibleName(QStringLiteral("Shots fired"));
    expected_->setRange(0, cep::scan::kMostShots);
    expected_->setSpecialValueText(QStringLiteral("not given"));
    expected_->setToolTip(QStringLiteral("How many shots are on the target: decides how overlapping holes are split"));
    find_ = makeButton(QStringLiteral("F&ind holes"), "findHoles",
                       QStringLiteral("Find the shots on the picture (Ctrl+F)"));
    auto *shotsBox = new QGroupBox(QStringLiteral("Shots"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Calibre:"), calibre_);
    form->addRow(QStringLiteral("Shots &fired:"), expected_);
    addShots_ = makeButton(QStringLiteral("Click to a&dd shots"), "addShots",
                           QStringLiteral("Each click on the picture adds a shot"), true);
    deleteShot_ =
        makeButton(QStringLiteral("Delete shot"), "deleteShot", QStringLiteral("Delete the selected shots (Delete)"));
    hint_ = new QLabel(QStringLiteral("Drag a shot to move it. Ctrl+click the picture (or turn on \u201cClick to add "
                                      "shots\u201d) to add one; Delete removes the selected one. Drag the picture to "
                                      "pan, the wheel zooms."));
    hint_->setObjectName(QStringLiteral("hint"));
    hint_->setWordWrap(true);
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("count"));
    count_->setTextFormat(Qt::PlainText);
    count_->setAccessibleName(QStringLiteral("Shot count"));
    QFont bold = count_->font();
    bold.setBold(true);
    count_->setFont(bold);
    auto *shotButtons = new QHBoxLayout;
    shotButtons->addWidget(addShots_);
    shotButtons->addWidget(deleteShot_);
    auto *shots = new QVBoxLayout(shotsBox);
    shots->addLayout(form);
    shots->addWidget(find_);
    shots->addLayout(shotButtons);
    shots->addWidget(hint_);
    shots->addWidget(count_);

    save_ = makeButton(QStringLiteral("&Save group\u2026"), "saveGroup",
                       QStringLiteral("Write the shots as a group file and show its statistics (Ctrl+S)"));
    close_ = makeButton(QStringLiteral("Close"), "close", QStringLiteral("Close this window (Esc)"));
    auto *end = new QHBoxLayout;
    end->addWidget(save_);
    end->addWidget(close_);

    auto *side = new QVBoxLayout;
    side->addWidget(calibrationBox);
    side->addWidget(shotsBox);
    side->addStretch(1);
    side->addLayout(end);
    auto *sidePanel = new QWidget;
    sidePanel->setLayout(side);
    sidePanel->setFixedWidth(360);

    auto *middle = new QHBoxLayout;
    middle->addWidget(view_, 1);
    middle->addWidget(sidePanel);

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setAccessibleName(QStringLiteral("Status"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(status_);

    // The order of work: the picture, its calibration, the shots, saving.
    QWidget *order[] = {open_,     zoomIn_,   zoomOut_,   fit_,         view_,   byDpi_, dpi_,
                        pickAim_,  byPoints_, addPoints_, removePoint_, points_, snap_,  calibre_,
                        expected_, find_,     addShots_,  deleteShot_,  save_,   close_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(open_, &QPushButton::clicked, this, &TargetWindow::askAndOpen);
    connect(zoomIn_, &QPushButton::clicked, this, [this] { view_->zoom(kZoomStep); });
    connect(zoomOut_, &QPushButton::clicked, this, [this] { view_->zoom(1 / kZoomStep); });
    connect(fit_, &QPushButton::clicked, this, [this] { view_->fitInView(pixmap_, Qt::KeepAspectRatio); });
    connect(pickAim_, &QPushButton::toggled, this, [this](bool on) { setMode(on ? Mode::Aim : Mode::None); });
    connect(addPoints_, &QPushButton::toggled, this, [this](bool on) { setMode(on ? Mode::Points : Mode::None); });
    connect(addShots_, &QPushButton::toggled, this, [this](bool on) { setMode(on ? Mode::Shots : Mode::None); });
    connect(byDpi_, &QRadioButton::toggled, this, &TargetWindow::calibrationChanged);
    connect(dpi_, &QLineEdit::textEdited, this, &TargetWindow::calibrationChanged);
    connect(points_, &QTableWidget::itemChanged, this, &TargetWindow::calibrationChanged);
    connect(removePoint_, &QPushButton::clicked, this, [this] {
        const QModelIndexList rows = points_->selectionModel()->selectedRows();
        QList<int> numbers;
        for (const QModelIndex &row : rows)
            numbers << row.row();
        std::sort(numbers.rbegin(), numbers.rend());
        for (const int row : numbers)
            points_->removeRow(row);
        calibrationChanged();
    });
    connect(calibre_, &QLineEdit::textEdited, this, [this] {
        for (ShotMarker *marker : shots_) {
            const double r = markerRadius();
            marker->setRect(-r, -r, 2 * r, 2 * r);
        }
    });
    connect(expected_, &QSpinBox::valueChanged, this, &TargetWindow::updateCount);
    connect(find_, &QPushButton::clicked, this, &TargetWindow::findHoles);
    connect(deleteShot_, &QPushButton::clicked, this, &TargetWindow::deleteSelected);
    connect(save_, &QPushButton::clicked, this, &TargetWindow::askAndSave);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(scene_, &QGraphicsScene::selectionChanged, this,
            [this] { deleteShot_->setEnabled(!scene_->selectedItems().isEmpty()); });
    deleteShot_->setEnabled(false);

    const auto addKey = [this](const QKeySequence &key, auto slot) {
        auto *action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    addKey(QKeySequence(Qt::CTRL | Qt::Key_O), &TargetWindow::askAndOpen);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_F), &TargetWindow::findHoles);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_S), &TargetWindow::askAndSave);
    addKey(QKeySequence(Qt::Key_Escape), &QWidget::close);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { view_->zoom(kZoomStep); });
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { view_->zoom(1 / kZoomStep); });
    addKey(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { view_->fitInView(pixmap_, Qt::KeepAspectRatio); });
}

void TargetWindow::setMode(Mode mode)
{
    mode_ = mode;
    // One mode at a time: turning one on turns the others off.
    const QSignalBlocker a(pickAim_), p(addPoints_), s(addShots_);
    pickAim_->setChecked(mode == Mode::Aim);
    addPoints_->setChecked(mode == Mode::Points);
    addShots_->setChecked(mode == Mode::Shots);
    if (mode == Mode::Aim)
        byDpi_->setChecked(true);
    if (mode == Mode::Points)
        byPoints_->setChecked(true);
    view_->viewport()->setCursor(mode == Mode::None ? Qt::ArrowCursor : Qt::CrossCursor);
}

void TargetWindow::say(const QString &text, bool failure)
{
    status_->setText(text);
    status_->setStyleSheet(failure ? QLatin1String(kFailureStyle) : QString());
}

bool TargetWindow::confirm(const QString &question)
{
    QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText); // paths are shown as they are
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

cep::scan::GreyPicture TargetWindow::greyPicture() const
{
    return {grey_.constBits(), grey_.width(), grey_.height(), grey_.bytesPerLine()};
}

void TargetWindow::askAndOpen()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open target picture"),
                                     picturePath_.isEmpty() ? QDir::homePath() : QFileInfo(picturePath_).path(),
                                     QStringLiteral("Pictures (*.png *.jpg *.jpeg *.tif *.tiff);;All files (*)"),
                                     nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        openPicture(path);
}

QString TargetWindow::openPicture(const QString &path)
{
    if (unsaved_ && !shots_.empty() &&
        !confirm(
            QStringLiteral("The %1 shots shown are not saved. Open another picture all the same?").arg(shots_.size())))
        return QStringLiteral("Kept the picture shown.");
    const cep::picture::TargetPicture picture = cep::picture::ReadTargetPicture(path, QDir::toNativeSeparators(path));
    if (!picture.problem.isEmpty()) {
        say(picture.problem, true);
        return picture.problem;
    }
    const QImage &image = picture.image;
    for (ShotMarker *marker : shots_)
        delete marker;
    shots_.clear();
    unsaved_ = false;
    grey_ = picture.grey;
    picturePath_ = path;
    pixmap_->setPixmap(QPixmap::fromImage(image));
    scene_->setSceneRect(pixmap_->boundingRect());
    pictureName_->setText(QDir::toNativeSeparators(path));
    setWindowTitle(QStringLiteral("Group from target picture: ") + QFileInfo(path).fileName());
    aim_.reset();
    aimLabel_->setText(QStringLiteral("Aim: not set"));
    points_->setRowCount(0);
    const double dpi = picture.statedDpi;
    dpi_->setText(dpi > 0 ? QString::number(dpi, 'g', 6) : QString());
    view_->fitInView(pixmap_, Qt::KeepAspectRatio);
    updateCount();
    say(QStringLiteral("%1 \u00d7 %2 pixels%3. Calibrate, give the calibre, then Find holes.")
            .arg(image.width())
            .arg(image.height())
            .arg(dpi > 0 ? QStringLiteral(", %1 dpi stated").arg(dpi_->text())
                         : QStringLiteral(", no resolution stated")));
    return QString();
}

QPointF TargetWindow::snapped(QPointF pixel, QString &moved) const
{
    moved.clear();
    if (!snap_->isChecked())
        return pixel;
    const double reach = std::max(kLeastSnapReach, kSnapReachOnScreen / view_->transform().m11());
    const auto crossing = cep::scan::NearestCrossing(greyPicture(), {pixel.x(), pixel.y()}, reach);
    if (!crossing) {
        moved = QStringLiteral("no crossing");
        return pixel;
    }
    moved = decimals(std::hypot(crossing->x - pixel.x(), crossing->y - pixel.y()), 1);
    return {crossing->x, crossing->y};
}

void TargetWindow::clickPicture(QPointF pixel, Qt::KeyboardModifiers modifiers)
{
    if (grey_.isNull() || !grey_.rect().contains(pixel.toPoint()))
        return;
    if (modifiers & Qt::ControlModifier || mode_ == Mode::Shots) {
        addShot(pixel, std::nullopt);
        say(QStringLiteral("Shot %1 added.").arg(shots_.size()));
        return;
    }
    QString moved;
    if (mode_ == Mode::Aim) {
        aim_ = snapped(pixel, moved);
        aimLabel_->setText(QStringLiteral("Aim: %1, %2 px").arg(decimals(aim_->x(), 1), decimals(aim_->y(), 1)));
        say(moved.isEmpty() ? QStringLiteral("Aim set.")
            : moved == QLatin1String("no crossing")
                ? QStringLiteral("Aim set where clicked: no line crossing near it.")
                : QStringLiteral("Aim set on the nearest crossing, %1 px from the click.").arg(moved));
        setMode(Mode::None);
        calibrationChanged();
        return;
    }
    if (mode_ == Mode::Points) {
        const QPointF at = snapped(pixel, moved);
        const QSignalBlocker quiet(points_);
        const int row = points_->rowCount();
        points_->insertRow(row);
        const auto fixed = [](const QString &text) {
            auto *item = new QTableWidgetItem(text);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            return item;
        };
        points_->setItem(row, PixelX, fixed(decimals(at.x(), 1)));
        points_->setItem(row, PixelY, fixed(decimals(at.y(), 1)));
        points_->setItem(row, InchX, new QTableWidgetItem);
        points_->setItem(row, InchY, new QTableWidgetItem);
        points_->setItem(row, Moved, fixed(moved.isEmpty() ? QStringLiteral("off") : moved));
        points_->item(row, PixelX)->setData(Qt::UserRole, at.x());
        points_->item(row, PixelY)->setData(Qt::UserRole, at.y());
        say(QStringLiteral("Point %1 at %2, %3 px%4: type its X and Y in inches from the aim, y up.")
                .arg(row + 1)
                .arg(decimals(at.x(), 1), decimals(at.y(), 1),
                     moved.isEmpty()                         ? QString()
                     : moved == QLatin1String("no crossing") ? QStringLiteral(" (no line crossing near the click)")
                                                             : QStringLiteral(" (snapped %1 px)").arg(moved)));
        calibrationChanged();
    }
}

std::optional<cep::scan::Calibration> TargetWindow::calibration(QString &problem) const
{
    if (grey_.isNull()) {
        problem = QStringLiteral("Open a picture of the target first.");
        return std::nullopt;
    }
    cep::Outcome<cep::scan::Calibration> made = cep::MakeFailure(cep::FailureKind::CalibrationFailure, "");
    if (byDpi_->isChecked()) {
        double dpi = 0;
        if (!cep::scan::ParseNumber(dpi_->text().trimmed().toStdString(), dpi)) {
            problem = QStringLiteral("Calibration failure: give the dots per inch the picture was scanned at.");
            return std::nullopt;
        }
        if (!aim_) {
            problem = QStringLiteral("Calibration failure: click \u201cClick the aim\u201d, then the point of aim.");
            return std::nullopt;
        }
        made = cep::scan::CalibrateByDpi(dpi, {aim_->x(), aim_->y()});
    } else {
        std::vector<cep::scan::PointPair> pairs;
        for (int row = 0; row < points_->rowCount(); ++row) {
            cep::scan::PointPair pair;
            pair.pixel = {points_->item(row, PixelX)->data(Qt::UserRole).toDouble(),
                          points_->item(row, PixelY)->data(Qt::UserRole).toDouble()};
            const auto typed = [&](int column) { return points_->item(row, column)->text().trimmed().toStdString(); };
            if (!cep::scan::ParseNumber(typed(InchX), pair.target.x) ||
                !cep::scan::ParseNumber(typed(InchY), pair.target.y)) {
                problem = QStringLiteral("Calibration failure: point %1 needs its X and Y in inches.").arg(row + 1);
                return std::nullopt;
            }
            pairs.push_back(pair);
        }
        made = cep::scan::CalibrateByPoints(pairs);
    }
    if (!made) {
        problem = QString::fromStdString(made.failure().message);
        return std::nullopt;
    }
    return made.value();
}

std::optional<double> TargetWindow::calibre(QString &problem) const
{
    const auto parsed = cep::scan::ParseCalibre(calibre_->text().trimmed().toStdString());
    if (!parsed) {
        problem = QString::fromStdString(parsed.failure().message);
        return std::nullopt;
    }
    return parsed.value();
}

double TargetWindow::markerRadius() const
{
    QString ignored;
    const auto inches = calibre(ignored);
    const auto made = calibration(ignored);
    if (!inches || !made)
        return kLeastMarkerRadius;
    return std::max(kLeastMarkerRadius, *inches / 2 * made->pixelsPerInch);
}

// The found shots' inches hold for the calibration they were found with only.
void TargetWindow::calibrationChanged()
{
    for (ShotMarker *marker : shots_)
        marker->forgetFoundAt();
}

void TargetWindow::findHoles()
{
    QString problem;
    const auto made = calibration(problem);
    const auto inches = made ? calibre(problem) : std::nullopt;
    if (!made || !inches) {
        say(problem, true);
        return;
    }
    if (unsaved_ && !shots_.empty() &&
        !confirm(QStringLiteral("Find holes replaces the %1 shots shown. Go on?").arg(shots_.size())))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto found = cep::scan::FindShots(greyPicture(), *made, {*inches, expected_->value()});
    QApplication::restoreOverrideCursor();
    if (!found) {
        say(QString::fromStdString(found.failure().message), true);
        return;
    }
    for (ShotMarker *marker : shots_)
        delete marker;
    shots_.clear();
    for (const cep::scan::FoundShot &shot : found.value().shots)
        addShot({shot.pixel.x, shot.pixel.y}, shot);
    QStringList lines;
    for (const std::string &warning : cep::scan::CalibrationWarnings(*made))
        lines << QStringLiteral("Warning: ") + QString::fromStdString(warning);
    for (const std::string &warning : found.value().warnings)
        lines << QStringLiteral("Warning: ") + QString::fromStdString(warning);
    if (shots_.empty())
        lines.prepend(QStringLiteral("No holes found."));
    say(lines.join(QLatin1Char('\n')), !lines.isEmpty());
    unsaved_ = !shots_.empty();
}

void TargetWindow::addShot(QPointF pixel, std::optional<cep::scan::FoundShot> found)
{
    auto *marker = new ShotMarker(pixel, markerRadius(), std::move(found), [this](ShotMarker *m) { shotMoved(m); });
    scene_->addItem(marker);
    shots_.push_back(marker);
    unsaved_ = true;
    renumber();
    updateCount();
}

void TargetWindow::shotMoved(ShotMarker *)
{
    unsaved_ = true;
}

void TargetWindow::deleteSelected()
{
    std::vector<ShotMarker *> kept;
    for (ShotMarker *marker : shots_) {
        if (marker->isSelected())
            delete marker;
        else
            kept.push_back(marker);
    }
    if (kept.size() == shots_.size())
        return;
    say(QStringLiteral("%1 deleted.")
            .arg(shots_.size() - kept.size() == 1 ? QStringLiteral("Shot")
                                                  : QStringLiteral("%1 shots").arg(shots_.size() - kept.size())));
    shots_ = kept;
    unsaved_ = true;
    renumber();
    updateCount();
}

void TargetWindow::renumber()
{
    for (std::size_t i = 0; i < shots_.size(); ++i)
        shots_[i]->setNumber(static_cast<int>(i + 1));
}

void TargetWindow::updateCount()
{
    const auto n = static_cast<int>(shots_.size());
    QString text = n == 1 ? QStringLiteral("1 shot found") : QStringLiteral("%1 shots found").arg(n);
    if (expected_->value() > 0)
        text += QStringLiteral("; %1 expected").arg(expected_->value());
    count_->setText(text);
    save_->setEnabled(n > 0);
}

std::vector<QPointF> TargetWindow::shotPixels() const
{
    std::vector<QPointF> pixels;
    for (const ShotMarker *marker : shots_)
        pixels.push_back(marker->pos());
    return pixels;
}

void TargetWindow::askAndSave()
{
    if (shots_.empty())
        return;
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/yourdata");
    const QString name = QFileInfo(picturePath_).completeBaseName() + QStringLiteral(".grp");
    // The question about an existing file is ours, asked once, in saveGroup.
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save group"), QDir(folder).filePath(name),
                                                QStringLiteral("Group File Format (*.grp)"), nullptr,
                                                QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".grp");
    saveGroup(path);
}

QString TargetWindow::saveGroup(const QString &path)
{
    QString problem;
    const auto made = calibration(problem);
    const auto inches = made ? calibre(problem) : std::nullopt;
    if (!made || !inches) {
        say(problem, true);
        return problem;
    }
    std::vector<cep::scan::TargetPoint> shots;
    for (const ShotMarker *marker : shots_) {
        const auto found = marker->foundAt();
        shots.push_back(found && std::isfinite(found->x)
                            ? *found
                            : cep::scan::ToTarget(*made, {marker->pos().x(), marker->pos().y()}));
    }
    const std::string text = cep::scan::GroupFileText(QFileInfo(picturePath_).fileName().toStdString(), *inches,
                                                      QDate::currentDate().toString(Qt::ISODate).toStdString(), shots);
    const QString shown = QDir::toNativeSeparators(path);
    const std::string file = path.toStdString();
    int error = 0;
    if (QFileInfo::exists(path)) {
        if (QFileInfo(path).isDir()) {
            problem = QStringLiteral("File access failure: ") + shown + QStringLiteral(" is a folder; nothing saved.");
            say(problem, true);
            return problem;
        }
        if (!confirm(shown + QStringLiteral(" already exists. Replace it?"))) {
            problem = QStringLiteral("Not saved: ") + shown + QStringLiteral(" is kept as it was.");
            say(problem);
            return problem;
        }
        error = cep::os::ReplaceWhole(file, text);
    } else {
        error = cep::os::CreateNew(file, text);
    }
    if (error != 0) {
        problem = QStringLiteral("File access failure: could not write ") + shown + QStringLiteral(" (") +
                  QString::fromStdString(cep::SystemErrorText(error)) + QStringLiteral(").");
        say(problem, true);
        return problem;
    }
    unsaved_ = false;
    say(QStringLiteral("Saved ") + shown);
    auto *stats = new StatisticsWindow({path, QString(), range_}, parentWidget());
    stats->show();
    return QString();
}

QWidget *OpenTargetWindow(const cepui::StatisticsRequest &request, QWidget *owner, QString &)
{
    auto *window = new TargetWindow(request, owner);
    window->show();
    return window;
}

} // namespace cepstats

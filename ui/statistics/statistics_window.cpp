// SPDX-License-Identifier: MIT
#include "ui/statistics/statistics_window.h"

#include "core/group_notes.h"
#include "core/group_pool.h"
#include "core/group_stats.h"
#include "ui/statistics/group_picture.h"
#include "ui/statistics/picture_files.h"
#include "writers/stats_writers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <QtMath>

#include <span>
#include <string>
#include <utility>

namespace cepstats {

namespace {

// The levels offered, cep-report's default in the middle.
constexpr double kLevels[] = {0.90, 0.95, 0.99};
constexpr int kDefaultLevel = 1;

// The panel above the pictures, in colours that stand out on any desktop
// theme and keep dark text on a light ground.
const char *const kWarningsStyle =
    "QLabel { background: #fff4ce; color: #3b2f00; border: 1px solid #c9a100; padding: 6px; }";
const char *const kFailureStyle =
    "QLabel { background: #fde7e9; color: #5c0009; border: 1px solid #c50f1f; padding: 6px; }";

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

// The units the target and click boxes offer, as shown and as cep-report
// writes them after the number; the first is the default.
const std::pair<const char *, const char *> kTargetUnits[] = {
    {"in", "in"}, {"cm", "cm"}, {"mm", "mm"}, {"MOA", "moa"}, {"mil", "mil"}};
const std::pair<const char *, const char *> kClickUnits[] = {{"MOA", "moa"}, {"mil", "mil"}, {"in", "in"}};
const char *const kDefaultClick = "0.25";

// One file as cep-report --stats reads it, with its move to the point of aim
// and, when asked, the chance of a hit.
cep::writers::NamedStats readGroup(const QString &path, const QString &range, double level,
                                   const cep::AimingOptions &aiming)
{
    return cep::writers::ReadNamedStats(path.toStdString(), range.toStdString(), level, {}, false, &aiming);
}

// A box's number as cep-report reads it, with its unit: the period or a comma
// as the decimal mark, whatever the desktop's language.
std::string optionText(const QLineEdit *box, const QComboBox *unit)
{
    QString number = box->text().trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    return (number + unit->currentData().toString()).toStdString();
}

QComboBox *unitChoice(const char *name, const QString &accessibleName,
                      std::span<const std::pair<const char *, const char *>> units)
{
    auto *choice = new QComboBox;
    choice->setObjectName(QLatin1String(name));
    for (const auto &[shown, written] : units)
        choice->addItem(QLatin1String(shown), QLatin1String(written));
    choice->setAccessibleName(accessibleName);
    return choice;
}

QByteArray svgOf(const cep::writers::NamedStats &g)
{
    return QByteArray::fromStdString(cep::writers::GroupSvg(g.name, g.stats.value(), g.shots));
}

// The notes a shooter must not miss, in the panel's words: flyers and an
// elongated group (shots are never left out here).
QStringList panelLines(const std::vector<cep::Note> &notes, const std::string &nameA = {},
                       const std::string &nameB = {})
{
    QStringList lines;
    for (const cep::Note &note : notes) {
        if (note.kind == cep::NoteKind::Flyer || note.kind == cep::NoteKind::Elongated)
            lines << fromStd(cep::writers::NoteText(note, nameA, nameB));
    }
    return lines;
}

QPushButton *makeButton(const QString &text, const char *name)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

StatisticsWindow::StatisticsWindow(const cepui::StatisticsRequest &request, QWidget *owner)
    : QWidget(owner, Qt::Window), range_(request.range)
{
    setObjectName(QStringLiteral("StatisticsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    pooling_ = !request.pooledPaths.isEmpty();
    if (pooling_) {
        paths_ = request.pooledPaths;
        QStringList names;
        for (const QString &path : paths_)
            names << QFileInfo(path).fileName();
        setWindowTitle(QStringLiteral("Pool of %1 groups: ").arg(paths_.size()) + names.join(QStringLiteral(", ")));
    } else {
        paths_ << request.path;
        if (!request.comparedPath.isEmpty())
            paths_ << request.comparedPath;
        const QString nameA = QFileInfo(request.path).fileName();
        setWindowTitle(paths_.size() == 1 ? QStringLiteral("Group statistics: ") + nameA
                                          : QStringLiteral("Compare: ") + nameA + QStringLiteral(" with ") +
                                                QFileInfo(request.comparedPath).fileName());
    }
    createControls();
    refresh();
    fitToScreen();
}

void StatisticsWindow::createControls()
{
    const bool comparing = !pooling_ && paths_.size() == 2;

    rangeLabel_ = new QLabel(QStringLiteral("Range (yards): ") + range_);
    rangeLabel_->setObjectName(QStringLiteral("range"));
    rangeLabel_->setTextFormat(Qt::PlainText);
    rangeLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    level_ = new QComboBox;
    level_->setObjectName(QStringLiteral("level"));
    for (const double level : kLevels)
        level_->addItem(QString::number(qRound(level * 100)) + QLatin1Char('%'), level);
    level_->setCurrentIndex(kDefaultLevel);
    level_->setAccessibleName(QStringLiteral("Confidence level"));
    auto *levelLabel = new QLabel(QStringLiteral("Confidence &level:"));
    levelLabel->setBuddy(level_);

    refresh_ = makeButton(QStringLiteral("&Refresh"), "refresh");
    refresh_->setToolTip(QStringLiteral("Read the file again (F5)"));
    save_ = makeButton(QStringLiteral("&Save picture\u2026"), "savePicture");
    save_->setToolTip(QStringLiteral("Save the picture as SVG, PNG or PDF (Ctrl+S)"));
    copy_ = makeButton(QStringLiteral("&Copy"), "copy");
    copy_->setToolTip(QStringLiteral("Copy the text to the clipboard"));
    close_ = makeButton(QStringLiteral("Close"), "close");
    close_->setToolTip(QStringLiteral("Close this window (Esc)"));

    auto *controls = new QHBoxLayout;
    controls->addWidget(rangeLabel_);
    controls->addSpacing(16);
    controls->addWidget(levelLabel);
    controls->addWidget(level_);
    controls->addStretch(1);
    for (QPushButton *button : {refresh_, save_, copy_, close_})
        controls->addWidget(button);

    alerts_ = new QLabel;
    alerts_->setObjectName(QStringLiteral("alerts"));
    alerts_->setTextFormat(Qt::PlainText);
    alerts_->setWordWrap(true);
    alerts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    alerts_->setVisible(false);

    textView_ = new QPlainTextEdit;
    textView_->setObjectName(QStringLiteral("text"));
    textView_->setReadOnly(true);
    textView_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    textView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    textView_->setTabChangesFocus(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(9);
    textView_->setFont(fixed);
    textView_->setAccessibleName(comparing ? QStringLiteral("Comparison text") : QStringLiteral("Statistics text"));

    auto *pictures = new QWidget;
    auto *row = new QHBoxLayout(pictures);
    row->setContentsMargins(0, 0, 0, 0);
    for (qsizetype i = 0; i < (comparing ? 2 : 1); ++i) {
        auto *picture = new GroupPicture;
        picture->setObjectName(i == 0 ? QStringLiteral("picture") : QStringLiteral("picture2"));
        if (comparing)
            picture->setAccessibleName(QStringLiteral("Picture of group ") + QLatin1Char(i == 0 ? 'A' : 'B'));
        row->addWidget(picture);
        pictures_.push_back(picture);
    }

    // One group: the picture beside the text; two: side by side over it.
    split_ = new QSplitter(comparing ? Qt::Vertical : Qt::Horizontal);
    split_->setChildrenCollapsible(false);
    split_->addWidget(pictures);
    split_->addWidget(textView_);
    split_->setStretchFactor(0, 3);
    split_->setStretchFactor(1, 1);

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setAccessibleName(QStringLiteral("Status"));

    // A group or pool: what the shooter aims at and what the turret's clicks
    // move, as cep-report's --target and --click take them.
    auto *aiming = new QHBoxLayout;
    if (!comparing) {
        target_ = new QLineEdit;
        target_->setObjectName(QStringLiteral("target"));
        target_->setPlaceholderText(QStringLiteral("none"));
        target_->setAccessibleName(QStringLiteral("Target diameter"));
        target_->setToolTip(QStringLiteral("The diameter of a round target about the point of aim, for the chance "
                                           "of a hit; empty for none"));
        targetUnit_ = unitChoice("targetUnit", QStringLiteral("Target diameter unit"), kTargetUnits);
        click_ = new QLineEdit(QLatin1String(kDefaultClick));
        click_->setObjectName(QStringLiteral("click"));
        click_->setAccessibleName(QStringLiteral("Click value"));
        click_->setToolTip(QStringLiteral("What one click of the turret moves: 0.25, 1/8 or 0.1 in the unit beside "
                                          "it (in: inches at 100 yards)"));
        clickUnit_ = unitChoice("clickUnit", QStringLiteral("Click value unit"), kClickUnits);
        for (QLineEdit *box : {target_, click_})
            box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000.000")) + 16);
        auto *targetLabel = new QLabel(QStringLiteral("&Target:"));
        targetLabel->setBuddy(target_);
        auto *clickLabel = new QLabel(QStringLiteral("Cl&ick:"));
        clickLabel->setBuddy(click_);
        aiming->addWidget(targetLabel);
        aiming->addWidget(target_);
        aiming->addWidget(targetUnit_);
        aiming->addSpacing(16);
        aiming->addWidget(clickLabel);
        aiming->addWidget(click_);
        aiming->addWidget(clickUnit_);
        aiming->addStretch(1);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(aiming);
    layout->addWidget(alerts_);
    layout->addWidget(split_, 1);
    layout->addWidget(status_);

    if (comparing) {
        setTabOrder(level_, refresh_);
    } else {
        setTabOrder(level_, target_);
        setTabOrder(target_, targetUnit_);
        setTabOrder(targetUnit_, click_);
        setTabOrder(click_, clickUnit_);
        setTabOrder(clickUnit_, refresh_);
        // A box is read when the user is done with it.
        for (QLineEdit *box : {target_, click_})
            connect(box, &QLineEdit::editingFinished, this, &StatisticsWindow::refresh);
        for (QComboBox *unit : {targetUnit_, clickUnit_})
            connect(unit, &QComboBox::currentIndexChanged, this, &StatisticsWindow::refresh);
    }
    setTabOrder(refresh_, save_);
    setTabOrder(save_, copy_);
    setTabOrder(copy_, close_);
    setTabOrder(close_, textView_);

    connect(level_, &QComboBox::currentIndexChanged, this, &StatisticsWindow::refresh);
    connect(refresh_, &QPushButton::clicked, this, &StatisticsWindow::refresh);
    connect(save_, &QPushButton::clicked, this, &StatisticsWindow::askAndSavePicture);
    connect(copy_, &QPushButton::clicked, this, &StatisticsWindow::copyText);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    // Keys of their own beside the buttons' access keys.
    const auto addKey = [this](const QKeySequence &key, auto slot) {
        auto *action = new QAction(this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    addKey(QKeySequence(Qt::Key_F5), &StatisticsWindow::refresh);
    addKey(QKeySequence(Qt::Key_Escape), &QWidget::close);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_S), &StatisticsWindow::askAndSavePicture);
}

// The text block's widest line in full where the screen has room, the
// pictures the rest; on a small screen the pictures come first.
void StatisticsWindow::fitToScreen()
{
    const bool comparing = !pooling_ && paths_.size() == 2;
    const QFontMetrics metrics(textView_->font());
    int widest = metrics.horizontalAdvance(QString(60, QLatin1Char('0')));
    for (const QString &line : text_.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    int textWidth = widest + 2 * textView_->frameWidth() + qCeil(2 * textView_->document()->documentMargin()) +
                    textView_->verticalScrollBar()->sizeHint().width() + 4;
    QSize wanted = comparing ? QSize(qMax(1180, textWidth + 40), 940) : QSize(620 + textWidth, 720);
    if (const QScreen *where = screen())
        wanted = wanted.boundedTo(where->availableGeometry().size() * 0.95);
    resize(wanted);
    if (comparing) {
        // The comparison is a few lines: the pictures take the rest.
        const int lines = qMax<int>(8, static_cast<int>(text_.count(QLatin1Char('\n'))) + 2);
        const int textHeight =
            qMin(lines * metrics.lineSpacing() + 2 * textView_->frameWidth() + 12, wanted.height() / 3);
        split_->setSizes({wanted.height() - textHeight, textHeight});
    } else {
        textWidth = qMin(textWidth, wanted.width() * 3 / 5);
        split_->setSizes({wanted.width() - textWidth, textWidth});
    }
}

void StatisticsWindow::refresh()
{
    // A value the boxes cannot take is named, and the figures stay those of
    // the last values that were good.
    const QString problem = readAiming();
    const double level = level_->currentData().toDouble();
    if (pooling_)
        refreshPool(level);
    else
        refreshGroups(level);
    if (!problem.isEmpty())
        status_->setText(problem);
}

QString StatisticsWindow::readAiming()
{
    if (target_ == nullptr)
        return {};
    cep::AimingOptions read = aiming_;
    QString problem;
    if (target_->text().trimmed().isEmpty()) {
        read.target.reset();
    } else if (const auto size = cep::ParseTargetSize(optionText(target_, targetUnit_))) {
        read.target = size;
    } else {
        problem = QStringLiteral("The target diameter \"") + target_->text().trimmed() + QLatin1Char(' ') +
                  targetUnit_->currentText() +
                  QStringLiteral("\" is not one: give a number above zero (an angle under half a turn), or "
                                 "leave the box empty for no target.");
    }
    if (const auto click = cep::ParseClickValue(optionText(click_, clickUnit_))) {
        read.click = *click;
    } else {
        problem += QLatin1String(problem.isEmpty() ? "" : " ") + QStringLiteral("The click value \"") +
                   click_->text().trimmed() + QLatin1Char(' ') + clickUnit_->currentText() +
                   QStringLiteral("\" is not one: give a number or fraction above zero, as 0.25 or 1/8.");
    }
    aiming_ = read; // what was good of the two
    if (!problem.isEmpty())
        problem += QStringLiteral(" The figures are for the last values that were good.");
    return problem;
}

void StatisticsWindow::refreshGroups(double level)
{
    const bool comparing = paths_.size() == 2;
    std::vector<cep::writers::NamedStats> groups;
    QStringList failures;
    QStringList warnings;
    for (const QString &path : paths_) {
        const cep::writers::NamedStats &g = groups.emplace_back(readGroup(path, range_, level, aiming_));
        // With two files, each line says which one it is about.
        const QString about = comparing ? fromStd(g.name) + QStringLiteral(": ") : QString();
        if (!g.stats)
            failures << about + fromStd(g.stats.failure().message);
        for (const cep::Note &note : cep::GroupNotes({}, g.warnings))
            warnings << about + fromStd(cep::writers::NoteText(note));
    }
    if (!failures.isEmpty()) {
        showAlerts(failures, warnings);
        showResult(QString(), {});
        return;
    }

    if (!comparing) {
        const cep::writers::NamedStats &g = groups.front();
        showAlerts({}, warnings + panelLines(cep::GroupNotes(g.stats.value())));
        const QByteArray svg = svgOf(g);
        showResult(fromStd(cep::writers::StatsText(g.name, g.stats.value(), g.advice ? &*g.advice : nullptr)), {svg},
                   svg);
        return;
    }
    const cep::writers::NamedStats &a = groups[0];
    const cep::writers::NamedStats &b = groups[1];
    const auto comparison = cep::CompareGroups(a.stats.value(), b.stats.value(), level);
    if (!comparison) {
        showAlerts({fromStd(comparison.failure().message)}, warnings);
        showResult(QString(), {});
        return;
    }
    // What the comparison rests on: round groups without flyers.
    showAlerts({}, warnings + panelLines(cep::ComparisonNotes(a.stats.value(), b.stats.value()), a.name, b.name));
    showResult(fromStd(cep::writers::CompareText(a.name, a.stats.value(), b.name, b.stats.value(), comparison.value())),
               {svgOf(a), svgOf(b)}, QByteArray::fromStdString(cep::writers::PairSvg(a, b)));
}

// Each file read as cep-report --stats --pool reads it; the pool of those
// that were read. The panel: each file's failure and data warnings, what the
// pool rests on, each group's flyers and shape.
void StatisticsWindow::refreshPool(double level)
{
    std::vector<cep::writers::NamedStats> files;
    QStringList failures;
    QStringList warnings;
    for (const QString &path : paths_) {
        const cep::writers::NamedStats &g = files.emplace_back(readGroup(path, range_, level, aiming_));
        const QString about = fromStd(g.name) + QStringLiteral(": ");
        if (!g.stats)
            failures << about + fromStd(g.stats.failure().message);
        for (const cep::Note &note : cep::GroupNotes({}, g.warnings))
            warnings << about + fromStd(cep::writers::NoteText(note));
    }
    std::vector<const cep::GroupStats *> groups;
    for (const cep::writers::NamedStats &file : files) {
        if (file.stats)
            groups.push_back(&file.stats.value());
    }
    const auto pool = cep::PoolGroups(groups, level);
    const auto advice =
        pool ? cep::Advise(cep::PoolDispersion(pool.value()), aiming_) : cep::Outcome<cep::Advice>(pool.failure());
    if (!advice) {
        showAlerts(failures << fromStd(advice.failure().message), warnings);
        showResult(QString(), {});
        return;
    }
    for (const cep::Note &note : cep::PoolNotes(pool.value()))
        warnings << fromStd(cep::writers::NoteText(note));
    for (const cep::writers::NamedStats &file : files) {
        if (!file.stats)
            continue;
        for (const QString &line : panelLines(cep::GroupNotes(file.stats.value())))
            warnings << fromStd(file.name) + QStringLiteral(": ") + line;
    }
    showAlerts(failures, warnings);
    const QByteArray svg = QByteArray::fromStdString(cep::writers::PoolSvg(files, pool.value()));
    showResult(fromStd(cep::writers::PoolText(files, pool.value(), advice.value())), {svg}, svg);
}

void StatisticsWindow::showAlerts(const QStringList &failures, const QStringList &warnings)
{
    const QStringList lines = failures + warnings;
    alerts_->setText(lines.join(QLatin1Char('\n')));
    alerts_->setStyleSheet(QLatin1String(failures.isEmpty() ? kWarningsStyle : kFailureStyle));
    alerts_->setAccessibleName(failures.isEmpty() ? QStringLiteral("Warnings") : QStringLiteral("Failure"));
    alerts_->setVisible(!lines.isEmpty());
}

// A failed read leaves no earlier figures or pictures behind.
void StatisticsWindow::showResult(const QString &text, const std::vector<QByteArray> &svgs, const QByteArray &saved)
{
    text_ = text;
    saved_ = saved;
    textView_->setPlainText(text);
    for (std::size_t i = 0; i < pictures_.size(); ++i)
        pictures_[i]->setSvg(i < svgs.size() ? svgs[i] : QByteArray());
    save_->setEnabled(!saved_.isEmpty());
    copy_->setEnabled(!text.isEmpty());
    status_->clear();
}

void StatisticsWindow::copyText()
{
    if (text_.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(text_);
    status_->setText(QStringLiteral("The text is on the clipboard."));
}

QString StatisticsWindow::savePicture(const QString &path)
{
    const QString problem = WritePicture(saved_, path);
    status_->setText(problem.isEmpty() ? QStringLiteral("Saved ") + QDir::toNativeSeparators(path) : problem);
    return problem;
}

void StatisticsWindow::askAndSavePicture()
{
    if (saved_.isEmpty())
        return;
    const QString svgFilter = QStringLiteral("SVG picture (*.svg)");
    const QString pngFilter = QStringLiteral("PNG image (*.png)");
    const QString pdfFilter = QStringLiteral("PDF page, true scale (*.pdf)");
    const QFileInfo group(paths_.front());
    // A comparison's picture is named after both groups.
    QString base = pooling_ ? QStringLiteral("pool") : group.completeBaseName();
    if (!pooling_ && paths_.size() == 2)
        base += QLatin1Char('-') + QFileInfo(paths_.back()).completeBaseName();
    QString chosenFilter = svgFilter;
    // Qt's own dialog, as the designed window's Open uses.
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"),
                                                group.dir().filePath(base + QStringLiteral(".svg")),
                                                QStringList{svgFilter, pngFilter, pdfFilter}.join(QStringLiteral(";;")),
                                                &chosenFilter, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    // A name without one of the three suffixes gets that of the type chosen.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("svg") && suffix != QLatin1String("png") && suffix != QLatin1String("pdf"))
        path += chosenFilter == pngFilter   ? QStringLiteral(".png")
                : chosenFilter == pdfFilter ? QStringLiteral(".pdf")
                                            : QStringLiteral(".svg");
    savePicture(path);
}

} // namespace cepstats

// SPDX-License-Identifier: MIT
// The window as a user sees and drives it: the real file dialog and message
// boxes, on files beside this test program, which stands in for the program's folder.
#include "ui/application_setup.h"
#include "ui/cepcalc.h"
#include "ui/statistics_module.h"
#ifdef CEP_STATISTICS_MODULE_BUILT
#include "ui/statistics/picture_files.h"
#endif
#ifdef CEP_TARGET_WINDOW_BUILT
#include "tests/scan/synthetic_target.h"
#endif

#include <QTest>
#include <QtWidgets>

#include <functional>
#include <memory>
#include <vector>

namespace {

enum Opener { Button, Menu, Compare, Pool };

const QByteArray kFive = "1.25,0 0,1.25 -1.25,0 0,-1.25 1.25,0"; // cep 1.25 about (0, 0)

QByteArray group(const QByteArray &count, QByteArray shots)
{
    return "Orvanta group file\r\n308 Win 175gr SMK\r\n" + count + "\r\n" + shots.replace(' ', "\r\n") + "\r\n";
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The diameters of the 50%, 93% and 99% circles, apart by spaces.
QString report(const QString &heading, const QString &diameters, const QString &verdict = {})
{
    const QString line = "%1% of the rounds will land within a circle %2 inches in diameter\r\n";
    const QStringList d = diameters.split(' ');
    return heading + "\r\n\r\n" + line.arg(50).arg(d[0]) + line.arg(93).arg(d[1]) + line.arg(99).arg(d[2]) + verdict;
}

const QString kExceeds = "This load exceeds 1-MOA (2.5) @ 95% CI";
const QString kRange1At100 = report("range1.grp (5-shot group at 100 yards)", "1.25 2.5 3.75", kExceeds);
const QStringList kRange1Shown = {"", kRange1At100, "Save"};
const QByteArray kRange1Record = "\"range1.grp\",100,1.25,2.5,3.75,2.5\r\n";

QString box(const char *icon, const QString &text)
{
    return QString(icon) + " | CEPcalc | OK | plain | " + text;
}

// Ends a modal (hiding ends a dialog whatever its buttons): describes a message box as box()
// does, or names any other modal. Its event loop ends only once this returns.
QString describe(QWidget *modal)
{
    const auto *m = qobject_cast<QMessageBox *>(modal);
    if (m == nullptr)
        return QString("<%1>").arg(modal->metaObject()->className());
    const QString buttons = m->standardButtons() == QMessageBox::Ok ? "OK" : "more";
    const QString format = m->textFormat() == Qt::PlainText ? "plain" : "markup";
    return QString("%1 | %2 | %3 | %4 | %5")
        .arg(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(m->icon()), m->windowTitle(), buttons, format,
             m->text());
}

QString answer(QWidget *modal)
{
    modal->hide();
    return describe(modal);
}

// Runs `act`; `handle` gets the first modal that comes up, ends it and says what it saw.
// Returns "" when none came up.
QString whileModal(const std::function<void()> &act, const std::function<QString(QWidget *)> &handle = answer)
{
    QString seen;
    QObject guard; // ends the timers on return
    std::function<void()> poll = [&] {
        if (QWidget *modal = QApplication::activeModalWidget())
            seen = handle(modal);
        else
            QTimer::singleShot(10, &guard, poll);
    };
    QTimer::singleShot(0, &guard, poll);
    QTimer::singleShot(8000, &guard, [&] { // ends what is still open: the test fails, not hangs
        for (int i = 0; i < 10 && QApplication::activeModalWidget() != nullptr; ++i)
            seen += " <left open> " + answer(QApplication::activeModalWidget());
    });
    act();
    QCoreApplication::processEvents(); // for a modal that comes up only then
    return seen;
}

// "" when the two images hold the same pixels, or where they first differ.
QString differences(const QImage &shown, const QImage &decoded)
{
    if (shown.size() != decoded.size())
        return QString("%1x%2 shown, %3x%4 decoded")
            .arg(shown.width())
            .arg(shown.height())
            .arg(decoded.width())
            .arg(decoded.height());
    const QImage a = shown.convertToFormat(QImage::Format_ARGB32), b = decoded.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    QString first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0)
                first = QString("(%1,%2) %3 shown, %4 decoded")
                            .arg(x)
                            .arg(y)
                            .arg(a.pixel(x, y), 8, 16, QChar(u'0'))
                            .arg(b.pixel(x, y), 8, 16, QChar(u'0'));
    return count == 0 ? QString() : QString("%1 differing pixels, the first at %2").arg(count).arg(first);
}

// The weight of the face a font is drawn with, as the face itself states it
// (its OS/2 table): the font's own weight only says what was asked for.
QString drawnWeight(const QFont &font)
{
    const QByteArray os2 = QRawFont::fromFont(font).fontTable("OS/2");
    if (os2.size() < 6)
        return "<no OS/2 table>";
    const int weight = uchar(os2[4]) << 8 | uchar(os2[5]);
    return weight == 700 ? "bold" : weight == 400 ? "regular" : QString::number(weight);
}

// The one font of the window's controls: the design's, which Windows has; on
// Linux the embedded family it maps to, asked for by its own name.
#ifdef _WIN32
const QString kFont = "MS Sans Serif 8.25";
#else
const QString kFont = "Liberation Sans 8.25 drawn in Liberation Sans";
#endif

const QString kSamples = CEP_SAMPLES_DIR;

// What cep-report prints for `args`: its output, then its error lines without "cep-report: FILE: ".
QStringList cepReport(const QStringList &args)
{
    QProcess report;
    report.start(CEP_REPORT, args);
    if (!report.waitForFinished(30000))
        return {"<cep-report did not finish>", ""};
    QStringList errors;
    for (const QString &line : QString::fromUtf8(report.readAllStandardError()).split('\n', Qt::SkipEmptyParts))
        errors << line.section(": ", 2);
    return {QString::fromUtf8(report.readAllStandardOutput()), errors.join('\n')};
}

bool blank(const QImage &image)
{
    QImage white(image.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    return image.convertToFormat(QImage::Format_RGB32) == white;
}

// What a statistics window shows: the panel above the pictures ("Warnings: ..." or "Failure: ..."),
// each picture drawn or blank, the text.
QStringList shownIn(const QWidget *stats)
{
    const auto *alerts = stats->findChild<QLabel *>("alerts");
    QStringList pictures;
    for (QWidget *picture : stats->findChildren<QWidget *>(QRegularExpression("^picture")))
        pictures << (blank(picture->grab().toImage()) ? "blank" : "drawn");
    return {alerts->isHidden() ? "" : alerts->accessibleName() + ": " + alerts->text(), pictures.join(' '),
            stats->findChild<QPlainTextEdit *>("text")->toPlainText()};
}

// The distances in points between neighbouring vertical lines stroked in the grid's grey (#dcdcdc) on
// a PDF's pages, through every transformation in force; each distance once, to 0.01 pt.
QStringList pdfGridSteps(const QByteArray &pdf)
{
    QList<double> xs;
    for (qsizetype at = pdf.indexOf("\nstream\n"), end; at >= 0 && (end = pdf.indexOf("endstream", at)) > 0;
         at = pdf.indexOf("\nstream\n", end)) {
        const QByteArray content = qUncompress(QByteArray("\x01\0\0\0", 4) + pdf.mid(at + 8, end - at - 8));
        QList<std::pair<QTransform, bool>> state{{QTransform(), false}}; // q/Q: the matrix, whether grid grey
        QList<double> o;
        QPointF moved;
        for (const QByteArray &token : content.simplified().split(' ')) {
            bool number = false;
            if (const double value = token.toDouble(&number); number) {
                o << value;
                continue;
            }
            if (token == "q")
                state << state.last();
            else if (token == "Q" && state.size() > 1)
                state.removeLast();
            else if (token == "cm" && o.size() == 6)
                state.last().first = QTransform(o[0], o[1], o[2], o[3], o[4], o[5]) * state.last().first;
            else if (token == "SCN")
                state.last().second = o.size() == 3 && qRound(o[0] * 255) == 220 && o[0] == o[1] && o[1] == o[2];
            else if (token == "m" && o.size() == 2)
                moved = QPointF(o[0], o[1]);
            else if (token == "l" && o.size() == 2 && state.last().second && o[0] == moved.x())
                xs << state.last().first.map(moved).x();
            o.clear();
        }
    }
    std::sort(xs.begin(), xs.end());
    QStringList steps;
    for (qsizetype i = 1; i < xs.size(); ++i)
        if (const QString step = QString::number(xs[i] - xs[i - 1], 'f', 2); !steps.contains(step))
            steps << step;
    return steps;
}

#ifdef CEP_TARGET_WINDOW_BUILT
// The holes of the synthetic target the picture window reads, inches from the aim.
const std::vector<cep::scan::TargetPoint> kHoles = {{0.6, 0.9}, {1.1, -0.4}, {-0.3, -1.2}, {-1.0, 0.35}, {0.3, -0.7}};

// A 4.5 in square grid sheet at 150 dpi with kHoles, as a PNG stating its
// resolution or not; the aim at pixel (337, 337).
bool writeTarget(const QString &path, bool statesDpi)
{
    cep::testing_support::TargetPlan plan;
    plan.width = plan.height = 4.5;
    plan.holes = kHoles;
    const auto target = cep::testing_support::RenderTarget(plan);
    QImage image(target.grey.data, target.grey.cols, target.grey.rows, int(target.grey.step),
                 QImage::Format_Grayscale8);
    image = image.copy();
    if (statesDpi)
        image.setDotsPerMeterX(qRound(150 / 0.0254)), image.setDotsPerMeterY(qRound(150 / 0.0254));
    return image.save(path, "PNG");
}

// The shots on the picture window's picture by their numbers: "number x,y" with the pixels to 0.001.
QStringList markers(QGraphicsView *view)
{
    QList<std::pair<int, QString>> found;
    for (QGraphicsItem *item : view->scene()->items()) {
        if (item->type() != QGraphicsEllipseItem::Type)
            continue;
        for (QGraphicsItem *child : item->childItems())
            if (auto *label = dynamic_cast<QGraphicsSimpleTextItem *>(child))
                found.push_back({label->text().toInt(), QString("%1 %2,%3")
                                                            .arg(label->text())
                                                            .arg(item->pos().x(), 0, 'f', 3)
                                                            .arg(item->pos().y(), 0, 'f', 3)});
    }
    std::sort(found.begin(), found.end());
    QStringList lines;
    for (const auto &f : found)
        lines << f.second;
    return lines;
}

// The view's point over the picture's pixel (x, y), shown at 1:1 about it; the picture at whole
// pixels of the view, so that the point's centre is the pixel's.
QPoint showPixel(QGraphicsView *view, double x, double y)
{
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view->resetTransform();
    view->centerOn(x + 0.5, y + 0.5);
    const QPointF at = view->viewportTransform().map(QPointF(x + 0.5, y + 0.5));
    return QPoint(qFloor(at.x()), qFloor(at.y()));
}

// The x,y lines of a group file.
QList<QPointF> groupShots(const QByteArray &file)
{
    QList<QPointF> shots;
    const QList<QByteArray> lines = file.split('\n');
    for (qsizetype i = 3; i < lines.size(); ++i) {
        const QList<QByteArray> xy = lines[i].trimmed().split(',');
        if (xy.size() == 2)
            shots << QPointF(xy[0].toDouble(), xy[1].toDouble());
    }
    return shots;
}
#endif

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "<none>";
}

} // namespace

class CepcalcTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<CEPcalc> window;
    QTemporaryDir elsewhere; // a folder outside the data folder
    const QString startDir = QDir::currentPath();
    const QString dataDir = QCoreApplication::applicationDirPath() + "/yourdata";
    const QString csvPath = QCoreApplication::applicationDirPath() + "/CEP.csv";
    // Paths as the window shows them to the user, with the system's separators.
    const QString shownCsv = QDir::toNativeSeparators(csvPath);
    const QString shownData = QDir::toNativeSeparators(dataDir);

    // From another folder, opens the file dialog and answers it as a user: goes to `folder` if given,
    // types `typed` and presses `key`. Returns what it showed: folder | name box | file types | files.
    QString chooseFile(Opener how, const QString &typed, int key = Qt::Key_Return, const QString &folder = {})
    {
        QDir::setCurrent(elsewhere.path());
        const auto open = [&] {
            if (how == Button)
                QTest::mouseClick(window->cmdInFile, Qt::LeftButton);
            else
                (how == Menu      ? window->mnuFileOpen
                 : how == Compare ? window->mnuStatsCompare
                                  : window->mnuStatsPool)
                    ->trigger();
        };
        return whileModal(open, [&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            auto *nameBox = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
            auto *types = dialog ? dialog->findChild<QComboBox *>("fileTypeCombo") : nullptr;
            auto *list = dialog ? dialog->findChild<QListView *>("listView") : nullptr;
            if (nameBox == nullptr || types == nullptr || list == nullptr || list->model() == nullptr)
                return answer(modal);
            const auto listed = [list] {
                QStringList names;
                for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                    names << list->model()->index(row, 0, list->rootIndex()).data().toString();
                names.sort();
                return names;
            };
            // The list fills in the background, and then its columns widen to fit their texts.
            (void)QTest::qWaitFor([&] { return listed().contains("range1.grp") && listed().contains("RANGE2.GRP"); });
            auto *details = dialog->findChild<QTreeView *>("treeView");
            const auto fit = [details] {
                for (int column = 0; details != nullptr && column < details->header()->count(); ++column) {
                    const QAbstractItemView *view = details; // where the width its texts need is public
                    if (details->header()->sectionSize(column) < view->sizeHintForColumn(column))
                        return false;
                }
                return details != nullptr && details->header()->length() <= details->viewport()->width();
            };
            (void)QTest::qWaitFor(fit, 2000);
            const QString seen = dialog->directory().absolutePath() + " | '" + nameBox->text() + "' | " +
                                 QString::number(types->count()) + " " + types->currentText() + " | " +
                                 listed().join(' ') + (fit() ? " | fits" : " | cut");
            // Typed into the focused box of the active dialog: an unfocused box is
            // overwritten when the typed name selects a file.
            dialog->activateWindow();
            (void)QTest::qWaitFor([dialog] { return QGuiApplication::focusWindow() == dialog->windowHandle(); });
            nameBox->setFocus();
            if (!folder.isEmpty())
                dialog->setDirectory(folder); // as a user's visit there would
            QTest::keyClicks(nameBox, typed);
            QTest::keyClick(nameBox, Qt::Key(key));
            return seen;
        });
    }

    // Chooses `typed`, enters `range`, clicks Calculate: what came up, the label, whether Save is available.
    QStringList calculateFor(const QString &typed, const QString &range = "100")
    {
        chooseFile(Button, typed);
        window->txtYards->setText(range);
        const QString shown = whileModal([this] { QTest::mouseClick(window->cmdDoIt, Qt::LeftButton); });
        return {shown, window->lblResults->text(), window->mnuFileSave->isEnabled() ? "Save" : ""};
    }

    QString clickSave()
    {
        return whileModal([this] { window->mnuFileSave->trigger(); });
    }

    // Everything choosing a file may change.
    QStringList state() const
    {
        return {window->GroupFilePath, window->GroupFileName, window->cmdDoIt->isEnabled() ? "yes" : "no",
                window->mnuFileSave->isEnabled() ? "yes" : "no", window->lblResults->text()};
    }

    // The statistics windows the designed window opened, the newest last.
    QList<QWidget *> statisticsWindows() const { return window->findChildren<QWidget *>("StatisticsWindow"); }

    QWidget *openStatistics(const QString &path, const QString &range = "100")
    {
        window->GroupFilePath = path;
        window->txtYards->setText(range);
        window->mnuStatsGroup->setEnabled(true);
        const QString shown = whileModal([this] { window->mnuStatsGroup->trigger(); });
        return shown.isEmpty() && !statisticsWindows().isEmpty() ? statisticsWindows().last() : nullptr;
    }

    // Save picture… in a statistics window, the name typed into the save dialog; what the window then says.
    QString savePictureOf(QWidget *stats, const QString &name)
    {
        whileModal([&] { QTest::mouseClick(stats->findChild<QPushButton *>("savePicture"), Qt::LeftButton); },
                   [&](QWidget *modal) {
                       auto *nameBox = modal->findChild<QLineEdit *>("fileNameEdit");
                       if (nameBox == nullptr)
                           return answer(modal);
                       nameBox->setText(elsewhere.filePath(name));
                       QTest::keyClick(nameBox, Qt::Key_Return);
                       return QString();
                   });
        return stats->findChild<QLabel *>("status")->text();
    }

    QList<QWidget *> targetWindows() const { return window->findChildren<QWidget *>("TargetWindow"); }

#ifdef CEP_TARGET_WINDOW_BUILT
    // Opens the picture window from the menu and `picture` in it through its file dialog.
    QWidget *openTarget(const QString &picture)
    {
        window->mnuStatsPicture->trigger();
        if (targetWindows().size() != 1)
            return nullptr;
        QWidget *target = targetWindows().first();
        const QString seen =
            whileModal([&] { QTest::mouseClick(target->findChild<QPushButton *>("openPicture"), Qt::LeftButton); },
                       [&](QWidget *modal) {
                           auto *nameBox = modal->findChild<QLineEdit *>("fileNameEdit");
                           if (nameBox == nullptr)
                               return answer(modal);
                           nameBox->setText(picture);
                           QTest::keyClick(nameBox, Qt::Key_Return);
                           return QString();
                       });
        return seen.isEmpty() ? target : nullptr;
    }

    // Clicks the picture's pixel (x, y), shown at 1:1.
    static void clickPixel(QWidget *target, double x, double y, Qt::KeyboardModifiers modifiers = {})
    {
        auto *view = target->findChild<QGraphicsView *>("targetView");
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, showPixel(view, x, y));
    }

    // Save group… with `name` typed into its dialog; then the folder it offered, the name, and the status.
    QString saveGroupAs(QWidget *target, const QString &name,
                        const std::function<QString(QWidget *)> &question = answer)
    {
        QString offered, asked;
        // The question about replacing a file comes after the dialog has gone.
        QTimer questions;
        connect(&questions, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                asked += question(box);
        });
        questions.start(10);
        whileModal([&] { QTest::mouseClick(target->findChild<QPushButton *>("saveGroup"), Qt::LeftButton); },
                   [&](QWidget *modal) {
                       auto *dialog = qobject_cast<QFileDialog *>(modal);
                       auto *nameBox = modal->findChild<QLineEdit *>("fileNameEdit");
                       if (dialog == nullptr || nameBox == nullptr)
                           return answer(modal);
                       offered = QDir::toNativeSeparators(dialog->directory().absolutePath()) + " | " + nameBox->text();
                       nameBox->setText(name);
                       QTest::keyClick(nameBox, Qt::Key_Return);
                       return QString();
                   });
        return offered + " | " + asked + " | " + target->findChild<QLabel *>("status")->text();
    }
#endif
    // The three groups of a session, in the data folder, and as typed into the dialog to choose them all.
    const QString kSessionsTyped = "\"session1.grp\" \"session2.grp\" \"session3.grp\"";
    void copySessions()
    {
        for (const QString name : {"session1.grp", "session2.grp", "session3.grp", "flyer7.grp", "strung10.grp"})
            QVERIFY(QFile::copy(kSamples + "/" + name, dataDir + "/" + name));
    }

    // Pool groups… with the files `typed` into its dialog, at `range`: the window it opened.
    QWidget *openPool(const QString &typed, const QString &range = "100")
    {
        window->txtYards->setText(range);
        const qsizetype before = statisticsWindows().size();
        chooseFile(Pool, typed);
        return statisticsWindows().size() > before ? statisticsWindows().last() : nullptr;
    }

    // Types `value` into a statistics window's box as a user does, then chooses `unit` beside it.
    static void enterAiming(QWidget *stats, const QString &box, const QString &value, const QString &unit)
    {
        auto *edit = stats->findChild<QLineEdit *>(box);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, value);
        QTest::keyClick(edit, Qt::Key_Return);
        auto *units = stats->findChild<QComboBox *>(box + "Unit");
        units->setCurrentIndex(units->findText(unit));
    }

    // Where the build made the module, the statistics cases run and it must be there.
    static bool moduleBuilt()
    {
#ifdef CEP_STATISTICS_MODULE_BUILT
        return true;
#else
        return false;
#endif
    }

private slots:
    void initTestCase()
    {
        cepui::setUpApplication();
        QVERIFY(elsewhere.isValid() && write(elsewhere.filePath("far.grp"), group("5", kFive)));
    }

    void init()
    {
        cleanup(); // whatever an earlier run left
        QVERIFY(QDir().mkpath(dataDir));
        const QList<std::pair<QString, QByteArray>> files = {
            {"range1.grp", group("5", kFive)},
            {"&lt;b&gt;x.grp", group("5", kFive)},
            {"notes.txt", "not a group file"},
            {"RANGE2.GRP", group("4", "0.5,0 0,0.5 -0.5,0 0,-0.5")}, // cep 0.5
            {"short.grp", "Orvanta group file\r\nno count line\r\n"}};
        for (const auto &[name, bytes] : files)
            QVERIFY2(write(dataDir + '/' + name, bytes), qPrintable(name));
        window = std::make_unique<CEPcalc>();
        window->showCentred();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup()
    {
        window.reset();
        QDir::setCurrent(startDir);
        QFile::remove(csvPath);
        QDir(csvPath).removeRecursively();
        QDir(dataDir).removeRecursively();
        QVERIFY(!QFileInfo::exists(csvPath) && !QFileInfo::exists(dataDir));
    }

    void layout()
    {
        QCOMPARE(state(), (QStringList{"", "", "no", "no", "Results..."}));
        QWidget *client = window->centralWidget();
        QCOMPARE(client->size(), QSize(573, 381));
        const QPoint off = window->frameGeometry().center() - window->screen()->availableGeometry().center();
        QVERIFY2(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1, qPrintable(QString("off %1,%2").arg(off.x()).arg(off.y())));

        // In twips, as designed (15 to a pixel), with each fixed text and the weight it is drawn in.
        const QStringList designed = {
            "cmdDoIt 1320 2760 2175 615 regular: Calculate CEP",
            "cmdInFile 3240 1320 495 375 regular: ",
            "imgCEP 4560 120 3870 3750 regular: ",
            "lblGroupFile 840 1440 2175 255 regular: Select a group file (*.GRP)",
            "lblIntro 120 120 4215 1095 bold: CEP is used as an intuitive measure of accuracy. Using any group file you "
            "have already created, Orvanta will calculate CEP for you and describe the results below in reference to "
            "the target graphic shown on the right.",
            "lblRange 840 1920 1935 375 regular: Range (yards)",
            "lblResults 120 3960 8295 1335 regular: Results...",
            "txtYards 2280 1920 1575 405 regular: 100",
            kFont}; // and the one font of them all
        const auto places = [client] {
            QStringList twips;
            QSet<QString> fonts;
            for (const QWidget *c : client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                QString text = c->property("text").toString(); // labels, buttons and the range box alike
                twips << QString("%1 %2 %3 %4 %5 %6: ")
                                 .arg(c->objectName())
                                 .arg(c->x() * 15)
                                 .arg(c->y() * 15)
                                 .arg(c->width() * 15)
                                 .arg(c->height() * 15)
                                 .arg(drawnWeight(c->font())) +
                             text;
                QString font = c->font().family() + " " + QString::number(c->font().pointSizeF());
#ifndef _WIN32
                font += " drawn in " + QFontInfo(c->font()).family();
#endif
                fonts << font;
            }
            twips.sort();
            return twips << fonts.values();
        };
        QCOMPARE(places(), designed);
        QCOMPARE(QStringList({window->windowTitle(), window->mnuFile->title(), window->mnuFileOpen->text(),
                              window->mnuFileSave->text(), QString::number(window->mnuFile->actions().size())}),
                 QStringList({"Circular Error Probability (CEP) Calculator", "File", "Open", "Save", "2"}));
        QCOMPARE(window->lblResults->alignment(), Qt::AlignHCenter | Qt::AlignTop);
        // The client area has no layout: resizing moves nothing.
        window->showMaximized();
        QTRY_VERIFY(client->width() > 573 && client->height() > 381);
        QCOMPARE(places(), designed);

        // The introduction fits, and so does a report on a long file name, with no line wrapped.
        QLabel *results = window->lblResults;
        results->setText(report("308 Win 175gr SMK 44.5gr Varget 2024-06-15.grp (10-shot group at 1000 yards)",
                                "18.888 37.776 56.664", "This load is shooting sub-MOA (0.849) @ 95% CI"));
        for (const QLabel *label : {window->lblIntro, results})
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
        QCOMPARE(results->heightForWidth(results->width()), results->heightForWidth(100000));
    }

    // The pictures as the window shows them, pixel for pixel as Qt's image
    // readers decode the files they are made from (some are decoded when the
    // program is built, not as it starts).
    void pictures_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QRgb>("transparent"); // the colour shown as transparent, if any
        QTest::newRow("target graphic") << "imgCEP"
                                        << "target.jpg" << QRgb(0);
        // The glyph is drawn on the classic button grey, which is left out on the button.
        QTest::newRow("folder glyph") << "cmdInFile"
                                      << "folder.bmp" << qRgb(192, 192, 192);
        // The icon comes from the PNG; Windows shows the .ico for the program file.
        QTest::newRow("window icon, the PNG") << "icon"
                                              << "cepcalc.png" << QRgb(0);
        QTest::newRow("window icon, the .ico") << "icon"
                                               << "cepcalc.ico" << QRgb(0);
    }

    void pictures()
    {
        QFETCH(QString, shown);
        QFETCH(QString, file);
        QFETCH(QRgb, transparent);
        QImageReader reader(CEP_RESOURCES_DIR "/" + file);
        QImage decoded = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!decoded.isNull(), qPrintable(reader.errorString()));
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x)
                if (transparent != 0 && decoded.pixel(x, y) == transparent)
                    decoded.setPixel(x, y, 0);
        const QIcon icon = shown == "cmdInFile" ? window->cmdInFile->icon() : window->windowIcon();
        QImage seen;
        if (shown == "imgCEP") {
            seen = window->imgCEP->pixmap().toImage();
        } else {
            QCOMPARE(icon.availableSizes(), QList<QSize>{decoded.size()});
            seen = icon.pixmap(decoded.size()).toImage();
        }
        QCOMPARE(differences(seen, decoded), QString());
    }

    // A dark desktop theme leaves the results readable, and a screen reader
    // finds a name for every control, all without anything visible changing.
    void themesAndScreenReaders()
    {
        const QPalette light = QApplication::palette();
        QPalette dark(QColor(53, 53, 53), QColor(40, 40, 40));
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            dark.setColor(role, QColor(230, 230, 230));
        QApplication::setPalette(dark);
        QCoreApplication::processEvents(); // the widgets take the new palette from an event
        const QPalette results = window->lblResults->palette();
        QApplication::setPalette(light);
        QCoreApplication::processEvents();
        QCOMPARE(results.color(QPalette::Window).name() + " " + results.color(QPalette::WindowText).name(),
                 "#ffffff #000000"); // dark ink on the designed white, not the theme's light grey
        window->lblResults->setText(kRange1At100);

        const auto accessible = [](QObject *o, QAccessible::Text what) {
            QAccessibleInterface *about = QAccessible::queryAccessibleInterface(o);
            return about != nullptr ? about->text(what) : QString("<none>");
        };
        QCOMPARE(accessible(window->cmdInFile, QAccessible::Name), "Choose group file");
        QCOMPARE(accessible(window->txtYards, QAccessible::Name), "Range (yards)");
        QCOMPARE(accessible(window->imgCEP, QAccessible::Name), "Target graphic");
        QCOMPARE(accessible(window->imgCEP, QAccessible::Description),
                 "Three circles around one centre: a green inner disc marked 50%, a yellow ring marked 93% with 43% "
                 "of the rounds in this ring, and a dark red outer ring marked 99% with 7% in this ring.");
        QCOMPARE(accessible(window->lblResults, QAccessible::Name), kRange1At100);
        // Nothing visible: no caption, tooltip or access key came with the names.
        QCOMPARE(window->cmdInFile->text() + window->cmdInFile->toolTip() + window->imgCEP->toolTip() +
                     window->cmdInFile->shortcut().toString(),
                 QString());
    }

    void keys()
    {
        // What came up (Calculate with no file chosen warns, Open shows the dialog), then where the focus went.
        const auto press = [](Qt::Key key) {
            return QStringList{whileModal([key] { QTest::keyClick(QApplication::focusWidget(), key); }), focusName()};
        };
        QTRY_COMPARE(focusName(), "cmdInFile");
        window->cmdDoIt->setEnabled(true);
        QCOMPARE(press(Qt::Key_Tab), (QStringList{"", "txtYards"}));
        QCOMPARE(press(Qt::Key_Tab), (QStringList{"", "cmdDoIt"}));
        QCOMPARE(press(Qt::Key_Tab), (QStringList{"", "cmdInFile"}));
        window->txtYards->setFocus();
        QTRY_COMPARE(focusName(), "txtYards");
        QCOMPARE(press(Qt::Key_Return), (QStringList{"", "txtYards"}));
        QCOMPARE(press(Qt::Key_Escape), (QStringList{"", "txtYards"}));
    }

    // The window manager's frame may come at any time after the window is
    // shown; the window is centred again when it comes, until the user moves
    // or resizes the framed window.
    void centringWaitsForTheFrame()
    {
        using cepui::FrameCentring;
        const QPoint at(352, 300), wmPlaced(10, 10), dragged(400, 310);
        const QSize size(575, 400), bigger(600, 420);
        const QMargins none, frame(1, 20, 1, 5);
        struct Look
        {
            QPoint at;
            QSize size;
            QMargins margins;
            bool recentre;
        };
        const struct
        {
            const char *story;
            std::vector<Look> looks;
        } cases[] = {
            {"frame after a thousand events",
             {{at, size, none, false}, {at, size, none, false}, {at, size, frame, true}}},
            {"placed by the window manager before the frame",
             {{wmPlaced, size, none, false}, {wmPlaced, size, frame, true}}},
            {"moved by the user once framed",
             {{at, size, frame, true}, {dragged, size, frame, false}, {dragged, size, none, false}}},
            {"resized by the user once framed",
             {{at, size, frame, true}, {at, bigger, frame, false}, {at, bigger, none, false}}},
        };
        for (const auto &c : cases) {
            FrameCentring centring;
            centring.centred(at, size, none);
            for (std::size_t i = 0; i < c.looks.size(); ++i) {
                const Look &look = c.looks[i];
                QVERIFY2(centring.mustRecentre(look.at, look.size, look.margins) == look.recentre,
                         qPrintable(QString("%1, look %2").arg(c.story).arg(i)));
                if (look.recentre) // where centreOnScreen then puts it
                    centring.centred(at, size, look.margins);
            }
        }
    }

    void choose()
    {
        const QString shown = dataDir + " | '' | 1 Group File Format(.grp) | &lt;b&gt;x.grp RANGE2.GRP range1.grp "
                                        "short.grp | fits";
        const QStringList untouched = state();
        QCOMPARE(chooseFile(Button, "RANGE2.GRP", Qt::Key_Escape), shown);
        QCOMPARE(state(), untouched);
        QCOMPARE(QDir::currentPath(), dataDir);

        QCOMPARE(calculateFor("range1.grp"), kRange1Shown);
        // Qt's dialog would reopen the folder visited last.
        QVERIFY(!chooseFile(Button, "far.grp", Qt::Key_Return, elsewhere.path()).isEmpty());
        QCOMPARE(window->GroupFilePath, QDir::toNativeSeparators(elsewhere.filePath("far.grp")));
        QCOMPARE(chooseFile(Menu, "RANGE2.GRP"), shown);
        // The label and Save stay as they were.
        const QStringList chosen = {shownData + QDir::separator() + "RANGE2.GRP", "RANGE2.GRP", "yes", "yes",
                                    kRange1At100};
        QCOMPARE(state(), chosen);

        // No data folder: no dialog, and the chosen file stays. (Windows keeps
        // a working directory from being removed.)
        QDir::setCurrent(elsewhere.path());
        QVERIFY(QDir(dataDir).removeRecursively());
        QCOMPARE(chooseFile(Button, "range1.grp", Qt::Key_Escape), QString());
        QCOMPARE(chooseFile(Menu, "range1.grp", Qt::Key_Escape), QString());
        QCOMPARE(state(), chosen);
        QCOMPARE(QDir::currentPath(), elsewhere.path());
    }

    // One session: a step's outcome may depend on the steps before it.
    void calculate()
    {
        const auto warning = [](const QString &text) { return box("Warning", text); };
        QCOMPARE(calculateFor("<b>missing.grp"),
                 (QStringList{warning("File not found: there is no file at " + shownData + QDir::separator() +
                                      "<b>missing.grp."),
                              "Results...", ""}));
        QCOMPARE(calculateFor("range1.grp"), kRange1Shown);
        // The earlier run's shot table is still there: a centre is found, the average over no shots fails.
        QCOMPARE(calculateFor("short.grp"),
                 (QStringList{warning("Overflow: the file declares no shots, so there is no distance to average."),
                              kRange1At100, "Save"}));
        const QString range2At200 = report("RANGE2.GRP (4-shot group at 200 yards)", "0.5 1. 1.5",
                                           "This load is shooting sub-MOA (0.5) @ 95% CI");
        QCOMPARE(calculateFor("RANGE2.GRP", "200"), (QStringList{"", range2At200, "Save"}));
        QCOMPARE(calculateFor("RANGE2.GRP", ""),
                 (QStringList{warning("Division by zero: the range box is empty; type the range in yards, "
                                      "such as 100."),
                              report("RANGE2.GRP (4-shot group at  yards)", "0.5 1. 1.5"), "Save"}));
        const QString markup = report("&lt;b&gt;x.grp (5-shot group at 100 yards)", "1.25 2.5 3.75", kExceeds);
        QCOMPARE(calculateFor("&lt;b&gt;x.grp"), (QStringList{"", markup, "Save"}));
        QCOMPARE(window->lblResults->textFormat(), Qt::PlainText); // shown as typed, not as markup
    }

    void save()
    {
        const QByteArray earlier = "\"old.grp\",300,2,4,6,1.33333333333333\r\n";
        QVERIFY(write(csvPath, earlier));
        QCOMPARE(calculateFor("range1.grp"), kRange1Shown);
        // A record never mixes the calculation with a later file or range.
        QVERIFY(!chooseFile(Menu, "RANGE2.GRP").isEmpty());
        window->txtYards->setText("50 yds");
        const QString saved = box("Information", "CEP and MOA data have been saved in \r\n" + shownCsv +
                                                     "\r\nYou may "
                                                     "view this file in MS Excel or similar spreadsheet software.");
        QCOMPARE(clickSave(), saved);
        QCOMPARE(read(csvPath), earlier + kRange1Record);

        // A folder in the way (tests run as root, so permission bits would not stop the write).
        // Only the warning shows: a confirmation after it would be left open.
        QVERIFY(QFile::remove(csvPath) && QDir().mkdir(csvPath));
        QCOMPARE(clickSave(), box("Warning", "File access failure: could not write " + shownCsv + " (Is a directory)"));
        // The results are still there to save, to a new file, once the obstacle is gone.
        QVERIFY(QDir().rmdir(csvPath));
        QCOMPARE(clickSave(), saved);
        QCOMPARE(read(csvPath), kRange1Record);
    }

    // The one title beside File, greyed like Calculate until a file is chosen.
    void statisticsMenu()
    {
        QStringList titles;
        for (const QAction *menu : window->menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, (QStringList{"File", "Statistics"}));
        const auto items = [this] {
            QStringList seen;
            for (const QAction *item : window->mnuStats->actions())
                seen << item->text() + " " + item->shortcut().toString() + (item->isEnabled() ? " enabled" : " greyed");
            return seen;
        };
        // Pool groups and the picture window ask for their own files, and need none chosen before.
        const QString pool = "Pool groups\u2026 Ctrl+P enabled";
        const QString picture = "Group from target picture\u2026 Ctrl+G enabled";
        QCOMPARE(items(), (QStringList{"Group statistics\u2026 Ctrl+T greyed", "Compare with\u2026 Ctrl+K greyed", pool,
                                       picture}));
        chooseFile(Button, "RANGE2.GRP", Qt::Key_Escape);
        QCOMPARE(items().join(' ').count("greyed"), 2);
        chooseFile(Menu, "RANGE2.GRP");
        QCOMPARE(items(), (QStringList{"Group statistics\u2026 Ctrl+T enabled", "Compare with\u2026 Ctrl+K enabled",
                                       pool, picture}));

        if (!moduleBuilt())
            return;
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier); // not modal: the designed window stays usable
        QTRY_COMPARE(statisticsWindows().size(), 1);
        QCOMPARE(statisticsWindows().first()->windowTitle(), "Group statistics: RANGE2.GRP");
        QVERIFY(!statisticsWindows().first()->isModal());
        QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
#ifdef CEP_TARGET_WINDOW_BUILT
        QTRY_COMPARE(targetWindows().size(), 1);
        QCOMPARE(targetWindows().first()->windowTitle(), "Group from target picture");
        QVERIFY(!targetWindows().first()->isModal());
#endif
    }

    // Without its module the window names the missing file and where the figures are to be had.
    void statisticsModuleMissing()
    {
#ifdef _WIN32
        const QString module = "cepstats.dll";
#else
        const QString module = "cepstats.so";
#endif
        const QString missing = QDir::toNativeSeparators(elsewhere.filePath(module));
        window->StatisticsModule = std::make_unique<cepui::StatisticsModule>(elsewhere.path());
        window->mnuStatsGroup->setEnabled(true);
        window->mnuStatsCompare->setEnabled(true);
        const auto open = [this] { return whileModal([this] { window->mnuStatsGroup->trigger(); }); };
        const QString advice = " cep-report --stats and --compare, beside the program, give the same figures.";
        QCOMPARE(open(), box("Warning",
                             "The statistics window is not part of this build: there is no " + missing + "." + advice));
        QCOMPARE(
            whileModal([this] { window->mnuStatsPicture->trigger(); }),
            box("Warning", "The statistics window is not part of this build: there is no " + missing + "." + advice));
        QVERIFY(write(elsewhere.filePath(module), "not a library"));
        const QString broken = open();
        // Compare says so before it asks for a file.
        QCOMPARE(whileModal([this] { window->mnuStatsCompare->trigger(); }), broken);
        QFile::remove(elsewhere.filePath(module));
        QVERIFY2(broken.startsWith(box("Warning", "The statistics window could not be loaded (")) &&
                     broken.endsWith(")." + advice),
                 qPrintable(broken));
        QCOMPARE(statisticsWindows().size(), 0);
    }

    void statisticsWindow_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("level"); // index: 90, 95, 99 %
        QTest::addColumn<QString>("alerts");
        const QString tmp = elsewhere.path();
        QTest::newRow("clean") << kSamples + "/hunting10.grp"
                               << "100" << 1 << "";
        QTest::newRow("flyer") << kSamples + "/flyer7.grp"
                               << "100" << 1
                               << "Warnings: Flyer: shot 7 is 2.208 in from the others' centre; they predict at most "
                                  "1.211 in. It is in the figures.";
        QTest::newRow("elongated") << kSamples + "/strung10.grp"
                                   << "300" << 0
                                   << "Warnings: Elongated group: the circle figures assume a round group.";
        QTest::newRow("data check")
            << tmp + "/warn.grp"
            << "100" << 2
            << "Warnings: line 5: shot 2: y \"0.5x\" is not wholly a number; read as 0.5\n"
               "line 7: text after the 3 shots that line 3 declares: \"extra\"; it is left out of the figures";
        QTest::newRow("empty range") << kSamples + "/hunting10.grp"
                                     << "" << 1 << "";
        QTest::newRow("huge range") << kSamples + "/hunting10.grp"
                                    << "1e400" << 1 << "Failure: Overflow: the range \"1e400\" is too large a number.";
        QTest::newRow("missing file") << tmp + "/missing.grp"
                                      << "100" << 1
                                      << "Failure: File not found: there is no file at " + tmp + "/missing.grp.";
        QTest::newRow("one shot")
            << tmp + "/one.grp"
            << "100" << 1
            << "Failure: Subscript out of range: a group needs at least two shots, and this file declares 1.";
    }

    // The window shows exactly what cep-report --stats prints, its warnings and failures above the picture.
    void statisticsWindow()
    {
        QFETCH(QString, file);
        QFETCH(QString, range);
        QFETCH(int, level);
        QFETCH(QString, alerts);
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        QVERIFY(write(elsewhere.filePath("warn.grp"), group("3", "0.5,0 0,0.5x -0.5,0") + "extra\r\n"));
        QVERIFY(write(elsewhere.filePath("one.grp"), group("1", "1,1")));
        QWidget *stats = openStatistics(file, range);
        QVERIFY(stats != nullptr);
        auto *levels = stats->findChild<QComboBox *>("level");
        QCOMPARE(levels->count(), 3);
        levels->setCurrentIndex(level);
        const QString levelText = QStringList{"0.90", "0.95", "0.99"}[level];
        const QStringList printed = cepReport({"--stats", "--range", range, "--level", levelText, file});
        const bool failed = alerts.startsWith("Failure");
        QCOMPARE(shownIn(stats), (QStringList{alerts, failed ? "blank" : "drawn", printed[0]}));
        QCOMPARE(stats->findChild<QLabel *>("range")->text(), "Range (yards): " + range);
        if (failed) // the same message as cep-report's
            QVERIFY2(printed[1].endsWith(alerts.mid(9)), qPrintable(printed[1]));

        auto *copy = stats->findChild<QPushButton *>("copy");
        QCOMPARE(copy->isEnabled(), !failed);
        QCOMPARE(stats->findChild<QPushButton *>("savePicture")->isEnabled(), !failed);
        QGuiApplication::clipboard()->setText("before");
        QTest::mouseClick(copy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), failed ? "before" : printed[0]);
    }

    // Refresh reads the file again; a failed read leaves no figures or picture of the earlier one.
    void statisticsRefresh()
    {
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        const QString path = elsewhere.filePath("changing.grp");
        QVERIFY(write(path, read(kSamples + "/flyer7.grp")));
        QWidget *stats = openStatistics(path);
        QVERIFY(stats != nullptr);
        const QStringList before = shownIn(stats);
        QCOMPARE(before[1], "drawn");
        QVERIFY(write(path, group("1", "1,1")));
        QCOMPARE(shownIn(stats), before); // read only when asked
        QTest::keyClick(stats, Qt::Key_F5);
        QCOMPARE(shownIn(stats), (QStringList{"Failure: Subscript out of range: a group needs at least two shots, "
                                              "and this file declares 1.",
                                              "blank", ""}));
        QVERIFY(write(path, read(kSamples + "/flyer7.grp")));
        QTest::mouseClick(stats->findChild<QPushButton *>("refresh"), Qt::LeftButton);
        QCOMPARE(shownIn(stats), before);
        QVERIFY(!QFileInfo::exists(csvPath)); // never CEP.csv

        // Every control by the keyboard, in order; Esc closes.
        stats->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(stats));
        stats->findChild<QComboBox *>("level")->setFocus();
        QStringList chain;
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            chain << focusName();
        }
        QCOMPARE(chain, (QStringList{"target", "targetUnit", "click", "clickUnit", "refresh", "savePicture", "copy",
                                     "close", "text", "level"}));
        for (QWidget *w : stats->findChildren<QWidget *>())
            if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(stats))
                QVERIFY2(!QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty(),
                         qPrintable(w->objectName()));
        QTest::keyClick(stats, Qt::Key_Escape);
        QTRY_COMPARE(statisticsWindows().size(), 0);
    }

    // The shots are drawn where the writers' SVG puts them, at the size the window gives the picture.
    void statisticsPicture_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        QTest::newRow("hunting10") << "hunting10.grp" << QSize(760, 560);
        QTest::newRow("flyer7, narrow") << "flyer7.grp" << QSize(720, 700);
        QTest::newRow("strung10, wide") << "strung10.grp" << QSize(790, 560);
    }

    void statisticsPicture()
    {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        QWidget *stats = openStatistics(kSamples + "/" + file);
        QVERIFY(stats != nullptr);
        stats->resize(size);
        QWidget *picture = stats->findChild<QWidget *>("picture");
        QTRY_VERIFY(picture->isVisible());
        QCoreApplication::processEvents();
        const QImage drawn = picture->grab().toImage();
        const qreal ratio = drawn.devicePixelRatio();

        QVERIFY(cepReport({"--stats", "--svg", elsewhere.path(), kSamples + "/" + file})[1].isEmpty());
        const QString svg = QString::fromUtf8(read(elsewhere.filePath(file + ".svg")));
        const QRegularExpressionMatch box = QRegularExpression("viewBox=\"0 0 ([\\d.]+) ([\\d.]+)\"").match(svg);
        QVERIFY(box.hasMatch());
        QSizeF fitted(box.captured(1).toDouble(), box.captured(2).toDouble());
        const double scale = fitted.scaled(picture->size(), Qt::KeepAspectRatio).width() / fitted.width();
        fitted *= scale;
        const QPointF corner((picture->width() - fitted.width()) / 2, (picture->height() - fitted.height()) / 2);
        // Within half a shot's radius of its centre lies its colour, #1f4e9a at 80 % on white.
        const auto shotColourNear = [&](QPointF at) {
            const int reach = qMax(1, int(2 * scale * ratio));
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const QColor c = drawn.pixelColor(int(at.x() * ratio) + dx, int(at.y() * ratio) + dy);
                    if (qAbs(c.red() - 76) + qAbs(c.green() - 113) + qAbs(c.blue() - 174) < 45)
                        return true;
                }
            return false;
        };
        int shots = 0;
        QRegularExpression shot("<circle class=\"shot\" cx=\"([-\\d.]+)\" cy=\"([-\\d.]+)\"");
        for (const QRegularExpressionMatch &m : shot.globalMatch(svg)) {
            const QPointF at = corner + QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * scale;
            QVERIFY2(shotColourNear(at),
                     qPrintable(QString("shot %1 at %2,%3").arg(shots + 1).arg(at.x()).arg(at.y())));
            ++shots;
        }
        QCOMPARE(shots, QString(file).remove(QRegularExpression("\\D")).toInt());
        // And not where there is none: the picture's top left corner is white.
        QCOMPARE(drawn.pixelColor(int((corner.x() + 2) * ratio), int((corner.y() + 2) * ratio)), QColor(Qt::white));
    }

    // Pool groups…: several files chosen at once in the Open dialog; the window shows exactly what
    // cep-report --stats --pool prints, each file's failure and warnings and what the pool rests on above.
    void statisticsPool_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("level"); // index: 90, 95, 99 %
        QTest::addColumn<QString>("alerts");
        QTest::addColumn<QString>("pictures");
        const QString shortFails =
            "short.grp: Subscript out of range: a group needs at least two shots, and this file has fewer "
            "than three lines, so it declares none.";
        QTest::newRow("three sessions") << kSessionsTyped << "100" << 1 << ""
                                        << "drawn";
        QTest::newRow("the centre moved, a flyer")
            << "\"session2.grp\" \"flyer7.grp\""
            << "300" << 2
            << "Warnings: The centre moved between groups (p = 0.000524; zero, wind, position): the pooled sigma counts "
               "only the spread within groups.\nflyer7.grp: Flyer: shot 7 is 2.208 in from the others' centre; they "
               "predict at most 1.211 in. It is in the figures."
            << "drawn";
        QTest::newRow("the spreads differ, elongated")
            << "\"session2.grp\" \"strung10.grp\""
            << "300" << 2
            << "Warnings: The spreads differ more than chance allows (p = 0.00159): pooling assumes one rifle, load and "
               "shooter.\nstrung10.grp: Elongated group: the circle figures assume a round group."
            << "drawn";
        QTest::newRow("data check")
            << "\"warn.grp\" \"session1.grp\""
            << "100" << 1
            << "Warnings: warn.grp: line 5: shot 2: y \"0.5x\" is not wholly a number; read as 0.5\nwarn.grp: line 7: "
               "text after the 3 shots that line 3 declares: \"extra\"; it is left out of the figures\nThe centre "
               "moved between groups (p = 0.000186; zero, wind, position): the pooled sigma counts only the spread "
               "within groups."
            << "drawn";
        QTest::newRow("a file fails, the others pooled") << "\"session1.grp\" \"short.grp\" \"session3.grp\""
                                                         << "100" << 0 << "Failure: " + shortFails << "drawn";
        QTest::newRow("one group left")
            << "\"short.grp\" \"session3.grp\""
            << "100" << 1
            << "Failure: " + shortFails + "\nSubscript out of range: a pool needs at least two groups, and 1 was read."
            << "blank";
    }

    void statisticsPool()
    {
        QFETCH(QString, typed);
        QFETCH(QString, range);
        QFETCH(int, level);
        QFETCH(QString, alerts);
        QFETCH(QString, pictures);
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        copySessions();
        QVERIFY(write(dataDir + "/warn.grp", group("3", "0.5,0 0,0.5x -0.5,0") + "extra\r\n"));
        QWidget *stats = openPool(typed, range);
        QVERIFY(stats != nullptr);
        QStringList files = typed.split(QRegularExpression("\"\\s*\"?"), Qt::SkipEmptyParts);
        QCOMPARE(stats->windowTitle(), QString("Pool of %1 groups: ").arg(files.size()) + files.join(", "));
        for (QString &file : files)
            file = dataDir + "/" + file;
        stats->findChild<QComboBox *>("level")->setCurrentIndex(level);
        const QString levelText = QStringList{"0.90", "0.95", "0.99"}[level];
        const QStringList printed =
            cepReport(QStringList{"--stats", "--pool", "--range", range, "--level", levelText} + files);
        QCOMPARE(shownIn(stats), (QStringList{alerts, pictures, printed[0]}));
        // Each failure in cep-report's words.
        for (const QString &line : printed[1].split('\n', Qt::SkipEmptyParts))
            QVERIFY2(alerts.contains(line), qPrintable(line));
        QCOMPARE(stats->findChild<QPushButton *>("savePicture")->isEnabled(), pictures == "drawn");
        if (pictures == "drawn") { // the picture Save writes is cep-report's
            QVERIFY(QDir(elsewhere.path()).mkpath("report"));
            cepReport(QStringList{"--stats", "--pool", "--range", range, "--level", levelText, "--svg",
                                  elsewhere.filePath("report")} +
                      files);
            QFile::remove(elsewhere.filePath("pool.svg"));
            QCOMPARE(savePictureOf(stats, "pool.svg"),
                     "Saved " + QDir::toNativeSeparators(elsewhere.filePath("pool.svg")));
            QCOMPARE(read(elsewhere.filePath("pool.svg")), read(elsewhere.filePath("report/pool.svg")));
        }
    }

    // Cancel opens nothing; one file is not a pool, and the window says how to choose several.
    void statisticsPoolChoice()
    {
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        copySessions();
        QVERIFY(!chooseFile(Pool, "\"session1.grp\" \"session2.grp\"", Qt::Key_Escape).isEmpty());
        QCOMPARE(statisticsWindows().size(), 0);
        // The message box comes up once the dialog has gone.
        QString said;
        QObject guard;
        std::function<void()> poll = [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                said = answer(box);
            else
                QTimer::singleShot(10, &guard, poll);
        };
        QTimer::singleShot(0, &guard, poll);
        QVERIFY(!chooseFile(Pool, "session1.grp").isEmpty());
        QCOMPARE(said, box("Warning", "A pool needs two or more group files: hold Ctrl or Shift to choose several."));
        QCOMPARE(statisticsWindows().size(), 0);
        QCOMPARE(window->GroupFilePath, QString()); // the chosen file is not replaced
        QVERIFY(!window->mnuStatsGroup->isEnabled());
    }

    // The target and click boxes give the figures of cep-report --target and --click, for a group and a pool.
    void statisticsAiming_data()
    {
        QTest::addColumn<QString>("file"); // "pool": the three sessions
        QTest::addColumn<QString>("range");
        QTest::addColumn<QStringList>("target"); // number, unit shown, cep-report's --target
        QTest::addColumn<QStringList>("click"); // number, unit shown, cep-report's --click
        QTest::newRow("10 in, 1/4 MOA") << "hunting10.grp"
                                        << "100" << QStringList{"10", "in", "10in"}
                                        << QStringList{"0.25", "MOA", "0.25moa"};
        QTest::newRow("25 cm, 0.1 mil") << "hunting10.grp"
                                        << "100" << QStringList{"25", "cm", "25cm"}
                                        << QStringList{"0.1", "mil", "0.1mil"};
        QTest::newRow("250 mm, 1/8 MOA") << "flyer7.grp"
                                         << "300" << QStringList{"250", "mm", "250mm"}
                                         << QStringList{"1/8", "MOA", "1/8moa"};
        QTest::newRow("2 MOA, 0.5 in") << "strung10.grp"
                                       << "200" << QStringList{"2", "MOA", "2moa"} << QStringList{"0.5", "in", "0.5in"};
        QTest::newRow("1,5 mil, 0,1 mil")
            << "hunting10.grp"
            << "600" << QStringList{"1,5", "mil", "1.5mil"} << QStringList{"0,1", "mil", "0.1mil"};
        QTest::newRow("no target") << "hunting10.grp"
                                   << "100" << QStringList{"", "in", ""} << QStringList{"1/4", "MOA", "0.25moa"};
        QTest::newRow("an angle and no range")
            << "hunting10.grp"
            << "" << QStringList{"2", "MOA", "2moa"} << QStringList{"0.25", "MOA", "0.25moa"};
        QTest::newRow("pool, 3 MOA") << "pool"
                                     << "100" << QStringList{"3", "MOA", "3moa"}
                                     << QStringList{"0.25", "MOA", "0.25moa"};
        QTest::newRow("pool, 6 in, 0.1 mil")
            << "pool"
            << "300" << QStringList{"6", "in", "6in"} << QStringList{"0.1", "mil", "0.1mil"};
    }

    void statisticsAiming()
    {
        QFETCH(QString, file);
        QFETCH(QString, range);
        QFETCH(QStringList, target);
        QFETCH(QStringList, click);
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        copySessions();
        const bool pool = file == "pool";
        QWidget *stats = pool ? openPool(kSessionsTyped, range) : openStatistics(kSamples + "/" + file, range);
        QVERIFY(stats != nullptr);
        QCOMPARE(stats->findChild<QLineEdit *>("target")->text(), ""); // no target, 1/4 MOA clicks at first
        QCOMPARE(stats->findChild<QLineEdit *>("click")->text() + " " +
                     stats->findChild<QComboBox *>("clickUnit")->currentText(),
                 "0.25 MOA");
        enterAiming(stats, "target", target[0], target[1]);
        enterAiming(stats, "click", click[0], click[1]);
        QStringList args{"--stats", "--range", range, "--click", click[2]};
        if (!target[2].isEmpty())
            args << "--target" << target[2];
        if (pool)
            args << "--pool" << dataDir + "/session1.grp" << dataDir + "/session2.grp" << dataDir + "/session3.grp";
        else
            args << kSamples + "/" + file;
        const QStringList printed = cepReport(args);
        QCOMPARE(shownIn(stats)[2], printed[0]);
        QCOMPARE(stats->findChild<QLabel *>("status")->text(), "");
        QVERIFY(printed[0].contains(target[2].isEmpty() ? "Clicks:"
                                    : range.isEmpty()   ? "needs a range"
                                                        : "Chance of a hit once zeroed"));
    }

    // A value the boxes cannot take is named; the figures of the last good values stay, at any level.
    void statisticsAimingBadInput_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QStringList>("start"); // the good target first entered: unit shown, cep-report's --target
        const QStringList inches{"in", "8in"};
        const QString target = "The target diameter \"%1\" is not one: give a number above zero (an angle under half "
                               "a turn), or leave the box empty for no target.";
        const QString click =
            "The click value \"%1\" is not one: give a number or fraction above zero, as 0.25 or 1/8.";
        QTest::newRow("target zero") << "target"
                                     << "0"
                                     << "in" << target.arg("0 in") << inches;
        QTest::newRow("target negative") << "target"
                                         << "-3"
                                         << "cm" << target.arg("-3 cm") << inches;
        QTest::newRow("target half a turn") << "target"
                                            << "10800"
                                            << "MOA" << target.arg("10800 MOA") << QStringList{"MOA", "8moa"};
        QTest::newRow("target not a number") << "target"
                                             << "ten"
                                             << "mm" << target.arg("ten mm") << inches;
        QTest::newRow("target with its unit typed") << "target"
                                                    << "10cm"
                                                    << "in" << target.arg("10cm in") << inches;
        QTest::newRow("click zero") << "click"
                                    << "0"
                                    << "MOA" << click.arg("0 MOA") << inches;
        QTest::newRow("click negative") << "click"
                                        << "-0.1"
                                        << "mil" << click.arg("-0.1 mil") << inches;
        QTest::newRow("click empty") << "click"
                                     << ""
                                     << "in" << click.arg(" in") << inches;
        QTest::newRow("click over zero") << "click"
                                         << "1/0"
                                         << "MOA" << click.arg("1/0 MOA") << inches;
    }

    void statisticsAimingBadInput()
    {
        QFETCH(QString, box);
        QFETCH(QString, value);
        QFETCH(QString, unit);
        QFETCH(QString, said);
        QFETCH(QStringList, start);
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        const QString file = kSamples + "/flyer7.grp";
        QWidget *stats = openStatistics(file, "200");
        QVERIFY(stats != nullptr);
        enterAiming(stats, "target", "8", start[0]);
        enterAiming(stats, "click", "0.1", "mil");
        const QStringList good{"--stats", "--range", "200", "--target", start[1], "--click", "0.1mil"};
        const QString before = cepReport(good + QStringList{file})[0];
        QCOMPARE(shownIn(stats)[2], before);
        enterAiming(stats, box, value, unit);
        const QString kept = " The figures are for the last values that were good.";
        QCOMPARE(stats->findChild<QLabel *>("status")->text(), said + kept);
        QCOMPARE(shownIn(stats)[2], before);
        stats->findChild<QComboBox *>("level")->setCurrentIndex(2);
        QCOMPARE(shownIn(stats)[2], cepReport(good + QStringList{"--level", "0.99", file})[0]);
        QCOMPARE(stats->findChild<QLabel *>("status")->text(), said + kept);
        // Put right, the box counts again.
        enterAiming(stats, box, box == "target" ? "5" : "1", box == "target" ? "cm" : "MOA");
        QCOMPARE(stats->findChild<QLabel *>("status")->text(), "");
        QCOMPARE(shownIn(stats)[2], cepReport({"--stats", "--range", "200", "--level", "0.99", "--target",
                                               box == "target" ? "5cm" : start[1], "--click",
                                               box == "target" ? "0.1mil" : "1moa", file})[0]);
    }

    // The second group is asked for in the Open dialog; the chosen file stays chosen.
    void statisticsCompare()
    {
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        for (const QString name : {"hunting10.grp", "flyer7.grp"})
            QVERIFY(QFile::copy(kSamples + "/" + name, dataDir + "/" + name));
        chooseFile(Button, "hunting10.grp");
        const QString chosen = window->GroupFilePath;
        QVERIFY(!chooseFile(Compare, "flyer7.grp", Qt::Key_Escape).isEmpty());
        QCOMPARE(statisticsWindows().size(), 0);

        QVERIFY(!chooseFile(Compare, "flyer7.grp").isEmpty());
        QCOMPARE(window->GroupFilePath, chosen);
        QCOMPARE(statisticsWindows().size(), 1);
        QWidget *compared = statisticsWindows().last();
        QCOMPARE(compared->windowTitle(), "Compare: hunting10.grp with flyer7.grp");
        const QString printed = cepReport({"--compare", chosen, dataDir + "/flyer7.grp"})[0];
        QVERIFY(printed.contains("F = 1.776 with 18 and 12 degrees of freedom, p = 0.313"));
        QCOMPARE(shownIn(compared),
                 (QStringList{"Warnings: B (flyer7.grp) has a flyer, shot 7, which makes its sigma larger.",
                              "drawn drawn", printed}));
        compared->findChild<QComboBox *>("level")->setCurrentIndex(2);
        QCOMPARE(shownIn(compared)[2], cepReport({"--compare", "--level", "0.99", chosen, dataDir + "/flyer7.grp"})[0]);

        QVERIFY(!chooseFile(Compare, "short.grp").isEmpty());
        const QStringList failed = cepReport({"--compare", chosen, dataDir + "/short.grp"});
        QCOMPARE(shownIn(statisticsWindows().last()),
                 (QStringList{"Failure: short.grp: " + failed[1], "blank blank", ""}));
    }

    // The SVG as the writers made it, a PNG of it, and a PDF page with an inch of the picture an inch of paper.
    void statisticsSave()
    {
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        QWidget *stats = openStatistics(kSamples + "/hunting10.grp");
        QVERIFY(stats != nullptr);
        const auto save = [&](const QString &name) { return savePictureOf(stats, name); };
        QCOMPARE(save("h.svg"), "Saved " + QDir::toNativeSeparators(elsewhere.filePath("h.svg")));
        QVERIFY(cepReport({"--stats", "--svg", elsewhere.path(), kSamples + "/hunting10.grp"})[1].isEmpty());
        const QByteArray svg = read(elsewhere.filePath("hunting10.grp.svg"));
        QCOMPARE(read(elsewhere.filePath("h.svg")), svg);

        save("h.png");
        const QImage png(elsewhere.filePath("h.png"));
        const QRegularExpressionMatch box = QRegularExpression("viewBox=\"0 0 ([\\d.]+) ([\\d.]+)\"").match(svg);
        QCOMPARE(png.size(), QSize(qCeil(box.captured(1).toDouble() * 2), qCeil(box.captured(2).toDouble() * 2)));
        QCOMPARE(png.dotsPerMeterX(), qRound(192 / 0.0254));
        QVERIFY(!blank(png));

        save("h.pdf");
        const QByteArray pdf = read(elsewhere.filePath("h.pdf"));
        QVERIFY(pdf.startsWith("%PDF-"));
        const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
        const QRegularExpressionMatch page = QRegularExpression("/MediaBox \\[0 0 ([\\d.]+) ([\\d.]+)\\]").match(pdf);
        QCOMPARE(QString("%1x%2").arg(qRound(page.captured(1).toDouble())).arg(qRound(page.captured(2).toDouble())),
                 letter ? "612x792" : "595x842");
        // The picture is at true scale: its grid, so many inches apart, lies so many times 72 points apart.
        const QRegularExpressionMatch grid = QRegularExpression("True scale: .*; grid ([\\d.]+) in").match(svg);
        QVERIFY(grid.hasMatch());
        QCOMPARE(pdfGridSteps(pdf), QStringList{QString::number(grid.captured(1).toDouble() * 72, 'f', 2)});

        // The reason in the system's own words, as Qt gives them for a folder that is not there.
        QSaveFile missing(elsewhere.filePath("no-folder/h.svg"));
        QVERIFY(!missing.open(QIODevice::WriteOnly));
        QCOMPARE(save("no-folder/h.svg"), "Could not write " +
                                              QDir::toNativeSeparators(elsewhere.filePath("no-folder/h.svg")) + " (" +
                                              missing.errorString() + ").");
    }

    // A comparison saves both groups side by side in one picture, each as cep-report draws it, at true scale.
    void statisticsCompareSave()
    {
        if (!moduleBuilt())
            QSKIP("the statistics window is not part of this build");
        for (const QString name : {"hunting10.grp", "flyer7.grp"})
            QVERIFY(QFile::copy(kSamples + "/" + name, dataDir + "/" + name));
        chooseFile(Button, "hunting10.grp");
        QVERIFY(!chooseFile(Compare, "flyer7.grp").isEmpty());
        QWidget *compared = statisticsWindows().last();
        QVERIFY(compared->findChild<QPushButton *>("savePicture")->isVisible());
        QCOMPARE(savePictureOf(compared, "pair.svg"),
                 "Saved " + QDir::toNativeSeparators(elsewhere.filePath("pair.svg")));
        const QByteArray pair = read(elsewhere.filePath("pair.svg"));

        // Each group's own picture, as cep-report --svg draws it, lies in the pair whole.
        const QString dir = elsewhere.filePath("pictures");
        QVERIFY(
            cepReport({"--compare", "--svg", dir, dataDir + "/hunting10.grp", dataDir + "/flyer7.grp"})[1].isEmpty());
        const auto size = [](const QByteArray &svg) {
            const QRegularExpressionMatch m = QRegularExpression("viewBox=\"0 0 ([\\d.]+) ([\\d.]+)\"").match(svg);
            return QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
        };
        const auto body = [](const QByteArray &svg) {
            const qsizetype from = svg.indexOf("</style>\n") + 9;
            return svg.mid(from, svg.lastIndexOf("</svg>") - from);
        };
        const QByteArray a = read(dir + "/hunting10.grp.svg");
        const QByteArray b = read(dir + "/flyer7.grp.svg");
        QVERIFY(!body(a).isEmpty() && !body(b).isEmpty());
        QVERIFY(pair.contains("<g>\n<title>hunting10.grp: 10 shots at 100 yards</title>\n" + body(a) + "</g>\n"));
        const QString moved = QString::number(size(a).width() + 24);
        QVERIFY(pair.contains("<g transform=\"translate(" + moved.toUtf8() +
                              " 0)\">\n<title>flyer7.grp: 7 shots at 100 yards</title>\n" + body(b) + "</g>\n"));
        // A quarter of an inch between them; as tall as the taller.
        const QSizeF both = size(pair);
        QCOMPARE(both, QSizeF(size(a).width() + 24 + size(b).width(), qMax(size(a).height(), size(b).height())));
        QVERIFY(pair.contains("width=\"" + QByteArray::number(both.width() / 96) + "in\""));

        savePictureOf(compared, "pair.png");
        QCOMPARE(QImage(elsewhere.filePath("pair.png")).size(),
                 QSize(qCeil(both.width() * 2), qCeil(both.height() * 2)));

        // Side by side, the pictures need the next paper size up, turned: still an inch to the inch.
        savePictureOf(compared, "pair.pdf");
        const QByteArray pdf = read(elsewhere.filePath("pair.pdf"));
        const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
        const QRegularExpressionMatch page = QRegularExpression("/MediaBox \\[0 0 ([\\d.]+) ([\\d.]+)\\]").match(pdf);
        QCOMPARE(QString("%1x%2").arg(qRound(page.captured(1).toDouble())).arg(qRound(page.captured(2).toDouble())),
                 letter ? "1224x792" : "1191x842");
        QStringList steps;
        for (const QByteArray &svg : {a, b}) {
            const QRegularExpressionMatch grid = QRegularExpression("True scale: .*; grid ([\\d.]+) in").match(svg);
            QVERIFY(grid.hasMatch());
            steps << QString::number(grid.captured(1).toDouble() * 72, 'f', 2);
        }
        steps.removeDuplicates();
        // Each picture's grid at its own step; one more distance spans the gap between them.
        const QStringList found = pdfGridSteps(pdf);
        for (const QString &step : steps)
            QVERIFY2(found.contains(step), qPrintable(found.join(' ')));
        QCOMPARE(found.size(), steps.size() + 1);
    }

    // The page for a picture of a given size: the user's paper upright or turned, else the next size up.
#ifdef CEP_TARGET_WINDOW_BUILT
    void targetWindow_data()
    {
        QTest::addColumn<bool>("statesDpi");
        QTest::addColumn<QString>("typedDpi");
        QTest::addColumn<bool>("snap");
        QTest::addColumn<QPoint>("clickOff"); // pixels from the aim
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("count");
        QTest::newRow("stated dpi, aim clicked") << true << "" << false << QPoint(0, 0) << 0 << "5 shots found";
        QTest::newRow("typed dpi, aim snapped") << false << "150" << true << QPoint(3, -4) << 0 << "5 shots found";
        QTest::newRow("shot count given") << true << "" << false << QPoint(0, 0) << 5 << "5 shots found; 5 expected";
    }

    // Calibrated by the dpi and a click on the aim, the window finds the holes where they are, and saves
    // what cep-scan writes for the same picture, then shows the group's statistics.
    void targetWindow()
    {
        QFETCH(bool, statesDpi);
        QFETCH(QString, typedDpi);
        QFETCH(bool, snap);
        QFETCH(QPoint, clickOff);
        QFETCH(int, expected);
        QFETCH(QString, count);
        const QString picture = elsewhere.filePath("target.png");
        for (const QString name : {"target.grp", "cli.grp"})
            QFile::remove(elsewhere.filePath(name));
        QVERIFY(writeTarget(picture, statesDpi));
        QWidget *target = openTarget(picture);
        QVERIFY(target != nullptr);
        QCOMPARE(target->windowTitle(), "Group from target picture: target.png");
        auto *dpi = target->findChild<QLineEdit *>("dpi");
        QCOMPARE(dpi->text(), statesDpi ? "150" : "");
        QTest::keyClicks(dpi, typedDpi);
        target->findChild<QCheckBox *>("snap")->setChecked(snap);
        QTest::mouseClick(target->findChild<QPushButton *>("pickAim"), Qt::LeftButton);
        clickPixel(target, 337 + clickOff.x(), 337 + clickOff.y());
        const QString aim = target->findChild<QLabel *>("aim")->text();
        const QStringList xy = aim.mid(5, aim.size() - 8).split(", ");
        QVERIFY2(aim.endsWith(" px") && xy.size() == 2 && qAbs(xy[0].toDouble() - 337) <= 0.2 &&
                     qAbs(xy[1].toDouble() - 337) <= 0.2,
                 qPrintable(aim));
        QCOMPARE(target->findChild<QLabel *>("status")->text().section(',', 0, 0),
                 snap ? "Aim set on the nearest crossing" : "Aim set.");
        QTest::keyClicks(target->findChild<QLineEdit *>("calibre"), ".308");
        target->findChild<QSpinBox *>("expected")->setValue(expected);
        QTest::mouseClick(target->findChild<QPushButton *>("findHoles"), Qt::LeftButton);
        QCOMPARE(target->findChild<QLabel *>("count")->text(), count);
        QCOMPARE(markers(target->findChild<QGraphicsView *>("targetView")).size(), 5);

        const QString saved = elsewhere.filePath("target.grp");
        QCOMPARE(saveGroupAs(target, saved), shownData + " | target.grp |  | Saved " + QDir::toNativeSeparators(saved));
        const QList<QPointF> shots = groupShots(read(saved));
        QCOMPARE(shots.size(), 5);
        for (const cep::scan::TargetPoint &hole : kHoles) {
            double nearest = 1e9;
            for (const QPointF &shot : shots)
                nearest = qMin(nearest, std::hypot(shot.x() - hole.x, shot.y() - hole.y));
            QVERIFY2(nearest <= 0.02,
                     qPrintable(QString("hole %1,%2 missed by %3 in").arg(hole.x).arg(hole.y).arg(nearest)));
        }
        if (clickOff.isNull() && !snap) {
            QStringList args = {
                picture, "--caliber", ".308", "--aim-pixel", "337,337", "-o", elsewhere.filePath("cli.grp")};
            if (!statesDpi)
                args << "--dpi"
                     << "150";
            if (expected > 0)
                args << "--shots" << QString::number(expected);
            QCOMPARE(QProcess::execute(CEP_SCAN, args), 0);
            QCOMPARE(read(saved), read(elsewhere.filePath("cli.grp")));
        }
        QTRY_COMPARE(statisticsWindows().size(), 1);
        QCOMPARE(statisticsWindows().first()->windowTitle(), "Group statistics: target.grp");
        QCOMPARE(shownIn(statisticsWindows().first())[2],
                 cepReport({"--stats", "--range", "100", "--level", "0.95", saved})[0]);
    }

    // The shooter's corrections: a marker dragged, shots added by Ctrl+click and in the add mode in the
    // order clicked, one deleted and the rest renumbered; saving over a file only when told to.
    void targetEdits()
    {
        const QString picture = elsewhere.filePath("target.png");
        QFile::remove(elsewhere.filePath("before.grp"));
        QVERIFY(writeTarget(picture, true));
        QWidget *target = openTarget(picture);
        QVERIFY(target != nullptr);
        auto *view = target->findChild<QGraphicsView *>("targetView");
        target->findChild<QCheckBox *>("snap")->setChecked(false);
        QTest::mouseClick(target->findChild<QPushButton *>("pickAim"), Qt::LeftButton);
        clickPixel(target, 337, 337);
        QTest::keyClicks(target->findChild<QLineEdit *>("calibre"), "7.62mm");
        QTest::mouseClick(target->findChild<QPushButton *>("findHoles"), Qt::LeftButton);
        const QStringList found = markers(view);
        QCOMPARE(found.size(), 5);
        const QString before = elsewhere.filePath("before.grp");
        QVERIFY(saveGroupAs(target, before).endsWith(" | Saved " + QDir::toNativeSeparators(before)));
        const QList<QByteArray> lines = read(before).split('\n');
        QCOMPARE(lines.size(), 9); // two heading lines, the count, five shots, nothing after the last CR LF

        // Shot 1 dragged 15 pixels right and 30 down.
        const QPointF first(found[0].section(' ', 1).section(',', 0, 0).toDouble(),
                            found[0].section(',', 1).toDouble());
        const QPoint from = showPixel(view, first.x() - 0.5, first.y() - 0.5);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view->viewport(), from + QPoint(5, 10));
        QTest::mouseMove(view->viewport(), from + QPoint(15, 30));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, from + QPoint(15, 30));
        QCOMPARE(markers(view)[0], QString("1 %1,%2").arg(first.x() + 15, 0, 'f', 3).arg(first.y() + 30, 0, 'f', 3));
        const auto inches = [](double px, double py) {
            return QString("%1,%2\r").arg((px - 337) / 150, 0, 'f', 4).arg((337 - py) / 150, 0, 'f', 4).toUtf8();
        };
        // A plain click on the paper adds nothing; Ctrl+click adds; the add mode adds on a plain click.
        clickPixel(target, 592, 592);
        QCOMPARE(markers(view).size(), 5);
        clickPixel(target, 592, 592, Qt::ControlModifier);
        QCOMPARE(target->findChild<QLabel *>("count")->text(), "6 shots found");
        QTest::mouseClick(target->findChild<QPushButton *>("addShots"), Qt::LeftButton);
        clickPixel(target, 100, 560);
        QCOMPARE(markers(view).mid(5), (QStringList{"6 592.000,592.000", "7 100.000,560.000"}));
        target->findChild<QSpinBox *>("expected")->setValue(6);
        QCOMPARE(target->findChild<QLabel *>("count")->text(), "7 shots found; 6 expected");
        // Shot 3 selected by a click, which adds nothing even in the add mode, and deleted.
        const QString third = markers(view)[2];
        clickPixel(target, third.section(' ', 1).section(',', 0, 0).toDouble() - 0.5,
                   third.section(',', 1).toDouble() - 0.5);
        QCOMPARE(markers(view).size(), 7);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(target->findChild<QLabel *>("count")->text(), "6 shots found; 6 expected");
        QCOMPARE(markers(view).mid(2, 1), QStringList{"3 " + found[3].section(' ', 1)});

        const QByteArray edited = lines[0] + '\n' + lines[1] + "\n6\r\n" + inches(first.x() + 15, first.y() + 30) +
                                  '\n' + lines[4] + '\n' + lines[6] + '\n' + lines[7] + '\n' + inches(592, 592) + '\n' +
                                  inches(100, 560) + '\n';
        const QString shown = QDir::toNativeSeparators(before);
        const QString question = "Question | Group from target picture: target.png | more | plain | " + shown +
                                 " already exists. Replace it?";
        QCOMPARE(saveGroupAs(target, before),
                 shownData + " | target.grp | " + question + " | Not saved: " + shown + " is kept as it was.");
        QCOMPARE(read(before).split('\n').size(), 9);
        QCOMPARE(statisticsWindows().size(), 1); // of the first save only
        const auto yes = [](QWidget *modal) {
            const QString seen = describe(modal);
            qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Yes)->click();
            return seen;
        };
        QCOMPARE(saveGroupAs(target, before, yes), shownData + " | target.grp | " + question + " | Saved " + shown);
        QCOMPARE(read(before), edited);
        QTRY_COMPARE(statisticsWindows().size(), 2);
    }
#endif

    void pdfPaper_data()
    {
        QTest::addColumn<QSizeF>("inches");
        QTest::addColumn<bool>("letter");
        QTest::addColumn<QString>("page");
        QTest::newRow("one picture, A4") << QSizeF(6.5, 8) << false << "A4 upright";
        QTest::newRow("one picture, Letter") << QSizeF(6.5, 8) << true << "Letter upright";
        QTest::newRow("wide, A4") << QSizeF(11, 8) << false << "A4 turned";
        QTest::newRow("too wide for A4 upright, too tall turned") << QSizeF(9, 10) << false << "A3 upright";
        QTest::newRow("two pictures, A4") << QSizeF(13.25, 8) << false << "A3 turned";
        QTest::newRow("two pictures, Letter") << QSizeF(13.25, 8) << true << "Tabloid turned";
        QTest::newRow("the largest pair, Letter") << QSizeF(14.75, 9.75) << true << "Tabloid turned";
        QTest::newRow("too large for any") << QSizeF(30, 30) << false << "A3 turned";
    }

    void pdfPaper()
    {
#ifndef CEP_STATISTICS_MODULE_BUILT
        QSKIP("the statistics window is not part of this build");
#else
        QFETCH(QSizeF, inches);
        QFETCH(bool, letter);
        QFETCH(QString, page);
        const auto paper = cepstats::PaperFor(inches, QPageSize(letter ? QPageSize::Letter : QPageSize::A4));
        QCOMPARE(QString("%1 %2").arg(paper.first.key(), paper.second == QPageLayout::Portrait ? "upright" : "turned"),
                 page);
#endif
    }
};

QTEST_MAIN(CepcalcTest)
#include "tst_cepcalc.moc"

// The window as a user sees and drives it: the real file dialog and message
// boxes, on files beside this test program, which stands in for the program's folder.
#include "application_setup.h"
#include "cepcalc.h"

#include <QTest>
#include <QtWidgets>

#include <functional>
#include <memory>

namespace {

constexpr int kSafetyMs = 8000;  // a modal still open then is closed: the test fails, not hangs
enum Opener { Button, Menu };
enum Before { Nothing, ChosenElsewhere, ResultsShown };
constexpr int kNoDataFolder = -1;  // in place of the key that answers the file dialog

const QByteArray kFive = "1.25,0 0,1.25 -1.25,0 0,-1.25 1.25,0";  // cep 1.25 about (0, 0)

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

const QString kFiveCircles = "1.25 2.5 3.75", kFourCircles = "0.5 1. 1.5";
const QString kExceeds = "This load exceeds 1-MOA (2.5) @ 95% CI";
const QString kRange1At100 = report("range1.grp (5-shot group at 100 yards)", kFiveCircles, kExceeds);
const QByteArray kRange1Record = "\"range1.grp\",100,1.25,2.5,3.75,2.5\r\n";

QString box(const char *icon, const QString &text) { return QString(icon) + " | CEPcalc | OK | " + text; }

// Describes a message box as box() does and answers OK; anything else is closed.
QString answer(QWidget *modal)
{
    auto *message = qobject_cast<QMessageBox *>(modal);
    if (message == nullptr || message->button(QMessageBox::Ok) == nullptr) {
        modal->close();
        return QString("<%1>").arg(modal->metaObject()->className());
    }
    const QString seen = QString(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(message->icon())) + " | " +
                         message->windowTitle() + (message->buttons().size() == 1 ? " | OK | " : " | more | ") +
                         message->text();
    message->button(QMessageBox::Ok)->click();
    return seen;
}

// Runs `act`; `handle` gets the first modal that comes up, closes it and says
// what it saw. Returns "" when none came up.
QString whileModal(const std::function<void()> &act, const std::function<QString(QWidget *)> &handle = answer)
{
    QString seen;
    QObject guard;  // ends the timers on return
    std::function<void()> poll = [&] {
        if (QWidget *modal = QApplication::activeModalWidget())
            seen = handle(modal);
        else
            QTimer::singleShot(10, &guard, poll);
    };
    QTimer::singleShot(0, &guard, poll);
    QTimer::singleShot(kSafetyMs, &guard, [&] {
        for (int i = 0; i < 10 && QApplication::activeModalWidget() != nullptr; ++i) {
            seen = "<left open> " + seen;
            QApplication::activeModalWidget()->close();
        }
    });
    act();
    return seen;
}

QString focusName() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "<none>"; }

} // namespace

class CepcalcTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<CEPcalc> window;
    QTemporaryDir elsewhere;  // a folder outside the data folder
    QString startDir, dataDir, csvPath, farPath;

    // Opens the file dialog and answers it as a user: goes to `folder` if given,
    // types `typed` and presses `key`. Returns what the
    // dialog showed: folder | name box | file types | files listed.
    QString chooseFile(int how, const QString &typed, int key = Qt::Key_Return, const QString &folder = {})
    {
        const auto open = [&] {
            how == Button ? QTest::mouseClick(window->cmdInFile, Qt::LeftButton) : window->mnuFileOpen->trigger();
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
            // The list fills in the background.
            (void)QTest::qWaitFor([&] { return listed().contains("range1.grp") && listed().contains("RANGE2.GRP"); });
            const QString seen = dialog->directory().absolutePath() + " | '" + nameBox->text() + "' | " +
                                 QString::number(types->count()) + " " + types->currentText() + " | " +
                                 listed().join(' ');
            // Typed into the focused box of the active dialog: an unfocused box is
            // overwritten when the typed name selects a file.
            dialog->activateWindow();
            (void)QTest::qWaitFor([dialog] { return QGuiApplication::focusWindow() == dialog->windowHandle(); });
            nameBox->setFocus();
            if (!folder.isEmpty()) {
                QTest::keyClicks(nameBox, folder);
                QTest::keyClick(nameBox, Qt::Key_Return);
                (void)QTest::qWaitFor([&] { return dialog->directory().absolutePath() == folder; });
                nameBox->clear();
            }
            QTest::keyClicks(nameBox, typed);
            QTest::keyClick(nameBox, Qt::Key(key));
            return seen;
        });
    }

    QString clickCalculate() { return whileModal([this] { QTest::mouseClick(window->cmdDoIt, Qt::LeftButton); }); }
    QString clickSave() { return whileModal([this] { window->mnuFileSave->trigger(); }); }

    bool showRange1()
    {
        return !chooseFile(Button, "range1.grp").isEmpty() && clickCalculate().isEmpty() &&
               window->lblResults->text() == kRange1At100;
    }

    // Everything a command may change.
    QStringList state() const
    {
        return {window->GroupFilePath, window->GroupFileName, window->cmdDoIt->isEnabled() ? "yes" : "no",
                window->mnuFileSave->isEnabled() ? "yes" : "no", window->lblResults->text()};
    }

    bool removeProgramFiles()
    {
        QFile::remove(csvPath);  // a file or a link; a folder is left to the next line
        QDir(csvPath).removeRecursively();
        QDir(dataDir).removeRecursively();
        return !QFileInfo(csvPath).isSymLink() && !QFileInfo::exists(csvPath) && !QFileInfo::exists(dataDir);
    }

private slots:
    void initTestCase()
    {
        cepui::setUpApplication();
        startDir = QDir::currentPath();
        dataDir = QCoreApplication::applicationDirPath() + "/yourdata";
        csvPath = QCoreApplication::applicationDirPath() + "/CEP.csv";
        QVERIFY(elsewhere.isValid());
        farPath = elsewhere.filePath("far.grp");
        QVERIFY(write(farPath, group("5", kFive)));
    }

    void init()
    {
        QVERIFY(removeProgramFiles());
        QVERIFY(QDir().mkpath(dataDir));
        const QList<std::pair<QString, QByteArray>> files = {
            {"range1.grp", group("5", kFive)},
            {"RANGE2.GRP", group("4", "0.5,0 0,0.5 -0.5,0 0,-0.5")},  // cep 0.5
            {"collinear.grp", group("5", "0,0 1,1 2,2 3,3 4,4")},
            {"short.grp", "Orvanta group file\r\nno count line\r\n"},
            {"six-of-five.grp", group("6", kFive)},
            {"<b>x.grp", group("5", kFive)},
            {"notes.txt", "not a group file\r\n"},
        };
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
        QVERIFY(removeProgramFiles());
    }

    void controls_data()
    {
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("tabPlace");
        QTest::newRow("lblIntro") << QRect(120, 120, 4215, 1095)
                                  << "CEP is used as an intuitive measure of accuracy. Using any group file you have "
                                     "already created, Orvanta will calculate CEP for you and describe the results "
                                     "below in reference to the target graphic shown on the right."
                                  << true << 2;
        QTest::newRow("lblGroupFile") << QRect(840, 1440, 2175, 255) << "Select a group file (*.GRP)" << false << 3;
        QTest::newRow("cmdInFile") << QRect(3240, 1320, 495, 375) << "" << false << 5;
        QTest::newRow("lblRange") << QRect(840, 1920, 1935, 375) << "Range (yards)" << false << 4;
        QTest::newRow("txtYards") << QRect(2280, 1920, 1575, 405) << "100" << false << 6;
        QTest::newRow("cmdDoIt") << QRect(1320, 2760, 2175, 615) << "Calculate CEP" << false << 0;
        QTest::newRow("imgCEP") << QRect(4560, 120, 3870, 3750) << "" << false << -1;
        QTest::newRow("lblResults") << QRect(120, 3960, 8295, 1335) << "Results..." << false << 1;
    }

    void controls()
    {
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        QFETCH(bool, bold);
        QFETCH(int, tabPlace);
        const QString name = QTest::currentDataTag();
        QWidget *client = window->centralWidget();
        const auto *widget = client->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        QVERIFY(widget != nullptr);

        const QRect place(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
        QCOMPARE(widget->geometry(), place);
        QCOMPARE(widget->property("text").toString(), text);
        QCOMPARE(widget->font().weight(), bold ? QFont::Bold : QFont::Normal);
        QCOMPARE(QFontInfo(widget->font()).family(), "Liberation Sans");
        QCOMPARE(QFontInfo(widget->font()).pixelSize(), 11);
        QStringList chain;
        for (QWidget *w = client->nextInFocusChain(); w != client; w = w->nextInFocusChain())
            if (w->parentWidget() == client && w != window->imgCEP)
                chain << w->objectName();
        QCOMPARE(chain.indexOf(name), tabPlace);

        const auto *label = qobject_cast<const QLabel *>(widget);
        if (label != nullptr && widget != window->imgCEP) {
            const bool results = widget == window->lblResults;
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QVERIFY(label->wordWrap());
            QCOMPARE(int(label->alignment()), int((results ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop));
            // Below the text, where none reaches.
            const QPoint corner = label->geometry().bottomLeft() + QPoint(1, -1);
            QCOMPARE(client->grab().toImage().pixelColor(corner),
                     results ? QColor(Qt::white) : window->palette().color(QPalette::Window));
        }
        // The client area has no layout: resizing moves nothing.
        const QPoint clientAt = client->pos();
        window->showMaximized();
        QTRY_VERIFY(client->width() > 573 && client->height() > 381);
        QCOMPARE(client->pos(), clientAt);
        QCOMPARE(widget->geometry(), place);
        window->showNormal();
        window->resize(300, 200);
        QTRY_VERIFY(client->width() < 573 && client->height() < 381);
        QCOMPARE(widget->geometry(), place);
    }

    void windowMenuAndPictures()
    {
        QCOMPARE(window->windowTitle(), "Circular Error Probability (CEP) Calculator");
        QCOMPARE(QApplication::applicationVersion(), "1.00.0001");
        QCOMPARE(state(), (QStringList{"", "", "no", "no", "Results..."}));
        QCOMPARE(window->centralWidget()->size(), QSize(573, 381));
        QCOMPARE(window->centralWidget()->y(), window->menuBar()->geometry().bottom() + 1);
        const QPoint off = window->frameGeometry().center() - window->screen()->availableGeometry().center();
        QVERIFY2(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1, qPrintable(QString("off %1,%2").arg(off.x()).arg(off.y())));

        QCOMPARE(window->menuBar()->actions(), QList<QAction *>{window->mnuFile->menuAction()});
        QCOMPARE(window->mnuFile->title(), "File");
        QCOMPARE(window->mnuFile->actions(), (QList<QAction *>{window->mnuFileOpen, window->mnuFileSave}));
        QStringList items;
        for (const QAction *item : window->mnuFile->actions())
            items << item->text() + item->shortcut().toString();
        QCOMPARE(items, (QStringList{"Open", "Save"}));

        QCOMPARE(window->imgCEP->pixmap().size(), QSize(258, 250));
        const QImage glyph = window->cmdInFile->icon().pixmap(window->cmdInFile->iconSize()).toImage();
        QCOMPARE(glyph.size(), QSize(24, 23));
        int clear = 0, grey = 0;
        for (int i = 0; i < 24 * 23; ++i) {
            const QColor pixel = glyph.pixelColor(i % 24, i / 24);
            clear += pixel.alpha() == 0;
            grey += pixel.alpha() != 0 && pixel.rgb() == qRgb(192, 192, 192);  // the classic button face
        }
        QCOMPARE(grey, 0);
        QVERIFY(clear > 0 && clear < 24 * 23);
    }

    void textsFit()
    {
        const QString name = "308 Win 175gr SMK 44.5gr Varget 2024-06-15.grp (10-shot group at 1000 yards)";
        window->lblResults->setText(
            report(name, "18.888 37.776 56.664", "This load is shooting sub-MOA (0.849) @ 95% CI"));
        for (const QLabel *label : {window->lblIntro, window->lblResults}) {
            const int needed = label->heightForWidth(label->width());
            const QString why = label->objectName() + " needs " + QString::number(needed);
            QVERIFY2(needed > 0 && needed <= label->height(), qPrintable(why));
        }
        const QLabel *results = window->lblResults;
        QCOMPARE(results->heightForWidth(results->width()), results->heightForWidth(100000));  // no line wraps
    }

    void keys_data()
    {
        QTest::addColumn<bool>("calculateAvailable");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");  // before the first press, then after each
        QTest::newRow("Tab") << false << int(Qt::Key_Tab) << "cmdInFile txtYards cmdInFile";
        QTest::newRow("Tab, Calculate available") << true << int(Qt::Key_Tab) << "cmdInFile txtYards cmdDoIt cmdInFile";
        QTest::newRow("Shift+Tab, Calculate available")
            << true << int(Qt::Key_Backtab) << "cmdInFile cmdDoIt txtYards cmdInFile";
        QTest::newRow("Enter in the range box") << true << int(Qt::Key_Return) << "txtYards txtYards";
        QTest::newRow("Esc in the range box") << true << int(Qt::Key_Escape) << "txtYards txtYards";
    }

    void keys()
    {
        QFETCH(bool, calculateAvailable);
        QFETCH(int, key);
        QFETCH(QString, focus);
        QTRY_COMPARE(focusName(), "cmdInFile");
        window->cmdDoIt->setEnabled(calculateAvailable);
        const QStringList path = focus.split(' ');
        window->findChild<QWidget *>(path.first())->setFocus();
        QTRY_COMPARE(focusName(), path.first());
        for (const QString &next : path.mid(1)) {
            // Calculate (no file chosen: a warning), Open and the picture button would each show a modal.
            const auto press = [key] { QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)); };
            QCOMPARE(whileModal([&] { press(); QCoreApplication::processEvents(); }), QString());
            QCOMPARE(focusName(), next);
        }
        QVERIFY(window->isVisible());
        QCOMPARE(window->txtYards->text(), "100");
    }

    void choose_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("key");
        QTest::newRow("button") << int(Button) << int(Nothing) << int(Qt::Key_Return);
        QTest::newRow("menu, after a file elsewhere") << int(Menu) << int(ChosenElsewhere) << int(Qt::Key_Return);
        QTest::newRow("button, results shown") << int(Button) << int(ResultsShown) << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Button) << int(Nothing) << int(Qt::Key_Escape);
        QTest::newRow("Esc, results shown") << int(Menu) << int(ResultsShown) << int(Qt::Key_Escape);
        QTest::newRow("no data folder") << int(Button) << int(Nothing) << kNoDataFolder;
        QTest::newRow("no data folder, menu, file chosen") << int(Menu) << int(ChosenElsewhere) << kNoDataFolder;
    }

    void choose()
    {
        QFETCH(int, how);
        QFETCH(int, before);
        QFETCH(int, key);
        if (before == ChosenElsewhere) {
            // Qt's dialog would reopen the folder visited last.
            QVERIFY(!chooseFile(Button, "far.grp", Qt::Key_Return, elsewhere.path()).isEmpty());
            QCOMPARE(window->GroupFilePath, farPath);
        } else if (before == ResultsShown) {
            QVERIFY(showRange1());
        }
        QDir::setCurrent(elsewhere.path());
        if (key == kNoDataFolder)
            QVERIFY(QDir(dataDir).removeRecursively());
        QStringList expected = state();
        if (key == Qt::Key_Return)  // the label and Save stay as they were
            expected = QStringList{dataDir + "/RANGE2.GRP", "RANGE2.GRP", "yes"} + expected.mid(3);
        QCOMPARE(chooseFile(how, "RANGE2.GRP", key == kNoDataFolder ? int(Qt::Key_Escape) : key),
                 key == kNoDataFolder ? QString()
                                     : dataDir + " | '' | 1 Group File Format(.grp) | <b>x.grp RANGE2.GRP "
                                                 "collinear.grp range1.grp short.grp six-of-five.grp");
        QCOMPARE(state(), expected);
        QCOMPARE(QDir::currentPath(), key == kNoDataFolder ? elsewhere.path() : dataDir);
    }

    void calculate_data()
    {
        QTest::addColumn<bool>("resultsBefore");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("label");
        const QString none, start = "Results...";
        const QString zero = "Division by zero: the range box is empty; type the range in yards, such as 100.";
        QTest::newRow("exceeds 1-MOA") << false << "range1.grp" << "100" << none << kRange1At100;
        QTest::newRow("sub-MOA, replacing results")
            << true << "RANGE2.GRP" << "200" << none
            << report("RANGE2.GRP (4-shot group at 200 yards)", kFourCircles,
                      "This load is shooting sub-MOA (0.5) @ 95% CI");
        QTest::newRow("another folder") << false << farPath << "100" << none
                                        << report("far.grp (5-shot group at 100 yards)", kFiveCircles, kExceeds);
        QTest::newRow("markup in the name") << false << "<b>x.grp" << "100" << none
                                            << report("<b>x.grp (5-shot group at 100 yards)", kFiveCircles, kExceeds);
        QTest::newRow("no such file") << false << "missing.grp" << "100"
                                      << "File not found: there is no file at " + dataDir + "/missing.grp." << start;
        QTest::newRow("shots on a line")
            << false << "collinear.grp" << "100"
            << "Overflow: the shots that fix the group centre (the first five, or all of a smaller group) lie on "
               "one straight line or on one point, so the group has no centre." << start;
        QTest::newRow("shot data ends early")
            << false << "six-of-five.grp" << "100"
            << "Input past end of file: the file declares 6 shots but its shot data ends after 5 shots." << start;
        QTest::newRow("fewer than three lines")
            << false << "short.grp" << "100"
            << "Subscript out of range: a group needs at least three shots, and this file has fewer than three "
               "lines, so it declares none." << start;
        // The earlier run's shot table is still there: a centre is found, the average over no shots fails.
        QTest::newRow("fewer than three lines, results shown")
            << true << "short.grp" << "100"
            << "Overflow: the file declares no shots, so there is no distance to average." << kRange1At100;
        QTest::newRow("empty range") << false << "range1.grp" << "" << zero
                                     << report("range1.grp (5-shot group at  yards)", kFiveCircles);
        QTest::newRow("empty range, results shown") << true << "RANGE2.GRP" << "" << zero
                                                    << report("RANGE2.GRP (4-shot group at  yards)", kFourCircles);
    }

    void calculate()
    {
        QFETCH(bool, resultsBefore);
        QFETCH(QString, typed);
        QFETCH(QString, range);
        QFETCH(QString, failure);
        QFETCH(QString, label);
        if (resultsBefore)
            QVERIFY(showRange1());
        QVERIFY(!chooseFile(Button, typed).isEmpty());
        QCOMPARE(window->GroupFilePath, QDir(dataDir).absoluteFilePath(typed));
        window->txtYards->setText(range);
        QCOMPARE(clickCalculate(), failure.isEmpty() ? QString() : box("Warning", failure));
        QCOMPARE(window->lblResults->text(), label);
        QCOMPARE(window->mnuFileSave->isEnabled(), resultsBefore || failure.isEmpty());
    }

    void save_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<int>("saves");
        QTest::addColumn<QString>("chosenAfter");
        QTest::addColumn<QString>("rangeAfter");
        QTest::newRow("new file") << QByteArray() << 1 << "" << "100";
        QTest::newRow("after a record, twice")
            << QByteArray("\"old.grp\",300,2,4,6,1.33333333333333\r\n") << 2 << "" << "100";
        // A record never mixes the calculation with a later file or range.
        QTest::newRow("file chosen, range edited after") << QByteArray() << 1 << "RANGE2.GRP" << "50 yds";
    }

    void save()
    {
        QFETCH(QByteArray, existing);
        QFETCH(int, saves);
        QFETCH(QString, chosenAfter);
        QFETCH(QString, rangeAfter);
        QVERIFY(existing.isNull() || write(csvPath, existing));
        QVERIFY(showRange1());
        if (!chosenAfter.isEmpty()) {
            QVERIFY(!chooseFile(Menu, chosenAfter).isEmpty());
            QCOMPARE(window->GroupFileName, chosenAfter);
        }
        window->txtYards->setText(rangeAfter);
        for (int i = 0; i < saves; ++i)
            QCOMPARE(clickSave(), box("Information", "CEP and MOA data have been saved in \r\n" + csvPath +
                                                         "\r\nYou may view this file in MS Excel or similar "
                                                         "spreadsheet software."));
        QCOMPARE(read(csvPath), existing + kRange1Record.repeated(saves));
    }

    void saveFailure_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("reason");
        // Tests run as root, so permission bits would not stop the write.
        QTest::newRow("CEP.csv is a folder") << true << "Is a directory";
        QTest::newRow("disk full") << false << "No space left on device";
    }

    void saveFailure()
    {
        QFETCH(bool, folder);
        QFETCH(QString, reason);
        const QString inside = csvPath + "/keep.txt";
        QVERIFY(folder ? QDir().mkpath(csvPath) && write(inside, "earlier\r\n") : QFile::link("/dev/full", csvPath));
        QVERIFY(showRange1());
        const QStringList before = state();
        // Only the warning: a confirmation after it would be left open.
        QCOMPARE(clickSave(), box("Warning", "File access failure: could not write " + csvPath + " (" + reason + ")"));
        QCOMPARE(state(), before);
        QVERIFY(!folder || read(inside) == "earlier\r\n");
        // The results are still there to save once the obstacle is gone.
        QVERIFY(folder ? QDir(csvPath).removeRecursively() : QFile::remove(csvPath));
        QVERIFY(clickSave().startsWith("Information"));
        QCOMPARE(read(csvPath), kRange1Record);
    }
};

QTEST_MAIN(CepcalcTest)
#include "tst_cepcalc.moc"

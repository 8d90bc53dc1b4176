// The window's commands driven as a user drives them: the real open-file
// dialog and the real message boxes, on the files beside this test program,
// which stands in for the program's folder.
#include "application_setup.h"
#include "cepcalc.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <memory>

namespace {

// Long enough for any dialog to be handled; a modal still open then is closed
// so that the test fails instead of hanging.
constexpr int kSafetyMs = 8000;

enum Opener { Button, Menu };
enum CancelBy { CancelButton, EscapeKey, CloseBox };
enum Before { NothingChosen, ChosenElsewhere, ResultsShown };

const QString kCrLf = QStringLiteral("\r\n");

QByteArray groupFile(const char *count, std::initializer_list<const char *> shots)
{
    QByteArray out = "Orvanta group file\r\n308 Win 175gr SMK\r\n";
    out += count;
    out += "\r\n";
    for (const char *shot : shots) {
        out += shot;
        out += "\r\n";
    }
    return out;
}

// Cep 1.25: every shot lies 1.25 from the centre (0, 0).
const QByteArray kFiveShots = groupFile("5", {"1.25,0", "0,1.25", "-1.25,0", "0,-1.25", "1.25,0"});
// Cep 0.5.
const QByteArray kFourShots = groupFile("4", {"0.5,0", "0,0.5", "-0.5,0", "0,-0.5"});

const QString kRange1At100 = QStringLiteral(
    "range1.grp (5-shot group at 100 yards)\r\n\r\n"
    "50% of the rounds will land within a circle 1.25 inches in diameter\r\n"
    "93% of the rounds will land within a circle 2.5 inches in diameter\r\n"
    "99% of the rounds will land within a circle 3.75 inches in diameter\r\n"
    "This load exceeds 1-MOA (2.5) @ 95% CI");
const QByteArray kRange1Record = "\"range1.grp\",100,1.25,2.5,3.75,2.5\r\n";
const QString kStartResults = QStringLiteral("Results...");

// Lines 1 to 5 of a report, each ended by CR LF.
QString circleLines(const QString &heading, const char *d50, const char *d93, const char *d99)
{
    const QString line =
        QStringLiteral("%1% of the rounds will land within a circle %2 inches in diameter");
    return heading + kCrLf + kCrLf + line.arg(50).arg(QLatin1String(d50)) + kCrLf +
           line.arg(93).arg(QLatin1String(d93)) + kCrLf + line.arg(99).arg(QLatin1String(d99)) + kCrLf;
}

struct Modal
{
    bool shown = false;   // a modal widget came up
    bool forced = false;  // the safety timer had to close something
};

// Runs `act`, which may open a modal widget; `handle` gets the first one that
// comes up and is expected to close it.
Modal whileModal(const std::function<void()> &act, const std::function<void(QWidget *)> &handle)
{
    Modal seen;
    QObject guard;  // ends both timers when this returns
    std::function<void()> poll = [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            seen.shown = true;
            handle(modal);
        } else {
            QTimer::singleShot(10, &guard, poll);
        }
    };
    QTimer::singleShot(0, &guard, poll);
    QTimer::singleShot(kSafetyMs, &guard, [&] {
        for (int i = 0; i < 10; ++i) {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal == nullptr)
                break;
            seen.forced = true;
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
        }
    });
    act();
    return seen;
}

struct Box
{
    Modal modal;
    QString seen;  // as boxSeen() describes it
};

// A message box's icon, title, buttons and text, in one comparable text.
QString boxSeen(QMessageBox::Icon icon, const QString &title, bool okOnly, const QString &text)
{
    const char *iconName = icon == QMessageBox::Information ? "information"
                           : icon == QMessageBox::Warning   ? "warning"
                                                            : "other";
    return QStringLiteral("icon=%1 | title=%2 | %3 | ")
               .arg(QLatin1String(iconName), title,
                    okOnly ? QStringLiteral("OK only") : QStringLiteral("other buttons")) +
           text;
}

// What the window's boxes must show: the application's title and one OK.
QString expectedBox(QMessageBox::Icon icon, const QString &text)
{
    return boxSeen(icon, QGuiApplication::applicationDisplayName(), true, text);
}

// Runs `act` and answers the message box it shows, if any, with OK.
Box withMessageBox(const std::function<void()> &act)
{
    Box box;
    box.modal = whileModal(act, [&box](QWidget *modal) {
        auto *message = qobject_cast<QMessageBox *>(modal);
        if (message == nullptr)
            return;  // not what was expected: the safety timer closes it
        const bool okOnly =
            message->standardButtons() == QMessageBox::Ok && message->buttons().size() == 1;
        box.seen = boxSeen(message->icon(), message->windowTitle(), okOnly, message->text());
        if (QAbstractButton *ok = message->button(QMessageBox::Ok))
            ok->click();
    });
    return box;
}

QStringList listedNames(const QFileDialog *dialog)
{
    const auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
    if (view == nullptr || view->model() == nullptr)
        return {QStringLiteral("<no list view>")};
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

// What the Choose-file dialog showed when it came up.
struct DialogView
{
    QString directory;
    QString nameBox;
    QStringList types;
    int selectedType = -1;
    QStringList listed;
};

} // namespace

class CepcalcCommandsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CEPcalc> window;
    QTemporaryDir elsewhere;  // a folder outside the data folder
    QString startDir;
    QString programDir;
    QString dataDir;
    QString csvPath;
    QString farPath;

    void open(int how)
    {
        if (how == Button)
            QTest::mouseClick(window->cmdInFile, Qt::LeftButton);
        else
            window->mnuFileOpen->trigger();
    }

    // Chooses a file as a user does: opens the dialog, types the name into
    // its name box and presses Return; with `folder`, goes to that folder
    // first the same way. Fills `view` with what the dialog showed.
    bool choose(int how, const QString &typed, DialogView *view = nullptr, const QString &folder = {})
    {
        const Modal modal = whileModal([&] { open(how); }, [&](QWidget *widget) {
            auto *dialog = qobject_cast<QFileDialog *>(widget);
            if (dialog == nullptr)
                return;
            auto *nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (nameBox == nullptr)
                return;
            if (view != nullptr) {
                view->directory = dialog->directory().absolutePath();
                view->nameBox = nameBox->text();
                const auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                if (types != nullptr) {
                    for (int i = 0; i < types->count(); ++i)
                        view->types << types->itemText(i);
                    view->selectedType = types->currentIndex();
                }
                // The list is filled in the background; a list that never
                // fills shows up in the comparison of the names.
                (void)QTest::qWaitFor([&] {
                    const QStringList names = listedNames(dialog);
                    return names.contains(QStringLiteral("range1.grp")) &&
                           names.contains(QStringLiteral("RANGE2.GRP"));
                });
                view->listed = listedNames(dialog);
            }
            // Type where a user types: into the focused name box of the
            // active dialog. Activation comes later than the dialog, and an
            // unfocused box is overwritten when the typed name selects a file.
            dialog->activateWindow();
            (void)QTest::qWaitFor(
                [dialog] { return QGuiApplication::focusWindow() == dialog->windowHandle(); });
            nameBox->setFocus();
            if (!folder.isEmpty()) {
                QTest::keyClicks(nameBox, folder);
                QTest::keyClick(nameBox, Qt::Key_Return);
                (void)QTest::qWaitFor([&] { return dialog->directory().absolutePath() == folder; });
                nameBox->clear();
            }
            QTest::keyClicks(nameBox, typed);
            QTest::keyClick(nameBox, Qt::Key_Return);
        });
        return modal.shown && !modal.forced && QApplication::activeModalWidget() == nullptr;
    }

    Box clickCalculate()
    {
        return withMessageBox([this] { QTest::mouseClick(window->cmdDoIt, Qt::LeftButton); });
    }

    Box triggerSave()
    {
        return withMessageBox([this] { window->mnuFileSave->trigger(); });
    }

    // Chooses range1.grp and calculates it at 100 yards without a failure.
    bool showRange1Results()
    {
        if (!choose(Button, QStringLiteral("range1.grp")))
            return false;
        window->txtYards->setText(QStringLiteral("100"));
        const Box box = clickCalculate();
        return !box.modal.shown && window->lblResults->text() == kRange1At100;
    }

    // Everything a command may change, in one comparable text.
    QString state() const
    {
        const auto yesNo = [](bool on) { return on ? QStringLiteral("yes") : QStringLiteral("no"); };
        return QStringLiteral("path=") + window->GroupFilePath + QStringLiteral(" | name=") +
               window->GroupFileName + QStringLiteral(" | calculate=") +
               yesNo(window->cmdDoIt->isEnabled()) + QStringLiteral(" | save=") +
               yesNo(window->mnuFileSave->isEnabled()) + QStringLiteral(" | label=") +
               window->lblResults->text();
    }

    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // CEP.csv may have been made a folder or a link by a test.
    bool removeProgramFiles()
    {
        const QFileInfo csv(csvPath);
        if (csv.isSymLink() || csv.isFile())
            QFile::remove(csvPath);
        else if (csv.isDir())
            QDir(csvPath).removeRecursively();
        QDir(dataDir).removeRecursively();
        return !QFileInfo(csvPath).isSymLink() && !QFileInfo::exists(csvPath) &&
               !QFileInfo::exists(dataDir);
    }

private slots:
    void initTestCase()
    {
        cepui::setUpApplication();
        startDir = QDir::currentPath();
        programDir = QCoreApplication::applicationDirPath();
        dataDir = programDir + QStringLiteral("/yourdata");
        csvPath = programDir + QStringLiteral("/CEP.csv");
        QVERIFY(elsewhere.isValid());
        farPath = elsewhere.filePath(QStringLiteral("far.grp"));
        QVERIFY(writeFile(farPath, kFiveShots));
    }

    void init()
    {
        QVERIFY(removeProgramFiles());
        QVERIFY(QDir().mkpath(dataDir));
        const QList<QPair<QString, QByteArray>> files = {
            {QStringLiteral("range1.grp"), kFiveShots},
            {QStringLiteral("RANGE2.GRP"), kFourShots},
            {QStringLiteral("collinear.grp"), groupFile("5", {"0,0", "1,1", "2,2", "3,3", "4,4"})},
            {QStringLiteral("two.grp"), groupFile("2", {"1,1", "3,1"})},
            {QStringLiteral("short.grp"), "Orvanta group file\r\nno count line\r\n"},
            {QStringLiteral("six-of-five.grp"),
             groupFile("6", {"1.25,0", "0,1.25", "-1.25,0", "0,-1.25", "1.25,0"})},
            {QStringLiteral("<b>x.grp"), kFiveShots},
            {QStringLiteral("notes.txt"), "not a group file\r\n"},
        };
        for (const auto &[name, bytes] : files)
            QVERIFY2(writeFile(dataDir + QLatin1Char('/') + name, bytes), qPrintable(name));

        window = std::make_unique<CEPcalc>();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup()
    {
        window.reset();
        QDir::setCurrent(startDir);
        QVERIFY(removeProgramFiles());
    }

    void start()
    {
        QVERIFY(!window->cmdDoIt->isEnabled());
        QVERIFY(!window->mnuFileSave->isEnabled());
        QVERIFY(window->cmdInFile->isEnabled());
        QVERIFY(window->mnuFileOpen->isEnabled());
        QCOMPARE(state(), QStringLiteral("path= | name= | calculate=no | save=no | label=Results..."));
        QCOMPARE(window->txtYards->text(), QStringLiteral("100"));

        // The greyed commands run nothing.
        QVERIFY(!clickCalculate().modal.shown);
        QVERIFY(!triggerSave().modal.shown);
        QVERIFY(!QFileInfo::exists(csvPath));

        // Both ways to choose a file open the dialog.
        for (const int how : {Button, Menu}) {
            bool isFileDialog = false;
            const Modal modal = whileModal([&] { open(how); }, [&](QWidget *widget) {
                isFileDialog = qobject_cast<QFileDialog *>(widget) != nullptr;
                if (auto *dialog = qobject_cast<QDialog *>(widget))
                    dialog->reject();
            });
            QVERIFY(modal.shown);
            QVERIFY(!modal.forced);
            QVERIFY(isFileDialog);
        }
    }

    void chooseFile_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("before");

        QTest::newRow("button, nothing chosen") << int(Button) << int(NothingChosen);
        QTest::newRow("menu, nothing chosen") << int(Menu) << int(NothingChosen);
        QTest::newRow("button, after a file elsewhere") << int(Button) << int(ChosenElsewhere);
        QTest::newRow("menu, results shown") << int(Menu) << int(ResultsShown);
    }

    void chooseFile()
    {
        QFETCH(int, how);
        QFETCH(int, before);

        if (before == ChosenElsewhere) {
            // Qt's dialog would reopen the folder visited last.
            QVERIFY(choose(Button, QStringLiteral("far.grp"), nullptr, elsewhere.path()));
            QCOMPARE(window->GroupFilePath, farPath);
            QDir::setCurrent(elsewhere.path());  // the dialog must not start here
        } else if (before == ResultsShown) {
            QVERIFY(showRange1Results());
        }
        const QString label = window->lblResults->text();
        const bool saveAvailable = window->mnuFileSave->isEnabled();

        DialogView view;
        QVERIFY(choose(how, QStringLiteral("RANGE2.GRP"), &view));

        QCOMPARE(view.directory, dataDir);
        QCOMPARE(view.nameBox, QString());
        QCOMPARE(view.types, QStringList{QStringLiteral("Group File Format(.grp)")});
        QCOMPARE(view.selectedType, 0);
        QStringList groupFiles = {"range1.grp", "RANGE2.GRP", "collinear.grp", "two.grp",
                                  "short.grp",  "six-of-five.grp", "<b>x.grp"};
        groupFiles.sort();
        QCOMPARE(view.listed, groupFiles);

        QCOMPARE(window->GroupFilePath, dataDir + QStringLiteral("/RANGE2.GRP"));
        QCOMPARE(window->GroupFileName, QStringLiteral("RANGE2.GRP"));
        QVERIFY(window->cmdDoIt->isEnabled());
        QCOMPARE(window->lblResults->text(), label);
        QCOMPARE(window->mnuFileSave->isEnabled(), saveAvailable);
        QCOMPARE(window->lblGroupFile->text(), QStringLiteral("Select a group file (*.GRP)"));
        QCOMPARE(QDir::currentPath(), dataDir);
    }

    void cancelChangesNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("cancelBy");
        QTest::addColumn<int>("before");

        const auto row = [](const char *name, Opener how, CancelBy cancelBy, Before before) {
            QTest::newRow(name) << int(how) << int(cancelBy) << int(before);
        };
        row("button, Cancel, nothing chosen", Button, CancelButton, NothingChosen);
        row("menu, Esc, nothing chosen", Menu, EscapeKey, NothingChosen);
        row("button, close box, file chosen", Button, CloseBox, ChosenElsewhere);
        row("menu, Cancel, file chosen", Menu, CancelButton, ChosenElsewhere);
        row("button, Esc, results shown", Button, EscapeKey, ResultsShown);
        row("menu, close box, results shown", Menu, CloseBox, ResultsShown);
    }

    void cancelChangesNothing()
    {
        QFETCH(int, how);
        QFETCH(int, cancelBy);
        QFETCH(int, before);

        if (before == ChosenElsewhere)
            QVERIFY(choose(Button, farPath));
        else if (before == ResultsShown)
            QVERIFY(showRange1Results());
        QDir::setCurrent(elsewhere.path());
        const QString expected = state();

        const Modal modal = whileModal([&] { open(how); }, [&](QWidget *widget) {
            auto *dialog = qobject_cast<QFileDialog *>(widget);
            if (dialog == nullptr)
                return;
            // Something typed but not taken must not count either.
            QWidget *nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (nameBox == nullptr)
                nameBox = dialog;
            QTest::keyClicks(nameBox, QStringLiteral("two.grp"));
            if (cancelBy == CancelButton) {
                const auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
                if (buttons != nullptr && buttons->button(QDialogButtonBox::Cancel) != nullptr)
                    buttons->button(QDialogButtonBox::Cancel)->click();
            } else if (cancelBy == EscapeKey) {
                QTest::keyClick(nameBox, Qt::Key_Escape);
            } else {
                dialog->close();
            }
        });
        QVERIFY(modal.shown);
        QVERIFY(!modal.forced);
        QCOMPARE(state(), expected);
        // Entering the data folder comes before the dialog and is not undone.
        QCOMPARE(QDir::currentPath(), dataDir);
    }

    void noDataFolder_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("chosenBefore");

        QTest::newRow("button") << int(Button) << false;
        QTest::newRow("menu") << int(Menu) << false;
        QTest::newRow("button, file chosen before") << int(Button) << true;
        QTest::newRow("menu, file chosen before") << int(Menu) << true;
    }

    void noDataFolder()
    {
        QFETCH(int, how);
        QFETCH(bool, chosenBefore);

        if (chosenBefore)
            QVERIFY(choose(Button, QStringLiteral("range1.grp")));
        QDir::setCurrent(elsewhere.path());
        QVERIFY(QDir(dataDir).removeRecursively());
        const QString expected = state();

        const Modal modal = whileModal([&] { open(how); }, [](QWidget *widget) {
            if (auto *dialog = qobject_cast<QDialog *>(widget))
                dialog->reject();
        });
        QVERIFY(!modal.shown);
        QCOMPARE(state(), expected);
        QCOMPARE(QDir::currentPath(), elsewhere.path());
    }

    void calculate_data()
    {
        QTest::addColumn<bool>("resultsBefore");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("report");

        const QString exceeds = QStringLiteral("This load exceeds 1-MOA (2.5) @ 95% CI");
        QTest::newRow("five shots, exceeds 1-MOA")
            << false << "range1.grp" << "range1.grp" << "100" << kRange1At100;
        QTest::newRow("upper-case name, 1-MOA")
            << false << "RANGE2.GRP" << "RANGE2.GRP" << "100"
            << circleLines("RANGE2.GRP (4-shot group at 100 yards)", "0.5", "1.", "1.5") +
                   "This load is shooting 1-MOA (1.) @ 95% CI";
        // The new report replaces the whole earlier one.
        QTest::newRow("sub-MOA at 200 yards, after results")
            << true << "RANGE2.GRP" << "RANGE2.GRP" << "200"
            << circleLines("RANGE2.GRP (4-shot group at 200 yards)", "0.5", "1.", "1.5") +
                   "This load is shooting sub-MOA (0.5) @ 95% CI";
        QTest::newRow("file in another folder")
            << false << farPath << "far.grp" << "100"
            << circleLines("far.grp (5-shot group at 100 yards)", "1.25", "2.5", "3.75") + exceeds;
        QTest::newRow("markup in the name shown as typed")
            << false << "<b>x.grp" << "<b>x.grp" << "100"
            << circleLines("<b>x.grp (5-shot group at 100 yards)", "1.25", "2.5", "3.75") + exceeds;
    }

    void calculate()
    {
        QFETCH(bool, resultsBefore);
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QFETCH(QString, range);
        QFETCH(QString, report);

        if (resultsBefore)
            QVERIFY(showRange1Results());
        QVERIFY(choose(Button, typed));
        QCOMPARE(window->GroupFilePath, QDir(dataDir).absoluteFilePath(typed));
        QCOMPARE(window->GroupFileName, name);
        QCOMPARE(window->mnuFileSave->isEnabled(), resultsBefore);

        window->txtYards->setText(range);
        const Box box = clickCalculate();
        QVERIFY2(!box.modal.shown, qPrintable(box.seen));
        QCOMPARE(window->lblResults->text(), report);
        QCOMPARE(window->lblResults->textFormat(), Qt::PlainText);
        QVERIFY(window->mnuFileSave->isEnabled());
        QVERIFY(window->cmdDoIt->isEnabled());
    }

    void calculateFailure_data()
    {
        QTest::addColumn<bool>("resultsBefore");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("label");

        const QString noCentre =
            "Overflow: the shots that fix the group centre (the first five, or all of a smaller group) "
            "lie on one straight line or on one point, so the group has no centre.";
        const QString zeroRange =
            "Division by zero: the range box is empty; type the range in yards, such as 100.";

        QTest::newRow("shots on one line")
            << false << "collinear.grp" << "100" << noCentre << kStartResults;
        QTest::newRow("two shots")
            << false << "two.grp" << "100"
            << "Subscript out of range: a group needs at least three shots, and this file declares 2."
            << kStartResults;
        QTest::newRow("shot data ends early")
            << false << "six-of-five.grp" << "100"
            << "Input past end of file: the file declares 6 shots but its shot data ends after 5 shots."
            << kStartResults;
        QTest::newRow("typed name of no file")
            << false << "missing.grp" << "100"
            << "File not found: there is no file at " + dataDir + "/missing.grp." << kStartResults;
        QTest::newRow("fewer than three lines")
            << false << "short.grp" << "100"
            << "Subscript out of range: a group needs at least three shots, and this file has "
               "fewer than three lines, so it declares none."
            << kStartResults;
        QTest::newRow("empty range")
            << false << "range1.grp" << "" << zeroRange
            << circleLines("range1.grp (5-shot group at  yards)", "1.25", "2.5", "3.75");
        QTest::newRow("empty range, results shown")
            << true << "RANGE2.GRP" << "" << zeroRange
            << circleLines("RANGE2.GRP (4-shot group at  yards)", "0.5", "1.", "1.5");
        // The shot table of the earlier run is still there, so the centre is
        // found and the average over no shots fails.
        QTest::newRow("fewer than three lines, results shown")
            << true << "short.grp" << "100"
            << "Overflow: the file declares no shots, so there is no distance to average."
            << kRange1At100;
        QTest::newRow("typed name of no file, results shown")
            << true << "missing.grp" << "100"
            << "File not found: there is no file at " + dataDir + "/missing.grp." << kRange1At100;
    }

    void calculateFailure()
    {
        QFETCH(bool, resultsBefore);
        QFETCH(QString, typed);
        QFETCH(QString, range);
        QFETCH(QString, message);
        QFETCH(QString, label);

        if (resultsBefore)
            QVERIFY(showRange1Results());
        QVERIFY(choose(Menu, typed));
        // A name that names no file is taken all the same.
        QCOMPARE(window->GroupFilePath, dataDir + QLatin1Char('/') + typed);
        QCOMPARE(window->GroupFileName, typed);
        window->txtYards->setText(range);

        const Box box = clickCalculate();
        QVERIFY(!box.modal.forced);
        QCOMPARE(box.seen, expectedBox(QMessageBox::Warning, message));
        QVERIFY(!QGuiApplication::applicationDisplayName().isEmpty());

        QCOMPARE(window->lblResults->text(), label);
        QCOMPARE(window->mnuFileSave->isEnabled(), resultsBefore);
        QVERIFY(window->cmdDoIt->isEnabled());
        QVERIFY(window->isVisible());
    }

    void save_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<int>("saves");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray older = "\"old.grp\",300,2,4,6,1.33333333333333\r\n";
        QTest::newRow("new file") << QByteArray() << 1 << kRange1Record;
        QTest::newRow("after earlier records") << older << 1 << older + kRange1Record;
        QTest::newRow("twice in a row") << QByteArray() << 2 << kRange1Record + kRange1Record;
    }

    void save()
    {
        QFETCH(QByteArray, existing);
        QFETCH(int, saves);
        QFETCH(QByteArray, expected);

        if (!existing.isNull())
            QVERIFY(writeFile(csvPath, existing));
        QVERIFY(showRange1Results());

        for (int i = 0; i < saves; ++i) {
            const Box box = triggerSave();
            QVERIFY(!box.modal.forced);
            QCOMPARE(box.seen, expectedBox(QMessageBox::Information,
                                           "CEP and MOA data have been saved in \r\n" + csvPath +
                                               "\r\nYou may view this file in MS Excel or similar "
                                               "spreadsheet software."));
        }
        QCOMPARE(readFile(csvPath), expected);
        QCOMPARE(window->lblResults->text(), kRange1At100);
    }

    void saveWritesWhatWasCalculated_data()
    {
        QTest::addColumn<QString>("chosenAfter");
        QTest::addColumn<QString>("rangeAfter");

        QTest::newRow("another file chosen") << "RANGE2.GRP" << "100";
        QTest::newRow("range edited") << QString() << "200";
        QTest::newRow("range cleared") << QString() << "";
        QTest::newRow("both") << "two.grp" << "50 yds";
    }

    void saveWritesWhatWasCalculated()
    {
        QFETCH(QString, chosenAfter);
        QFETCH(QString, rangeAfter);

        QVERIFY(showRange1Results());
        if (!chosenAfter.isEmpty()) {
            QVERIFY(choose(Menu, chosenAfter));
            QCOMPARE(window->GroupFileName, chosenAfter);
        }
        window->txtYards->setText(rangeAfter);

        const Box box = triggerSave();
        QVERIFY(box.seen.startsWith(QStringLiteral("icon=information")));
        QCOMPARE(readFile(csvPath), kRange1Record);
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

        const QString inside = csvPath + QStringLiteral("/keep.txt");
        if (folder) {
            QVERIFY(QDir().mkpath(csvPath));
            QVERIFY(writeFile(inside, "earlier content\r\n"));
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), csvPath));
        }
        QVERIFY(showRange1Results());
        const QString before = state();

        // One box, the error; a confirmation after it would be left open.
        const Box box = triggerSave();
        QVERIFY(!box.modal.forced);
        QCOMPARE(box.seen, expectedBox(QMessageBox::Warning, "File access failure: could not write " +
                                                                 csvPath + " (" + reason + ")"));
        QCOMPARE(state(), before);
        if (folder)
            QCOMPARE(readFile(inside), QByteArray("earlier content\r\n"));

        // The results are still there to save once the obstacle is gone.
        QVERIFY(folder ? QDir(csvPath).removeRecursively() : QFile::remove(csvPath));
        QVERIFY(triggerSave().seen.startsWith(QStringLiteral("icon=information")));
        QCOMPARE(readFile(csvPath), kRange1Record);
    }
};

QTEST_MAIN(CepcalcCommandsTest)
#include "tst_cepcalc_commands.moc"

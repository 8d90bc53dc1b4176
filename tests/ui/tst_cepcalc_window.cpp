#include "application_setup.h"
#include "cepcalc.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <memory>

namespace {

// The controls that hold a place in the tab order, by that place.
const QStringList kTabOrder = {"cmdDoIt",  "lblResults", "lblIntro", "lblGroupFile",
                               "lblRange", "cmdInFile",  "txtYards"};

QString textOf(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QPushButton *>(widget))
        return button->text();
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    return QStringLiteral("<not a text control>");
}

QString focusName()
{
    const QWidget *focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName() : QStringLiteral("<no focus>");
}

} // namespace

class CepcalcWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CEPcalc> window;

    QWidget *control(const QString &name) const
    {
        return window->centralWidget()->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    }

    // Shows the window as the program does; the Calculate button's availability
    // is set first, because the start-up focus depends on it.
    bool showWindow(bool calculateAvailable = true)
    {
        window->cmdDoIt->setEnabled(calculateAvailable);
        window->showCentred();
        return QTest::qWaitForWindowActive(window.get());
    }

    QMap<QString, QRect> controlGeometries() const
    {
        QMap<QString, QRect> geometries;
        const auto children =
            window->centralWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (const QWidget *child : children)
            geometries.insert(child->objectName(), child->geometry());
        return geometries;
    }

private slots:
    void initTestCase() { cepui::setUpApplication(); }
    void init() { window = std::make_unique<CEPcalc>(); }
    void cleanup() { window.reset(); }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("tabPlace");

        QTest::newRow("lblIntro")
            << "lblIntro" << QRect(8, 8, 281, 73)
            << "CEP is used as an intuitive measure of accuracy. Using any group file you have "
               "already created, Orvanta will calculate CEP for you and describe the results below "
               "in reference to the target graphic shown on the right."
            << true << 2;
        QTest::newRow("lblGroupFile") << "lblGroupFile" << QRect(56, 96, 145, 17)
                                      << "Select a group file (*.GRP)" << false << 3;
        QTest::newRow("cmdInFile") << "cmdInFile" << QRect(216, 88, 33, 25) << "" << false << 5;
        QTest::newRow("lblRange") << "lblRange" << QRect(56, 128, 129, 25) << "Range (yards)"
                                  << false << 4;
        QTest::newRow("txtYards") << "txtYards" << QRect(152, 128, 105, 27) << "100" << false << 6;
        QTest::newRow("cmdDoIt") << "cmdDoIt" << QRect(88, 184, 145, 41) << "Calculate CEP"
                                 << false << 0;
        QTest::newRow("imgCEP") << "imgCEP" << QRect(304, 8, 258, 250) << "" << false << -1;
        QTest::newRow("lblResults") << "lblResults" << QRect(8, 264, 553, 89) << "Results..."
                                    << false << 1;
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, bold);
        QFETCH(int, tabPlace);

        QVERIFY(showWindow());
        const QWidget *widget = control(name);
        QVERIFY2(widget != nullptr, qPrintable(name));

        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(textOf(widget), text);
        QVERIFY(widget->isVisible());
        QVERIFY(widget->isEnabled());
        QVERIFY(widget->toolTip().isEmpty());
        QVERIFY(widget->whatsThis().isEmpty());

        QCOMPARE(widget->font().weight(), bold ? QFont::Bold : QFont::Normal);
        const QFontInfo font(widget->font());
        QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(font.pixelSize(), 11);
        QCOMPARE(font.bold(), bold);

        // Labels and the picture never take the focus; the others take it by Tab.
        const bool takesFocus = (widget->focusPolicy() & Qt::TabFocus) != 0;
        QCOMPARE(takesFocus, qobject_cast<const QLabel *>(widget) == nullptr);

        // The focus chain must hold the tab-order controls in their design order.
        QStringList chain;
        for (QWidget *w = window->nextInFocusChain(); w != window.get(); w = w->nextInFocusChain())
            if (kTabOrder.contains(w->objectName()))
                chain << w->objectName();
        QCOMPARE(chain, kTabOrder);
        QCOMPARE(int(kTabOrder.indexOf(name)), tabPlace);
    }

    void labels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("white");

        const int topLeft = Qt::AlignLeft | Qt::AlignTop;
        QTest::newRow("lblIntro") << "lblIntro" << topLeft << false;
        QTest::newRow("lblGroupFile") << "lblGroupFile" << topLeft << false;
        QTest::newRow("lblRange") << "lblRange" << topLeft << false;
        QTest::newRow("lblResults") << "lblResults" << int(Qt::AlignHCenter | Qt::AlignTop) << true;
    }

    void labels()
    {
        QFETCH(QString, name);
        QFETCH(int, alignment);
        QFETCH(bool, white);

        QVERIFY(showWindow());
        const auto *label = qobject_cast<const QLabel *>(control(name));
        QVERIFY2(label != nullptr, qPrintable(name));

        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->wordWrap());
        QCOMPARE(int(label->alignment()), alignment);
        QCOMPARE(label->frameShape(), QFrame::NoFrame);
        QVERIFY(label->autoFillBackground());

        // What the screen shows at the label's lower left corner, where no
        // text reaches: white for the results, the window's colour otherwise.
        const QColor expected = white ? QColor(Qt::white) : window->palette().color(QPalette::Window);
        const QImage client = window->centralWidget()->grab().toImage();
        const QPoint corner = label->geometry().bottomLeft() + QPoint(1, -1);
        QCOMPARE(client.pixelColor(corner), expected);
    }

    void menu()
    {
        const QList<QAction *> titles = window->menuBar()->actions();
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles.first()->text(), QStringLiteral("File"));
        QCOMPARE(titles.first()->menu(), window->mnuFile);
        QCOMPARE(window->mnuFile->objectName(), QStringLiteral("mnuFile"));

        const QList<QAction *> items = window->mnuFile->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0), window->mnuFileOpen);
        QCOMPARE(items.at(1), window->mnuFileSave);
        const QStringList names = {"mnuFileOpen", "mnuFileSave"};
        const QStringList texts = {"Open", "Save"};
        for (int i = 0; i < 2; ++i) {
            const QAction *item = items.at(i);
            QCOMPARE(item->objectName(), names.at(i));
            QCOMPARE(item->text(), texts.at(i));
            QVERIFY(!item->isSeparator());
            QVERIFY(item->shortcut().isEmpty());
            QVERIFY(item->isVisible());
        }
    }

    void applicationVersion()
    {
        QCOMPARE(QApplication::applicationVersion(), QStringLiteral("1.00.0001"));
    }

    void windowFrame()
    {
        QVERIFY(showWindow());
        QCOMPARE(window->windowTitle(), QStringLiteral("Circular Error Probability (CEP) Calculator"));
        QCOMPARE(window->windowState(), Qt::WindowNoState);
        QVERIFY(window->minimumSize() != window->maximumSize());

        // The client area is the central widget, right below the menu bar.
        QCOMPARE(window->centralWidget()->size(), QSize(573, 381));
        QCOMPARE(window->centralWidget()->y(), window->menuBar()->geometry().bottom() + 1);

        const QRect available = window->screen()->availableGeometry();
        const QPoint offCentre = window->frameGeometry().center() - available.center();
        QVERIFY2(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1,
                 qPrintable(QStringLiteral("window %1,%2 off centre")
                                .arg(offCentre.x())
                                .arg(offCentre.y())));
    }

    void pictures()
    {
        QVERIFY(showWindow());

        QVERIFY(!window->imgCEP->hasScaledContents());
        QCOMPARE(window->imgCEP->pixmap().size(), QSize(258, 250));

        QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));

        QVERIFY(window->cmdInFile->text().isEmpty());
        QCOMPARE(window->cmdInFile->iconSize(), QSize(24, 23));
        const QImage glyph = window->cmdInFile->icon().pixmap(QSize(24, 23)).toImage();
        QCOMPARE(glyph.size(), QSize(24, 23));
        int transparent = 0;
        for (int y = 0; y < glyph.height(); ++y) {
            for (int x = 0; x < glyph.width(); ++x) {
                const QColor pixel = glyph.pixelColor(x, y);
                if (pixel.alpha() == 0)
                    ++transparent;
                else
                    QVERIFY2(pixel.rgb() != qRgb(192, 192, 192),
                             qPrintable(QStringLiteral("grey left at %1,%2").arg(x).arg(y)));
            }
        }
        QVERIFY(transparent > 0);
        QVERIFY(transparent < glyph.width() * glyph.height());
    }

    void introductionFits()
    {
        const int needed = window->lblIntro->heightForWidth(window->lblIntro->width());
        QVERIFY2(needed <= 73, qPrintable(QStringLiteral("needs %1 px").arg(needed)));
    }

    void reportFits_data()
    {
        QTest::addColumn<QString>("report");

        const auto report = [](const char *heading, const char *cep, const char *twice,
                               const char *thrice, const char *verdict) {
            return QStringList{QString::fromLatin1(heading), QString(),
                               QStringLiteral("50% of the rounds will land within a circle %1 "
                                              "inches in diameter")
                                   .arg(QLatin1String(cep)),
                               QStringLiteral("93% of the rounds will land within a circle %1 "
                                              "inches in diameter")
                                   .arg(QLatin1String(twice)),
                               QStringLiteral("99% of the rounds will land within a circle %1 "
                                              "inches in diameter")
                                   .arg(QLatin1String(thrice)),
                               QString::fromLatin1(verdict)}
                .join(QStringLiteral("\r\n"));
        };

        QTest::newRow("long file name, sub-MOA")
            << report("308 Win 175gr SMK 44.5gr Varget 2024-06-15.grp (10-shot group at 1000 yards)",
                      "8.888", "17.776", "26.664", "This load is shooting sub-MOA (0.849) @ 95% CI");
        QTest::newRow("wide figures, exceeds")
            << report("range1.grp (25-shot group at 600 yards)", "18.888", "37.776", "56.664",
                      "This load exceeds 1-MOA (13.888) @ 95% CI");
        QTest::newRow("one MOA") << report("target.grp (5-shot group at 100 yards)", "0.5", "1.",
                                           "1.5", "This load is shooting 1-MOA (1.) @ 95% CI");
    }

    void reportFits()
    {
        QFETCH(QString, report);

        QLabel *results = window->lblResults;
        results->setText(report);
        const int needed = results->heightForWidth(results->width());
        QVERIFY2(needed <= 89, qPrintable(QStringLiteral("needs %1 px").arg(needed)));
        // No line wraps: the report is its six lines and nothing more.
        QCOMPARE(needed, results->heightForWidth(100000));
    }

    void tabCycle_data()
    {
        QTest::addColumn<bool>("calculateAvailable");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("focusPath");

        QTest::newRow("Calculate unavailable, Tab")
            << false << int(Qt::Key_Tab) << QStringList{"cmdInFile", "txtYards", "cmdInFile"};
        QTest::newRow("Calculate unavailable, Shift+Tab")
            << false << int(Qt::Key_Backtab) << QStringList{"cmdInFile", "txtYards", "cmdInFile"};
        QTest::newRow("Calculate available, Tab")
            << true << int(Qt::Key_Tab)
            << QStringList{"cmdDoIt", "cmdInFile", "txtYards", "cmdDoIt"};
        QTest::newRow("Calculate available, Shift+Tab")
            << true << int(Qt::Key_Backtab)
            << QStringList{"cmdDoIt", "txtYards", "cmdInFile", "cmdDoIt"};
    }

    void tabCycle()
    {
        QFETCH(bool, calculateAvailable);
        QFETCH(int, key);
        QFETCH(QStringList, focusPath);

        QVERIFY(showWindow(calculateAvailable));
        QTRY_COMPARE(focusName(), focusPath.first());
        for (qsizetype step = 1; step < focusPath.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
            QCOMPARE(focusName(), focusPath.at(step));
        }
    }

    void keysInRangeBoxRunNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }

    void keysInRangeBoxRunNothing()
    {
        QFETCH(int, key);

        QVERIFY(showWindow(true));
        QSignalSpy doIt(window->cmdDoIt, &QPushButton::clicked);
        QSignalSpy inFile(window->cmdInFile, &QPushButton::clicked);
        QSignalSpy open(window->mnuFileOpen, &QAction::triggered);
        QSignalSpy save(window->mnuFileSave, &QAction::triggered);

        window->txtYards->setFocus();
        QTRY_COMPARE(focusName(), QStringLiteral("txtYards"));
        QTest::keyClick(window->txtYards, Qt::Key(key));
        QCoreApplication::processEvents();

        QCOMPARE(doIt.count(), 0);
        QCOMPARE(inFile.count(), 0);
        QCOMPARE(open.count(), 0);
        QCOMPARE(save.count(), 0);
        QVERIFY(window->isVisible());
        QCOMPARE(focusName(), QStringLiteral("txtYards"));
        QCOMPARE(window->txtYards->text(), QStringLiteral("100"));
    }

    void resizingMovesNothing_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("larger") << QSize(900, 700);
        QTest::newRow("smaller") << QSize(300, 200);
        QTest::newRow("maximised") << QSize();
    }

    void resizingMovesNothing()
    {
        QFETCH(QSize, size);

        QVERIFY(showWindow());
        const QMap<QString, QRect> before = controlGeometries();
        const QPoint clientBefore = window->centralWidget()->pos();
        const QSize clientSizeBefore = window->centralWidget()->size();
        QCOMPARE(before.size(), 8);

        if (size.isValid()) {
            window->resize(size);
            QTRY_COMPARE(window->size(), size);
        } else {
            window->showMaximized();
            QTRY_VERIFY(window->isMaximized());
        }
        QTRY_VERIFY(window->centralWidget()->size() != clientSizeBefore);

        QCOMPARE(window->centralWidget()->pos(), clientBefore);
        QCOMPARE(controlGeometries(), before);
    }
};

QTEST_MAIN(CepcalcWindowTest)
#include "tst_cepcalc_window.moc"

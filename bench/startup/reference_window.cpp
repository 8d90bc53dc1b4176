// SPDX-License-Identifier: MIT
// The window's widgets, texts and fonts and nothing else: no commands, no
// pictures to decode (flat pixmaps of the same sizes), no settings beyond the
// font. What it takes to start is the floor the real window's start-up is
// measured against.
#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QResource>

namespace {

QLabel *label(QWidget *parent, const char *text, QRect where, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop)
{
    auto *l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(alignment);
    l->setAutoFillBackground(true);
    l->setText(QString::fromLatin1(text));
    l->setGeometry(where);
    return l;
}

// Has no layout; tells the main window the size it was designed at.
class ClientArea : public QWidget
{
public:
    QSize sizeHint() const override { return QSize(573, 381); }
};

void addFont(const char *path)
{
    const QResource font(QString::fromLatin1(path));
    QFontDatabase::addApplicationFontFromData(
        QByteArray::fromRawData(reinterpret_cast<const char *>(font.data()), static_cast<qsizetype>(font.size())));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(reference);
    addFont(":/fonts/LiberationSans-Regular.ttf");
    addFont(":/fonts/LiberationSans-Bold.ttf");
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8.25);
    QApplication::setFont(font);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Circular Error Probability (CEP) Calculator"));
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Open"));
    file->addAction(QStringLiteral("Save"))->setEnabled(false);
    QMenu *statistics = window.menuBar()->addMenu(QStringLiteral("Statistics"));
    QAction *group = statistics->addAction(QStringLiteral("Group statistics\u2026"));
    group->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    group->setEnabled(false);
    QAction *compare = statistics->addAction(QStringLiteral("Compare with\u2026"));
    compare->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    compare->setEnabled(false);

    auto *client = new ClientArea;
    window.setCentralWidget(client);

    auto *doIt = new QPushButton(QStringLiteral("Calculate CEP"), client);
    doIt->setGeometry(88, 184, 145, 41);
    doIt->setEnabled(false);
    QLabel *results = label(client, "Results...", QRect(8, 264, 553, 89), Qt::AlignHCenter | Qt::AlignTop);
    QPalette white = results->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    results->setPalette(white);
    QLabel *intro = label(client,
                          "CEP is used as an intuitive measure of accuracy. Using any group file you have already "
                          "created, Orvanta will calculate CEP for you and describe the results below in reference "
                          "to the target graphic shown on the right.",
                          QRect(8, 8, 281, 73));
    QFont bold = intro->font();
    bold.setWeight(QFont::Bold);
    intro->setFont(bold);
    label(client, "Select a group file (*.GRP)", QRect(56, 96, 145, 17));
    label(client, "Range (yards)", QRect(56, 128, 129, 25));

    auto *inFile = new QPushButton(client);
    inFile->setGeometry(216, 88, 33, 25);
    QPixmap glyph(24, 23);
    glyph.fill(Qt::yellow);
    inFile->setIcon(QIcon(glyph));
    inFile->setIconSize(glyph.size());

    auto *yards = new QLineEdit(QStringLiteral("100"), client);
    yards->setGeometry(152, 128, 105, 27);

    auto *picture = new QLabel(client);
    QPixmap target(258, 250);
    target.fill(Qt::white);
    picture->setPixmap(target);
    picture->setGeometry(304, 8, 258, 250);

    window.resize(window.sizeHint());
    window.show();
    return QApplication::exec();
}

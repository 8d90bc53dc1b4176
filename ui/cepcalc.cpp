// SPDX-License-Identifier: MIT
#include "ui/cepcalc.h"

#include "export/csv_export.h"
#include "ui/application_setup.h"
#include "ui/decoded_picture.h"
#include "ui/statistics_module.h"

#include <QAction>
#include <QBitmap>
#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMargins>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QStyle>
#include <QWindow>

#include <limits>

namespace {

// The layout is kept in twips, as designed; at 96 dots per inch a pixel is
// 15 twips and every value below is a whole number of pixels.
constexpr int kTwipsPerPixel = 15;

struct TwipsRect
{
    int left;
    int top;
    int width;
    int height;
};

constexpr QRect toPixels(TwipsRect r)
{
    return QRect(r.left / kTwipsPerPixel, r.top / kTwipsPerPixel, r.width / kTwipsPerPixel, r.height / kTwipsPerPixel);
}

constexpr int kClientWidth = 8595;
constexpr int kClientHeight = 5715;

constexpr TwipsRect kIntro{120, 120, 4215, 1095};
constexpr TwipsRect kGroupFile{840, 1440, 2175, 255};
constexpr TwipsRect kInFile{3240, 1320, 495, 375};
constexpr TwipsRect kRange{840, 1920, 1935, 375};
constexpr TwipsRect kYards{2280, 1920, 1575, 405};
constexpr TwipsRect kDoIt{1320, 2760, 2175, 615};
constexpr TwipsRect kPicture{4560, 120, 3870, 3750};
constexpr TwipsRect kResults{120, 3960, 8295, 1335};

const QColor kFolderBackground(192, 192, 192);

const char *const kIntroText =
    "CEP is used as an intuitive measure of accuracy. Using any group file you have already "
    "created, Orvanta will calculate CEP for you and describe the results below in reference to "
    "the target graphic shown on the right.";

const char *const kTargetDescription =
    "Three circles around one centre: a green inner disc marked 50%, a yellow ring marked 93% "
    "with 43% of the rounds in this ring, and a dark red outer ring marked 99% with 7% in this ring.";

// The client area has no layout, so it tells the main window's layout the
// size it was designed at.
class ClientArea : public QWidget
{
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return QSize(kClientWidth / kTwipsPerPixel, kClientHeight / kTwipsPerPixel); }
};

// Labels show their text as given (never as HTML: a file name may hold '<'),
// from the top left, wrapped at words; what does not fit is cut off.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, TwipsRect where,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(alignment);
    label->setAutoFillBackground(true);
    label->setText(text);
    label->setGeometry(toPixels(where));
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, TwipsRect where)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter and Esc in the range box must not press anything.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(toPixels(where));
    return button;
}

// The glyph is drawn on the classic button grey, which would show as a darker
// square on Qt's lighter button face.
QPixmap folderGlyph()
{
    const QImage image = cepui::kFolderPicture.image();
    QPixmap glyph = QPixmap::fromImage(image);
    glyph.setMask(QBitmap::fromImage(image.createMaskFromColor(kFolderBackground.rgb(), Qt::MaskInColor)));
    return glyph;
}

} // namespace

CEPcalc::CEPcalc(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("CEPcalc"));
    setWindowTitle(QStringLiteral("Circular Error Probability (CEP) Calculator"));
    // The icon and the design font come from the application (setUpApplication).

    createMenu();

    auto *client = new ClientArea(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    createControls(client);

    resize(sizeHint());

    // The window's Load event: it runs once, before the window is shown.
    Form_Load();
    connectEvents();
}

void CEPcalc::connectEvents()
{
    connect(cmdInFile, &QPushButton::clicked, this, &CEPcalc::cmdInFile_Click);
    connect(mnuFileOpen, &QAction::triggered, this, &CEPcalc::mnuFileOpen_Click);
    connect(cmdDoIt, &QPushButton::clicked, this, &CEPcalc::cmdDoIt_Click);
    connect(mnuFileSave, &QAction::triggered, this, &CEPcalc::mnuFileSave_Click);
    connect(mnuStatsGroup, &QAction::triggered, this, &CEPcalc::mnuStatsGroup_Click);
    connect(mnuStatsCompare, &QAction::triggered, this, &CEPcalc::mnuStatsCompare_Click);
    connect(mnuStatsPool, &QAction::triggered, this, &CEPcalc::mnuStatsPool_Click);
    connect(mnuStatsPicture, &QAction::triggered, this, &CEPcalc::mnuStatsPicture_Click);
}

CEPcalc::~CEPcalc() = default;

void CEPcalc::Form_Load()
{
    cmdDoIt->setEnabled(false);
    mnuFileSave->setEnabled(false);
    mnuStatsGroup->setEnabled(false);
    mnuStatsCompare->setEnabled(false);
}

// Choose-file: any failing step ends the command silently, keeping what the
// steps before it did.
void CEPcalc::cmdInFile_Click()
{
    if (!askForGroupFile())
        return;
    GroupFilePath = CommonDialog1.FileName;
    GroupFileName = CommonDialog1.FileTitle;
    cmdDoIt->setEnabled(true);
    mnuStatsGroup->setEnabled(true);
    mnuStatsCompare->setEnabled(true);
}

// The open-file dialog in the data folder; false when a step fails or the
// user cancels. The file chosen is in CommonDialog1 (several with
// CommonDialog::kAllowMultiSelect in `moreFlags`).
bool CEPcalc::askForGroupFile(int moreFlags)
{
    CommonDialog1.CancelError = true;
    if (!rtcChangeDir(App::Path() + QStringLiteral("/yourdata")))
        return false;
    CommonDialog1.Flags = 4 | moreFlags;
    CommonDialog1.Filter = QStringLiteral("Group File Format(.grp)|*.grp|");
    CommonDialog1.FilterIndex = 1;
    CommonDialog1.FileName = QString();
    return CommonDialog1.ShowOpen(this);
}

void CEPcalc::mnuFileOpen_Click()
{
    cmdInFile_Click();
}

namespace {

// The results label as the Calculate sequence writes it.
class ResultsLabel : public cep::ResultsText
{
public:
    explicit ResultsLabel(QLabel *label) : label_(label) {}
    void SetText(const std::string &text) override { label_->setText(QString::fromStdString(text)); }
    void AppendText(const std::string &text) override
    {
        label_->setText(label_->text() + QString::fromStdString(text));
    }

private:
    QLabel *label_;
};

} // namespace

void CEPcalc::cmdDoIt_Click()
{
    ResultsLabel label(lblResults);
    const auto done = cep::Calculate(calculation_, GroupFilePath.toStdString(), GroupFileName.toStdString(),
                                     txtYards->text().toStdString(), label);
    if (!done) {
        showFailure(done.failure());
        return;
    }
    lastCompleted_ = done.value();
    mnuFileSave->setEnabled(true);
}

void CEPcalc::mnuFileSave_Click()
{
    if (!lastCompleted_)
        return; // Save is available only after a Calculate ran to its end
    const auto saved = cep::ExportCsv(App::Path().toStdString(), *lastCompleted_);
    if (!saved) {
        showFailure(saved.failure());
        return;
    }
    MsgBox(this, QString::fromStdString(saved.value()), vbInformation);
}

void CEPcalc::mnuStatsGroup_Click()
{
    if (loadStatistics())
        openStatistics({GroupFilePath, QString(), txtYards->text()});
}

// The second group is asked for as Open asks, but the chosen file stays.
void CEPcalc::mnuStatsCompare_Click()
{
    if (!loadStatistics() || !askForGroupFile())
        return;
    openStatistics({GroupFilePath, CommonDialog1.FileName, txtYards->text()});
}

// Needs no chosen file: the window makes one.
void CEPcalc::mnuStatsPicture_Click()
{
    if (loadStatistics())
        openStatistics({QString(), QString(), txtYards->text(), cepui::ModuleWindow::TargetPicture});
}

void CEPcalc::openStatistics(const cepui::StatisticsRequest &request)
{
    QString problem;
    if (StatisticsModule->open(request, this, problem) == nullptr && !problem.isEmpty())
        MsgBox(this, problem, vbExclamation);
}

// Several groups of one session, chosen at once in the Open dialog; the
// chosen file stays. Needs no file chosen before, so it is never greyed.
void CEPcalc::mnuStatsPool_Click()
{
    if (!loadStatistics() || !askForGroupFile(CommonDialog::kAllowMultiSelect))
        return;
    if (CommonDialog1.FileNames.size() < 2) {
        MsgBox(this, QStringLiteral("A pool needs two or more group files: hold Ctrl or Shift to choose several."),
               vbExclamation);
        return;
    }
    cepui::StatisticsRequest request{CommonDialog1.FileNames.constFirst(), QString(), txtYards->text()};
    request.pooledPaths = CommonDialog1.FileNames;
    openStatistics(request);
}

// The statistics module, loaded on first use; a message when it cannot be.
bool CEPcalc::loadStatistics()
{
    if (!StatisticsModule)
        StatisticsModule = std::make_unique<cepui::StatisticsModule>(QCoreApplication::applicationDirPath());
    QString problem;
    if (StatisticsModule->load(problem))
        return true;
    MsgBox(this, problem, vbExclamation);
    return false;
}

void CEPcalc::showFailure(const cep::Failure &failure)
{
    MsgBox(this, QString::fromStdString(failure.message), vbExclamation);
}

void CEPcalc::createMenu()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen = mnuFile->addAction(QStringLiteral("Open"));
    mnuFileOpen->setObjectName(QStringLiteral("mnuFileOpen"));
    mnuFileSave = mnuFile->addAction(QStringLiteral("Save"));
    mnuFileSave->setObjectName(QStringLiteral("mnuFileSave"));

    // Beside the designed menu: the statistics, in a window of their own.
    mnuStats = menuBar()->addMenu(QStringLiteral("Statistics"));
    mnuStats->setObjectName(QStringLiteral("mnuStats"));
    mnuStatsGroup = mnuStats->addAction(QStringLiteral("Group statistics\u2026"));
    mnuStatsGroup->setObjectName(QStringLiteral("mnuStatsGroup"));
    mnuStatsGroup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    mnuStatsCompare = mnuStats->addAction(QStringLiteral("Compare with\u2026"));
    mnuStatsCompare->setObjectName(QStringLiteral("mnuStatsCompare"));
    mnuStatsCompare->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    mnuStatsPool = mnuStats->addAction(QStringLiteral("Pool groups\u2026"));
    mnuStatsPool->setObjectName(QStringLiteral("mnuStatsPool"));
    mnuStatsPool->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuStatsPicture = mnuStats->addAction(QStringLiteral("Group from target picture\u2026"));
    mnuStatsPicture->setObjectName(QStringLiteral("mnuStatsPicture"));
    mnuStatsPicture->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
}

void CEPcalc::createControls(QWidget *client)
{
    // Created in tab order: Qt's focus chain follows creation, and a later
    // setTabOrder cannot move a widget ahead of one created before it. Later
    // siblings also lie on top, so the range box covers the end of its label.
    cmdDoIt = makeButton(client, "cmdDoIt", QStringLiteral("Calculate CEP"), kDoIt);

    lblResults =
        makeLabel(client, "lblResults", QStringLiteral("Results..."), kResults, Qt::AlignHCenter | Qt::AlignTop);
    // White as designed, with the dark text that belongs on white: a dark
    // desktop theme's light text colour would be unreadable there.
    QPalette white = lblResults->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    lblResults->setPalette(white);

    lblIntro = makeLabel(client, "lblIntro", QString::fromLatin1(kIntroText), kIntro);
    QFont bold = lblIntro->font();
    bold.setWeight(QFont::Bold);
    lblIntro->setFont(bold);

    lblGroupFile = makeLabel(client, "lblGroupFile", QStringLiteral("Select a group file (*.GRP)"), kGroupFile);
    lblRange = makeLabel(client, "lblRange", QStringLiteral("Range (yards)"), kRange);

    cmdInFile = makeButton(client, "cmdInFile", QString(), kInFile);
    const QPixmap glyph = folderGlyph();
    cmdInFile->setIcon(QIcon(glyph));
    cmdInFile->setIconSize(glyph.size());
    // The button shows a picture only; a screen reader needs its name.
    cmdInFile->setAccessibleName(QStringLiteral("Choose group file"));

    txtYards = new QLineEdit(QStringLiteral("100"), client);
    txtYards->setObjectName(QStringLiteral("txtYards"));
    txtYards->setMaxLength(std::numeric_limits<int>::max()); // the range box has no length limit
    txtYards->setGeometry(toPixels(kYards));
    // Lets a screen reader name the box after its label; with no '&' in the
    // label's text this adds no access key.
    lblRange->setBuddy(txtYards);

    imgCEP = new QLabel(client);
    imgCEP->setObjectName(QStringLiteral("imgCEP"));
    imgCEP->setPixmap(QPixmap::fromImage(cepui::kTargetPicture.image()));
    imgCEP->setGeometry(toPixels(kPicture));
    imgCEP->setAccessibleName(QStringLiteral("Target graphic"));
    imgCEP->setAccessibleDescription(QString::fromLatin1(kTargetDescription));
}

void CEPcalc::showCentred()
{
    winId(); // the frame's size is known, if at all, once the native window exists
    centreOnScreen();
    showNormal();
    // A window manager adds its frame only after the window is mapped, which
    // would leave the framed window off-centre: until the user moves it, it is
    // centred again whenever the frame's size changes.
}

void CEPcalc::centreOnScreen()
{
    QWindow *native = windowHandle();
    const QMargins frame = native != nullptr ? native->frameMargins() : QMargins();
    const QScreen *where = screen();
    if (where == nullptr)
        return;
    const QRect centred =
        QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, size().grownBy(frame), where->availableGeometry());
    // The client area goes inside the frame as the system reports it now;
    // the widget's own idea of the frame may not have caught up yet.
    if (native != nullptr)
        native->setPosition(centred.topLeft() + QPoint(frame.left(), frame.top()));
    else
        move(centred.topLeft()); // a window's position is that of its frame
    centring_.centred(centred.topLeft(), size(), frame);
}

bool CEPcalc::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    // The frame's arrival brings no event of its own, so any event is the
    // occasion to look.
    if (centring_.keeping()) {
        const QWindow *native = windowHandle();
        if (native != nullptr && centring_.mustRecentre(pos(), size(), native->frameMargins()))
            centreOnScreen();
    }
    return handled;
}

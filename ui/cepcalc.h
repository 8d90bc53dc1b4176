// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QString>

#include <memory>
#include <optional>

#include "core/calculate.h"
#include "ui/frame_centring.h"
#include "ui/statistics_entry.h"
#include "ui/window_services.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace cepui {
class StatisticsModule;
}

// The program's one window. Every control sits at a fixed place in the client
// area below the menu bar and keeps it when the window is resized.
class CEPcalc : public QMainWindow
{
    Q_OBJECT

public:
    explicit CEPcalc(QWidget *parent = nullptr);
    ~CEPcalc() override;

    // Centres the window, frame included, on its screen's available area and
    // shows it.
    void showCentred();

    // The controls, in their tab order, then the picture and the menu.
    QPushButton *cmdDoIt = nullptr;
    QLabel *lblResults = nullptr;
    QLabel *lblIntro = nullptr;
    QLabel *lblGroupFile = nullptr;
    QLabel *lblRange = nullptr;
    QPushButton *cmdInFile = nullptr;
    QLineEdit *txtYards = nullptr;
    QLabel *imgCEP = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileSave = nullptr;
    QMenu *mnuStats = nullptr;
    QAction *mnuStatsGroup = nullptr;
    QAction *mnuStatsCompare = nullptr;
    QAction *mnuStatsPool = nullptr;
    QAction *mnuStatsPicture = nullptr;

    // The open-file dialog of the Choose-file command.
    CommonDialog CommonDialog1;

    // The chosen group file: its full path, and its bare name.
    QString GroupFilePath;
    QString GroupFileName;

    // Where the statistics windows come from; loaded when first used.
    std::unique_ptr<cepui::StatisticsModule> StatisticsModule;

    // The window's commands, one per connected event.
    void Form_Load();
    void cmdInFile_Click();
    void mnuFileOpen_Click();
    void cmdDoIt_Click();
    void mnuFileSave_Click();
    void mnuStatsGroup_Click();
    void mnuStatsCompare_Click();
    void mnuStatsPool_Click();
    void mnuStatsPicture_Click();

protected:
    bool event(QEvent *event) override;

private:
    void centreOnScreen();
    cepui::FrameCentring centring_;

    void connectEvents();
    void showFailure(const cep::Failure &failure);
    bool askForGroupFile(int moreFlags = 0);
    bool loadStatistics();
    void openStatistics(const cepui::StatisticsRequest &request);

    // The Calculate command's working tables and results, kept for the
    // window's lifetime: a later run can depend on them.
    cep::CalcState calculation_;
    // What the last Calculate that ran to its end computed; Save writes it,
    // so a record never mixes one calculation with a later file or range.
    std::optional<cep::CompletedCalculation> lastCompleted_;

    void createMenu();
    void createControls(QWidget *client);
};

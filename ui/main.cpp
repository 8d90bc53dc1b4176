// SPDX-License-Identifier: MIT
#include "ui/application_setup.h"
#include "ui/cepcalc.h"
#include "ui/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (const int status = cepui::checkGraphicalSession(argc, argv); status != 0)
        return status;

    QApplication app(argc, argv);
    cepui::setUpApplication();

    CEPcalc window;
    window.showCentred();
    return QApplication::exec();
}

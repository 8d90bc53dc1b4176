#include "application_setup.h"
#include "cepcalc.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    cepui::setUpApplication();

    CEPcalc window;
    window.showCentred();
    return QApplication::exec();
}

// SPDX-License-Identifier: MIT
#include "ui/application_setup.h"
#include "ui/decoded_picture.h"
#include "ui/startup.h"

#include <QApplication>
#include <QByteArray>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QPixmap>
#include <QResource>
#include <QString>
#include <QStringList>

#include <clocale>

// Resources compiled into a static library are only linked in when something
// refers to them; Q_INIT_RESOURCE must be used outside any namespace.
static void initWindowResources()
{
    Q_INIT_RESOURCE(cepcalc);
}

namespace cepui {

namespace {

// Liberation Sans has Arial's metrics, which the window's boxes were laid out
// for; fontconfig's usual stand-in for "MS Sans Serif" (DejaVu Sans) is wider
// and the introduction no longer fits its box.
QString registerEmbeddedFonts()
{
    QString family;
    for (const char *file : {":/fonts/LiberationSans-Regular.ttf", ":/fonts/LiberationSans-Bold.ttf"}) {
        // The resources are stored uncompressed (cepcalc.qrc) and stay where
        // they are for the program's life: the database takes their bytes
        // without a copy, where a file name would have them read twice.
        const QResource resource(QString::fromLatin1(file));
        const int id = QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(
            reinterpret_cast<const char *>(resource.data()), static_cast<qsizetype>(resource.size())));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (family.isEmpty() && !families.isEmpty())
            family = families.first();
    }
    return family;
}

} // namespace

void setUpApplication()
{
    initWindowResources();
    // The results use the user's decimal separator, as cep-report does; Qt
    // sets the C library's locale itself on Unix only.
    std::setlocale(LC_ALL, "");

    QApplication::setApplicationName(QStringLiteral("CEPcalc"));
    QApplication::setApplicationVersion(QStringLiteral(CEP_VERSION_TEXT));
    // Lets the desktop match the window to the installed cepcalc.desktop.
    QApplication::setDesktopFileName(QStringLiteral("cepcalc"));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(kIconPicture.image())));

    const QString family = registerEmbeddedFonts();
    if (!family.isEmpty())
        QFont::insertSubstitution(QString::fromLatin1(kDesignFontFamily), family);

    QFont font(windowFontFamily(QString::fromLatin1(kDesignFontFamily), family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kDesignFontPoints);
    font.setWeight(QFont::Normal);
    QApplication::setFont(font);
}

} // namespace cepui

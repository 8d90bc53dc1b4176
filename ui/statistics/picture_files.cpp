// SPDX-License-Identifier: MIT
#include "ui/statistics/picture_files.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QtMath>

#include <algorithm>

namespace cepstats {

namespace {

// The writers' SVG has 96 user units to the inch.
constexpr double kUnitsPerInch = 96.0;
// The PNG has twice the SVG's units, and says so, so that it too prints at
// the picture's size, sharp.
constexpr double kPngDotsPerInch = 192.0;
constexpr int kPdfDotsPerInch = 1200;
constexpr double kMetresPerInch = 0.0254;

QImage pngImage(QSvgRenderer &renderer)
{
    const QSizeF units = renderer.viewBoxF().size();
    const double scale = kPngDotsPerInch / kUnitsPerInch;
    QImage image(qCeil(units.width() * scale), qCeil(units.height() * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMetre = qRound(kPngDotsPerInch / kMetresPerInch);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, units.width() * scale, units.height() * scale));
    return image;
}

// One page, the picture in its middle, an inch of the picture an inch of
// paper; only a picture larger than the page is made smaller, to fit.
bool writePdf(QSvgRenderer &renderer, QIODevice &device)
{
    QPdfWriter pdf(&device);
    pdf.setCreator(QStringLiteral("CEP Calculator"));
    const auto [paper, orientation] = PaperFor(renderer.viewBoxF().size() / kUnitsPerInch, LocalePaper());
    pdf.setPageSize(paper);
    pdf.setPageOrientation(orientation);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(kPdfDotsPerInch);
    const QSizeF page = pdf.pageLayout().fullRectPoints().size() / 72.0; // inches
    const QSizeF picture = renderer.viewBoxF().size() / kUnitsPerInch;
    const double fit = std::min({1.0, page.width() / picture.width(), page.height() / picture.height()});
    const QSizeF drawn = picture * fit * kPdfDotsPerInch;
    const QPointF corner((page.width() * kPdfDotsPerInch - drawn.width()) / 2.0,
                         (page.height() * kPdfDotsPerInch - drawn.height()) / 2.0);
    QPainter painter;
    if (!painter.begin(&pdf))
        return false;
    renderer.render(&painter, QRectF(corner, drawn));
    return painter.end();
}

} // namespace

PictureFormat FormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return PictureFormat::Png;
    if (suffix == QLatin1String("pdf"))
        return PictureFormat::Pdf;
    return PictureFormat::Svg;
}

QPageSize LocalePaper()
{
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                        : QPageSize::A4);
}

std::pair<QPageSize, QPageLayout::Orientation> PaperFor(const QSizeF &inches, const QPageSize &paper)
{
    // The paper upright, then turned; then the next size up (two pictures
    // side by side need it).
    const QPageSize larger(paper.id() == QPageSize::Letter ? QPageSize::Tabloid : QPageSize::A3);
    const std::pair<QPageSize, QPageLayout::Orientation> choices[] = {{paper, QPageLayout::Portrait},
                                                                      {paper, QPageLayout::Landscape},
                                                                      {larger, QPageLayout::Portrait},
                                                                      {larger, QPageLayout::Landscape}};
    for (const auto &choice : choices) {
        QSizeF page = choice.first.size(QPageSize::Inch);
        if (choice.second == QPageLayout::Landscape)
            page.transpose();
        if (inches.width() <= page.width() && inches.height() <= page.height())
            return choice;
    }
    return choices[3];
}

QString WritePicture(const QByteArray &svg, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QSvgRenderer renderer;
    if (svg.isEmpty() || !renderer.load(svg))
        return QStringLiteral("There is no picture to save.");
    // Written beside, then renamed: an earlier file stays whole until then.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Could not write ") + shown + QStringLiteral(" (") + file.errorString() +
               QStringLiteral(").");
    bool written = false;
    switch (FormatOf(path)) {
    case PictureFormat::Svg:
        written = file.write(svg) == svg.size();
        break;
    case PictureFormat::Png:
        written = pngImage(renderer).save(&file, "PNG");
        break;
    case PictureFormat::Pdf:
        written = writePdf(renderer, file);
        break;
    }
    if (!written || !file.commit())
        return QStringLiteral("Could not write ") + shown + QStringLiteral(" (") + file.errorString() +
               QStringLiteral(").");
    return QString();
}

} // namespace cepstats

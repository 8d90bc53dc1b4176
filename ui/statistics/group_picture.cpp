// SPDX-License-Identifier: MIT
#include "ui/statistics/group_picture.h"

#include <QPainter>
#include <QPalette>

namespace cepstats {

namespace {

// The picture's own title, for a screen reader.
QString svgTitle(const QByteArray &svg)
{
    const qsizetype start = svg.indexOf("<title>");
    const qsizetype end = svg.indexOf("</title>");
    if (start < 0 || end < start)
        return QString();
    QString title = QString::fromUtf8(svg.mid(start + 7, end - start - 7));
    title.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"));
    title.replace(QLatin1String("&quot;"), QLatin1String("\"")).replace(QLatin1String("&apos;"), QLatin1String("'"));
    return title.replace(QLatin1String("&amp;"), QLatin1String("&"));
}

} // namespace

GroupPicture::GroupPicture(QWidget *parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Group picture"));
    // The picture is printed on white whatever the desktop's colours.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GroupPicture::setSvg(const QByteArray &svg)
{
    svg_ = svg;
    if (svg_.isEmpty() || !renderer_.load(svg_))
        renderer_.load(QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>"));
    setAccessibleDescription(svgTitle(svg_));
    update();
}

QRectF GroupPicture::pictureRect() const
{
    if (svg_.isEmpty())
        return QRectF();
    QSizeF size = renderer_.viewBoxF().size();
    size.scale(QSizeF(rect().size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - size.width()) / 2.0, (height() - size.height()) / 2.0), size);
}

QSize GroupPicture::sizeHint() const
{
    return QSize(560, 600);
}

QSize GroupPicture::minimumSizeHint() const
{
    return QSize(200, 200);
}

void GroupPicture::paintEvent(QPaintEvent *)
{
    if (svg_.isEmpty())
        return;
    // Painting on the widget draws at the screen's device pixel ratio.
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    renderer_.render(&painter, pictureRect());
}

} // namespace cepstats

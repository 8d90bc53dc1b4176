// SPDX-License-Identifier: MIT
#include "picture/target_picture.h"

#include <QImageReader>

#include <cmath>

namespace cep::picture {

namespace {

// The resolution the picture states, when it states one: Qt gives every
// picture without one its own default, so that value counts as none.
double StatedDpi(const QImage& image) {
    const QImage plain(1, 1, QImage::Format_Grayscale8);
    if (image.dotsPerMeterX() <= 0 || image.dotsPerMeterX() == plain.dotsPerMeterX()) return 0.0;
    const double dpi = image.dotsPerMeterX() * 0.0254;
    // Dots per metre are whole numbers: 300 dpi is stored as 11811.
    return std::abs(dpi - std::round(dpi)) < 0.05 ? std::round(dpi) : dpi;
}

}  // namespace

scan::GreyPicture TargetPicture::Pixels() const {
    return {grey.constBits(), grey.width(), grey.height(), grey.bytesPerLine()};
}

TargetPicture ReadTargetPicture(const QString& path, const QString& shownPath) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    TargetPicture picture{reader.read(), QImage(), 0.0, QString()};
    if (picture.image.isNull()) {
        picture.problem = QStringLiteral("Picture failure: ") + shownPath +
                          QStringLiteral(" is not a picture that can be read (") + reader.errorString() +
                          QStringLiteral(").");
        return picture;
    }
    picture.grey = picture.image.convertToFormat(QImage::Format_Grayscale8);
    picture.statedDpi = StatedDpi(picture.image);
    return picture;
}

}  // namespace cep::picture

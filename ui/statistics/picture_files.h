// SPDX-License-Identifier: MIT
// Saving a group's picture: the SVG as the writers made it, a PNG drawn from
// it, or a PDF page with the picture at true scale.
#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>

#include <utility>

namespace cepstats {

enum class PictureFormat { Svg, Png, Pdf };

// By the file name's suffix, in any letter case; Svg when it has none of the three.
PictureFormat FormatOf(const QString &path);

// The paper of the user's country: Letter where the US measures are used, else A4.
QPageSize LocalePaper();

// The page a PDF of a picture this many inches large is printed on: `paper`
// (the user's) upright or turned where it holds the picture at true scale,
// else the next size up (A3, or Tabloid after Letter), which holds two
// pictures side by side.
std::pair<QPageSize, QPageLayout::Orientation> PaperFor(const QSizeF &inches, const QPageSize &paper);

// Writes the picture whole or not at all: "" when done, else why not.
QString WritePicture(const QByteArray &svg, const QString &path);

} // namespace cepstats

// SPDX-License-Identifier: MIT
// Saving a group's picture: the SVG as the writers made it, a PNG drawn from
// it, or a PDF page with the picture at true scale.
#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QString>

namespace cepstats {

enum class PictureFormat { Svg, Png, Pdf };

// By the file name's suffix, in any letter case; Svg when it has none of the three.
PictureFormat FormatOf(const QString &path);

// The paper of the user's country: Letter where the US measures are used, else A4.
QPageSize LocalePaper();

// Writes the picture whole or not at all: "" when done, else why not.
QString WritePicture(const QByteArray &svg, const QString &path);

} // namespace cepstats

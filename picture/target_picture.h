// SPDX-License-Identifier: MIT
// A picture of a target as cep-scan and the window read it: decoded by Qt's
// image reader (EXIF turns honoured), with the resolution it states and its
// grey pixels for the scan library.
#pragma once

#include <QImage>
#include <QString>

#include "scan/picture.h"

namespace cep::picture {

struct TargetPicture {
    QImage image;      // as shown, turned upright
    QImage grey;       // 8-bit grey, what the holes are found in
    double statedDpi;  // 0 when the picture states none
    QString problem;   // why it could not be read; empty when it was

    scan::GreyPicture Pixels() const;
};

// Reads the picture at `path`; `shownPath` names it in the problem.
TargetPicture ReadTargetPicture(const QString& path, const QString& shownPath);

}  // namespace cep::picture

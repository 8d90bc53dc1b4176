// SPDX-License-Identifier: MIT
// What starting the window needs of the system it runs on: a POSIX half and a
// Windows half, which CMake picks, as the system layer does.
#pragma once

#include <QString>

namespace cepui {

// Run before Qt starts: whether there is a desktop to draw on. 0 to go on;
// otherwise the exit status, with the reason printed on stderr.
int checkGraphicalSession(int argc, char *argv[]);

// The family the window's font is asked for by, given the design's family and
// the embedded stand-in's ("" when it could not be registered).
QString windowFontFamily(const QString &design, const QString &embedded);

} // namespace cepui

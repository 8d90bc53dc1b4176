// SPDX-License-Identifier: MIT
#include "ui/startup.h"

namespace cepui {

// The Windows desktop is always there.
int checkGraphicalSession(int, char *[])
{
    return 0;
}

// Windows has the design font; the embedded one stands in where it is missing.
QString windowFontFamily(const QString &design, const QString &)
{
    return design;
}

} // namespace cepui

// SPDX-License-Identifier: MIT
#include "ui/startup.h"

#include <QByteArray>
#include <QDir>
#include <QLibraryInfo>

#include <dlfcn.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace cepui {

namespace {

bool isSet(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Without a graphical session Qt aborts with a core dump; a user who ran the
// program from a console should rather hear why, and what works there.
bool hasGraphicalSession(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return true;
    }
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

bool hasWaylandPlugin()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty();
}

// Whether Qt will draw through the X server that DISPLAY names.
bool usesX11(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return false;
    }
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return isSet("DISPLAY") && (platform == "xcb" || (platform.isEmpty() && !isSet("WAYLAND_DISPLAY")));
}

// Whether the X server answers. Qt aborts with a core dump and advice to
// reinstall when it does not; the user should rather hear which display
// failed. Asked through the X library Qt itself loads, so nothing is linked
// for it.
bool displayAnswers()
{
    void *xcb = ::dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (xcb == nullptr)
        return true; // Qt then says what is missing
    using Connect = void *(*)(const char *, int *);
    using HasError = int (*)(void *);
    using Disconnect = void (*)(void *);
    const auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
    bool answers = true;
    if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
        void *connection = connect(nullptr, nullptr);
        answers = hasError(connection) == 0;
        disconnect(connection);
    }
    ::dlclose(xcb);
    return answers;
}

} // namespace

// A desktop may be missing here, or unreachable.
int checkGraphicalSession(int argc, char *argv[])
{
    if (!hasGraphicalSession(argc, argv)) {
        std::fputs("cepcalc: the window needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "cep-report, beside it, works without one.\n",
                   stderr);
        return 1;
    }
    // Under Wayland without Qt's Wayland support the window comes up through
    // XWayland, without Qt first complaining of the missing plugin.
    if (isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM") && !hasWaylandPlugin()) {
        if (!isSet("DISPLAY")) {
            std::fputs("cepcalc: this Wayland session offers no X server (XWayland) for the window, and Qt's "
                       "Wayland support (Debian package qt6-wayland) is not installed.\n",
                       stderr);
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    if (usesX11(argc, argv) && !displayAnswers()) {
        std::fprintf(stderr,
                     "cepcalc: the X display %s does not answer: is its X server running, and may you use it?\n",
                     std::getenv("DISPLAY"));
        return 1;
    }
    // A file size limit then fails a save, which is reported, instead of
    // ending the program unannounced.
    std::signal(SIGXFSZ, SIG_IGN);
    return 0;
}

// Linux has no font of the design's name, and asked for by that name Qt would
// have fontconfig sort all installed fonts for stand-ins, for each weight,
// before taking the substitute: the embedded family is asked for by its own
// name, which draws the same.
QString windowFontFamily(const QString &design, const QString &embedded)
{
    return embedded.isEmpty() ? design : embedded;
}

} // namespace cepui

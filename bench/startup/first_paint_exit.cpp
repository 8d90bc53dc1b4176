// SPDX-License-Identifier: MIT
// Preloaded into a Qt program (LD_PRELOAD), ends it as soon as its first
// window has been painted, so that a profiler counts the start-up and nothing
// after it. The programs measured carry no hook of their own, and the window
// and its reference end the same way.
#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>

#include <unistd.h>

namespace {

class FirstPaintExit : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // The rest of the window is painted and flushed within the same
            // event; the exit comes once the event loop is back. No clean-up:
            // tearing the window down is not start-up.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] { ::_exit(0); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

void installFilter()
{
    QCoreApplication::instance()->installEventFilter(new FirstPaintExit);
}

} // namespace

// Runs when the program creates its application object.
Q_COREAPP_STARTUP_FUNCTION(installFilter)

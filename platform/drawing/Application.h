#pragma once
// The application object: a QApplication whose event delivery is the last exception
// boundary of the process. Our entries from Qt (slots, event handlers, timers,
// queued calls) stop their own exceptions through platform::ExceptionBoundary, before
// Qt's frames; notify() catches what still escapes one of them (platform::Exception,
// std::exception, anything), reports it the same way (qCritical on
// "chronark.exceptions": the receiver's class and name, the event type and what()
// said; one count for both), and the event counts as not handled. The process goes
// on. It is the last resort only: Qt's own frames between this boundary and the
// thrower are built without exception support, so what they held is not released.
// Code that runs outside the loop (main() before exec()) catches its own.
//
// One per process, made by main() (and by the tests' main). GUI thread only, but for
// prepareFontsInBackground(), which main() may call first of all.
#include <QApplication>

namespace platform {

class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    ~Application() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // Exceptions caught by notify() in this process so far.
    static int caughtExceptionCount();

    // Reads the system's font configuration (fontconfig's configuration files and
    // font caches, read once per process) on a pool thread, so that the first text a
    // launch measures need not wait for it. Returns at once; safe to call before the
    // application object exists and more than once (later calls do nothing). What the
    // configuration says is the same whichever thread reads it first.
    static void prepareFontsInBackground();
};

} // namespace platform

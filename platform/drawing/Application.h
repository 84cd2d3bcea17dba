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
// A paint event is the exception: nothing unwinds out of a paint (it would leave Qt's
// painter active and every later paint of the window broken); an exception that the
// paint's own entry did not stop ends the process with a crash report.
// Code that runs outside the loop (main() before exec()) catches its own.
//
// One per process, made by main() (and by the tests' main). GUI thread only, but for
// prepareFontsInBackground(), which main() may call first of all.
//
// A display that cannot be opened is no crash: main() asks first whether one answers
// (platform::DisplayAvailability); where Qt would still abort because no platform
// could be started, the constructor says that it cannot open a display on standard
// error and ends the process with DisplayUnavailableExitCode (no signal, so no crash
// report). The platform's own messages before it pass as usual.
#include <QApplication>
#include <QString>

namespace platform {

class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    ~Application() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // The exit status of a process that could not open a display.
    static constexpr int DisplayUnavailableExitCode = 1;

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

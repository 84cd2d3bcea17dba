#include "platform/drawing/Application.h"

#include "platform/drawing/HeldWindowAccessible.h"
#include "platform/drawing/HiddenWindowFocus.h"

#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace platform {

namespace {

void report(QObject *receiver, QEvent *event, const QString &what)
{
    ExceptionBoundary::report(receiver, QStringLiteral("the delivery of event %1").arg(int(event->type())), what);
}

// While the application object is made: a fatal message of Qt's (no platform could
// be started) ends the process with a plain message instead of an abort.
QtMessageHandler handlerBeforeStart = nullptr;
char startingProgram[128] = "";

void startMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        if (handlerBeforeStart)
            handlerBeforeStart(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    std::fprintf(stderr, "%s: cannot open a display\n", startingProgram);
    std::fflush(stderr);
    std::_Exit(Application::DisplayUnavailableExitCode);
}

int &guardStart(int &argc, char **argv)
{
    const char *program = argc > 0 && argv && argv[0] ? argv[0] : "";
    if (const char *slash = std::strrchr(program, '/'))
        program = slash + 1;
    std::snprintf(startingProgram, sizeof startingProgram, "%s", program);
    handlerBeforeStart = qInstallMessageHandler(startMessage);
    return argc;
}

} // namespace

Application::Application(int &argc, char **argv) : QApplication(guardStart(argc, argv), argv)
{
    qInstallMessageHandler(handlerBeforeStart);
    handlerBeforeStart = nullptr;
    // Before any button's interface is made: a held window's buttons refuse
    // accessibility presses.
    HeldWindowAccessible::install();
    // Before any menu or dialog shows: keys the desktop sends to one that hid go on.
    HiddenWindowFocus::install();
}

Application::~Application() = default;

namespace {

// A paint runs through Qt's painting frames, built without exception support: an
// exception unwinding out of them would leave their painter active and the window's
// backing store in the middle of a paint, so every later paint of the window fails.
// Nothing may cross them: an exception that a paint's own entry did not stop ends the
// process here, before anything is unwound, and the crash report names it.
bool deliverPaint(QApplication *application, QObject *receiver, QEvent *event) noexcept
{
    return application->QApplication::notify(receiver, event);
}

} // namespace

bool Application::notify(QObject *receiver, QEvent *event)
{
    if (event->type() == QEvent::Paint)
        return deliverPaint(this, receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const Exception &error) {
        report(receiver, event, error.name() + QStringLiteral(": ") + error.reason());
    } catch (const std::exception &error) {
        report(receiver, event, QString::fromUtf8(error.what()));
    } catch (...) {
        report(receiver, event, QStringLiteral("an exception of unknown type"));
    }
    return false;
}

int Application::caughtExceptionCount()
{
    return ExceptionBoundary::caughtCount();
}

void Application::prepareFontsInBackground()
{
    static std::atomic<bool> started{false};
    if (started.exchange(true))
        return;
    // FcInit() keeps the first complete configuration made in the process (an atomic
    // exchange), so Qt's own call finds this one, or makes its own if it comes first.
    BackgroundTask::runWithoutResult([](const BackgroundTask::Token &) { FcInit(); });
}

} // namespace platform

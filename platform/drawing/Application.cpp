#include "platform/drawing/Application.h"

#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <exception>

namespace platform {

namespace {

void report(QObject *receiver, QEvent *event, const QString &what)
{
    ExceptionBoundary::report(receiver, QStringLiteral("the delivery of event %1").arg(int(event->type())), what);
}

} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
}

Application::~Application() = default;

bool Application::notify(QObject *receiver, QEvent *event)
{
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

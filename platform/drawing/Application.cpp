#include "platform/drawing/Application.h"

#include "platform/foundation/Exception.h"

#include <QEvent>
#include <QLoggingCategory>

#include <atomic>
#include <exception>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcBoundary, "chronark.exceptions")

std::atomic<int> caught{0};

void report(QObject *receiver, QEvent *event, const QString &what)
{
    ++caught;
    qCCritical(lcBoundary).nospace().noquote()
        << "An exception escaped while delivering event " << int(event->type()) << " to "
        << (receiver ? receiver->metaObject()->className() : "nothing") << " \""
        << (receiver ? receiver->objectName() : QString()) << "\": " << what;
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
    return caught.load();
}

} // namespace platform

#include "platform/foundation/ExceptionBoundary.h"

#include "platform/foundation/Exception.h"

#include <QLoggingCategory>

#include <atomic>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcBoundary, "chronark.exceptions")

std::atomic<int> caughtSoFar{0};

} // namespace

void ExceptionBoundary::report(const QObject *receiver, const QString &entry, const QString &what) noexcept
{
    ++caughtSoFar;
    try {
        qCCritical(lcBoundary).nospace().noquote()
            << "An exception escaped " << entry << " of "
            << (receiver ? receiver->metaObject()->className() : "nothing") << " \""
            << (receiver ? receiver->objectName() : QString()) << "\": " << what;
    } catch (...) {
        // Logging ran out of memory; the count still tells.
    }
}

void ExceptionBoundary::reportCurrent(const QObject *receiver, const char *entry) noexcept
{
    const QString where = QString::fromLatin1(entry);
    try {
        throw;
    } catch (const Exception &error) {
        report(receiver, where, error.name() + QStringLiteral(": ") + error.reason());
    } catch (const std::exception &error) {
        report(receiver, where, QString::fromUtf8(error.what()));
    } catch (...) {
        report(receiver, where, QStringLiteral("an exception of unknown type"));
    }
}

void ExceptionBoundary::caught(const QObject *receiver, const char *entry) noexcept
{
    reportCurrent(receiver, entry);
}

int ExceptionBoundary::caughtCount() noexcept
{
    return caughtSoFar.load();
}

} // namespace platform

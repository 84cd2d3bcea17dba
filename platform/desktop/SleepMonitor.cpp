#include "platform/desktop/SleepMonitor.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <QLoggingCategory>
#include <QUuid>

#include <utility>

#include <fcntl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSleepMonitor, "chronark.sleep")

namespace platform {

namespace {

// The bus library's own default when the environment names no system bus.
constexpr const char *DefaultSystemBusAddress = "unix:path=/var/run/dbus/system_bus_socket";

QString busAddressFromEnvironment()
{
    QString address = qEnvironmentVariable(SleepMonitor::BusAddressVariable);
    if (address.isEmpty())
        address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return address.isEmpty() ? QString::fromLatin1(DefaultSystemBusAddress) : address;
}

} // namespace

SleepMonitor::SleepMonitor(QObject *parent)
    : QObject(parent), m_bus(QString())
{
    connectWhenAnswered(busAddressFromEnvironment());
}

SleepMonitor::SleepMonitor(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    start();
}

SleepMonitor::~SleepMonitor()
{
    if (isConnecting())
        QDBusConnection::disconnectFromPeer(m_probeName);
    for (Lock *lock : {&m_sleepLock, &m_shutdownLock}) {
        if (lock->fd >= 0)
            ::close(lock->fd);
    }
}

void SleepMonitor::connectWhenAnswered(const QString &address)
{
    // A peer connection opens its socket and returns: the bus library says hello only
    // when the first message goes, and waits for nothing. "Hello" is that message; a
    // daemon answers it as it answers every new client.
    m_probeName = QStringLiteral("chronark-sleep-probe ") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QDBusConnection probe = QDBusConnection::connectToPeer(address, m_probeName);
    if (!probe.isConnected()) {
        const QString reason = probe.lastError().message();
        QDBusConnection::disconnectFromPeer(m_probeName);
        m_probeName.clear();
        reportOnce(QStringLiteral("no bus (") + reason + QStringLiteral(")"));
        return;
    }
    const QDBusMessage hello = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("Hello"));
    auto *watcher = new QDBusPendingCallWatcher(probe.asyncCall(hello, ProbeTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            platform::ExceptionBoundary::guarded(this, "the bus's answer", [this, watcher, address] {
                watcher->deleteLater();
                QDBusConnection::disconnectFromPeer(std::exchange(m_probeName, QString()));
                const QDBusMessage reply = watcher->reply();
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    reportOnce(QStringLiteral("the bus at ") + address + QStringLiteral(" does not answer (")
                               + reply.errorMessage() + QStringLiteral(")"));
                    return;
                }
                // The daemon answers: connecting now takes no longer than its welcome.
                m_bus = QDBusConnection::connectToBus(address, QStringLiteral("chronark-sleep-bus ") + address);
                start();
                requestInhibitor();
            }));
}

void SleepMonitor::start()
{
    if (!m_bus.isConnected()) {
        reportOnce(QStringLiteral("no bus (") + m_bus.lastError().message() + QStringLiteral(")"));
        return;
    }
    const QString service = QString::fromLatin1(Service);
    m_subscribed = m_bus.connect(service, QString::fromLatin1(Path), QString::fromLatin1(Interface),
                                 QStringLiteral("PrepareForSleep"), QStringLiteral("b"), this,
                                 SLOT(prepareForSleep(bool)));
    if (!m_subscribed) {
        reportOnce(QStringLiteral("cannot subscribe to PrepareForSleep"));
        return;
    }
    if (!m_bus.connect(service, QString::fromLatin1(Path), QString::fromLatin1(Interface),
                       QStringLiteral("PrepareForShutdown"), QStringLiteral("b"), this,
                       SLOT(prepareForShutdown(bool))))
        reportOnce(QStringLiteral("cannot subscribe to PrepareForShutdown"));

    m_serviceWatcher = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            platform::ExceptionBoundary::guarded(this, "serviceOwnerChanged", [this](const QString &, const QString &, const QString &newOwner) {
                if (newOwner.isEmpty()) {
                    // logind went away: its locks went with it.
                    closeDescriptor();
                    closeLock(m_shutdownLock);
                    setActive(false);
                    reportOnce(QStringLiteral("logind left the bus"));
                } else {
                    setActive(true);
                    requestInhibitor();
                }
            }));

    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << service;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, platform::ExceptionBoundary::guarded(this, "finished", [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        const bool present = reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
            && reply.arguments().first().metaType() == QMetaType::fromType<bool>()
            && reply.arguments().first().toBool();
        if (present) {
            setActive(true);
        } else if (!m_active) {
            reportOnce(QStringLiteral("logind is not on the bus"));
            Q_EMIT activeChanged(false);
        }
    }));
}

void SleepMonitor::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    Q_EMIT activeChanged(active);
}

void SleepMonitor::takeInhibitor(const QString &who, const QString &why)
{
    m_sleepLock.who = who;
    m_sleepLock.why = why;
    m_sleepLock.wanted = true;
    requestLock(m_sleepLock);
}

void SleepMonitor::releaseInhibitor()
{
    m_sleepLock.wanted = false;
    closeDescriptor();
}

void SleepMonitor::takeShutdownInhibitor(const QString &who, const QString &why)
{
    m_shutdownLock.who = who;
    m_shutdownLock.why = why;
    m_shutdownLock.wanted = true;
    requestLock(m_shutdownLock);
}

void SleepMonitor::releaseShutdownInhibitor()
{
    m_shutdownLock.wanted = false;
    closeLock(m_shutdownLock);
}

void SleepMonitor::requestInhibitor()
{
    requestLock(m_sleepLock);
    requestLock(m_shutdownLock);
}

void SleepMonitor::requestLock(Lock &lock)
{
    const bool held = &lock == &m_sleepLock ? m_sleeping : m_shuttingDown;
    if (!lock.wanted || lock.fd >= 0 || lock.requestPending || held || isConnecting())
        return;
    const QString what = QString::fromLatin1(lock.what);
    if (!m_bus.isConnected()) {
        refuse(QStringLiteral("no bus; %1 is not delayed").arg(what));
        return;
    }
    if (!(m_bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        refuse(QStringLiteral("the bus cannot pass file descriptors; %1 is not delayed").arg(what));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                       QString::fromLatin1(Interface), QStringLiteral("Inhibit"));
    call << what << lock.who << lock.why << QStringLiteral("delay");
    lock.requestPending = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            platform::ExceptionBoundary::guarded(this, "inhibitReplied", [this, &lock](QDBusPendingCallWatcher *w) {
                lockReplied(lock, w);
            }));
}

void SleepMonitor::lockReplied(Lock &lock, QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    lock.requestPending = false;
    const QString what = QString::fromLatin1(lock.what);
    const QDBusMessage reply = watcher->reply();
    if (reply.type() != QDBusMessage::ReplyMessage) {
        refuse(QStringLiteral("no %1 delay lock: ").arg(what) + reply.errorName() + QStringLiteral(" ")
               + reply.errorMessage());
        return;
    }
    const QList<QVariant> arguments = reply.arguments();
    if (arguments.size() != 1 || arguments.first().metaType() != QMetaType::fromType<QDBusUnixFileDescriptor>()) {
        refuse(QStringLiteral("unexpected answer to Inhibit of signature \"") + reply.signature()
                   + QStringLiteral("\""));
        return;
    }
    const auto descriptor = arguments.first().value<QDBusUnixFileDescriptor>();
    if (!descriptor.isValid()) {
        refuse(QStringLiteral("Inhibit answered no file descriptor"));
        return;
    }
    // Our own copy, closed exactly when the lock is let go.
    const int fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        refuse(QStringLiteral("cannot keep the %1 delay lock").arg(what));
        return;
    }
    const bool held = &lock == &m_sleepLock ? m_sleeping : m_shuttingDown;
    if (!lock.wanted || held || lock.fd >= 0) {
        ::close(fd);
        // Wanted again after a release that raced with this answer.
        requestLock(lock);
        return;
    }
    lock.fd = fd;
    if (&lock == &m_sleepLock)
        Q_EMIT inhibitorChanged(true);
}

void SleepMonitor::closeDescriptor()
{
    if (m_sleepLock.fd < 0)
        return;
    closeLock(m_sleepLock);
    Q_EMIT inhibitorChanged(false);
}

void SleepMonitor::closeLock(Lock &lock)
{
    if (lock.fd < 0)
        return;
    ::close(lock.fd);
    lock.fd = -1;
}

void SleepMonitor::prepareForSleep(bool starting)
try {
    if (starting) {
        m_sleeping = true;
        Q_EMIT aboutToSleep();
        // Whatever had to be done before the sleep is done now.
        closeDescriptor();
    } else {
        m_sleeping = false;
        Q_EMIT resumed();
        requestInhibitor();
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "prepareForSleep");
}

void SleepMonitor::prepareForShutdown(bool starting)
try {
    // The lock stays until the application has ended (its descriptor closes with the
    // process) or lets it go; a shutdown called off wants it again.
    m_shuttingDown = starting;
    if (starting)
        Q_EMIT aboutToShutDown();
    else
        requestLock(m_shutdownLock);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "prepareForShutdown");
}

void SleepMonitor::refuse(const QString &reason)
{
    reportOnce(reason);
    Q_EMIT inhibitorFailed(reason);
}

void SleepMonitor::reportOnce(const QString &reason)
{
    if (m_reported)
        return;
    m_reported = true;
    qCInfo(lcSleepMonitor).noquote() << "Sleep monitor:" << reason;
}

} // namespace platform

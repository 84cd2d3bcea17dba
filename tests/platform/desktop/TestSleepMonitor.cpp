// The sleep monitor against a fake logind on the private session bus.
#include "platform/desktop/SleepMonitor.h"

#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using desktoptest::FakeDBusService;
using platform::SleepMonitor;

namespace {

const QString LogindService = QStringLiteral("org.freedesktop.login1");
const QString LogindPath = QStringLiteral("/org/freedesktop/login1");
const QString ManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");

// A logind that hands out the write end of a fresh pipe for every Inhibit call and
// keeps the read end, so it can see when every copy of the lock has been closed.
class FakeLogind
{
public:
    enum class Mode { Pipe, Refuse, WrongType };

    explicit FakeLogind(const QString &address)
        : m_service(LogindService, LogindPath, [this](const QDBusMessage &call) { return answer(call); }, address)
    {
    }
    ~FakeLogind()
    {
        for (int fd : m_readEnds)
            ::close(fd);
    }

    bool isRegistered() const { return m_service.isRegistered(); }
    void setMode(Mode mode) { m_mode = mode; }
    const QList<QDBusMessage> &calls() const { return m_service.calls(); }
    int locksHandedOut() const { return int(m_readEnds.size()); }

    // Every holder of lock n has closed it.
    bool lockClosed(int n) const
    {
        pollfd p{m_readEnds.at(n), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return false;
        char byte;
        return (p.revents & POLLHUP) || ::read(m_readEnds.at(n), &byte, 1) == 0;
    }

    bool prepareForSleep(const QVariant &argument)
    {
        return m_service.emitSignal(ManagerInterface, QStringLiteral("PrepareForSleep"), {argument});
    }

private:
    QDBusMessage answer(const QDBusMessage &call)
    {
        if (call.member() != QStringLiteral("Inhibit"))
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), call.member());
        if (m_mode == Mode::Refuse)
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                         QStringLiteral("not allowed"));
        if (m_mode == Mode::WrongType)
            return call.createReply(QStringLiteral("/run/lock"));
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"), QStringLiteral("pipe"));
        m_readEnds.append(fds[0]);
        QDBusMessage reply = call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fds[1])));
        ::close(fds[1]);   // the descriptor object holds its own copy
        return reply;
    }

    FakeDBusService m_service;
    Mode m_mode = Mode::Pipe;
    QList<int> m_readEnds;
};

bool waitForActive(SleepMonitor &monitor)
{
    return QTest::qWaitFor([&] { return monitor.isActive(); }, 10000);
}

TEST(SleepMonitor, PrepareForSleepIsSignalledWhileTheDelayLockIsStillHeld)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    SleepMonitor monitor(bus.connection());
    ASSERT_TRUE(waitForActive(monitor));

    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("Stopping the counter"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.hasInhibitor(); }, 10000));
    ASSERT_EQ(logind.calls().size(), 1);
    const QList<QVariant> args = logind.calls().first().arguments();
    ASSERT_EQ(args.size(), 4);
    EXPECT_EQ(args.at(0).toString(), QStringLiteral("sleep"));
    EXPECT_EQ(args.at(1).toString(), QStringLiteral("Chronark"));
    EXPECT_EQ(args.at(2).toString(), QStringLiteral("Stopping the counter"));
    EXPECT_EQ(args.at(3).toString(), QStringLiteral("delay"));
    EXPECT_FALSE(logind.lockClosed(0));

    bool heldDuringHandler = false;
    QObject::connect(&monitor, &SleepMonitor::aboutToSleep, [&] { heldDuringHandler = monitor.hasInhibitor(); });
    QSignalSpy sleeping(&monitor, &SleepMonitor::aboutToSleep);
    ASSERT_TRUE(logind.prepareForSleep(true));
    ASSERT_TRUE(sleeping.wait(10000));
    EXPECT_TRUE(heldDuringHandler);
    // Handled: the lock goes so the sleep can proceed; it is still wanted.
    EXPECT_FALSE(monitor.hasInhibitor());
    EXPECT_TRUE(monitor.wantsInhibitor());
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(0); }, 10000));

    // Awake again: the lock is taken anew.
    QSignalSpy resumed(&monitor, &SleepMonitor::resumed);
    ASSERT_TRUE(logind.prepareForSleep(false));
    ASSERT_TRUE(resumed.wait(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.hasInhibitor(); }, 10000));
    EXPECT_EQ(logind.locksHandedOut(), 2);
    EXPECT_EQ(sleeping.count(), 1);

    monitor.releaseInhibitor();
    EXPECT_FALSE(monitor.hasInhibitor());
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(1); }, 10000));
}

TEST(SleepMonitor, ReleaseClosesTheLockAndTakingTwiceAsksOnce)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    SleepMonitor monitor(bus.connection());
    QSignalSpy changes(&monitor, &SleepMonitor::inhibitorChanged);
    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("a"));
    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("b"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.hasInhibitor(); }, 10000));
    EXPECT_EQ(logind.calls().size(), 1);
    monitor.releaseInhibitor();
    EXPECT_FALSE(monitor.wantsInhibitor());
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(0); }, 10000));
    ASSERT_EQ(changes.count(), 2);
    EXPECT_TRUE(changes.at(0).first().toBool());
    EXPECT_FALSE(changes.at(1).first().toBool());
    // Releasing again changes nothing.
    monitor.releaseInhibitor();
    EXPECT_EQ(changes.count(), 2);
}

TEST(SleepMonitor, ReleaseBeforeTheAnswerClosesTheLateLock)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    SleepMonitor monitor(bus.connection());
    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("x"));
    monitor.releaseInhibitor();   // the answer is still on its way
    ASSERT_TRUE(QTest::qWaitFor([&] { return logind.locksHandedOut() == 1 && logind.lockClosed(0); }, 10000));
    EXPECT_FALSE(monitor.hasInhibitor());
}

TEST(SleepMonitor, SignalWithTheWrongArgumentTypeIsIgnored)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    SleepMonitor monitor(bus.connection());
    ASSERT_TRUE(waitForActive(monitor));
    QSignalSpy sleeping(&monitor, &SleepMonitor::aboutToSleep);
    ASSERT_TRUE(logind.prepareForSleep(QStringLiteral("yes")));
    ASSERT_TRUE(logind.prepareForSleep(42));
    ASSERT_TRUE(logind.prepareForSleep(true));   // same sender: arrives after the others
    ASSERT_TRUE(sleeping.wait(10000));
    EXPECT_EQ(sleeping.count(), 1);
}

TEST(SleepMonitor, RefusedOrMalformedLocksAreReported)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    SleepMonitor monitor(bus.connection());
    QSignalSpy failed(&monitor, &SleepMonitor::inhibitorFailed);

    logind.setMode(FakeLogind::Mode::Refuse);
    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("x"));
    ASSERT_TRUE(failed.wait(10000));
    EXPECT_TRUE(failed.first().first().toString().contains(QStringLiteral("AccessDenied")));
    EXPECT_FALSE(monitor.hasInhibitor());

    logind.setMode(FakeLogind::Mode::WrongType);
    monitor.releaseInhibitor();
    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("x"));
    ASSERT_TRUE(failed.wait(10000));
    EXPECT_FALSE(monitor.hasInhibitor());
}

TEST(SleepMonitor, TakesTheBusFromTheEnvironment)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    qputenv(SleepMonitor::BusAddressVariable, bus.address().toUtf8());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    {
        SleepMonitor monitor;
        ASSERT_TRUE(waitForActive(monitor));
        QSignalSpy sleeping(&monitor, &SleepMonitor::aboutToSleep);
        ASSERT_TRUE(logind.prepareForSleep(true));
        EXPECT_TRUE(sleeping.wait(10000));
    }
    qunsetenv(SleepMonitor::BusAddressVariable);
}

TEST(SleepMonitor, WithoutLogindTheMonitorIsInactive)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    SleepMonitor monitor(bus.connection());
    QSignalSpy active(&monitor, &SleepMonitor::activeChanged);
    ASSERT_TRUE(active.wait(10000));
    EXPECT_FALSE(monitor.isActive());
    QSignalSpy failed(&monitor, &SleepMonitor::inhibitorFailed);
    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("x"));
    ASSERT_TRUE(failed.wait(10000));
    EXPECT_FALSE(monitor.hasInhibitor());

    // logind arriving later makes it active and brings the wanted lock.
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    ASSERT_TRUE(waitForActive(monitor));
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor.hasInhibitor(); }, 10000));
}

// A socket that takes connections into its queue and never answers on them: a bus
// whose daemon is stuck.
class SilentSocket
{
public:
    SilentSocket()
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(m_folder.filePath(QStringLiteral("bus")));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        m_listening = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::listen(m_fd, 16) == 0;
        m_address = QStringLiteral("unix:path=") + QString::fromLocal8Bit(path);
    }
    ~SilentSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isListening() const { return m_listening; }
    QString address() const { return m_address; }

private:
    QTemporaryDir m_folder;
    int m_fd = -1;
    bool m_listening = false;
    QString m_address;
};

// A sleep bus whose daemon never answers holds nothing: not the construction, not the
// event loop, not the other buses of the process (connecting to it would have held
// the bus library's one thread); the monitor stays inactive and asks for no lock.
TEST(SleepMonitor, ABusThatDoesNotAnswerHoldsNothing)
{
    SilentSocket silent;
    ASSERT_TRUE(silent.isListening());
    desktoptest::PrivateBus other;
    ASSERT_TRUE(other.isRunning());
    testsupport::ScopedEnv variable(SleepMonitor::BusAddressVariable, silent.address().toUtf8());
    {
        SleepMonitor monitor;
        EXPECT_TRUE(monitor.isConnecting());
        QSignalSpy failed(&monitor, &SleepMonitor::inhibitorFailed);
        monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("x"));
        // Another bus is reached, watched and answers meanwhile.
        FakeLogind logind(other.address());
        ASSERT_TRUE(logind.isRegistered());
        SleepMonitor onTheOther(other.connection());
        ASSERT_TRUE(waitForActive(onTheOther));
        EXPECT_TRUE(monitor.isConnecting());
        EXPECT_FALSE(monitor.isActive());
        EXPECT_FALSE(monitor.hasInhibitor());
        EXPECT_EQ(failed.count(), 0) << "the lock waits for the bus";
    }
}

// The system bus's place is taken by the variable's bus, answered before connecting:
// a lock wanted while the daemon is asked is taken once it answered.
TEST(SleepMonitor, ALockWantedWhileTheBusIsAskedIsTakenOnceItAnswers)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    testsupport::ScopedEnv variable(SleepMonitor::BusAddressVariable, bus.address().toUtf8());
    SleepMonitor monitor;
    EXPECT_TRUE(monitor.isConnecting());
    monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("x"));
    ASSERT_TRUE(waitForActive(monitor));
    EXPECT_FALSE(monitor.isConnecting());
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor.hasInhibitor(); }, 10000));
    EXPECT_EQ(logind.locksHandedOut(), 1);
}

TEST(SleepMonitor, WithoutABusNothingHappens)
{
    const QString name = QStringLiteral("sleep-no-bus");
    {
        SleepMonitor monitor(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/chronark-bus"),
                                                           name));
        EXPECT_FALSE(monitor.isActive());
        QSignalSpy failed(&monitor, &SleepMonitor::inhibitorFailed);
        monitor.takeInhibitor(QStringLiteral("Chronark"), QStringLiteral("x"));
        EXPECT_EQ(failed.count(), 1);
        EXPECT_FALSE(monitor.hasInhibitor());
        monitor.releaseInhibitor();
    }
    QDBusConnection::disconnectFromBus(name);
}

} // namespace

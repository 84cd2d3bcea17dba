// Idle time from the X server (Xvfb), from fake desktop idle monitors on the bus, and
// past Wayland displays that give no idle notifications.
#include "platform/desktop/IdleMonitor.h"
#include "platform/desktop/WaylandIdleNotifier.h"

#include "tests/support/DesktopTestSupport.h"

#include <QDBusConnection>
#include <algorithm>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using desktoptest::FakeDBusService;
using platform::IdleMonitor;

namespace {

const QString MutterService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString MutterPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString ScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString ScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

bool moveMouse(int x, int y)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("mousemove"), QString::number(x), QString::number(y)})
        == 0;
}

TEST(IdleMonitorX11, IdleTimeGrowsAndInputResetsIt)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    IdleMonitor monitor;
    ASSERT_EQ(monitor.source(), IdleMonitor::Source::X11ScreenSaver);
    ASSERT_TRUE(monitor.isAvailable());

    ASSERT_TRUE(moveMouse(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.idleSeconds() < 1.0; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.idleSeconds() > 1.5; }, 15000));
    const double before = monitor.idleSeconds();
    EXPECT_GT(before, 1.5);

    ASSERT_TRUE(moveMouse(300, 200));
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor.idleSeconds() < before; }, 10000));
}

TEST(IdleMonitorBus, MutterIdleMonitorIsPreferredAndCountsMilliseconds)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    quint64 idleMs = 42500;
    FakeDBusService mutter(MutterService, MutterPath, [&](const QDBusMessage &call) {
        if (call.member() != QStringLiteral("GetIdletime"))
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), call.member());
        return call.createReply(QVariant::fromValue<qulonglong>(idleMs));
    }, bus.address());
    FakeDBusService screenSaver(ScreenSaverService, ScreenSaverPath, [](const QDBusMessage &call) {
        return call.createReply(QVariant::fromValue<uint>(7));
    }, bus.address());
    ASSERT_TRUE(mutter.isRegistered());
    ASSERT_TRUE(screenSaver.isRegistered());

    IdleMonitor monitor(bus.connection());
    EXPECT_FALSE(monitor.isAvailable());   // still asking
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.isAvailable(); }, 10000));
    EXPECT_EQ(monitor.source(), IdleMonitor::Source::MutterIdleMonitor);
    EXPECT_DOUBLE_EQ(monitor.idleSeconds(), 42.5);
    EXPECT_EQ(mutter.calls().first().interface(), MutterService);

    idleMs = 1000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor.idleSeconds() == 1.0; }, 10000));
    EXPECT_TRUE(screenSaver.calls().isEmpty());
}

// The first answer may be 0, the person at work when the monitor first asks: an
// answer all the same.
TEST(IdleMonitorBus, ScreenSaverInterfaceIsTheFallbackAndCountsSeconds)
{
    for (const uint first : {17u, 0u}) {
        desktoptest::PrivateBus bus;
        ASSERT_TRUE(bus.isRunning());
        FakeDBusService screenSaver(ScreenSaverService, ScreenSaverPath, [&](const QDBusMessage &call) {
            if (call.member() != QStringLiteral("GetSessionIdleTime"))
                return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), call.member());
            return call.createReply(QVariant::fromValue<uint>(first));
        }, bus.address());
        ASSERT_TRUE(screenSaver.isRegistered());
        IdleMonitor monitor(bus.connection());
        ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.isAvailable(); }, 10000)) << first;
        EXPECT_EQ(monitor.source(), IdleMonitor::Source::FreedesktopScreenSaver);
        EXPECT_DOUBLE_EQ(monitor.idleSeconds(), double(first));
        EXPECT_EQ(screenSaver.calls().first().interface(), ScreenSaverService);
    }
}

// A counter asks for the idle time at each tick; with only the screensaver interface
// each read answers what the service said last, growing as it grows, and never the
// nothing of a question still on its way.
TEST(IdleMonitorBus, WithOnlyTheScreenSaverEveryReadFollowsItsAnswers)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    uint idle = 5;
    FakeDBusService screenSaver(ScreenSaverService, ScreenSaverPath, [&](const QDBusMessage &call) {
        return call.createReply(QVariant::fromValue<uint>(idle));
    }, bus.address());
    ASSERT_TRUE(screenSaver.isRegistered());
    IdleMonitor monitor(bus.connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.isAvailable(); }, 10000));
    ASSERT_EQ(monitor.source(), IdleMonitor::Source::FreedesktopScreenSaver);

    double lowest = monitor.idleSeconds();
    for (const uint next : {60u, 400u, 3600u}) {
        idle = next;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const double seen = monitor.idleSeconds();
            lowest = std::min(lowest, seen);
            return seen == double(next);
        }, 10000)) << "never read " << next;
    }
    EXPECT_EQ(lowest, 5.0);
    EXPECT_GE(screenSaver.calls().size(), 4);
}

TEST(IdleMonitorBus, MalformedAnswersMeanUnavailable)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDBusService mutter(MutterService, MutterPath, [](const QDBusMessage &call) {
        return call.createReply(QStringLiteral("a while"));
    }, bus.address());
    FakeDBusService screenSaver(ScreenSaverService, ScreenSaverPath, [](const QDBusMessage &call) {
        return call.createReply(QList<QVariant>{QVariant::fromValue<int>(-5)});
    }, bus.address());
    ASSERT_TRUE(mutter.isRegistered());
    ASSERT_TRUE(screenSaver.isRegistered());
    IdleMonitor monitor(bus.connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.source() == IdleMonitor::Source::Unavailable; }, 10000));
    EXPECT_FALSE(monitor.isAvailable());
    EXPECT_EQ(monitor.idleSeconds(), 0.0);
    EXPECT_EQ(mutter.calls().size(), 1);
    EXPECT_EQ(screenSaver.calls().size(), 1);
}

TEST(IdleMonitorBus, NoIdleMonitorMeansUnavailable)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    IdleMonitor monitor(bus.connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.source() == IdleMonitor::Source::Unavailable; }, 10000));
    EXPECT_FALSE(monitor.isAvailable());
    EXPECT_EQ(monitor.idleSeconds(), 0.0);
}

TEST(IdleMonitorBus, ASourceThatGoesAwayIsLookedForAgain)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    auto mutter = std::make_unique<FakeDBusService>(MutterService, MutterPath, [](const QDBusMessage &call) {
        return call.createReply(QVariant::fromValue<qulonglong>(5000));
    }, bus.address());
    ASSERT_TRUE(mutter->isRegistered());
    IdleMonitor monitor(bus.connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.isAvailable(); }, 10000));
    EXPECT_DOUBLE_EQ(monitor.idleSeconds(), 5.0);

    mutter.reset();
    FakeDBusService screenSaver(ScreenSaverService, ScreenSaverPath, [](const QDBusMessage &call) {
        return call.createReply(QVariant::fromValue<uint>(9));
    }, bus.address());
    ASSERT_TRUE(screenSaver.isRegistered());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return monitor.source() == IdleMonitor::Source::FreedesktopScreenSaver && monitor.idleSeconds() == 9.0;
    }, 10000));
}

// A Wayland display that gives no idle notifications (one that never answers, one
// that closes the connection at once, one that is not there) is no source: the
// monitor stays Probing until it knows, then asks the screensaver interface, and the
// GUI thread is never held meanwhile (the test program's watchdog would say so).
TEST(IdleMonitorBus, AWaylandDisplayWithoutAnAnswerLeavesTheScreenSaverInterface)
{
    enum class Display { Silent, Closing, Missing };
    for (const Display kind : {Display::Silent, Display::Closing, Display::Missing}) {
        SCOPED_TRACE(int(kind));
        desktoptest::PrivateBus bus;
        ASSERT_TRUE(bus.isRunning());
        FakeDBusService screenSaver(ScreenSaverService, ScreenSaverPath, [](const QDBusMessage &call) {
            return call.createReply(QVariant::fromValue<uint>(12));
        }, bus.address());
        ASSERT_TRUE(screenSaver.isRegistered());

        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("wayland-test"));
        QLocalServer compositor;
        int connections = 0;
        qsizetype screenSaverCallsBeforeWayland = -1;
        QObject::connect(&compositor, &QLocalServer::newConnection, &compositor, [&] {
            ++connections;
            screenSaverCallsBeforeWayland = screenSaver.calls().size();
            if (kind == Display::Closing)
                compositor.nextPendingConnection()->abort();
        });
        if (kind != Display::Missing) {
            ASSERT_TRUE(compositor.listen(path)) << compositor.errorString().toStdString();
        }

        IdleMonitor monitor(bus.connection(), path);
        QSignalSpy changes(&monitor, &IdleMonitor::sourceChanged);
        EXPECT_EQ(monitor.source(), IdleMonitor::Source::Probing);
        ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.source() != IdleMonitor::Source::Probing; },
                                    platform::WaylandIdleNotifier::AnswerTimeoutMs + 10000));
        EXPECT_EQ(monitor.source(), IdleMonitor::Source::FreedesktopScreenSaver);
        ASSERT_EQ(changes.count(), 1); // straight from Probing
        EXPECT_DOUBLE_EQ(monitor.idleSeconds(), 12.0);
        if (kind != Display::Missing) {
            EXPECT_EQ(connections, 1);
            EXPECT_EQ(screenSaverCallsBeforeWayland, 0); // the compositor is asked first
        }
    }
}

TEST(IdleMonitorBus, NoBusMeansUnavailable)
{
    const QString name = QStringLiteral("idle-no-bus");
    {
        IdleMonitor monitor(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/chronark-bus"), name));
        EXPECT_EQ(monitor.source(), IdleMonitor::Source::Unavailable);
        EXPECT_EQ(monitor.idleSeconds(), 0.0);
    }
    QDBusConnection::disconnectFromBus(name);
}

} // namespace

// Desktop notifications through org.freedesktop.Notifications on a private bus.
#include "platform/desktop/DesktopNotifier.h"

#include "tests/support/DesktopTestSupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>
#include <QVariantMap>

#include <gtest/gtest.h>

using desktoptest::FakeDBusService;
using platform::DesktopNotifier;

namespace {

const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// A notification server that shows nothing and answers ids 1, 2, 3, ...
QDBusMessage answerWithId(const QDBusMessage &call)
{
    static uint next = 0;
    return call.createReply(QVariant::fromValue<uint>(++next));
}

// The hints argument (a{sv}) of a received Notify call.
QVariantMap hintsOf(const QDBusMessage &call)
{
    QVariantMap hints;
    const QVariant argument = call.arguments().value(6);
    if (argument.canConvert<QDBusArgument>())
        argument.value<QDBusArgument>() >> hints;
    else
        hints = argument.toMap();
    return hints;
}

// On the session bus of the test's desktop, through the default constructor.
TEST(DesktopNotifier, DeliversApplicationTitleBodyAndKindToTheServer)
{
    FakeDBusService server(NotificationsService, NotificationsPath, answerWithId);
    ASSERT_TRUE(server.isRegistered());

    DesktopNotifier notifier;
    notifier.setApplicationName(QStringLiteral("Chronark"));
    QSignalSpy posted(&notifier, &DesktopNotifier::posted);
    QSignalSpy failed(&notifier, &DesktopNotifier::failed);

    notifier.post(QStringLiteral("Counter started"), QStringLiteral("Counting for “Website”"));
    EXPECT_EQ(notifier.pendingCount(), 1);   // the post returned before the answer
    ASSERT_TRUE(posted.wait(10000));
    EXPECT_EQ(failed.count(), 0);
    EXPECT_GT(posted.first().first().toUInt(), 0u);
    EXPECT_EQ(notifier.pendingCount(), 0);

    ASSERT_EQ(server.calls().size(), 1);
    const QDBusMessage call = server.calls().first();
    EXPECT_EQ(call.member(), QStringLiteral("Notify"));
    EXPECT_EQ(call.interface(), NotificationsService);
    EXPECT_EQ(call.signature(), QStringLiteral("susssasa{sv}i"));
    const QList<QVariant> args = call.arguments();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args.at(0).toString(), QStringLiteral("Chronark"));
    EXPECT_EQ(args.at(1).toUInt(), 0u);
    EXPECT_EQ(args.at(3).toString(), QStringLiteral("Counter started"));
    EXPECT_EQ(args.at(4).toString(), QStringLiteral("Counting for “Website”"));
    EXPECT_EQ(args.at(7).toInt(), -1);
    EXPECT_EQ(hintsOf(call).value(QStringLiteral("category")).toString(), QStringLiteral("GeneralNotifications"));
}

TEST(DesktopNotifier, SeveralPostsEachReachTheServerWithTheirOwnKind)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDBusService server(NotificationsService, NotificationsPath, answerWithId, bus.address());
    ASSERT_TRUE(server.isRegistered());
    DesktopNotifier notifier(bus.connection());
    QSignalSpy posted(&notifier, &DesktopNotifier::posted);

    notifier.post(QStringLiteral("one"), QStringLiteral("first"));
    notifier.post(QStringLiteral("two"), QString(), QStringLiteral("x-chronark.reminder"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return posted.count() == 2; }, 10000));
    ASSERT_EQ(server.calls().size(), 2);
    EXPECT_EQ(server.calls().at(0).arguments().at(3).toString(), QStringLiteral("one"));
    EXPECT_EQ(server.calls().at(1).arguments().at(3).toString(), QStringLiteral("two"));
    EXPECT_EQ(server.calls().at(1).arguments().at(4).toString(), QString());
    EXPECT_EQ(hintsOf(server.calls().at(1)).value(QStringLiteral("category")).toString(),
              QStringLiteral("x-chronark.reminder"));
    // Two different ids from the server.
    EXPECT_NE(posted.at(0).first().toUInt(), posted.at(1).first().toUInt());
}

TEST(DesktopNotifier, ServerErrorsAndBadAnswersAreReportedNotFatal)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    int calls = 0;
    FakeDBusService server(NotificationsService, NotificationsPath, [&](const QDBusMessage &call) {
        ++calls;
        if (calls == 1)
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"), QStringLiteral("full"));
        if (calls == 2)
            return call.createReply(QStringLiteral("not an id"));
        return call.createReply(QList<QVariant>{});
    }, bus.address());
    ASSERT_TRUE(server.isRegistered());
    DesktopNotifier notifier(bus.connection());
    QSignalSpy posted(&notifier, &DesktopNotifier::posted);
    QSignalSpy failed(&notifier, &DesktopNotifier::failed);
    for (int i = 0; i < 3; ++i)
        notifier.post(QStringLiteral("t"), QStringLiteral("b"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 3; }, 10000));
    EXPECT_EQ(posted.count(), 0);
    EXPECT_TRUE(failed.at(0).first().toString().contains(QStringLiteral("org.freedesktop.DBus.Error.Failed")));
}

// With no server nothing is shown and nothing goes wrong. This runs on a bus of its
// own: the usual session bus configuration could start a notification daemon on
// demand.
TEST(DesktopNotifier, NoServerOnTheBusMeansNoNotification)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    {
        DesktopNotifier notifier(bus.connection());
        QSignalSpy posted(&notifier, &DesktopNotifier::posted);
        QSignalSpy failed(&notifier, &DesktopNotifier::failed);
        notifier.post(QStringLiteral("t"), QStringLiteral("b"));
        notifier.post(QStringLiteral("t"), QStringLiteral("b"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 2; }, 10000));
        EXPECT_EQ(posted.count(), 0);
        EXPECT_TRUE(failed.first().first().toString().contains(QStringLiteral("ServiceUnknown")));
    }
}

TEST(DesktopNotifier, NoBusAtAllFailsAtOnce)
{
    const QString name = QStringLiteral("notifier-no-bus");
    {
        DesktopNotifier notifier(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/chronark-bus"),
                                                               name));
        QSignalSpy failed(&notifier, &DesktopNotifier::failed);
        notifier.post(QStringLiteral("t"), QStringLiteral("b"));
        EXPECT_EQ(failed.count(), 1);
        EXPECT_EQ(notifier.pendingCount(), 0);
    }
    QDBusConnection::disconnectFromBus(name);
}

// dunst, a real notification server, accepts what we send.
TEST(DesktopNotifier, RealNotificationServerShowsIt)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY"));
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    desktoptest::ScopedProcess dunst(QStringLiteral("dunst"), {}, environment);
    ASSERT_TRUE(dunst.isRunning());

    {
        QDBusConnection connection = bus.connection();
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return connection.interface()->isServiceRegistered(NotificationsService).value();
        }, 10000));
        DesktopNotifier notifier(connection);
        QSignalSpy posted(&notifier, &DesktopNotifier::posted);
        QSignalSpy failed(&notifier, &DesktopNotifier::failed);
        notifier.post(QStringLiteral("Counter stopped"), QStringLiteral("Stopped “Website”"));
        ASSERT_TRUE(posted.wait(10000)) << (failed.isEmpty() ? "" : qPrintable(failed.first().first().toString()));
        EXPECT_GT(posted.first().first().toUInt(), 0u);
    }
}

} // namespace

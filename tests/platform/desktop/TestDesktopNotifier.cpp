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

bool asksCapabilities(const QDBusMessage &call)
{
    return call.member() == QStringLiteral("GetCapabilities");
}

// A notification server that shows nothing, reads bodies as plain text and answers
// ids 1, 2, 3, ...
QDBusMessage answerWithId(const QDBusMessage &call)
{
    static uint next = 0;
    if (asksCapabilities(call))
        return call.createReply(QVariant(QStringList{QStringLiteral("body")}));
    return call.createReply(QVariant::fromValue<uint>(++next));
}

// The Notify calls a server received, in order.
QList<QDBusMessage> notifyCalls(const FakeDBusService &server)
{
    QList<QDBusMessage> calls;
    for (const QDBusMessage &call : server.calls()) {
        if (call.member() == QStringLiteral("Notify"))
            calls.append(call);
    }
    return calls;
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

    ASSERT_EQ(notifyCalls(server).size(), 1);
    const QDBusMessage call = notifyCalls(server).first();
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
    const QList<QDBusMessage> calls = notifyCalls(server);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls.at(0).arguments().at(3).toString(), QStringLiteral("one"));
    EXPECT_EQ(calls.at(1).arguments().at(3).toString(), QStringLiteral("two"));
    EXPECT_EQ(calls.at(1).arguments().at(4).toString(), QString());
    EXPECT_EQ(hintsOf(calls.at(1)).value(QStringLiteral("category")).toString(),
              QStringLiteral("x-chronark.reminder"));
    // Two different ids from the server.
    EXPECT_NE(posted.at(0).first().toUInt(), posted.at(1).first().toUInt());
}

// A title stands on one line; a title or body of any length reaches the server cut,
// with an ellipsis, never parted inside a character.
TEST(DesktopNotifier, LongOrBrokenTextsReachTheServerOnOneLineAndCut)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDBusService server(NotificationsService, NotificationsPath, answerWithId, bus.address());
    ASSERT_TRUE(server.isRegistered());
    DesktopNotifier notifier(bus.connection());
    QSignalSpy posted(&notifier, &DesktopNotifier::posted);

    const QString huge = QString(10 << 20, QLatin1Char('x'));
    notifier.post(QStringLiteral("Counter\nstarted"), QStringLiteral("Counting for \u201cWeb\nsite\u201d"));
    notifier.post(huge, QStringLiteral("\U0001F600").repeated(1 << 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return posted.count() == 2; }, 10000));
    const QList<QDBusMessage> calls = notifyCalls(server);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls.at(0).arguments().at(3).toString(), QStringLiteral("Counter started"));
    // The body may hold lines of its own.
    EXPECT_EQ(calls.at(0).arguments().at(4).toString(), QStringLiteral("Counting for \u201cWeb\nsite\u201d"));
    const QString title = calls.at(1).arguments().at(3).toString();
    EXPECT_EQ(title, QString(1000, QLatin1Char('x')) + QChar(0x2026));
    const QString body = calls.at(1).arguments().at(4).toString();
    EXPECT_LE(body.size(), 4097);
    EXPECT_GT(body.size(), 4000);
    EXPECT_TRUE(body.endsWith(QChar(0x2026)));
    EXPECT_TRUE(body.at(body.size() - 2).isLowSurrogate());
}

TEST(DesktopNotifier, ServerErrorsAndBadAnswersAreReportedNotFatal)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    int calls = 0;
    FakeDBusService server(NotificationsService, NotificationsPath, [&](const QDBusMessage &call) {
        if (asksCapabilities(call)) // a server too old to know the question
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), QStringLiteral("no"));
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

// A body is text: where the server reads markup in bodies it arrives escaped, so
// that it shows as written; elsewhere it goes as it stands. The summary is never markup.
TEST(DesktopNotifier, BodyIsEscapedOnlyForServersThatReadMarkup)
{
    const QString body = QStringLiteral("Design \"A&B\" <v2>");
    const struct {
        QStringList capabilities;
        QString sent;
    } cases[] = {
        {{QStringLiteral("body"), QStringLiteral("body-markup"), QStringLiteral("actions")},
         QStringLiteral("Design &quot;A&amp;B&quot; &lt;v2&gt;")},
        {{QStringLiteral("body"), QStringLiteral("actions")}, body},
        {{}, body},
    };
    for (const auto &c : cases) {
        desktoptest::PrivateBus bus;
        ASSERT_TRUE(bus.isRunning());
        FakeDBusService server(NotificationsService, NotificationsPath, [&](const QDBusMessage &call) {
            if (asksCapabilities(call))
                return call.createReply(QVariant(c.capabilities));
            return call.createReply(QVariant::fromValue<uint>(7));
        }, bus.address());
        ASSERT_TRUE(server.isRegistered());
        DesktopNotifier notifier(bus.connection());
        QSignalSpy posted(&notifier, &DesktopNotifier::posted);
        // The second post is made while the capabilities are still being asked.
        notifier.post(QStringLiteral("A&B <started>"), body);
        notifier.post(QStringLiteral("again"), body);
        EXPECT_EQ(notifier.pendingCount(), 2);
        ASSERT_TRUE(QTest::qWaitFor([&] { return posted.count() == 2; }, 10000));
        notifier.post(QStringLiteral("third"), body);
        ASSERT_TRUE(QTest::qWaitFor([&] { return posted.count() == 3; }, 10000));

        const QList<QDBusMessage> calls = notifyCalls(server);
        ASSERT_EQ(calls.size(), 3);
        EXPECT_EQ(calls.at(0).arguments().at(3).toString(), QStringLiteral("A&B <started>"));
        EXPECT_EQ(calls.at(1).arguments().at(3).toString(), QStringLiteral("again"));
        for (const QDBusMessage &call : calls)
            EXPECT_EQ(call.arguments().at(4).toString(), c.sent) << c.capabilities.join(u',').toStdString();
        // Asked once per notifier.
        EXPECT_EQ(server.calls().size() - calls.size(), 1);
    }
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

// The portal's trigger texts of stored combinations (the X server's US keymap), and
// a bus without a desktop portal: what was held is dropped once the bus answers, and
// the reason is kept; a portal that answers: the held grab is bound then; a changed
// combination: its session is asked for once the portal has closed the former one,
// which has the same path.
#include "platform/desktop/PortalShortcutGrabber.h"

#include "tests/support/DesktopTestSupport.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using platform::PortalShortcutGrabber;

namespace {

constexpr quint32 Shift = 0x20000, Control = 0x40000, Option = 0x80000, Command = 0x100000;
constexpr quint16 VirtualT = 17, VirtualY = 16;
const QString PortalPath = QString::fromLatin1(PortalShortcutGrabber::Path);
const QString PortalInterface = QString::fromLatin1(PortalShortcutGrabber::Interface);
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The ids of the shortcuts a CreateSession call passes in its options.
QStringList shortcutIds(const QDBusMessage &createSession)
{
    QStringList ids;
    if (createSession.arguments().isEmpty())
        return ids;
    const QVariant shortcuts = qdbus_cast<QVariantMap>(createSession.arguments().first()).value(QStringLiteral("shortcuts"));
    const QDBusArgument list = shortcuts.value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString id;
        QVariantMap properties;
        list.beginStructure();
        list >> id >> properties;
        list.endStructure();
        ids << id;
    }
    list.endArray();
    return ids;
}

// A desktop portal offering global shortcuts on the bus, as the real one answers:
// CreateSession and BindShortcuts return their request's path and report the result
// on it afterwards; the session's Close is answered by the test (the real portal
// answers it once the desktop has dropped the session).
class GlobalShortcutsPortal
{
public:
    explicit GlobalShortcutsPortal(const QString &address)
        : m_service(QString::fromLatin1(PortalShortcutGrabber::Service), PortalPath,
                    [this](const QDBusMessage &call) { return answer(call); }, address,
                    desktoptest::FakeDBusService::Reach::AndBelow)
    {
    }
    bool isRegistered() const { return m_service.isRegistered(); }
    QList<QDBusMessage> calls(const QString &member) const
    {
        QList<QDBusMessage> found;
        for (const QDBusMessage &call : m_service.calls()) {
            if (call.member() == member)
                found << call;
        }
        return found;
    }
    // The members called, in the order they came in.
    QStringList members() const
    {
        QStringList names;
        for (const QDBusMessage &call : m_service.calls())
            names << call.member();
        return names;
    }
    bool reply(const QDBusMessage &reply) { return m_service.connection().send(reply); }
    bool emitActivated(const QString &session, const QString &shortcutId)
    {
        return m_service.emitSignal(PortalInterface, QStringLiteral("Activated"),
                                    {QVariant::fromValue(QDBusObjectPath(session)), shortcutId,
                                     QVariant::fromValue(qulonglong(1000)), QVariantMap()});
    }

private:
    QDBusMessage answer(const QDBusMessage &call)
    {
        if (call.member() == QLatin1String("Get"))
            return call.createReply(QVariant::fromValue(QDBusVariant(1u)));
        if (call.member() == QLatin1String("Close"))
            return QDBusMessage(); // answered by the test
        const bool create = call.member() == QLatin1String("CreateSession");
        if (!create && call.member() != QLatin1String("BindShortcuts"))
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), call.member());
        const QVariantMap options = qdbus_cast<QVariantMap>(call.arguments().value(create ? 0 : 3));
        const QString sender = call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                    .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        QVariantMap results;
        if (create) {
            const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                        .arg(sender, options.value(QStringLiteral("session_handle_token")).toString());
            results.insert(QStringLiteral("session_handle"), QVariant::fromValue(QDBusObjectPath(session)));
        }
        // The result follows the call's answer.
        QTimer::singleShot(0, [this, request, results] {
            m_service.emitSignalFrom(request, RequestInterface, QStringLiteral("Response"),
                                     {QVariant::fromValue(0u), results});
        });
        return call.createReply(QVariant::fromValue(QDBusObjectPath(request)));
    }

    desktoptest::FakeDBusService m_service;
};

TEST(PortalShortcutGrabber, TriggerTextsNameModifiersAndTheKeysym)
{
    const struct
    {
        quint16 keyCode;
        quint32 flags;
        const char *text;
    } cases[] = {
        {17, Control | Option, "CTRL+ALT+T"},
        {96, Control | Shift, "CTRL+SHIFT+F5"},
        {49, Command, "LOGO+space"},
        {0, Command | Option | Shift | Control, "CTRL+ALT+SHIFT+LOGO+A"},
        {17, 0, ""},            // no modifier: no global shortcut
        {52, Control, ""},      // a code without a key on a PC keyboard
    };
    for (const auto &c : cases)
        EXPECT_EQ(PortalShortcutGrabber::triggerText(c.keyCode, c.flags), QString::fromLatin1(c.text))
            << c.keyCode << " " << c.flags;
}

TEST(PortalShortcutGrabber, WithoutAPortalWhatWasHeldIsDroppedWhenTheBusAnswers)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    PortalShortcutGrabber grabber(bus.connection());
    QSignalSpy unavailable(&grabber, &PortalShortcutGrabber::becameUnavailable);
    QSignalSpy finished(&grabber, &PortalShortcutGrabber::bindingFinished);
    // Asked without waiting: the grab is held meanwhile.
    EXPECT_FALSE(grabber.hasAnsweredAvailability());
    EXPECT_TRUE(grabber.isAvailable());
    EXPECT_TRUE(grabber.grabHotKey(1, 17, Control | Option));
    ASSERT_TRUE(QTest::qWaitFor([&] { return grabber.hasAnsweredAvailability(); }, 15000));
    EXPECT_FALSE(grabber.isAvailable());
    EXPECT_EQ(unavailable.count(), 1);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_FALSE(finished.first().first().toBool());
    EXPECT_FALSE(grabber.grabHotKey(2, 17, Control | Option));
    EXPECT_TRUE(grabber.lastError().contains(QStringLiteral("no desktop portal"))) << grabber.lastError().toStdString();
}

TEST(PortalShortcutGrabber, AGrabHeldWhileThePortalIsAskedIsBoundOnceItAnswers)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    // A portal that offers global shortcuts and records the session it is asked for.
    desktoptest::FakeDBusService portal(
        QString::fromLatin1(PortalShortcutGrabber::Service), QString::fromLatin1(PortalShortcutGrabber::Path),
        [](const QDBusMessage &call) {
            if (call.member() == QLatin1String("Get"))
                return call.createReply(QVariant::fromValue(QDBusVariant(1u)));
            return call.createReply(QVariant::fromValue(QDBusObjectPath("/org/freedesktop/portal/desktop/request/x")));
        },
        bus.address());
    ASSERT_TRUE(portal.isRegistered());
    PortalShortcutGrabber grabber(bus.connection());
    EXPECT_TRUE(grabber.grabHotKey(1, 17, Control | Option));
    EXPECT_TRUE(portal.calls().isEmpty() || portal.calls().last().member() == QLatin1String("Get"))
        << "no session is asked for before the portal has answered";
    const auto sessionAsked = [&] {
        for (const QDBusMessage &call : portal.calls()) {
            if (call.member() == QLatin1String("CreateSession"))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(sessionAsked, 15000));
    EXPECT_TRUE(grabber.isAvailable());
    EXPECT_TRUE(grabber.hasAnsweredAvailability());
}

TEST(PortalShortcutGrabber, AChangedCombinationIsAskedForOnceThePortalHasClosedTheFormerSession)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    GlobalShortcutsPortal portal(bus.address());
    ASSERT_TRUE(portal.isRegistered());
    QDBusConnection connection = bus.connection();
    PortalShortcutGrabber grabber(connection);
    QSignalSpy finished(&grabber, &PortalShortcutGrabber::bindingFinished);
    QSignalSpy pressed(&grabber, &PortalShortcutGrabber::hotKeyPressed);
    ASSERT_TRUE(grabber.grabHotKey(1, VirtualT, Control | Option));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 15000));
    ASSERT_TRUE(finished.first().first().toBool());
    ASSERT_TRUE(grabber.isBound());
    const QString session = portal.calls(QStringLiteral("BindShortcuts")).value(0).arguments().value(0)
                                .value<QDBusObjectPath>().path();
    ASSERT_FALSE(session.isEmpty());

    // As the preferences change the combination: the former one goes, the new one
    // comes. The second round's Close fails (a portal that no longer knows the
    // session): the new session is asked for all the same.
    const struct
    {
        quint16 keyCode;
        const char *shortcutId;
        bool closeFails;
    } rounds[] = {{VirtualY, "hotkey:ctrl+alt+y", false}, {VirtualT, "hotkey:ctrl+alt+t", true}};
    quint32 held = 1;
    for (const auto &round : rounds) {
        SCOPED_TRACE(round.shortcutId);
        const qsizetype closesBefore = portal.calls(QStringLiteral("Close")).size();
        const qsizetype sessionsBefore = portal.calls(QStringLiteral("CreateSession")).size();
        const qsizetype probesBefore = portal.calls(QStringLiteral("Probe")).size();
        finished.clear();
        pressed.clear();
        grabber.ungrabHotKey(held);
        ASSERT_TRUE(grabber.grabHotKey(++held, round.keyCode, Control | Option));
        EXPECT_FALSE(grabber.isBound());
        ASSERT_TRUE(QTest::qWaitFor([&] { return portal.calls(QStringLiteral("Close")).size() == closesBefore + 1; },
                                    15000));
        const QDBusMessage close = portal.calls(QStringLiteral("Close")).last();
        EXPECT_EQ(close.path(), session);
        // A call on the grabber's connection reaches the portal after all the grabber
        // sent before it: once it is in, no new session was asked for while the
        // former one is not yet closed.
        ASSERT_TRUE(connection.send(QDBusMessage::createMethodCall(QString::fromLatin1(PortalShortcutGrabber::Service),
                                                                   PortalPath, QStringLiteral("org.chronark.Test"),
                                                                   QStringLiteral("Probe"))));
        ASSERT_TRUE(QTest::qWaitFor([&] { return portal.calls(QStringLiteral("Probe")).size() == probesBefore + 1; },
                                    15000));
        EXPECT_EQ(portal.calls(QStringLiteral("CreateSession")).size(), sessionsBefore)
            << portal.members().join(QLatin1Char(' ')).toStdString();
        ASSERT_TRUE(portal.reply(round.closeFails ? close.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                                                                           QStringLiteral("no such session"))
                                                  : close.createReply()));

        ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 15000));
        EXPECT_TRUE(finished.first().first().toBool());
        EXPECT_EQ(finished.count(), 1);
        EXPECT_TRUE(grabber.isBound());
        const QList<QDBusMessage> sessions = portal.calls(QStringLiteral("CreateSession"));
        ASSERT_EQ(sessions.size(), sessionsBefore + 1) << "one new session, with the new combination alone";
        EXPECT_EQ(shortcutIds(sessions.last()), QStringList{QString::fromLatin1(round.shortcutId)});
        // The new combination reaches the application.
        ASSERT_TRUE(portal.emitActivated(session, QString::fromLatin1(round.shortcutId)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pressed.isEmpty(); }, 15000));
        EXPECT_EQ(pressed.first().first().value<platform::HotKeyEvent>().keyCode, round.keyCode);
    }
}

} // namespace

// The portal's trigger texts of stored combinations (the X server's US keymap), and
// a bus without a desktop portal: what was held is dropped once the bus answers, and
// the reason is kept; a portal that answers: the held grab is bound then.
#include "platform/desktop/PortalShortcutGrabber.h"

#include "tests/support/DesktopTestSupport.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using platform::PortalShortcutGrabber;

namespace {

constexpr quint32 Shift = 0x20000, Control = 0x40000, Option = 0x80000, Command = 0x100000;

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

} // namespace

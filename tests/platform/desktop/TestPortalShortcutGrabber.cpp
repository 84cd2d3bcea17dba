// The portal's trigger texts of stored combinations (the X server's US keymap), and
// a bus without a desktop portal: nothing is registered and the reason is kept.
#include "platform/desktop/PortalShortcutGrabber.h"

#include "tests/support/DesktopTestSupport.h"

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

TEST(PortalShortcutGrabber, WithoutAPortalNothingIsGrabbed)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    PortalShortcutGrabber grabber(bus.connection());
    EXPECT_FALSE(grabber.isAvailable());
    EXPECT_FALSE(grabber.grabHotKey(1, 17, Control | Option));
    EXPECT_TRUE(grabber.lastError().contains(QStringLiteral("no desktop portal"))) << grabber.lastError().toStdString();
}

} // namespace

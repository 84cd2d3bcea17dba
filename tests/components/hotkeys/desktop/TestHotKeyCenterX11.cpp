// Global hot keys on a real X server (the private Xvfb of run-in-desktop.sh), with
// key presses sent through XTEST by xdotool and a second X client competing for
// the same combinations.
#include "components/hotkeys/HKHotKeyCenter.h"
#include "components/hotkeys/HKHotKeyEvent.h"
#include "components/hotkeys/HKHotKeyPrivate.h"
#include "components/keyrecorder/KRKeyCodeTransformer.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/X11KeyGrabber.h"
#include "tests/support/DesktopTestSupport.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

constexpr quint32 ControlOption = 0x40000 | 0x80000;
// Control+Option+Fn alone switches virtual terminals on X; shift makes it free.
constexpr quint32 Flags = ControlOption | 0x20000;
constexpr quint16 XMods = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT;
constexpr quint16 F5 = 96, F6 = 97, F7 = 98, F8 = 100;
constexpr int Patience = 5000; // ms to wait for the X server

// Another X client on its own connection.
class OtherClient
{
public:
    OtherClient()
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_connection))
            return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (it.rem)
            m_root = it.data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    bool isConnected() const { return m_root != 0; }

    // Grabs the key with the modifiers; false when the server answers an error.
    bool grab(quint32 keycode, quint16 modifiers)
    {
        xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection, 1, m_root, modifiers, xcb_keycode_t(keycode),
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        const bool granted = error == nullptr;
        std::free(error);
        return granted;
    }
    // True when no client holds the key with any modifiers: a grab with every
    // combination at once succeeds only then, and is released again at once.
    bool keyIsFree(quint32 keycode)
    {
        if (!grab(keycode, XCB_MOD_MASK_ANY))
            return false;
        ungrab(keycode, XCB_MOD_MASK_ANY);
        return true;
    }
    void ungrab(quint32 keycode, quint16 modifiers)
    {
        xcb_ungrab_key(m_connection, xcb_keycode_t(keycode), m_root, modifiers);
        xcb_aux_sync();
    }

private:
    void xcb_aux_sync()
    {
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    QList<quint16> keyCodes;
    QList<QVariant> objects;
    Q_INVOKABLE void hotKeyDown(QObject *sender)
    {
        if (auto *event = qobject_cast<HKHotKeyEvent *>(sender)) {
            keyCodes.append(event->keyCode());
            objects.append(event->object());
        }
    }
};

bool xdotool(const QStringList &arguments)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"), arguments) == 0;
}

quint32 xKeycode(quint16 virtualKeyCode)
{
    return platform::KeyboardLayout::instance().keycodeForVirtualKey(virtualKeyCode);
}

class HotKeyCenterX11 : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run with QT_QPA_PLATFORM=xcb on an X server";
        HKHotKeyCenter::setHotKeyGrabber(nullptr);
        grabber = qobject_cast<platform::X11KeyGrabber *>(HKHotKeyCenter::hotKeyGrabber());
        ASSERT_NE(grabber, nullptr);
        ASSERT_TRUE(grabber->isAvailable());
        ASSERT_EQ(platform::KeyboardLayout::instance().source(), platform::KeyboardLayout::Source::XServer);
        ASSERT_TRUE(other.isConnected());
        // The test before, in a process that has just ended, may still hold these
        // keys until the server has noticed its connection close.
        for (quint16 key : {F5, F6, F7, F8})
            ASSERT_TRUE(QTest::qWaitFor([&] { return other.keyIsFree(xKeycode(key)); }, Patience))
                << "key " << key << " is still held by another client";
    }
    void TearDown() override
    {
        center.unregisterHotKeysMatchingPredicate([](const HKHotKey &) { return true; });
    }

    HKHotKeyCenter center;
    Receiver receiver;
    OtherClient other;
    platform::X11KeyGrabber *grabber = nullptr;
};

TEST_F(HotKeyCenterX11, FiresOnceOnReleaseNotOnPress)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(F5, Flags, &receiver, "hotKeyDown:", 42));
    QSignalSpy pressed(grabber, &platform::HotKeyGrabber::hotKeyPressed);
    QSignalSpy released(grabber, &platform::HotKeyGrabber::hotKeyReleased);

    ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pressed.count() == 1; }, Patience));
    EXPECT_TRUE(receiver.keyCodes.isEmpty());

    ASSERT_TRUE(xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.keyCodes.size() == 1; }, Patience));
    EXPECT_EQ(receiver.keyCodes.first(), F5);
    EXPECT_EQ(receiver.objects.first(), QVariant(42));

    // A second press and release fires once more: the first release fired only once.
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return released.count() == 2 && receiver.keyCodes.size() >= 2; }, Patience));
    EXPECT_EQ(receiver.keyCodes.size(), 2);
    EXPECT_EQ(pressed.count(), 2);
}

TEST_F(HotKeyCenterX11, ModifiersLetGoFirstStillFire)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(F5, Flags, &receiver, "hotKeyDown:"));
    QSignalSpy pressed(grabber, &platform::HotKeyGrabber::hotKeyPressed);
    ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pressed.count() == 1; }, Patience));
    ASSERT_TRUE(xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+shift")}));
    ASSERT_TRUE(xdotool({QStringLiteral("keyup"), QStringLiteral("F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.keyCodes.size() == 1; }, Patience));
}

TEST_F(HotKeyCenterX11, NumLockDoesNotStopIt)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(F5, Flags, &receiver, "hotKeyDown:"));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")}));
    const bool sent = xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")});
    const bool fired = QTest::qWaitFor([&] { return receiver.keyCodes.size() == 1; }, Patience);
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")})); // back off
    EXPECT_TRUE(sent);
    EXPECT_TRUE(fired);
}

TEST_F(HotKeyCenterX11, CombinationHeldByAnotherClientIsRefused)
{
    const quint32 keycode = xKeycode(F6);
    ASSERT_GE(keycode, 8u);
    ASSERT_TRUE(other.grab(keycode, XMods));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(F6, Flags, &receiver, "hotKeyDown:"));
    EXPECT_FALSE(center.hasRegisteredHotKeyWithKeyCode(F6, Flags));
    EXPECT_TRUE(grabber->lastError().contains(QStringLiteral("another application")));
    other.ungrab(keycode, XMods);
    EXPECT_TRUE(center.registerHotKeyWithKeyCode(F6, Flags, &receiver, "hotKeyDown:"));
}

TEST_F(HotKeyCenterX11, LockVariantHeldByAnotherClientRefusesTheWhole)
{
    const quint32 keycode = xKeycode(F6);
    const quint16 withCapsLock = XMods | XCB_MOD_MASK_LOCK;
    ASSERT_TRUE(other.grab(keycode, withCapsLock));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(F6, Flags, &receiver, "hotKeyDown:"));
    other.ungrab(keycode, withCapsLock);
    // What did succeed was released again: the other client can take the plain combination.
    EXPECT_TRUE(other.grab(keycode, XMods));
    other.ungrab(keycode, XMods);
}

TEST_F(HotKeyCenterX11, UnregisteringReleasesTheGrab)
{
    const quint32 keycode = xKeycode(F7);
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(F7, Flags, &receiver, "hotKeyDown:"));
    const quint16 mods = XMods;
    EXPECT_FALSE(other.grab(keycode, mods));
    EXPECT_FALSE(other.grab(keycode, mods | XCB_MOD_MASK_2));
    EXPECT_FALSE(other.grab(keycode, mods | XCB_MOD_MASK_LOCK));
    HKHotKeyCenter second;
    second.unregisterHotKeysWithTarget(&receiver);
    EXPECT_TRUE(other.grab(keycode, mods));
    EXPECT_TRUE(other.grab(keycode, mods | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK));
    other.ungrab(keycode, mods);
    other.ungrab(keycode, mods | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK);
}

TEST_F(HotKeyCenterX11, KeyCodeWithoutAKeyNeverGrabsTheWholeKeyboard)
{
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(52, Flags, &receiver, "hotKeyDown:"));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(127, 0, &receiver, "hotKeyDown:"));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(200, Flags, &receiver, "hotKeyDown:"));
    EXPECT_TRUE(center.registeredHotKeys().isEmpty());
    // Had AnyKey been grabbed, every key with these modifiers would be taken.
    const quint32 keycode = xKeycode(F8);
    EXPECT_TRUE(other.grab(keycode, XMods));
    EXPECT_TRUE(other.grab(keycode, 0));
    other.ungrab(keycode, XMods);
    other.ungrab(keycode, 0);
}

TEST_F(HotKeyCenterX11, RegisteredGrabsUseRealKeycodes)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(0, 0x100000, &receiver, "hotKeyDown:")); // command+A
    const auto hotKeys = center.registeredHotKeys();
    ASSERT_EQ(hotKeys.size(), 1);
    const quint32 id = std::dynamic_pointer_cast<HKHotKeyPrivate>(hotKeys.first())->hotKeyID();
    EXPECT_EQ(grabber->grabbedKeycode(id), xKeycode(0));
    EXPECT_GE(grabber->grabbedKeycode(id), 8u);
    EXPECT_FALSE(other.grab(xKeycode(0), XCB_MOD_MASK_4));
}

TEST_F(HotKeyCenterX11, SameXCombinationUnderOtherFlagsIsRefused)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(F5, Flags, &receiver, "hotKeyDown:"));
    // The caps-lock bit makes another registry entry but the same X grab.
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(F5, Flags | 0x10000, &receiver, "hotKeyDown:"));
    EXPECT_EQ(center.registeredHotKeys().size(), 1);
}

TEST_F(HotKeyCenterX11, CombinationsTheServerKeepsAreRefused)
{
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(F5, ControlOption, &receiver, "hotKeyDown:"));
    EXPECT_TRUE(grabber->lastError().contains(QStringLiteral("reserves")));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(111, ControlOption, &receiver, "hotKeyDown:")); // F12
    EXPECT_TRUE(center.registeredHotKeys().isEmpty());
    // Nothing of it was grabbed.
    EXPECT_TRUE(other.grab(xKeycode(F5), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    other.ungrab(xKeycode(F5), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
    // Control+Command+F5 is free.
    EXPECT_TRUE(center.registerHotKeyWithKeyCode(F5, 0x140000, &receiver, "hotKeyDown:"));
}

TEST(X11KeyGrabber, ModifierMasks)
{
    using platform::X11KeyGrabber;
    EXPECT_EQ(X11KeyGrabber::xModifiersForCocoaFlags(0x20000), XCB_MOD_MASK_SHIFT);
    EXPECT_EQ(X11KeyGrabber::xModifiersForCocoaFlags(0x40000), XCB_MOD_MASK_CONTROL);
    EXPECT_EQ(X11KeyGrabber::xModifiersForCocoaFlags(0x80000), XCB_MOD_MASK_1);
    EXPECT_EQ(X11KeyGrabber::xModifiersForCocoaFlags(0x100000), XCB_MOD_MASK_4);
    EXPECT_EQ(X11KeyGrabber::xModifiersForCocoaFlags(0xffffffffu),
              XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    EXPECT_EQ(X11KeyGrabber::cocoaFlagsForXModifiers(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2),
              ControlOption);
    EXPECT_EQ(X11KeyGrabber::cocoaFlagsForXModifiers(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_4), 0x110000u);
}

TEST(KeyboardLayoutX11, UsesTheServersKeymapAndNoticesChanges)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
    ASSERT_EQ(layout.source(), platform::KeyboardLayout::Source::XServer);
    EXPECT_EQ(KRKeyCodeDisplayString(0), QStringLiteral("A"));
    EXPECT_EQ(KRKeyCodeDisplayString(96), QStringLiteral("F5"));
    QSignalSpy changed(&layout, &platform::KeyboardLayout::layoutChanged);
    // xdotool types a keysym the keymap lacks by binding it to a spare keycode for a
    // moment, which changes the server's keymap twice.
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("Greek_alpha")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed.count() >= 1; }, Patience));
    EXPECT_EQ(layout.source(), platform::KeyboardLayout::Source::XServer);
    EXPECT_EQ(KRKeyCodeDisplayString(0), QStringLiteral("A"));
}

} // namespace

#include "TestHotKeyCenterX11.moc"

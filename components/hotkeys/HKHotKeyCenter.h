#pragma once
// System-wide hot keys: key combinations that reach the application whatever
// application is in front. When the user releases a registered combination (not when
// it is pressed), the center sends the hot key's action to its target, or runs its
// task, with a key-up event (HKHotKeyEvent) carrying the registered key code.
//
// Key codes are virtual key codes (0…127) and modifier flags are Cocoa flags, as
// combinations are stored; the desktop service (platform::HotKeyGrabber: on X11 an
// X11KeyGrabber, on Wayland the desktop portal's PortalShortcutGrabber) translates
// them. Without such a service registration answers false and the log says why, once;
// a service that learns only later that the desktop offers no hot keys (the portal,
// asked without waiting) makes every hot key registered through it go, and the log
// says why, once.
//
// All centers share one registry: a center made only to unregister finds the hot
// keys another center registered. Destroying a center unregisters nothing. Hot-key
// numbers start at 1 and are never reused. Main thread only.
//
// Actions are Q_INVOKABLE methods taking one QObject*, which is the HKHotKeyEvent of
// the release; the hot key's object travels in the event (HKHotKeyEvent::object()).
#include "components/hotkeys/HKHotKey.h"

#include <QList>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class HotKeyGrabber;
}

class HKHotKeyCenter
{
public:
    using Predicate = std::function<bool(const HKHotKey &hotKey)>;
    using HotKeys = QList<std::shared_ptr<HKHotKey>>;

    HKHotKeyCenter();
    ~HKHotKeyCenter();

    // The registry's members that match, in the order they were registered.
    HotKeys hotKeysMatchingPredicate(const Predicate &predicate) const;
    bool hasRegisteredHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags) const;

    // Registers the combination with a target and action (object: handed to the
    // action in the event). False when the combination is registered already (by any
    // center), when the key code is no virtual key code or has no key, and when the
    // desktop refuses the grab (for instance another application holds it).
    bool registerHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags, QObject *target,
                                   const char *action, const QVariant &object = QVariant());
    // The same with a task in place of target, action and object.
    bool registerHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags, HKHotKeyTask task);

    // Removes the matching members from the registry, then releases their grabs.
    void unregisterHotKeysMatchingPredicate(const Predicate &predicate);
    // Throws platform::Exception (NSInvalidArgumentException, "Invalid hotkey") for
    // anything that is not a hot key made by a center.
    void unregisterHotKey(const std::shared_ptr<HKHotKey> &hotKey);
    void unregisterHotKeysWithTarget(QObject *target);
    void unregisterHotKeysWithTarget(QObject *target, const char *action);
    void unregisterHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags);
    // The members that hold a grab.
    HotKeys registeredHotKeys() const;

    // The key code a stored (signed 32-bit) value stands for: nothing for "no hot
    // key" (negative) and for values that are no virtual key code (above 127), which
    // must not be cut to 16 bits into some other key.
    static std::optional<quint16> keyCodeForStoredValue(qint64 storedValue);

    // The desktop service in use: the one set by setHotKeyGrabber(), else one made on
    // first use (null without an application object): a PortalShortcutGrabber in a
    // Wayland session, an X11KeyGrabber otherwise.
    static platform::HotKeyGrabber *hotKeyGrabber();
    // Uses another service (not owned) from now on; null goes back to the default.
    // Hot keys registered before keep the service that grabbed them.
    static void setHotKeyGrabber(platform::HotKeyGrabber *grabber);
};

// Carbon hot-key modifiers of Cocoa flags: command 0x100000 → 0x100, shift 0x20000 →
// 0x200, option 0x80000 → 0x800, control 0x40000 → 0x1000; other bits are dropped.
quint32 HKCarbonModifiersForCocoaFlags(quint32 cocoaFlags);

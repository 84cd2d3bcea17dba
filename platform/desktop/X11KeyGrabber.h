#pragma once
// Global hot keys on X11: each combination is grabbed on the root window with
// xcb_grab_key (together with its Caps Lock, NumLock and Caps Lock + NumLock
// variants, so the lock keys do not stop it), and a native event filter on Qt's
// xcb connection reports its presses and releases.
//
// The virtual key code goes through its XKB key name to the X keycode of the
// server's keymap; Cocoa flags become X modifier masks (shift → Shift, control →
// Control, option → Mod1, command → Mod4). Keycode 0 (AnyKey) and AnyModifier are
// never grabbed. A combination another client holds is refused (BadAccess), and so
// are one this grabber already holds under another number and one the server acts on
// itself (Control+Alt+F5 switches virtual terminals and never reaches a client).
// Once ungrabHotKey() returns, the server has released the combination.
//
// A held key repeats as release/press pairs with one timestamp; a release is
// reported only once no such press follows it in the same batch of events.
// Threads: GUI thread only.
#include "platform/desktop/HotKeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

struct xcb_connection_t;

namespace platform {

class X11KeyGrabber : public HotKeyGrabber, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit X11KeyGrabber(QObject *parent = nullptr);
    // Releases every grab it holds.
    ~X11KeyGrabber() override;

    // Whether the application runs on an X server (only then can it grab).
    bool isAvailable() const override { return m_connection != nullptr; }

    bool grabHotKey(quint32 hotKeyID, quint16 keyCode, quint32 modifierFlags) override;
    void ungrabHotKey(quint32 hotKeyID) override;
    QString lastError() const override { return m_lastError; }

    // X keycode a grab of the number uses (0 when it holds none).
    quint32 grabbedKeycode(quint32 hotKeyID) const;

    // Shift, Control, Mod1 and Mod4 for the Cocoa flags; every other bit is dropped.
    static quint16 xModifiersForCocoaFlags(quint32 modifierFlags);
    // The Cocoa flags of an X state (Shift, Lock, Control, Mod1, Mod4).
    static quint32 cocoaFlagsForXModifiers(quint16 state);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Grab
    {
        quint32 hotKeyID = 0;
        quint16 keyCode = 0;
        quint8 keycode = 0;
        quint16 modifiers = 0;
        QList<quint16> variants; // modifier masks actually grabbed
    };
    struct PendingRelease
    {
        quint32 time = 0;
        HotKeyEvent event;
    };

    quint16 numLockMask() const;
    const Grab *grabFor(quint8 keycode, quint16 state) const;
    void ungrab(const Grab &grab);
    void deliverRelease(quint8 keycode, quint32 time);

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    QHash<quint32, Grab> m_grabs;
    QHash<quint8, quint32> m_pressed;            // keycode → number of the active hot key
    QHash<quint8, PendingRelease> m_pendingReleases;
    QString m_lastError;
    quint16 m_numLockMask = 0x10; // Mod2 until the server's mapping was read
};

} // namespace platform

#include "platform/desktop/X11KeyGrabber.h"

#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/ModifierFlags.h"
#include "platform/desktop/VirtualKeyCodes.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <cstdlib>
#include <memory>

// Xlib last: its macros (None, KeyPress, Bool, …) would clash with Qt's headers.
#include <X11/Xlib.h>

namespace platform {

namespace {

constexpr quint32 CocoaShift = ModifierFlags::Shift;
constexpr quint32 CocoaControl = ModifierFlags::Control;
constexpr quint32 CocoaOption = ModifierFlags::Option;
constexpr quint32 CocoaCommand = ModifierFlags::Command;
constexpr quint32 CocoaCapsLock = ModifierFlags::CapsLock;

// Modifier bits a grab may carry: the eight core modifiers. AnyModifier (0x8000)
// and the button bits are never part of a grab.
constexpr quint16 CoreModifierBits = 0xff;
constexpr quint8 AccessErrorCode = 10; // BadAccess
constexpr quint8 MinimumKeycode = 8; // keycodes below are not keys (0 is AnyKey)

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};

// Waits until the server has carried out every request sent so far. Flushing alone
// only hands them over: another client's request may still be served first.
void sync(xcb_connection_t *connection)
{
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

X11KeyGrabber::X11KeyGrabber(QObject *parent)
    : HotKeyGrabber(parent)
{
    m_lastError = QStringLiteral("global hot keys need an X11 session; the application runs on \"%1\"")
                      .arg(QGuiApplication::platformName());
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !qGuiApp)
        return;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !x11->display())
        return;
    m_lastError.clear();
    m_connection = x11->connection();
    m_root = static_cast<quint32>(XDefaultRootWindow(x11->display()));
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11KeyGrabber::~X11KeyGrabber()
{
    if (!m_connection)
        return;
    for (const Grab &grab : std::as_const(m_grabs))
        ungrab(grab);
    xcb_flush(m_connection);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

quint16 X11KeyGrabber::xModifiersForCocoaFlags(quint32 modifierFlags)
{
    quint16 mask = 0;
    if (modifierFlags & CocoaShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifierFlags & CocoaControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifierFlags & CocoaOption)
        mask |= XCB_MOD_MASK_1;
    if (modifierFlags & CocoaCommand)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

quint32 X11KeyGrabber::cocoaFlagsForXModifiers(quint16 state)
{
    quint32 flags = 0;
    if (state & XCB_MOD_MASK_SHIFT)
        flags |= CocoaShift;
    if (state & XCB_MOD_MASK_LOCK)
        flags |= CocoaCapsLock;
    if (state & XCB_MOD_MASK_CONTROL)
        flags |= CocoaControl;
    if (state & XCB_MOD_MASK_1)
        flags |= CocoaOption;
    if (state & XCB_MOD_MASK_4)
        flags |= CocoaCommand;
    return flags;
}

quint16 X11KeyGrabber::numLockMask() const
{
    const quint32 numLock = KeyboardLayout::instance().keycodeForName("NMLK");
    if (!m_connection || !numLock)
        return XCB_MOD_MASK_2;
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, FreeDeleter> reply(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!reply)
        return XCB_MOD_MASK_2;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (codes[modifier * perModifier + i] == numLock)
                return quint16(1u << modifier);
        }
    }
    return XCB_MOD_MASK_2;
}

bool X11KeyGrabber::grabHotKey(quint32 hotKeyID, quint16 keyCode, quint32 modifierFlags)
{
    m_lastError.clear();
    if (!m_connection) {
        m_lastError = QStringLiteral("global hot keys need an X11 session; the application runs on \"%1\"")
                          .arg(QGuiApplication::platformName());
        return false;
    }
    if (m_grabs.contains(hotKeyID)) {
        m_lastError = QStringLiteral("hot key number %1 is in use already").arg(hotKeyID);
        return false;
    }
    if (keyCode > VirtualKeyCodes::MaximumKeyCode) {
        m_lastError = QStringLiteral("%1 is not a virtual key code").arg(keyCode);
        return false;
    }
    KeyboardLayout &layout = KeyboardLayout::instance();
    if (layout.source() != KeyboardLayout::Source::XServer)
        layout.reload();
    const quint32 keycode = layout.source() == KeyboardLayout::Source::XServer ? layout.keycodeForVirtualKey(keyCode) : 0;
    if (keycode < MinimumKeycode || keycode > 255) {
        m_lastError = QStringLiteral("virtual key code %1 has no key on this keyboard").arg(keyCode);
        return false;
    }
    const quint16 modifiers = xModifiersForCocoaFlags(modifierFlags);
    // Control+Alt+F1…F12 switch virtual terminals, Control+Alt+Backspace ends the
    // server…: the server keeps such keys to itself, so a grab would never fire.
    if (KeyboardLayout::isServerActionKeysym(layout.keysymForKeycode(keycode, modifiers))) {
        m_lastError = QStringLiteral("the X server reserves the combination for itself (virtual key code %1)").arg(keyCode);
        return false;
    }
    for (const Grab &grab : std::as_const(m_grabs)) {
        if (grab.keycode == keycode && grab.modifiers == modifiers) {
            m_lastError = QStringLiteral("the combination is grabbed already under hot key number %1").arg(grab.hotKeyID);
            return false;
        }
    }

    Grab grab;
    grab.hotKeyID = hotKeyID;
    grab.keyCode = keyCode;
    grab.keycode = quint8(keycode);
    grab.modifiers = modifiers;
    const quint16 numLock = numLockMask();
    m_numLockMask = numLock;
    for (quint16 lock : {quint16(0), quint16(XCB_MOD_MASK_LOCK), numLock, quint16(XCB_MOD_MASK_LOCK | numLock)}) {
        const quint16 mask = (modifiers | lock) & CoreModifierBits;
        if (!grab.variants.contains(mask))
            grab.variants.append(mask);
    }

    QList<xcb_void_cookie_t> cookies;
    for (quint16 mask : std::as_const(grab.variants))
        cookies.append(xcb_grab_key_checked(m_connection, 0, m_root, mask, grab.keycode,
                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    int errorCode = 0;
    for (const xcb_void_cookie_t &cookie : std::as_const(cookies)) {
        std::unique_ptr<xcb_generic_error_t, FreeDeleter> error(xcb_request_check(m_connection, cookie));
        if (error && !errorCode)
            errorCode = error->error_code;
    }
    if (errorCode) {
        ungrab(grab); // releases the variants that did succeed; another client's grabs stay
        sync(m_connection); // the variants are free for others when this returns
        m_lastError = errorCode == AccessErrorCode
            ? QStringLiteral("the combination is taken by another application")
            : QStringLiteral("the X server refused the grab (error %1)").arg(errorCode);
        return false;
    }
    m_grabs.insert(hotKeyID, grab);
    return true;
}

void X11KeyGrabber::ungrab(const Grab &grab)
{
    if (!m_connection || grab.keycode < MinimumKeycode)
        return;
    for (quint16 mask : grab.variants)
        xcb_ungrab_key(m_connection, grab.keycode, m_root, mask & CoreModifierBits);
}

void X11KeyGrabber::ungrabHotKey(quint32 hotKeyID)
{
    const auto it = m_grabs.constFind(hotKeyID);
    if (it == m_grabs.constEnd())
        return;
    const Grab grab = *it;
    m_grabs.erase(it);
    ungrab(grab);
    if (m_connection)
        sync(m_connection); // the combination is free for others when this returns
    for (auto p = m_pressed.begin(); p != m_pressed.end();) {
        if (p.value() == hotKeyID)
            p = m_pressed.erase(p);
        else
            ++p;
    }
}

quint32 X11KeyGrabber::grabbedKeycode(quint32 hotKeyID) const
{
    const auto it = m_grabs.constFind(hotKeyID);
    return it == m_grabs.constEnd() ? 0 : it->keycode;
}

const X11KeyGrabber::Grab *X11KeyGrabber::grabFor(quint8 keycode, quint16 state) const
{
    const quint16 modifiers = state & CoreModifierBits & ~quint16(XCB_MOD_MASK_LOCK | m_numLockMask);
    for (const Grab &grab : m_grabs) {
        if (grab.keycode == keycode && grab.modifiers == modifiers)
            return &grab;
    }
    return nullptr;
}

bool X11KeyGrabber::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
try {
    if (eventType != "xcb_generic_event_t" || !message || m_grabs.isEmpty())
        return false;
    const auto *generic = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = generic->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);
    if (key->event != m_root)
        return false;

    HotKeyEvent event;
    event.location = QPointF(key->root_x, key->root_y);
    event.modifierFlags = cocoaFlagsForXModifiers(key->state);
    event.timestamp = double(key->time) / 1000.0;

    if (type == XCB_KEY_PRESS) {
        const auto pending = m_pendingReleases.constFind(key->detail);
        if (pending != m_pendingReleases.constEnd() && pending->time == key->time) {
            m_pendingReleases.erase(pending); // the key repeats: it was never let go
            return true;
        }
        const Grab *grab = grabFor(key->detail, key->state);
        if (!grab)
            return false;
        m_pressed.insert(key->detail, grab->hotKeyID);
        event.hotKeyID = grab->hotKeyID;
        event.keyCode = grab->keyCode;
        Q_EMIT hotKeyPressed(event);
        return true;
    }

    // Release: the hot key whose press this ends, even when its modifiers went up first.
    quint32 id = m_pressed.value(key->detail, 0);
    if (!id || !m_grabs.contains(id)) {
        const Grab *grab = grabFor(key->detail, key->state);
        if (!grab)
            return false;
        id = grab->hotKeyID;
    }
    event.hotKeyID = id;
    event.keyCode = m_grabs.value(id).keyCode;
    const quint8 keycode = key->detail;
    const quint32 time = key->time;
    m_pendingReleases.insert(keycode, PendingRelease{time, event});
    QTimer::singleShot(0, this,
        platform::ExceptionBoundary::guarded(this, "a timer", [this, keycode, time] { deliverRelease(keycode, time); }));
    return true;
} catch (...) {
    platform::ExceptionBoundary::caught(nullptr, "nativeEventFilter");
    return false;
}

void X11KeyGrabber::deliverRelease(quint8 keycode, quint32 time)
{
    const auto it = m_pendingReleases.constFind(keycode);
    if (it == m_pendingReleases.constEnd() || it->time != time)
        return;
    const HotKeyEvent event = it->event;
    m_pendingReleases.erase(it);
    m_pressed.remove(keycode);
    if (m_grabs.contains(event.hotKeyID))
        Q_EMIT hotKeyReleased(event);
}

} // namespace platform

#include "components/keyrecorder/KRDesktopShortcuts.h"

#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/VirtualKeyCodes.h"
#include "platform/desktop/X11KeyGrabber.h"

#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <cstdlib>
#include <memory>

// Xlib last: its macros would clash with Qt's headers.
#include <X11/Xlib.h>
#undef Status

namespace {

constexpr quint8 AccessErrorCode = 10; // BadAccess
constexpr quint32 MinimumKeycode = 8;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};

struct ConnectionDeleter
{
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};

QNativeInterface::QX11Application *x11()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && x11->connection() && x11->display() ? x11 : nullptr;
}

xcb_window_t rootOf(xcb_connection_t *connection, int screenNumber)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    return it.rem ? it.data->root : 0;
}

// 0 when the grab was granted, otherwise the X error code.
int tryGrab(xcb_connection_t *connection, xcb_window_t root, quint16 modifiers, quint8 keycode)
{
    const xcb_void_cookie_t cookie = xcb_grab_key_checked(connection, 1, root, modifiers, keycode,
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    std::unique_ptr<xcb_generic_error_t, FreeDeleter> error(xcb_request_check(connection, cookie));
    return error ? error->error_code : 0;
}

} // namespace

bool KRDesktopShortcuts::isAvailable()
{
    return x11() != nullptr;
}

KRDesktopShortcuts::Status KRDesktopShortcuts::statusOfKeyCode(int keyCode, quint32 cocoaFlags)
{
    QNativeInterface::QX11Application *app = x11();
    if (!app)
        return Status::Free;
    if (keyCode < 0 || keyCode > platform::VirtualKeyCodes::MaximumKeyCode)
        return Status::Free;

    platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
    if (layout.source() != platform::KeyboardLayout::Source::XServer)
        layout.reload();
    if (layout.source() != platform::KeyboardLayout::Source::XServer)
        return Status::Unknown;
    const quint32 keycode = layout.keycodeForVirtualKey(keyCode);
    if (keycode < MinimumKeycode || keycode > 255)
        return Status::Free; // no such key on this keyboard: nobody can use it
    const quint16 modifiers = platform::X11KeyGrabber::xModifiersForCocoaFlags(cocoaFlags);
    if (platform::KeyboardLayout::isServerActionKeysym(layout.keysymForKeycode(keycode, modifiers)))
        return Status::ReservedByServer;

    const char *displayName = XDisplayString(app->display());
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, ConnectionDeleter> probe(xcb_connect(displayName, &screenNumber));
    if (!probe || xcb_connection_has_error(probe.get()))
        return Status::Unknown;
    const xcb_window_t probeRoot = rootOf(probe.get(), screenNumber);
    if (!probeRoot)
        return Status::Unknown;
    const int probeError = tryGrab(probe.get(), probeRoot, modifiers, quint8(keycode));
    if (!probeError) {
        xcb_ungrab_key(probe.get(), quint8(keycode), probeRoot, modifiers);
        xcb_flush(probe.get());
        return Status::Free;
    }
    if (probeError != AccessErrorCode)
        return Status::Unknown;

    // Someone holds it: this application or another one. A grab by the same client
    // replaces its own earlier one with the same parameters, so trying again on the
    // application's connection changes nothing when the grab is ours.
    xcb_connection_t *own = app->connection();
    const xcb_window_t ownRoot = static_cast<xcb_window_t>(XDefaultRootWindow(app->display()));
    const int ownError = tryGrab(own, ownRoot, modifiers, quint8(keycode));
    if (!ownError)
        return Status::Free;
    return ownError == AccessErrorCode ? Status::TakenByAnotherApplication : Status::Unknown;
}

#pragma once
// What kind of graphical session the application runs in, from the environment the
// session manager sets. Free functions without state; any thread.
namespace platform::DesktopSession {

// A Wayland session: XDG_SESSION_TYPE is "wayland", or WAYLAND_DISPLAY names a
// display. X clients of such a session (XWayland) see neither the input nor the keys
// of Wayland windows, so idle time and hot keys must come from the compositor.
bool isWayland();

} // namespace platform::DesktopSession

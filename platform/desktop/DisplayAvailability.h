#pragma once
// Whether the display the application would show its windows on answers, told before
// the application object is made: Qt, given none that answers, prints lines of its
// own and aborts, where a program should say in one line which display it could not
// open.
//
// The displays looked at are the ones Qt's platform choice would try, in its order:
// the platforms named by Qt's -platform option or QT_QPA_PLATFORM (a list separated
// by ";", each with ":options"), else Wayland when WAYLAND_DISPLAY is set or
// XDG_SESSION_TYPE is "wayland", then X. A platform other than X ("xcb") and Wayland
// ("wayland", "wayland-egl" …) is Qt's to judge. One display that answers is enough.
// The X display is Qt's -display option or DISPLAY; a Wayland display is a socket
// named by WAYLAND_DISPLAY ("wayland-0" when unset), in XDG_RUNTIME_DIR unless the
// name is a path.
//
// Stateless; safe on any thread (it reads what it is given, and connects to the
// display and closes the connection again). Never throws. Asking an X server that
// is reachable but slow waits as long as Qt's own connection would.
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace platform {

class DisplayAvailability
{
public:
    DisplayAvailability() = delete;

    // Empty when a display answers (or the platform is not one of these); else what
    // the program says after its name: `cannot open display ":99"`, `cannot open
    // Wayland display "wayland-1"`, or `cannot open a display: …` with the reason
    // none was named.
    static QString problem(const QStringList &arguments,
                           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

    // The X server of the display name accepts a connection (its authorization
    // included).
    static bool xDisplayAnswers(const QString &display);
    // A Wayland compositor listens on the socket of the display name.
    static bool waylandDisplayAnswers(const QString &display, const QString &runtimeFolder);
};

} // namespace platform

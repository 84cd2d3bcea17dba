#pragma once
// The desktop's own global shortcuts, as far as they can be learned: on X a
// combination is in use when another client holds a passive grab of it on the root
// window (the server refuses a grab of it with BadAccess), or when the X server acts
// on it itself (switching virtual terminals, ending the server…). Without an X
// server nothing can be learned and every combination counts as free.
//
// The trial grab runs on a connection of its own and is released at once. When that
// connection is refused, the application's own connection tries: a grab this
// application holds itself (its own hot key) is re-made unchanged and does not count
// as taken.
#include <QtGlobal>

class KRDesktopShortcuts
{
public:
    enum class Status {
        Free,                     // nobody holds it (or it cannot be learned)
        ReservedByServer,         // the X server keeps the combination for itself
        TakenByAnotherApplication,
        Unknown,                  // the X server could not be asked
    };

    // Whether the application runs on an X server.
    static bool isAvailable();
    // What the desktop does with the combination (virtual key code, Cocoa flags).
    static Status statusOfKeyCode(int keyCode, quint32 cocoaFlags);
};

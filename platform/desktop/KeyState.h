#pragma once
// The state of the keyboard right now, not as the last event saw it: the held
// modifiers (QGuiApplication::queryKeyboardModifiers()) and whether a key, named by
// its virtual key code (VirtualKeyCodes: 49 is the space bar), is down. On X the key
// map is asked of the X server (xcb_query_keymap on Qt's connection) and the virtual
// key is found through KeyboardLayout's keycode table; elsewhere (offscreen, Wayland)
// no key reads as down.
//
// A Fake replaces both answers while it lives (tests and offscreen runs): fakes nest,
// the newest answers, and each restores the previous one when it goes.
//
// Static functions without state except the current fake. Main thread only; a failed
// X request reads as "not down".
#include <QSet>
#include <Qt>

namespace platform {

class KeyState
{
public:
    static constexpr int SpaceVirtualKey = 49;

    static Qt::KeyboardModifiers modifiers();
    static bool isVirtualKeyDown(int virtualKeyCode);

    class Fake
    {
    public:
        explicit Fake(Qt::KeyboardModifiers modifiers = Qt::NoModifier, QSet<int> keysDown = {});
        ~Fake();
        Fake(const Fake &) = delete;
        Fake &operator=(const Fake &) = delete;

        Qt::KeyboardModifiers modifiers;
        QSet<int> keysDown;

    private:
        Fake *m_previous;
    };

private:
    static Fake *&currentFake();
};

} // namespace platform

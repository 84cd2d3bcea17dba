#pragma once
// The virtual key codes that stored key combinations use (the numbering of the
// Apple keyboards, 0 to 127, independent of the layout: 0 is the key of A on a US
// keyboard) and the XKB key name of the same physical key on a PC keyboard, which
// the keymap of the X server or of libxkbcommon turns into a keycode.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QByteArray>
#include <QList>
#include <optional>

namespace platform::VirtualKeyCodes {

// Largest virtual key code there is.
constexpr int MaximumKeyCode = 127;

// The XKB key name ("AC01", "FK05", …) of a virtual key code; empty for a code
// outside 0…127 or one without a key on a PC keyboard.
QByteArray xkbKeyName(int virtualKeyCode);

// The virtual key code of an XKB key name (aliases are not resolved here); nothing
// when no virtual key has that name.
std::optional<int> virtualKeyCodeForXkbName(const QByteArray &name);

// Every virtual key code that has an XKB key name, ascending.
QList<int> mappedKeyCodes();

} // namespace platform::VirtualKeyCodes

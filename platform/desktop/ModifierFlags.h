#pragma once
// The Cocoa modifier flags that stored key combinations carry, as the desktop
// services translate them into their own modifiers. Constants only; any thread.
#include <QtGlobal>

namespace platform::ModifierFlags {

constexpr quint32 CapsLock = 0x10000;
constexpr quint32 Shift = 0x20000;
constexpr quint32 Control = 0x40000;
constexpr quint32 Option = 0x80000;
constexpr quint32 Command = 0x100000;

} // namespace platform::ModifierFlags

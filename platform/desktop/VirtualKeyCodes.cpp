#include "platform/desktop/VirtualKeyCodes.h"

#include <array>

namespace platform::VirtualKeyCodes {

namespace {

// Index: virtual key code. The positions are those of the keys on an ANSI keyboard
// (ISO and JIS keys where they exist), given as the XKB names of the same keys.
constexpr std::array<const char *, MaximumKeyCode + 1> Names = {
    "AC01", "AC02", "AC03", "AC04", "AC06", "AC05", "AB01", "AB02", // 0-7: A S D F H G Z X
    "AB03", "AB04", "LSGT", "AB05", "AD01", "AD02", "AD03", "AD04", // 8-15: C V (ISO §) B Q W E R
    "AD06", "AD05", "AE01", "AE02", "AE03", "AE04", "AE06", "AE05", // 16-23: Y T 1 2 3 4 6 5
    "AE12", "AE09", "AE07", "AE11", "AE08", "AE10", "AD12", "AD09", // 24-31: = 9 7 - 8 0 ] O
    "AD07", "AD11", "AD08", "AD10", "RTRN", "AC09", "AC07", "AC11", // 32-39: U [ I P Return L J '
    "AC08", "AC10", "BKSL", "AB08", "AB10", "AB06", "AB07", "AB09", // 40-47: K ; \ , / N M .
    "TAB",  "SPCE", "TLDE", "BKSP", nullptr, "ESC", "RWIN", "LWIN", // 48-55: Tab Space ` Delete – Esc rCmd Cmd
    "LFSH", "CAPS", "LALT", "LCTL", "RTSH", "RALT", "RCTL", nullptr, // 56-63: Shift Caps Opt Ctrl rShift rOpt rCtrl Fn
    "FK17", "KPDL", nullptr, "KPMU", nullptr, "KPAD", nullptr, "NMLK", // 64-71: F17 Pad. – Pad* – Pad+ – Clear
    "VOL+", "VOL-", "MUTE", "KPDV", "KPEN", nullptr, "KPSU", "FK18", // 72-79: Vol+ Vol- Mute Pad/ Enter – Pad- F18
    "FK19", "KPEQ", "KP0",  "KP1",  "KP2",  "KP3",  "KP4",  "KP5",  // 80-87: F19 Pad= Pad0-5
    "KP6",  "KP7",  "FK20", "KP8",  "KP9",  "AE13", "AB11", "KPPT", // 88-95: Pad6 Pad7 F20 Pad8 Pad9 Yen _ Pad,
    "FK05", "FK06", "FK07", "FK03", "FK08", "FK09", "MUHE", "FK11", // 96-103: F5 F6 F7 F3 F8 F9 Eisu F11
    "HENK", "FK13", "FK16", "FK14", nullptr, "FK10", "MENU", "FK12", // 104-111: Kana F13 F16 F14 – F10 Menu F12
    nullptr, "FK15", "INS", "HOME", "PGUP", "DELE", "FK04", "END",  // 112-119: – F15 Help Home PgUp Del F4 End
    "FK02", "PGDN", "FK01", "LEFT", "RGHT", "DOWN", "UP",   nullptr, // 120-127: F2 PgDn F1 ← → ↓ ↑ –
};

} // namespace

QByteArray xkbKeyName(int virtualKeyCode)
{
    if (virtualKeyCode < 0 || virtualKeyCode > MaximumKeyCode)
        return {};
    const char *name = Names[static_cast<std::size_t>(virtualKeyCode)];
    return name ? QByteArray(name) : QByteArray();
}

std::optional<int> virtualKeyCodeForXkbName(const QByteArray &name)
{
    if (name.isEmpty())
        return std::nullopt;
    for (int code = 0; code <= MaximumKeyCode; ++code) {
        const char *entry = Names[static_cast<std::size_t>(code)];
        if (entry && name == entry)
            return code;
    }
    return std::nullopt;
}

QList<int> mappedKeyCodes()
{
    QList<int> codes;
    for (int code = 0; code <= MaximumKeyCode; ++code) {
        if (Names[static_cast<std::size_t>(code)])
            codes.append(code);
    }
    return codes;
}

} // namespace platform::VirtualKeyCodes

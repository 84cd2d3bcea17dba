#pragma once
// Modifier flags of key combinations in their two encodings (Cocoa event flags,
// which stored combinations use, and Carbon hot-key modifiers), their glyphs and
// readable words, and combinations shown as text.
#include <QString>
#include <QtGlobal>

namespace KRCocoaFlags {
constexpr quint32 Command = 0x100000;
constexpr quint32 Option = 0x80000;
constexpr quint32 Control = 0x40000;
constexpr quint32 Shift = 0x20000;
constexpr quint32 Function = 0x800000;
constexpr quint32 CapsLock = 0x10000;
} // namespace KRCocoaFlags

namespace KRCarbonFlags {
constexpr quint32 Command = 0x100;
constexpr quint32 Option = 0x800;
constexpr quint32 Control = 0x1000;
constexpr quint32 Shift = 0x200;
constexpr quint32 Function = 0x800000;
} // namespace KRCarbonFlags

// The glyphs of the set modifiers, in the order control, option, shift, command.
QString KRCocoaFlagsGlyphs(quint32 cocoaFlags);
QString KRCarbonFlagsGlyphs(quint32 carbonFlags);

// The glyphs followed by the key's display string (nothing for a code without one).
QString KRCocoaComboGlyphs(quint32 cocoaFlags, int keyCode);
QString KRCarbonComboGlyphs(quint32 carbonFlags, int keyCode);

// The readable words of the set modifiers ("Command + ", "Option + ", "Control + ",
// "Shift + ", in that order) followed by the key's display string.
QString KRReadableCocoaCombo(quint32 cocoaFlags, int keyCode);
QString KRReadableCarbonCombo(quint32 carbonFlags, int keyCode);

// Translate command, option, control, shift and the function-key flag; every other
// bit is dropped.
quint32 KRFlagsCarbonToCocoa(quint32 carbonFlags);
quint32 KRFlagsCocoaToCarbon(quint32 cocoaFlags);

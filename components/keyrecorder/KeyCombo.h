#pragma once
// A key combination as the recorder keeps and reports it: Cocoa modifier flags
// (command 0x100000, option 0x80000, control 0x40000, shift 0x20000, function key
// 0x800000) and a virtual key code. The empty combination is code -1 with flags 0.
#include <QMetaType>
#include <QtGlobal>

struct KeyCombo
{
    quint32 flags = 0;
    qint32 code = -1;

    static constexpr KeyCombo empty() { return KeyCombo{0, -1}; }
    friend constexpr bool operator==(const KeyCombo &a, const KeyCombo &b)
    {
        return a.flags == b.flags && a.code == b.code;
    }
    friend constexpr bool operator!=(const KeyCombo &a, const KeyCombo &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(KeyCombo)

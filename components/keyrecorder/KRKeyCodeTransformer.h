#pragma once
// Virtual key codes as the text a shortcut shows: a fixed table for the function,
// arrow and editing keys, the character on the key in the active keyboard layout for
// the others ("Pad 0" style for the numeric keypad). The reverse direction maps such
// a text back to its key code; it is rebuilt whenever the keyboard layout changes.
#include "platform/foundation/ValueTransformer.h"

#include <QMetaType>
#include <QString>

class KRKeyCodeTransformer : public platform::ValueTransformer
{
public:
    KRKeyCodeTransformer();
    ~KRKeyCodeTransformer() override;

    // A number holding a key code (0…32767) → its text; nothing (an invalid QVariant)
    // for anything else, for a negative code and for a key without text.
    QVariant transformedValue(const QVariant &value) const override;
    // A string → the key code (int) it stands for; nothing for a non-string or an
    // unknown text.
    QVariant reverseTransformedValue(const QVariant &value) const override;
    bool allowsReverseTransformation() const override { return true; }
    static QMetaType transformedValueClass() { return QMetaType::fromType<QString>(); }

    // Rebuilds the text → key code map from the codes 0 to 127 (a later code with
    // the same text wins).
    static void regenerateStringToKeyCodeMapping();

    // Whether the code is a key of the numeric keypad.
    static bool isKeypadKeyCode(int keyCode);
};

// The text of a key code through one shared transformer; a null string when it has none.
QString KRKeyCodeDisplayString(qint16 keyCode);

// The character the key types in the active layout with the option and shift state
// of the flags, capitalised for the current locale; the display string when the
// layout gives none.
QString KRKeyCodeCharacterCocoa(qint16 keyCode, quint32 cocoaFlags);
QString KRKeyCodeCharacterCarbon(qint16 keyCode, quint32 carbonFlags);

#pragma once
// A key event as the recorder sees it: the virtual key code of the key (the
// numbering stored combinations use), the Cocoa modifier flags held, and the
// characters the key typed with and without its modifiers.
//
// Qt's key events are translated here. The key code comes from the native scan code
// (the X keycode, looked up in the active keymap), or from Qt's key when the event
// carries none (synthesised events, platforms without X keycodes). Linux reports no
// function-key modifier: the function-key flag (0x800000) is set here for the
// function keys F1 to F19, the arrows, Home, End, Page Up, Page Down, Insert and
// Forward Delete, which also receive the private-use characters such keys type on
// the platform the stored combinations come from (F1 U+F704, up arrow U+F700, …).
#include <QString>
#include <Qt>

class QKeyEvent;

class KRKeyEvent
{
public:
    KRKeyEvent() = default;
    KRKeyEvent(int keyCode, quint32 modifierFlags, const QString &characters,
               const QString &charactersIgnoringModifiers);

    // The event translated; keyCode() is -1 when the key has no virtual key code.
    static KRKeyEvent fromQKeyEvent(const QKeyEvent &event);

    int keyCode() const { return m_keyCode; }
    quint32 modifierFlags() const { return m_modifierFlags; }
    QString characters() const { return m_characters; }
    QString charactersIgnoringModifiers() const { return m_charactersIgnoringModifiers; }

    // Cocoa flags of Qt modifiers: Meta (the Super key) → command, Alt → option,
    // Control → control, Shift → shift.
    static quint32 cocoaFlagsForQtModifiers(Qt::KeyboardModifiers modifiers);
    // The flags of the modifier keys held now.
    static quint32 currentModifierFlags();
    // Whether the Qt key is a modifier key (Shift, Control, Alt, Meta, Super, …).
    static bool isModifierKey(int qtKey);
    // The Qt modifier a modifier key stands for (none for other keys).
    static Qt::KeyboardModifier modifierForKey(int qtKey);

    // The virtual key code of a keycode of the active keymap; -1 for none.
    static int virtualKeyCodeForScanCode(quint32 nativeScanCode);
    // The virtual key code of a Qt key (special keys by table, characters through
    // the active layout); -1 for none.
    static int virtualKeyCodeForQtKey(int qtKey, const QString &text = QString());

    // Whether the platform marks the key with the function-key flag.
    static bool isFunctionKeyCode(int keyCode);
    // The character a non-printing key types (function keys: private-use
    // characters; Escape, Return, Tab, Delete: their control characters); empty for
    // the others.
    static QString specialKeyCharacter(int keyCode);

private:
    int m_keyCode = -1;
    quint32 m_modifierFlags = 0;
    QString m_characters;
    QString m_charactersIgnoringModifiers;
};

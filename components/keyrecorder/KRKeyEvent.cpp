#include "components/keyrecorder/KRKeyEvent.h"

#include "components/keyrecorder/KRKeyCodeTransformer.h"
#include "components/keyrecorder/KRModifierStrings.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/VirtualKeyCodes.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>

namespace {

struct SpecialKey
{
    int keyCode;
    char16_t character;
    bool function;
};

// Keys whose characters do not come from the layout.
const SpecialKey SpecialKeys[] = {
    {122, 0xF704, true}, {120, 0xF705, true}, {99, 0xF706, true}, {118, 0xF707, true},
    {96, 0xF708, true}, {97, 0xF709, true}, {98, 0xF70A, true}, {100, 0xF70B, true},
    {101, 0xF70C, true}, {109, 0xF70D, true}, {103, 0xF70E, true}, {111, 0xF70F, true},
    {105, 0xF710, true}, {107, 0xF711, true}, {113, 0xF712, true}, {106, 0xF713, true},
    {64, 0xF714, true}, {79, 0xF715, true}, {80, 0xF716, true},
    {126, 0xF700, true}, {125, 0xF701, true}, {123, 0xF702, true}, {124, 0xF703, true},
    {114, 0xF727, true}, {117, 0xF728, true}, {115, 0xF729, true}, {119, 0xF72B, true},
    {116, 0xF72C, true}, {121, 0xF72D, true},
    {51, 0x007F, false}, {53, 0x001B, false}, {36, 0x000D, false}, {76, 0x0003, false},
    {48, 0x0009, false}, {49, 0x0020, false},
};

const SpecialKey *specialKey(int keyCode)
{
    for (const SpecialKey &key : SpecialKeys) {
        if (key.keyCode == keyCode)
            return &key;
    }
    return nullptr;
}

struct QtKeyCode
{
    int qtKey;
    int keyCode;
};

const QtKeyCode QtKeyCodes[] = {
    {Qt::Key_Escape, 53}, {Qt::Key_Tab, 48}, {Qt::Key_Backtab, 48}, {Qt::Key_Backspace, 51},
    {Qt::Key_Return, 36}, {Qt::Key_Enter, 76}, {Qt::Key_Insert, 114}, {Qt::Key_Help, 114},
    {Qt::Key_Delete, 117}, {Qt::Key_Home, 115}, {Qt::Key_End, 119}, {Qt::Key_Left, 123},
    {Qt::Key_Up, 126}, {Qt::Key_Right, 124}, {Qt::Key_Down, 125}, {Qt::Key_PageUp, 116},
    {Qt::Key_PageDown, 121}, {Qt::Key_Space, 49}, {Qt::Key_Clear, 71},
    {Qt::Key_F1, 122}, {Qt::Key_F2, 120}, {Qt::Key_F3, 99}, {Qt::Key_F4, 118}, {Qt::Key_F5, 96},
    {Qt::Key_F6, 97}, {Qt::Key_F7, 98}, {Qt::Key_F8, 100}, {Qt::Key_F9, 101}, {Qt::Key_F10, 109},
    {Qt::Key_F11, 103}, {Qt::Key_F12, 111}, {Qt::Key_F13, 105}, {Qt::Key_F14, 107},
    {Qt::Key_F15, 113}, {Qt::Key_F16, 106}, {Qt::Key_F17, 64}, {Qt::Key_F18, 79}, {Qt::Key_F19, 80},
};

// The lookups of the active layout, rebuilt when the layout changes.
struct LayoutTables
{
    QHash<quint32, int> keyCodeOfKeycode;
    QHash<QString, int> keyCodeOfCharacter; // lower-case character → key code
    bool built = false;

    void build()
    {
        keyCodeOfKeycode.clear();
        keyCodeOfCharacter.clear();
        const platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
        if (layout.isValid()) {
            for (int code : platform::VirtualKeyCodes::mappedKeyCodes()) {
                const quint32 keycode = layout.keycodeForVirtualKey(code);
                if (keycode && !keyCodeOfKeycode.contains(keycode))
                    keyCodeOfKeycode.insert(keycode, code);
                if (KRKeyCodeTransformer::isKeypadKeyCode(code) || specialKey(code))
                    continue;
                for (bool shift : {false, true}) {
                    const QString text = layout.textForVirtualKey(code, shift, false).toLower();
                    if (!text.isEmpty() && !keyCodeOfCharacter.contains(text))
                        keyCodeOfCharacter.insert(text, code);
                }
            }
        }
        built = true;
    }
};

LayoutTables &layoutTables()
{
    static LayoutTables *tables = [] {
        auto *t = new LayoutTables; // kept for the life of the process
        QObject::connect(&platform::KeyboardLayout::instance(), &platform::KeyboardLayout::layoutChanged,
                         platform::ExceptionBoundary::guarded(nullptr, "layoutChanged", [t] { t->built = false; }));
        return t;
    }();
    if (!tables->built)
        tables->build();
    return *tables;
}

bool isPrintable(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace

KRKeyEvent::KRKeyEvent(int keyCode, quint32 modifierFlags, const QString &characters,
                       const QString &charactersIgnoringModifiers)
    : m_keyCode(keyCode)
    , m_modifierFlags(modifierFlags)
    , m_characters(characters)
    , m_charactersIgnoringModifiers(charactersIgnoringModifiers)
{
}

KRKeyEvent KRKeyEvent::fromQKeyEvent(const QKeyEvent &event)
{
    int code = event.nativeScanCode() ? virtualKeyCodeForScanCode(event.nativeScanCode()) : -1;
    if (code < 0)
        code = virtualKeyCodeForQtKey(event.key(), event.text());
    Qt::KeyboardModifiers modifiers = event.modifiers();
    // A modifier key's own event carries the state before (press) or after (release)
    // depending on the platform: make it the state after the event.
    if (const Qt::KeyboardModifier own = modifierForKey(event.key()); own != Qt::NoModifier) {
        if (event.type() == QEvent::KeyRelease)
            modifiers &= ~own;
        else
            modifiers |= own;
    }
    quint32 flags = cocoaFlagsForQtModifiers(modifiers);
    if (code < 0)
        return KRKeyEvent(-1, flags, event.text(), event.text());
    if (isFunctionKeyCode(code))
        flags |= KRCocoaFlags::Function;

    const QString special = specialKeyCharacter(code);
    if (!special.isEmpty())
        return KRKeyEvent(code, flags, special, special);

    const platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool option = modifiers & Qt::AltModifier;
    QString ignoring = layout.isValid() ? layout.textForVirtualKey(code, shift, false) : QString();
    QString characters = event.text();
    if (characters.isEmpty() && layout.isValid())
        characters = layout.textForVirtualKey(code, shift, option);
    if (ignoring.isEmpty() && isPrintable(characters))
        ignoring = characters;
    return KRKeyEvent(code, flags, characters, ignoring);
}

quint32 KRKeyEvent::cocoaFlagsForQtModifiers(Qt::KeyboardModifiers modifiers)
{
    quint32 flags = 0;
    if (modifiers & Qt::MetaModifier)
        flags |= KRCocoaFlags::Command;
    if (modifiers & Qt::AltModifier)
        flags |= KRCocoaFlags::Option;
    if (modifiers & Qt::ControlModifier)
        flags |= KRCocoaFlags::Control;
    if (modifiers & Qt::ShiftModifier)
        flags |= KRCocoaFlags::Shift;
    return flags;
}

quint32 KRKeyEvent::currentModifierFlags()
{
    if (!qGuiApp)
        return 0;
    return cocoaFlagsForQtModifiers(QGuiApplication::queryKeyboardModifiers());
}

bool KRKeyEvent::isModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_Meta:
    case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Hyper_L: case Qt::Key_Hyper_R:
    case Qt::Key_AltGr: case Qt::Key_CapsLock: case Qt::Key_NumLock: case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

Qt::KeyboardModifier KRKeyEvent::modifierForKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift: return Qt::ShiftModifier;
    case Qt::Key_Control: return Qt::ControlModifier;
    case Qt::Key_Alt: return Qt::AltModifier;
    case Qt::Key_Meta: case Qt::Key_Super_L: case Qt::Key_Super_R: return Qt::MetaModifier;
    default: return Qt::NoModifier;
    }
}

int KRKeyEvent::virtualKeyCodeForScanCode(quint32 nativeScanCode)
{
    if (!nativeScanCode)
        return -1;
    return layoutTables().keyCodeOfKeycode.value(nativeScanCode, -1);
}

int KRKeyEvent::virtualKeyCodeForQtKey(int qtKey, const QString &text)
{
    for (const QtKeyCode &entry : QtKeyCodes) {
        if (entry.qtKey == qtKey)
            return entry.keyCode;
    }
    QString character;
    if (qtKey >= 0x20 && qtKey <= 0xff && qtKey != Qt::Key_unknown)
        character = QString(QChar(qtKey)).toLower();
    else if (isPrintable(text))
        character = text.toLower();
    if (character.isEmpty())
        return -1;
    return layoutTables().keyCodeOfCharacter.value(character, -1);
}

bool KRKeyEvent::isFunctionKeyCode(int keyCode)
{
    const SpecialKey *key = specialKey(keyCode);
    return key && key->function;
}

QString KRKeyEvent::specialKeyCharacter(int keyCode)
{
    const SpecialKey *key = specialKey(keyCode);
    return key ? QString(QChar(key->character)) : QString();
}

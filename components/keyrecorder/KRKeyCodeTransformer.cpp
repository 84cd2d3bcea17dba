#include "components/keyrecorder/KRKeyCodeTransformer.h"

#include "components/keyrecorder/KRModifierStrings.h"
#include "platform/foundation/Bundle.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/VirtualKeyCodes.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QHash>
#include <QLocale>
#include <QSet>

#include <cmath>
#include <memory>

namespace {

QString localized(const QString &key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("KRKeyRecorder"))
        .localizedString(key, QStringLiteral("NTXKeyRecorder"));
}

struct Tables
{
    QHash<int, QString> fixed;
    QSet<int> keypad;
    QHash<QString, int> reverse;

    Tables()
    {
        const struct { int code; const char *text; } names[] = {
            {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"},
            {98, "F7"}, {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
            {105, "F13"}, {107, "F14"}, {113, "F15"}, {106, "F16"}, {64, "F17"}, {79, "F18"},
            {80, "F19"},
        };
        for (const auto &entry : names)
            fixed.insert(entry.code, QString::fromLatin1(entry.text));
        fixed.insert(49, localized(QStringLiteral("Space")));
        const struct { int code; char16_t glyph; } glyphs[] = {
            {51, 0x232B}, {117, 0x2326}, {71, 0x2327}, {123, 0x2190}, {124, 0x2192},
            {126, 0x2191}, {125, 0x2193}, {119, 0x2198}, {115, 0x2196}, {53, 0x238B},
            {121, 0x21DF}, {116, 0x21DE}, {36, 0x21A9}, {76, 0x2305}, {48, 0x21E5},
            {114, 0x003F},
        };
        for (const auto &entry : glyphs)
            fixed.insert(entry.code, QString(QChar(entry.glyph)));
        for (int code : {65, 67, 69, 75, 78, 81, 82, 83, 84, 85, 86, 87, 88, 89, 91, 92})
            keypad.insert(code);
    }
};

Tables &tables()
{
    static Tables *instance = [] {
        auto *t = new Tables; // class-level state, kept for the life of the process
        QObject::connect(&platform::KeyboardLayout::instance(), &platform::KeyboardLayout::layoutChanged,
                         platform::ExceptionBoundary::guarded(nullptr, "layoutChanged", [] { KRKeyCodeTransformer::regenerateStringToKeyCodeMapping(); }));
        return t;
    }();
    return *instance;
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
    case QMetaType::Double: case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// The key code a number holds; -1 for anything that is no key code.
int keyCodeOf(const QVariant &value)
{
    if (!isNumber(value))
        return -1;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        return std::isfinite(d) && d >= 0 && d <= 0x7fff ? int(d) : -1;
    }
    if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong
        || value.typeId() == QMetaType::UInt) {
        const qulonglong u = value.toULongLong();
        return u <= 0x7fff ? int(u) : -1;
    }
    const qlonglong v = value.toLongLong();
    return v >= 0 && v <= 0x7fff ? int(v) : -1;
}

QString firstCharacter(const QString &text)
{
    if (text.isEmpty())
        return {};
    const qsizetype length = text.at(0).isHighSurrogate() && text.size() > 1 ? 2 : 1;
    return text.left(length);
}

QString textForCode(int code)
{
    Tables &t = tables();
    const auto fixed = t.fixed.constFind(code);
    if (fixed != t.fixed.constEnd())
        return *fixed;
    const platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
    if (!layout.isValid())
        return {};
    const QString character = firstCharacter(layout.textForVirtualKey(code)).toUpper();
    if (character.isEmpty())
        return {};
    if (t.keypad.contains(code)) {
        QString format = localized(QStringLiteral("Pad %@"));
        format.replace(QStringLiteral("%@"), character);
        return format;
    }
    return character;
}

} // namespace

KRKeyCodeTransformer::KRKeyCodeTransformer()
{
    static const bool mapped = [] {
        regenerateStringToKeyCodeMapping();
        return true;
    }();
    Q_UNUSED(mapped);
}

KRKeyCodeTransformer::~KRKeyCodeTransformer() = default;

QVariant KRKeyCodeTransformer::transformedValue(const QVariant &value) const
{
    const int code = keyCodeOf(value);
    if (code < 0)
        return {};
    const QString text = textForCode(code);
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant KRKeyCodeTransformer::reverseTransformedValue(const QVariant &value) const
{
    if (value.typeId() != QMetaType::QString)
        return {};
    const Tables &t = tables();
    const auto it = t.reverse.constFind(value.toString());
    return it == t.reverse.constEnd() ? QVariant() : QVariant(*it);
}

void KRKeyCodeTransformer::regenerateStringToKeyCodeMapping()
{
    Tables &t = tables();
    QHash<QString, int> reverse;
    for (int code = 0; code <= platform::VirtualKeyCodes::MaximumKeyCode; ++code) {
        const QString text = textForCode(code);
        if (!text.isEmpty())
            reverse.insert(text, code);
    }
    t.reverse = reverse;
}

bool KRKeyCodeTransformer::isKeypadKeyCode(int keyCode)
{
    return tables().keypad.contains(keyCode);
}

QString KRKeyCodeDisplayString(qint16 keyCode)
{
    static const auto transformer = std::make_shared<KRKeyCodeTransformer>();
    return transformer->transformedValue(QVariant(int(keyCode))).toString();
}

QString KRKeyCodeCharacterCocoa(qint16 keyCode, quint32 cocoaFlags)
{
    const platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
    if (keyCode < 0 || !layout.isValid())
        return KRKeyCodeDisplayString(keyCode);
    const QString text = layout.textForVirtualKey(keyCode, cocoaFlags & KRCocoaFlags::Shift,
                                                  cocoaFlags & KRCocoaFlags::Option);
    const QString character = firstCharacter(text);
    if (character.isEmpty())
        return KRKeyCodeDisplayString(keyCode);
    return QLocale().toUpper(character);
}

QString KRKeyCodeCharacterCarbon(qint16 keyCode, quint32 carbonFlags)
{
    return KRKeyCodeCharacterCocoa(keyCode, KRFlagsCarbonToCocoa(carbonFlags));
}

#include "components/keyrecorder/KRModifierStrings.h"

#include "components/keyrecorder/KRKeyCodeTransformer.h"
#include "platform/foundation/Bundle.h"

namespace {

constexpr char16_t CommandGlyph = 0x2318;
constexpr char16_t OptionGlyph = 0x2325;
constexpr char16_t ControlGlyph = 0x2303;
constexpr char16_t ShiftGlyph = 0x21E7;

QString readableWord(const char *key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("KRKeyRecorder"))
        .localizedString(QString::fromLatin1(key), QStringLiteral("NTXKeyRecorder"));
}

// A code outside the signed 16-bit range has no key (it is not cut to 16 bits).
QString displayString(int keyCode)
{
    if (keyCode < 0 || keyCode > 0x7fff)
        return QString();
    return KRKeyCodeDisplayString(static_cast<qint16>(keyCode));
}

} // namespace

QString KRCocoaFlagsGlyphs(quint32 cocoaFlags)
{
    QString text;
    if (cocoaFlags & KRCocoaFlags::Control)
        text += QChar(ControlGlyph);
    if (cocoaFlags & KRCocoaFlags::Option)
        text += QChar(OptionGlyph);
    if (cocoaFlags & KRCocoaFlags::Shift)
        text += QChar(ShiftGlyph);
    if (cocoaFlags & KRCocoaFlags::Command)
        text += QChar(CommandGlyph);
    return text;
}

QString KRCarbonFlagsGlyphs(quint32 carbonFlags)
{
    return KRCocoaFlagsGlyphs(KRFlagsCarbonToCocoa(carbonFlags));
}

QString KRCocoaComboGlyphs(quint32 cocoaFlags, int keyCode)
{
    QString text = KRCocoaFlagsGlyphs(cocoaFlags) + displayString(keyCode);
    return text;
}

QString KRCarbonComboGlyphs(quint32 carbonFlags, int keyCode)
{
    return KRCocoaComboGlyphs(KRFlagsCarbonToCocoa(carbonFlags), keyCode);
}

QString KRReadableCocoaCombo(quint32 cocoaFlags, int keyCode)
{
    QString text;
    if (cocoaFlags & KRCocoaFlags::Command)
        text += readableWord("Command + ");
    if (cocoaFlags & KRCocoaFlags::Option)
        text += readableWord("Option + ");
    if (cocoaFlags & KRCocoaFlags::Control)
        text += readableWord("Control + ");
    if (cocoaFlags & KRCocoaFlags::Shift)
        text += readableWord("Shift + ");
    text += displayString(keyCode);
    return text;
}

QString KRReadableCarbonCombo(quint32 carbonFlags, int keyCode)
{
    return KRReadableCocoaCombo(KRFlagsCarbonToCocoa(carbonFlags), keyCode);
}

quint32 KRFlagsCarbonToCocoa(quint32 carbonFlags)
{
    quint32 flags = 0;
    if (carbonFlags & KRCarbonFlags::Command)
        flags |= KRCocoaFlags::Command;
    if (carbonFlags & KRCarbonFlags::Option)
        flags |= KRCocoaFlags::Option;
    if (carbonFlags & KRCarbonFlags::Control)
        flags |= KRCocoaFlags::Control;
    if (carbonFlags & KRCarbonFlags::Shift)
        flags |= KRCocoaFlags::Shift;
    if (carbonFlags & KRCarbonFlags::Function)
        flags |= KRCocoaFlags::Function;
    return flags;
}

quint32 KRFlagsCocoaToCarbon(quint32 cocoaFlags)
{
    quint32 flags = 0;
    if (cocoaFlags & KRCocoaFlags::Command)
        flags |= KRCarbonFlags::Command;
    if (cocoaFlags & KRCocoaFlags::Option)
        flags |= KRCarbonFlags::Option;
    if (cocoaFlags & KRCocoaFlags::Control)
        flags |= KRCarbonFlags::Control;
    if (cocoaFlags & KRCocoaFlags::Shift)
        flags |= KRCarbonFlags::Shift;
    if (cocoaFlags & KRCocoaFlags::Function)
        flags |= KRCarbonFlags::Function;
    return flags;
}

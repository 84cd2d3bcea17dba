// Key codes as text: the fixed table, the active layout, the keypad, the reverse map
// and layout changes. The layout is a US keymap compiled by libxkbcommon (no X).
#include "components/keyrecorder/KRKeyCodeTransformer.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/VirtualKeyCodes.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class KeyCodeTransformerTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("us"))); }
    void TearDown() override { platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("us")); }

    KRKeyCodeTransformer transformer;

    QString text(const QVariant &value) const { return transformer.transformedValue(value).toString(); }
    QVariant code(const QString &text) const { return transformer.reverseTransformedValue(text); }
};

TEST_F(KeyCodeTransformerTest, FunctionKeysComeFromTheFixedTable)
{
    const std::pair<int, const char *> rows[] = {
        {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"}, {98, "F7"},
        {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"}, {105, "F13"},
        {107, "F14"}, {113, "F15"}, {106, "F16"}, {64, "F17"}, {79, "F18"}, {80, "F19"},
    };
    for (const auto &[keyCode, name] : rows)
        EXPECT_EQ(text(keyCode), QString::fromLatin1(name)) << keyCode;
}

TEST_F(KeyCodeTransformerTest, EditingAndArrowKeysShowGlyphs)
{
    const std::pair<int, char16_t> rows[] = {
        {51, 0x232B}, {117, 0x2326}, {71, 0x2327}, {123, 0x2190}, {124, 0x2192}, {126, 0x2191},
        {125, 0x2193}, {119, 0x2198}, {115, 0x2196}, {53, 0x238B}, {121, 0x21DF}, {116, 0x21DE},
        {36, 0x21A9}, {76, 0x2305}, {48, 0x21E5}, {114, 0x003F},
    };
    for (const auto &[keyCode, glyph] : rows)
        EXPECT_EQ(text(keyCode), QString(QChar(glyph))) << keyCode;
    EXPECT_EQ(text(49), QStringLiteral("Space"));
}

TEST_F(KeyCodeTransformerTest, OtherKeysShowTheUpperCasedCharacterOfTheLayout)
{
    EXPECT_EQ(text(0), QStringLiteral("A"));
    EXPECT_EQ(text(1), QStringLiteral("S"));
    EXPECT_EQ(text(6), QStringLiteral("Z"));
    EXPECT_EQ(text(18), QStringLiteral("1"));
    EXPECT_EQ(text(27), QStringLiteral("-"));
    EXPECT_EQ(text(50), QStringLiteral("`"));
    EXPECT_EQ(text(42), QStringLiteral("\\"));
}

TEST_F(KeyCodeTransformerTest, KeypadKeysAreMarked)
{
    EXPECT_EQ(text(82), QStringLiteral("Pad 0"));
    EXPECT_EQ(text(92), QStringLiteral("Pad 9"));
    EXPECT_EQ(text(67), QStringLiteral("Pad *"));
    EXPECT_EQ(text(65), QStringLiteral("Pad ."));
    EXPECT_TRUE(KRKeyCodeTransformer::isKeypadKeyCode(82));
    EXPECT_FALSE(KRKeyCodeTransformer::isKeypadKeyCode(71)); // Clear has its glyph
    EXPECT_FALSE(KRKeyCodeTransformer::isKeypadKeyCode(0));
}

TEST_F(KeyCodeTransformerTest, NoTextForNegativeOutOfRangeOrNonNumbers)
{
    EXPECT_FALSE(transformer.transformedValue(-1).isValid());
    EXPECT_FALSE(transformer.transformedValue(QVariant(qint16(-1))).isValid());
    EXPECT_FALSE(transformer.transformedValue(QStringLiteral("0")).isValid());
    EXPECT_FALSE(transformer.transformedValue(QVariant()).isValid());
    EXPECT_FALSE(transformer.transformedValue(QVariantList{0}).isValid());
    // A value beyond 16 bits is not cut into key 0.
    EXPECT_FALSE(transformer.transformedValue(65536).isValid());
    EXPECT_FALSE(transformer.transformedValue(qlonglong(1) << 40).isValid());
    EXPECT_FALSE(transformer.transformedValue(std::numeric_limits<double>::quiet_NaN()).isValid());
    // Codes without a key have no text.
    EXPECT_FALSE(transformer.transformedValue(52).isValid());
    EXPECT_FALSE(transformer.transformedValue(200).isValid());
    // Other number types work.
    EXPECT_EQ(transformer.transformedValue(QVariant(quint16(96))).toString(), QStringLiteral("F5"));
    EXPECT_EQ(transformer.transformedValue(QVariant(96.0)).toString(), QStringLiteral("F5"));
}

TEST_F(KeyCodeTransformerTest, ReverseMapAnswersKeyCodes)
{
    EXPECT_TRUE(transformer.allowsReverseTransformation());
    EXPECT_EQ(KRKeyCodeTransformer::transformedValueClass(), QMetaType::fromType<QString>());
    EXPECT_EQ(code(QStringLiteral("A")), QVariant(0));
    EXPECT_EQ(code(QStringLiteral("F5")), QVariant(96));
    EXPECT_EQ(code(QStringLiteral("Space")), QVariant(49));
    EXPECT_EQ(code(QStringLiteral("Pad 0")), QVariant(82));
    EXPECT_FALSE(code(QStringLiteral("no such key")).isValid());
    EXPECT_FALSE(transformer.reverseTransformedValue(0).isValid());
    EXPECT_FALSE(transformer.reverseTransformedValue(QVariant()).isValid());
}

TEST_F(KeyCodeTransformerTest, EveryTextRoundTrips)
{
    for (int keyCode = 0; keyCode <= platform::VirtualKeyCodes::MaximumKeyCode; ++keyCode) {
        const QVariant shown = transformer.transformedValue(keyCode);
        if (!shown.isValid())
            continue;
        const QVariant back = transformer.reverseTransformedValue(shown);
        ASSERT_TRUE(back.isValid()) << keyCode;
        // A later code with the same text wins (the two "=" keys, for instance).
        EXPECT_EQ(transformer.transformedValue(back), shown) << keyCode;
        EXPECT_GE(back.toInt(), keyCode);
    }
}

TEST_F(KeyCodeTransformerTest, LayoutChangeRebuildsTheReverseMap)
{
    EXPECT_EQ(code(QStringLiteral("Y")), QVariant(16));
    EXPECT_EQ(code(QStringLiteral("Z")), QVariant(6));
    QSignalSpy changed(&platform::KeyboardLayout::instance(), &platform::KeyboardLayout::layoutChanged);
    ASSERT_TRUE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("de")));
    EXPECT_EQ(changed.count(), 1);
    // German keyboards swap Y and Z.
    EXPECT_EQ(text(6), QStringLiteral("Y"));
    EXPECT_EQ(code(QStringLiteral("Y")), QVariant(6));
    EXPECT_EQ(code(QStringLiteral("Z")), QVariant(16));
    EXPECT_EQ(KRKeyCodeDisplayString(16), QStringLiteral("Z"));
}

TEST_F(KeyCodeTransformerTest, UnknownLayoutKeepsTheCurrentOne)
{
    QSignalSpy changed(&platform::KeyboardLayout::instance(), &platform::KeyboardLayout::layoutChanged);
    EXPECT_FALSE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("no-such-layout")));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(text(0), QStringLiteral("A"));
}

TEST_F(KeyCodeTransformerTest, DisplayStringFunction)
{
    EXPECT_EQ(KRKeyCodeDisplayString(0), QStringLiteral("A"));
    EXPECT_EQ(KRKeyCodeDisplayString(36), QString(QChar(0x21A9)));
    EXPECT_TRUE(KRKeyCodeDisplayString(-1).isNull());
    EXPECT_TRUE(KRKeyCodeDisplayString(-32768).isNull());
    EXPECT_TRUE(KRKeyCodeDisplayString(127).isNull());
}

TEST_F(KeyCodeTransformerTest, CharacterWithModifiers)
{
    EXPECT_EQ(KRKeyCodeCharacterCocoa(0, 0), QStringLiteral("A"));
    EXPECT_EQ(KRKeyCodeCharacterCocoa(18, 0), QStringLiteral("1"));
    EXPECT_EQ(KRKeyCodeCharacterCocoa(18, 0x20000), QStringLiteral("!"));
    EXPECT_EQ(KRKeyCodeCharacterCarbon(18, 0x200), QStringLiteral("!"));
    // Command and control do not change the character.
    EXPECT_EQ(KRKeyCodeCharacterCocoa(18, 0x140000), QStringLiteral("1"));
    // Keys of the fixed table fall back to their text.
    EXPECT_EQ(KRKeyCodeCharacterCocoa(96, 0), QStringLiteral("F5"));
    EXPECT_TRUE(KRKeyCodeCharacterCocoa(-1, 0).isNull());
    ASSERT_TRUE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("de")));
    // The third level (the option key): AltGr+Q types @ on a German keyboard.
    EXPECT_EQ(KRKeyCodeCharacterCocoa(12, 0x80000), QStringLiteral("@"));
    EXPECT_EQ(KRKeyCodeCharacterCocoa(41, 0), QString(QChar(0x00D6))); // ö, capitalised
}

TEST(VirtualKeyCodes, NamesOfThePhysicalKeys)
{
    using namespace platform::VirtualKeyCodes;
    EXPECT_EQ(xkbKeyName(0), QByteArray("AC01"));
    EXPECT_EQ(xkbKeyName(96), QByteArray("FK05"));
    EXPECT_EQ(xkbKeyName(122), QByteArray("FK01"));
    EXPECT_EQ(xkbKeyName(49), QByteArray("SPCE"));
    EXPECT_EQ(xkbKeyName(82), QByteArray("KP0"));
    EXPECT_TRUE(xkbKeyName(52).isEmpty());
    EXPECT_TRUE(xkbKeyName(-1).isEmpty());
    EXPECT_TRUE(xkbKeyName(128).isEmpty());
    EXPECT_TRUE(xkbKeyName(std::numeric_limits<int>::max()).isEmpty());
    EXPECT_EQ(virtualKeyCodeForXkbName("FK05"), 96);
    EXPECT_FALSE(virtualKeyCodeForXkbName("XXXX").has_value());
    EXPECT_FALSE(virtualKeyCodeForXkbName(QByteArray()).has_value());
    for (int code : mappedKeyCodes())
        EXPECT_EQ(virtualKeyCodeForXkbName(xkbKeyName(code)), code);
}

TEST(VirtualKeyCodes, EveryNamedKeyExistsInAPcKeymap)
{
    platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
    ASSERT_TRUE(layout.useLayoutNames(QStringLiteral("us"), QString(), QStringLiteral("pc105"), QStringLiteral("evdev")));
    QStringList missing;
    for (int code : platform::VirtualKeyCodes::mappedKeyCodes()) {
        if (!layout.keycodeForVirtualKey(code))
            missing << QString::fromLatin1(platform::VirtualKeyCodes::xkbKeyName(code));
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(layout.keycodeForVirtualKey(52), 0u);
    EXPECT_EQ(layout.keycodeForVirtualKey(-5), 0u);
    EXPECT_EQ(layout.keycodeForName("FK05"), 71u); // evdev: F5 is X keycode 71
}

TEST(KeyboardLayout, ServerActionKeysAreRecognised)
{
    platform::KeyboardLayout &layout = platform::KeyboardLayout::instance();
    ASSERT_TRUE(layout.useLayoutNames(QStringLiteral("us"), QString(), QStringLiteral("pc105"), QStringLiteral("evdev")));
    const quint32 f5 = layout.keycodeForVirtualKey(96);
    const quint16 controlAlt = 0x4 | 0x8;
    EXPECT_EQ(layout.keysymForKeycode(f5, 0), 0xffc2u); // F5
    EXPECT_TRUE(platform::KeyboardLayout::isServerActionKeysym(layout.keysymForKeycode(f5, controlAlt)));
    EXPECT_FALSE(platform::KeyboardLayout::isServerActionKeysym(layout.keysymForKeycode(f5, controlAlt | 0x1)));
    EXPECT_FALSE(platform::KeyboardLayout::isServerActionKeysym(layout.keysymForKeycode(f5, 0x4 | 0x40)));
    EXPECT_FALSE(platform::KeyboardLayout::isServerActionKeysym(layout.keysymForKeycode(layout.keycodeForVirtualKey(0), controlAlt)));
    EXPECT_EQ(layout.keysymForKeycode(0, 0), 0u);
    EXPECT_FALSE(platform::KeyboardLayout::isServerActionKeysym(0));
}

} // namespace

// Modifier glyphs and words, the two flag encodings, and combinations as text.
#include "components/keyrecorder/KRModifierStrings.h"
#include "platform/desktop/KeyboardLayout.h"

#include <gtest/gtest.h>

namespace {

const QString Control(QChar(0x2303));
const QString Option(QChar(0x2325));
const QString Shift(QChar(0x21E7));
const QString Command(QChar(0x2318));

TEST(ModifierStrings, FlagEncodingsTranslateBothWays)
{
    EXPECT_EQ(KRFlagsCarbonToCocoa(0x1300), 0x160000u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x160000), 0x1300u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x100000), 0x100u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x80000), 0x800u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x40000), 0x1000u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x20000), 0x200u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x800000), 0x800000u);
    EXPECT_EQ(KRFlagsCarbonToCocoa(0x800000), 0x800000u);
    // Caps lock and unknown bits are dropped.
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x10000), 0u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0x170000), 0x1300u);
    EXPECT_EQ(KRFlagsCarbonToCocoa(0xffffffffu), 0x9e0000u);
    EXPECT_EQ(KRFlagsCocoaToCarbon(0xffffffffu), 0x801b00u);
    for (quint32 cocoa : {0u, 0x100000u, 0x80000u, 0x40000u, 0x20000u, 0x800000u, 0x9e0000u})
        EXPECT_EQ(KRFlagsCarbonToCocoa(KRFlagsCocoaToCarbon(cocoa)), cocoa);
}

TEST(ModifierStrings, GlyphsInControlOptionShiftCommandOrder)
{
    EXPECT_EQ(KRCocoaFlagsGlyphs(0x1e0000), Control + Option + Shift + Command);
    EXPECT_EQ(KRCocoaFlagsGlyphs(0x120000), Shift + Command);
    EXPECT_EQ(KRCocoaFlagsGlyphs(0), QString());
    EXPECT_EQ(KRCocoaFlagsGlyphs(0x810000), QString());
    EXPECT_EQ(KRCarbonFlagsGlyphs(0x1300), Control + Shift + Command);
    EXPECT_EQ(KRCarbonFlagsGlyphs(0x800), Option);
}

class ComboStrings : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("us"))); }
};

TEST_F(ComboStrings, GlyphsAndKey)
{
    EXPECT_EQ(KRCocoaComboGlyphs(0x140000, 96), Control + Command + QStringLiteral("F5"));
    EXPECT_EQ(KRCarbonComboGlyphs(0x1100, 0), Control + Command + QStringLiteral("A"));
    // No key: only the glyphs (never "(null)").
    EXPECT_EQ(KRCocoaComboGlyphs(0x100000, -1), Command);
    EXPECT_EQ(KRCocoaComboGlyphs(0x100000, 65536), Command);
}

TEST_F(ComboStrings, ReadableWordsInCommandOptionControlShiftOrder)
{
    EXPECT_EQ(KRReadableCocoaCombo(0x120000, 0), QStringLiteral("Command + Shift + A"));
    EXPECT_EQ(KRReadableCocoaCombo(0x1e0000, 96), QStringLiteral("Command + Option + Control + Shift + F5"));
    EXPECT_EQ(KRReadableCarbonCombo(0x1800, 49), QStringLiteral("Option + Control + Space"));
    EXPECT_EQ(KRReadableCocoaCombo(0, 122), QStringLiteral("F1"));
    EXPECT_EQ(KRReadableCocoaCombo(0x40000, -1), QStringLiteral("Control + "));
}

} // namespace

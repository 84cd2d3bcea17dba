// The colour-label table: the exact colours, "no colour" outside 1 to 7,
// the lettering colours, and the one shared instance.
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"

#include <gtest/gtest.h>

namespace {

struct Expected
{
    int red, green, blue;
};

} // namespace

TEST(ColorLabelColors, TableHoldsTheEightColoursExactly)
{
    const QList<QColor> &list = NTXColorLabelColors::sharedVYXColorLabelColors().colorList();
    ASSERT_EQ(list.size(), 8);
    EXPECT_EQ(list.at(0), QColor(Qt::transparent)) << "index 0 is the clear colour";
    EXPECT_EQ(list.at(0).alpha(), 0);
    const Expected table[8] = {{0, 0, 0},      {252, 99, 89},  {246, 170, 62},  {235, 219, 65},
                               {174, 216, 65}, {92, 160, 255}, {194, 138, 217}, {168, 168, 168}};
    for (int i = 1; i <= 7; ++i) {
        const QColor color = list.at(i);
        EXPECT_EQ(color.spec(), QColor::Rgb) << i;
        EXPECT_EQ(color.red(), table[i].red) << i;
        EXPECT_EQ(color.green(), table[i].green) << i;
        EXPECT_EQ(color.blue(), table[i].blue) << i;
        EXPECT_EQ(color.alpha(), 255) << i;
        // each component exactly n/255
        EXPECT_DOUBLE_EQ(color.redF(), float(table[i].red / 255.0)) << i;
        EXPECT_DOUBLE_EQ(color.greenF(), float(table[i].green / 255.0)) << i;
        EXPECT_DOUBLE_EQ(color.blueF(), float(table[i].blue / 255.0)) << i;
        EXPECT_EQ(NTXColorLabelColors::getLabelColorForLabelType(i), color) << i;
        EXPECT_EQ(NTXColorLabelColors::getLabelColorAtindex(i), color) << i;
    }
}

TEST(ColorLabelColors, NoColourForZeroAndOutsideOneToSeven)
{
    for (int type : {0, 8, -1, -7, 100, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        EXPECT_FALSE(NTXColorLabelColors::getLabelColorForLabelType(type).isValid()) << type;
        EXPECT_FALSE(NTXColorLabelColors::getLabelColorAtindex(type).isValid()) << type;
    }
}

TEST(ColorLabelColors, AnswersCopiesOfTheEntries)
{
    QColor copy = NTXColorLabelColors::getLabelColorForLabelType(3);
    copy.setRed(0);
    EXPECT_EQ(NTXColorLabelColors::getLabelColorForLabelType(3), QColor(235, 219, 65));
}

TEST(ColorLabelColors, LetteringIsWhiteOnGreenBluePurpleAndMinusOne)
{
    for (int type = -10; type <= 12; ++type) {
        const bool white = type == -1 || type == 4 || type == 5 || type == 6;
        EXPECT_EQ(NTXColorLabelColors::letteringColorForLabelType(type), white ? QColor(Qt::white) : QColor(Qt::black))
            << type;
    }
}

TEST(ColorLabelColors, OneSharedInstance)
{
    NTXColorLabelColors &first = NTXColorLabelColors::sharedVYXColorLabelColors();
    NTXColorLabelColors &second = NTXColorLabelColors::sharedVYXColorLabelColors();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(&first.colorList(), &second.colorList()) << "colorList is the list itself";
    static_assert(!std::is_copy_constructible_v<NTXColorLabelColors>, "no second table can be made");
    static_assert(!std::is_default_constructible_v<NTXColorLabelColors>, "no second table can be made");
}

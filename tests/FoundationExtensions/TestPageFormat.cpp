#include "FoundationExtensions/NTXMeasurementUnits.h"
#include "FoundationExtensions/NTXPageFormat.h"
#include "platform/document/MenuItemValidation.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

TEST(PageFormat, MenuLayoutAndFinding)
{
    std::unique_ptr<QMenu> withUser(NTXPageFormat::standardPageFormatMenuWithUserDefineEntry(true));
    std::unique_ptr<QMenu> plain(NTXPageFormat::standardPageFormatMenuWithUserDefineEntry(false));
    ASSERT_EQ(withUser->actions().size(), 28 + 4 + 1);
    ASSERT_EQ(plain->actions().size(), 28 + 3);
    QAction *user = withUser->actions().at(32);
    EXPECT_EQ(user->text(), QStringLiteral("User Defined"));
    EXPECT_EQ(platform::MenuItemValidation::tag(user), 28);
    EXPECT_EQ(withUser->actions().at(4)->text(), QStringLiteral("A4"));
    EXPECT_EQ(platform::MenuItemValidation::tag(withUser->actions().at(4)), 4);

    const QSizeF a4 = NTXPageFormat::sizeOfPageStandardFormat(4);
    EXPECT_EQ(float(a4.width()), NTXConvertUnit(3, 0, 210.0f));
    struct Case { QSizeF size; const QMenu *menu; int index; int direction; };
    const Case cases[] = {
        {a4, withUser.get(), 4, 0},
        {a4.transposed(), withUser.get(), 4, 1},
        {QSizeF(100, 100), withUser.get(), 32, 2},
        {QSizeF(100, 100), plain.get(), -1, 2},
        {QSizeF(595, 842), plain.get(), -1, 2},
        {QSizeF(612, 792), plain.get(), 22, 0},
        {QSizeF(144, 252), plain.get(), 30, 1},
    };
    for (const Case &c : cases) {
        int direction = -5;
        EXPECT_EQ(NTXPageFormat::indexOfStandardPageFormatWithSize(c.size, c.menu, &direction), c.index) << c.size.width();
        EXPECT_EQ(direction, c.direction) << c.size.width();
    }
    QMenu empty;
    int direction = -5;
    EXPECT_EQ(NTXPageFormat::indexOfStandardPageFormatWithSize(a4, &empty, &direction), -1);
    EXPECT_EQ(direction, 2);
}

TEST(PageFormat, NamesAndSizesOutsideTheTable)
{
    const QSizeF a4 = NTXPageFormat::sizeOfPageStandardFormat(4);
    EXPECT_EQ(NTXPageFormat::nameForFormatWithSize(a4), QStringLiteral("A4"));
    EXPECT_EQ(NTXPageFormat::nameForFormatWithSize(a4.transposed()), QString());
    EXPECT_EQ(NTXPageFormat::nameForFormatWithSize(QSizeF(595, 842)), QString()) << "sizes compare exactly";
    EXPECT_EQ(NTXPageFormat::nameForFormatWithSize(QSizeF(252, 144)), QStringLiteral("Business Card (America)"));
    EXPECT_EQ(NTXPageFormat::sizeOfPageStandardFormat(27), QSizeF(252, 144));
    for (int index : {-1, 28, 1000, INT_MIN})
        EXPECT_EQ(NTXPageFormat::sizeOfPageStandardFormat(index), QSizeF(0, 0)) << index;
}

// Outline paths, flips, image scaling, title truncation, drag hysteresis and the
// view helpers of the tab bar.
#include "components/tabbarview/KZTabBarButton.h"
#include "components/tabbarview/KZTabBarExtensions.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"

#include <QPainterPath>
#include <gtest/gtest.h>

using namespace KZTabBarViewExtensions;

TEST(TabBarGeometry, CardPathWithoutCapsIsOneLineAndFlipMovesTheCorners)
{
    const QRectF rect(10, 20, 100, 24);
    const QPainterPath plain = bezierPathWithCardInRect(rect, 4, 0);
    ASSERT_EQ(plain.elementCount(), 2);
    EXPECT_EQ(QPointF(plain.elementAt(0)), QPointF(10, 20));
    EXPECT_EQ(QPointF(plain.elementAt(1)), QPointF(110, 20));

    // Rounded corners on the y edge; the flipped path has them on the other edge.
    const unsigned caps = KZCapLeft | KZCapRight;
    const QPainterPath card = bezierPathWithCardInRect(rect, 4, caps);
    const QPainterPath flipped = bezierPathWithCardInRect(rect, 4, caps | KZCapFlipVertical);
    EXPECT_EQ(card.boundingRect(), flipped.boundingRect());
    EXPECT_EQ(card.pointAtPercent(0), QPointF(10, 44));
    EXPECT_EQ(flipped.pointAtPercent(0), QPointF(10, 20));
    EXPECT_TRUE(card.contains(QPointF(60, 21)) || card.intersects(QRectF(55, 19.5, 10, 1)));
    EXPECT_NEAR(flipped.pointAtPercent(0.5).y(), 44, 0.01);

    // The flip maps y' to 2y + h - y'.
    EXPECT_EQ(kz_flipVertical(rect).map(QPointF(3, 25)), QPointF(3, 2 * 20 + 24 - 25));

    const QPainterPath rounded = bezierPathWithRoundedRect(rect, 4, caps | KZCapDrawSides);
    EXPECT_EQ(rounded.boundingRect(), rect);
}

TEST(TabBarGeometry, ImageScaling)
{
    struct Row { QSizeF image, box; unsigned type; QSizeF expected; };
    const Row rows[] = {
        {{32, 16}, {16, 16}, KZImageScaleProportionallyDown, {16, 8}},
        {{32, 16}, {64, 64}, KZImageScaleProportionallyDown, {32, 16}},
        {{32, 16}, {64, 64}, KZImageScaleProportionallyUpOrDown, {64, 32}},
        {{32, 16}, {10, 50}, KZImageScaleAxesIndependently, {10, 50}},
        {{32, 16}, {10, 50}, KZImageScaleNone, {32, 16}},
        {{0, 16}, {10, 50}, KZImageScaleProportionallyUpOrDown, {0, 0}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(kz_scaleImageWithSize(row.image, row.box, row.type), row.expected) << row.type;
}

TEST(TabBarGeometry, TruncationAtSixty)
{
    const QString fiftyNine(59, QLatin1Char('a'));
    EXPECT_EQ(stringByTruncatingToLength(fiftyNine, 60), fiftyNine);
    const QString truncated = stringByTruncatingToLength(fiftyNine + QLatin1Char('b'), 60);
    EXPECT_EQ(truncated.size(), 51);
    EXPECT_EQ(truncated, QString(50, QLatin1Char('a')) + QChar(0x2026));

    // A pair of surrogates at the cut is kept whole or dropped whole.
    QString emoji(49, QLatin1Char('x'));
    emoji += QString::fromUcs4(U"\U0001F600") + QString(20, QLatin1Char('y'));
    const QString cut = stringByTruncatingToLength(emoji, 60);
    EXPECT_EQ(cut, QString(49, QLatin1Char('x')) + QChar(0x2026));
    EXPECT_FALSE(cut.at(cut.size() - 2).isHighSurrogate());
}

TEST(TabBarGeometry, HysteresisAnswersOnTheFifthPointAndNoOnRelease)
{
    KZTabBarExtensions::DragHysteresis wait;
    wait.start(QPointF(100, 10));
    EXPECT_EQ(wait.mouseMoved(QPointF(104, 10)), std::nullopt);
    EXPECT_EQ(wait.mouseMoved(QPointF(100, 6)), std::nullopt);
    EXPECT_FALSE(wait.mouseReleased());
    EXPECT_EQ(wait.decision(), false);

    wait.start(QPointF(100, 10));
    EXPECT_EQ(wait.mouseMoved(QPointF(103, 13)), std::nullopt);
    EXPECT_EQ(wait.mouseMoved(QPointF(95, 12)), true);
    EXPECT_TRUE(wait.mouseReleased()); // decided already
}

TEST(TabBarGeometry, EnclosingViewsNeverTheViewItself)
{
    KZTabBarView bar;
    auto *button = new KZTabBarButton(&bar);
    auto *inner = new QWidget(button);
    EXPECT_EQ(KZTabBarExtensions::enclosingTabBarView(inner), &bar);
    EXPECT_EQ(KZTabBarExtensions::enclosingTabBarButton(inner), button);
    EXPECT_EQ(KZTabBarExtensions::enclosingTabBarButton(button), nullptr);
    EXPECT_EQ(KZTabBarExtensions::enclosingTabBarView(&bar), nullptr);

    auto *other = new QWidget(&bar);
    KZTabBarExtensions::orderFront(button);
    EXPECT_EQ(bar.children().last(), button);
    Q_UNUSED(other);
}

TEST(TabBarGeometry, TabViewItemPropertiesDefaultToEmpty)
{
    const auto item = platform::TabViewItem::create();
    EXPECT_FALSE(isProcessing(*item));
    EXPECT_EQ(objectCount(*item), 0);
    EXPECT_FALSE(hasCloseButton(*item));
    EXPECT_TRUE(icon(*item).isNull());
    EXPECT_TRUE(item->hasKey(QStringLiteral("objectCount")));
    setObjectCount(*item, 4);
    setIsEdited(*item, true);
    EXPECT_EQ(item->valueForKey(QStringLiteral("objectCount")).toInt(), 4);
    EXPECT_TRUE(isEdited(*item));
}

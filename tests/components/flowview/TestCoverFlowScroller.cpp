#include "components/flowview/NTXCoverFlowScroller.h"

#include <QImage>
#include <gtest/gtest.h>

using Part = platform::Scroller::Part;

namespace {

bool drawsAnything(NTXCoverFlowScroller &scroller)
{
    QImage image(scroller.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    scroller.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

TEST(CoverFlowScroller, KnobGeometryAndValueWithFourIncrements)
{
    NTXCoverFlowScroller scroller;
    scroller.resize(400, 16);
    scroller.setNumberOfIncrements(4);
    EXPECT_DOUBLE_EQ(scroller.knobProportion(), 0.2);
    EXPECT_DOUBLE_EQ(scroller.knobTrack().width(), 358);
    const QRectF first = scroller.rectForPart(Part::Knob);
    EXPECT_NEAR(first.width(), 71.6, 1e-9);
    EXPECT_NEAR(first.x(), 21, 1e-9);
    scroller.setIntegerValue(4);
    EXPECT_NEAR(scroller.rectForPart(Part::Knob).x(), 307.4, 1e-9);
    scroller.setIntegerValue(2);
    EXPECT_DOUBLE_EQ(scroller.doubleValue(), 0.51);
    EXPECT_EQ(scroller.integerValue(), 2);
    EXPECT_TRUE(drawsAnything(scroller));
}

TEST(CoverFlowScroller, EveryValueReadsBackWithManyIncrements)
{
    NTXCoverFlowScroller scroller;
    scroller.resize(400, 16);
    scroller.setNumberOfIncrements(150);
    for (int value = 0; value <= 150; ++value) {
        scroller.setIntegerValue(value);
        ASSERT_EQ(scroller.integerValue(), value);
        ASSERT_LE(scroller.doubleValue(), 1.0);
    }
    EXPECT_NEAR(scroller.rectForPart(Part::Knob).right(), 379, 1e-9);
}

TEST(CoverFlowScroller, HitTestingLeavesTheSlotOut)
{
    NTXCoverFlowScroller scroller;
    scroller.resize(400, 16);
    scroller.setNumberOfIncrements(4);
    scroller.setIntegerValue(0);
    const struct
    {
        QPointF point;
        Part part;
    } cases[] = {
        {{4, 8}, Part::DecrementLine}, {{396, 8}, Part::IncrementLine}, {{50, 8}, Part::Knob},
        {{250, 8}, Part::None}, // the slot beside the knob
    };
    for (const auto &c : cases)
        EXPECT_EQ(scroller.testPart(c.point), c.part) << c.point.x();
}

TEST(CoverFlowScroller, NoIncrementsDrawNothingAndDivideNothing)
{
    NTXCoverFlowScroller scroller;
    scroller.resize(400, 16);
    scroller.setNumberOfIncrements(0);
    scroller.setIntegerValue(3);
    EXPECT_EQ(scroller.knobProportion(), 1.0);
    EXPECT_EQ(scroller.doubleValue(), 0.0);
    EXPECT_EQ(scroller.integerValue(), 0);
    EXPECT_NEAR(scroller.rectForPart(Part::Knob).x(), 21, 1e-9);
    EXPECT_FALSE(drawsAnything(scroller));
}

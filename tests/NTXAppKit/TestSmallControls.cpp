// The rounded box's title bar, the split-pane resize button, the fraction-to-percent
// transformer and the auto-complete field.
#include "NTXAppKit/NTX0_1to0_100ValueTransformer/NTX0_1to0_100ValueTransformer.h"
#include "NTXAppKit/NTXAutoCompleteTextField/NTXAutoCompleteTextField.h"
#include "NTXAppKit/NTXRoundedBox/NTXRoundedBox.h"
#include "NTXAppKit/NTXSplitSubviewResizeButton/NTXSplitSubviewResizeButton.h"
#include "components/splitview/ZQSplitView.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QTest>

#include <gtest/gtest.h>

TEST(SmallControls, RoundedBoxTabOrFullBar)
{
    NTXRoundedBox box;
    box.setTitle(QStringLiteral("Title"));
    const auto barWidth = [&box] {
        return box.titlePathWithinRect(box.outlineRect(), NTXRoundedBox::CornerRadius, box.titleRect())
            .boundingRect()
            .width();
    };
    box.resize(300, 80);
    const QRectF title = box.titleRect();
    const QRectF outline = box.outlineRect();
    ASSERT_GE(outline.width() - title.width(), 20);
    EXPECT_NEAR(barWidth(), std::trunc(title.width() + 2 * (title.x() - outline.x())), 0.01)
        << "a tab just wide enough, with equal margins";
    box.setDrawsFullTitleBar(true);
    EXPECT_NEAR(barWidth(), outline.width(), 0.01);
    box.setDrawsFullTitleBar(false);
    // narrow: less than 20 beside the title
    box.resize(int(title.width()) + 20, 80);
    ASSERT_LT(box.outlineRect().width() - box.titleRect().width(), 20);
    EXPECT_NEAR(barWidth(), box.outlineRect().width(), 0.01);
    box.setTitle(QString());
    EXPECT_EQ(box.titleRect().height(), 0) << "an empty title draws the bar alone";
}

namespace {

struct PaneWithButton
{
    PaneWithButton()
        : view(QRectF(0, 0, 409, 100))
    {
        view.setDividerThickness(9);
        pane = new ZQSplitSubview(QRectF(0, 0, 200, 100));
        view.addSubview(pane);
        view.addSubview(new ZQSplitSubview(QRectF(0, 0, 200, 100)));
        pane->setMinDimension(50, 350);
        view.adjustSubviews();
        button = new NTXSplitSubviewResizeButton(pane);
        button->setGeometry(170, 80, 20, 20);
        button->awakeFromNib();
        view.show();
    }
    void drag(const std::vector<int> &steps)
    {
        QPoint at(10, 10);
        QTest::mousePress(button, Qt::LeftButton, {}, at);
        for (int step : steps) {
            at.rx() += step;
            QMouseEvent move(QEvent::MouseMove, at, button->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
            QCoreApplication::sendEvent(button, &move);
        }
        QTest::mouseRelease(button, Qt::LeftButton, {}, at);
    }
    ZQSplitView view;
    ZQSplitSubview *pane;
    NTXSplitSubviewResizeButton *button;
};

} // namespace

TEST(SmallControls, ResizeButtonDragsItsPane)
{
    PaneWithButton setUp;
    EXPECT_EQ(setUp.button->cell()->imagePosition(), platform::Cell::ImagePosition::ImageRight) << "first pane";
    EXPECT_EQ(setUp.pane->dimension(), 200);
    setUp.drag({});
    EXPECT_EQ(setUp.pane->dimension(), 200) << "a click without a drag";
    setUp.drag({30});
    EXPECT_EQ(setUp.pane->dimension(), 230) << "every movement counts once";
    setUp.drag({10, -5, 15});
    EXPECT_EQ(setUp.pane->dimension(), 250);
    setUp.drag({-190, -30});
    EXPECT_EQ(setUp.pane->dimension(), 60) << "past the minimum it stays: it may not collapse";
    setUp.pane->setCanCollapse(true);
    setUp.drag({-30, 100});
    EXPECT_TRUE(setUp.pane->isCollapsed()) << "collapsed, and the rest of the drag does nothing";
}

TEST(SmallControls, FractionsToPercentages)
{
    NTX0_1to0_100ValueTransformer::registerShared();
    const auto transformer = platform::ValueTransformer::valueTransformerForName(NTX0_1to0_100ValueTransformer::Name);
    ASSERT_TRUE(transformer);
    EXPECT_EQ(transformer->transformedValue(0.25).toFloat(), 25.0f);
    EXPECT_EQ(transformer->reverseTransformedValue(25).toFloat(), 0.25f);
    EXPECT_EQ(transformer->transformedValue(QVariant()).toFloat(), 0.0f);
    EXPECT_TRUE(transformer->allowsReverseTransformation());
}

TEST(SmallControls, CompletionAfterLettersAndUpOnly)
{
    QWidget window;
    NTXAutoCompleteTextField field(&window);
    field.setCompletionWords({QStringLiteral("chronark"), QStringLiteral("chrome"), QStringLiteral("time")});
    window.show();
    field.setFocus();
    QAbstractItemView *popup = field.completer()->popup();
    const auto opensAfter = [&](Qt::Key key) {
        popup->hide();
        field.setText(QStringLiteral("a chr"));
        QTest::keyRelease(&field, key);
        return popup->isVisible();
    };
    EXPECT_TRUE(opensAfter(Qt::Key_R));
    EXPECT_EQ(field.completer()->completionCount(), 2);
    EXPECT_TRUE(opensAfter(Qt::Key_Up));
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left, Qt::Key_Right})
        EXPECT_FALSE(opensAfter(key)) << key;
    popup->hide();
}

// Divider pixels and cursor rectangles, offscreen; coordinates are the split view's (y-down).
#include "SplitViewTestSupport.h"

#include <QPixmap>

#include <gtest/gtest.h>

using namespace splitviewtest;

namespace {

const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);

QImage solid(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QImage picture(ZQSplitView &view)
{
    view.adjustSubviews();
    return view.grab().toImage();
}

class HidingDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE QRectF splitViewWillDrawDividerInRectBetweenViewAndViewWithProposedRect(ZQSplitView *, QRectF,
                                                                                       ZQSplitSubview *,
                                                                                       ZQSplitSubview *, QRectF)
    {
        return QRectF();
    }
};

TEST(SplitViewDrawing, ImageIsCentredWithItsOriginFloored)
{
    auto view = makeSplitView({100, 100}, 10);
    view->setBackground(Blue);
    view->setDivider(solid(5, 21, Red));
    view->setDividerThickness(10);
    const QImage image = picture(*view);
    // Divider (100, 0, 10, 100): the image goes to (102.5, 39.5) floored.
    struct Probe { int x, y; QColor colour; };
    for (const Probe p : {Probe{102, 39, Red}, Probe{106, 59, Red}, Probe{101, 39, Blue}, Probe{107, 39, Blue},
                          Probe{102, 38, Blue}, Probe{102, 60, Blue}, Probe{50, 50, Blue}})
        EXPECT_EQ(image.pixelColor(p.x, p.y), p.colour) << p.x << "," << p.y;

    HidingDelegate hiding;
    view->setDelegate(&hiding);
    const QImage hidden = picture(*view);
    EXPECT_EQ(hidden.pixelColor(102, 39), Blue);
    EXPECT_EQ(hidden.pixelColor(105, 50), Blue);
}

TEST(SplitViewDrawing, CoupledNestedDividersRunThroughTheParentsDivider)
{
    auto view = makeSplitView({100, 100}, 10, false, 210);
    view->setBackground(Blue);
    view->setDivider(solid(10, 4, Red));
    auto *nested = new ZQSplitView(QRectF(0, 0, 100, 210));
    nested->addSubview(new ZQSplitSubview(QRectF(0, 0, 100, 50)));
    nested->addSubview(new ZQSplitSubview(QRectF(0, 0, 100, 156)));
    view->addSubview(nested);
    view->subviewAtPosition(1)->hide();
    const QImage image = picture(*view);
    ASSERT_EQ(nested->dividerThickness(), 4);
    ASSERT_EQ(nested->dividerRects().value(0), QRectF(0, 50, 100, 4));
    EXPECT_EQ(image.pixelColor(105, 52), Red);  // the nested divider, carried on
    EXPECT_EQ(image.pixelColor(105, 105), Blue); // not the parent's own image
    EXPECT_EQ(image.pixelColor(160, 52), Red);  // the nested divider's own image, centred

    // Where they meet the pointer shows the open hand, elsewhere the left-right arrows.
    const platform::CursorRects &rects = view->cursorRects();
    ASSERT_NE(rects.cursorAt(QPointF(105, 52)), nullptr);
    EXPECT_EQ(rects.cursorAt(QPointF(105, 52))->shape(), Qt::OpenHandCursor);
    EXPECT_EQ(rects.cursorAt(QPointF(105, 150))->shape(), Qt::SplitHCursor);
}

TEST(SplitViewDrawing, CursorsFollowTheOrientationAndCanBeReplaced)
{
    for (const bool horizontal : {false, true}) {
        auto view = makeSplitView({100, 100}, 10, horizontal);
        EXPECT_TRUE(view->cursorRects().isEmpty()); // no image, no cursor
        view->setDivider(solid(10, 10, Red));
        view->adjustSubviews();
        const QCursor *cursor = view->cursorRects().cursorAt(QPointF(horizontal ? 50 : 105, horizontal ? 105 : 50));
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(cursor->shape(), horizontal ? Qt::SplitVCursor : Qt::SplitHCursor);
    }
    ZQSplitView::setCursor(1, QCursor(Qt::CrossCursor));
    ZQSplitView::setCursor(7, QCursor(Qt::WaitCursor));
    EXPECT_EQ(ZQSplitView::cursor(1).shape(), Qt::CrossCursor);
    EXPECT_EQ(ZQSplitView::cursor(3).shape(), Qt::ClosedHandCursor);
    EXPECT_NE(ZQSplitView::cursor(7).shape(), Qt::WaitCursor);
    ZQSplitView::setCursor(1, QCursor(Qt::SplitHCursor));
}

} // namespace

#include "TestSplitViewDrawing.moc"

// On a real X server: dividers dragged and double-clicked with XTEST pointer events
// (xdotool). Positions are global screen pixels; sizes are in the split view's space.
#include "tests/support/TestSupport.h"
#include "platform/drawing/WindowBackgroundDrag.h"
#include "tests/components/splitview/SplitViewTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

using namespace splitviewtest;

namespace {

QImage grip(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(90, 90, 90));
    return image;
}

class WindowDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE bool splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow(ZQSplitView *, uint,
                                                                                     ZQSplitSubview *,
                                                                                     ZQSplitSubview *, bool)
    {
        return true;
    }
};

// Assigns divider 0 to the top strip of every pane.
class StripDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE uint splitViewDividerForPointInSubview(ZQSplitView *, QPointF point, ZQSplitSubview *)
    {
        return point.y() < 20 ? 0u : ~0u; // all bits: no divider
    }
};

class SplitViewMouse : public ::testing::Test
{
protected:
    void show(ZQSplitView &view, QPoint at = QPoint(60, 60))
    {
        view.move(at);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.adjustSubviews();
    }

    // Runs the pointer steps and waits until they are done and the events are in.
    void pointer(const QStringList &steps)
    {
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is needed for the pointer events";
        QProcess process;
        process.start(xdotool, steps);
        ASSERT_TRUE(process.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 15000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        QApplication::sync();
    }

    // Press at from, move there in a few steps, release.
    void drag(QPoint from, QPoint to)
    {
        QStringList steps{"mousemove", num(from.x()), num(from.y()), "sleep", "0.1", "mousedown", "1"};
        for (int i = 1; i <= 4; ++i) {
            const QPoint p = from + (to - from) * i / 4;
            steps << "sleep" << "0.05" << "mousemove" << num(p.x()) << num(p.y());
        }
        steps << "sleep" << "0.1" << "mouseup" << "1";
        pointer(steps);
    }

    static QString num(int v) { return QString::number(v); }

    // Waits for the view to settle on a condition.
    static bool settles(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, 5000); }

    QPoint dividerPoint(ZQSplitView &view, unsigned i, qreal crossFraction = 0.5)
    {
        const QRectF r = view.dividerRects().at(i);
        const QPointF local(r.x() + (view.isHorizontal() ? r.width() * crossFraction : r.width() / 2),
                            r.y() + (view.isHorizontal() ? r.height() / 2 : r.height() * crossFraction));
        return view.mapToGlobal(local.toPoint());
    }
};

TEST_F(SplitViewMouse, DraggingCollapsesAndReExpandsANeighbour)
{
    auto view = makeSplitView({200, 200, 200}, 9);
    view->setDivider(grip(9, 30));
    ZQSplitSubview *middle = view->subviewAtPosition(1);
    middle->setMinDimension(100, 0);
    middle->setCanCollapse(true);
    show(*view);
    const QPoint start = dividerPoint(*view, 0);
    drag(start, start + QPoint(170, 0));
    ASSERT_TRUE(settles([&] { return middle->isCollapsed(); }));
    EXPECT_EQ(along(*view, 0), 400);
    EXPECT_FALSE(view->isDragging());

    const QPoint back = dividerPoint(*view, 0);
    drag(back, back - QPoint(80, 0));
    ASSERT_TRUE(settles([&] { return !middle->isCollapsed(); }));
    EXPECT_EQ(along(*view, 1), 100);
    EXPECT_EQ(along(*view, 0), 300);
}

TEST_F(SplitViewMouse, APaneAtItsMinimumPushesTheNext)
{
    auto view = makeSplitView({200, 200, 200}, 9);
    view->setDivider(grip(9, 30));
    view->subviewAtPosition(1)->setMinDimension(150, 0);
    show(*view);
    const QPoint start = dividerPoint(*view, 0);
    drag(start, start + QPoint(100, 0));
    ASSERT_TRUE(settles([&] { return along(*view, 0) == 300; }));
    EXPECT_EQ(along(*view, 1), 150);
    EXPECT_EQ(along(*view, 2), 150);
}

TEST_F(SplitViewMouse, DoubleClicksCollapseTheSmallerAndExpandAgain)
{
    auto view = makeSplitView({300, 120}, 9);
    view->setDivider(grip(9, 30));
    view->subviewAtPosition(0)->setCanCollapse(true);
    view->subviewAtPosition(1)->setCanCollapse(true);
    show(*view);
    const QPoint at = dividerPoint(*view, 0);
    pointer({"mousemove", num(at.x()), num(at.y()), "sleep", "0.1", "click", "--repeat", "2", "--delay", "80", "1"});
    ASSERT_TRUE(settles([&] { return view->subviewAtPosition(1)->isCollapsed(); }));
    EXPECT_EQ(along(*view, 0), 420);

    const QPoint again = dividerPoint(*view, 0);
    pointer({"mousemove", num(again.x()), num(again.y()), "sleep", "0.6", "click", "--repeat", "2", "--delay", "80",
             "1"});
    ASSERT_TRUE(settles([&] { return !view->subviewAtPosition(1)->isCollapsed(); }));
    EXPECT_EQ(along(*view, 1), 120);
}

TEST_F(SplitViewMouse, WithoutDividerImageNothingReacts)
{
    auto view = makeSplitView({200, 200}, 9);
    show(*view);
    const QPoint start = dividerPoint(*view, 0);
    drag(start, start + QPoint(60, 0));
    testsupport::settleEvents();
    EXPECT_EQ(along(*view, 0), 200);
    EXPECT_FALSE(view->isDragging());
    EXPECT_TRUE(view->cursorRects().isEmpty());
}

TEST_F(SplitViewMouse, WindowGrowsUpToItsMaximumAndTheScreen)
{
    WindowDelegate allow;
    auto view = makeSplitView({200, 200}, 9);
    view->setDivider(grip(9, 30));
    view->setDelegate(&allow);
    view->setMaximumWidth(409 + 50);
    show(*view);
    QPoint start = dividerPoint(*view, 0);
    drag(start, start + QPoint(120, 0));
    ASSERT_TRUE(settles([&] { return view->width() == 459; }));
    EXPECT_EQ(along(*view, 0), 250);
    EXPECT_EQ(along(*view, 1), 200);

    // Near the screen's right edge only the room up to it is taken.
    auto edge = makeSplitView({200, 200}, 9);
    edge->setDivider(grip(9, 30));
    edge->setDelegate(&allow);
    const QRect screen = edge->screen()->availableGeometry();
    show(*edge, QPoint(screen.right() + 1 - 409 - 30, 80));
    ASSERT_TRUE(settles([&] { return edge->geometry().right() == screen.right() - 30; }));
    start = dividerPoint(*edge, 0);
    drag(start, start + QPoint(100, 0));
    ASSERT_TRUE(settles([&] { return edge->width() == 439; }));
    EXPECT_EQ(along(*edge, 0), 230);
}

TEST_F(SplitViewMouse, CoupledNestedDividersMoveTogether)
{
    auto view = makeSplitView({200, 200}, 9, false, 209);
    view->setDivider(grip(9, 9));
    ZQSplitView *nested[2];
    for (int side = 0; side < 2; ++side) {
        nested[side] = new ZQSplitView(QRectF(0, 0, 200, 209), 2);
        view->addSubview(nested[side]);
        view->subviewAtPosition(unsigned(side))->hide();
    }
    show(*view);
    ASSERT_EQ(nested[0]->dividerRects().value(0), QRectF(0, 100, 200, 9));
    // The crossing of the three dividers.
    const QPoint crossing = view->mapToGlobal(QPoint(204, 104));
    drag(crossing, crossing + QPoint(30, 20));
    ASSERT_TRUE(settles([&] { return along(*view, 2) == 230; }));
    EXPECT_EQ(nested[0]->dividerRects().value(0).y(), 120);
    EXPECT_EQ(nested[1]->dividerRects().value(0).y(), 120);
}

TEST_F(SplitViewMouse, TheCursorOverADividerFollowsTheOrientation)
{
    for (const bool horizontal : {false, true}) {
        auto view = makeSplitView({150, 150}, 9, horizontal, 200);
        view->setDivider(grip(9, 9));
        show(*view);
        const QPoint over = dividerPoint(*view, 0);
        pointer({"mousemove", num(over.x() - 40), num(over.y() - 40), "sleep", "0.1", "mousemove", num(over.x()),
                 num(over.y())});
        ASSERT_TRUE(settles([&] { return view->testAttribute(Qt::WA_SetCursor); }));
        EXPECT_EQ(view->QWidget::cursor().shape(), horizontal ? Qt::SplitVCursor : Qt::SplitHCursor);
    }
}

TEST_F(SplitViewMouse, ADividerTheDelegateAssignsInsideAPaneDrags)
{
    StripDelegate strips;
    auto view = makeSplitView({200, 200}, 9);
    view->setDivider(grip(9, 30));
    view->setDelegate(&strips);
    show(*view);
    ZQSplitSubview *second = view->subviewAtPosition(1);
    // Below the strip the pane is only a pane.
    QPoint start = second->mapToGlobal(QPoint(100, 60));
    drag(start, start + QPoint(60, 0));
    testsupport::settleEvents();
    EXPECT_EQ(along(*view, 0), 200);
    start = second->mapToGlobal(QPoint(100, 10));
    drag(start, start + QPoint(60, 0));
    ASSERT_TRUE(settles([&] { return along(*view, 0) == 260; }));
    EXPECT_EQ(along(*view, 1), 140);
    EXPECT_FALSE(view->isDragging());
    EXPECT_EQ(second->actDivider(), ZQSplitSubview::NotFound);
}

TEST_F(SplitViewMouse, ADividerStripOverAChildWidgetDragsInsteadOfPressingIt)
{
    StripDelegate strips;
    auto view = makeSplitView({200, 200}, 9);
    view->setDivider(grip(9, 30));
    view->setDelegate(&strips);
    ZQSplitSubview *second = view->subviewAtPosition(1);
    // A button fills the strip, a text field sits inside a box in it, another button below.
    auto *inStrip = new QPushButton(QStringLiteral("In the strip"), second);
    inStrip->setGeometry(0, 0, 120, 20);
    auto *box = new QWidget(second);
    box->setGeometry(120, 0, 80, 20);
    auto *field = new QLineEdit(box);
    field->setGeometry(0, 0, 80, 20);
    auto *below = new QPushButton(QStringLiteral("Below"), second);
    below->setGeometry(0, 50, 120, 24);
    int stripClicks = 0, belowClicks = 0;
    QObject::connect(inStrip, &QPushButton::clicked, [&] { ++stripClicks; });
    QObject::connect(below, &QPushButton::clicked, [&] { ++belowClicks; });
    show(*view);

    QPoint start = inStrip->mapToGlobal(QPoint(60, 10));
    drag(start, start + QPoint(60, 0));
    ASSERT_TRUE(settles([&] { return along(*view, 0) == 260; }));
    EXPECT_EQ(along(*view, 1), 140);
    EXPECT_EQ(stripClicks, 0);
    EXPECT_FALSE(inStrip->isDown());
    EXPECT_FALSE(view->isDragging());

    // A grandchild in the strip drags too (back to where it was).
    start = field->mapToGlobal(QPoint(10, 10));
    drag(start, start - QPoint(60, 0));
    ASSERT_TRUE(settles([&] { return along(*view, 0) == 200; }));

    // Outside the strip the button takes its click and nothing moves.
    start = below->mapToGlobal(QPoint(60, 12));
    pointer({"mousemove", num(start.x()), num(start.y()), "sleep", "0.1", "click", "1"});
    ASSERT_TRUE(settles([&] { return belowClicks == 1; }));
    EXPECT_EQ(along(*view, 0), 200);
}

TEST_F(SplitViewMouse, AsADocumentViewTheSplitViewItselfGrowsAndShrinks)
{
    QScrollArea area;
    area.resize(300, 150);
    auto view = makeSplitView({200, 200}, 9);
    view->setDivider(grip(9, 30));
    ZQSplitView *split = view.release();
    area.setWidget(split);
    ASSERT_TRUE(split->isInScrollView());
    area.move(60, 60);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    QPoint start = dividerPoint(*split, 0);
    drag(start, start + QPoint(60, 0));
    ASSERT_TRUE(settles([&] { return along(*split, 0) == 260; }));
    EXPECT_EQ(along(*split, 1), 200);
    EXPECT_EQ(split->width(), 469);
    start = dividerPoint(*split, 0);
    drag(start, start - QPoint(100, 0));
    ASSERT_TRUE(settles([&] { return along(*split, 0) == 160; }));
    EXPECT_EQ(along(*split, 1), 200);
    EXPECT_EQ(split->width(), 369);
}

TEST_F(SplitViewMouse, APaneBackgroundMovesAMovableWindow)
{
    struct Case
    {
        bool movable;
        bool background;
        bool moves;
    };
    for (const Case c : {Case{true, false, true}, Case{false, false, false}, Case{true, true, false}}) {
        SCOPED_TRACE(testing::Message() << "movable " << c.movable << " background " << c.background);
        auto view = makeSplitView({200, 200}, 9);
        view->setDivider(grip(9, 30));
        if (c.background)
            view->setBackground(QColor(200, 210, 220));
        platform::WindowBackgroundDrag::setMovableByWindowBackground(view.get(), c.movable);
        show(*view, QPoint(80, 80));
        ASSERT_TRUE(settles([&] { return view->pos() == QPoint(80, 80); }));
        const QPoint start = view->subviewAtPosition(0)->mapToGlobal(QPoint(100, 50));
        drag(start, start + QPoint(40, 30));
        if (c.moves)
            EXPECT_TRUE(settles([&] { return view->pos() == QPoint(120, 110); })) << view->pos().x();
        else
            EXPECT_EQ(view->pos(), QPoint(80, 80));
        EXPECT_EQ(along(*view, 0), 200);
    }
}

} // namespace

#include "TestSplitViewMouseX11.moc"

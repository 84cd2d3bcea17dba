// The cell base: values, state, attributes, layout, copies, actions and drawing.
#include "platform/drawing/Cell.h"
#include "platform/drawing/BundleImages.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using platform::Cell;

namespace {

class ActionTarget : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
    QObject *lastSender = nullptr;
    Q_INVOKABLE void cellClicked(QObject *sender)
    {
        ++calls;
        lastSender = sender;
    }
};

int countPixelsDifferentFrom(const QImage &image, QRgb ground)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != ground;
    return count;
}

} // namespace

TEST(Cell, ValueAccessorsConvertBetweenTextAndNumbers)
{
    Cell cell;
    EXPECT_FALSE(cell.hasValidObjectValue());
    EXPECT_EQ(cell.stringValue(), QString());
    EXPECT_EQ(cell.intValue(), 0);

    cell.setStringValue(QStringLiteral("12.75abc"));
    EXPECT_EQ(cell.intValue(), 12);
    EXPECT_DOUBLE_EQ(cell.doubleValue(), 12.75);
    EXPECT_FLOAT_EQ(cell.floatValue(), 12.75f);

    cell.setStringValue(QStringLiteral("abc"));
    EXPECT_EQ(cell.intValue(), 0);

    cell.setDoubleValue(2.5);
    EXPECT_EQ(cell.stringValue(), QStringLiteral("2.5"));
    cell.setIntValue(-7);
    EXPECT_EQ(cell.stringValue(), QStringLiteral("-7"));
    EXPECT_DOUBLE_EQ(cell.doubleValue(), -7.0);

    cell.setStringValue(QStringLiteral("1e400"));
    EXPECT_EQ(cell.intValue(), 0) << "an overflowing number reads as 0";
}

TEST(Cell, StateCyclesAndMixedNeedsPermission)
{
    Cell cell;
    EXPECT_EQ(cell.state(), Cell::State::Off);
    cell.setState(Cell::State::Mixed);
    EXPECT_EQ(cell.state(), Cell::State::On) << "mixed is on without the mixed state allowed";
    cell.setStateValue(0);
    EXPECT_EQ(cell.state(), Cell::State::Off);
    cell.setStateValue(42);
    EXPECT_EQ(cell.state(), Cell::State::On);

    // two states: on <-> off
    EXPECT_EQ(cell.nextState(), Cell::State::Off);
    cell.setNextState();
    EXPECT_EQ(cell.nextState(), Cell::State::On);

    // three states: on -> off -> mixed -> on
    cell.setAllowsMixedState(true);
    cell.setState(Cell::State::On);
    cell.setNextState();
    EXPECT_EQ(cell.state(), Cell::State::Off);
    cell.setNextState();
    EXPECT_EQ(cell.state(), Cell::State::Mixed);
    cell.setNextState();
    EXPECT_EQ(cell.state(), Cell::State::On);
}

TEST(Cell, BezelAndBorderExcludeEachOtherAndShrinkTheDrawingRect)
{
    Cell cell(QStringLiteral("x"));
    const QRectF bounds(0, 0, 100, 20);
    EXPECT_EQ(cell.drawingRectForBounds(bounds), bounds);
    cell.setBordered(true);
    EXPECT_EQ(cell.drawingRectForBounds(bounds), QRectF(1, 1, 98, 18));
    cell.setBezeled(true);
    EXPECT_FALSE(cell.isBordered());
    EXPECT_EQ(cell.drawingRectForBounds(bounds), QRectF(3, 3, 94, 14));
    cell.setBordered(true);
    EXPECT_FALSE(cell.isBezeled());
}

TEST(Cell, TitleMakesRoomForTheImage)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    Cell cell(QStringLiteral("Title"));
    const QRectF bounds(0, 0, 200, 20);
    const QRectF plainTitle = cell.titleRectForBounds(bounds);
    EXPECT_TRUE(cell.imageRectForBounds(bounds).isEmpty());

    cell.setImage(QIcon(pixmap));
    const QRectF image = cell.imageRectForBounds(bounds);
    const QRectF title = cell.titleRectForBounds(bounds);
    EXPECT_EQ(image.size(), QSizeF(16, 16));
    EXPECT_GT(title.left(), image.right());
    EXPECT_LT(title.width(), plainTitle.width());

    cell.setImagePosition(Cell::ImagePosition::ImageRight);
    EXPECT_LT(cell.titleRectForBounds(bounds).right(), cell.imageRectForBounds(bounds).left());

    // the size grows with the image
    Cell textOnly(QStringLiteral("Title"));
    EXPECT_GT(cell.cellSize().width(), textOnly.cellSize().width());

    // A picture drawn in code (which could be drawn at any size) keeps the size it
    // was made at.
    ASSERT_TRUE(platform::BundleImages::registerImage(QStringLiteral("TestCell"), QStringLiteral("Mark"), QSizeF(12, 10),
                                                      [](QPainter &painter, const QSizeF &size) {
                                                          painter.fillRect(QRectF(QPointF(), size), Qt::blue);
                                                      }));
    cell.setImage(platform::BundleImages::imageNamed(QStringLiteral("TestCell"), QStringLiteral("Mark")));
    cell.setImagePosition(Cell::ImagePosition::ImageOnly);
    EXPECT_EQ(cell.imageRectForBounds(QRectF(0, 0, 200, 200)).size(), QSizeF(12, 10));
}

TEST(Cell, CellSizeFollowsFontAndControlSize)
{
    Cell regular(QStringLiteral("A longer title"));
    Cell small(QStringLiteral("A longer title"));
    small.setControlSize(Cell::ControlSize::Small);
    EXPECT_LT(small.font().pointSizeF(), regular.font().pointSizeF());
    EXPECT_LE(small.cellSize().width(), regular.cellSize().width());
    QFont big = regular.font();
    big.setPointSizeF(big.pointSizeF() * 2);
    regular.setFont(big);
    EXPECT_GT(regular.cellSize().height(), small.cellSize().height());
}

TEST(Cell, CloneCopiesEverySettingAndIsIndependent)
{
    ActionTarget target;
    Cell cell(QStringLiteral("Value"));
    cell.setTag(7);
    cell.setEditable(true);
    cell.setBezeled(true);
    cell.setAlignment(Qt::AlignRight);
    cell.setRepresentedObject(QStringLiteral("represented"));
    cell.setTarget(&target);
    cell.setAction("cellClicked:");
    cell.setState(Cell::State::On);

    std::unique_ptr<Cell> copy = cell.clone();
    EXPECT_EQ(copy->stringValue(), QStringLiteral("Value"));
    EXPECT_EQ(copy->tag(), 7);
    EXPECT_TRUE(copy->isEditable());
    EXPECT_TRUE(copy->isBezeled());
    EXPECT_EQ(copy->alignment(), Qt::AlignRight);
    EXPECT_EQ(copy->representedObject(), QVariant(QStringLiteral("represented")));
    EXPECT_EQ(copy->target(), &target);
    EXPECT_EQ(copy->action(), QByteArray("cellClicked:"));
    EXPECT_EQ(copy->state(), Cell::State::On);

    copy->setStringValue(QStringLiteral("Changed"));
    EXPECT_EQ(cell.stringValue(), QStringLiteral("Value"));
}

TEST(Cell, SendActionReachesTheTargetThroughActionDispatch)
{
    ActionTarget target;
    Cell cell;
    QObject sender;
    EXPECT_FALSE(cell.sendAction(&sender)) << "no action, nothing sent";
    cell.setAction("cellClicked:");
    cell.setTarget(&target);
    EXPECT_TRUE(cell.sendAction(&sender));
    EXPECT_EQ(target.calls, 1);
    EXPECT_EQ(target.lastSender, &sender);
    cell.setAction("noSuchAction:");
    EXPECT_FALSE(cell.sendAction(&sender));
    {
        ActionTarget gone;
        cell.setTarget(&gone);
    }
    EXPECT_EQ(cell.target(), nullptr) << "the target is held weakly";
}

TEST(Cell, TrackingHighlightsWhileInside)
{
    Cell cell;
    const QRectF frame(0, 0, 50, 20);
    EXPECT_TRUE(cell.startTrackingAt(QPointF(5, 5), frame, nullptr));
    EXPECT_TRUE(cell.isHighlighted());
    cell.continueTracking(QPointF(5, 5), QPointF(80, 5), nullptr);
    EXPECT_FALSE(cell.isHighlighted());
    cell.continueTracking(QPointF(80, 5), QPointF(10, 10), nullptr);
    EXPECT_TRUE(cell.isHighlighted());
    cell.stopTracking(QPointF(10, 10), QPointF(10, 10), nullptr, true);
    EXPECT_FALSE(cell.isHighlighted());

    cell.setEnabled(false);
    EXPECT_FALSE(cell.startTrackingAt(QPointF(5, 5), frame, nullptr));
}

TEST(Cell, DrawsTitleAndBezelThroughTheStyle)
{
    QImage image(120, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    Cell cell(QStringLiteral("Hello"));
    {
        QPainter painter(&image);
        cell.drawWithFrame(painter, QRectF(0, 0, 120, 24), nullptr);
    }
    const int textPixels = countPixelsDifferentFrom(image, qRgb(255, 255, 255));
    EXPECT_GT(textPixels, 20) << "the title is drawn";
    // nothing is drawn in the right half for a short left-aligned title
    EXPECT_EQ(countPixelsDifferentFrom(image.copy(70, 0, 50, 24), qRgb(255, 255, 255)), 0);

    QImage bezeled(120, 24, QImage::Format_ARGB32_Premultiplied);
    bezeled.fill(Qt::white);
    cell.setBezeled(true);
    cell.setStringValue(QString());
    {
        QPainter painter(&bezeled);
        cell.drawWithFrame(painter, QRectF(0, 0, 120, 24), nullptr);
    }
    // the bezel frames the edge
    EXPECT_GT(countPixelsDifferentFrom(bezeled.copy(0, 0, 120, 2), qRgb(255, 255, 255)), 50);
}

#include "TestCell.moc"

#include "components/flowview/NTXCoverFlowAccessoryController.h"
#include "components/flowview/NTXCoverFlowScroller.h"
#include "components/flowview/NTXCoverFlowView.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/layers/Transaction.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using platform::KeyValueObservable;
using platform::Layer;

namespace {

// A model object with a picture and a nested object, counting how often its
// picture is read.
class Model : public KeyValueObservable
{
public:
    QVariant picture;
    KeyValueObservable *child = nullptr;
    int index = 0;
    QVariantList items;
    mutable int pictureReads = 0;

    void setPicture(const QVariant &value)
    {
        willChangeValueForKey(QStringLiteral("picture"));
        picture = value;
        didChangeValueForKey(QStringLiteral("picture"));
    }

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("picture"),
             {[](const KeyValueObservable &o) {
                  const auto &m = static_cast<const Model &>(o);
                  ++m.pictureReads;
                  return m.picture;
              },
              {}}},
            {QStringLiteral("items"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Model &>(o).items); },
              [](KeyValueObservable &o, const QVariant &v) {
                  auto &m = static_cast<Model &>(o);
                  m.willChangeValueForKey(QStringLiteral("items"));
                  m.items = v.toList();
                  m.didChangeValueForKey(QStringLiteral("items"));
              }}},
            {QStringLiteral("child"),
             {[](const KeyValueObservable &o) { return fromObservable(static_cast<const Model &>(o).child); }, {}}},
            {QStringLiteral("index"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Model &>(o).index); },
              [](KeyValueObservable &o, const QVariant &v) {
                  auto &m = static_cast<Model &>(o);
                  m.willChangeValueForKey(QStringLiteral("index"));
                  m.index = v.toInt();
                  m.didChangeValueForKey(QStringLiteral("index"));
              }}},
        };
        return table;
    }
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    int opened = 0;
    Q_INVOKABLE void open(QObject *) { ++opened; }
};

QImage solid(const QColor &color)
{
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

QVariantList names(int count)
{
    QVariantList list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("item %1").arg(i));
    return list;
}

QImage contentsOf(const Layer &item)
{
    return item.sublayers().constFirst()->contents();
}

void finishLoads(NTXCoverFlowView &view)
{
    view.imageLoadQueue().waitUntilAllOperationsAreFinished();
    QCoreApplication::processEvents();
}

class CoverFlowViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.resize(600, 300);
        platform::KeyboardLayout::instance().setCapsLockQuery([this] { return capsLock; });
    }
    void TearDown() override { platform::KeyboardLayout::instance().setCapsLockQuery(nullptr); }

    int sublayerCount() const { return int(view.scrollLayer()->sublayers().size()); }

    bool capsLock = false;
    NTXCoverFlowView view;
};

} // namespace

TEST_F(CoverFlowViewTest, EmptyContentIsInert)
{
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Left);
    QWheelEvent wheel(QPointF(300, 150), QPointF(300, 150), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_EQ(view.selectionIndex(), 0);
    EXPECT_EQ(sublayerCount(), 0);
    EXPECT_EQ(view.scroller()->numberOfIncrements(), 0);
    EXPECT_FALSE(view.selectedObject().isValid());
    EXPECT_EQ(view.indexOfItemAtPoint(QPointF(300, 100)), NTXCoverFlowView::NotFound);
    EXPECT_TRUE(view.rectForItemAtIndex(0).isEmpty());
}

TEST_F(CoverFlowViewTest, ContentDiffsByCountsAndAnEqualArrayDoesNothing)
{
    Model a;
    a.picture = solid(Qt::red);
    view.setImageKeyPath(QStringLiteral("picture"));
    const QVariant objectA = KeyValueObservable::fromObservable(&a);
    view.setContent({objectA, objectA, QStringLiteral("b")});
    EXPECT_EQ(sublayerCount(), 3);
    EXPECT_EQ(view.scroller()->numberOfIncrements(), 2);
    const std::vector<platform::LayerPtr> before = view.itemLayers();
    const int reads = a.pictureReads;
    view.setContent({objectA, objectA, QStringLiteral("b")});
    EXPECT_EQ(view.itemLayers(), before);
    EXPECT_EQ(a.pictureReads, reads);

    view.setContent({QStringLiteral("b"), objectA});
    EXPECT_EQ(sublayerCount(), 2);
    EXPECT_EQ(view.itemLayers()[0], before[2]);
    EXPECT_EQ(view.itemLayers()[1], before[0]);
    EXPECT_EQ(view.itemLayers()[1]->valueForKey(QStringLiteral("index")).toInt(), 1);
    view.setContent({});
    EXPECT_EQ(sublayerCount(), 0);
}

TEST_F(CoverFlowViewTest, ArrowKeysClampAndShiftOrCapsLockSlowTheMove)
{
    view.setContent(names(3));
    platform::Transaction::flush();
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.selectionIndex(), 0);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.selectionIndex(), 2);

    const struct
    {
        Qt::KeyboardModifiers modifiers;
        bool capsLock;
        double duration;
    } cases[] = {{Qt::NoModifier, false, 0.7}, {Qt::ShiftModifier, false, 2.1}, {Qt::NoModifier, true, 2.1}};
    for (const auto &c : cases) {
        platform::Transaction::flush();
        capsLock = c.capsLock;
        QTest::keyClick(&view, view.selectionIndex() == 0 ? Qt::Key_Right : Qt::Key_Left, c.modifiers);
        EXPECT_DOUBLE_EQ(platform::Transaction::animationDuration(), c.duration);
        const platform::AnimationPtr move = view.itemLayers()[1]->animationForKey(QStringLiteral("position"));
        ASSERT_TRUE(move);
        EXPECT_DOUBLE_EQ(move->duration(), c.duration);
    }
}

// A wheel turn of more than 0.4 notch moves one item (down: the next one); smaller
// turns, as a touchpad sends them, add up until their sum is more than 0.4.
TEST_F(CoverFlowViewTest, WheelTurnsAndPartialNotchesMoveOneItem)
{
    view.setContent(names(10));
    platform::Transaction::flush();
    auto wheel = [this](QPoint angle) {
        QWheelEvent event(QPointF(300, 150), QPointF(300, 150), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
        return view.selectionIndex();
    };
    EXPECT_EQ(wheel(QPoint(0, -120)), 1);
    EXPECT_EQ(wheel(QPoint(0, -360)), 2) << "one item per event";
    EXPECT_EQ(wheel(QPoint(-60, 0)), 3) << "half a notch sideways";
    EXPECT_EQ(wheel(QPoint(0, 120)), 2);
    // A touchpad: 0.2 notch at a time. 0.4 is not yet more than 0.4; 0.6 is.
    EXPECT_EQ(wheel(QPoint(0, -24)), 2);
    EXPECT_EQ(wheel(QPoint(0, -24)), 2);
    EXPECT_EQ(wheel(QPoint(0, -24)), 3);
    // What moved is used up; partial turns the other way take the sum back first.
    EXPECT_EQ(wheel(QPoint(0, -24)), 3);
    EXPECT_EQ(wheel(QPoint(0, 24)), 3);
    EXPECT_EQ(wheel(QPoint(0, 24)), 3);
    EXPECT_EQ(wheel(QPoint(0, 24)), 3);
    EXPECT_EQ(wheel(QPoint(0, 24)), 2);
    for (int i = 0; i < 30; ++i)
        wheel(QPoint(12, 0)); // 0.1 notch at a time sideways: one item per five
    EXPECT_EQ(view.selectionIndex(), 0) << "clamped at the first item";
}

TEST_F(CoverFlowViewTest, PicturesLoadOffTheGuiThreadAndNonImagesKeepThePlaceholder)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    solid(Qt::blue).save(&buffer, "PNG");
    view.setContent({QVariant(solid(Qt::red)), png, QStringLiteral("not a picture"), QByteArray("garbage")});
    finishLoads(view);
    const auto &items = view.itemLayers();
    const QColor expected[] = {Qt::red, Qt::blue};
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(items[i]->valueForKey(QStringLiteral("hasImage")).toBool());
        EXPECT_EQ(contentsOf(*items[i]).pixelColor(5, 5), expected[i]);
    }
    for (int i = 2; i < 4; ++i) {
        EXPECT_FALSE(items[i]->valueForKey(QStringLiteral("hasImage")).toBool());
        EXPECT_EQ(contentsOf(*items[i]), view.placeholderImage());
    }
}

TEST_F(CoverFlowViewTest, KeyPathChangeReloadsAndALateLoadIsDropped)
{
    Model a;
    a.picture = solid(Qt::red);
    view.setImageKeyPath(QStringLiteral("picture"));
    view.setContent({KeyValueObservable::fromObservable(&a)});
    finishLoads(view);
    a.setPicture(solid(Qt::green));
    finishLoads(view);
    EXPECT_EQ(contentsOf(*view.itemLayers()[0]).pixelColor(5, 5), QColor(Qt::green));

    // The load is queued, then its object leaves before the result arrives.
    Model b;
    b.picture = solid(Qt::yellow);
    view.setContent({KeyValueObservable::fromObservable(&b)});
    const platform::LayerPtr gone = view.itemLayers()[0];
    view.setContent({QStringLiteral("other")});
    finishLoads(view);
    EXPECT_EQ(contentsOf(*gone), view.placeholderImage());
    EXPECT_FALSE(gone->valueForKey(QStringLiteral("hasImage")).toBool());
}

TEST_F(CoverFlowViewTest, HitTestingFollowsTheOverlapOrder)
{
    view.setContent(names(5));
    view.setSelectionIndex(2);
    // A point both of two neighbouring side pictures cover belongs to the one nearer
    // the selection.
    const struct
    {
        int a, b, expected;
    } pairs[] = {{1, 0, 1}, {0, 1, 1}, {3, 4, 3}, {4, 3, 3}};
    for (const auto &pair : pairs) {
        const QRectF overlap = view.rectForItemAtIndex(pair.a).intersected(view.rectForItemAtIndex(pair.b));
        ASSERT_FALSE(overlap.isEmpty()) << pair.a << " " << pair.b;
        const QPointF yUp = overlap.center();
        EXPECT_EQ(view.indexOfItemAtPoint(QPointF(yUp.x(), view.height() - yUp.y())), pair.expected);
    }
    const QRectF selected = view.rectForItemAtIndex(2);
    EXPECT_EQ(view.indexOfItemAtPoint(QPointF(selected.center().x(), view.height() - selected.center().y())), 2);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier,
                      QPoint(int(view.rectForItemAtIndex(4).right() - 2), int(view.height() - selected.center().y())));
    EXPECT_EQ(view.selectionIndex(), 4);
}

// The pictures beside the selection turn towards it, each side the other way: seen
// from the front, a side picture's outer edge is the nearer one and stands taller
// than its inner edge, on the right as on the left, as a mirror image.
TEST_F(CoverFlowViewTest, SidePicturesTurnTowardsTheSelection)
{
    view.setAutoresizesItems(false);
    view.setItemSize(QSizeF(120, 90));
    view.setContent({solid(Qt::red), solid(Qt::green), solid(Qt::blue)});
    view.setSelectionIndex(1);
    view.show();
    finishLoads(view);
    const auto isColour = [](QRgb pixel, int channel) {
        // The side pictures are shaded darker towards their outer edges.
        const int values[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
        for (int c = 0; c < 3; ++c) {
            if (c != channel && values[c] * 2 + 20 > values[channel])
                return false;
        }
        return true;
    };
    // The topmost row of a picture's colour in a column of the view; -1 when none.
    const auto top = [&](const QImage &shot, qreal x, int channel) {
        if (x < 0 || x >= shot.width())
            return -1;
        for (int y = 0; y < shot.height(); ++y) {
            if (isColour(shot.pixel(int(x), y), channel))
                return y;
        }
        return -1;
    };
    const QRectF left = view.rectForItemAtIndex(0);
    const QRectF right = view.rectForItemAtIndex(2);
    ASSERT_GT(left.width(), 10);
    ASSERT_GT(right.width(), 10);
    int leftOuter = -1, leftInner = -1, rightInner = -1, rightOuter = -1;
    QImage last;
    // Drawn once the pictures have loaded and the stage has come to rest.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QCoreApplication::processEvents();
        const QImage shot = view.grab().toImage();
        const bool settled = shot == last;
        last = shot;
        leftOuter = top(shot, left.left() + 3, 0);
        leftInner = top(shot, left.right() - 3, 0);
        rightInner = top(shot, right.left() + 3, 2);
        rightOuter = top(shot, right.right() - 3, 2);
        return settled && leftOuter >= 0 && leftInner >= 0 && rightInner >= 0 && rightOuter >= 0;
    }));
    EXPECT_LT(leftOuter + 2, leftInner) << "the left picture's outer edge is the nearer one";
    EXPECT_LT(rightOuter + 2, rightInner) << "the right picture's outer edge is the nearer one";
    EXPECT_NEAR(leftOuter, rightOuter, 1);
    EXPECT_NEAR(leftInner, rightInner, 1);
}

TEST_F(CoverFlowViewTest, PictureSizes)
{
    view.resize(600, 300);
    EXPECT_EQ(view.itemSize().height(), 180);
    EXPECT_EQ(view.itemSize().width(), 252); // 180 × 140 ÷ 100
    view.setAutoresizesItems(false);
    view.setItemSize(QSizeF(0, 0));
    EXPECT_EQ(view.itemSize(), QSizeF(140, 100));

    // The placeholder is 600 high in the pictures' proportions, the icon tinted in its
    // middle; an icon of no size is left out.
    const QImage withIcon = view.placeholderImage();
    EXPECT_EQ(withIcon.size(), QSize(840, 600));
    view.setPlaceholderIcon(QImage());
    view.setItemSize(QSizeF(140, 100));
    const QImage withoutIcon = view.placeholderImage();
    EXPECT_NE(withIcon.pixelColor(420, 300), withoutIcon.pixelColor(420, 300));
    EXPECT_LT(withoutIcon.pixelColor(420, 300).lightnessF(), 0.2);
}

TEST_F(CoverFlowViewTest, BoundContentAndDottedSelectionKeyPathAndReturnAction)
{
    Model root;
    Model child;
    root.child = &child;
    root.items = names(2);
    view.bind(QStringLiteral("content"), &root, QStringLiteral("items"));
    EXPECT_EQ(view.content(), names(2));
    root.setValueForKey(names(3), QStringLiteral("items"));
    EXPECT_EQ(view.content(), names(3));
    view.bind(QStringLiteral("selectionIndex"), &root, QStringLiteral("child.index"));
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(child.index, 1);
    EXPECT_EQ(view.selectionIndex(), 1);
    child.setValueForKey(2, QStringLiteral("index"));
    EXPECT_EQ(view.selectionIndex(), 2);

    Receiver receiver;
    view.setTarget(&receiver);
    view.setAction("open:");
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(receiver.opened, 1);
}

TEST_F(CoverFlowViewTest, AccessoryFollowsTheSelectionAndAnswersAfterTheView)
{
    auto *label = new QLabel(QStringLiteral("accessory"));
    label->resize(200, 24);
    NTXCoverFlowAccessoryController controller(label);
    view.setContent(names(3));
    view.setShowsScrollbar(true);
    view.setAccessoryController(&controller);
    EXPECT_EQ(label->parentWidget(), &view);
    EXPECT_EQ(controller.representedObject(), QVariant(QStringLiteral("item 0")));
    view.setSelectionIndex(2);
    EXPECT_EQ(controller.representedObject(), QVariant(QStringLiteral("item 2")));

    view.show();
    QApplication::setActiveWindow(&view);
    view.setFocus();
    const QList<QObject *> chain = platform::responderChain();
    const qsizetype at = chain.indexOf(&view);
    ASSERT_GE(at, 0);
    ASSERT_LT(at + 1, chain.size());
    EXPECT_EQ(chain.at(at + 1), &controller);

    // The scroller's arrows move the selection.
    const QRectF left = view.scroller()->rectForPart(platform::Scroller::Part::DecrementLine);
    QTest::mouseClick(view.scroller(), Qt::LeftButton, Qt::NoModifier, left.center().toPoint() - QPoint(6, 0));
    EXPECT_EQ(view.selectionIndex(), 1);

    // Dragging the knob to the end of its track selects the last item.
    NTXCoverFlowScroller *scroller = view.scroller();
    const QPointF grab = scroller->rectForPart(platform::Scroller::Part::Knob).center();
    const QPointF end(scroller->width() - 2, grab.y());
    QMouseEvent press(QEvent::MouseButtonPress, grab, scroller->mapToGlobal(grab), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, end, scroller->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, end, scroller->mapToGlobal(end), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(scroller, &press);
    EXPECT_EQ(scroller->hitPart(), platform::Scroller::Part::Knob);
    QApplication::sendEvent(scroller, &move);
    QApplication::sendEvent(scroller, &release);
    EXPECT_EQ(view.selectionIndex(), 2);
    EXPECT_EQ(scroller->hitPart(), platform::Scroller::Part::None);

    view.setAccessoryController(nullptr);
    EXPECT_FALSE(platform::responderChain().contains(&controller));
    EXPECT_EQ(label->parentWidget(), nullptr);
}

#include "TestCoverFlowView.moc"

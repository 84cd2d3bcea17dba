// The flow view bound to an array controller, and its mouse, wheel and key input.
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZFlowViewImageCache.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Exception.h"
#include "tests/components/flowview/FlowViewItems.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"
#include "tests/support/MouseButtonsCheck.h"

#include <QDesktopServices>
#include <QMimeData>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

using flowtest::ValueItem;
using flowtest::solid;

class FlowViewBindings : public layertest::FrozenClockTest
{
protected:
    void SetUp() override
    {
        FrozenClockTest::SetUp();
        for (int i = 0; i < 3; ++i)
            items.push_back(ValueItem::picture(QStringLiteral("item %1").arg(i), solid(QSize(40, 40), Qt::red)));
        QVariantList content;
        for (const auto &item : items)
            content.append(platform::KeyValueObservable::fromObservable(item.get()));
        controller.setContentArray(content);
    }
    std::vector<std::unique_ptr<ValueItem>> items;
    platform::ArrayController controller;
};

TEST_F(FlowViewBindings, ShowTheArrangedObjectsAndObserveEachOnce)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    view.bind(KZFlowView::ContentArrayBinding, &controller, QStringLiteral("arrangedObjects"));
    EXPECT_EQ(view.numberOfItems(), 3u);
    EXPECT_EQ(view.imageItemForIndex(2), items[2].get());
    const qsizetype observations = view.itemObservationCount();
    EXPECT_EQ(observations, 3 * 3) << "three items at three key paths";
    view.bind(KZFlowView::ContentArrayBinding, &controller, QStringLiteral("arrangedObjects"));
    EXPECT_EQ(view.itemObservationCount(), observations);

    items.push_back(ValueItem::picture(QStringLiteral("item 3"), solid(QSize(40, 40), Qt::red)));
    controller.addObject(platform::KeyValueObservable::fromObservable(items.back().get()));
    EXPECT_EQ(view.numberOfItems(), 4u);
    EXPECT_EQ(view.itemObservationCount(), 4 * 3);

    platform::KeyValueObservable notAController;
    EXPECT_THROW(view.bind(KZFlowView::ContentArrayBinding, &notAController, QStringLiteral("self")), platform::Exception);
    view.unbind(KZFlowView::ContentArrayBinding);
    EXPECT_FALSE(view.bindingsEnabled());
    EXPECT_EQ(view.itemObservationCount(), 0);
}

TEST_F(FlowViewBindings, ItemChangesRefreshThePictureAndTheSelectedTitle)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    view.bind(KZFlowView::ContentArrayBinding, &controller, QStringLiteral("arrangedObjects"));
    view.setImageTitleKeyPath(QStringLiteral("imageItemTitle"));
    view.setSelectedIndex(1);
    EXPECT_EQ(controller.selectionIndex(), 1) << "selecting sets the controller";
    EXPECT_EQ(view.title(), QStringLiteral("item 1"));

    items[2]->setValueForKey(QStringLiteral("renamed"), QStringLiteral("imageItemTitle"));
    EXPECT_EQ(view.title(), QStringLiteral("item 1")) << "another item's title is not the view's";
    items[1]->setValueForKey(QStringLiteral("chosen"), QStringLiteral("imageItemTitle"));
    EXPECT_EQ(view.title(), QStringLiteral("chosen"));

    const QString key = *KZFlowViewImageCache::keyFor(QStringLiteral("item 0"));
    view.imageCache().insert(key, solid(QSize(10, 10), Qt::red));
    view.scrollLayer()->layoutIfNeeded();
    items[0]->setValueForKey(solid(QSize(40, 40), Qt::blue), QStringLiteral("imageItemRepresentation"));
    EXPECT_TRUE(view.imageCache().image(key).isNull());
    EXPECT_TRUE(view.scrollLayer()->needsLayout());
}

class FlowViewInput : public layertest::FrozenClockTest
{
protected:
    // Lays the row out and lets its animations end.
    void settle(KZFlowView &view)
    {
        view.rootLayer()->layoutIfNeeded();
        advance(1000);
    }
    // The widget point in the middle of the item's content layer.
    static QPoint centreOf(KZFlowView &view, quint32 index)
    {
        const QRectF r = view.rectInViewForLayer(view.imageLayerAtIndex(index).get());
        return QPoint(int(r.center().x()), int(view.height() - r.center().y()));
    }
    static QPoint pointInLayer(KZFlowView &view, const platform::Layer &layer, const QPointF &inLayer)
    {
        const QPointF p = layer.convertPointToLayer(inLayer, view.backgroundLayer().get());
        return QPoint(int(p.x()), int(view.height() - p.y()));
    }
};

// Counts the files the desktop would open.
class Opener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

TEST_F(FlowViewInput, DoubleClickOpensPathItemsOnly)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    flowtest::ValueSource source;
    source.items.push_back(std::make_unique<ValueItem>(QStringLiteral("f"), QStringLiteral("/tmp/some file.png"),
                                                       KZFlowView::PathRepresentationType));
    source.items.push_back(ValueItem::picture(QStringLiteral("p"), solid(QSize(40, 40), Qt::red)));
    view.setDataSource(&source);
    view.reloadContent();
    settle(view);
    Opener opener;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
    testsupport::doubleClick(&view, centreOf(view, 0));
    view.setSelectedIndex(1);
    settle(view);
    testsupport::doubleClick(&view, centreOf(view, 1));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened.first(), QUrl::fromLocalFile(QStringLiteral("/tmp/some file.png")));
    EXPECT_EQ(view.selectedIndex(), 1u);

    // Hover is tracked over the selected item's picture.
    const QRect selected(centreOf(view, 1) - QPoint(2, 2), QSize(4, 4));
    ASSERT_EQ(view.trackingAreas()->areas().size(), 1);
    EXPECT_TRUE(view.trackingAreas()->areas().first().contains(selected));

    // A path item drags out its URL; an item nothing writes carries nothing.
    EXPECT_EQ(view.dragDataForIndex(0)->urls(), opener.opened);
    EXPECT_TRUE(view.dragDataForIndex(1)->formats().isEmpty());
}

// The pointer over the selected item shows its overlay; a view that goes then tells no
// one it left (its layers go before the widget hides).
TEST_F(FlowViewInput, AViewThatGoesWithThePointerOverItsSelectedItemGoesQuietly)
{
    flowtest::ValueSource source;
    source.items.push_back(ValueItem::picture(QStringLiteral("p"), solid(QSize(40, 40), Qt::red)));
    source.items.push_back(ValueItem::picture(QStringLiteral("q"), solid(QSize(40, 40), Qt::blue)));
    auto view = std::make_unique<KZFlowView>();
    flowtest::show(*view, QSize(800, 400));
    view->setDataSource(&source);
    view->reloadContent();
    view->setSelectedIndex(1);
    settle(*view);
    // From outside the item: Qt Test moves the pointer by placing the cursor, and a cursor
    // already there (an earlier run of the test) makes no move.
    QTest::mouseMove(view.get(), QPoint(1, 1));
    QTest::mouseMove(view.get(), centreOf(*view, 1));
    ASSERT_TRUE(view->trackingAreas()->isInside(0));
    // An exception reaching a net while it goes fails the test (the Qt-warning check).
    view.reset();
}

TEST_F(FlowViewInput, BarKnobAndWheelNotchesMoveTheSelection)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    flowtest::Source source(9);
    view.setDataSource(&source);
    view.reloadContent();
    view.setSelectedIndex(4);
    const platform::LayerPtr bar = view.scrollBarLayer();
    const platform::LayerPtr knob = bar->sublayers().first();
    const QRectF knobFrame = knob->frame();

    QTest::mouseClick(&view, Qt::LeftButton, {}, pointInLayer(view, *bar, QPointF(knobFrame.x() - 3, 10)));
    EXPECT_EQ(view.selectedIndex(), 3u);
    view.updateScrollKnob();
    QTest::mouseClick(&view, Qt::LeftButton, {}, pointInLayer(view, *bar, QPointF(knob->frame().right() + 3, 10)));
    EXPECT_EQ(view.selectedIndex(), 4u);

    // Dragging the knob to the far end would select one past the last item, which is
    // refused; just before the end reaches the last.
    view.updateScrollKnob();
    const QPoint grab = pointInLayer(view, *knob, knob->bounds().center());
    QTest::mousePress(&view, Qt::LeftButton, {}, grab);
    EXPECT_TRUE(view.draggingKnob());
    const qreal travel = bar->bounds().width() - knob->bounds().width();
    auto dragTo = [&](qreal position) {
        const QPoint to = pointInLayer(view, *bar, QPointF(position + view.mouseDownInKnob(), 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(to), view.mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&view, &move);
    };
    dragTo(travel + 100);
    EXPECT_EQ(view.selectedIndex(), 4u);
    dragTo(travel - 2);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, grab);
    EXPECT_FALSE(view.draggingKnob());
    EXPECT_EQ(view.selectedIndex(), 8u);

    // Half notches add up whichever way they turn; only whole notches move.
    auto wheel = [&view](int angle) {
        QWheelEvent event(QPointF(10, 10), view.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, angle), Qt::NoButton,
                          {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &event);
    };
    view.setSelectedIndex(5);
    struct Step
    {
        int angle;
        quint32 selected;
    };
    for (const Step &step : {Step{60, 5}, Step{60, 6}, Step{-60, 6}, Step{-60, 5}, Step{-180, 4}, Step{-60, 3}})
    {
        wheel(step.angle);
        EXPECT_EQ(view.selectedIndex(), step.selected) << step.angle;
    }
}

} // namespace

#include "TestFlowViewBindingsAndInput.moc"

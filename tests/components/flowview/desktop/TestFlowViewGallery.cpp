// Twelve generated pictures in a flow view on a real X server, the selected one a
// movie whose overlay is expanded at a quarter: the picture is saved as
// flowview-gallery.png in the test program's folder.
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/Transaction.h"
#include "tests/components/flowview/FlowViewTestSupport.h"

#include <cmath>
#include <QCoreApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <iostream>

namespace {

TEST(FlowViewGallery, TwelvePicturesWithAMovie)
{
    using platform::Clock;
    Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
    platform::AnimationDriver::instance();
    KZFlowView view;
    // The pictures are put on the layers by hand: no update replaces them.
    QObject::disconnect(&view, &KZFlowView::imagesNeedUpdate, nullptr, nullptr);
    view.resize(1000, 440);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::sendPostedEvents();

    flowtest::Source source(12);
    view.setDataSource(&source);
    view.setNumberOfItems(12);
    // Landscape, portrait and square pictures in turn.
    const QList<QSize> shapes = {QSize(200, 100), QSize(100, 200), QSize(160, 160)};
    for (quint32 i = 0; i < 12; ++i) {
        const QSize shape = shapes.at(int(i % 3));
        auto item = view.createItemLayerWithIndex(i);
        const platform::LayerPtr content = item->sublayers().first();
        content->setContents(flowtest::picture(int(i), shape));
        content->setValueForKey(double(shape.width()) / shape.height(), QStringLiteral("aspectRatioKey"));
        view.scrollLayer()->addSublayer(item);
    }
    const quint32 selected = 5;
    auto movie = std::make_shared<flowtest::FakeMovie>(6000);
    movie->frame = flowtest::picture(99, QSize(160, 120));
    view.setSelectedIndex(selected);
    const platform::LayerPtr content = view.imageLayerAtIndex(selected);
    content->setName(KZFlowView::ContentLayerName + KZFlowView::MovieKind);
    content->setValueForKey(4.0 / 3.0, QStringLiteral("aspectRatioKey"));
    const auto movieLayer = view.createMovieLayerWithMovie(movie, selected);
    view.setAttributesForItemContentLayer(*movieLayer, selected);
    content->addSublayer(movieLayer);
    const auto overlay = view.overlayLayerAtIndex(selected);
    ASSERT_TRUE(overlay);
    overlay->setHidden(false); // the pointer is over the selected item
    overlay->buttonLayer()->performClick();
    movie->setAt(900); // a quarter of its ten seconds once the clock has moved on a second
    overlay->updateMovieOverlay();
    view.rootLayer()->layoutIfNeeded(); // the moves start now, on the frozen clock
    Clock::advance(1000);
    platform::AnimationDriver::instance()->tick();
    // The overlay reads the movie's time on its own schedule.
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(overlay->indicatorValue() - 0.25) < 0.01; }))
        << overlay->indicatorValue();
    ASSERT_TRUE(desktoptest::waitUntilShownOnScreen(&view));
    EXPECT_EQ(overlay->buttonLayer()->state(), 1);
    EXPECT_EQ(view.title(), QStringLiteral("Picture 6"));

    const QImage shot = view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(shot.isNull());
    const QString file = testsupport::screenshotPath(QStringLiteral("flowview-gallery.png"));
    ASSERT_TRUE(shot.save(file));
    std::cout << "screenshot: " << file.toStdString() << std::endl;

    const qreal ratio = shot.width() / 1000.0;
    auto at = [&](QPointF yUp) {
        return shot.pixelColor(int(yUp.x() * ratio), int((440 - yUp.y()) * ratio));
    };
    // The ring's middle at 45°: light gray; at 135°: the dark disc.
    const QRectF ring = view.rectInViewForLayer(overlay.get());
    const QPointF centre = ring.center();
    EXPECT_GT(qGray(at(centre + QPointF(17, 17)).rgb()), 150);
    EXPECT_LT(qGray(at(centre + QPointF(-17, 17)).rgb()) + 60, qGray(at(centre + QPointF(17, 17)).rgb()));
    // A side picture above its darker reflection.
    const QRectF side = view.rectInViewForLayer(view.imageLayerAtIndex(selected + 2).get());
    const QColor face = at(QPointF(side.center().x(), side.y() + 25));
    const QColor mirror = at(QPointF(side.center().x(), side.y() - 25));
    EXPECT_GT(face.valueF(), 0.3);
    EXPECT_LT(mirror.valueF(), face.valueF() * 0.8);
    overlay->collapse();
    Clock::useSystemClock();
}

} // namespace

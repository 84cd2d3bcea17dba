// A row of covers with reflections, a card in the middle of its flip and a title, on
// a real X server: the picture is saved as layer-gallery.png in the build folder.
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"
#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/BasicAnimation.h"
#include "platform/layers/ConstraintLayoutManager.h"
#include "platform/layers/GradientLayer.h"
#include "platform/layers/LayerHostWidget.h"
#include "platform/layers/ReplicatorLayer.h"
#include "platform/layers/ScrollLayer.h"
#include "platform/layers/TextLayer.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <QCoreApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

using namespace platform;

namespace {

QImage cover(int index)
{
    return testsupport::numberedPicture(index, 160, 47);
}

TEST(LayerGallery, RowWithReflectionsFlipAndTitle)
{
    Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
    LayerHostWidget host;
    host.resize(900, 520);
    const LayerPtr root = host.rootLayer();
    root->setLayoutManager(ConstraintLayoutManager::shared());

    const auto background = GradientLayer::create();
    background->setColors({QColor(52, 55, 69), QColor(36, 37, 48), Qt::black});
    background->setLocations({1.0, 0.8, 0.0});
    background->setAutoresizingMask(Layer::WidthSizable | Layer::HeightSizable);
    background->setFrame(QRectF(0, 0, 900, 520));
    // Layout moves these at once (the row's own moves are animated).
    const QHash<QString, ActionPtr> still{{QStringLiteral("position"), nullptr}, {QStringLiteral("bounds"), nullptr}};
    background->setActions(still);
    root->addSublayer(background);

    const auto title = TextLayer::create();
    title->setName(QStringLiteral("title"));
    title->setBounds(QRectF(0, 0, 400, 30));
    title->setString(QStringLiteral("Cover 5 — upright text"));
    title->setFontSize(18);
    title->setActions(still);
    title->setAlignmentMode(TextLayer::Alignment::Center);
    title->setConstraints({LayoutConstraint::superlayer(LayoutConstraint::Attribute::MinY,
                                                        LayoutConstraint::Attribute::MinY, 1, 40),
                           LayoutConstraint::superlayer(LayoutConstraint::Attribute::MidX,
                                                        LayoutConstraint::Attribute::MidX)});
    root->addSublayer(title);

    const auto scroll = ScrollLayer::create();
    scroll->setFrame(QRectF(0, 80, 900, 400));
    scroll->setSublayerTransform(Transform3D::perspective(1500));
    root->addSublayer(scroll);
    const qreal side = 160;
    const int selected = 4;
    for (int i = 0; i < 9; ++i) {
        const auto item = ReplicatorLayer::create();
        item->setInstanceCount(2);
        item->setInstanceTransform(Transform3D::translation(0, -side) * Transform3D::scale(1, -1, 1));
        item->setInstanceRedOffset(-0.4);
        item->setInstanceGreenOffset(-0.4);
        item->setInstanceBlueOffset(-0.4);
        item->setPreservesDepth(true);
        item->setValueForKey(i, QStringLiteral("index"));
        const int d = std::abs(i - selected);
        const qreal x = 450 - side / 2 + (i - selected) * 70 + (i < selected ? -90 : i > selected ? 90 : 0);
        item->setFrame(QRectF(x, 200, side, side));
        item->setZPosition(i == selected ? -200 : -200 - 0.5 * d);
        const LayerPtr content = Layer::create();
        content->setContents(cover(i));
        content->setContentsGravity(Layer::ContentsGravity::ResizeAspect);
        content->setAnchorPoint(i < selected ? QPointF(0, 0) : i > selected ? QPointF(1, 0) : QPointF(0.5, 0));
        content->setFrame(QRectF(0, 0, side, side));
        content->setZPosition(i == selected ? 200 : -200);
        if (i != selected)
            content->setTransform(Transform3D::rotation((i < selected ? 70 : -70) * M_PI / 180, 0, 1, 0));
        item->addSublayer(content);
        scroll->addSublayer(item);
    }

    // A card in the middle of its flip, with the flip's shadow.
    const LayerPtr card = Layer::create();
    card->setFrame(QRectF(700, 330, 150, 110));
    card->setContents(cover(11));
    card->setContentsGravity(Layer::ContentsGravity::Resize);
    card->setDoubleSided(false);
    card->setShadowOpacity(0.4);
    card->setShadowRadius(14);
    card->setShadowOffset(QSizeF(0, -22.5));
    card->setTransform(Transform3D::perspective(850));
    root->addSublayer(card);
    Transaction::flush();
    auto turn = BasicAnimation::withKeyPath(QStringLiteral("transform.rotation.y"));
    turn->setFromValue(M_PI);
    turn->setToValue(2 * M_PI);
    turn->setDuration(1);
    turn->setTimingFunction(MediaTimingFunction::named(MediaTimingFunction::Name::EaseInEaseOut));
    turn->setRemovedOnCompletion(false);
    card->addAnimation(turn, QStringLiteral("transform"));
    Clock::advance(600);

    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ASSERT_TRUE(desktoptest::waitUntilShownOnScreen(&host));
    const QImage shot = host.screen()->grabWindow(host.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(shot.isNull());
    const QString file = testsupport::screenshotPath(QStringLiteral("layer-gallery.png"));
    ASSERT_TRUE(shot.save(file));
    std::cout << "screenshot: " << file.toStdString() << std::endl;

    // The selected cover above its reflection, which is darker (device pixels).
    const qreal ratio = shot.width() / 900.0;
    auto at = [&shot, ratio](qreal x, qreal yUp) {
        return shot.pixelColor(static_cast<int>(x * ratio), static_cast<int>((520 - yUp) * ratio));
    };
    const QColor face = at(450, 280 + 20);  // 20 above the cover's bottom edge
    const QColor mirror = at(450, 280 - 20); // and its mirror image
    EXPECT_GT(face.valueF(), 0.3);
    EXPECT_LT(mirror.valueF(), face.valueF());
    EXPECT_NEAR(mirror.valueF() / face.valueF(), 0.6, 0.15);

    // Once drawn, an idle host does not render again; a change makes it.
    Clock::advance(1000); // the flip ends
    AnimationDriver::instance()->tick();
    ASSERT_TRUE(QTest::qWaitFor([] { return !AnimationDriver::instance()->isTicking(); }));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const quint64 renders = host.renderCount();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(host.renderCount(), renders);
    EXPECT_FALSE(AnimationDriver::instance()->isTicking());
    title->setString(QStringLiteral("Changed"));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_GT(host.renderCount(), renders);
    Clock::useSystemClock();
}

} // namespace

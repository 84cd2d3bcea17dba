// The window flip on a real X server, on a set clock: the duration's modifier keys,
// the end state, and the perspective of a turned picture.
#include "AppKitExtensions/NTXNSWindowExtension.h"
#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/LayerRenderer.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <QPainter>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <numbers>

using namespace NTXNSWindowExtension;

TEST(WindowFlip, ModifierKeysStretchTheDuration)
{
    EXPECT_DOUBLE_EQ(flipDuration(0.5, Qt::NoModifier), 0.5);
    EXPECT_DOUBLE_EQ(flipDuration(0.5, Qt::ShiftModifier), 1.0);
    EXPECT_DOUBLE_EQ(flipDuration(0.5, Qt::ShiftModifier | Qt::ControlModifier), 4.0);
    EXPECT_DOUBLE_EQ(flipDuration(0.5, Qt::ControlModifier), 0.5);
    EXPECT_EQ(midpoint(nullptr), QPointF());
}

TEST(WindowFlip, EndsWithTheDestinationShownAndTheSourceHidden)
{
    platform::AnimationDriver::instance();
    platform::Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
    QWidget from;
    from.setGeometry(200, 200, 240, 160);
    from.setStyleSheet(QStringLiteral("background: #2a6"));
    QWidget to;
    to.resize(300, 180);
    to.setStyleSheet(QStringLiteral("background: #a26"));
    from.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&from));

    Flip flip = flipToWindow(&from, &to, true, 0.4, true);
    EXPECT_EQ(to.geometry().size(), from.geometry().size());
    EXPECT_EQ(midpoint(&to), midpoint(&from));
    ASSERT_TRUE(flip.fromFlipWindow && flip.toFlipWindow);
    EXPECT_EQ(flip.fromFlipWindow->geometry(), from.geometry().adjusted(-FlipMargin, -FlipMargin, FlipMargin, FlipMargin));
    EXPECT_FALSE(from.isVisible());
    EXPECT_TRUE(to.isVisible());
    EXPECT_EQ(flip.toLayer->shadowRadius(), ShadowRadius);

    QPointer<QWidget> fromFlip = flip.fromFlipWindow;
    platform::Clock::advance(600);
    platform::AnimationDriver::instance()->tick();
    QTRY_VERIFY(flip.delegate->hasEnded());
    QTRY_VERIFY(fromFlip.isNull());
    EXPECT_TRUE(to.isVisible());
    EXPECT_DOUBLE_EQ(to.windowOpacity(), 1.0);
    EXPECT_FALSE(from.isVisible()); // hidden, still there
    platform::Clock::useSystemClock();
}

TEST(WindowFlip, AtSixtyDegreesTheNearEdgeIsTaller)
{
    QImage picture(200, 120, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::black);
    platform::Transaction::begin();
    platform::Transaction::setDisableActions(true);
    const platform::LayerPtr root = platform::Layer::create();
    root->setFrame(QRectF(0, 0, 400, 320));
    const platform::LayerPtr layer = flipLayer(picture, QRectF(100, 100, 200, 120), false, false);
    layer->setTransform(layer->transform() * platform::Transform3D::rotation(std::numbers::pi / 3, 0, 1, 0));
    root->addSublayer(layer);
    platform::Transaction::commit();

    QImage image(400, 320, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    platform::LayerRenderer::render(painter, *root, 320, 1);
    painter.end();
    auto inkHeight = [&](int x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            n += qGray(image.pixel(x, y)) < 128;
        return n;
    };
    int left = -1, right = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (inkHeight(x) > 0) {
            if (left < 0)
                left = x;
            right = x;
        }
    }
    ASSERT_GT(right - left, 40);
    EXPECT_LT(right - left, 120); // foreshortened to about half its width
    EXPECT_GT(inkHeight(left + 2), inkHeight(right - 2) + 4);
}

#include "platform/layers/GradientLayer.h"
#include "platform/layers/LayerDelegate.h"
#include "platform/layers/LayerHostWidget.h"
#include "platform/layers/Transaction.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using layertest::pixelAt;
using layertest::renderTree;
using platform::Layer;
using platform::LayerPtr;

namespace {

class LayerHost : public layertest::FrozenClockTest
{
};

TEST_F(LayerHost, RendersAtTheScaleAndMayBeTransparent)
{
    platform::LayerHostWidget host;
    host.resize(100, 80);
    host.setTransparent(true);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(host.rootLayer()->bounds(), QRectF(0, 0, 100, 80));
    const LayerPtr square = layertest::layerWithFrame(QRectF(10, 10, 20, 20));
    square->setBackgroundColor(Qt::red);
    host.rootLayer()->addSublayer(square);

    const QImage image = host.renderToImage(2);
    EXPECT_EQ(image.size(), QSize(200, 160));
    EXPECT_EQ(image.pixelColor(40, 160 - 40), QColor(Qt::red)); // (20, 20) y-up, in device pixels
    EXPECT_EQ(image.pixelColor(150, 20).alpha(), 0);

    // The root follows the widget; a change renders again, an idle host does not.
    host.resize(300, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        deliver();
        return host.rootLayer()->bounds() == QRectF(0, 0, 300, 200);
    }));
    const quint64 renders = host.renderCount();
    deliver();
    EXPECT_EQ(host.renderCount(), renders);
    square->setHidden(true);
    deliver();
    EXPECT_GT(host.renderCount(), renders);
}

struct TopBand : platform::LayerDelegate
{
    void drawLayer(Layer &layer, QPainter &painter) override
    {
        // y-up: the band along the top edge.
        painter.fillRect(QRectF(0, layer.bounds().height() - 10, layer.bounds().width(), 10), Qt::blue);
    }
};

TEST_F(LayerHost, DelegatesDrawGradientsFillMasksClip)
{
    const LayerPtr root = layertest::layerWithFrame(QRectF(0, 0, 200, 100));
    TopBand band;
    const LayerPtr drawn = layertest::layerWithFrame(QRectF(0, 0, 50, 50));
    drawn->setDelegate(&band);
    drawn->setNeedsDisplay();
    root->addSublayer(drawn);

    const auto gradient = platform::GradientLayer::create();
    gradient->setFrame(QRectF(60, 0, 50, 100));
    gradient->setColors({Qt::red, Qt::blue}); // from the bottom edge to the top
    root->addSublayer(gradient);

    const LayerPtr mask = layertest::layerWithFrame(QRectF(120, 0, 40, 40));
    mask->setMasksToBounds(true);
    const LayerPtr wide = layertest::layerWithFrame(QRectF(0, 0, 80, 80));
    wide->setBackgroundColor(Qt::green);
    mask->addSublayer(wide);
    root->addSublayer(mask);

    const QImage shot = renderTree(*root, QSize(200, 100));
    EXPECT_EQ(pixelAt(shot, 25, 45), QColor(Qt::blue));
    EXPECT_EQ(pixelAt(shot, 25, 20), QColor(Qt::white));
    EXPECT_GT(pixelAt(shot, 85, 2).red(), 240);
    EXPECT_GT(pixelAt(shot, 85, 97).blue(), 240);
    EXPECT_EQ(pixelAt(shot, 140, 20), QColor(Qt::green));
    EXPECT_EQ(pixelAt(shot, 140, 60), QColor(Qt::white)); // cut off by the mask
    EXPECT_EQ(pixelAt(shot, 180, 20), QColor(Qt::white));
    drawn->setDelegate(nullptr);
}

} // namespace

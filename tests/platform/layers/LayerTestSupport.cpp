#include "tests/platform/layers/LayerTestSupport.h"

#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/LayerRenderer.h"
#include "platform/layers/Transaction.h"

#include <QCoreApplication>
#include <QPainter>

namespace layertest {

void FrozenClockTest::SetUp()
{
    platform::AnimationDriver::instance();
    platform::Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
    deliver();
    platform::Transaction::flush();
}

void FrozenClockTest::TearDown()
{
    deliver();
    platform::Transaction::flush();
    platform::Clock::useSystemClock();
}

void FrozenClockTest::advance(qint64 msecs)
{
    platform::Clock::advance(msecs);
    platform::AnimationDriver::instance()->tick();
    deliver();
}

void FrozenClockTest::deliver()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

platform::LayerPtr layerWithFrame(const QRectF &frame)
{
    auto layer = platform::Layer::create();
    layer->setFrame(frame);
    return layer;
}

QImage solidImage(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

QImage renderTree(platform::Layer &root, const QSize &size, platform::Layer::Tree tree)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    platform::LayerRenderer::render(painter, root, size.height(), 1, tree);
    return image;
}

QColor pixelAt(const QImage &image, qreal x, qreal yUp)
{
    return image.pixelColor(static_cast<int>(x), image.height() - 1 - static_cast<int>(yUp));
}

} // namespace layertest

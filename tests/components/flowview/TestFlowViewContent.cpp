// Item representations, reloads, picture loading and the image cache of the flow view.
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZFlowViewImageCache.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/media/PdfPage.h"
#include "tests/components/flowview/FlowViewItems.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QPdfWriter>
#include <QSemaphore>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using flowtest::ValueItem;
using flowtest::solid;

class FlowViewContent : public layertest::FrozenClockTest
{
protected:
    // Pictures are then updated only when a test asks (not at the end of layouts).
    static void updateOnlyOnRequest(KZFlowView &view)
    {
        QObject::disconnect(&view, &KZFlowView::imagesNeedUpdate, nullptr, nullptr);
    }
    // Runs the queued loads and their deliveries.
    static void finishLoads(KZFlowView &view)
    {
        view.operationQueue().waitUntilAllOperationsAreFinished();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
};

QByteArray onePagePdf()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(100, 200), QPageSize::Point));
    QPainter(&writer).fillRect(QRectF(0, 0, 100, 100), Qt::green);
    return bytes;
}

TEST_F(FlowViewContent, EveryTypeAnswersAPictureAMovieOrNothing)
{
    QTemporaryDir dir;
    const QImage blue = solid(QSize(64, 48), Qt::blue);
    const QString image = dir.filePath(QStringLiteral("blue.png"));
    blue.save(image);
    const QString movie = dir.filePath(QStringLiteral("clip.avi"));
    const QString composition = dir.filePath(QStringLiteral("glow.qtz"));
    for (const QString &path : {movie, composition}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not really");
    }
    auto poster = std::make_shared<flowtest::FakeMovie>();
    poster->frame = blue;
    QPixmap iconPixmap(32, 32);
    iconPixmap.fill(Qt::blue);

    enum Answer { Picture, MovieOnly, Nothing };
    struct Case
    {
        QString type;
        QVariant representation;
        Answer answer;
    };
    const Case cases[] = {
        {KZFlowView::URLRepresentationType, QUrl::fromLocalFile(image), Picture},
        {KZFlowView::CGImageRepresentationType, blue, Picture},
        {KZFlowView::PDFPageRepresentationType, QVariant::fromValue(platform::PdfPage(onePagePdf(), 0)), Picture},
        {KZFlowView::PathRepresentationType, image, Picture},
        {KZFlowView::NSImageRepresentationType, blue, Picture},
        {KZFlowView::NSDataRepresentationType, flowtest::png(blue), Picture},
        {KZFlowView::NSBitmapRepresentationType, blue, Picture},
        {KZFlowView::QTMovieRepresentationType, QVariant::fromValue(std::shared_ptr<platform::Movie>(poster)), Picture},
        {KZFlowView::QTMoviePathRepresentationType, movie, MovieOnly},
        {KZFlowView::QCCompositionRepresentationType, QStringLiteral("a composition"), Nothing},
        {KZFlowView::QCCompositionPathRepresentationType, composition, Nothing},
        {KZFlowView::QuickLookPathRepresentationType, image, Picture},
        {KZFlowView::IconRefPathRepresentationType, QUrl::fromLocalFile(image), Picture},
        {KZFlowView::IconRefRepresentationType, QIcon(iconPixmap), Picture},
    };
    ASSERT_EQ(std::size(cases), 14u);
    for (const Case &c : cases) {
        const QSizeF size(100, 100);
        const QVariant prepared = KZFlowView::prepareRepresentation(c.representation, c.type, size);
        const QImage picture = KZFlowView::newImageFromRepresentation(prepared, c.type, size);
        const auto played = KZFlowView::movieFromRepresentation(c.representation, c.type);
        EXPECT_EQ(!picture.isNull(), c.answer == Picture) << qPrintable(c.type);
        if (c.answer != Picture) {
            EXPECT_EQ(bool(played), c.answer == MovieOnly) << qPrintable(c.type);
        }
    }
    // A path string and its URL make the same picture; bad data and unknown types none.
    EXPECT_EQ(KZFlowView::newImageFromRepresentation(image, KZFlowView::PathRepresentationType, QSizeF(50, 50)),
              KZFlowView::newImageFromRepresentation(QUrl::fromLocalFile(image), KZFlowView::URLRepresentationType,
                                                     QSizeF(50, 50)));
    EXPECT_TRUE(KZFlowView::newImageFromRepresentation(QByteArrayLiteral("garbage"), KZFlowView::NSDataRepresentationType,
                                                       QSizeF(50, 50))
                    .isNull());
    EXPECT_TRUE(KZFlowView::newImageFromRepresentation(blue, QStringLiteral("SomeOtherType"), QSizeF(50, 50)).isNull());
    EXPECT_FALSE(KZFlowView::movieFromRepresentation(dir.filePath(QStringLiteral("missing.avi")),
                                                     KZFlowView::QTMoviePathRepresentationType));
}

TEST_F(FlowViewContent, ReloadsReuseLayersAndKeepTheSelectionInRange)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    flowtest::Source source(5);
    view.setDataSource(&source);
    view.reloadContent();
    EXPECT_EQ(view.selectedIndex(), 0u) << "the first item is selected";
    view.setSelectedIndex(4);
    const quint64 made = view.itemLayersMade();
    EXPECT_EQ(made, 5u);
    view.reloadContent();
    EXPECT_EQ(view.itemLayersMade(), made) << "a second reload makes no layer";
    EXPECT_EQ(view.selectedIndex(), 4u);

    source.items.resize(3);
    view.reloadContent();
    EXPECT_EQ(view.numberOfItems(), 3u);
    EXPECT_EQ(view.selectedIndex(), 0u);
    EXPECT_EQ(view.layerQueue().size(), 2);
    // The list element lists the three items only, in order.
    const auto list = KZFlowView::accessibilityElementOfLayer(view.backgroundLayer().get());
    ASSERT_EQ(list->countOfChildren(), 3);
    for (quint32 i = 0; i < 3; ++i)
        EXPECT_EQ(list->objectInChildrenAtIndex(i), KZFlowView::accessibilityElementOfLayer(view.imageLayerAtIndex(i).get()));
}

TEST_F(FlowViewContent, CachedPicturesAreUsedWithinTenPercent)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    updateOnlyOnRequest(view);
    flowtest::ValueSource source;
    source.items.push_back(ValueItem::picture(QStringLiteral("a"), solid(QSize(300, 300), Qt::red)));
    view.setDataSource(&source);
    view.reloadContent();
    const QSizeF wanted = view.itemSizeForRect(view.scrollLayer()->frame());
    ASSERT_GT(wanted.width(), 20);
    const QString key = *KZFlowViewImageCache::keyFor(QStringLiteral("a"));

    view.imageCache().insert(key, solid(QSize(int(wanted.width() * 0.95), 10), Qt::green));
    view.updateImageLayerAtIndex(0);
    EXPECT_EQ(view.operationQueue().operationCount(), 0);
    EXPECT_EQ(view.imageLayerAtIndex(0)->contents().pixelColor(0, 0), QColor(Qt::green));

    view.imageCache().insert(key, solid(QSize(int(wanted.width() * 0.85), 10), Qt::blue));
    view.updateImageLayerAtIndex(0);
    EXPECT_EQ(view.imageLayerAtIndex(0)->contents().pixelColor(0, 0), QColor(Qt::blue)) << "shown meanwhile";
    finishLoads(view);
    EXPECT_EQ(view.imageLayerAtIndex(0)->contents().pixelColor(0, 0), QColor(Qt::red)) << "made anew";
    EXPECT_EQ(view.imageCache().image(key).pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(FlowViewContent, NoPictureIsAskedForAtASizeOfNothing)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 40)); // shorter than the title's margin
    updateOnlyOnRequest(view);
    flowtest::ValueSource source;
    source.items.push_back(ValueItem::picture(QStringLiteral("a"), solid(QSize(30, 30), Qt::red)));
    view.setDataSource(&source);
    view.reloadContent();
    view.updateImageLayerAtIndex(0);
    EXPECT_EQ(view.operationQueue().operationCount(), 0);
    EXPECT_EQ(view.imageCache().count(), 0);
}

// A load held until the content changed delivers to nobody; one held while nothing
// changed still lands.
TEST_F(FlowViewContent, ALateLoadNeverLandsOnAnotherItem)
{
    for (const bool withIdentifier : {true, false}) {
        for (const bool contentChanges : {false, true}) {
            KZFlowView view;
            flowtest::show(view, QSize(800, 400));
            updateOnlyOnRequest(view);
            flowtest::ValueSource source;
            const QVariant uid = withIdentifier ? QVariant(QStringLiteral("old")) : QVariant();
            source.items.push_back(std::make_unique<ValueItem>(uid, flowtest::png(solid(QSize(200, 200), Qt::red)),
                                                               KZFlowView::NSDataRepresentationType));
            view.setDataSource(&source);
            view.reloadContent();

            QSemaphore latch;
            view.operationQueue().setMaxConcurrentOperationCount(1);
            view.operationQueue().addOperation([&latch](platform::Operation &) { latch.acquire(); });
            view.updateImageLayerAtIndex(0); // made behind the latch
            if (contentChanges) {
                const QVariant newUid = withIdentifier ? QVariant(QStringLiteral("new")) : QVariant();
                source.items[0] = std::make_unique<ValueItem>(newUid, QVariant(), KZFlowView::NSDataRepresentationType);
                view.reloadContent();
            }
            latch.release();
            finishLoads(view);
            const QImage shown = view.imageLayerAtIndex(0)->contents();
            const bool red = !shown.isNull() && shown.pixelColor(1, 1) == QColor(Qt::red);
            EXPECT_EQ(red, !contentChanges) << withIdentifier << contentChanges;
            EXPECT_EQ(view.imageCache().count(), withIdentifier ? 1 : 0) << "cached under its own identifier only";
        }
    }
}

TEST(FlowViewImageCache, TheByteBoundEvicts)
{
    const QImage picture = solid(QSize(100, 100), Qt::red); // 40,000 bytes
    KZFlowViewImageCache cache(3 * picture.sizeInBytes());
    for (const char *key : {"a", "b", "c"})
        cache.insert(QString::fromLatin1(key), picture);
    EXPECT_FALSE(cache.image(QStringLiteral("a")).isNull()); // used: "b" is now the oldest
    cache.insert(QStringLiteral("d"), picture);
    EXPECT_EQ(cache.count(), 3);
    EXPECT_TRUE(cache.image(QStringLiteral("b")).isNull());
    EXPECT_LE(cache.bytes(), cache.byteLimit());
    cache.insert(QStringLiteral("huge"), solid(QSize(400, 400), Qt::red));
    EXPECT_TRUE(cache.image(QStringLiteral("huge")).isNull());
    EXPECT_FALSE(KZFlowViewImageCache::keyFor(QVariant()).has_value());
    EXPECT_NE(KZFlowViewImageCache::keyFor(1), KZFlowViewImageCache::keyFor(QStringLiteral("1")));
}

} // namespace

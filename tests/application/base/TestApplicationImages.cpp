// The application's icons: drawn from their SVG files at the sizes they offer, the
// same whether drawn ahead on a pool thread, asked for again, or asked for from
// several threads while they are drawn.
#include "application/base/ApplicationImages.h"
#include "tests/support/TestSupport.h"

#include <QImageReader>
#include <QPainter>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>

namespace {

// The icon's images, largest first, as the icon hands them out.
QList<QImage> imagesOf(const QIcon &icon)
{
    QList<QImage> images;
    QList<QSize> sizes = icon.availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](const QSize &a, const QSize &b) { return a.width() > b.width(); });
    for (const QSize &size : sizes)
        images << icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return images;
}

// The file drawn at a size, read here.
QImage fileAt(const QString &name, int size)
{
    QImageReader reader(ApplicationImages::pathForImageNamed(name));
    reader.setScaledSize(QSize(size, size));
    return reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(ApplicationImages, IconsOfferTheirFileAtTheUsualSizes)
{
    // The application's icon at the sizes desktops ask for; a row image at its own.
    const QList<QImage> application = imagesOf(ApplicationImages::iconNamed(QStringLiteral("application.icns")));
    const int sizes[] = {256, 128, 64, 48, 32, 16};
    ASSERT_EQ(application.size(), int(std::size(sizes)));
    for (int i = 0; i < application.size(); ++i) {
        SCOPED_TRACE(sizes[i]);
        EXPECT_EQ(application[i], fileAt(QStringLiteral("application.icns"), sizes[i]));
    }
    const QList<QImage> job = imagesOf(ApplicationImages::iconNamed(QStringLiteral("entry_job.tif")));
    ASSERT_EQ(job.size(), 1);
    EXPECT_EQ(job.first().size(), QImageReader(ApplicationImages::pathForImageNamed(QStringLiteral("entry_job.tif"))).size());

    // The overlay over the base, source over, at the base's size.
    const QList<QImage> active = imagesOf(
        ApplicationImages::compositeIcon(QStringLiteral("entry_job.tif"), QStringLiteral("entry_active.tif")));
    ASSERT_EQ(active.size(), 1);
    QImage expected = fileAt(QStringLiteral("entry_job.tif"), job.first().width());
    {
        QPainter painter(&expected);
        painter.drawImage(0, 0, fileAt(QStringLiteral("entry_active.tif"), job.first().width()));
    }
    EXPECT_EQ(active.first(), expected);
    EXPECT_NE(active.first(), job.first());

    EXPECT_TRUE(ApplicationImages::iconNamed(QStringLiteral("no such image")).isNull());
}

TEST(ApplicationImages, IconsDrawnAheadOrAgainOrFromThreadsAreTheSame)
{
    const QStringList names = {QStringLiteral("application.icns"), QStringLiteral("add.png"),
                               QStringLiteral("entry_day.tif"), QStringLiteral("start_button"),
                               QStringLiteral("no such image")};
    const QList<std::pair<QString, QString>> composites = {
        {QStringLiteral("entry_job.tif"), QStringLiteral("entry_active.tif")},
        {QStringLiteral("entry_group.png"), QStringLiteral("entry_active.tif")},
        {QStringLiteral("no such image"), QStringLiteral("entry_active.tif")}};
    QList<QList<QImage>> first;
    for (const QString &name : names)
        first << imagesOf(ApplicationImages::iconNamed(name));
    QList<QList<QImage>> firstComposites;
    for (const auto &[base, overlay] : composites)
        firstComposites << imagesOf(ApplicationImages::compositeIcon(base, overlay));

    // Drawn ahead while others ask for the same from pool threads and this one.
    ApplicationImages::prepareIcons(names + QStringList{QStringLiteral("application_plus.icns")}, composites);
    std::atomic<int> differing{0};
    for (int t = 0; t < 4; ++t) {
        QThreadPool::globalInstance()->start([&] {
            for (int round = 0; round < 5; ++round) {
                for (const QString &name : names) {
                    const QImage image = ApplicationImages::imageNamed(name);
                    if (image.isNull() != (name == QStringLiteral("no such image")))
                        ++differing;
                }
            }
        });
    }
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(names[i].toStdString());
            EXPECT_EQ(imagesOf(ApplicationImages::iconNamed(names[i])), first[i]);
        }
        for (int i = 0; i < composites.size(); ++i) {
            SCOPED_TRACE(composites[i].first.toStdString());
            EXPECT_EQ(imagesOf(ApplicationImages::compositeIcon(composites[i].first, composites[i].second)),
                      firstComposites[i]);
        }
    }
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(differing.load(), 0);
    EXPECT_EQ(imagesOf(ApplicationImages::iconNamed(QStringLiteral("application_plus.icns"))).size(), 6);
}

} // namespace

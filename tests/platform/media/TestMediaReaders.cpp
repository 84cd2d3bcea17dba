// Bounded decoding, the freedesktop thumbnail cache and PDF pages.
#include "platform/media/BoundedImageReader.h"
#include "platform/media/PdfPage.h"
#include "platform/media/ThumbnailProvider.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray encode(const QImage &image, const char *format = "png")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

QImage filled(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header claims the size, with a right checksum (its pixels are those
// of a 1 x 1 image).
QByteArray lyingPng(quint32 width, quint32 height)
{
    QByteArray png = encode(filled(QSize(1, 1), Qt::red));
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29);
    return png;
}

TEST(BoundedImageReader, DecodesWithinTheBoundsOnly)
{
    const QByteArray good = encode(filled(QSize(400, 200), Qt::blue));
    const QImage scaled = platform::BoundedImageReader::fromData(good, QSize(100, 100));
    EXPECT_EQ(scaled.size(), QSize(100, 50));
    EXPECT_EQ(platform::BoundedImageReader::fromData(good, QSize()).size(), QSize(400, 200));
    EXPECT_EQ(platform::BoundedImageReader::fromData(good, QSize(1000, 1000)).size(), QSize(400, 200)) << "never up";

    struct Case
    {
        const char *what;
        QByteArray data;
    };
    const Case refused[] = {
        {"too wide", lyingPng(40000, 10)},
        {"too many pixels", lyingPng(20000, 6000)},
        {"truncated", good.left(good.size() / 2)},
        {"no image", QByteArrayLiteral("this is no picture at all")},
        {"empty", QByteArray()},
    };
    for (const Case &c : refused)
        EXPECT_TRUE(platform::BoundedImageReader::fromData(c.data, QSize(64, 64)).isNull()) << c.what;
}

class Thumbnails : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        m_oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toLocal8Bit());
        m_file = m_home.filePath(QStringLiteral("photo one.png"));
        QFile file(m_file);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(encode(filled(QSize(300, 300), Qt::blue)));
    }
    void TearDown() override { qputenv("XDG_CACHE_HOME", m_oldCache); }

    // Writes a red thumbnail of the URI's file into the folder, claiming the URI (or
    // another) and the time.
    QString writeThumbnail(const char *folder, const QString &uri, qint64 mtime, const QString &claimed = QString())
    {
        QImage image = filled(QSize(128, 128), Qt::red);
        image.setText(QStringLiteral("Thumb::URI"), claimed.isEmpty() ? uri : claimed);
        image.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
        const QString dir = platform::ThumbnailProvider::cacheFolder() + QLatin1Char('/') + QLatin1String(folder);
        QDir().mkpath(dir);
        const QString path = dir + QLatin1Char('/') + platform::ThumbnailProvider::thumbnailFileName(uri);
        image.save(path, "png");
        return path;
    }
    qint64 mtime() const { return QFileInfo(m_file).lastModified().toSecsSinceEpoch(); }

    QTemporaryDir m_home;
    QByteArray m_oldCache;
    QString m_file;
};

TEST_F(Thumbnails, OnlyAFreshRegularThumbnailOfTheFileIsUsed)
{
    const QString uri = platform::ThumbnailProvider::uriForFile(m_file);
    EXPECT_TRUE(uri.startsWith(QLatin1String("file:///")) && uri.contains(QLatin1String("photo%20one.png")));
    const auto colourFor = [this](int side) {
        const QImage image = platform::ThumbnailProvider::thumbnailForFile(m_file, QSize(side, side));
        return image.isNull() ? QColor() : image.pixelColor(5, 5);
    };

    const QString fresh = writeThumbnail("normal", uri, mtime());
    EXPECT_EQ(colourFor(100), QColor(Qt::red));
    EXPECT_EQ(platform::ThumbnailProvider::cachedThumbnail(m_file, QSize(100, 100)).size(), QSize(100, 100));
    EXPECT_EQ(colourFor(200), QColor(Qt::blue)) << "too small for the size: the file itself";
    writeThumbnail("normal", uri, mtime() - 10);
    EXPECT_EQ(colourFor(100), QColor(Qt::blue)) << "stale";
    writeThumbnail("normal", uri, mtime(), QStringLiteral("file:///elsewhere.png"));
    EXPECT_EQ(colourFor(100), QColor(Qt::blue)) << "another file's";

    // A link in "normal" is passed over for the real file in "large"; a folder in
    // its place, or a thumbnail over the size bound, is no thumbnail.
    const QString large = writeThumbnail("large", uri, mtime());
    QFile::remove(fresh);
    ASSERT_TRUE(QFile::link(large, fresh));
    EXPECT_EQ(colourFor(64), QColor(Qt::red));
    QFile::remove(large);
    QDir().mkpath(large);
    EXPECT_TRUE(platform::ThumbnailProvider::cachedThumbnail(m_file, QSize(64, 64)).isNull());
    QByteArray big = encode(filled(QSize(8, 8), Qt::red));
    big.append(QByteArray(platform::ThumbnailProvider::MaxThumbnailBytes, '\0'));
    EXPECT_TRUE(platform::ThumbnailProvider::checkedThumbnail(big, uri, mtime(), QSize(8, 8)).isNull());
}

// A one-page PDF of the size in points, filled red.
QByteArray redPdf(const QSizeF &points)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(points, QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.fillRect(QRectF(QPointF(0, 0), points).adjusted(-2, -2, 2, 2), Qt::red);
    painter.end();
    return bytes;
}

bool isRed(const QImage &image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

bool isWhite(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y) == QColor(Qt::white);
}

TEST(PdfPages, FollowTheCropBoxRule)
{
    const platform::PdfPage page(redPdf(QSizeF(200, 100)), 0);
    EXPECT_NEAR(page.cropBoxSize().width(), 200, 1);

    // Wider than the page: scaled by 2 and standing on the bottom-left corner.
    const QImage wide = page.render(QSize(400, 400), false);
    ASSERT_EQ(wide.size(), QSize(400, 400));
    EXPECT_TRUE(isWhite(wide, 200, 100));
    EXPECT_TRUE(isRed(wide, 10, 390));
    EXPECT_TRUE(isRed(wide, 390, 210));

    // Narrower: fitted at 0.5 and centred.
    const QImage narrow = page.render(QSize(100, 100), false);
    EXPECT_TRUE(isWhite(narrow, 50, 10));
    EXPECT_TRUE(isRed(narrow, 50, 50));
    EXPECT_TRUE(isWhite(narrow, 50, 90));

    EXPECT_TRUE(page.render(QSize(0, 100), false).isNull());
    EXPECT_TRUE(platform::PdfPage(page.document(), 3).render(QSize(100, 100), false).isNull());
    EXPECT_TRUE(platform::PdfPage(QByteArrayLiteral("%PDF-1.4 broken"), 0).render(QSize(100, 100), false).isNull());
}

} // namespace

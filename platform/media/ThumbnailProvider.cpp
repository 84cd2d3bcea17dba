#include "platform/media/ThumbnailProvider.h"

#include "platform/media/BoundedImageReader.h"
#include "platform/media/MoviePoster.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>
#include <QtEndian>
#include <algorithm>

namespace platform {

namespace {

struct CacheFolder
{
    const char *name;
    int size;
};
constexpr CacheFolder Folders[] = {{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};

// Compressed text of at most MaxCompressedText bytes, inflated (nothing when broken).
constexpr qsizetype MaxCompressedText = 4096;
QByteArray inflateText(const QByteArray &compressed)
{
    if (compressed.isEmpty() || compressed.size() > MaxCompressedText)
        return QByteArray();
    // qUncompress takes the expected size first; a wrong guess only costs a retry.
    QByteArray framed(4, '\0');
    qToBigEndian<quint32>(quint32(compressed.size() * 4), framed.data());
    framed.append(compressed);
    return qUncompress(framed);
}

} // namespace

QString ThumbnailProvider::cacheFolder()
{
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/thumbnails");
}

QString ThumbnailProvider::uriForFile(const QString &path)
{
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
}

QString ThumbnailProvider::thumbnailFileName(const QString &uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex())
        + QStringLiteral(".png");
}

QImage ThumbnailProvider::checkedThumbnail(const QByteArray &png, const QString &uri, qint64 mtime, const QSize &wanted)
{
    if (png.isEmpty() || png.size() > MaxThumbnailBytes || !BoundedImageReader::looksComplete(png))
        return QImage();
    // The text chunks are read before any pixel: a thumbnail of another file or of
    // an older state of it is never decoded.
    const QHash<QString, QString> text = pngText(png);
    if (text.value(QStringLiteral("Thumb::URI")) != uri
        || text.value(QStringLiteral("Thumb::MTime")).trimmed() != QString::number(mtime))
        return QImage();
    return BoundedImageReader::fromData(png, wanted);
}

QHash<QString, QString> ThumbnailProvider::pngText(const QByteArray &png)
{
    QHash<QString, QString> text;
    BoundedImageReader::walkPngChunks(png, [&text](const QByteArray &type, const QByteArray &data) {
        const qsizetype nul = data.indexOf('\0');
        if (nul <= 0)
            return;
        const QString keyword = QString::fromLatin1(data.left(nul));
        if (type == "tEXt") {
            text.insert(keyword, QString::fromLatin1(data.mid(nul + 1)));
        } else if (type == "zTXt") {
            // The compression method (0: zlib), then the compressed text.
            if (data.size() > nul + 2 && data.at(nul + 1) == 0)
                text.insert(keyword, QString::fromLatin1(inflateText(data.mid(nul + 2))));
        } else if (type == "iTXt") {
            // Compression flag and method, then the language tag and the translated
            // keyword, each ended by a zero, then the text.
            if (data.size() < nul + 3)
                return;
            const bool compressed = data.at(nul + 1) != 0;
            const qsizetype language = data.indexOf('\0', nul + 3);
            const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
            if (translated < 0)
                return;
            const QByteArray body = data.mid(translated + 1);
            text.insert(keyword, QString::fromUtf8(compressed ? inflateText(body) : body));
        }
    });
    return text;
}

QImage ThumbnailProvider::cachedThumbnail(const QString &path, const QSize &wanted)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QImage();
    const QString uri = uriForFile(path);
    const QString name = thumbnailFileName(uri);
    const qint64 mtime = file.lastModified().toSecsSinceEpoch();
    const int longer = std::max(wanted.width(), wanted.height());
    const QString folder = cacheFolder();
    for (const CacheFolder &size : Folders) {
        if (size.size < longer)
            continue;
        const QFileInfo thumbnail(folder + QLatin1Char('/') + QLatin1String(size.name) + QLatin1Char('/') + name);
        if (thumbnail.isSymLink() || !thumbnail.isFile() || thumbnail.size() > MaxThumbnailBytes)
            continue;
        QFile data(thumbnail.filePath());
        if (!data.open(QIODevice::ReadOnly))
            continue;
        const QImage image = checkedThumbnail(data.read(MaxThumbnailBytes + 1), uri, mtime, wanted);
        if (!image.isNull())
            return image;
    }
    return QImage();
}

QImage ThumbnailProvider::thumbnailForFile(const QString &path, const QSize &wanted,
                                           const std::function<bool()> &cancelled)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return QImage();
    QImage image = cachedThumbnail(path, wanted);
    if (!image.isNull())
        return image;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    if (type.name().startsWith(QLatin1String("image/")))
        return BoundedImageReader::fromFile(file.absoluteFilePath(), wanted);
    if (type.name().startsWith(QLatin1String("video/"))) {
        image = MoviePoster::posterFrame(QUrl::fromLocalFile(file.absoluteFilePath()), MoviePoster::DefaultTimeoutMs,
                                         cancelled);
        if (!image.isNull() && wanted.isValid() && !wanted.isEmpty())
            image = image.scaled(BoundedImageReader::scaledSize(image.size(), wanted), Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
        return image;
    }
    return QImage();
}

} // namespace platform

#pragma once
// The picture of a file at a wanted size, as a file browser would show it:
//
// 1. a fresh thumbnail of the freedesktop thumbnail cache ($XDG_CACHE_HOME/thumbnails,
//    ~/.cache/thumbnails without it): from the smallest of its normal (128),
//    large (256), x-large (512) and xx-large (1024) folders that is at least as large
//    as the wanted size's longer side, whose "Thumb::URI" is the file's URI and whose
//    "Thumb::MTime" is the file's modification time in whole seconds. The cache is
//    only read, never written; a thumbnail that is not a regular file or is over
//    MaxThumbnailBytes is skipped;
// 2. else, for an image file, the file itself decoded at the size (BoundedImageReader);
// 3. else, for a movie file, its first picture (MoviePoster; worker threads only);
// 4. else nothing (a null QImage): the caller keeps the file-type icon.
//
// Stateless and reentrant: any thread (movies as MoviePoster says). Failures: a null
// QImage, never a message.
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

namespace platform {

class ThumbnailProvider
{
public:
    static constexpr qint64 MaxThumbnailBytes = 8 * 1024 * 1024;

    // A cancelled check ends the wait for a movie's picture (see MoviePoster).
    static QImage thumbnailForFile(const QString &path, const QSize &wanted,
                                   const std::function<bool()> &cancelled = {});
    // Step 1 alone.
    static QImage cachedThumbnail(const QString &path, const QSize &wanted);
    // A thumbnail's data when it belongs to the file of the URI as it was at the
    // modification time (seconds since the epoch); null otherwise or when it is not
    // a whole image within the bounds.
    static QImage checkedThumbnail(const QByteArray &png, const QString &uri, qint64 mtime, const QSize &wanted);

    // The text entries of a PNG's tEXt, zTXt and iTXt chunks (keyword to text; empty
    // for data that is no PNG). Chunks are walked with their lengths checked;
    // compressed text over 4 KiB is skipped.
    static QHash<QString, QString> pngText(const QByteArray &png);

    // Where the cache is, and the file name a URI's thumbnail has in each folder.
    static QString cacheFolder();
    static QString thumbnailFileName(const QString &uri);
    // The file's URI as the cache names it (file:// and the percent-encoded path).
    static QString uriForFile(const QString &path);
};

} // namespace platform

#pragma once
// The flow view's pictures by item identifier, bounded by bytes: when a new picture
// would pass the bound, the pictures used least recently go first; a picture larger
// than the whole bound is not kept. (Linux tells a process nothing of memory
// pressure, so the bound is all that limits it.)
//
// Identifiers are any QVariant that converts to a non-empty string; keyFor() answers
// none for others (null, lists, objects), and such items are never cached.
//
// Thread-safe: pictures are put in by the loading threads and read on the GUI thread
// (QImage copies share their pixels).
#include <QCache>
#include <QImage>
#include <QMutex>
#include <QString>
#include <QVariant>
#include <optional>

class KZFlowViewImageCache
{
public:
    static constexpr qint64 DefaultByteLimit = 64LL * 1024 * 1024;

    explicit KZFlowViewImageCache(qint64 byteLimit = DefaultByteLimit);

    static std::optional<QString> keyFor(const QVariant &uid);

    QImage image(const QString &key) const;
    void insert(const QString &key, const QImage &image);
    void remove(const QString &key);
    void clear();

    qint64 byteLimit() const;
    void setByteLimit(qint64 bytes);
    qint64 bytes() const;
    qsizetype count() const;

private:
    mutable QMutex m_mutex;
    mutable QCache<QString, QImage> m_images; // guarded by m_mutex; cost = bytes
};

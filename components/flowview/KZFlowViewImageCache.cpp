#include "components/flowview/KZFlowViewImageCache.h"

#include <QMutexLocker>
#include <algorithm>

KZFlowViewImageCache::KZFlowViewImageCache(qint64 byteLimit)
{
    setByteLimit(byteLimit);
}

std::optional<QString> KZFlowViewImageCache::keyFor(const QVariant &uid)
{
    if (!uid.isValid() || uid.isNull() || !uid.canConvert<QString>())
        return std::nullopt;
    const QString text = uid.toString();
    if (text.isEmpty())
        return std::nullopt;
    // The type keeps the number 1 and the string "1" apart.
    return QString::fromLatin1(uid.typeName()) + QLatin1Char(':') + text;
}

QImage KZFlowViewImageCache::image(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    const QImage *found = m_images.object(key);
    return found ? *found : QImage();
}

void KZFlowViewImageCache::insert(const QString &key, const QImage &image)
{
    if (image.isNull())
        return;
    QMutexLocker lock(&m_mutex);
    // QCache drops (and deletes) what it cannot keep.
    m_images.insert(key, new QImage(image), qsizetype(image.sizeInBytes()));
}

void KZFlowViewImageCache::remove(const QString &key)
{
    QMutexLocker lock(&m_mutex);
    m_images.remove(key);
}

void KZFlowViewImageCache::clear()
{
    QMutexLocker lock(&m_mutex);
    m_images.clear();
}

qint64 KZFlowViewImageCache::byteLimit() const
{
    QMutexLocker lock(&m_mutex);
    return m_images.maxCost();
}

void KZFlowViewImageCache::setByteLimit(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_images.setMaxCost(qsizetype(std::max<qint64>(0, bytes)));
}

qint64 KZFlowViewImageCache::bytes() const
{
    QMutexLocker lock(&m_mutex);
    return m_images.totalCost();
}

qsizetype KZFlowViewImageCache::count() const
{
    QMutexLocker lock(&m_mutex);
    return m_images.count();
}

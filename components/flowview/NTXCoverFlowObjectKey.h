#pragma once
// Content objects of the cover-flow view as hash keys: two keys are equal when
// their objects are equal (QVariant equality); the hash agrees with that equality.
// Observable objects count by identity, images by their pixels, everything else by
// its text form and type. A value type; thread-safe as QVariant is.
#include "platform/foundation/KeyValueObserving.h"

#include <QHash>
#include <QImage>
#include <QVariant>

struct NTXCoverFlowObjectKey
{
    QVariant object;

    bool operator==(const NTXCoverFlowObjectKey &other) const { return object == other.object; }
};

inline size_t qHash(const NTXCoverFlowObjectKey &key, size_t seed = 0)
{
    const QVariant &v = key.object;
    if (platform::KeyValueObservable *observable = platform::KeyValueObservable::toObservable(v))
        return qHash(quintptr(observable), seed);
    switch (v.metaType().id()) {
    case QMetaType::QImage: {
        const QImage image = v.value<QImage>();
        return qHashMulti(seed, image.width(), image.height(),
                          QByteArrayView(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
    }
    case QMetaType::QByteArray:
        return qHash(v.toByteArray(), seed);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        // Numbers of different types can be equal: hash them as one number.
        return qHash(v.toDouble(), seed);
    default:
        return qHash(v.toString(), seed);
    }
}

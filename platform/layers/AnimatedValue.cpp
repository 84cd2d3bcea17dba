#include "platform/layers/AnimatedValue.h"

#include "platform/layers/Transform3D.h"

#include <QColor>
#include <QMatrix4x4>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <algorithm>

namespace platform {

namespace {

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

qreal lerp(qreal a, qreal b, qreal t)
{
    return a + (b - a) * t;
}

// Applies `op` to the numbers making up two values of one kind; an empty QVariant
// when the kinds differ or cannot be combined.
template <typename Op>
QVariant combine(const QVariant &a, const QVariant &b, Op op)
{
    if (isNumber(a) && isNumber(b))
        return op(a.toDouble(), b.toDouble());
    if (a.typeId() != b.typeId())
        return QVariant();
    switch (a.typeId()) {
    case QMetaType::QPointF: {
        const QPointF p = a.toPointF(), q = b.toPointF();
        return QPointF(op(p.x(), q.x()), op(p.y(), q.y()));
    }
    case QMetaType::QSizeF: {
        const QSizeF p = a.toSizeF(), q = b.toSizeF();
        return QSizeF(op(p.width(), q.width()), op(p.height(), q.height()));
    }
    case QMetaType::QRectF: {
        const QRectF p = a.toRectF(), q = b.toRectF();
        return QRectF(op(p.x(), q.x()), op(p.y(), q.y()), op(p.width(), q.width()), op(p.height(), q.height()));
    }
    case QMetaType::QColor: {
        const QColor p = a.value<QColor>().toRgb(), q = b.value<QColor>().toRgb();
        auto channel = [&op](float x, float y) { return std::clamp(static_cast<float>(op(x, y)), 0.0f, 1.0f); };
        return QColor::fromRgbF(channel(p.redF(), q.redF()), channel(p.greenF(), q.greenF()),
                                channel(p.blueF(), q.blueF()), channel(p.alphaF(), q.alphaF()));
    }
    default:
        return QVariant();
    }
}

} // namespace

QVariant AnimatedValue::interpolate(const QVariant &from, const QVariant &to, qreal progress)
{
    if (progress <= 0)
        return from;
    if (progress >= 1)
        return to;
    if (from.typeId() == QMetaType::QMatrix4x4 && to.typeId() == QMetaType::QMatrix4x4)
        return Transform3D::interpolate(from.value<QMatrix4x4>(), to.value<QMatrix4x4>(), progress);
    if (from.typeId() == QMetaType::QVariantList && to.typeId() == QMetaType::QVariantList) {
        const QVariantList a = from.toList(), b = to.toList();
        if (a.size() == b.size()) {
            QVariantList mixed;
            mixed.reserve(a.size());
            for (qsizetype i = 0; i < a.size(); ++i)
                mixed.append(interpolate(a.at(i), b.at(i), progress));
            return mixed;
        }
        return progress < 0.5 ? from : to;
    }
    const QVariant mixed = combine(from, to, [progress](qreal x, qreal y) { return lerp(x, y, progress); });
    if (mixed.isValid())
        return mixed;
    return progress < 0.5 ? from : to;
}

QVariant AnimatedValue::add(const QVariant &from, const QVariant &by)
{
    if (from.typeId() == QMetaType::QMatrix4x4 && by.typeId() == QMetaType::QMatrix4x4)
        return from.value<QMatrix4x4>() * by.value<QMatrix4x4>();
    const QVariant sum = combine(from, by, [](qreal x, qreal y) { return x + y; });
    return sum.isValid() ? sum : from;
}

QVariant AnimatedValue::subtract(const QVariant &from, const QVariant &by)
{
    if (from.typeId() == QMetaType::QMatrix4x4 && by.typeId() == QMetaType::QMatrix4x4)
        return from.value<QMatrix4x4>() * by.value<QMatrix4x4>().inverted();
    const QVariant difference = combine(from, by, [](qreal x, qreal y) { return x - y; });
    return difference.isValid() ? difference : from;
}

} // namespace platform

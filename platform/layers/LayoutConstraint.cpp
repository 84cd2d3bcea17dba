#include "platform/layers/LayoutConstraint.h"

#include <cmath>

namespace platform {

LayoutConstraint::LayoutConstraint(Attribute attribute, const QString &sourceName, Attribute sourceAttribute,
                                   qreal scale, qreal offset)
    : m_attribute(attribute)
    , m_sourceName(sourceName)
    , m_sourceAttribute(sourceAttribute)
    , m_scale(std::isfinite(scale) ? scale : 1)
    , m_offset(std::isfinite(offset) ? offset : 0)
{
}

LayoutConstraint LayoutConstraint::superlayer(Attribute attribute, Attribute sourceAttribute, qreal scale, qreal offset)
{
    return LayoutConstraint(attribute, QStringLiteral("superlayer"), sourceAttribute, scale, offset);
}

bool LayoutConstraint::isOnSuperlayer() const
{
    return m_sourceName == QLatin1String("superlayer");
}

qreal LayoutConstraint::valueOf(Attribute attribute, const QRectF &r)
{
    switch (attribute) {
    case Attribute::MinX:
        return r.left();
    case Attribute::MidX:
        return r.center().x();
    case Attribute::MaxX:
        return r.right();
    case Attribute::Width:
        return r.width();
    case Attribute::MinY:
        return r.top(); // y-up: the smallest y is the bottom edge
    case Attribute::MidY:
        return r.center().y();
    case Attribute::MaxY:
        return r.bottom();
    case Attribute::Height:
        return r.height();
    }
    return 0;
}

bool LayoutConstraint::isHorizontal(Attribute attribute)
{
    return attribute == Attribute::MinX || attribute == Attribute::MidX || attribute == Attribute::MaxX
        || attribute == Attribute::Width;
}

} // namespace platform

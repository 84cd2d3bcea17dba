#pragma once
// One rule of constraint layout: an attribute of a layer's frame equals an attribute
// of a source × scale + offset. The source is the superlayer (its bounds, name
// "superlayer") or a sibling found by name (its frame). A value type.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QRectF>
#include <QString>

namespace platform {

class LayoutConstraint
{
public:
    enum class Attribute { MinX, MidX, MaxX, Width, MinY, MidY, MaxY, Height };

    LayoutConstraint(Attribute attribute, const QString &sourceName, Attribute sourceAttribute, qreal scale = 1,
                     qreal offset = 0);
    static LayoutConstraint superlayer(Attribute attribute, Attribute sourceAttribute, qreal scale = 1,
                                       qreal offset = 0);

    Attribute attribute() const { return m_attribute; }
    QString sourceName() const { return m_sourceName; }
    Attribute sourceAttribute() const { return m_sourceAttribute; }
    qreal scale() const { return m_scale; }
    qreal offset() const { return m_offset; }
    bool isOnSuperlayer() const;

    // The attribute's value for a rectangle (y-up: MinY is the bottom).
    static qreal valueOf(Attribute attribute, const QRectF &rect);
    static bool isHorizontal(Attribute attribute);

    bool operator==(const LayoutConstraint &other) const = default;

private:
    Attribute m_attribute;
    QString m_sourceName;
    Attribute m_sourceAttribute;
    qreal m_scale;
    qreal m_offset;
};

} // namespace platform

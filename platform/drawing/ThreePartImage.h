#pragma once
// A picture made of three parts across a rectangle: a start cap at its natural
// width (height when vertical) at the left (top), an end cap at the right (bottom),
// and a centre fill stretched over what lies between; caps are stretched across the
// rectangle's other side. When the caps together are longer than the rectangle
// they share it in proportion and the fill is left out. Any part may be the null
// icon; with all three null nothing is drawn.
//
// flipped says whether the caller's space runs y-down, as a widget's does: then the
// parts stand upright with the start cap at the top. Otherwise the caller's space
// is taken to be y-up, so in a y-down painter the whole picture comes out mirrored
// top to bottom, as on the platform whose drawing function this stands in for.
//
// Stateless; reentrant. Painting follows QPainter's rules (the painter's thread).
#include <QIcon>
#include <QPainter>
#include <QRectF>

namespace platform {

class ThreePartImage
{
public:
    struct Parts
    {
        QRectF start;
        QRectF centre;
        QRectF end;
    };

    // Where the parts go (before any flipping) for caps of the given natural sizes.
    static Parts layout(const QRectF &frame, const QSizeF &startCapSize, const QSizeF &endCapSize, bool vertical);

    static void draw(QPainter &painter, const QRectF &frame, const QIcon &startCap, const QIcon &centerFill,
                     const QIcon &endCap, bool vertical,
                     QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver, qreal fraction = 1.0,
                     bool flipped = true);
};

} // namespace platform

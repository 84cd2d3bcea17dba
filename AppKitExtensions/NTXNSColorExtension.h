#pragma once
// Colour helpers: the disabled look, exact one-device-pixel lines for bars and
// grooves, transparency, and a swatch image.
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>

class QPainter;
class QWidget;

namespace NTXNSColorExtension {

// The colour with its alpha replaced by 0.5 × the whole-number part of its alpha:
// 0.5 for an opaque colour, 0 for any colour that is not opaque.
QColor disabledColor(const QColor &color);

// Draws a line one device pixel thick in the colour inside the rectangle (in the
// painter's current space), aligned to device pixels at any device pixel ratio. A
// horizontal line lies `position` device pixels from the rectangle's origin edge (its
// minimum y: the bottom in a y-up space, the top in a y-down one), from the other
// edge when `flip` is set, and runs the rectangle's width less `inset` device pixels
// at both ends; a vertical line lies `position` pixels from the left edge (the right
// edge with `flip`) and runs the height less `inset` at both ends. The rectangle is
// first widened to whole device pixels. The view is the one being painted (it may be
// null when painting elsewhere): the painter's device decides the pixel grid.
void bwDrawPixelThickLineAtPosition(const QColor &color, QPainter &painter, int position, int inset,
                                    const QRectF &rect, const QWidget *view, bool horizontal, bool flip);

// The colour as red, green, blue and alpha in the RGB colour space.
QColor CGColor(const QColor &color);
bool isTransparent(const QColor &color);
// A swatch: the whole image in the colour; a transparent colour gets a black
// diagonal cross; then a black one-pixel frame round the edge.
QImage colorImageWithSize(const QColor &color, const QSizeF &size);

} // namespace NTXNSColorExtension

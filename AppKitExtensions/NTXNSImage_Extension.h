#pragma once
// Image helpers: tinted and darkened copies, a plain bitmap copy, one point per pixel,
// and drawing at a point with a composition mode and an opacity.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>

namespace NTXNSImage_Extension {

// A copy in which every painted pixel takes the colour (laid over the whole image
// with source-atop), so only the opaque parts are coloured.
QImage bwTintedImageWithColor(const QImage &image, const QColor &color);
// Makes the image one point per pixel (device pixel ratio 1); answers it.
QImage &normalizeSize(QImage &image);
// A darkened copy: each colour channel less the whole-number part of
// (256 - 255 × the colour's component), at least 0; alpha unchanged. 8 bits per
// channel, with alpha only when the source has it. Null for a null image.
QImage darkenedImageWithColor(const QImage &image, const QColor &color);
// A copy as premultiplied 32-bit ARGB of the image's size in whole points (one pixel
// per point), the image drawn into it with the copy mode; null for a zero size.
QImage imageRefCopy(const QImage &image);
// Draws the whole image at the point (its top-left corner in a y-down space, its
// bottom-left corner in a y-up space; upright in both) with the mode and opacity.
void drawAtPoint(const QImage &image, QPainter &painter, const QPointF &point, QPainter::CompositionMode operation);
void drawAtPoint(const QImage &image, QPainter &painter, const QPointF &point, QPainter::CompositionMode operation,
                 qreal fraction);

} // namespace NTXNSImage_Extension

#pragma once
// The pictures the cover-flow view draws itself: the dark fades over the stage's
// edges, the darkening laid on each reflection, the placeholder that stands in for
// a picture until its image arrives, and the placeholder's default icon (an eye).
// Free functions; each makes a new image and may run on any thread.
#include <QImage>
#include <QSize>
#include <QSizeF>

namespace NTXCoverFlowImages {

// Side of the placeholder image: it is drawn this high and as wide as the picture's
// proportions ask.
constexpr int PlaceholderHeight = 600;

// A black fade in an image of the size, opaque where the angle starts and clear
// where it ends (0: left to right; 180: right to left; 90: bottom to top).
QImage fade(const QSize &size, qreal angle);
// The overlay of a reflection: black from alpha 0.6 next to the picture to 1.0 at
// its far end.
QImage reflectionShadow(const QSize &size);
// A dark stage-lit card of the picture's proportions with the icon tinted in its
// middle. An icon of zero size (or none) is left out.
QImage placeholder(const QSizeF &itemSize, const QImage &icon);
// The icon placeholders carry by default.
QImage defaultPlaceholderIcon();

} // namespace NTXCoverFlowImages

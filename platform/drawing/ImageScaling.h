#pragma once
// How an image fits a rectangle, with the platform's numbers, and the rectangle it
// takes there. Stateless; any thread.
#include <QRectF>
#include <QSizeF>
#include <Qt>

namespace platform {

enum class ImageScaling {
    ProportionallyDown = 0,    // shrunk to fit, keeping its proportions; never enlarged
    AxesIndependently = 1,     // stretched to the rectangle
    None = 2,                  // its own size
    ProportionallyUpOrDown = 3 // as large as fits, keeping its proportions
};

// The rectangle an image of the size takes in the frame when scaled so and placed by
// the alignment (centred on an axis the alignment does not name). An empty size or
// frame gives an empty rectangle at the frame's centre.
QRectF scaledImageRect(const QSizeF &imageSize, const QRectF &frame, ImageScaling scaling,
                       Qt::Alignment alignment = Qt::AlignCenter);

} // namespace platform

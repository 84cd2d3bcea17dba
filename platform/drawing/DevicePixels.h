#pragma once
// Drawing in device pixels with a painter set up for logical coordinates: the world
// transform that makes the painter's numbers device pixels of its paint device (the
// device pixel ratio and, for a widget, its place in the window's backing store
// included), so that a rectangle of whole numbers covers exactly those pixels.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QTransform>

class QPainter;

namespace platform::DevicePixels {

QTransform worldTransformForDeviceSpace(const QPainter &painter);

} // namespace platform::DevicePixels

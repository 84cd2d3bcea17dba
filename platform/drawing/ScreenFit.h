#pragma once
// Fitting a stored window frame to the screens there are now. Frames are in Qt's
// device-independent pixels; a frame saved on a larger screen, or at another scale
// factor, must still come back whole on this one. Stateless; GUI thread (it asks
// QGuiApplication for the screens).
#include <QRect>

namespace platform::ScreenFit {

// The screen area the frame overlaps most (the primary screen's when it overlaps
// none); an empty rectangle without screens.
QRect availableAreaFor(const QRect &frame);

// The frame shrunk to the available area of its screen where it is larger, then
// moved, as little as possible, to lie inside it. Without screens: the frame.
QRect fittedFrame(const QRect &frame);

} // namespace platform::ScreenFit
